// Memo text is stored as single bytes in Windows-1252, on every system.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace jotanor {

// UTF-8 to Windows-1252; a character that Windows-1252 cannot hold becomes
// "?", and so does a byte sequence that is not UTF-8.
std::string utf8ToCp1252(std::string_view utf8);

// The same for text that must be kept as it was given: nothing when a
// character cannot be held or a byte is not UTF-8; `unheld` then gets that
// character's UTF-8 bytes (or the one byte that is not UTF-8).
std::optional<std::string> utf8ToCp1252Exact(std::string_view utf8, std::string* unheld = nullptr);

// Windows-1252 to UTF-8. The five bytes without a character (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) map to the control characters of the same number, so
// that every byte survives a round trip.
std::string cp1252ToUtf8(std::string_view bytes);

// Appends one code point in UTF-8.
void appendUtf8(std::string& out, char32_t codePoint);

}  // namespace jotanor
