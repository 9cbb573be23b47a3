#include <gtest/gtest.h>

#include "dates/Dates.h"
#include "calendar/core/CalendarGrid.h"
#include "output/core/PrintLayout.h"
#include "store/Errors.h"
#include "support/TempDir.h"

namespace jotanor {
namespace {

const DaySerial kFirst = encodeDate(2026, 12, 1);
const DaySerial kLast = encodeDate(2026, 12, 3);
const int kPage = 3200;  // a page's printable height at 300 dpi

class PrintLayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<unsigned char> bytes;
        for (const MemoRecord& m : std::vector<MemoRecord>{
                 {kFirst - 1, "ervoor", "niet"},
                 {kFirst, "tandarts", "om 9 uur"},
                 {kFirst, "boodschappen", ""},
                 {kFirst + 1, "verjaardag", ""},
                 {kLast, "laatste", "dag"},
                 {kLast + 1, "erna", ""},
             }) {
            auto r = encodeRecord(m);
            bytes.insert(bytes.end(), r.begin(), r.end());
        }
        test::writeBytes(path, bytes);
    }
    test::TempDir dir;
    std::filesystem::path path = dir.file("jotanor1.mem");
    MemoFile file{nativeFileSystem(), path};
};

TEST_F(PrintLayoutTest, BothEndsIncludedEachMemoWithItsOwnDateLine) {
    // A 9-point character 38 pixels high: lines 43 pixels apart.
    const auto page = printLayout(file, kFirst, kLast, 38, kPage);
    const auto B = PrintStyle::Body;
    const std::vector<PrintText> expected{
        {50, 129, PrintStyle::Header, "Memo-overzicht van dinsdag,  1-12-2026 t/m donderdag,  3-12-2026"},
        {50, 258, B, "dinsdag,  1-12-2026"},
        {100, 301, B, "tandarts"},
        {100, 344, B, "om 9 uur"},
        {50, 387, B, kPrintDivider},
        {50, 430, B, "dinsdag,  1-12-2026"},
        {100, 473, B, "boodschappen"},
        {50, 516, B, kPrintDivider},
        {50, 559, B, "woensdag,  2-12-2026"},
        {100, 602, B, "verjaardag"},
        {50, 645, B, kPrintDivider},
        {50, 688, B, "donderdag,  3-12-2026"},
        {100, 731, B, "laatste"},
        {100, 774, B, "dag"},
        {50, 817, B, kPrintDivider},
    };
    EXPECT_EQ(page, expected);
    EXPECT_EQ(kPrintDivider, "------------------");
}

// A memo that does not fit goes whole to a further page, laid out as the first.
TEST_F(PrintLayoutTest, MemosBeyondThePageGoOnOnTheNext) {
    // Lines 43 pixels apart: a page of 840 pixels holds lines 6 to 18 (the
    // foot of line 18 at 18 × 43 + 38 = 812), so the first three memos; the
    // fourth would take lines 16 to 19.
    const auto pages = printLayout(file, kFirst, kLast, 38, 840);
    ASSERT_EQ(pages.size(), 16u);
    for (std::size_t i = 0; i < 11; ++i) EXPECT_EQ(pages[i].page, 0) << i;
    EXPECT_EQ(pages[11], (PrintText{50, 129, PrintStyle::Header, pages[0].text, 1}));
    EXPECT_EQ(pages[12], (PrintText{50, 258, PrintStyle::Body, "donderdag,  3-12-2026", 1}));
    EXPECT_EQ(pages[15], (PrintText{50, 387, PrintStyle::Body, kPrintDivider, 1}));

    // A page too small for any memo still prints each, one to a page.
    const auto tiny = printLayout(file, kFirst, kLast, 38, 100);
    EXPECT_EQ(tiny.back().page, 3);
    EXPECT_EQ(tiny.back().y, 387);
}

TEST_F(PrintLayoutTest, ALastDateBeforeTheFirstPrintsTheHeaderOnly) {
    const auto page = printLayout(file, kLast, kFirst, 38, kPage);
    ASSERT_EQ(page.size(), 1u);
    EXPECT_EQ(page[0].text, "Memo-overzicht van donderdag,  3-12-2026 t/m dinsdag,  1-12-2026");
}

TEST_F(PrintLayoutTest, OneDayPickedTwicePrintsThatDay) {
    const auto page = printLayout(file, kFirst + 1, kFirst + 1, 50, kPage);
    ASSERT_EQ(page.size(), 4u);
    EXPECT_EQ(page[1], (PrintText{50, 330, PrintStyle::Body, "woensdag,  2-12-2026"}));
    EXPECT_EQ(page[2].text, "verjaardag");
}

TEST_F(PrintLayoutTest, TheDialogShowsTheDateOnceAboveTheMemosOfADay) {
    EXPECT_EQ(dayMemoLines(file, kFirst),
              (std::vector<std::string>{"dinsdag,  1-12-2026", "tandarts", "om 9 uur", kPrintDivider, "boodschappen",
                                        kPrintDivider}));
    EXPECT_TRUE(dayMemoLines(file, encodeDate(2027, 1, 1)).empty());
}

TEST_F(PrintLayoutTest, AnUnreadableFileRaises) {
    std::filesystem::remove(path);
    EXPECT_THROW(printLayout(file, kFirst, kLast, 38, kPage), IoError);
    EXPECT_THROW(dayMemoLines(file, kFirst), IoError);
}

}  // namespace
}  // namespace jotanor
