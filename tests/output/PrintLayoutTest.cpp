#include <gtest/gtest.h>

#include "calendar/Dates.h"
#include "output/PrintLayout.h"
#include "store/Errors.h"
#include "support/TempDir.h"

namespace jotanor {
namespace {

const DaySerial kFirst = encodeDate(2026, 12, 1);
const DaySerial kLast = encodeDate(2026, 12, 3);

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
    const auto page = printLayout(file, kFirst, kLast, 38);
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

TEST_F(PrintLayoutTest, ALastDateBeforeTheFirstPrintsTheHeaderOnly) {
    const auto page = printLayout(file, kLast, kFirst, 38);
    ASSERT_EQ(page.size(), 1u);
    EXPECT_EQ(page[0].text, "Memo-overzicht van donderdag,  3-12-2026 t/m dinsdag,  1-12-2026");
}

TEST_F(PrintLayoutTest, OneDayPickedTwicePrintsThatDay) {
    const auto page = printLayout(file, kFirst + 1, kFirst + 1, 50);
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
    EXPECT_THROW(printLayout(file, kFirst, kLast, 38), IoError);
    EXPECT_THROW(dayMemoLines(file, kFirst), IoError);
}

}  // namespace
}  // namespace jotanor
