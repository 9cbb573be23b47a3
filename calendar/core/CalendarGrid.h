// The arithmetic behind the calendar dialog: which month each of the four
// grids shows, what stands in every cell and in which colour it is painted,
// the month buttons, the rules of the year controls, the holiday panel's
// texts and the lines of the memo panel. No windows here.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dates/Dates.h"
#include "store/MemoFile.h"

namespace jotanor {

struct MonthOfYear {
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    bool operator==(const MonthOfYear&) const = default;
};

// The months of the four grids for the shown month: the month before it,
// the month itself and the two after it. Year 0 has no year before it, so
// its January is preceded by a December of year 0 as well.
std::array<MonthOfYear, 4> fourMonths(MonthOfYear shown);

// "+ maand": nothing once the fourth grid would leave the year 9999, the
// last year a date can have.
std::optional<MonthOfYear> nextMonth(MonthOfYear shown);
// "- maand": nothing in January of year 1, nor in January of year 0.
std::optional<MonthOfYear> previousMonth(MonthOfYear shown);

// "november 2026".
std::string monthHeading(MonthOfYear m);

enum class CellColour { Silver, Aqua, Yellow, Red, Grey };

// One month grid of 8 columns by 7 rows: row 0 holds the day headings
// ("week", "zo" ... "za"), column 0 the week numbers, the other cells the
// days of the month, Sunday first. Blank cells hold two blanks. A grid of
// year 0 has no days and no week numbers; its day cells are grey.
class MonthGrid {
public:
    static constexpr int kColumns = 8;
    static constexpr int kRows = 7;

    MonthGrid() = default;
    explicit MonthGrid(MonthOfYear month);

    MonthOfYear month() const { return month_; }
    const std::string& text(int row, int column) const;
    // The day number in a day cell; 0 for blank cells and headings.
    int day(int row, int column) const;
    // The colour of a cell with `todayMark` marked yellow and `chosenDay` red
    // (red wins when they are the same day).
    CellColour colour(int row, int column, const Ymd& todayMark, const Ymd& chosenDay) const;

private:
    MonthOfYear month_{};
    std::array<std::array<std::string, kColumns>, kRows> texts_{};
    std::array<std::array<int, kColumns>, kRows> days_{};
};

// Geometry of the painted grid: cells of 35 by 16 pixels, each followed by
// a grid line of one pixel.
constexpr int kCellWidth = 35;
constexpr int kCellHeight = 16;
constexpr int kGridLine = 1;

struct CellPos {
    int row = 0;
    int column = 0;
    bool operator==(const CellPos&) const = default;
};

// The cell drawn under a point of the grid's cell area; nothing outside the
// eight columns and seven rows.
std::optional<CellPos> cellAt(int x, int y);

// The year controls: the century (0 to 40) and the last two digits.
constexpr int kMaxCentury = 40;

// The number that the two-digit year edit holds: a text that is not a
// whole number counts as 0, more than 99 is 99, less than 1 is 0.
int yearNumber(std::string_view text);
// "07".
std::string twoDigits(int n);

struct YearStep {
    std::string edit;  // the new text of the two-digit edit
    int century;       // the new century
};
// The spin button's steps from (century, two digits); nothing when the
// press changes nothing. Up from 99 gives 00 in the next century (at most
// 40); down from 00 gives 99 in the century before (at least 0); down from
// 01 in century 0 does nothing.
std::optional<YearStep> spinUp(int century, int number);
std::optional<YearStep> spinDown(int century, int number);

// The holiday panel's dates of one year: Easter Sunday, Ascension Day and
// Whit Sunday as "5  april    ". Year 0 has none: three empty texts.
std::array<std::string, 3> feastColumn(int year);

// The memos of one day as the calendar's memo panel and the print dialog
// show them: the date text above the first memo, then per memo its first
// line, its second line when it is not empty, and 18 hyphens. Nothing for
// a day without memos.
std::vector<std::string> dayMemoLines(MemoFile& file, DaySerial day);

}  // namespace jotanor
