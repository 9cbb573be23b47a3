#include <gtest/gtest.h>

#include "dates/Dates.h"
#include "diary/HolidayMemos.h"
#include "support/TempDir.h"

namespace jotanor {
namespace {

using test::writeMemos;

TEST(HolidayMemos, NameTheFourFeastDaysOnTheirDates) {
    const auto memos = holidayMemos(2026);
    EXPECT_EQ(memos[0], (MemoRecord{encodeDate(2026, 2, 18), "Aswoensdag", ""}));
    EXPECT_EQ(memos[1], (MemoRecord{encodeDate(2026, 4, 5), "1e Paasdag", ""}));
    EXPECT_EQ(memos[2], (MemoRecord{encodeDate(2026, 5, 14), "Hemelsvaartdag", ""}));
    EXPECT_EQ(memos[3], (MemoRecord{encodeDate(2026, 5, 24), "1e Pinksterdag", ""}));

    const auto around = holidayMemosAround(2026);
    ASSERT_EQ(around.size(), 12u);
    EXPECT_EQ(around[0].date, encodeDate(2025, 3, 5));
    EXPECT_EQ(around[11].date, encodeDate(2027, 5, 16));
}

TEST(HolidayMemos, CountOnlyAMemoWithTheSameDateAndFirstLine) {
    test::TempDir dir;
    const auto path = dir.file("jotanor1.mem");
    const DaySerial easter = encodeDate(2026, 4, 5);
    MemoFile file(nativeFileSystem(), path);
    const std::vector<MemoRecord> candidates = {{easter, "1e Paasdag", ""}};
    auto present = [&](const std::vector<MemoRecord>& stored) -> bool {
        writeMemos(path, stored);
        return memosPresent(file, candidates)[0];
    };
    EXPECT_FALSE(present({}));
    EXPECT_TRUE(present({{easter - 3, "x", ""}, {easter, "1e Paasdag", "met eieren"}}));  // line2 does not count
    EXPECT_FALSE(present({{easter, "Verjaardag", ""}}));
    EXPECT_FALSE(present({{easter + 7, "1e Paasdag", ""}}));
    EXPECT_FALSE(present({{easter, "1e paasdag", ""}}));
    EXPECT_FALSE(present({{easter, "1e Paasdag ", ""}}));
    EXPECT_FALSE(present({{easter + 0.25, "1e Paasdag", ""}}));
}

TEST(HolidayMemos, AreFoundAllInOnePassWhereverTheyStand) {
    test::TempDir dir;
    const auto path = dir.file("jotanor1.mem");
    MemoFile file(nativeFileSystem(), path);
    const auto all = holidayMemosAround(2026);
    writeMemos(path, {all[11], {all[3].date, "ander", ""}, all[0], all[5]});
    const auto present = memosPresent(file, all);
    for (std::size_t i = 0; i < all.size(); ++i) EXPECT_EQ(present[i], i == 0 || i == 5 || i == 11) << i;
}

}  // namespace
}  // namespace jotanor
