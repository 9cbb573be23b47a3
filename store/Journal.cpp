#include "store/Journal.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "store/Errors.h"

namespace jotanor {
namespace {

constexpr std::uint64_t kOwnBytes = ~std::uint64_t{0};
// The most one change adds to the file (a whole calendar of memos fits
// many times over): with the file's size it bounds what a journal may ask.
constexpr std::uint64_t kMaxGrowth = std::uint64_t{64} << 20;
constexpr const char* kChangedMeanwhile = "Een ander programma heeft het bestand intussen veranderd; probeer het opnieuw.";

// The header's fields in the order they are stored, after the magic, by
// version; the checksum last.
constexpr std::uint64_t JournalHeader::*kFieldOrder[] = {
    &JournalHeader::device, &JournalHeader::inode,  &JournalHeader::birth,     &JournalHeader::length,
    &JournalHeader::offset, &JournalHeader::count,  &JournalHeader::stored,    &JournalHeader::newLength,
    &JournalHeader::pieces, &JournalHeader::own,    &JournalHeader::prefix,    &JournalHeader::checksum,
};
constexpr std::uint64_t JournalHeader::*kPackedFieldOrder[] = {
    &JournalHeader::device, &JournalHeader::inode,  &JournalHeader::birth,     &JournalHeader::length,
    &JournalHeader::offset, &JournalHeader::count,  &JournalHeader::stored,    &JournalHeader::newLength,
    &JournalHeader::pieces, &JournalHeader::own,    &JournalHeader::checksum,
};
constexpr std::uint64_t JournalHeader::*kPlainFieldOrder[] = {
    &JournalHeader::device, &JournalHeader::inode,     &JournalHeader::birth,  &JournalHeader::length,
    &JournalHeader::offset, &JournalHeader::count,     &JournalHeader::newLength, &JournalHeader::pieces,
    &JournalHeader::own,    &JournalHeader::checksum,
};
static_assert(std::size(kFieldOrder) == JournalHeader::kFields && std::size(kPackedFieldOrder) + 1 == JournalHeader::kFields &&
              std::size(kPlainFieldOrder) + 2 == JournalHeader::kFields);
static_assert(JournalHeader::kSize == 104 && JournalHeader::kChecksumAt == 96,
              "the layout on disk: 8 bytes of magic and version, then twelve 64-bit numbers (version 4: eleven, "
              "without the digest; version 3: ten, without the stored size either), the checksum last");

void putU64(unsigned char* at, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) at[i] = static_cast<unsigned char>(v >> (8 * i));
}

std::uint64_t getU64(const unsigned char* at) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | at[i];
    return v;
}

std::span<std::uint64_t JournalHeader::* const> fieldsOf(unsigned char version) {
    if (version == JournalHeader::kPlainVersion) return kPlainFieldOrder;
    if (version == JournalHeader::kPackedVersion) return kPackedFieldOrder;
    return kFieldOrder;
}

}  // namespace

std::vector<unsigned char> encodeJournalHeader(const JournalHeader& h) {
    std::vector<unsigned char> out(h.size());
    std::copy(JournalHeader::kMagic.begin(), JournalHeader::kMagic.end(), out.begin());
    out[7] = h.version;
    const auto fields = fieldsOf(h.version);
    for (std::size_t k = 0; k < fields.size(); ++k) putU64(&out[8 + 8 * k], h.*fields[k]);
    return out;
}

HeaderKind decodeJournalHeader(std::span<const unsigned char> bytes, JournalHeader& h) {
    if (bytes.size() < 8 || !std::equal(JournalHeader::kMagic.begin(), JournalHeader::kMagic.end(), bytes.begin()))
        return HeaderKind::NotOurs;
    if (bytes[7] < JournalHeader::kPlainVersion || bytes[7] > JournalHeader::kVersion) return HeaderKind::OtherVersion;
    h.version = bytes[7];
    if (bytes.size() < h.size()) return HeaderKind::NotOurs;
    const auto fields = fieldsOf(h.version);
    for (std::size_t k = 0; k < fields.size(); ++k) h.*fields[k] = getU64(&bytes[8 + 8 * k]);
    if (h.version == JournalHeader::kPlainVersion) h.stored = h.count;
    if (h.version < JournalHeader::kVersion) h.prefix = 0;
    return HeaderKind::Ours;
}

namespace {

// A zero run shorter than this stays among the literal bytes: an item's
// two numbers take at most 20 bytes, so no item makes the packed form
// longer, and only the last (its zero count 0) may add up to kPackSlack.
constexpr std::size_t kMinZeroRun = 20;

unsigned char* putVarint(unsigned char* out, std::uint64_t v) {
    for (; v >= 0x80; v >>= 7) *out++ = static_cast<unsigned char>(v | 0x80);
    *out++ = static_cast<unsigned char>(v);
    return out;
}

// A LEB128 number taken from the front of `in`; false when it is cut off
// or does not fit 64 bits.
bool takeVarint(std::span<const unsigned char>& in, std::uint64_t& v) {
    v = 0;
    for (unsigned shift = 0; shift < 64; shift += 7) {
        if (in.empty()) return false;
        const unsigned char b = in.front();
        in = in.subspan(1);
        if (shift == 63 && b > 1) return false;
        v |= std::uint64_t{b & 0x7Fu} << shift;
        if (!(b & 0x80)) return true;
    }
    return false;
}

void putItem(std::vector<unsigned char>& out, const unsigned char* literal, std::size_t n, std::uint64_t zeros) {
    const std::size_t at = out.size();
    out.resize(at + 20 + n);
    unsigned char* to = putVarint(putVarint(out.data() + at, n), zeros);
    if (n > 0) std::memcpy(to, literal, n);
    out.resize(static_cast<std::size_t>(to - out.data()) + n);
}

// Eight bytes as a little-endian word: the first byte lowest.
std::uint64_t word(const unsigned char* at) {
    if constexpr (std::endian::native != std::endian::little) return getU64(at);
    std::uint64_t w;
    std::memcpy(&w, at, 8);
    return w;
}

// The position in `w` of its first zero byte, or 8.
unsigned firstZero(std::uint64_t w) {
    const std::uint64_t low = (w - 0x0101010101010101ull) & ~w & 0x8080808080808080ull;
    return static_cast<unsigned>(std::countr_zero(low)) / 8;
}

// The position of its first byte that is not zero, or 8.
unsigned firstNonZero(std::uint64_t w) { return static_cast<unsigned>(std::countr_zero(w)) / 8; }

}  // namespace

