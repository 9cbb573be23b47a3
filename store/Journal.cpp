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
// go back, how many there are, and a checksum over the rest of the header
// and the saved bytes. All numbers little-endian.
constexpr std::array<unsigned char, 8> kMagic = {'J', 'o', 't', 'J', 'r', 'n', 'l', 1};
constexpr std::size_t kHeader = 40;

struct Header {
    std::uint64_t length = 0;
    std::uint64_t offset = 0;
    std::uint64_t count = 0;
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

// A 64-bit checksum, enough to tell a whole journal from a torn one: four
// lanes over 8-byte words, so that a journal of many megabytes costs little
// next to writing it.
std::uint64_t checksum(std::span<const unsigned char> header, std::span<const unsigned char> data) {
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
    for (auto rest : {data.subspan(i), header})
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

// The header and saved bytes of a whole journal; nothing for a torn one.
std::optional<std::pair<Header, std::vector<unsigned char>>> readJournal(File& journal) {
    const std::uint64_t size = journal.size();
    if (size < kHeader) return std::nullopt;
    std::vector<unsigned char> bytes(static_cast<std::size_t>(size));
    journal.readAt(0, bytes.data(), bytes.size());
    if (!std::equal(kMagic.begin(), kMagic.end(), bytes.begin())) return std::nullopt;
    Header h{getU64(&bytes[8]), getU64(&bytes[16]), getU64(&bytes[24])};
    if (h.count != size - kHeader || h.offset > h.length || h.length - h.offset != h.count) return std::nullopt;
    const std::span<const unsigned char> all(bytes);
    if (checksum(all.subspan(8, 24), all.subspan(kHeader)) != getU64(&bytes[32])) return std::nullopt;
    return std::make_pair(h, std::vector<unsigned char>(bytes.begin() + kHeader, bytes.end()));
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

bool recoverJournal(FileSystem& fs, File& file, const std::filesystem::path& realFile) {
    const auto path = journalPath(realFile);
    if (!fs.exists(path)) return false;
    std::optional<std::pair<Header, std::vector<unsigned char>>> whole;
    try {
        auto journal = fs.open(path, OpenMode::OwnReadWrite);
        whole = readJournal(*journal);
        journal->close();
    } catch (const IoError& e) {
        // A link or a folder under the journal's name is not a journal.
        if (e.code() != kInvalidFilename && e.code() != kAccessDenied) throw;
    }
    if (whole) putBack(file, whole->first, whole->second);
    fs.remove(path);
    fs.syncFolder(path.parent_path());
    return true;
}

namespace {

// Writes the pieces in place from `from` on and returns where they end.
// Old bytes are read from `old`, which may be a mapping of the file itself
// and then changes as the file is written: the pieces go in the direction
// that never writes over bytes still to be read (back to front when records
// move up, front to back when they move down), through a small buffer, and
// a piece that stays where it was is not written at all. Should records move
// both ways in one change, the old bytes are copied aside first.
std::uint64_t writePieces(File& file, std::uint64_t from, const std::vector<TailPiece>& tail,
                          std::span<const unsigned char> old) {
    struct Move {
        std::uint64_t to;
        const unsigned char* data;  // own bytes, or nullptr for old ones
        std::uint64_t source;
        std::size_t n;
    };
    std::vector<Move> moves;
    bool up = false;
    bool down = false;
    std::uint64_t at = from;
    for (const TailPiece& piece : tail) {
        if (!piece.bytes.empty()) {
            moves.push_back({at, piece.bytes.data(), 0, piece.bytes.size()});
            at += piece.bytes.size();
            continue;
        }
        const auto n = static_cast<std::size_t>(piece.oldEnd - piece.oldBegin);
        if (piece.oldBegin != at && n > 0) {
            moves.push_back({at, nullptr, piece.oldBegin, n});
            (piece.oldBegin < at ? up : down) = true;
        }
        at += n;
    }
    std::vector<unsigned char> aside;
    if (up && down) {
        aside.assign(old.begin() + static_cast<std::ptrdiff_t>(from), old.end());
        old = std::span<const unsigned char>(aside).subspan(0);
        for (Move& m : moves)
            if (!m.data) m.source -= from;
    }
    constexpr std::size_t kChunk = 1 << 20;
    std::vector<unsigned char> buffer(std::min<std::uint64_t>(kChunk, at - from + 1));
    const auto move = [&](const Move& m, std::size_t begin, std::size_t end) {
        if (m.data) {
            file.writeAt(m.to + begin, m.data + begin, end - begin);
            return;
        }
        std::memcpy(buffer.data(), old.data() + m.source + begin, end - begin);
        file.writeAt(m.to + begin, buffer.data(), end - begin);
    };
    if (up && !down) {
        for (auto m = moves.rbegin(); m != moves.rend(); ++m)
            for (std::size_t end = m->n; end > 0; end -= std::min(end, kChunk)) move(*m, end - std::min(end, kChunk), end);
    } else {
        for (const Move& m : moves)
            for (std::size_t begin = 0; begin < m.n; begin += kChunk) move(m, begin, std::min(m.n, begin + kChunk));
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
    const std::span<const unsigned char> saved = old.subspan(static_cast<std::size_t>(h.offset));
    std::array<unsigned char, kHeader> header{};
    std::copy(kMagic.begin(), kMagic.end(), header.begin());
    putU64(&header[8], h.length);
    putU64(&header[16], h.offset);
    putU64(&header[24], h.count);
    putU64(&header[32], checksum(std::span(header).subspan(8, 24), saved));

    // 1. The journal, durable with its name, before the file is touched.
    {
        std::unique_ptr<File> out = fs.open(path, OpenMode::CreateNew);
        try {
            out->writeAt(0, header.data(), header.size());
            if (!saved.empty()) out->writeAt(kHeader, saved.data(), saved.size());
            out->sync();
            out->close();
            fs.syncFolder(folder);
        } catch (const IoError&) {
            out.reset();
            removeQuietly(fs, path);
            throw;
        }
    }
    // 2. The change in place.
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
    // The file holds the change and is synced; should the folder not sync,
    // the name of the journal can at worst come back after a power cut,
    // which is no worse than the power cut coming a moment earlier.
    try {
        fs.syncFolder(folder);
    } catch (const IoError&) {
    }
}

}  // namespace jotanor
