// File errors and conversion errors, two of the three kinds of error that a
// command can raise and the top-level handler shows in an "Error" box (the
// date error lives with the dates). Each carries the standard text the user
// sees.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace jotanor {

// A path as UTF-8 text for a message, on every system.
std::string pathText(const std::filesystem::path& path);

// Codes of the file errors, numbered like the platform's classic run-time
// errors so that "I/O error %d" reads familiar to the program's users.
enum IoCode : int {
    kFileNotFound = 2,
    kInvalidFilename = 3,
    kTooManyOpenFiles = 4,
    kAccessDenied = 5,
    kReadBeyondEnd = 100,
    kDiskFull = 101,
};

class IoError : public std::runtime_error {
public:
    // `code` is one of IoCode or, for anything else, the system's own code;
    // `reason`, when given, says in Dutch why, beyond the standard text.
    IoError(int code, const std::filesystem::path& path, std::string reason = {});

    int code() const { return code_; }
    // The file's path in UTF-8.
    const std::string& path() const { return path_; }
    const std::string& reason() const { return reason_; }
    // What the user reads: the standard text, the file's name and the reason.
    std::string fullText() const;

    // "File not found", "Disk full", ..., or "I/O error %d".
    static std::string standardText(int code);
    // Whether `code` has a text of its own, rather than "I/O error %d".
    static bool hasStandardText(int code);

private:
    int code_;
    std::string path_;
    std::string reason_;
};

// "'%s' is not a valid integer value".
class ConvertError : public std::runtime_error {
public:
    explicit ConvertError(const std::string& text);
};

}  // namespace jotanor