void packZeros(std::span<const unsigned char> bytes, std::vector<unsigned char>& out) {
    const unsigned char* p = bytes.data();
    const std::size_t n = bytes.size();
    std::size_t literal = 0;  // where the literal bytes not yet put out begin
    for (std::size_t i = 0; i < n;) {
        // The next zero byte, eight bytes at a time, then how many follow.
        for (unsigned k = 8; k == 8 && i + 8 <= n; i += k) k = firstZero(word(p + i));
        while (i < n && p[i] != 0) ++i;
        if (i == n) break;
        const std::size_t begin = i;
        for (unsigned k = 8; k == 8 && i + 8 <= n; i += k) k = firstNonZero(word(p + i));
        while (i < n && p[i] == 0) ++i;
        if (i - begin >= kMinZeroRun) {
            putItem(out, p + literal, begin - literal, i - begin);
            literal = i;
        }
    }
    if (literal < n) putItem(out, p + literal, n - literal, 0);
}

std::optional<std::vector<unsigned char>> unpackZeros(std::span<const unsigned char> packed, std::uint64_t count) {
    // First only the numbers: nothing is made unless the items are whole and
    // make exactly `count` bytes.
    auto items = [&packed, count](const auto& item) {
        std::span<const unsigned char> in = packed;
        std::uint64_t made = 0;
        while (!in.empty()) {
            std::uint64_t literal = 0, zeros = 0;
            if (!takeVarint(in, literal) || !takeVarint(in, zeros)) return false;
            const std::uint64_t room = count - made;
            if (literal > in.size() || literal > room || zeros > room - literal) return false;
            item(in.first(static_cast<std::size_t>(literal)), static_cast<std::size_t>(zeros));
            in = in.subspan(static_cast<std::size_t>(literal));
            made += literal + zeros;
        }
        return made == count;
    };
    if (!items([](std::span<const unsigned char>, std::size_t) {})) return std::nullopt;
    std::vector<unsigned char> out;
    out.reserve(static_cast<std::size_t>(count));
    items([&out](std::span<const unsigned char> literal, std::size_t zeros) {
        out.insert(out.end(), literal.begin(), literal.end());
        out.resize(out.size() + zeros);
    });
    return out;
}

namespace {

constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;

constexpr std::uint64_t rotl(std::uint64_t v, int by) { return (v << by) | (v >> (64 - by)); }

// A 64-bit checksum, enough to tell a whole journal from a torn or damaged
// one: four lanes over 8-byte words of the saved bytes, so that a journal of
// many megabytes costs little next to writing it. Never 0, which marks a
// journal that is used up.
std::uint64_t checksum(const JournalHeader& header, std::span<const unsigned char> data,
                       std::span<const unsigned char> recipe) {
    const auto bytes = encodeJournalHeader(header);
    const auto fields = std::span(bytes).subspan(8, header.size() - 16);
    std::uint64_t lane[4] = {kPrime1, kPrime2, ~kPrime1, ~kPrime2};
    std::size_t i = 0;
    for (; i + 32 <= data.size(); i += 32) {
        for (int k = 0; k < 4; ++k) {
            std::uint64_t word;
            std::memcpy(&word, data.data() + i + 8 * k, 8);
            lane[k] = rotl(lane[k] + word * kPrime2, 31) * kPrime1;
        }
    }
    std::uint64_t h = rotl(lane[0], 1) + rotl(lane[1], 7) + rotl(lane[2], 12) + rotl(lane[3], 18);
    h ^= data.size() * kPrime2;
    for (auto rest : {data.subspan(i), recipe, fields})
        for (unsigned char c : rest) h = (h ^ c) * 0x100000001b3ull;
    return h == 0 ? 1 : h;
}

}  // namespace

void JournalDigest::add(std::span<const unsigned char> bytes) {
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) h_ = rotl(h_ + word(bytes.data() + i) * kPrime2, 31) * kPrime1;
    for (; i < bytes.size(); ++i) h_ = (h_ ^ bytes[i]) * 0x100000001b3ull;
    n_ += bytes.size();
}

std::uint64_t JournalDigest::value() const { return (h_ ^ n_ * kPrime2) * kPrime1; }

std::uint64_t journalChecksum(const JournalHeader& h, std::span<const unsigned char> stored,
                              std::span<const unsigned char> recipe) {
    return checksum(h, stored, recipe);
}

