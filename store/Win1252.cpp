#include "store/Win1252.h"

#include <array>
#include <cstdint>

namespace jotanor {
namespace {

// Code points of the bytes 0x80..0x9F; the others equal their byte value.
constexpr std::array<char32_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char toByte(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (std::size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == cp) return static_cast<char>(0x80 + i);
    return '?';
}

// Converts UTF-8 to Windows-1252, calling unheld(sequence) for every
// character Windows-1252 cannot hold and every byte that is not UTF-8 (a
// one-byte sequence); false from it stops the conversion.
template <typename Unheld>
bool convertUtf8(std::string_view in, std::string& out, Unheld unheld) {
    out.reserve(in.size());
    std::size_t i = 0;
    while (i < in.size()) {
        auto b = static_cast<std::uint8_t>(in[i]);
        int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
        bool ok = extra >= 0 && i + static_cast<std::size_t>(extra) < in.size();
        char32_t cp = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
        for (int k = 1; ok && k <= extra; ++k) {
            auto c = static_cast<std::uint8_t>(in[i + static_cast<std::size_t>(k)]);
            ok = (c & 0xC0) == 0x80;
            cp = (cp << 6) | (c & 0x3F);
        }
        const std::size_t length = ok ? static_cast<std::size_t>(extra) + 1 : 1;
        const char byte = ok ? toByte(cp) : '?';
        const bool held = ok && (byte != '?' || cp == '?');
        if (!held && !unheld(in.substr(i, length))) return false;
        out += byte;
        i += length;
    }
    return true;
}

}  // namespace

std::string utf8ToCp1252(std::string_view in) {
    std::string out;
    convertUtf8(in, out, [](std::string_view) { return true; });
    return out;
}

std::optional<std::string> utf8ToCp1252Exact(std::string_view in, std::string* unheld) {
    std::string out;
    const bool whole = convertUtf8(in, out, [&](std::string_view sequence) {
        if (unheld) *unheld = sequence;
        return false;
    });
    if (!whole) return std::nullopt;
    return out;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        auto b = static_cast<std::uint8_t>(c);
        appendUtf8(out, (b >= 0x80 && b < 0xA0) ? kHigh[b - 0x80] : static_cast<char32_t>(b));
    }
    return out;
}

}  // namespace jotanor
