// First start, the holiday memos, and closing with Escape.
#include "e2e/Fixture.h"

namespace jotanor::e2e {
namespace {

TEST_F(EndToEnd, FirstStartAnsweredNoCreatesNothingAndEnds) {
    Program program(*display, work);
    auto question = display->waitForWindow("^Confirm$");
    ASSERT_TRUE(question) << program.log();
    EXPECT_NE(display->messageText(*question).find(memoPath.string() + " niet gevonden. Nieuwe file aanmaken ?"),
              std::string::npos);
    EXPECT_TRUE(display->windows(kMainTitle).empty());

    display->key({"Escape"});  // Escape gives No
    const auto code = program.waitForExit();
    ASSERT_TRUE(code) << "still running after No";
    EXPECT_EQ(*code, 0);
    EXPECT_TRUE(std::filesystem::is_empty(work)) << "No must leave the folder as it was";
}

TEST_F(EndToEnd, FirstStartAnsweredYesGivesTheHolidayMemosOnce) {
    std::optional<Program> program;
    program.emplace(*display, work);
    ASSERT_TRUE(display->waitForWindow("^Confirm$")) << program->log();
    display->key({"Return"});  // Yes is the default

    auto window = display->waitForWindow(kMainTitle);
    ASSERT_TRUE(window) << program->log();
    EXPECT_EQ(display->title(*window), "Jotanor versie 2.0 ***  " + memoPath.string());
    const auto holidays = memoBytes(holidays2025to2027());
    expectFile(memoPath, holidays);
    EXPECT_EQ(permissions(memoPath), 0600u) << "a diary is private";
    // The journal goes once the change is durable, a moment after its last write.
    EXPECT_TRUE(waitUntil([&] { return !std::filesystem::exists(work / ".jotanor1.mem.journal"); }))
        << "no copy of the change is left";
    closeWithEscape(*program, *window);

    // A second start finds them all and adds none.
    const auto second = startToMainWindow(program);
    closeWithEscape(*program, second);
    EXPECT_EQ(fileBytes(memoPath), holidays);
}

TEST_F(EndToEnd, HolidayMemosJoinTheUsersMemosInDateOrder) {
    // Two of the twelve already there, one with another second line: it counts.
    const std::vector<Memo> mine{{2026, 4, 5, "1e Paasdag", "bij oma"},
                                 {2026, 4, 5, "Verjaardag", ""},
                                 {2026, 12, 24, "Kerstinkopen", "lijst"},
                                 {2027, 2, 10, "Aswoensdag", ""}};
    putFile(memoPath, memoBytes(mine));
    std::vector<Memo> expected = mine;
    for (const auto& h : holidays2025to2027())
        if (!(h.year == 2026 && h.month == 4) && !(h.year == 2027 && h.month == 2)) expected.push_back(h);

    std::optional<Program> program;
    const auto window = startToMainWindow(program);
    expectFile(memoPath, memoBytes(sorted(expected)));
    closeWithEscape(*program, window);
}

// Started from the desktop's menu, the diary lives in a folder of the
// user's own, made private at the first start.
TEST_F(EndToEnd, StartedFromTheMenuTheDiaryLivesInTheUsersOwnFolder) {
    const auto home = dir.file("thuis");
    std::filesystem::create_directory(home);
    Program::Options options;
    options.arguments = {"--user-folder"};
    options.environment = {"HOME=" + home.string(), "XDG_CONFIG_HOME=" + (home / ".config").string()};
    std::optional<Program> program;
    program.emplace(*display, work, options);
    ASSERT_TRUE(display->waitForWindow("^Confirm$")) << program->log();
    display->key({"Return"});
    const auto folder = home / "Documents" / "Jotanor";
    auto window = display->waitForWindow(kMainTitle);
    ASSERT_TRUE(window) << program->log();
    EXPECT_EQ(display->title(*window), "Jotanor versie 2.0 ***  " + (folder / "jotanor1.mem").string());
    EXPECT_EQ(permissions(folder), 0700u);
    closeWithEscape(*program, *window);
    EXPECT_TRUE(std::filesystem::exists(folder / "jotanor1.mem"));
    EXPECT_TRUE(std::filesystem::exists(folder / "jotnor.cfg"));
    EXPECT_FALSE(std::filesystem::exists(work / "jotanor1.mem"));
}

// Help, the version and a wrong option are answered without a window, as
// any terminal program answers them; a memo file named on the command line
// is opened without a question about the working folder's.
TEST_F(EndToEnd, TheCommandLineIsAnsweredWithoutAWindowAndNamesTheMemoFile) {
    const std::vector<std::string> noDisplay = {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=xcb"};
    const e2e::Run help = run({JOTANOR_EXE, "--help"}, kPatience, noDisplay);
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Gebruik: jotanor [--user-folder] [MEMOBESTAND]", 0), 0u) << help.out;
    EXPECT_EQ(run({JOTANOR_EXE, "--version"}, kPatience, noDisplay).out, "jotanor 2.0\n");
    const e2e::Run bogus = run({JOTANOR_EXE, "--bogus"}, kPatience, noDisplay);
    EXPECT_EQ(bogus.status, 2);
    EXPECT_EQ(bogus.out, "jotanor: onbekende optie: --bogus\nZie jotanor --help\n");

    std::filesystem::create_directory(work / "elders");
    putFile(work / "elders" / "werk.mem", memoBytes(holidays2025to2027()));
    Program::Options options;
    options.arguments = {"elders/werk.mem"};
    std::optional<Program> program;
    program.emplace(*display, work, options);
    const auto window = display->waitForWindow(kMainTitle);
    ASSERT_TRUE(window) << program->log();
    EXPECT_EQ(display->title(*window), "Jotanor versie 2.0 ***  " + (work / "elders" / "werk.mem").string());
    closeWithEscape(*program, *window);
    EXPECT_FALSE(std::filesystem::exists(work / "jotanor1.mem"));
}

}  // namespace
}  // namespace jotanor::e2e