bool journalSizesAgree(const JournalHeader& h, std::uint64_t journalSize, std::uint64_t fileSize) {
    const std::uint64_t most = std::numeric_limits<std::uint64_t>::max();
    const std::uint64_t bound = fileSize > most - kMaxGrowth ? most : fileSize + kMaxGrowth;
    if (h.length > bound || h.newLength > bound || h.offset > h.length || h.count != h.length - h.offset ||
        h.newLength < h.offset || journalSize < h.size())
        return false;
    // The saved bytes take as many bytes as they are, or packed, hardly more.
    if (h.version == JournalHeader::kPlainVersion ? h.stored != h.count
                                                  : h.stored > h.count && h.stored - h.count > kPackSlack)
        return false;
    // The rest of the journal is the saved bytes, the pairs and the own
    // bytes, exactly; the recipe is no larger than the file could need.
    std::uint64_t rest = journalSize - h.size();
    if (h.stored > rest) return false;
    rest -= h.stored;
    if (rest > bound || h.pieces > rest / 16) return false;
    rest -= 16 * h.pieces;
    return h.own == rest && h.own <= h.newLength - h.offset;
}

std::optional<JournalBody> decodeJournalBody(const JournalHeader& h, std::span<const unsigned char> body) {
    // The caller checked the sizes against the journal's; they are checked
    // again here so that no call can read past the body or make more than
    // the header says.
    if (h.stored > body.size() || h.pieces > (body.size() - h.stored) / 16 ||
        h.own != body.size() - h.stored - 16 * h.pieces || h.offset > h.length || h.newLength < h.offset ||
        h.count != h.length - h.offset || (h.version == JournalHeader::kPlainVersion && h.stored != h.count))
        return std::nullopt;
    const auto stored = body.subspan(0, static_cast<std::size_t>(h.stored));
    const auto recipe = body.subspan(static_cast<std::size_t>(h.stored));
    if (h.checksum == 0 || checksum(h, stored, recipe) != h.checksum) return std::nullopt;
    JournalBody out;
    if (h.version == JournalHeader::kPlainVersion) {
        out.saved.assign(stored.begin(), stored.end());
    } else {
        auto saved = unpackZeros(stored, h.count);
        if (!saved) return std::nullopt;
        out.saved = std::move(*saved);
    }
    const std::uint64_t wanted = h.newLength - h.offset;
    const auto pairs = recipe.subspan(0, static_cast<std::size_t>(16 * h.pieces));
    auto own = recipe.subspan(static_cast<std::size_t>(16 * h.pieces));
    for (std::size_t k = 0; k < pairs.size(); k += 16) {
        const std::uint64_t a = getU64(&pairs[k]);
        const std::uint64_t b = getU64(&pairs[k + 8]);
        const std::uint64_t room = wanted - out.fresh.size();
        if (a == kOwnBytes) {
            if (b > own.size() || b > room) return std::nullopt;
            out.fresh.insert(out.fresh.end(), own.begin(), own.begin() + static_cast<std::ptrdiff_t>(b));
            own = own.subspan(static_cast<std::size_t>(b));
        } else {
            if (a < h.offset || b < a || b > h.length || b - a > room) return std::nullopt;
            const auto from = out.saved.begin() + static_cast<std::ptrdiff_t>(a - h.offset);
            out.fresh.insert(out.fresh.end(), from, from + static_cast<std::ptrdiff_t>(b - a));
        }
    }
    if (!own.empty() || out.fresh.size() != wanted) return std::nullopt;
    return out;
}

bool noMorePowerThanTheFile(const FileInfo& journal, const FileInfo& file,
                            const std::function<bool(std::int64_t user)>& mayWriteFile) {
    // Without owners (Windows, some network file systems) the folder's
    // access decides for both alike.
    if (journal.owner < 0 || file.owner < 0) return true;
    if (othersWrite(file)) return true;  // anyone may write the file
    if (othersWrite(journal)) return false;
    const auto userMay = [&](std::int64_t user) { return user == 0 || user == file.owner || mayWriteFile(user); };
    if (owningGroupWrites(journal) && !groupEntriesWrite(file, journal.group)) return false;
    const unsigned mask = journal.mode >> 3;
    for (const AccessEntry& e : journal.named)
        if ((e.perms & mask & 2) && !(e.group ? groupEntriesWrite(file, e.id) : userMay(e.id))) return false;
    return userMay(journal.owner);
}

std::filesystem::path journalPath(const std::filesystem::path& realFile) {
    std::filesystem::path name = ".";
    name += realFile.filename();
    name += ".journal";
    return realFile.parent_path() / name;
}

namespace {

std::string text(const std::filesystem::path& path) {
    const std::u8string u = path.u8string();
    return std::string(u.begin(), u.end());
}

// What was found under a journal's name, opened and locked where it was
// read, and what it says.
struct Found {
    enum Kind {
        Nothing,
        Blocked,     // not shown to be this program's, from writers who may all write the file: never touched
        Unreadable,  // this user may not read it
        Torn,        // this program's, incomplete or used up
        Stale,       // this program's and whole, but not for this file or state
        Belongs,
    } kind = Nothing;
    std::filesystem::path path;
    FileInfo seen;               // as its descriptor tells, once opened
    bool ours = false;           // of this program's format (Blocked: the writers are the obstacle)
    bool identified = false;     // the header names this very file
    bool contentInFile = false;  // the file holds its old or its new state
    std::string why;             // Stale: why it is not played back
    JournalHeader h;
    std::vector<unsigned char> saved;
    std::unique_ptr<File> journal;
};

// The digest of the file's first `n` bytes; nothing when it is shorter.
std::optional<std::uint64_t> digestOf(File& file, std::uint64_t n) {
    if (file.size() < n) return std::nullopt;
    constexpr std::size_t kChunk = 1 << 20;
    JournalDigest digest;
    std::vector<unsigned char> now;
    for (std::uint64_t at = 0; at < n; at += now.size()) {
        now.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, n - at)));
        file.readAt(at, now.data(), now.size());
        digest.add(now);
    }
    return digest.value();
}

