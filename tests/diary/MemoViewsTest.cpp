#include <cmath>
#include <gtest/gtest.h>

#include "dates/Dates.h"
#include "diary/MemoViews.h"
#include "store/Errors.h"
#include "support/FaultyFileSystem.h"
#include "support/TempDir.h"

namespace jotanor {
namespace {

using test::writeMemos;

class MemoViewsTest : public ::testing::Test {
protected:
    // One memo on each of the given days, line1 naming the day's offset.
    std::vector<std::string> listed(const ViewWindow& window, DaySerial base, std::vector<int> offsets) {
        std::vector<MemoRecord> memos;
        for (int o : offsets) memos.push_back({base + o, std::to_string(o), ""});
        writeMemos(path, memos);
        MemoBlocks blocks;
        fillBlocks(file, window, today, blocks);
        std::vector<std::string> out;
        for (std::size_t b = 0; b < blocks.size(); ++b) out.emplace_back(blocks.line1(b));
        return out;
    }

    test::TempDir dir;
    std::filesystem::path path = dir.file("jotanor1.mem");
    MemoFile file{nativeFileSystem(), path};
    DaySerial today = encodeDate(2026, 12, 6);
};

using Lines = std::vector<std::string>;

TEST_F(MemoViewsTest, TheTenWeekViewListsSeventyOneDaysFromYesterday) {
    EXPECT_EQ(listed(tenWeekWindow(today, 0), today, {-2, -1, 0, 69, 70}), (Lines{"-1", "0", "69"}));
}

TEST_F(MemoViewsTest, EachWeekBackMovesTheTenWeeksSevenDays) {
    EXPECT_EQ(listed(tenWeekWindow(today, 1), today, {-9, -8, 62, 63}), (Lines{"-8", "62"}));
    EXPECT_EQ(listed(tenWeekWindow(today, 9), today, {-65, -64, 6, 7}), (Lines{"-64", "6"}));
}

TEST_F(MemoViewsTest, TheFromDateViewListsNineWeeks) {
    const DaySerial f = encodeDate(2027, 2, 27);
    EXPECT_EQ(listed(fromDateWindow(f), f, {-1, 0, 62, 63}), (Lines{"0", "62"}));
}

TEST_F(MemoViewsTest, TheYearViewListsFirstToLastDayOfTheYear) {
    const DaySerial jan1 = encodeDate(2028, 1, 1);
    EXPECT_EQ(listed(yearWindow(2028), jan1, {-1, 0, 365, 366}), (Lines{"0", "365"}));
}

TEST_F(MemoViewsTest, TheWholeFileRunsFrom1940To2100) {
    const DaySerial first = encodeDate(1940, 1, 1);
    const DaySerial last = encodeDate(2100, 12, 31);
    writeMemos(path, {{first - 1, "voor", ""}, {first, "eerste", ""}, {today, "vandaag", ""}, {last, "laatste", ""},
                      {last + 1, "na", ""}});
    MemoBlocks blocks;
    int chimes = 0;
    EXPECT_EQ(fillBlocks(file, wholeFileWindow(), today, blocks, [&] { ++chimes; }), 3u);
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks.line1(0), "eerste");
    EXPECT_EQ(blocks.line1(2), "laatste");
    // Marked, but silent.
    EXPECT_TRUE(blocks.today(1));
    EXPECT_EQ(chimes, 0);
}

TEST_F(MemoViewsTest, BlocksHoldTheirLinesAndTheRecordTheyCameFrom) {
    writeMemos(path, {{today - 30, "oud", ""},
                      {today, "*verjaardag", ""},
                      {today + 0.0, "tweede", "regel twee"},
                      {today + 85, "1-3-2027", "x"}});
    MemoBlocks blocks;
    int chimes = 0;
    fillBlocks(file, tenWeekWindow(today, 0), today, blocks, [&] { ++chimes; });
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks.position(0), 1u);
    EXPECT_EQ(blocks.position(1), 2u);
    EXPECT_EQ(blocks.line(0, 0), ">> zondag,  6-12-2026");
    EXPECT_EQ(blocks.line(0, 1), "*verjaardag");
    EXPECT_EQ(blocks.line(0, 2), "");
    EXPECT_EQ(blocks.line(1, 2), "regel twee");
    EXPECT_EQ(blocks.line(1, 3), std::string(222, '-'));
    EXPECT_EQ(chimes, 2);  // once for every memo of today

