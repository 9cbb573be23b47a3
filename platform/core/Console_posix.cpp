#include "platform/core/Console.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace jotanor {

// Output is written as bytes here already.
void useRawStandardOutput() {}

bool standardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

std::vector<std::string> utf8Arguments(int argc, char** argv) { return {argv + 1, argv + argc}; }

int terminalColumns() {
    winsize size{};
    if (!::isatty(STDOUT_FILENO) || ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0) return 0;
    return size.ws_col;
}

}  // namespace jotanor
