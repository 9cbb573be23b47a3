// jotanor-cli: the diary from the terminal (see Cli.h).
#include <iostream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "platform/core/Console.h"
#include "platform/core/SystemClock.h"

int main(int argc, char** argv) {
    jotanor::useRawStandardOutput();
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args = jotanor::utf8Arguments(argc, argv);
    const jotanor::SystemClock clock;
    const jotanor::cli::Machine machine{jotanor::nativeFileSystem(), clock, jotanor::utcStampNow,
                                        jotanor::terminalColumns(),
                                        jotanor::standardErrorIsTerminal()};
    const int status = jotanor::cli::run(args, machine, std::cout, std::cerr);
    std::cout.flush();
    return std::cout ? status : jotanor::cli::kFailed;
}
