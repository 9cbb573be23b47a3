// The configuration file, the backup at close and the yearly move of starred memos.
#include "e2e/Fixture.h"

namespace jotanor::e2e {
namespace {

const std::string kDefaults = "C:\\jotanor1.mem\r\n90\r\n90\r\n0\r\n1\r\n";

TEST_F(EndToEnd, EscapeSavesTheDefaultSettingsAndBacksUpTheMemoFile) {
    auto memos = holidays2025to2027();
    memos.push_back({2026, 12, 6, "Vandaag", "tweede regel"});
    const auto bytes = memoBytes(sorted(memos));
    putFile(memoPath, bytes);
    std::optional<Program> program;
    const auto window = startToMainWindow(program);
    closeWithEscape(*program, window);

    EXPECT_EQ(fileText(work / "jotnor.cfg"), kDefaults);
    // The default backup place is a Windows path: here a file of that name in the folder.
    const auto backup = work / "C:\\jotanor1.mem";
    EXPECT_EQ(fileBytes(backup), bytes);
    EXPECT_EQ(fileBytes(memoPath), bytes);
    EXPECT_EQ(permissions(work / "jotnor.cfg"), 0600u);
    EXPECT_EQ(permissions(backup), 0600u);
}

// The place and size the settings and F5 give are the outer frame's, title
// bar and borders included, with a window manager as without one; dialogs
// are centred by their frames.
class Frame : public EndToEnd, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        EndToEnd::SetUp();
        if (IsSkipped() || !GetParam()) return;
        if (!display->startWindowManager())
            GTEST_SKIP() << "openbox, xprop or xwininfo is not installed, or openbox did not start";
    }

    // Waits until the window's frame is `expected`, then compares.
    void expectFrame(const std::string& window, Display::Geometry expected) {
        std::optional<Display::Geometry> g;
        waitUntil([&] {
            g = display->frame(window);
            return g && g->x == expected.x && g->y == expected.y && g->width == expected.width &&
                   g->height == expected.height;
        });
        ASSERT_TRUE(g);
        EXPECT_EQ(std::vector<int>({g->x, g->y, g->width, g->height}),
                  std::vector<int>({expected.x, expected.y, expected.width, expected.height}));
    }
};

TEST_P(Frame, TheStartPositionAndFullScreenPlaceTheFrameAndDialogsAreCentredByIt) {
    putFile(memoPath, memoBytes(holidays2025to2027()));
    putText(work / "jotnor.cfg", "\r\n 45\r\n50\r\n0\r\n1\r\n");  // no backup
    std::optional<Program> program;
    const auto window = startToMainWindow(program);

    // 45 % of 1280 and 50 % of 1024; the top stays 0.
    expectFrame(window, {576, 0, 635, 512});
    display->key({"F5"});
    expectFrame(window, {0, 0, 1280, 1024});
    display->key({"F5"});
    expectFrame(window, {576, 0, 635, 512});

    display->key({"F3"});
    const auto search = display->waitForWindow("^Zoeken in het bestand$");
    ASSERT_TRUE(search);
    std::optional<Display::Geometry> g;
    EXPECT_TRUE(waitUntil([&] {
        g = display->frame(*search);
        return g && std::abs(2 * g->x + g->width - 1280) <= 1 && std::abs(2 * g->y + g->height - 1024) <= 1;
    })) << "search dialog's frame at " << (g ? g->x : -1) << "," << (g ? g->y : -1) << " size "
        << (g ? g->width : -1) << "x" << (g ? g->height : -1);
    display->key({"Escape"});
    ASSERT_TRUE(display->waitUntilGone("^Zoeken in het bestand$"));

    closeWithEscape(*program, window);
    EXPECT_EQ(fileText(work / "jotnor.cfg"), "\r\n45\r\n50\r\n0\r\n1\r\n");
    EXPECT_FALSE(std::filesystem::exists(work / "C:\\jotanor1.mem"));
}

