#include <gtest/gtest.h>

#include "calendar/core/CalendarGrid.h"

namespace jotanor {
namespace {

std::vector<std::string> row(const MonthGrid& g, int r) {
    std::vector<std::string> out;
    for (int c = 0; c < MonthGrid::kColumns; ++c) out.push_back(g.text(r, c));
    return out;
}

int dayCells(const MonthGrid& g) {
    int n = 0;
    for (int r = 1; r < MonthGrid::kRows; ++r)
        for (int c = 1; c < MonthGrid::kColumns; ++c) n += g.day(r, c) != 0;
    return n;
}

TEST(MonthGrid, December2026StartsOnATuesdayInWeek49AndEndsInWeek53) {
    const MonthGrid g({2026, 12});
    EXPECT_EQ(row(g, 0), (std::vector<std::string>{"week", "zo", "ma", "di", "wo", "do", "vr", "za"}));
    EXPECT_EQ(row(g, 1), (std::vector<std::string>{"49", "  ", "  ", "1", "2", "3", "4", "5"}));
    EXPECT_EQ(row(g, 2), (std::vector<std::string>{"50", "6", "7", "8", "9", "10", "11", "12"}));
    EXPECT_EQ(row(g, 5), (std::vector<std::string>{"53", "27", "28", "29", "30", "31", "  ", "  "}));
    EXPECT_EQ(row(g, 6), (std::vector<std::string>(8, "  ")));
    EXPECT_EQ(g.day(1, 3), 1);
    EXPECT_EQ(g.day(1, 1), 0);
    EXPECT_EQ(g.day(0, 1), 0);
    EXPECT_EQ(g.day(2, 0), 0);  // week numbers are no days
}

TEST(MonthGrid, AYearBeginningOnAFridayStartsWithWeek0) {
    const MonthGrid g({2027, 1});
    EXPECT_EQ(row(g, 1), (std::vector<std::string>{"0", "  ", "  ", "  ", "  ", "  ", "1", "2"}));
    EXPECT_EQ(row(g, 2)[0], "1");
    EXPECT_EQ(row(g, 6), (std::vector<std::string>{"5", "31", "  ", "  ", "  ", "  ", "  ", "  "}));
    // A row whose Sunday is blank takes the week of its Saturday: 2028 begins on a Saturday.
    EXPECT_EQ(row(MonthGrid({2028, 1}), 1)[0], "0");
}

TEST(MonthGrid, FebruaryFollowsTheGregorianLeapYears) {
    EXPECT_EQ(dayCells(MonthGrid({2028, 2})), 29);
    EXPECT_EQ(dayCells(MonthGrid({2100, 2})), 28);
    EXPECT_EQ(dayCells(MonthGrid({2000, 2})), 29);
    EXPECT_EQ(dayCells(MonthGrid({2026, 4})), 30);
    // February 2026 starts on a Sunday and fills exactly four rows.
    const MonthGrid feb({2026, 2});
    EXPECT_EQ(feb.day(1, 1), 1);
    EXPECT_EQ(feb.day(4, 7), 28);
    EXPECT_EQ(row(feb, 5)[0], "  ");
}

TEST(Kalender, TheFourGridsRunFromTheMonthBeforeTheShownOne) {
    using M = MonthOfYear;
    EXPECT_EQ(fourMonths({2026, 12}), (std::array<M, 4>{M{2026, 11}, M{2026, 12}, M{2027, 1}, M{2027, 2}}));
    EXPECT_EQ(fourMonths({2026, 11}), (std::array<M, 4>{M{2026, 10}, M{2026, 11}, M{2026, 12}, M{2027, 1}}));
    EXPECT_EQ(fourMonths({2027, 1}), (std::array<M, 4>{M{2026, 12}, M{2027, 1}, M{2027, 2}, M{2027, 3}}));
    EXPECT_EQ(fourMonths({0, 1})[0], (M{0, 12}));
    EXPECT_EQ(monthHeading({2026, 11}), "november 2026");
    EXPECT_EQ(monthHeading({2026, 10}), "october 2026");
}

TEST(Kalender, MonthButtonsStopAtTheEndsOfTheCalendar) {
    EXPECT_EQ(nextMonth({2026, 12}), (MonthOfYear{2027, 1}));
    EXPECT_EQ(previousMonth({2027, 1}), (MonthOfYear{2026, 12}));
    EXPECT_EQ(previousMonth({1, 2}), (MonthOfYear{1, 1}));
    EXPECT_EQ(previousMonth({1, 1}), std::nullopt);
    // Year 0 must not wrap round to the 16-bit year 65535.
    EXPECT_EQ(previousMonth({0, 1}), std::nullopt);
    EXPECT_EQ(nextMonth({9999, 9}), (MonthOfYear{9999, 10}));
    EXPECT_EQ(nextMonth({9999, 10}), std::nullopt);
}

TEST(Kalender, APressFindsTheCellDrawnUnderIt) {
    EXPECT_EQ(cellAt(0, 0), (CellPos{0, 0}));
    EXPECT_EQ(cellAt(36 * 3 + 10, 17 * 2 + 5), (CellPos{2, 3}));
    // The lower cells lie one grid line further on per row: the bottom of row 6
    // is still row 6, the right of column 7 still column 7.
    EXPECT_EQ(cellAt(36 * 7 + 34, 17 * 6 + 15), (CellPos{6, 7}));
    EXPECT_EQ(cellAt(36 * 8, 10), std::nullopt);
    EXPECT_EQ(cellAt(10, 17 * 7), std::nullopt);
    EXPECT_EQ(cellAt(-1, 5), std::nullopt);
}

TEST(Kalender, TheTwoDigitYearEditReadsClampedNumbers) {
    struct Case {
        const char* text;
        int number;
    };
    for (Case c : {Case{"7", 7}, Case{"07", 7}, Case{"99", 99}, Case{"", 0}, Case{"ab", 0}, Case{"4x", 0},
                   Case{"123", 99}, Case{"-5", 0}, Case{"0", 0}, Case{"99999999999999999999", 99}}) {
        EXPECT_EQ(yearNumber(c.text), c.number) << c.text;
    }
}

TEST(Kalender, TheSpinButtonKeepsTheCenturyInItsRange) {
    EXPECT_EQ(spinUp(40, 99)->century, 40);
    EXPECT_EQ(spinUp(20, 6)->edit, "07");
    EXPECT_EQ(spinDown(0, 0)->edit, "99");
    EXPECT_EQ(spinDown(0, 0)->century, 0);
    EXPECT_EQ(spinDown(1, 1)->edit, "00");
}

TEST(Kalender, TheHolidayPanelHasDatesBeyondTheCenturyTable) {
    EXPECT_EQ(feastColumn(2400), (std::array<std::string, 3>{"16  april    ", "25  mei      ", "4  juni     "}));
}

}  // namespace
}  // namespace jotanor
