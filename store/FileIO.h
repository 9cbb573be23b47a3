// The small file interface through which the memo file, the backup and the
// configuration file are read and written. The native implementation is
// unbuffered (every call reaches the system and its result is checked); a
// test implementation can make any call fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

namespace jotanor {

enum class OpenMode {
    ReadOnly,        // existing file, read only
    ReadWrite,       // existing file, read and write
    CreateTruncate,  // create, or empty an existing file; read and write
    OpenOrCreate,    // create when missing, keep an existing file as it is; read and write
};

// All failures throw IoError with the standard code of the failure.
class File {
public:
    virtual ~File() = default;
    virtual std::uint64_t size() = 0;
    // Reads exactly n bytes at offset; fewer bytes available: kReadBeyondEnd.
    virtual void readAt(std::uint64_t offset, void* data, std::size_t n) = 0;
    // Writes all n bytes at offset, extending the file when needed.
    virtual void writeAt(std::uint64_t offset, const void* data, std::size_t n) = 0;
    virtual void truncate(std::uint64_t size) = 0;
    virtual void sync() = 0;
    // Closing twice is harmless; a destructor closes silently.
    virtual void close() = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Files the program creates are readable and writable by their owner only.
    virtual std::unique_ptr<File> open(const std::filesystem::path& path, OpenMode mode) = 0;
    // Replaces `to` by `from` in one step (used to write a file safely).
    virtual void rename(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
    // Swaps the contents of two existing files in one step. False when the
    // system cannot; the caller then renames instead.
    virtual bool exchange(const std::filesystem::path& a, const std::filesystem::path& b) = 0;
    virtual void remove(const std::filesystem::path& path) = 0;
};

// The system's own file system.
FileSystem& nativeFileSystem();

}  // namespace jotanor
