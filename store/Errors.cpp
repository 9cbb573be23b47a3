#include "store/Errors.h"

namespace jotanor {

std::string pathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

IoError::IoError(int code, const std::filesystem::path& path, std::string reason)
    : std::runtime_error(standardText(code)), code_(code), path_(pathText(path)), reason_(std::move(reason)) {}

std::string IoError::fullText() const {
    std::string text = what();
    if (!path_.empty()) text += "\n" + path_;
    if (!reason_.empty()) text += "\n" + reason_;
    return text;
}

std::string IoError::standardText(int code) {
    switch (code) {
    case kFileNotFound: return "File not found";
    case kInvalidFilename: return "Invalid filename";
    case kTooManyOpenFiles: return "Too many open files";
    case kAccessDenied: return "File access denied";
    case kReadBeyondEnd: return "Read beyond end of file";
    case kDiskFull: return "Disk full";
    default: return "I/O error " + std::to_string(code);
    }
}

bool IoError::hasStandardText(int code) {
    switch (code) {
    case kFileNotFound:
    case kInvalidFilename:
    case kTooManyOpenFiles:
    case kAccessDenied:
    case kReadBeyondEnd:
    case kDiskFull: return true;
    default: return false;
    }
}

ConvertError::ConvertError(const std::string& text)
    : std::runtime_error("'" + text + "' is not a valid integer value") {}

}  // namespace jotanor
