// Memo text is stored as single bytes in Windows-1252, on every system.
#pragma once

#include <string>
#include <string_view>

namespace jotanor {

// UTF-8 to Windows-1252; a character that Windows-1252 cannot hold becomes
// "?", and so does a byte sequence that is not UTF-8.
std::string utf8ToCp1252(std::string_view utf8);

// Windows-1252 to UTF-8. The five bytes without a character (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) map to the control characters of the same number, so
// that every byte survives a round trip.
std::string cp1252ToUtf8(std::string_view bytes);

// Appends one code point in UTF-8.
void appendUtf8(std::string& out, char32_t codePoint);

}  // namespace jotanor
