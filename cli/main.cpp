// jotanor-cli: the diary from the terminal (see Cli.h).
#include <iostream>
#include <stdexcept>
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
    jotanor::cli::Machine machine{jotanor::nativeFileSystem(), clock, jotanor::utcStampNow,
                                  jotanor::terminalColumns(), jotanor::standardErrorIsTerminal()};
#ifdef JOTANOR_CALENDAR_PROGRAM
    // The calendar commands live in a program of their own (with libical,
    // libcurl and libxml2), so that the other commands start without them.
    machine.calendarsElsewhere = [argv](const std::vector<std::string>&) -> int {
        throw std::runtime_error("de agenda-opdrachten kunnen niet gestart worden: " +
                                 jotanor::runInstead(JOTANOR_CALENDAR_PROGRAM, JOTANOR_CALENDAR_PROGRAM_INSTALLED,
                                                     argv));
    };
#endif
    const int status = jotanor::cli::run(args, machine, std::cout, std::cerr);
    std::cout.flush();
    return std::cout ? status : jotanor::cli::kFailed;
}
