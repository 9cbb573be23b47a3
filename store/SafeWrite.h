// Writing a whole file (the backup, the settings) so that a failure, a
// process killed half way or a power cut leaves either the old file or the
// new one, never a mixture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

#include "store/FileIO.h"

namespace jotanor {

// The file beside `target` (links resolved) that holds the new contents
// until they are whole.
std::filesystem::path pendingPath(FileSystem& fs, const std::filesystem::path& target);

// A fresh pending file in the real target's folder: a link at the target is
// followed, one under the pending name never is. Until it is committed the
// target is untouched; one that is not committed is removed.
class PendingFile {
public:
    // Creates the pending file; throws IoError when it cannot.
    PendingFile(FileSystem& fs, const std::filesystem::path& target);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Adds `data` to what the file holds: a text too big to hold whole
    // goes in piece by piece.
    void append(const void* data, std::size_t n);
    // Appends `data`, gives the file the mode and owner of the file it
    // replaces, syncs it, renames it into place and syncs the folder.
    void commit(const void* data = nullptr, std::size_t n = 0);

private:
    FileSystem& fs_;
    std::filesystem::path real_;
    std::filesystem::path pending_;
    std::unique_ptr<File> file_;
    std::uint64_t written_ = 0;
    bool committed_ = false;
};

// The whole replacement in one call; on failure the target is untouched
// and the IoError is rethrown.
void replaceFile(FileSystem& fs, const std::filesystem::path& target, const void* data, std::size_t n);

}  // namespace jotanor