INSTANTIATE_TEST_SUITE_P(Desktop, Frame, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Openbox" : "NoWindowManager"; });

TEST_F(EndToEnd, ANumberThatIsNoIntegerShowsTheErrorAndTheWindowIsStillPlaced) {
    putFile(memoPath, memoBytes(holidays2025to2027()));
    putText(work / "jotnor.cfg", "\r\n4,5\r\n50\r\n0\r\n1\r\n");
    std::optional<Program> program;
    program.emplace(*display, work);
    const auto error = display->waitForWindow("^Error$");
    ASSERT_TRUE(error) << program->log();
    EXPECT_NE(display->messageText(*error).find("'4,5' is not a valid integer value"), std::string::npos);
    display->key({"Return"});
    ASSERT_TRUE(display->waitUntilGone("^Error$"));

    // The start position keeps its values: 90 % of 1024 for the height, and
    // 90 % of 1280 moved left until the frame ends on the screen.
    const auto window = display->waitForWindow(kMainTitle);
    ASSERT_TRUE(window);
    std::optional<Display::Geometry> g;
    EXPECT_TRUE(waitUntil([&] { return (g = display->frame(*window)) && g->x == 1280 - 635 && g->height == 922; }))
        << "window at " << (g ? g->x : -1) << " height " << (g ? g->height : -1);
    // The close writes the settings in force: line 1 from the file, the rest as they were.
    closeWithEscape(*program, *window);
    EXPECT_EQ(fileText(work / "jotnor.cfg"), "\r\n90\r\n90\r\n0\r\n1\r\n");
}

// A file chosen in "Open andere Mem-file" that is not there is reported, and
// the program goes on with the file it had: Escape still ends it, with the
// backup of that file.
TEST_F(EndToEnd, AMissingFileChosenToOpenLeavesTheFileInUse) {
    const auto bytes = memoBytes(holidays2025to2027());
    putFile(memoPath, bytes);
    putText(work / "jotnor.cfg", "kopie.mem\r\n90\r\n90\r\n0\r\n1\r\n");
    std::optional<Program> program;
    const auto window = startToMainWindow(program);

    // "Open andere Mem-file": the second item of "&Bestand".
    display->key({"alt+b", "Down", "Return"});
    const auto dialog = display->waitForWindow("^Openen van een andere \\.MEM-file$");
    ASSERT_TRUE(dialog) << program->log();
    const std::string missing = (work / "weg.mem").string();
    display->key({"ctrl+a"});
    display->type(missing);
    display->key({"Return"});
    const auto box = display->waitForWindow("^Information$");
    ASSERT_TRUE(box) << program->log();
    EXPECT_NE(display->messageText(*box).find(missing + " niet gevonden"), std::string::npos);
    display->key({"Return"});
    ASSERT_TRUE(display->waitUntilGone("^Information$"));

    EXPECT_EQ(display->title(window), "Jotanor versie 2.0 ***  " + memoPath.string());
    closeWithEscape(*program, window);
    EXPECT_EQ(fileBytes(work / "kopie.mem"), bytes);
    EXPECT_FALSE(std::filesystem::exists(work / "weg.mem"));
}

class Recurrence : public EndToEnd {
protected:
    void SetUp() override {
            EndToEnd::SetUp();
        memos = holidays2025to2027();
        memos.push_back({2026, 11, 16, "*Verjaardag Piet", "taart"});  // 20 days back
        memos.push_back({2026, 11, 22, "*Trouwdag", ""});              // 14 days back: not yet due
        putFile(memoPath, memoBytes(sorted(memos)));
        putText(work / "jotnor.cfg", "\r\n90\r\n90\r\n0\r\n1\r\n");
    }

    // The first question, about the memo of 16 November 2026.
    std::string firstQuestion() {
        const auto box = display->waitForWindow("^Confirm$");
        EXPECT_TRUE(box) << program->log();
        if (!box) return "";
        const std::string text = display->messageText(*box);
        EXPECT_NE(text.find("\n\ndd. 16-11-2026\n*Verjaardag Piet\ntaart\nBovenstaand record is volgend jaar "
                            "ook nog geldig.\nNu dus maar verplaatsen naar 1 jaar later?"),
                  std::string::npos)
            << text;
        EXPECT_TRUE(display->windows(kMainTitle).empty()) << "the question comes before the main window";
        return *box;
    }

    std::vector<Memo> memos;
    std::optional<Program> program;
};

TEST_F(Recurrence, YesMovesAStarredMemoOneYearOn) {
    program.emplace(*display, work);
    firstQuestion();
    display->key({"Return"});
    const auto window = display->waitForWindow(kMainTitle);
    ASSERT_TRUE(window) << program->log();
    memos[12] = {2027, 11, 16, "*Verjaardag Piet", "taart"};
    expectFile(memoPath, memoBytes(sorted(memos)));
    closeWithEscape(*program, *window);
}

TEST_F(Recurrence, NoThenOkKeepsTheDateAndDropsTheStar) {
    program.emplace(*display, work);
    const auto first = firstQuestion();
    display->key({"Escape"});  // No
    // The second question replaces the first under the same caption.
    std::string text;
    EXPECT_TRUE(waitUntil([&] {
        const auto boxes = display->windows("^Confirm$");
        if (boxes.empty() || boxes.back() == first) return false;
        text = display->messageText(boxes.back());
        return text.find("zal ik laten staan") != std::string::npos;
    }));
    EXPECT_NE(text.find("\n\ndd. 16-11-2026\n*Verjaardag Piet\ntaart\nzal ik laten staan, maar het sterretje "
                        "verwijderen."),
              std::string::npos)
        << text;
    display->key({"Return"});  // OK
    const auto window = display->waitForWindow(kMainTitle);
    ASSERT_TRUE(window) << program->log();
    memos[12].line1 = "Verjaardag Piet";
    expectFile(memoPath, memoBytes(sorted(memos)));
    closeWithEscape(*program, *window);
}

}  // namespace
}  // namespace jotanor::e2e
