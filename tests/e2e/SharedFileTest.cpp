// The memo file beyond one program and one plain file: two copies of the
// program on one folder, a diary kept elsewhere and linked, links planted
// under the names of the helper files, and a FIFO in the memo file's place.
#include <sys/stat.h>

#include "e2e/Fixture.h"

namespace jotanor::e2e {
namespace {

class SharedFile : public EndToEnd {
protected:
    // The window with this title that is not `other`, once it shows.
    std::string anotherWindow(const std::string& titleRegex, const std::string& other) {
        std::string found;
        waitUntil([&] {
            for (const auto& w : display->windows(titleRegex))
                if (w != other) found = w;
            return !found.empty();
        });
        EXPECT_FALSE(found.empty()) << "no second window " << titleRegex;
        if (!found.empty()) display->focus(found);
        return found;
    }

    void inDialog(const std::string& title, const std::vector<std::string>& keys, const std::string& text = {}) {
        ASSERT_TRUE(display->waitForWindow("^" + title + "$")) << "no window \"" << title << "\"";
        if (!text.empty()) display->type(text);
        display->key(keys);
        ASSERT_TRUE(display->waitUntilGone("^" + title + "$")) << "\"" << title << "\" stayed open";
    }
};

// Copy A asks whether to delete a memo; meanwhile copy B enters a memo that
// sorts before it. A's Yes deletes the memo A showed, not B's.
TEST_F(SharedFile, ADeleteAnsweredAfterAnotherCopyEnteredAMemoDeletesTheRightOne) {
    auto memos = holidays2025to2027();
    memos.push_back({2026, 12, 7, "Kapper", ""});
    putFile(memoPath, memoBytes(sorted(memos)));
    std::optional<Program> a, b;
    const auto windowA = startToMainWindow(a);
    display->xdotool({"mousemove", "--window", windowA, "100", "90", "click", "1"});
    display->key({"Delete"});
    const auto question = display->waitForWindow("^Dit record verwijderen \\?$");
    ASSERT_TRUE(question) << a->log();

    b.emplace(*display, work);
    const auto windowB = anotherWindow(kMainTitle, windowA);
    display->key({"i"});
    inDialog("Kalender", {"i"});
    inDialog("Invoer van een record", {"Return"}, "Tandarts");
    auto withEntry = memos;
    withEntry.push_back({2026, 12, 6, "Tandarts", ""});
    expectFile(memoPath, memoBytes(sorted(withEntry)));

    display->focus(*question);
    display->key({"alt+j"});
    ASSERT_TRUE(display->waitUntilGone("^Dit record verwijderen \\?$"));
    withEntry.erase(withEntry.end() - 2);  // Kapper
    expectFile(memoPath, memoBytes(sorted(withEntry)));
    closeWithEscape(*a, windowA);
    closeWithEscape(*b, windowB);
    expectFile(memoPath, memoBytes(sorted(withEntry)));
}

// Both copies ask to move the same overdue starred memo; Yes in both moves
// it once, and the memo beside it stays.
TEST_F(SharedFile, AStarredMemoMovedByTwoCopiesMovesOnce) {
    auto memos = holidays2025to2027();
    memos.push_back({2026, 11, 1, "*Verjaardag", "Jan"});
    memos.push_back({2026, 11, 2, "Ernaast", ""});
    putFile(memoPath, memoBytes(sorted(memos)));
    std::optional<Program> a, b;
    a.emplace(*display, work);
    const auto askA = display->waitForWindow("^Confirm$");
    ASSERT_TRUE(askA) << a->log();
    b.emplace(*display, work);
    const auto askB = anotherWindow("^Confirm$", *askA);
    ASSERT_FALSE(askB.empty()) << b->log();

    display->focus(*askA);
    display->key({"Return"});
    const auto windowA = anotherWindow(kMainTitle, "");
    auto moved = memos;
    moved[moved.size() - 2] = {2027, 11, 1, "*Verjaardag", "Jan"};
    expectFile(memoPath, memoBytes(sorted(moved)));

    display->focus(askB);
    display->key({"Return"});
    const auto windowB = anotherWindow(kMainTitle, windowA);
    EXPECT_EQ(fileBytes(memoPath), memoBytes(sorted(moved)));
    closeWithEscape(*a, windowA);
    closeWithEscape(*b, windowB);
    EXPECT_EQ(fileBytes(memoPath), memoBytes(sorted(moved)));
}

// The diary kept in another folder and linked, with a hard link beside it
// and a mode shared with a group; the backup place a link to a stick; links
// planted under the journal's and the pending files' names (the one in
// the journal's place removed once the user is told to). One memo entered
// and the program closed: the real files got every write, the links and
// modes stayed, and the file the planted links point at did not change.
TEST_F(SharedFile, LinkedFilesKeepTheirLinksAndPlantedLinksAreNotWrittenThrough) {
    const auto elsewhere = dir.file("elders");
    const auto stick = dir.file("stick");
    std::filesystem::create_directory(elsewhere);
    std::filesystem::create_directory(stick);
    const auto real = elsewhere / "dagboek.mem";
    putFile(real, memoBytes(holidays2025to2027()));
    ::chmod(real.c_str(), 0640);
    std::filesystem::create_hard_link(real, elsewhere / "ook.mem");
    std::filesystem::create_symlink(real, memoPath);
    const auto backup = stick / "reserve.mem";
    putFile(backup, {});
    ::chmod(backup.c_str(), 0644);
    const auto place = work / "reserve.mem";
    std::filesystem::create_symlink(backup, place);
    putText(work / "jotnor.cfg", place.string() + "\r\n90\r\n90\r\n0\r\n1\r\n");
    const auto outside = dir.file("buiten");
    putText(outside, "niet aankomen");
    for (const auto& name : {elsewhere / ".dagboek.mem.journal", work / "jotnor.cfg.new", stick / "reserve.mem.new"})
        std::filesystem::create_symlink(outside, name);

    std::optional<Program> program;
    program.emplace(*display, work);
    // The link under the journal's name is no journal of this program: it
    // is left alone, and the user is told what to do, which is done here.
    const auto warning = display->waitForWindow("^Warning$");
    ASSERT_TRUE(warning) << program->log();
    EXPECT_NE(display->messageText(*warning).find("verwijderen"), std::string::npos);
    display->key({"Return"});
    const std::string window = display->waitForWindow(kMainTitle).value_or("");
    ASSERT_FALSE(window.empty()) << program->log();
    EXPECT_TRUE(std::filesystem::is_symlink(elsewhere / ".dagboek.mem.journal"));
    std::filesystem::remove(elsewhere / ".dagboek.mem.journal");
    display->key({"i"});
    inDialog("Kalender", {"i"});
    inDialog("Invoer van een record", {"Return"}, "Tandarts");
    auto memos = holidays2025to2027();
    memos.push_back({2026, 12, 6, "Tandarts", ""});
    expectFile(real, memoBytes(sorted(memos)));
    closeWithEscape(*program, window);

    EXPECT_TRUE(std::filesystem::is_symlink(memoPath));
    EXPECT_EQ(fileBytes(elsewhere / "ook.mem"), memoBytes(sorted(memos)));
    EXPECT_EQ(permissions(real), 0640u);
    EXPECT_TRUE(std::filesystem::is_symlink(place));
    EXPECT_EQ(fileBytes(backup), memoBytes(sorted(memos)));
    EXPECT_EQ(permissions(backup), 0644u);
    EXPECT_EQ(fileText(outside), "niet aankomen");
    EXPECT_FALSE(std::filesystem::exists(elsewhere / ".dagboek.mem.journal"));
    EXPECT_EQ(fileText(work / "jotnor.cfg"), place.string() + "\r\n90\r\n90\r\n0\r\n1\r\n");
}

// A FIFO where the memo file belongs does not hang the start: it cannot be
// opened, the user is asked as for a missing file, and creating it is
// refused as access denied.
TEST_F(SharedFile, AFifoAsTheMemoFileIsRefusedWithoutHanging) {
    ASSERT_EQ(::mkfifo(memoPath.c_str(), 0600), 0);
    putText(work / "jotnor.cfg", "\r\n90\r\n90\r\n0\r\n1\r\n");
    std::optional<Program> program;
    program.emplace(*display, work);
    ASSERT_TRUE(display->waitForWindow("^Confirm$")) << program->log();
    display->key({"Return"});
    // Creating it, then the activation's holiday memos and list: each is
    // refused and reported, one box after another.
    int refusals = 0;
    std::string last;
    while (const auto error = display->waitForWindow("^Error$", refusals == 0 ? kPatience : 3s)) {
        if (*error == last) continue;  // the box answered is still closing
        EXPECT_NE(display->messageText(*error).find("\nFile access denied\n"), std::string::npos);
        display->key({"Return"});
        last = *error;
        ASSERT_LT(++refusals, 6);
    }
    EXPECT_GE(refusals, 2);
    const auto window = display->waitForWindow("^Jotanor$");
    ASSERT_TRUE(window) << program->log();
    closeWithEscape(*program, *window);
    struct stat st {};
    ASSERT_EQ(::lstat(memoPath.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

}  // namespace
}  // namespace jotanor::e2e
