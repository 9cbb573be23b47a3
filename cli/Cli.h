// The command-line program on the core: the list views, the search, adding
// a memo, the count and the iCalendar export, on one memo file.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "dates/Dates.h"
#include "store/FileIO.h"

namespace jotanor::cli {

// Exit statuses.
inline constexpr int kDone = 0;
inline constexpr int kFailed = 1;   // the work failed: a file error, a date that cannot be shown
inline constexpr int kMisused = 2;  // the command line, or a value in it, cannot be used
inline constexpr int kSkipped = 3;  // a sync went through, but left something for the next one

// What the program takes from the machine it runs on: its files, its clock,
// the present moment in UTC ("YYYYMMDDTHHMMSSZ") for an export's stamp, and
// the width of the terminal that shows the output (0: a file or a pipe).
struct Machine {
    FileSystem& fileSystem;
    const Clock& clock;
    std::function<std::string()> utcStamp;
    int terminalColumns = 0;
    bool errIsTerminal = false;  // progress of long work goes there, then
    // Where a program built without the calendar commands hands a whole
    // command line of one of them (export-ics, import-ics, sync): it
    // returns the exit status, or throws with the reason it could not.
    std::function<int(const std::vector<std::string>&)> calendarsElsewhere{};
};

// Runs one command line (without the program's name). Output is UTF-8;
// errors go to `err` as "jotanor-cli: " and the message.
int run(const std::vector<std::string>& args, const Machine& machine, std::ostream& out, std::ostream& err);

}  // namespace jotanor::cli
