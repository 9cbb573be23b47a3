#include "platform/core/Console.h"

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <windows.h>

namespace jotanor {

// Text mode would turn every "\n" into "\r\n", and "\r\n" into "\r\r\n";
// the console shows UTF-8 only when told.
void useRawStandardOutput() {
    _setmode(_fileno(stdout), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
}

}  // namespace jotanor
