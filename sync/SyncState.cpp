#include "sync/SyncState.h"

#include <bit>
#include <cstdio>
#include <cstdint>
#include <stdexcept>

#include "store/Errors.h"

namespace jotanor::sync {
namespace {

constexpr std::string_view kHeader = "jotanor-sync 1";

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

}  // namespace

std::string encodeState(const SyncState& state) {
    std::string out(kHeader);
    out += "\nurl";
    appendField(out, state.url);
    out += "\ntoken";
    appendField(out, state.token);
    out += '\n';
    for (const auto& event : state.events) {
        out += "event";
        appendField(out, event.href);
        appendField(out, event.etag);
        appendField(out, event.uid);
        out += '\n';
        for (const auto& memo : event.memos) {
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
    return out;
}

SyncState decodeState(std::string_view text) {
    SyncState state;
    bool headed = false;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!headed) {
            if (line != kHeader) throw std::runtime_error("geen sync-bestand van jotanor");
            headed = true;
            continue;
        }
        const auto f = fields(line);
        if (f[0] == "url" && f.size() == 2) {
            state.url = f[1];
        } else if (f[0] == "token" && f.size() == 2) {
            state.token = f[1];
        } else if (f[0] == "event" && f.size() == 4) {
            state.events.push_back({f[1], f[2], f[3], {}});
        } else if (f[0] == "memo" && f.size() == 4 && !state.events.empty() && f[1].size() == 16) {
            std::uint64_t bits = 0;
            for (const char c : f[1]) bits = bits * 16 + static_cast<std::uint64_t>(hexDigit(c));
            state.events.back().memos.push_back({std::bit_cast<double>(bits), f[2], f[3]});
        } else {
            throw std::runtime_error("sync-bestand: een regel die niet klopt");
        }
    }
    if (!headed) throw std::runtime_error("geen sync-bestand van jotanor");
    return state;
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

SyncState readState(FileSystem& fs, const std::filesystem::path& path) {
    if (!fs.exists(path)) return {};
    const auto file = fs.open(path, OpenMode::OwnReadOnly);
    // Readable by its owner only, whatever it was: a new state keeps that.
    if ((file->info().mode & 077) != 0) file->setAccess(-1, 0600);
    std::string text(static_cast<std::size_t>(file->size()), '\0');
    if (!text.empty()) file->readAt(0, text.data(), text.size());
    try {
        SyncState state = decodeState(text);
        file->close();
        return state;
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(path.string() + ": " + e.what() + "; verwijder het om alles opnieuw te koppelen");
    }
}

}  // namespace jotanor::sync
