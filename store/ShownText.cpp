#include "store/ShownText.h"

#include "store/Win1252.h"

namespace jotanor {
namespace {

// The length of the UTF-8 sequence at `at` (shortest form, no surrogate,
// at most U+10FFFF), or 0 when the bytes there are no UTF-8.
std::size_t sequenceAt(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0u; };
    const unsigned lead = byte(0);
    std::size_t n = 0;
    unsigned low = 0x80, high = 0xBF;  // the second byte's range
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) n = 2;
    if (lead >= 0xE0 && lead <= 0xEF) n = 3, low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
    if (lead >= 0xF0 && lead <= 0xF4) n = 4, low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
    if (n == 0 || byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < n; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    return n;
}

}  // namespace

std::string shownText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const std::size_t n = sequenceAt(utf8, i);
        if (n == 0 || (n == 2 && c == 0xC2 && static_cast<unsigned char>(utf8[i + 1]) < 0xA0)) {
            appendUtf8(out, 0xFFFD);  // not UTF-8, or a C1 control
            i += n == 0 ? 1 : n;
        } else if (c < 0x20 || c == 0x7F) {
            out += '^';
            out += static_cast<char>(c ^ 0x40);
            ++i;
        } else {
            out.append(utf8, i, n);
            i += n;
        }
    }
    return out;
}

}  // namespace jotanor
