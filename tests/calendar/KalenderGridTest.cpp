#include <gtest/gtest.h>

#include "calendar/KalenderGrid.h"
#include "store/Errors.h"
#include "support/TempDir.h"

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

TEST(MonthGrid, Year0HasNoDaysAndGreyCells) {
    const MonthGrid g({0, 5});
    EXPECT_EQ(dayCells(g), 0);
    EXPECT_EQ(row(g, 0)[1], "zo");
    for (int r = 1; r < MonthGrid::kRows; ++r) {
        EXPECT_EQ(g.text(r, 0), "  ");
        EXPECT_EQ(g.colour(r, 3, {0, 5, 1}, {0, 5, 1}), CellColour::Grey);
    }
    EXPECT_EQ(g.colour(0, 3, {}, {}), CellColour::Silver);
}

TEST(MonthGrid, ChosenDayIsRedOverTheYellowTodayMark) {
    const MonthGrid g({2026, 12});
    const Ymd today{2026, 12, 6};
    EXPECT_EQ(g.colour(2, 1, today, today), CellColour::Red);
    EXPECT_EQ(g.colour(2, 1, today, {2026, 12, 10}), CellColour::Yellow);
    EXPECT_EQ(g.colour(2, 5, today, {2026, 12, 10}), CellColour::Red);
    // The same day number in another month or year is not marked.
    EXPECT_EQ(g.colour(2, 1, {2026, 11, 6}, {2025, 12, 6}), CellColour::Aqua);
    // Blank cells and headings never take a mark.
    EXPECT_EQ(g.colour(1, 1, today, {2026, 12, 0}), CellColour::Aqua);
    EXPECT_EQ(g.colour(0, 1, today, today), CellColour::Silver);
    EXPECT_EQ(g.colour(2, 0, today, today), CellColour::Silver);
}

TEST(Kalender, TheFourGridsRunFromTheMonthBeforeTheShownOne) {
    using M = MonthOfYear;
    EXPECT_EQ(vierMaanden({2026, 12}), (std::array<M, 4>{M{2026, 11}, M{2026, 12}, M{2027, 1}, M{2027, 2}}));
    EXPECT_EQ(vierMaanden({2026, 11}), (std::array<M, 4>{M{2026, 10}, M{2026, 11}, M{2026, 12}, M{2027, 1}}));
    EXPECT_EQ(vierMaanden({2027, 1}), (std::array<M, 4>{M{2026, 12}, M{2027, 1}, M{2027, 2}, M{2027, 3}}));
    EXPECT_EQ(vierMaanden({0, 1})[0], (M{0, 12}));
    EXPECT_EQ(maandKop({2026, 11}), "november 2026");
    EXPECT_EQ(maandKop({2026, 10}), "october 2026");
}

TEST(Kalender, MonthButtonsStopAtTheEndsOfTheCalendar) {
    EXPECT_EQ(volgendeMaand({2026, 12}), (MonthOfYear{2027, 1}));
    EXPECT_EQ(vorigeMaand({2027, 1}), (MonthOfYear{2026, 12}));
    EXPECT_EQ(vorigeMaand({1, 2}), (MonthOfYear{1, 1}));
    EXPECT_EQ(vorigeMaand({1, 1}), std::nullopt);
    // Year 0 must not wrap round to the 16-bit year 65535.
    EXPECT_EQ(vorigeMaand({0, 1}), std::nullopt);
    EXPECT_EQ(volgendeMaand({9999, 9}), (MonthOfYear{9999, 10}));
    EXPECT_EQ(volgendeMaand({9999, 10}), std::nullopt);
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
        EXPECT_EQ(jaarGetal(c.text), c.number) << c.text;
    }
    EXPECT_EQ(tweeCijfers(7), "07");
    EXPECT_EQ(tweeCijfers(0), "00");
    EXPECT_EQ(tweeCijfers(42), "42");
}

TEST(Kalender, TheSpinButtonWrapsThroughTheCenturies) {
    auto up = [](int c, int n) { return spinOmhoog(c, n).value(); };
    auto down = [](int c, int n) { return spinOmlaag(c, n).value(); };
    EXPECT_EQ(up(19, 99).edit, "00");
    EXPECT_EQ(up(19, 99).century, 20);
    EXPECT_EQ(up(20, 6).edit, "07");
    EXPECT_EQ(up(40, 99).century, 40);
    EXPECT_EQ(down(20, 0).edit, "99");
    EXPECT_EQ(down(20, 0).century, 19);
    EXPECT_EQ(down(0, 0).century, 0);
    EXPECT_EQ(down(20, 10).edit, "09");
    EXPECT_EQ(spinOmlaag(0, 1), std::nullopt);
    EXPECT_EQ(down(1, 1).edit, "00");
}

TEST(Kalender, TheHolidayPanelShowsPaddedMonthNames) {
    EXPECT_EQ(feestKolom(2026), (std::array<std::string, 3>{"5  april    ", "14  mei      ", "24  mei      "}));
    EXPECT_EQ(feestKolom(2027), (std::array<std::string, 3>{"28  maart    ", "6  mei      ", "16  mei      "}));
    EXPECT_EQ(feestKolom(2028)[2], "4  juni     ");
    EXPECT_EQ(feestKolom(0), (std::array<std::string, 3>{}));
    EXPECT_FALSE(feestKolom(2400)[0].empty());  // beyond the century table
}

TEST(Kalender, TheMemoPanelListsTheDaysMemosUnderOneDateText) {
    test::TempDir dir;
    const auto path = dir.file("jotanor1.mem");
    std::vector<unsigned char> bytes;
    for (const MemoRecord& m : {MemoRecord{46361, "gisteren", "x"}, MemoRecord{46362, "Verjaardag", "taart"},
                                MemoRecord{46362, "Tandarts", ""}, MemoRecord{46362.5, "half", ""},
                                MemoRecord{46363, "morgen", ""}}) {
        auto r = encodeRecord(m);
        bytes.insert(bytes.end(), r.begin(), r.end());
    }
    test::writeBytes(path, bytes);
    MemoFile file(nativeFileSystem(), path);

    std::vector<std::string> lines;
    dagMemoRegels(file, 46362, lines);
    const std::string rule(18, '-');
    EXPECT_EQ(lines, (std::vector<std::string>{"zondag,  6-12-2026", "Verjaardag", "taart", rule, "Tandarts", rule}));

    lines.clear();
    dagMemoRegels(file, 46364, lines);
    EXPECT_TRUE(lines.empty());

    MemoFile missing(nativeFileSystem(), dir.file("weg.mem"));
    EXPECT_THROW(dagMemoRegels(missing, 46362, lines), IoError);
}

}  // namespace
}  // namespace jotanor
