// A fresh folder for one test, removed afterwards.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "store/Errors.h"
#include "store/MemoRecord.h"

namespace jotanor::test {

// What the system reports for a name in a folder that does not exist:
// Windows has a code of its own for a missing path.
#ifdef _WIN32
inline constexpr int kMissingFolderCode = kInvalidFilename;
#else
inline constexpr int kMissingFolderCode = kFileNotFound;
#endif

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path file(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

std::vector<unsigned char> readBytes(const std::filesystem::path& path);
void writeBytes(const std::filesystem::path& path, const std::vector<unsigned char>& bytes);
// A memo file of these memos, written record by record.
void writeMemos(const std::filesystem::path& path, const std::vector<MemoRecord>& memos);

// Makes a file this long without writing its new bytes (a sparse file).
// MinGW's resize refuses to grow a file beyond the disk's free space, so on
// Windows the file is marked sparse and its end set directly.
void growSparse(const std::filesystem::path& path, std::uint64_t size);

// Whether the tests may give files to other users (root on POSIX; never on Windows).
bool runsAsRoot();
// Gives a file to another user and group id, where runsAsRoot().
void giveTo(const std::filesystem::path& path, int id);

}  // namespace jotanor::test
