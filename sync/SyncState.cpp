#include "sync/SyncState.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "store/Errors.h"

namespace jotanor::sync {
namespace {

// The first version had no "tag" and "diary" lines; it is still read.
constexpr std::string_view kHeader = "jotanor-sync 2";
constexpr std::string_view kFirstHeader = "jotanor-sync 1";
constexpr std::size_t kPiece = 64 * 1024;

// A field without tabs and line breaks: those and "%" as "%XX".
void appendField(std::string& out, std::string_view text) {
    out += '\t';
    for (const char c : text) {
        if (c == '%' || c == '\t' || c == '\n' || c == '\r' || c == '\0') {
            constexpr const char* kHex = "0123456789ABCDEF";
            out += '%';
            out += kHex[static_cast<unsigned char>(c) >> 4];
            out += kHex[static_cast<unsigned char>(c) & 0xF];
        } else {
            out += c;
        }
    }
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    throw std::runtime_error("sync-bestand: geen hexadecimaal cijfer");
}

std::string unescape(std::string_view field) {
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            text += field[i];
            continue;
        }
        if (i + 2 >= field.size()) throw std::runtime_error("sync-bestand: een afgebroken veld");
        text += static_cast<char>(hexDigit(field[i + 1]) * 16 + hexDigit(field[i + 2]));
        i += 2;
    }
    return text;
}

std::vector<std::string> fields(std::string_view line) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string_view::npos; start = tab + 1)
        out.push_back(unescape(line.substr(start, tab - start)));
    out.push_back(unescape(line.substr(start)));
    return out;
}

// The state read a line at a time; a head-only read stops at the first event.
class Decoder {
public:
    explicit Decoder(bool headOnly) : headOnly_(headOnly) {}

    // False once the rest is not wanted.
    bool line(std::string_view line) {
        if (!headed_) {
            if (line != kHeader && line != kFirstHeader) throw std::runtime_error("geen sync-bestand van jotanor");
            headed_ = true;
            return true;
        }
        const auto f = fields(line);
        if (f[0] == "url" && f.size() == 2) {
            state_.url = f[1];
        } else if (f[0] == "token" && f.size() == 2) {
            state_.token = f[1];
        } else if (f[0] == "tag" && f.size() == 2) {
            state_.collectionTag = f[1];
        } else if (f[0] == "diary" && f.size() == 2) {
            state_.diary = f[1];
        } else if (f[0] == "event" && f.size() == 4) {
            if (headOnly_) return false;
            state_.events.emplace_back(f[1], f[2], f[3]);
        } else if (f[0] == "memo" && f.size() == 4 && !state_.events.empty() && f[1].size() == 16) {
            std::uint64_t bits = 0;
            for (const char c : f[1]) bits = bits * 16 + static_cast<std::uint64_t>(hexDigit(c));
            state_.events.back().addMemo({std::bit_cast<double>(bits), f[2], f[3]});
        } else {
            throw std::runtime_error("sync-bestand: een regel die niet klopt");
        }
        return true;
    }

    SyncState finish() {
        if (!headed_) throw std::runtime_error("geen sync-bestand van jotanor");
        state_.events.shrink_to_fit();  // no spare room: it can be as big as the diary
        return std::move(state_);
    }

private:
    bool headOnly_;
    bool headed_ = false;
    SyncState state_;
};

constexpr std::size_t kMemoSize = 16;  // a memo's date and the lengths of its lines

void putLength(std::string& out, std::size_t n) {
    const auto v = static_cast<std::uint32_t>(n);
    out.append(reinterpret_cast<const char*>(&v), sizeof v);
}

std::size_t getLength(std::string_view in, std::size_t at) {
    std::uint32_t v;
    std::memcpy(&v, in.data() + at, sizeof v);
    return v;
}

void putText(std::string& out, std::string_view text) {
    putLength(out, text.size());
    out += text;
}

}  // namespace

SyncedEvent::SyncedEvent(std::string_view href, std::string_view etag, std::string_view uid,
                         const std::vector<MemoRecord>& memos) {
    std::size_t size = 12 + href.size() + etag.size() + uid.size();
    for (const auto& memo : memos) size += kMemoSize + memo.line1.size() + memo.line2.size();
    packed_.reserve(size);  // no room to spare: a state holds one per event
    putText(packed_, href);
    putText(packed_, etag);
    putText(packed_, uid);
    for (const auto& memo : memos) addMemo(memo);
}

std::string_view SyncedEvent::text(int n) const {
    if (packed_.empty()) return {};
    std::size_t at = 0;
    for (int i = 0; i < n; ++i) at += 4 + getLength(packed_, at);
    return std::string_view(packed_).substr(at + 4, getLength(packed_, at));
}

std::size_t SyncedEvent::memosAt() const {
    if (packed_.empty()) return 0;
    const std::string_view uid = text(2);
    return static_cast<std::size_t>(uid.data() - packed_.data()) + uid.size();
}

std::vector<MemoRecord> SyncedEvent::memos() const {
    std::vector<MemoRecord> out;
    for (std::size_t at = memosAt(); at < packed_.size();) {
        MemoRecord memo;
        std::memcpy(&memo.date, packed_.data() + at, sizeof memo.date);
        at += sizeof memo.date;
        for (std::string* line : {&memo.line1, &memo.line2}) {
            const std::size_t n = getLength(packed_, at);
            *line = packed_.substr(at + 4, n);
            at += 4 + n;
        }
        out.push_back(std::move(memo));
    }
    return out;
}

