// The calendar account the window syncs with: everything but the password,
// which the system's password store keeps. Held in a side file of its own
// beside the configuration file, one "name=value" line per setting.
#pragma once

#include <filesystem>
#include <string>

#include "store/FileIO.h"

namespace jotanor {

inline const char* const kAccountFileName = "jotnor-agenda.cfg";

struct CalendarAccount {
    std::string url;   // the calendar collection, UTF-8
    std::string user;  // UTF-8
    bool syncAtStart = false;
    bool syncAtClose = false;

    bool configured() const { return !url.empty(); }
    // The name the password is kept under in the system's store.
    std::string passwordKey() const { return user + "@" + url; }
    bool operator==(const CalendarAccount&) const = default;
};

// The file's text, and the account it holds: unknown names and lines
// without "=" are passed over, so an older program reads a newer file.
std::string accountText(const CalendarAccount& account);
CalendarAccount parseAccount(std::string_view text);

// An absent file is an account without an address. Raises IoError when the
// file is there but cannot be read or written.
CalendarAccount loadAccount(FileSystem& fs, const std::filesystem::path& path);
void saveAccount(FileSystem& fs, const std::filesystem::path& path, const CalendarAccount& account);

}  // namespace jotanor