// Whether the file's bytes from `at` on, and its length, are `tail`.
bool fileEnds(File& file, std::uint64_t at, std::span<const unsigned char> tail) {
    if (file.size() != at + tail.size()) return false;
    constexpr std::size_t kChunk = 1 << 20;
    std::vector<unsigned char> now;
    for (std::size_t done = 0; done < tail.size(); done += now.size()) {
        now.resize(std::min(kChunk, tail.size() - done));
        file.readAt(at + done, now.data(), now.size());
        if (!std::equal(now.begin(), now.end(), tail.begin() + static_cast<std::ptrdiff_t>(done))) return false;
    }
    return true;
}

// Whether the file is in a state the change, or a playback of it cut short,
// could have left: from the change point on, every byte is the old one or
// the new one (or, past the shorter of the two, a hole not yet written), and
// its length lies between the two.
bool changeCouldHaveLeft(File& file, const JournalHeader& h, std::span<const unsigned char> saved,
                         std::span<const unsigned char> next) {
    const std::uint64_t size = file.size();
    if (size < std::min(h.length, h.newLength) || size > std::max(h.length, h.newLength)) return false;
    constexpr std::size_t kChunk = 1 << 20;
    std::vector<unsigned char> now;
    for (std::uint64_t at = h.offset; at < size; at += now.size()) {
        now.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, size - at)));
        file.readAt(at, now.data(), now.size());
        for (std::size_t k = 0; k < now.size(); ++k) {
            const std::uint64_t i = at + k - h.offset;
            const bool old = at + k < h.length && now[k] == saved[i];
            const bool fresh = i < next.size() && now[k] == next[i];
            const bool hole = now[k] == 0 && at + k >= std::min(h.length, h.newLength);
            if (!old && !fresh && !hole) return false;
        }
    }
    return true;
}

// Who wrote it: everyone who could have written it may write the file.
bool whoWroteItMayWriteTheFile(FileSystem& fs, const FileInfo& seen, const FileInfo& memo) {
    return noMorePowerThanTheFile(seen, memo, [&](std::int64_t user) { return fs.userMayWrite(user, memo); });
}

// What it says: a whole journal of this program's format, or torn.
void readWhatItSays(File& file, const FileInfo& memo, Found& found) {
    File& journal = *found.journal;
    const std::uint64_t size = journal.size();
    std::array<unsigned char, JournalHeader::kSize> header{};
    const std::size_t got = static_cast<std::size_t>(std::min<std::uint64_t>(size, header.size()));
    if (got > 0) journal.readAt(0, header.data(), got);
    const std::span<const unsigned char> start(header.data(), got);
    found.kind = Found::Torn;
    found.ours = true;
    switch (decodeJournalHeader(start, found.h)) {
    case HeaderKind::OtherVersion:
        found.kind = Found::Stale;
        found.why = "het is geschreven door een andere versie van het programma";
        return;
    case HeaderKind::NotOurs: {
        // What a crash leaves while the journal is made: a header not yet
        // written (empty, or zeros where a later write landed first), or
        // the start of the magic; anything else is not this program's.
        const std::size_t magic = std::min(start.size(), JournalHeader::kMagic.size());
        const bool begun = std::equal(start.begin(), start.begin() + static_cast<std::ptrdiff_t>(magic),
                                      JournalHeader::kMagic.begin());
        const bool blank = std::all_of(start.begin(), start.end(), [](unsigned char c) { return c == 0; });
        found.ours = false;  // nothing shows it is this program's, nor that it is not
        if (!blank && !(got == size && begun)) found.kind = Found::Blocked;
        return;
    }
    case HeaderKind::Ours: break;
    }
    const JournalHeader& h = found.h;
    found.identified = h.device == memo.device && h.inode == memo.inode && h.birth == memo.birth;
    // The sizes agree, and no more than the file could need is read.
    if (h.checksum == 0 || !journalSizesAgree(h, size, file.size())) return;
    std::vector<unsigned char> body(static_cast<std::size_t>(size - h.size()));
    if (!body.empty()) journal.readAt(h.size(), body.data(), body.size());
    auto decoded = decodeJournalBody(h, body);
    if (!decoded) return;
    found.saved = std::move(decoded->saved);
    const auto& fresh = decoded->fresh;

    // Whether it belongs: to this very file, in a state it could have left.
    // Without a birth time the header cannot tell this file from one that
    // took its inode: the bytes before the change point must be the ones
    // the change found, and a file that holds the whole old or new state is
    // left as it is.
    found.contentInFile = fileEnds(file, h.offset, found.saved) || fileEnds(file, h.offset, fresh);
    found.kind = Found::Stale;
    if (!found.identified)
        found.why = "het hoort bij een ander bestand, dat hier is neergezet";
    else if (memo.birth == 0 && (h.version < JournalHeader::kVersion || digestOf(file, h.offset) != h.prefix))
        found.why = "dit bestandssysteem houdt niet bij wanneer een bestand gemaakt is, en het begin van het bestand "
                    "is niet meer wat de wijziging vond; het bestand kan half gewijzigd zijn";
    else if (!changeCouldHaveLeft(file, h, found.saved, fresh))
        found.why = "het bestand is daarna door een ander veranderd";
    else if (memo.birth != 0 || !found.contentInFile)
        found.kind = Found::Belongs;
}