void SyncedEvent::setEtag(std::string_view etag) {
    *this = SyncedEvent(href(), etag, uid(), memos());
}

void SyncedEvent::setMemos(const std::vector<MemoRecord>& memos) {
    *this = SyncedEvent(href(), etag(), uid(), memos);
}

void SyncedEvent::addMemo(const MemoRecord& memo) {
    if (packed_.empty()) *this = SyncedEvent({}, {}, {});
    // Grown to the size it needs, not by half again as a string grows.
    std::string grown;
    grown.reserve(packed_.size() + kMemoSize + memo.line1.size() + memo.line2.size());
    grown += packed_;
    grown.append(reinterpret_cast<const char*>(&memo.date), sizeof memo.date);
    putText(grown, memo.line1);
    putText(grown, memo.line2);
    packed_ = std::move(grown);
}

void Digest::add(const void* data, std::size_t n) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < n; ++i) {
        a_ = (a_ ^ bytes[i]) * 0x100000001b3ull;
        b_ = (b_ + bytes[i] + 1) * 0x9e3779b97f4a7c15ull;
        b_ ^= b_ >> 29;
    }
    length_ += n;
}

std::string Digest::hex() const {
    // Each lane mixed with the length and the other (splitmix64's finish).
    const auto mix = [](std::uint64_t x) {
        x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
        x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
        return x ^ (x >> 31);
    };
    const std::uint64_t lanes[] = {mix(a_ ^ length_) ^ b_, mix(b_ + length_) ^ a_};
    char text[33];
    std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(mix(lanes[0])),
                  static_cast<unsigned long long>(mix(lanes[1])));
    return text;
}

void encodeState(const SyncState& state, const std::function<void(std::string_view)>& write) {
    std::string out(kHeader);
    out += "\nurl";
    appendField(out, state.url);
    out += "\ntoken";
    appendField(out, state.token);
    out += "\ntag";
    appendField(out, state.collectionTag);
    out += "\ndiary";
    appendField(out, state.diary);
    out += '\n';
    for (const auto& event : state.events) {
        // Given on in pieces: the whole text would be as big as the state.
        if (out.size() >= kPiece) {
            write(out);
            out.clear();
        }
        out += "event";
        appendField(out, event.href());
        appendField(out, event.etag());
        appendField(out, event.uid());
        out += '\n';
        for (const auto& memo : event.memos()) {
            // The date's exact bits, so that every memo is found again.
            char bits[17];
            std::snprintf(bits, sizeof bits, "%016llx",
                          static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(memo.date)));
            out += "memo";
            appendField(out, bits);
            appendField(out, memo.line1);
            appendField(out, memo.line2);
            out += '\n';
        }
    }
    write(out);
}

std::string encodeState(const SyncState& state) {
    std::string text;
    encodeState(state, [&](std::string_view piece) { text += piece; });
    return text;
}

SyncState decodeState(std::string_view text) {
    Decoder decoder(false);
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        decoder.line(text.substr(start, end - start));
        start = end + 1;
    }
    return decoder.finish();
}

std::unique_ptr<File> lockState(FileSystem& fs, const std::filesystem::path& path) {
    std::filesystem::path name = path;
    name += ".lock";
    std::unique_ptr<File> file;
    // Made by the first sync; two first syncs at once both end up with it.
    for (int attempt = 0; !file; ++attempt) {
        try {
            file = fs.open(name, OpenMode::OwnReadWrite);
        } catch (const IoError& e) {
            if (e.code() != kFileNotFound) throw;
            try {
                file = fs.open(name, OpenMode::CreateNew);
            } catch (const IoError&) {
                if (attempt > 0) throw;
            }
        }
    }
    try {
        file->lock(LockKind::Exclusive);
    } catch (const IoError& e) {
        if (e.code() == kAccessDenied) return nullptr;
        throw;
    }
    return file;
}

SyncState readState(FileSystem& fs, const std::filesystem::path& path, bool headOnly, std::string* digest) {
    Digest bytes;
    if (digest) *digest = bytes.hex();
    if (!fs.exists(path)) return {};
    const auto file = fs.open(path, OpenMode::OwnReadOnly);
    // Readable by its owner only, whatever it was: a new state keeps that.
    if ((file->info().mode & 077) != 0) file->setAccess(-1, 0600);
    try {
        // Read in blocks, never whole: a state grows with the diary.
        Decoder decoder(headOnly);
        const std::uint64_t size = file->size();
        std::string block(64 * 1024, '\0'), partial;
        bool wanted = true;
        for (std::uint64_t at = 0; at < size && wanted;) {
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), size - at));
            file->readAt(at, block.data(), n);
            bytes.add(block.data(), n);
            at += n;
            std::string_view rest(block.data(), n);
            for (std::size_t end; wanted && (end = rest.find('\n')) != std::string_view::npos; rest.remove_prefix(end + 1)) {
                if (partial.empty()) {
                    wanted = decoder.line(rest.substr(0, end));
                } else {
                    partial += rest.substr(0, end);
                    wanted = decoder.line(partial);
                    partial.clear();
                }
            }
            if (wanted) partial += rest;
        }
        if (wanted && !partial.empty()) decoder.line(partial);
        SyncState state = decoder.finish();
        file->close();
        if (digest) *digest = bytes.hex();
        return state;
    } catch (const IoError&) {
        throw;
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(path.string() + ": " + e.what() + "; verwijder het om alles opnieuw te koppelen");
    }
}

}  // namespace jotanor::sync
