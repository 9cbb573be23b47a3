// The window program's start: its command line, and the main window's left
// edge from the start position, kept on the screen.
#include <gtest/gtest.h>

#include <climits>

#include "mainwindow/core/StartArguments.h"
#include "mainwindow/core/WindowPlace.h"

namespace jotanor {
namespace {

TEST(WindowPlace, TheFrameEndsOnTheScreenAndAStartThatFitsIsKept) {
    struct Case {
        int screen, percent, frame, left;
    };
    for (const Case& c : {Case{1280, 90, 635, 645},  // 1152 would show 128 pixels
                          Case{1280, 50, 635, 640}, Case{1280, 51, 635, 645}, Case{1280, 0, 635, 0},
                          Case{1025, 10, 635, 102},  // 102.5: halves to even
                          Case{1280, -10, 635, 0}, Case{600, 50, 635, 0}, Case{1280, INT_MAX, 635, 645},
                          Case{1280, INT_MIN, 635, 0}}) {
        EXPECT_EQ(leftEdgeOnScreen(c.screen, c.percent, c.frame), c.left)
            << c.screen << " " << c.percent << " " << c.frame;
    }
}

TEST(StartArguments, OwnOptionsAMemoFileAndTheToolkitsOptions) {
    using Action = StartArguments::Action;
    struct Case {
        std::vector<std::string> args;
        Action action;
        std::string memoFile;  // "" none
        std::string problem;
    };
    for (const Case& c : std::vector<Case>{
             {{}, Action::Run, "", ""},
             {{"--help"}, Action::Help, "", ""},
             {{"-h", "--version"}, Action::Help, "", ""},
             {{"--version", "x.mem"}, Action::Version, "x.mem", ""},
             {{"--user-folder", "dagboek.mem"}, Action::Run, "dagboek.mem", ""},
             {{"--", "--raar.mem"}, Action::Run, "--raar.mem", ""},
             {{"-platform", "offscreen", "--style=fusion", "-reverse", "a.mem"}, Action::Run, "a.mem", ""},
             {{"--bogus"}, Action::Misused, "", "onbekende optie: --bogus"},
             {{"--help", "--bogus"}, Action::Misused, "", "onbekende optie: --bogus"},
             {{"a.mem", "b.mem"}, Action::Misused, "", "meer dan één memobestand: b.mem"},
             {{"-display"}, Action::Misused, "", "-display vraagt een waarde"},
         }) {
        const StartArguments a = parseStartArguments(c.args);
        EXPECT_EQ(a.action, c.action) << c.problem;
        EXPECT_EQ(a.memoFile.value_or(""), c.memoFile);
        EXPECT_EQ(a.problem, c.problem);
    }
    EXPECT_TRUE(parseStartArguments({"--user-folder"}).userFolder);
}

}  // namespace
}  // namespace jotanor
