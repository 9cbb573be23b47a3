#include "store/Journal.h"

#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "store/Errors.h"

namespace jotanor {
namespace {

// Header: magic, the file's length before the change, where the saved bytes
// go back and how many there are, the file's length after the change, the
// file's identity, the size of the recipe of the new bytes, and a checksum
// over the rest of the header, the saved bytes and the recipe. Then the
// saved bytes, then the recipe: one pair of numbers per piece (an old range,
// or kOwnBytes and a length), then the pieces' own bytes. All numbers
// little-endian.
constexpr std::array<unsigned char, 8> kMagic = {'J', 'o', 't', 'J', 'r', 'n', 'l', 2};
constexpr std::size_t kHeader = 80;
constexpr std::uint64_t kOwnBytes = ~std::uint64_t{0};
constexpr const char* kChangedMeanwhile = "Een ander programma heeft het bestand intussen veranderd; probeer het opnieuw.";

struct Header {
    std::uint64_t length = 0;  // before the change
    std::uint64_t offset = 0;
    std::uint64_t count = 0;
    std::uint64_t newLength = 0;
    std::uint64_t inode = 0;
    std::uint64_t pieces = 0;
    std::uint64_t own = 0;  // bytes of the pieces' own
};

void putU64(unsigned char* at, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) at[i] = static_cast<unsigned char>(v >> (8 * i));
}

std::uint64_t getU64(const unsigned char* at) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | at[i];
    return v;
}

constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;

constexpr std::uint64_t rotl(std::uint64_t v, int by) { return (v << by) | (v >> (64 - by)); }

// A 64-bit checksum, enough to tell a whole journal from a torn or damaged
// one: four lanes over 8-byte words of the saved bytes, so that a journal of
// many megabytes costs little next to writing it.
std::uint64_t checksum(std::span<const unsigned char> header, std::span<const unsigned char> data,
                       std::span<const unsigned char> recipe) {
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
    for (auto rest : {data.subspan(i), recipe, header})
        for (unsigned char c : rest) h = (h ^ c) * 0x100000001b3ull;
    return h;
}

void removeQuietly(FileSystem& fs, const std::filesystem::path& path) {
    try {
        fs.remove(path);
    } catch (const IoError&) {
        // Left for the next change to remove; the error that counts came first.
    }
}

std::string text(const std::filesystem::path& path) {
    const std::u8string u = path.u8string();
    return std::string(u.begin(), u.end());
}

// What was found under a journal's name.
struct Found {
    enum Kind { Nothing, Torn, Foreign, Waiting, Belongs } kind = Nothing;
    std::filesystem::path path;
    std::string why;  // Foreign: why it is not played back
    Header h;
    std::vector<unsigned char> saved;
};

Found foreign(const std::filesystem::path& path, std::string why) {
    Found f;
    f.kind = Found::Foreign;
    f.path = path;
    f.why = std::move(why);
    return f;
}

// The new bytes from the change point on, from the recipe; nothing for a
// recipe that does not fit the header.
std::optional<std::vector<unsigned char>> newTail(const Header& h, std::span<const unsigned char> saved,
                                                  std::span<const unsigned char> recipe) {
    std::vector<unsigned char> out;
    const unsigned char* own = recipe.data() + 16 * h.pieces;
    std::uint64_t ownLeft = h.own;
    for (std::uint64_t k = 0; k < h.pieces; ++k) {
        const std::uint64_t a = getU64(&recipe[16 * k]);
        const std::uint64_t b = getU64(&recipe[16 * k + 8]);
        if (a == kOwnBytes) {
            if (b > ownLeft) return std::nullopt;
            out.insert(out.end(), own, own + b);
            own += b;
            ownLeft -= b;
        } else {
            if (a < h.offset || b < a || b > h.length) return std::nullopt;
            out.insert(out.end(), saved.begin() + static_cast<std::ptrdiff_t>(a - h.offset),
                       saved.begin() + static_cast<std::ptrdiff_t>(b - h.offset));
        }
        if (out.size() > h.newLength - h.offset) return std::nullopt;
    }
    if (ownLeft != 0 || out.size() != h.newLength - h.offset) return std::nullopt;
    return out;
}

