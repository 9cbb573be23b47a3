// The four settings that outlive the program, as the main window holds them.
#pragma once

#include <string>

namespace jotanor {

struct Settings {
    std::string backupPlace;  // full path of the backup copy, UTF-8; empty: no backup
    int leftPercent = 90;     // main window's left edge, % of the screen width
    int bottomPercent = 90;   // main window's height (its top is 0), % of the screen height
    int fontSize = 0;         // list font size in points; 0 leaves the default
    int weekParity = 1;       // 1: odd week numbers green, 0: even
};

// The start position as the options dialog offers it: a file's values are
// brought into these ranges when it is read, so that a hand-edited number
// cannot place the window off the screen.
struct PercentRange {
    int low, high;
};
inline constexpr PercentRange kLeftPercentRange{0, 95};
inline constexpr PercentRange kBottomPercentRange{0, 100};

// The default backup place, the same text on every system.
inline const char* const kDefaultBackupPlace = "C:\\jotanor1.mem";

}  // namespace jotanor
