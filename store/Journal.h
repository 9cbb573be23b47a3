// The memo file's rollback journal. What must hold:
//
// 1. It gives no one more power over the diary than the file does: played
//    back only when all who may write it (bits, access list, root) may write
//    the file, judged on the descriptor opened and locked, which is then read.
// 2. It is born unreachable: nameless (or 0600) until exactly the file's
//    writers may read and write it; no one else, a reader included.
// 3. It belongs to one file in one state: its header names the file (device,
//    inode, birth time; without one, a digest of the bytes before the change
//    point, and a file in the whole old or new state is left as it is), and
//    the file is in a state the change could have left.
// 4. Nothing found by a name or mark is changed or removed before it is
//    proven such a journal; a stale one is copied into a file of the
//    opener's own. Messages name only remedies that keep the memos.
// 5. Its writer holds it locked until its name is gone, and first makes it
//    unusable through its own descriptor; the file's mark names it meanwhile.
// 6. It is hostile input: sizes checked without overflow, reads bounded.
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
// the change, the recipe's size (pieces and bytes of their own), a digest of
// the file's bytes before the change point, and a checksum over the rest of
// the header, the saved bytes as stored and the recipe (never 0; a byte of
// it cleared: used up). Then the saved bytes, packed: each run of zero
// bytes (most of a record is zero padding) stored as its length; then the
// recipe: a pair of numbers per piece (an old range, or kOwnBytes and a
// length), then the pieces' own bytes. All numbers little-endian. Version 4
// had no digest, version 3 neither a stored size (its saved bytes as they
// are); their journals are still played back.
struct JournalHeader {
    unsigned char version = kVersion;
    std::uint64_t device = 0, inode = 0, birth = 0;  // the file's identity
    std::uint64_t length = 0, offset = 0, count = 0, stored = 0, newLength = 0;
    std::uint64_t pieces = 0, own = 0;
    std::uint64_t prefix = 0;  // JournalDigest of the file's first `offset` bytes, where it has no birth time
    std::uint64_t checksum = 0;

    static constexpr std::array<unsigned char, 7> kMagic = {'J', 'o', 't', 'J', 'r', 'n', 'l'};
    static constexpr unsigned char kVersion = 5;
    static constexpr unsigned char kPackedVersion = 4;  // without the digest
    static constexpr unsigned char kPlainVersion = 3;   // the saved bytes unpacked
    static constexpr std::size_t kFields = 12;
    static constexpr std::size_t kSize = 8 + 8 * kFields;
    static constexpr std::size_t kChecksumAt = kSize - 8;
    using Bytes = std::array<unsigned char, kSize>;
    // The header's size on disk, by its version.
    std::size_t size() const { return kSize - 8 * (kVersion - version); }
};

// A 64-bit digest of bytes fed in pieces of a multiple of 8 bytes (the last
// one of any size).
class JournalDigest {
public:
    void add(std::span<const unsigned char> bytes);
    std::uint64_t value() const;

private:
    std::uint64_t h_ = 0x9E3779B185EBCA87ull;
    std::uint64_t n_ = 0;
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

// Whether everyone who may write a file like `journal` (its owner, the
// users and groups its bits and access list let write, others) may also
// write a file like `file`. `mayWriteFile(user)` tells whether that user may.
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
// removes it, removes a torn or used-up one, copies a stale one aside, and
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