// Whether the file is in a state the change, or a playback of it cut short,
// could have left: from the change point on, every byte is the old one or
// the new one (or, past the shorter of the two, a hole not yet written), and
// its length lies between the two.
bool changeCouldHaveLeft(File& file, const Header& h, std::span<const unsigned char> saved,
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

// Looks at what lies under the name `path` and decides what it is for the
// file `file` (`memo` tells who owns it).
Found examine(FileSystem& fs, File& file, const FileInfo& memo, const std::filesystem::path& path) {
    if (!fs.exists(path)) return {};
    // Opened before anything is trusted, and never through a link.
    std::unique_ptr<File> journal;
    std::optional<FileInfo> seen;
    try {
        journal = fs.open(path, OpenMode::OwnReadOnly);
        seen = journal->info();
    } catch (const IoError& e) {
        if (e.code() == kInvalidFilename) return foreign(path, "het is geen journaal van dit programma");
        if (e.code() != kAccessDenied) throw;
        // A folder or device, or a file this user may not read.
        seen = fs.info(path, false);
        if (!seen) return {};
        if (!seen->regular) return foreign(path, "het is geen journaal van dit programma");
    }
    // Who wrote it: the file's owner or this user, and no one else could have.
    const std::int64_t user = fs.currentUser();
    const bool trusted = seen->owner == -1 || seen->owner == memo.owner || seen->owner == user;
    if (!trusted && !fs.userMayWrite(seen->owner, memo))
        return foreign(path, "het is neergezet door een andere gebruiker");
    if (!trusted || !journal) {
        Found waiting;
        waiting.kind = Found::Waiting;
        waiting.path = path;
        return waiting;
    }
    if (seen->mode & 022) return foreign(path, "anderen kunnen het hebben veranderd");
    Found found;
    found.kind = Found::Torn;
    found.path = path;
    const std::uint64_t size = journal->size();
    if (size < kHeader) return found;
    std::array<unsigned char, kHeader> header{};
    journal->readAt(0, header.data(), header.size());
    if (!std::equal(kMagic.begin(), kMagic.end() - 1, header.begin())) return found;
    if (header[7] != kMagic[7]) return foreign(path, "het is geschreven door een andere versie van het programma");
    Header& h = found.h;
    h = {getU64(&header[8]),  getU64(&header[16]), getU64(&header[24]), getU64(&header[32]),
         getU64(&header[40]), getU64(&header[48]), getU64(&header[56])};
    // The sizes agree before anything more is read, and no more is read than
    // the file itself could need.
    const std::uint64_t fileSize = file.size();
    if (h.offset > h.length || h.count != h.length - h.offset || h.newLength < h.offset ||
        h.pieces > size / 16 || h.own > size || size > 2 * fileSize + (std::uint64_t{1} << 20) ||
        size != kHeader + h.count + 16 * h.pieces + h.own)
        return found;
    std::vector<unsigned char> body(static_cast<std::size_t>(size - kHeader));
    if (!body.empty()) journal->readAt(kHeader, body.data(), body.size());
    journal->close();
    const std::span<const unsigned char> all(body);
    const auto saved = all.subspan(0, static_cast<std::size_t>(h.count));
    const auto recipe = all.subspan(static_cast<std::size_t>(h.count));
    if (checksum(std::span(header).subspan(8, 64), saved, recipe) != getU64(&header[72])) return found;
    const auto fresh = newTail(h, saved, recipe);
    if (!fresh) return found;

    if (h.inode != memo.inode) return foreign(path, "het hoort bij een ander bestand, dat hier is neergezet");
    if (!changeCouldHaveLeft(file, h, saved, *fresh))
        return foreign(path, "het bestand is daarna door een ander veranderd");
    found.kind = Found::Belongs;
    found.saved.assign(saved.begin(), saved.end());
    return found;
}

// The journals that may belong to the file: the one beside this name, and
// the one its mark names (beside another of its names).
std::vector<std::filesystem::path> candidates(FileSystem& fs, File& file, const std::filesystem::path& realFile) {
    std::vector<std::filesystem::path> paths;
    const auto own = journalPath(realFile);
    if (fs.exists(own)) paths.push_back(own);
    if (const auto mark = file.mark()) {
        const std::filesystem::path other = std::filesystem::path(std::u8string(mark->begin(), mark->end()));
        if (other != own && other.filename().string().ends_with(".journal") && fs.exists(other))
            paths.push_back(other);
    }
    return paths;
}

[[noreturn]] void waitForOther(const std::filesystem::path& realFile, const std::filesystem::path& journal) {
    throw IoError(kAccessDenied, realFile,
                  "Een wijziging door een andere gebruiker is halverwege afgebroken (" + text(journal) +
                      "). Alleen die gebruiker kan haar terugzetten, door het bestand te openen; "
                      "tot dan wordt het bestand niet gelezen of gewijzigd.");
}

// Puts what is not a journal of this file aside under a name of its own.
void keepAside(FileSystem& fs, const Found& found, const std::filesystem::path& realFile, const Tell& tell,
               bool mayWrite) {
    std::string where = "Het staat nog als " + text(found.path) + ".";
    for (int n = 1; mayWrite && n < 1000; ++n) {
        std::filesystem::path kept = found.path;
        kept += n == 1 ? std::string(".bewaard") : ".bewaard" + std::to_string(n);
        if (fs.exists(kept)) continue;
        try {
            fs.rename(found.path, kept);
            where = "Het is bewaard als " + text(kept) + ".";
        } catch (const IoError&) {
            // Left where it is; it is not played back either way.
        }
        break;
    }
    if (tell)
        tell("Een journaal bij " + text(realFile) + " is niet teruggezet: " + found.why + ". " + where);
}

void putBack(File& file, const Header& h, std::span<const unsigned char> saved) {
    if (!saved.empty()) file.writeAt(h.offset, saved.data(), saved.size());
    file.truncate(h.length);
    file.sync();
}

}  // namespace