// Whether the journal's header names the file `memo`.
bool namesTheFile(File& journal, const FileInfo& memo) {
    JournalHeader::Bytes bytes{};
    const auto got = static_cast<std::size_t>(std::min<std::uint64_t>(journal.size(), bytes.size()));
    if (got > 0) journal.readAt(0, bytes.data(), got);
    JournalHeader h;
    return decodeJournalHeader(std::span(bytes).first(got), h) == HeaderKind::Ours && h.device == memo.device && h.inode == memo.inode &&
           h.birth == memo.birth;
}

// Opens what lies under the name `path` and decides, on what was opened
// and locked, what it is for the file `file` (`memo` tells what the system
// knows of it). Through the mark, only a journal whose header names this
// file is looked at further.
Found examine(FileSystem& fs, File& file, const FileInfo& memo, const std::filesystem::path& path,
              bool throughMark = false) {
    Found found;
    found.path = path;
    // The name's look only keeps links, folders and devices from being
    // opened, and names an owner in a message; nothing is trusted by it.
    const auto named = fs.info(path, false);
    if (!named) return found;
    found.seen = *named;
    found.kind = Found::Blocked;
    if (!named->regular) return found;
    // Opened never through a link.
    try {
        found.journal = fs.open(path, OpenMode::OwnReadOnly);
    } catch (const IoError& e) {
        // Gone meanwhile; not to be read by this user; a link put in its
        // place meanwhile. Anything else is a failure of its own.
        if (e.code() == kFileNotFound) found.kind = Found::Nothing;
        else if (e.code() == kAccessDenied && e.reason().empty() && whoWroteItMayWriteTheFile(fs, *named, memo))
            found.kind = Found::Unreadable;
        else if (e.code() != kInvalidFilename && e.code() != kAccessDenied) throw;
        return found;
    }
    if (throughMark && !namesTheFile(*found.journal, memo)) return found;
    // Its writer holds it locked until its name is gone: a journal still
    // being made is waited for.
    try {
        found.journal->lock(LockKind::Shared);
    } catch (const IoError& e) {
        if (e.code() != kAccessDenied || !e.reason().empty()) throw;
        throw IoError(kAccessDenied, path, "Een andere wijziging van dit bestand is nog bezig; probeer het zo opnieuw.");
    }
    found.seen = found.journal->info();
    const auto now = fs.info(path, false);
    if (!now || !now->sameFile(found.seen)) {
        found.kind = Found::Nothing;  // gone, or replaced, while it was waited for
        return found;
    }
    readWhatItSays(file, memo, found);
    if (found.kind != Found::Blocked && !whoWroteItMayWriteTheFile(fs, found.seen, memo)) found.kind = Found::Blocked;
    return found;
}

// The journals that may belong to the file: the one beside this name, and
// the one its mark names (beside another of its names).
std::optional<std::filesystem::path> marked(FileSystem& fs, File& file, const std::filesystem::path& own) {
    const auto mark = file.mark();
    if (!mark) return std::nullopt;
    std::filesystem::path other(std::u8string(mark->begin(), mark->end()));
    if (other == own || !other.filename().string().ends_with(".journal") || !fs.exists(other)) return std::nullopt;
    return other;
}

// A user the system knows no account of (a deleted one, or one of a
// sandbox or another machine) is named by number.
bool hasAccount(FileSystem& fs, std::int64_t user) { return fs.userName(user) != std::to_string(user); }

std::string nameOf(FileSystem& fs, std::int64_t user) {
    if (user < 0) return "een ander programma";
    if (!hasAccount(fs, user)) return "gebruiker nummer " + std::to_string(user) + ", die hier geen account heeft";
    return fs.userName(user);
}

std::string ownerOf(FileSystem& fs, const Found& found) { return nameOf(fs, found.seen.owner); }

// What is true of a journal that is not used, and only remedies that keep
// its memos: a journal of this program is never called another's, and
// removing it is advised only where the file holds its old or new state.
std::string blockedText(FileSystem& fs, const Found& found, const std::filesystem::path& realFile,
                        const FileInfo& memo) {
    const std::string owner = ownerOf(fs, found);
    const std::string what = "Naast " + text(realFile) + " staat " + text(found.path) + ", van " + owner + ". ";
    const std::string unused = ", dus het wordt niet gebruikt en niet weggehaald; zolang het er staat, kan het "
                               "bestand gelezen maar niet gewijzigd worden.";
    if (!found.seen.regular || (found.journal && !found.ours))
        return what + "Het is geen bruikbaar journaal van dit programma" + unused + " Laat " + owner +
               " (of de beheerder) het verwijderen of verplaatsen.";
    const std::int64_t writer = found.seen.owner;
    std::string why = "meer gebruikers mogen het wijzigen dan het bestand";
    if (writer >= 0 && !hasAccount(fs, writer))
        why = "niets toont dat die gebruiker het bestand mag wijzigen";
    else if (writer > 0 && writer != memo.owner && !fs.userMayWrite(writer, memo))
        why = owner + " mag het bestand niet (meer) wijzigen";
    std::string out = what + (found.journal ? "Het is een journaal van dit programma, maar " : "U mag het niet lezen, en ") +
                      why + unused +
                      " Mocht de schrijver het bestand wijzigen toen het journaal ontstond (als lid van de groep "
                      "van het bestand, bijvoorbeeld), dan kan de beheerder het journaal aan de eigenaar van het "
                      "bestand geven (chown) en het voor anderen alleen-lezen maken; bij het volgende openen wordt de "
                      "afgebroken wijziging dan afgemaakt.";
    if (!found.journal) return out;
    if (found.contentInFile)
        return out + " Het bestand bevat de toestand van voor of na die wijziging, dus het mag ook verwijderd worden.";
    return out + " Verwijder het niet: de memo's van voor de wijziging staan erin.";
}