    blocks.clear();
    fillBlocks(file, fromDateWindow(today + 84), today, blocks);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks.line(0, 0), "maandag,  1-3-2027");
    EXPECT_EQ(blocks.position(0), 3u);
}

TEST_F(MemoViewsTest, AFractionOfADayIsNotToday) {
    writeMemos(path, {{today + 0.5, "middag", ""}});
    MemoBlocks blocks;
    int chimes = 0;
    fillBlocks(file, tenWeekWindow(today, 0), today, blocks, [&] { ++chimes; });
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks.line(0, 0), "zondag,  6-12-2026");
    EXPECT_EQ(chimes, 0);
}

TEST_F(MemoViewsTest, YearZeroFailsAtTheFirstRecordButNotOnAnEmptyFile) {
    writeMemos(path, {});
    MemoBlocks blocks;
    EXPECT_EQ(fillBlocks(file, yearWindow(0), today, blocks), 0u);

    writeMemos(path, {{today, "a", ""}});
    try {
        fillBlocks(file, yearWindow(0), today, blocks);
        FAIL() << "no date error";
    } catch (const DateError& e) {
        EXPECT_STREQ(e.what(), "Invalid argument to date encode");
    }
    EXPECT_TRUE(blocks.empty());
}

TEST_F(MemoViewsTest, AFailedReadKeepsTheBlocksReadBeforeIt) {
    // More records than one block read holds.
    std::vector<MemoRecord> memos(6000, MemoRecord{today, "x", ""});
    writeMemos(path, memos);
    test::FaultyFileSystem faulty;
    MemoFile viaFaulty(faulty, path);
    faulty.failAt(5, test::Fault::IoFailure);  // open, lock, size, first read, second read
    MemoBlocks blocks;
    EXPECT_THROW(fillBlocks(viaFaulty, wholeFileWindow(), today, blocks), IoError);
    EXPECT_GT(blocks.size(), 0u);
    EXPECT_LT(blocks.size(), 6000u);
}

// Across block reads (618 records), at the file's ends and out of date order,
// a view lists and chimes as a look at every record would.
TEST_F(MemoViewsTest, AViewListsWhatALookAtEveryRecordFinds) {
    const DaySerial base = today - 300;
    const std::vector<ViewWindow> windows = {tenWeekWindow(today, 0), fromDateWindow(base - 30),
                                             fromDateWindow(base + 630), fromDateWindow(base + 700), yearWindow(2027)};
    for (const std::string kind : {"0", "1", "619", "1300", "nan", "swap"}) {
        const std::size_t n = kind == "nan" || kind == "swap" ? 1300 : std::stoul(kind);
        std::vector<MemoRecord> memos;
        for (std::size_t i = 0; i < n; ++i) memos.push_back({base + static_cast<double>(i / 2), "m", ""});
        if (kind == "nan") memos[650].date = std::nan("");
        if (kind == "swap") std::swap(memos[599], memos[600]);
        writeMemos(path, memos);
        for (const ViewWindow& w : windows) {
            std::vector<std::size_t> expected, listed;
            int todays = 0, chimes = 0;
            for (std::size_t i = 0; i < n; ++i)
                if (w.contains(memos[i].date)) expected.push_back(i);
            for (std::size_t i : expected) todays += memos[i].date == today;
            MemoBlocks blocks;
            fillBlocks(file, w, today, blocks, [&] { ++chimes; });
            for (std::size_t b = 0; b < blocks.size(); ++b) listed.push_back(blocks.position(b));
            EXPECT_EQ(listed, expected) << kind << " from " << w.low;
            EXPECT_EQ(chimes, todays) << kind << " from " << w.low;
        }
    }
}

TEST(MemoViewTitles, AreTheViewsOwnTexts) {
    EXPECT_EQ(tenWeekTitle(0), "Memo's: 10 weken vanaf 0 weken terug");
    EXPECT_EQ(tenWeekTitle(1), "Memo's: 10 weken vanaf 1 week terug");
    EXPECT_EQ(tenWeekTitle(3), "Memo's: 10 weken vanaf 3 weken terug");
    EXPECT_EQ(fromDateTitle("6-12-2026"), "Memo's van 10 weken vanaf 6-12-2026");
    EXPECT_EQ(yearTitle(0, 0), "Alle 0 memo's van het jaar 0");
    EXPECT_EQ(yearTitle(12, 2027), "Alle 12 memo's van het jaar 2027");
    EXPECT_EQ(wholeFileTitle(65536), "Alle 65536 memo\"s");
}

}  // namespace
}  // namespace jotanor
