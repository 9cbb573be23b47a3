#include <QLabel>
#include <algorithm>

#include "diary/HolidayMemos.h"
#include "dates/Dates.h"
#include "diary/MemoCommands.h"
#include "mainwindow/MemoListModel.h"
#include "mainwindow/Tform1.h"
#include "support/FaultyFileSystem.h"
#include "support/Child.h"
#include "support/UiFixture.h"

namespace jotanor {
namespace {

using test::child;

QString labelText(const QObject& window, const char* name) { return child<QLabel>(window, name)->text(); }

class HolidaysTest : public test::UiFixture {
protected:
    void SetUp() override {
        test::writeBytes(memoPath(), {});
        ASSERT_TRUE(form.FormCreate());
    }
    std::vector<MemoRecord> memos() { return form.session().file().readAll(); }

    Tform1 form{scripted.platform()};
};

TEST_F(HolidaysTest, AnEmptyFileGetsTheTwelveHolidayMemosInDateOrder) {
    form.FormActivate();
    const std::vector<MemoRecord> expected = {
        {encodeDate(2025, 3, 5), "Aswoensdag", ""},      {encodeDate(2025, 4, 20), "1e Paasdag", ""},
        {encodeDate(2025, 5, 29), "Hemelsvaartdag", ""}, {encodeDate(2025, 6, 8), "1e Pinksterdag", ""},
        {encodeDate(2026, 2, 18), "Aswoensdag", ""},     {encodeDate(2026, 4, 5), "1e Paasdag", ""},
        {encodeDate(2026, 5, 14), "Hemelsvaartdag", ""}, {encodeDate(2026, 5, 24), "1e Pinksterdag", ""},
        {encodeDate(2027, 2, 10), "Aswoensdag", ""},     {encodeDate(2027, 3, 28), "1e Paasdag", ""},
        {encodeDate(2027, 5, 6), "Hemelsvaartdag", ""},  {encodeDate(2027, 5, 16), "1e Pinksterdag", ""},
    };
    EXPECT_EQ(memos(), expected);
    // Ash Wednesday 2027 lies within the ten weeks shown afterwards.
    EXPECT_EQ(labelText(form, "Label2"), "Memo's: 10 weken vanaf 0 weken terug");
    EXPECT_EQ(child<MemoListModel>(form, "listModel")->blockCount(), 1u);

    const auto before = test::readBytes(memoPath());
    form.FormActivate();
    EXPECT_EQ(test::readBytes(memoPath()), before);
}

TEST_F(HolidaysTest, OnlyTheSameDateAndFirstLineCountAsPresent) {
    const DaySerial easter = encodeDate(2026, 4, 5);
    for (MemoRecord m : {MemoRecord{easter, "Verjaardag Jan", ""}, MemoRecord{easter + 1, "1e Paasdag", ""},
                         MemoRecord{encodeDate(2026, 5, 14), "Hemelsvaartdag", "eigen tekst"}})
        mydata1_opbergen(form.session().file(), m);
    holidayCheck(form.session().file(), 2026);
    const auto all = memos();
    EXPECT_EQ(all.size(), 14u);
    auto count = [&](DaySerial d, const std::string& line1) {
        return std::count_if(all.begin(), all.end(), [&](const MemoRecord& m) { return m.date == d && m.line1 == line1; });
    };
    EXPECT_EQ(count(easter, "1e Paasdag"), 1);
    EXPECT_EQ(count(encodeDate(2026, 5, 14), "Hemelsvaartdag"), 1);

    EXPECT_EQ(memosPresent(form.session().file(), {{easter, "1e Paasdag", "wat dan ook"}, {easter, "1E Paasdag", ""}}),
              (std::vector<bool>{true, false}));
}

TEST_F(HolidaysTest, FeestdagenWritesTheMissingMemosOfOneYear) {
    const auto year2030 = holidayMemos(2030);
    for (int twice = 0; twice < 2; ++twice) storeMissing(form.session().file(), {year2030.begin(), year2030.end()});
    const auto all = memos();
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[1], (MemoRecord{encodeDate(2030, 4, 21), "1e Paasdag", ""}));
}

TEST(HolidaysFailing, AFileErrorIsShownAndTheActivationGoesOn) {
    test::TempDir dir;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    {
        test::ScriptedPlatform scripted;
        test::FaultyFileSystem faulty;
        Platform platform = scripted.platform();
        platform.fileSystem = &faulty;
        test::writeBytes(dir.file("jotanor1.mem"), {});
        Tform1 form(platform);
        ASSERT_TRUE(form.FormCreate());
        faulty.reset();
        faulty.failAt(1, test::Fault::AccessDenied);  // the holiday check's open
        form.FormActivate();
        ASSERT_EQ(scripted.shown.size(), 1u);
        EXPECT_EQ(scripted.shown[0].kind, MsgKind::Error);
        EXPECT_EQ(scripted.shown[0].text.section('\n', 0, 0), "File access denied");
        EXPECT_EQ(std::filesystem::file_size(dir.file("jotanor1.mem")), 0u);
        EXPECT_EQ(labelText(form, "Label3"), "Week 50");
        EXPECT_EQ(labelText(form, "Label2"), "Memo's: 10 weken vanaf 0 weken terug");
    }
    std::filesystem::current_path(previous);
}

}  // namespace
}  // namespace jotanor
