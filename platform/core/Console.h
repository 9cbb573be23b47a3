// Standard output for the command-line program: the bytes it writes reach
// the terminal or file unchanged (UTF-8, and CRLF only where written).
#pragma once

namespace jotanor {

void useRawStandardOutput();

}  // namespace jotanor
