// Two-way sync of the memo file with one CalDAV calendar collection: what
// changed on either side since the last sync goes to the other, and what
// the last sync saw is kept beside the memo file.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

#include "store/MemoFile.h"

namespace jotanor::sync {

// The server could not be reached, refused us, or is no calendar: the
// message says which. Nothing is lost; the next sync goes on from here.
struct SyncError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct SyncSettings {
    std::string url;  // the calendar collection
    std::string user;
    std::optional<std::string> password;
    std::string caFile;  // a private certificate authority, or empty
    DaySerial today = 0;
    std::string dtstamp;  // "YYYYMMDDTHHMMSSZ", for the events put up
};

struct SyncReport {
    std::size_t up = 0;            // events put up (new or changed)
    std::size_t down = 0;          // memos entered here from the server
    std::size_t deletedHere = 0;   // memos deleted here
    std::size_t deletedThere = 0;  // events deleted on the server
    std::size_t conflicts = 0;     // changed on the server and changed or deleted here
    std::size_t requests = 0;      // HTTP requests made
};

// ".jotanor1.mem.sync" beside "jotanor1.mem".
std::filesystem::path statePath(const std::filesystem::path& memoFile);

// `fs` holds the memo file and the state beside it.
SyncReport synchronize(FileSystem& fs, MemoFile& file, const SyncSettings& settings);

}  // namespace jotanor::sync
