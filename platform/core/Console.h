// Standard output for the command-line program: the bytes it writes reach
// the terminal or file unchanged (UTF-8, and CRLF only where written).
#pragma once

#include <string>
#include <vector>

namespace jotanor {

void useRawStandardOutput();

// The window program's text before any window (its help, its version, a
// wrong option) to the console it was started from. A window program on
// Windows has none of its own: it joins its parent's, where there is one,
// and output sent to a file or a pipe stays there. Started from the Start
// menu it opens nothing. Elsewhere nothing needs doing.
void attachParentConsole();

// Standard error is a terminal (or console), where progress can be shown.
bool standardErrorIsTerminal();

// The program's arguments after its name, in UTF-8 whatever the system's
// code page (Windows hands main() its arguments in the ANSI code page).
std::vector<std::string> utf8Arguments(int argc, char** argv);

// The width in columns of the terminal that standard output shows on; 0
// when it goes into a file or a pipe.
int terminalColumns();

// Replaces the running program by `program`, found beside it or at
// `installedBeside` (a path relative to its folder), with the same
// arguments, environment and standard streams. Returns only when that
// fails, with the reason in Dutch. POSIX only.
std::string runInstead(const std::string& program, const std::string& installedBeside, char** argv);

}  // namespace jotanor
