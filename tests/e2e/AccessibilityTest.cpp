// What a screen reader reads of the running program: its accessibility
// tree over AT-SPI, on the test's own session bus.
#include <future>
#include <sstream>
#include <unistd.h>

#include "e2e/Fixture.h"

#ifndef E2E_ATSPI_TREE
#error "E2E_ATSPI_TREE names the script that prints the tree"
#endif

namespace jotanor::e2e {
namespace {

constexpr const char* kPython = "/usr/bin/python3";
constexpr const char* kBusDaemon = "/usr/bin/dbus-daemon";
constexpr const char* kBusLauncher = "/usr/libexec/at-spi-bus-launcher";

class ScreenReader : public EndToEnd {
protected:
    void SetUp() override {
        if (::access(kPython, X_OK) != 0) GTEST_SKIP() << "not installed: " << kPython;
        if (::access(kBusDaemon, X_OK) != 0) GTEST_SKIP() << "not installed: dbus-daemon, for the test's own bus";
        if (::access(kBusLauncher, X_OK) != 0) GTEST_SKIP() << "not installed: at-spi2-core (" << kBusLauncher << ")";
        if (run({kPython, "-c", "import pyatspi"}).status != 0) GTEST_SKIP() << "not installed: python3-pyatspi";
        // The accessibility bus puts its socket under the runtime folder:
        // one of the test's own, so that nothing is shared with a desktop
        // or another test, and what is left of it can be found.
        std::filesystem::create_directory(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        EndToEnd::SetUp();
    }

    // The tree of the program's window whose title matches, as soon as it
    // holds every one of `expected`.
    std::string tree(const Program& program, const std::string& title, const std::vector<std::string>& expected) {
        std::string out;
        waitUntil([&] {
            out = run({kPython, E2E_ATSPI_TREE, std::to_string(program.pid()), title}, 20s, display->environment()).out;
            return std::all_of(expected.begin(), expected.end(),
                               [&](const std::string& e) { return out.find(e) != std::string::npos; });
        });
        return out;
    }

    // The program started with a screen reader's bridge on a diary of the
    // feast days and one birthday; gives its main window.
    std::string startWithBirthday(std::optional<Program>& program) {
        std::vector<Memo> memos = holidays2025to2027();
        memos.push_back({2026, 12, 6, "Verjaardag", "taart"});
        putFile(memoPath, memoBytes(sorted(memos)));
        Program::Options options;
        options.environment = {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"};
        return startToMainWindow(program, options);
    }

    // Processes still running with the test's runtime folder: the bus
    // launcher, its bus and the registry, were any left behind.
    int processesOfThisTest() const {
        const std::string mark = "XDG_RUNTIME_DIR=" + runtime.string();
        int n = 0;
        for (const auto& e : std::filesystem::directory_iterator("/proc")) {
            const std::string pid = e.path().filename().string();
            if (pid.find_first_not_of("0123456789") != std::string::npos || pid == std::to_string(::getpid()))
                continue;
            const std::string environ = fileText(e.path() / "environ");
            std::string entry;
            for (char c : environ + '\0') {
                if (c != '\0') {
                    entry += c;
                    continue;
                }
                if (entry == mark) ++n;
                entry.clear();
            }
        }
        return n;
    }

    std::filesystem::path runtime = dir.file("runtime");
};

// The lines of the tree below the first line holding `head`, one level deeper.
std::vector<std::string> childrenOf(const std::string& tree, const std::string& head) {
    std::vector<std::string> children;
    std::stringstream in(tree);
    std::string line;
    std::size_t depth = std::string::npos;
    while (std::getline(in, line)) {
        const std::size_t indent = line.find_first_not_of(' ');
        if (depth == std::string::npos) {
            if (line.find(head) != std::string::npos) depth = indent;
        } else if (indent <= depth) {
            break;
        } else if (indent == depth + 2) {
            children.push_back(line.substr(indent));
        }
    }
    return children;
}

TEST_F(ScreenReader, ReadsTheListTheCalendarAndTheDateDialog) {
    {
        std::optional<Program> program;
        const auto window = startWithBirthday(program);

        // The list: one item per memo, its date and lines, without the
        // blank lines and dividers; the memo under the cursor selected.
        display->focus(window);
        display->key({"Down"});
        const std::string main = tree(*program, "^Jotanor", {"taart | selected"});
        const std::vector<std::string> memoItems = {
            "list item | zondag,  6-12-2026. Verjaardag. taart | selected,focused | vandaag",
            "list item | woensdag,  10-2-2027. Aswoensdag |  | "};
        EXPECT_EQ(childrenOf(main, "list | Memo's |"), memoItems) << main;

        // The calendar: a table a month, today and the chosen day marked;
        // the arrow key moves the chosen day.
        display->key({"i"});
        std::string calendar =
            tree(*program, "^Kalender$", {"table cell | zondag 6 december 2026 | selected,focused | vandaag, memo's"});
        const auto december = childrenOf(calendar, "table | december 2026 |");
        ASSERT_EQ(december.size(), 56u) << calendar;
        EXPECT_EQ(december[1], "table column header | zo |  | ");
        EXPECT_EQ(december[8], "table row header | 49 |  | ");
        EXPECT_EQ(december[11], "table cell | dinsdag 1 december 2026 |  | ");
        for (const char* month : {"november 2026", "januari 2027", "februari 2027"})
            EXPECT_EQ(childrenOf(calendar, std::string("table | ") + month + " |").size(), 56u) << month;
        display->key({"Right"});
        calendar = tree(*program, "^Kalender$", {"table cell | maandag 7 december 2026 | selected,focused | "});
        EXPECT_NE(calendar.find("table cell | zondag 6 december 2026 |  | vandaag, memo's"), std::string::npos)
            << calendar;
        EXPECT_NE(calendar.find("table cell | woensdag 10 februari 2027 |  | memo's, Aswoensdag"), std::string::npos)
            << calendar;

        // I asks for the entry of a memo on that day: the date's spin edits
        // are named as their labels say, the weekday is read as itself.
        display->key({"i"});
        const std::string entry = tree(*program, "^Invoer van een record$", {"spin button | Dag |"});
        for (const char* name : {"spin button | Dag |", "spin button | Maand |", "spin button | Jaar |",
                                 "text | Eerste regel van de memo |", "label | maandag |  | Dag van de week"})
            EXPECT_NE(entry.find(name), std::string::npos) << name << "\n" << entry;
        display->key({"Escape"});
        ASSERT_TRUE(display->waitUntilGone("^Invoer van een record$"));

        // The options' panels each by the option they belong to.
        display->focus(window);
        display->key({"o"});
        const std::string optionsTree = tree(*program, "^Options$", {"Kleur van het weeknummer |"});
        for (const char* panel : {"Positie van linkerbovenhoek", "Positie van linkeronderhoek", "Plaats voor een backup",
                                  "Grootte van de letters", "Kleur van het weeknummer"})
            EXPECT_NE(optionsTree.find(std::string("| ") + panel + " |"), std::string::npos) << panel << "\n" << optionsTree;
        display->key({"Escape"});
        ASSERT_TRUE(display->waitUntilGone("^Options$"));
        closeWithEscape(*program, window);
    }
    EXPECT_GT(processesOfThisTest(), 0) << "the accessibility bus was not started on the test's bus";
    display.reset();
    EXPECT_TRUE(waitUntil([&] { return processesOfThisTest() == 0; }, 10s))
        << processesOfThisTest() << " processes of the accessibility bus outlived the test";
}

// What a screen reader hears while `act` runs: the program's changes of a
// name or description, and its focus, one line each.
std::string heardDuring(const Display& display, const Program& program, const std::filesystem::path& ready,
                        const std::function<void()>& act) {
    auto heard = std::async(std::launch::async, [&] {
        return run({kPython, E2E_ATSPI_TREE, "--events", std::to_string(program.pid()), "6", ready.string()}, 30s,
                   display.environment())
            .out;
    });
    waitUntil([&] { return std::filesystem::exists(ready); }, 15s);
    act();
    return heard.get();
}

// Every status is read with its text, and the entry dialog's warning is
// heard as it comes; Home and End reach the first and last memo.
TEST_F(ScreenReader, StatusTextsAreReadAndTheirChangesHeard) {
    std::optional<Program> program;
    const auto window = startWithBirthday(program);

    display->focus(window);
    display->key({"End"});
    tree(*program, "^Jotanor", {"list item | woensdag,  10-2-2027. Aswoensdag | selected,focused"});
    display->key({"Home"});
    tree(*program, "^Jotanor", {"list item | zondag,  6-12-2026. Verjaardag. taart | selected,focused"});

    display->key({"o"});
    tree(*program, "^Options$", {"label | Plaats van de backup |  | De plaats is C:\\jotanor1.mem"});
    display->key({"Escape"});
    ASSERT_TRUE(display->waitUntilGone("^Options$"));

    display->focus(window);
    display->key({"i"});
    ASSERT_TRUE(display->waitForWindow("^Kalender$"));
    display->key({"i"});
    ASSERT_TRUE(display->waitForWindow("^Invoer van een record$"));
    const std::string heard = heardDuring(*display, *program, dir.file("listening"), [&] { display->type("Ab ő"); });
    EXPECT_NE(heard.find("object:property-change:accessible-description | label | Waarschuwing |  | Een memo kan deze "
                         "tekens niet bewaren; OK bewaart ze als \"?\": ő"),
              std::string::npos)
        << heard;
    display->key({"Escape"});
    ASSERT_TRUE(display->waitUntilGone("^Invoer van een record$"));

    // The account's trial, and a sync, with a server that is not there.
    display->focus(window);
    display->key({"alt+a", "a"});
    ASSERT_TRUE(display->waitForWindow("^Agenda-account$"));
    display->type("http://127.0.0.1:1/agenda/");
    display->key({"alt+p"});
    tree(*program, "^Agenda-account$", {"label | Uitkomst |  | Niet gelukt: de server http://127.0.0.1:1"});
    display->key({"Return"});
    ASSERT_TRUE(display->waitUntilGone("^Agenda-account$"));
    // Without a password store the program says so once.
    if (const auto box = display->waitForWindow("^Information$", 5s)) display->key({"Return"});
    display->focus(window);
    display->key({"alt+a", "n"});
    ASSERT_TRUE(display->waitForWindow("^Error$"));
    display->key({"Return"});
    tree(*program, "^Jotanor", {"label | Synchronisatie |  | Niet gesynchroniseerd: de server http://127.0.0.1:1"});
    closeWithEscape(*program, window);
}

}  // namespace
}  // namespace jotanor::e2e