std::filesystem::path journalPath(const std::filesystem::path& realFile) {
    std::filesystem::path name = ".";
    name += realFile.filename();
    name += ".journal";
    return realFile.parent_path() / name;
}

bool journalPending(FileSystem& fs, File& file, const std::filesystem::path& realFile) {
    return !candidates(fs, file, realFile).empty();
}

void recoverJournal(FileSystem& fs, File& file, const std::filesystem::path& realFile, const Tell& tell) {
    const auto paths = candidates(fs, file, realFile);
    if (paths.empty()) return;
    const FileInfo memo = file.info();
    for (const auto& path : paths) {
        const Found found = examine(fs, file, memo, path);
        switch (found.kind) {
        case Found::Nothing: break;
        case Found::Waiting: waitForOther(realFile, path);
        case Found::Foreign: keepAside(fs, found, realFile, tell, true); break;
        case Found::Belongs: putBack(file, found.h, found.saved); [[fallthrough]];
        case Found::Torn:
            fs.remove(path);
            fs.syncFolder(path.parent_path());
            break;
        }
    }
    file.setMark(std::nullopt);
}

std::optional<std::vector<unsigned char>> recoveredBytes(FileSystem& fs, File& file,
                                                         const std::filesystem::path& realFile, const Tell& tell) {
    const auto paths = candidates(fs, file, realFile);
    if (paths.empty()) return std::nullopt;
    const FileInfo memo = file.info();
    for (const auto& path : paths) {
        const Found found = examine(fs, file, memo, path);
        switch (found.kind) {
        case Found::Waiting: waitForOther(realFile, path);
        case Found::Foreign: keepAside(fs, found, realFile, tell, false); break;
        case Found::Belongs: {
            std::vector<unsigned char> bytes(static_cast<std::size_t>(found.h.offset));
            if (!bytes.empty()) file.readAt(0, bytes.data(), bytes.size());
            bytes.insert(bytes.end(), found.saved.begin(), found.saved.end());
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

// Plays the journal back and removes it after a failed change; what
// cannot be done now is left to the next open.
void undo(FileSystem& fs, File& file, const std::filesystem::path& realFile) {
    try {
        recoverJournal(fs, file, realFile);
    } catch (const IoError&) {
    }
}

}  // namespace

void rewriteTail(FileSystem& fs, File& file, const std::filesystem::path& realFile, std::uint64_t from,
                 const std::vector<TailPiece>& tail, std::span<const unsigned char> old) {
    const auto path = journalPath(realFile);
    const auto folder = path.parent_path();
    Header h;
    h.length = old.size();
    h.offset = std::min<std::uint64_t>(from, h.length);
    h.count = h.length - h.offset;
    h.inode = file.info().inode;
    const std::span<const unsigned char> saved = old.subspan(static_cast<std::size_t>(h.offset));
    // The recipe of the new bytes, so that a playback can tell whether the
    // file is still in a state this change could have left.
    std::vector<unsigned char> recipe(16 * tail.size());
    h.newLength = h.offset;
    for (std::size_t k = 0; k < tail.size(); ++k) {
        const TailPiece& piece = tail[k];
        const bool own = !piece.bytes.empty();
        putU64(&recipe[16 * k], own ? kOwnBytes : piece.oldBegin);
        putU64(&recipe[16 * k + 8], own ? piece.bytes.size() : piece.oldEnd);
        h.newLength += own ? piece.bytes.size() : piece.oldEnd - piece.oldBegin;
        if (own) {
            recipe.insert(recipe.end(), piece.bytes.begin(), piece.bytes.end());
            h.own += piece.bytes.size();
        }
    }
    h.pieces = tail.size();
    std::array<unsigned char, kHeader> header{};
    std::copy(kMagic.begin(), kMagic.end(), header.begin());
    int field = 0;
    for (std::uint64_t v : {h.length, h.offset, h.count, h.newLength, h.inode, h.pieces, h.own})
        putU64(&header[8 + 8 * field++], v);
    putU64(&header[72], checksum(std::span(header).subspan(8, 64), saved, recipe));

    // 0. The file names its journal, for its names in other folders. Where
    // it cannot, a second name would not see a change cut short here.
    if (!file.setMark(text(path)) && file.info().links > 1)
        throw IoError(kAccessDenied, realFile,
                      "Dit bestand heeft nog een naam (een harde link) op een bestandssysteem dat een "
                      "onderbroken wijziging niet aan het bestand zelf kan binden; wijzig het via een kopie "
                      "zonder tweede naam.");
    // 1. The journal, durable with its name, before the file is touched; it
    // belongs to the file's owner, who may have to play it back.
    {
        std::unique_ptr<File> out = fs.open(path, OpenMode::CreateNew);
        try {
            out->adoptAccessOf(realFile, false);
            out->writeAt(0, header.data(), header.size());
            if (!saved.empty()) out->writeAt(kHeader, saved.data(), saved.size());
            out->writeAt(kHeader + saved.size(), recipe.data(), recipe.size());
            out->sync();
            out->close();
            fs.syncFolder(folder);
        } catch (const IoError&) {
            out.reset();
            removeQuietly(fs, path);
            throw;
        }
    }
    // 2. The change in place, unless another program, heedless of the
    // lock, has changed the file's length since it was read: writing past
    // its new end would leave a hole of empty records.
    if (file.size() != h.length) {
        removeQuietly(fs, path);
        throw IoError(kAccessDenied, realFile, kChangedMeanwhile);
    }
    try {
        const std::uint64_t end = writePieces(file, from, tail, old);
        // A file that grew (an added record) has its new length already.
        if (end < h.length) file.truncate(end);
        file.sync();
    } catch (const IoError&) {
        undo(fs, file, realFile);
        throw;
    }
    // 3. Done: without its journal the change can no longer be rolled back.
    try {
        fs.remove(path);
    } catch (const IoError&) {
        // A journal that cannot be removed is made torn instead, which the
        // next open removes unused; failing that, the change is undone here
        // or by the journal at the next open, and reported.
        try {
            auto out = fs.open(path, OpenMode::OwnReadWrite);
            out->truncate(0);
            out->sync();
            out->close();
        } catch (const IoError&) {
            undo(fs, file, realFile);
            throw;
        }
    }
    try {
        file.setMark(std::nullopt);
    } catch (const IoError&) {
        // A mark naming a journal that is gone is ignored.
    }
    // The file holds the change and is synced; should the folder not sync,
    // the name of the journal can at worst come back after a power cut,
    // which is no worse than the power cut coming a moment earlier.
    try {
        fs.syncFolder(folder);
    } catch (const IoError&) {
    }
}

}  // namespace jotanor
