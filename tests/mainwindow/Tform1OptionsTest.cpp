#include <QFontInfo>
#include <QLabel>
#include <QTest>

#include "mainwindow/MemoListModel.h"
#include "mainwindow/Tform1.h"
#include "store/Errors.h"
#include "support/FaultyFileSystem.h"
#include "support/Child.h"
#include "support/UiFixture.h"

namespace jotanor {
namespace {

using test::child;

std::string fileText(const std::filesystem::path& p) {
    auto b = test::readBytes(p);
    return {b.begin(), b.end()};
}
void writeText(const std::filesystem::path& p, std::string_view text) {
    test::writeBytes(p, {text.begin(), text.end()});
}

class Tform1Options : public test::UiFixture {
protected:
    void SetUp() override {
        test::writeBytes(memoPath(), {});
        ASSERT_TRUE(form.FormCreate());
    }
    std::filesystem::path cfg() const { return dir.file("jotnor.cfg"); }
    bool weekIsGreen() const { return child<QLabel>(form, "Label3")->styleSheet().startsWith("color: rgb(0, 128, 0)"); }

    Tform1 form{scripted.platform()};
};

TEST_F(Tform1Options, TheFirstCloseWritesTheDefaults) {
    form.FormActivate();
    ASSERT_TRUE(form.FormClose());
    EXPECT_EQ(fileText(cfg()), "C:\\jotanor1.mem\r\n90\r\n90\r\n0\r\n1\r\n");
}

TEST_F(Tform1Options, TheFileSettingsPlaceTheWindowAndColourTheWeek) {
    writeText(cfg(), "D:\\b.mem\r\n30\r\n50\r\n10\r\n0\r\n");
    form.FormActivate();
    EXPECT_EQ(form.x(), 300);  // 30 % of 1000
    EXPECT_EQ(form.height(), 400);
    EXPECT_EQ(form.settings().backupPlace, "D:\\b.mem");
    EXPECT_EQ(form.settings().fontSize, 10);
    EXPECT_EQ(child(form, "ListBox1")->font().pointSize(), 10);
    // Week 50: even weeks are green with parity 0, odd ones with 1, none with 2.
    EXPECT_TRUE(weekIsGreen());
    writeText(cfg(), "D:\\b.mem\r\n45\r\n50\r\n10\r\n1\r\n");
    form.FormActivate();
    EXPECT_FALSE(weekIsGreen());
    scripted.todayDate = {2026, 12, 13};  // week 51
    form.FormActivate();
    EXPECT_TRUE(weekIsGreen());
    writeText(cfg(), "D:\\b.mem\r\n45\r\n50\r\n10\r\n2\r\n");
    form.FormActivate();
    EXPECT_FALSE(weekIsGreen());
}

// The values read before the bad line are taken, the rest keep theirs, and
// the activation goes on: the window is placed and the list is shown.
TEST_F(Tform1Options, AFileThatCannotBeReadWholeIsReportedAndTheActivationGoesOn) {
    struct Case {
        const char* file;
        const char* error;
        int x, height;  // of the frame on a 1000 × 800 screen
        const char* written;
    };
    // (A backup place that every system can write at close.)
    for (const Case& c : {Case{"b.mem\r\n30\r\n4,5\r\n10\r\n0\r\n", "'4,5' is not a valid integer value", 300,
                               720, "b.mem\r\n30\r\n90\r\n0\r\n1\r\n"},
                          Case{"\r\n30\r\n50\r\n", "'' is not a valid integer value", 300, 400,
                               "\r\n30\r\n50\r\n0\r\n1\r\n"}}) {
        Tform1 window(scripted.platform());
        ASSERT_TRUE(window.FormCreate());
        window.show();
        writeText(cfg(), c.file);
        scripted.shown.clear();
        window.FormActivate();
        ASSERT_EQ(scripted.shown.size(), 1u) << c.file;
        EXPECT_EQ(scripted.shown[0].kind, MsgKind::Error);
        EXPECT_EQ(scripted.shown[0].text, c.error);
        EXPECT_EQ(window.frameGeometry(), QRect(c.x, 0, 635, c.height));
        EXPECT_EQ(child<QLabel>(window, "Label3")->text(), "Week 50");
        EXPECT_EQ(child<QLabel>(window, "Label2")->text(), "Memo's: 10 weken vanaf 0 weken terug");
        EXPECT_GT(child<MemoListModel>(window, "listModel")->rowCount(), 0) << "the holiday memos are listed";
        ASSERT_TRUE(window.FormClose());
        EXPECT_EQ(fileText(cfg()), c.written);
    }
}

TEST_F(Tform1Options, ASizeOfNoneAtALaterActivationBringsBackTheListsOwnFont) {
    const QFont own = child(form, "ListBox1")->font();
    writeText(cfg(), "D:\\b.mem\r\n45\r\n50\r\n10\r\n0\r\n");
    form.FormActivate();
    EXPECT_EQ(child(form, "ListBox1")->font().pointSize(), 10);
    writeText(cfg(), "D:\\b.mem\r\n45\r\n50\r\n0\r\n0\r\n");
    form.FormActivate();
    EXPECT_EQ(child(form, "ListBox1")->font(), own);
    // The largest size the file can give is held at what a font can have.
    writeText(cfg(), "D:\\b.mem\r\n45\r\n50\r\n2147483647\r\n0\r\n");
    form.FormActivate();
    EXPECT_EQ(child(form, "ListBox1")->font().pointSize(), 10000);
    EXPECT_GT(QFontInfo(child(form, "ListBox1")->font()).pixelSize(), 0);
}

TEST_F(Tform1Options, ActivationReloadsTheFileOverUnsavedChanges) {
    writeText(cfg(), "D:\\b.mem\r\n45\r\n50\r\n10\r\n0\r\n");
    form.FormActivate();
    form.settings().fontSize = 12;
    form.settings().backupPlace = "";
    form.FormActivate();
    EXPECT_EQ(form.settings().fontSize, 10);
    EXPECT_EQ(form.settings().backupPlace, "D:\\b.mem");
    // Without a file, the backup place is reset and the rest is kept.
    std::filesystem::remove(cfg());
    form.settings().fontSize = 12;
    form.FormActivate();
    EXPECT_EQ(form.settings().backupPlace, "C:\\jotanor1.mem");
    EXPECT_EQ(form.settings().fontSize, 12);
}

TEST_F(Tform1Options, AWriteErrorAtCloseKeepsTheWindowOpenAndTheOldFile) {
    writeText(cfg(), "D:\\b.mem\r\n45\r\n50\r\n10\r\n0\r\n");
    test::FaultyFileSystem faulty;
    scripted.platform().fileSystem = &faulty;
    faulty.failAt(4, test::Fault::DiskFull);  // the write into the new file
    form.show();
    form.settings().leftPercent = 20;
    form.close();
    EXPECT_TRUE(form.isVisible());
    ASSERT_EQ(scripted.shown.size(), 1u);
    EXPECT_EQ(scripted.shown[0].text.section('\n', 0, 0), "Disk full");
    EXPECT_EQ(fileText(cfg()), "D:\\b.mem\r\n45\r\n50\r\n10\r\n0\r\n");
    form.close();  // the user closes again
    EXPECT_FALSE(form.isVisible());
    // No activation ran: the backup place is still the empty one of the start.
    EXPECT_EQ(fileText(cfg()), "\r\n20\r\n90\r\n0\r\n1\r\n");
}

class Tform1Recurrence : public test::UiFixture {
protected:
    void writeMemos(const std::vector<MemoRecord>& memos) {
        test::writeMemos(memoPath(), memos);
    }
};

TEST_F(Tform1Recurrence, TheStartAsksAboutDueStarredMemos) {
    writeMemos({{encodeDate(2025, 11, 25), "*Jan jarig", "caf\xe9"}, {encodeDate(2025, 11, 26), "*Piet", ""}});
    scripted.answers = {MsgResult::Yes, MsgResult::No, MsgResult::Ok};
    Tform1 form(scripted.platform());
    ASSERT_TRUE(form.FormCreate());
    ASSERT_EQ(scripted.shown.size(), 3u);
    EXPECT_EQ(scripted.shown[0].kind, MsgKind::Confirmation);
    EXPECT_EQ(scripted.shown[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(scripted.shown[0].text,
              "\n\ndd. 25-11-2025\n*Jan jarig\ncafé\nBovenstaand record is volgend jaar ook nog geldig.\n"
              "Nu dus maar verplaatsen naar 1 jaar later?");
    EXPECT_EQ(scripted.shown[2].kind, MsgKind::Confirmation);
    EXPECT_EQ(scripted.shown[2].buttons, MsgButtons::OkCancel);
    EXPECT_EQ(scripted.shown[2].text, "\n\ndd. 26-11-2025\n*Piet\n\nzal ik laten staan, maar het sterretje verwijderen.");
    auto all = form.session().file().readAll();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0], (MemoRecord{encodeDate(2025, 11, 26), "Piet", ""}));
    EXPECT_EQ(all[1], (MemoRecord{encodeDate(2026, 11, 25), "*Jan jarig", "caf\xe9"}));
}

}  // namespace
}  // namespace jotanor
