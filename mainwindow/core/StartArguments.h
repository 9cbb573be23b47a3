// The window program's command line: its own options, a memo file to open,
// and the options of the window system that the toolkit takes itself.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace jotanor {

struct StartArguments {
    enum class Action { Run, Help, Version, Misused };
    Action action = Action::Run;
    bool userFolder = false;
    std::optional<std::string> memoFile;
    std::string problem;  // Misused: what is wrong, in one line
};

// Reads the arguments after the program's name.
StartArguments parseStartArguments(const std::vector<std::string>& args);

// The answer to --help.
const char* startUsage();

}  // namespace jotanor
