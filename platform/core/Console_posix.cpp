#include "platform/core/Console.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace jotanor {

void attachParentConsole() {}

// Output is written as bytes here already.
void useRawStandardOutput() {}

bool standardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

std::vector<std::string> utf8Arguments(int argc, char** argv) { return {argv + 1, argv + argc}; }

int terminalColumns() {
    winsize size{};
    if (!::isatty(STDOUT_FILENO) || ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0) return 0;
    return size.ws_col;
}

std::string runInstead(const std::string& program, const std::string& installedBeside, char** argv) {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return "de map van dit programma is onbekend (" + error.message() + ")";
    const std::filesystem::path folder = self.parent_path();
    std::string reason;
    for (const auto& path : {folder / program, (folder / installedBeside).lexically_normal()}) {
        ::execv(path.c_str(), argv);
        reason = path.string() + (errno == ENOENT ? " niet gevonden" : std::string(": ") + std::strerror(errno));
    }
    return reason;
}

}  // namespace jotanor