[[noreturn]] void unreadable(FileSystem& fs, const Found& found, const std::filesystem::path& realFile) {
    throw IoError(kAccessDenied, realFile,
                  "Een wijziging door " + ownerOf(fs, found) + " is halverwege afgebroken (" + text(found.path) +
                      "), en u mag dat journaal niet lezen. Laat " + ownerOf(fs, found) +
                      " (of de beheerder) het bestand openen, dan wordt de wijziging teruggezet; tot dan wordt het "
                      "bestand niet gelezen of gewijzigd.");
}

std::filesystem::path keptName(const std::filesystem::path& journal, int n) {
    std::filesystem::path kept = journal;
    kept += n == 1 ? std::string(".bewaard") : ".bewaard" + std::to_string(n);
    return kept;
}

// Removes the name of a journal that was examined, once it is certain the
// name still leads to it. False where this user may not remove it.
bool removeIfAllowed(FileSystem& fs, const Found& found) {
    const auto now = fs.info(found.path, false);
    if (!now || !now->sameFile(found.journal->info())) return true;
    try {
        fs.remove(found.path);
    } catch (const IoError& e) {
        if (e.code() != kAccessDenied) throw;
        return false;  // a folder with the sticky bit lets only the journal's owner remove it
    }
    fs.syncFolder(found.path.parent_path());
    return true;
}

void removeExamined(FileSystem& fs, const Found& found) {
    if (!removeIfAllowed(fs, found))
        throw IoError(kAccessDenied, found.path,
                      "Het journaal van " + ownerOf(fs, found) +
                          " is gebruikt, maar u mag het niet weghalen. Laat " + ownerOf(fs, found) +
                          " (of de beheerder) het verwijderen; tot dan kan het bestand gelezen maar niet gewijzigd "
                          "worden.");
}

// Copies a stale journal into a new file of this user's own, readable by
// no one else, and removes the original where this user may. Never takes
// the original over: its owner and access stay as they were. Says where it
// is.
std::string copyAside(FileSystem& fs, Found& found, const FileInfo& memo) {
    const std::string stays = "Het staat nog als " + text(found.path) + ".";
    if (found.journal->size() > memo.size + kMaxGrowth + JournalHeader::kSize) return stays;
    const auto bytes = found.journal->readAll();
    std::filesystem::path kept;
    for (int n = 1; n < 10 && kept.empty(); ++n) {
        const auto name = keptName(found.path, n);
        try {
            if (!fs.exists(name)) {
                FileInfo mine;
                mine.owner = fs.currentUser();
                mine.mode = 0600;
                auto copy = fs.createPrivate(name, mine);
                if (!bytes.empty()) copy->writeAt(0, bytes.data(), bytes.size());
                copy->sync();
                copy->close();
                fs.syncFolder(name.parent_path());
                kept = name;
            } else if (const auto earlier = fs.open(name, OpenMode::OwnReadOnly);
                       earlier->size() == bytes.size() && earlier->readAll() == bytes) {
                kept = name;  // copied at an earlier open
            }
        } catch (const IoError&) {
            // Left where it is; it is not played back either way.
        }
    }
    if (kept.empty()) return stays;
    std::string out = "Een kopie staat in " + text(kept);
    const auto copy = fs.info(kept, false);
    if (copy && copy->owner >= 0 && copy->owner == fs.currentUser() && (copy->mode & 0077) == 0)
        out += ", alleen leesbaar voor " + nameOf(fs, copy->owner);
    if (removeIfAllowed(fs, found)) return out + ".";
    return out + ". Het journaal zelf blijft staan, want u mag het niet weghalen; zolang het er staat, kan het "
                 "bestand gelezen maar niet gewijzigd worden. Laat " + ownerOf(fs, found) +
           " (of de beheerder) het weghalen: de kopie bewaart wat erin staat.";
}

// Tells of a stale journal, copied aside where this user may write the file.
void keepAside(FileSystem& fs, Found& found, const std::filesystem::path& realFile, const Tell& tell,
               const FileInfo& memo, bool mayWrite) {
    const std::string where = mayWrite ? copyAside(fs, found, memo) : "Het staat nog als " + text(found.path) + ".";
    if (tell) tell("Een journaal bij " + text(realFile) + " is niet teruggezet: " + found.why + ". " + where);
}

void putBack(File& file, const JournalHeader& h, std::span<const unsigned char> saved) {
    if (!saved.empty()) file.writeAt(h.offset, saved.data(), saved.size());
    file.truncate(h.length);
    file.sync();
}

// Copies put aside earlier beside the file: each goes once what it holds
// is in the file.
void dropKeptAside(FileSystem& fs, File& file, const FileInfo& memo, const std::filesystem::path& own) {
    for (int n = 1; n < 10; ++n) {
        const auto kept = keptName(own, n);
        if (!fs.exists(kept)) continue;
        Found found = examine(fs, file, memo, kept);
        if (found.kind == Found::Torn || (found.kind == Found::Stale && found.contentInFile)) removeExamined(fs, found);
    }
}

}  // namespace

bool journalPending(FileSystem& fs, File& file, const std::filesystem::path& realFile) {
    const auto own = journalPath(realFile);
    return fs.exists(own) || marked(fs, file, own).has_value();
}

