// Writing a whole file so that a failure, or a process killed half way,
// leaves either the old file or the new one, never a mixture.
#pragma once

#include <cstddef>
#include <filesystem>
#include <span>
#include <vector>

#include "store/FileIO.h"

namespace jotanor {

// The file beside `target` that holds the new contents until they are whole.
std::filesystem::path pendingPath(const std::filesystem::path& target);

// Writes `data` to the pending file, syncs it and puts it in place of
// `target`. On failure the pending file is removed, `target` is untouched
// and the IoError is rethrown.
void replaceFile(FileSystem& fs, const std::filesystem::path& target, const void* data, std::size_t n);
// The same for contents given as pieces, written one after another.
void replaceFile(FileSystem& fs, const std::filesystem::path& target,
                 const std::vector<std::span<const unsigned char>>& pieces);

// The hidden file beside `target` that keeps its previous contents.
std::filesystem::path sparePath(const std::filesystem::path& target);

// Like replaceFile, for a file that is replaced often (the memo file): the
// new contents are written over the spare file, which keeps the previous
// contents, and the two swap names in one step. Writing over a file that
// exists costs far less than filling a new one. Where the system cannot
// swap names, the spare is renamed into place instead.
void replaceFileKeepingSpare(FileSystem& fs, const std::filesystem::path& target,
                             const std::vector<std::span<const unsigned char>>& pieces);

}  // namespace jotanor
