// Integers as the user and the configuration file write them: leading
// blanks, an optional sign, then decimal digits or "$" and hex digits.
#pragma once

#include <optional>
#include <string_view>

namespace jotanor {

// The value of `text`, or nothing when it is not a whole integer: any
// character after the digits (a blank included) makes it invalid, and so
// does a decimal value outside 32 bits. Hex takes up to 32 bits and wraps
// into the signed range ("$FFFFFFFF" is -1).
std::optional<int> parseInteger(std::string_view text);

// As parseInteger, but throws ConvertError with `text` for an invalid one.
// `text` is UTF-8 (it appears in the error message as it stands).
int strToInt(std::string_view text);

}  // namespace jotanor