void recoverJournal(FileSystem& fs, File& file, const std::filesystem::path& realFile, const Tell& tell) {
    const auto own = journalPath(realFile);
    const FileInfo memo = file.info();
    if (fs.exists(own)) {
        Found found = examine(fs, file, memo, own);
        switch (found.kind) {
        case Found::Nothing: break;
        case Found::Blocked:
            if (tell) tell(blockedText(fs, found, realFile, memo));
            break;
        case Found::Unreadable: unreadable(fs, found, realFile);
        case Found::Belongs: putBack(file, found.h, found.saved); [[fallthrough]];
        case Found::Torn: removeExamined(fs, found); break;
        case Found::Stale:
            if (found.contentInFile)
                removeExamined(fs, found);
            else
                keepAside(fs, found, realFile, tell, memo, true);
            break;
        }
    }
    // Through the mark, only a journal that names this very file is used.
    if (const auto other = marked(fs, file, own)) {
        Found found = examine(fs, file, memo, *other, true);
        if (found.identified && found.kind == Found::Belongs) putBack(file, found.h, found.saved);
        if (found.identified && (found.kind == Found::Belongs || found.kind == Found::Torn)) removeExamined(fs, found);
    }
    if (file.mark()) file.setMark(std::nullopt);
    dropKeptAside(fs, file, memo, own);
}

std::optional<std::vector<unsigned char>> recoveredBytes(FileSystem& fs, File& file,
                                                         const std::filesystem::path& realFile, const Tell& tell) {
    const auto own = journalPath(realFile);
    const FileInfo memo = file.info();
    std::vector<Found> found;
    if (fs.exists(own)) found.push_back(examine(fs, file, memo, own));
    if (const auto other = marked(fs, file, own)) {
        Found f = examine(fs, file, memo, *other, true);
        if (f.identified) found.push_back(std::move(f));
    }
    for (Found& f : found) {
        switch (f.kind) {
        case Found::Blocked:
            if (tell) tell(blockedText(fs, f, realFile, memo));
            break;
        case Found::Unreadable: unreadable(fs, f, realFile);
        case Found::Stale:
            if (!f.contentInFile) keepAside(fs, f, realFile, tell, memo, false);
            break;
        case Found::Belongs: {
            std::vector<unsigned char> bytes(static_cast<std::size_t>(f.h.offset));
            if (!bytes.empty()) file.readAt(0, bytes.data(), bytes.size());
            bytes.insert(bytes.end(), f.saved.begin(), f.saved.end());
            return bytes;
        }
        default: break;
        }
    }
    return std::nullopt;
}

namespace {

// Writes the pieces in place from `from` on and returns where they end.
// Old bytes come from `old`, a copy of the file read before the change, so
// the order of the writes does not matter: each piece goes straight from
// its bytes to the file, in chunks, and a piece that stays where it was is
// not written at all.
std::uint64_t writePieces(File& file, std::uint64_t from, const std::vector<TailPiece>& tail,
                          std::span<const unsigned char> old) {
    constexpr std::size_t kChunk = 4 << 20;
    std::uint64_t at = from;
    for (const TailPiece& piece : tail) {
        const bool own = !piece.bytes.empty();
        const unsigned char* data = own ? piece.bytes.data() : old.data() + piece.oldBegin;
        const auto n = static_cast<std::size_t>(own ? piece.bytes.size() : piece.oldEnd - piece.oldBegin);
        if (own || piece.oldBegin != at)
            for (std::size_t done = 0; done < n; done += std::min(n - done, kChunk))
                file.writeAt(at + done, data + done, std::min(n - done, kChunk));
        at += n;
    }
    return at;
}

}  // namespace

namespace {

// The journal of a change under way: created fresh, locked until its name
// is gone, and removed only through what it is.
class Writing {
public:
    Writing(FileSystem& fs, File& file, std::filesystem::path path) : fs_(fs), file_(file), path_(std::move(path)) {}
    ~Writing() {
        if (journal_) drop();
    }
    Writing(const Writing&) = delete;
    Writing& operator=(const Writing&) = delete;

    // Creates the journal, empty and locked, with the file's writers as
    // its only readers and writers.
    void create(const FileInfo& memo, const std::filesystem::path& realFile) {
        try {
            journal_ = fs_.createPrivate(path_, memo);
        } catch (const IoError&) {
            if (!fs_.exists(path_)) throw;
            // Named by what recoverJournal left there and told of.
            const auto seen = fs_.info(path_, false);
            const std::string owner =
                seen && seen->owner >= 0 ? fs_.userName(seen->owner) : std::string("een ander programma");
            throw IoError(kAccessDenied, realFile,
                          "De naam " + text(path_) + " is bezet door een bestand van " + owner +
                              " dat dit programma niet gebruikt of weghaalt; zolang het er staat, kan het bestand "
                              "niet gewijzigd worden. Laat " + owner +
                              " (of de beheerder) het verplaatsen, of verwijderen waar de melding erover dat zegt.");
        }
    }

    // Writes the journal and makes it durable with its name.
    void write(std::span<const unsigned char> header, std::span<const unsigned char> stored,
               std::span<const unsigned char> recipe) {
        journal_->writeAt(0, header.data(), header.size());
        if (!stored.empty()) journal_->writeAt(header.size(), stored.data(), stored.size());
        journal_->writeAt(header.size() + stored.size(), recipe.data(), recipe.size());
        journal_->sync();
        fs_.syncFolder(path_.parent_path());
        // Where one sync makes all names and marks durable, the journal's
        // did this already and this one has nothing left to write.
        if (marked_) file_.syncAll();
    }

    // Names the journal in the file's mark, for the file's other names.
    // False where the file system keeps no mark.
    bool markFile() {
        marked_ = true;  // a mark set half way is removed too
        marked_ = file_.setMark(text(path_));
        return marked_;
    }

