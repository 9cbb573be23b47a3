// The memo file's rollback journal. A change writes the bytes it is about to
// overwrite, the file's length, and what it is going to write to a journal
// beside the file and makes it durable before it touches the file; once the
// file holds the change and is synced, the journal goes. A journal found
// later belongs to a change that was cut short, and playing it back gives the
// file as it was before. At any moment a crash or power cut thus leaves the
// old or the new file.
//
// A journal is played back only onto the file it was written for (the same
// file, not one put in its place) and only while the file is in a state that
// change could have left; it is trusted only from the file's owner or the
// user running the program, and only when no one else could have written
// it. Anything else under its name is kept aside under a name of its own and
// reported, never applied. Where the file system can keep a mark with the
// file itself, the mark names the journal, so that every name of the file,
// hard links in other folders included, finds it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "store/FileIO.h"

namespace jotanor {

// The journal of the file at `realFile` (links resolved): a hidden file in
// the same folder.
std::filesystem::path journalPath(const std::filesystem::path& realFile);

// Receives a message for the user (in Dutch) about a journal that was not
// played back.
using Tell = std::function<void(const std::string&)>;

// Whether a change cut short may have left a journal for the file: cheap,
// for every read.
bool journalPending(FileSystem& fs, File& file, const std::filesystem::path& realFile);

// Under the exclusive lock on `file`: plays back a journal that belongs and
// removes it; a torn one is removed unused; anything else is kept aside and
// told. Raises IoError when a journal another user may have written waits
// for that user, or the file's owner, to play it back.
void recoverJournal(FileSystem& fs, File& file, const std::filesystem::path& realFile, const Tell& tell = {});

// Without the right to write the file: its bytes as the playback of a
// journal that belongs would make them; nothing when the file is to be read
// as it is. Raises IoError as recoverJournal does.
std::optional<std::vector<unsigned char>> recoveredBytes(FileSystem& fs, File& file,
                                                         const std::filesystem::path& realFile, const Tell& tell = {});

// A piece of the new contents: bytes of its own, or (when it has none) the
// bytes [oldBegin, oldEnd) of the file as it was before the change.
struct TailPiece {
    std::uint64_t oldBegin = 0;
    std::uint64_t oldEnd = 0;
    std::vector<unsigned char> bytes;
};

// Under the exclusive lock on `file`, with no journal present: replaces the
// bytes from `from` to the end by the pieces, one after another; old pieces
// lie at `from` or after it. `old` holds the whole file as it is. On failure
// the file is rolled back as far as the system lets it, and what could not
// be undone is left to the journal; the IoError is rethrown.
void rewriteTail(FileSystem& fs, File& file, const std::filesystem::path& realFile, std::uint64_t from,
                 const std::vector<TailPiece>& tail, std::span<const unsigned char> old);

}  // namespace jotanor
