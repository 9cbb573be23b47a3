// The memo file's rollback journal. A change writes the bytes it is about to
// overwrite, and the file's length, to a journal beside the file and makes
// it durable before it touches the file; once the file holds the change and
// is synced, the journal goes. A journal found later belongs to a change that
// was cut short, and playing it back gives the file as it was before. At any
// moment a crash or power cut thus leaves the old or the new file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "store/FileIO.h"

namespace jotanor {

// The journal of the file at `realFile` (links resolved): a hidden file in
// the same folder.
std::filesystem::path journalPath(const std::filesystem::path& realFile);

// Under the exclusive lock on `file`: plays back a whole journal and removes
// it; a torn journal, or anything else under its name, is removed unused.
// True when there was something to remove.
bool recoverJournal(FileSystem& fs, File& file, const std::filesystem::path& realFile);

// A piece of the new contents: bytes of its own, or (when it has none) the
// bytes [oldBegin, oldEnd) of the file as it was before the change.
struct TailPiece {
    std::uint64_t oldBegin = 0;
    std::uint64_t oldEnd = 0;
    std::vector<unsigned char> bytes;
};

// Under the exclusive lock on `file`, with no journal present: replaces the
// bytes from `from` to the end by the pieces, one after another. `old` holds
// the whole file as it is. On failure the file is rolled back as far as the
// system lets it, and what could not be undone is left to the journal; the
// IoError is rethrown.
void rewriteTail(FileSystem& fs, File& file, const std::filesystem::path& realFile, std::uint64_t from,
                 const std::vector<TailPiece>& tail, std::span<const unsigned char> old);

}  // namespace jotanor