    // Makes the journal unusable through its own descriptor, then lets its
    // name go. Raises IoError only when the journal can still be used.
    // One byte, which lands whole or not at all: a nonzero byte of the
    // checksum, which is never 0.
    void useUp(std::uint64_t checksum) {
        std::uint64_t at = JournalHeader::kChecksumAt;
        for (; (checksum & 0xFF) == 0; checksum >>= 8) ++at;
        const unsigned char zero = 0;
        journal_->writeAt(at, &zero, 1);
        usedUp_ = true;
        journal_->sync();
        drop();
    }
    // Whether the journal reads as used up, whatever became of its sync.
    bool usedUp() const { return usedUp_; }

    // Lets the journal go: its name (when it still leads to it), its mark.
    // What fails is left for the next open, which knows a torn journal.
    void drop() {
        try {
            const auto now = fs_.info(path_, false);
            if (now && now->sameFile(journal_->info())) fs_.remove(path_);
        } catch (const IoError&) {
        }
        journal_.reset();
        if (marked_) {
            try {
                file_.setMark(std::nullopt);
                marked_ = false;
            } catch (const IoError&) {
            }
        }
        try {
            fs_.syncFolder(path_.parent_path());
        } catch (const IoError&) {
        }
    }

    // Keeps the journal, and the mark that names it, for the next open.
    void keep() { journal_.reset(); }

private:
    FileSystem& fs_;
    File& file_;
    std::filesystem::path path_;
    std::unique_ptr<File> journal_;
    bool marked_ = false;
    bool usedUp_ = false;
};

}  // namespace

void rewriteTail(FileSystem& fs, File& file, const std::filesystem::path& realFile, std::uint64_t from,
                 const std::vector<TailPiece>& tail, std::span<const unsigned char> old) {
    const FileInfo memo = file.info();
    JournalHeader h;
    h.device = memo.device;
    h.inode = memo.inode;
    h.birth = memo.birth;
    h.length = old.size();
    h.offset = std::min<std::uint64_t>(from, h.length);
    h.count = h.length - h.offset;
    const std::span<const unsigned char> saved = old.subspan(static_cast<std::size_t>(h.offset));
    // The recipe of the new bytes, so that a playback can tell whether the
    // file is still in a state this change could have left.
    std::vector<unsigned char> recipe(16 * tail.size());
    h.newLength = h.offset;
    for (std::size_t k = 0; k < tail.size(); ++k) {
        const TailPiece& piece = tail[k];
        const bool own = !piece.bytes.empty() || piece.oldEnd == piece.oldBegin;
        putU64(&recipe[16 * k], own ? kOwnBytes : piece.oldBegin);
        putU64(&recipe[16 * k + 8], own ? piece.bytes.size() : piece.oldEnd);
        h.newLength += own ? piece.bytes.size() : piece.oldEnd - piece.oldBegin;
        if (own) {
            recipe.insert(recipe.end(), piece.bytes.begin(), piece.bytes.end());
            h.own += piece.bytes.size();
        }
    }
    h.pieces = tail.size();
    // Where the file keeps no birth time, its bytes before the change point
    // are what tells it from another file that took its inode.
    if (memo.birth == 0) {
        JournalDigest prefix;
        prefix.add(old.first(static_cast<std::size_t>(h.offset)));
        h.prefix = prefix.value();
    }
    // The saved bytes go in packed: about a third of a memo file.
    std::vector<unsigned char> stored;
    stored.reserve(saved.size() / 2);
    packZeros(saved, stored);
    h.stored = stored.size();
    h.checksum = checksum(h, stored, recipe);
    const auto header = encodeJournalHeader(h);

    // 1. The journal, then the mark that names it, then the journal's
    // bytes, all durable before the file is touched. Where the file system
    // keeps no mark, a second name of the file would not see a change cut
    // short here. The mark is set while the journal is still empty and made
    // durable with it (a journal that a power cut leaves empty or half
    // written reads as torn, and its mark goes with it).
    Writing journal(fs, file, journalPath(realFile));
    journal.create(memo, realFile);
    if (!journal.markFile() && memo.links > 1)
        throw IoError(kAccessDenied, realFile,
                      "Dit bestand heeft nog een naam (een harde link) op een bestandssysteem dat een "
                      "onderbroken wijziging niet aan het bestand zelf kan binden; wijzig het via een kopie "
                      "zonder tweede naam.");
    journal.write(header, stored, recipe);
    // 2. The change in place, unless another program, heedless of the
    // lock, has changed the file's length since it was read: writing past
    // its new end would leave a hole of empty records.
    if (file.size() != h.length) throw IoError(kAccessDenied, realFile, kChangedMeanwhile);
    try {
        const std::uint64_t end = writePieces(file, from, tail, old);
        // A file that grew (an added record) has its new length already.
        if (end < h.length) file.truncate(end);
        file.sync();
    } catch (const IoError&) {
        // Undone from what is in memory; failing that, by the journal at
        // the next open.
        try {
            putBack(file, h, saved);
        } catch (const IoError&) {
            journal.keep();
            throw;
        }
        throw;
    }
    // 3. Done once the journal is unusable: without it the change can no
    // longer be rolled back, wherever its name has gone.
    try {
        journal.useUp(h.checksum);
    } catch (const IoError&) {
        // Once it reads as used up, no one can roll the change back: it is
        // in the file, synced, and it stands.
        if (journal.usedUp()) return;
        try {
            putBack(file, h, saved);
        } catch (const IoError&) {
            journal.keep();
        }
        throw;
    }
}

}  // namespace jotanor
