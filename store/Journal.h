// The memo file's rollback journal. What must hold:
//
// 1. A journal gives no one more power over the diary than the file does: it
//    is played back only when everyone who could have written it (its owner,
//    group and other bits, root) could also write the file, as the file
//    system shows them. It gets the file's group and the file's read and
//    write bits, so whoever may write the file may read it.
// 2. A journal belongs to one file: its header names the file's device,
//    inode and birth time, and the file must be in a state the change could
//    have left. Where the file system keeps no birth time, a journal is kept
//    aside and reported, never played back onto what may be another file.
// 3. What another program can write never steers the program: nothing found
//    by a name or through the file's mark is changed, moved or deleted before
//    it is proven to be a journal this program wrote for this file (a
//    journal beside the file, of this program's format and from a writer who
//    may write the file, counts as proven for removing a torn or used-up one
//    and for putting a stale one aside).
// 4. The writer holds the journal locked from its creation to the removal of
//    its name, and before that makes it unusable (its checksum cleared and
//    synced) through its own descriptor: a journal moved meanwhile counts as
//    torn, and what was reported stored stays stored.
// 5. The file's mark names the journal only while the journal exists; every
//    path that ends a change removes it.
// 6. A journal is hostile input: every size is checked without overflow
//    before use, nothing larger than the file could need is read, and what
//    its recipe builds is bounded by its header.
// 7. A journal set aside is its owner's alone and goes once its content is
//    known to be in the file.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "store/FileIO.h"

namespace jotanor {

// The header: magic and format version, the file it was written for, the
// file's length before the change, where the saved bytes go back, how many
// there are and how many bytes they take in the journal, the length after
// the change, the recipe's size (pieces and bytes of their own), and a
// checksum over the rest of the header, the saved bytes as stored and the
// recipe (never 0; a byte of it cleared: used up). Then the saved bytes,
// packed: each run of zero bytes (most of a record is zero padding) stored
// as its length; then the recipe: a pair of numbers per piece (an old
// range, or kOwnBytes and a length), then the pieces' own bytes. All
// numbers little-endian. Version 3 stored the saved bytes as they are and
// had no field for their stored size; its journals are still played back.
struct JournalHeader {
    unsigned char version = kVersion;
    std::uint64_t device = 0, inode = 0, birth = 0;  // the file's identity
    std::uint64_t length = 0, offset = 0, count = 0, stored = 0, newLength = 0;
    std::uint64_t pieces = 0, own = 0;
    std::uint64_t checksum = 0;

    static constexpr std::array<unsigned char, 7> kMagic = {'J', 'o', 't', 'J', 'r', 'n', 'l'};
    static constexpr unsigned char kVersion = 4;
    static constexpr unsigned char kPlainVersion = 3;  // the saved bytes unpacked
    static constexpr std::size_t kFields = 11;
    static constexpr std::size_t kSize = 8 + 8 * kFields;
    static constexpr std::size_t kChecksumAt = kSize - 8;
    static constexpr std::size_t kPlainSize = kSize - 8;
    using Bytes = std::array<unsigned char, kSize>;
    // The header's size on disk, by its version.
    std::size_t size() const { return version == kPlainVersion ? kPlainSize : kSize; }
};

// What a header's bytes are.
enum class HeaderKind { NotOurs, OtherVersion, Ours };

// Both versions are encoded as their layout has it (the older one for tests
// and the checksum of a journal of that version).
std::vector<unsigned char> encodeJournalHeader(const JournalHeader& h);
HeaderKind decodeJournalHeader(std::span<const unsigned char> bytes, JournalHeader& h);

// The saved bytes, and the new bytes from the change point on as the recipe
// in `body` (the bytes after the header) builds them; nothing when the body
// does not agree with the header, does not fit `fileBound` (the most bytes
// a journal of the file can need), or fails its checksum. Both are bounded
// by the header's lengths.
struct JournalBody {
    std::vector<unsigned char> saved;
    std::vector<unsigned char> fresh;
};
// `stored`: the saved bytes as the journal holds them.
std::uint64_t journalChecksum(const JournalHeader& h, std::span<const unsigned char> stored,
                              std::span<const unsigned char> recipe);
bool journalSizesAgree(const JournalHeader& h, std::uint64_t journalSize, std::uint64_t fileSize);
std::optional<JournalBody> decodeJournalBody(const JournalHeader& h, std::span<const unsigned char> body);

// The saved bytes packed, and unpacked again into exactly `count` bytes
// (nothing when `packed` does not make that many). A packed form is a
// series of items: the number of literal bytes and the number of zero
// bytes after them (LEB128), then the literal bytes. It is never more than
// kPackSlack bytes longer than what it packs.
void packZeros(std::span<const unsigned char> bytes, std::vector<unsigned char>& out);
std::optional<std::vector<unsigned char>> unpackZeros(std::span<const unsigned char> packed, std::uint64_t count);
inline constexpr std::uint64_t kPackSlack = 11;

// Whether everyone who could have written a file like `journal` could also
// write a file like `file`. `mayWriteFile(user)` tells whether that user
// may write `file`.
bool noMorePowerThanTheFile(const FileInfo& journal, const FileInfo& file,
                            const std::function<bool(std::int64_t user)>& mayWriteFile);

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
// removes it, removes a torn or used-up one, puts a stale one aside, and
// tells. Raises IoError when a journal from a trusted writer cannot be read.
void recoverJournal(FileSystem& fs, File& file, const std::filesystem::path& realFile, const Tell& tell = {});

// Without the right to write the file: its bytes as the playback of a
// journal that belongs would make them; nothing when the file is to be read
// as it is. Changes nothing on disk.
std::optional<std::vector<unsigned char>> recoveredBytes(FileSystem& fs, File& file,
                                                         const std::filesystem::path& realFile, const Tell& tell = {});

// A piece of the new contents: bytes of its own, or (when it has none) the
// bytes [oldBegin, oldEnd) of the file as it was before the change.
struct TailPiece {
    std::uint64_t oldBegin = 0;
    std::uint64_t oldEnd = 0;
    std::vector<unsigned char> bytes;
};

// Under the exclusive lock on `file`, after recoverJournal: replaces the
// bytes from `from` to the end by the pieces, one after another; old pieces
// lie at `from` or after it. `old` holds the whole file as it is. On failure
// the file is rolled back as far as the system lets it, and what could not
// be undone is left to the journal; the IoError is rethrown.
void rewriteTail(FileSystem& fs, File& file, const std::filesystem::path& realFile, std::uint64_t from,
                 const std::vector<TailPiece>& tail, std::span<const unsigned char> old);

}  // namespace jotanor
