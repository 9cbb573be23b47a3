#include "calendar/core/CalendarGrid.h"

#include <charconv>

#include "dates/Easter.h"

namespace jotanor {
namespace {

constexpr std::uint16_t kLastYear = 9999;

const std::array<std::string, MonthGrid::kColumns> kHeadings = {"week", "zo", "ma", "di", "wo", "do", "vr", "za"};
const std::string kBlank = "  ";

MonthOfYear at(int year, int month) {
    return {static_cast<std::uint16_t>(year), static_cast<std::uint16_t>(month)};
}

bool inGrid(int row, int column) {
    return row >= 0 && row < MonthGrid::kRows && column >= 0 && column < MonthGrid::kColumns;
}

}  // namespace

std::array<MonthOfYear, 4> fourMonths(MonthOfYear shown) {
    const int y = shown.year;
    const int m = shown.month;
    const MonthOfYear before = m == 1 ? at(y == 0 ? 0 : y - 1, 12) : at(y, m - 1);
    const MonthOfYear after1 = m == 12 ? at(y + 1, 1) : at(y, m + 1);
    const MonthOfYear after2 = m >= 11 ? at(y + 1, m - 10) : at(y, m + 2);
    return {before, shown, after1, after2};
}

std::optional<MonthOfYear> nextMonth(MonthOfYear shown) {
    if (shown.year > kLastYear || (shown.year == kLastYear && shown.month >= 10)) return std::nullopt;
    return shown.month == 12 ? at(shown.year + 1, 1) : at(shown.year, shown.month + 1);
}

std::optional<MonthOfYear> previousMonth(MonthOfYear shown) {
    if (shown.month == 1 && shown.year <= 1) return std::nullopt;
    return shown.month == 1 ? at(shown.year - 1, 12) : at(shown.year, shown.month - 1);
}

std::string monthHeading(MonthOfYear m) { return maandnamen(m.month) + " " + std::to_string(m.year); }

MonthGrid::MonthGrid(MonthOfYear month) : month_(month) {
    for (auto& row : texts_) row.fill(kBlank);
    texts_[0] = kHeadings;
    if (month.year == 0) return;

    const int length = dageninmaand(month.year, month.month);
    const int first = dayOfWeek(encodeDate(month.year, month.month, 1));
    for (int r = 1; r < kRows; ++r) {
        for (int c = 1; c < kColumns; ++c) {
            const int g = (r - 1) * 7 + c;
            if (g >= first && g <= first + length - 1) {
                days_[r][c] = g - first + 1;
                texts_[r][c] = std::to_string(days_[r][c]);
            }
        }
        // The week of the row, from its Sunday or else its Saturday.
        const int n = days_[r][1] != 0 ? days_[r][1] : days_[r][7];
        if (n != 0) texts_[r][0] = std::to_string(kalenderweek(month.year, month.month, n));
    }
}

const std::string& MonthGrid::text(int row, int column) const {
    return inGrid(row, column) ? texts_[row][column] : kBlank;
}

int MonthGrid::day(int row, int column) const { return inGrid(row, column) ? days_[row][column] : 0; }

CellColour MonthGrid::colour(int row, int column, const Ymd& todayMark, const Ymd& chosenDay) const {
    if (row == 0 || column == 0) return CellColour::Silver;
    if (month_.year == 0) return CellColour::Grey;
    const int d = day(row, column);
    auto is = [&](const Ymd& date) {
        return d != 0 && date.year == month_.year && date.month == month_.month && date.day == d;
    };
    if (is(chosenDay)) return CellColour::Red;
    if (is(todayMark)) return CellColour::Yellow;
    return CellColour::Aqua;
}

std::optional<CellPos> cellAt(int x, int y) {
    if (x < 0 || y < 0) return std::nullopt;
    const CellPos pos{y / (kCellHeight + kGridLine), x / (kCellWidth + kGridLine)};
    if (!inGrid(pos.row, pos.column)) return std::nullopt;
    return pos;
}

int yearNumber(std::string_view text) {
    long long n = 0;
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    if (!text.empty() && text.front() == '+') ++begin;
    auto [ptr, ec] = std::from_chars(begin, end, n);
    if (begin == end || ec == std::errc::invalid_argument || ptr != end) return 0;
    if (ec == std::errc::result_out_of_range) return text.front() == '-' ? 0 : 99;
    if (n > 99) return 99;
    if (n < 1) return 0;
    return static_cast<int>(n);
}

std::string twoDigits(int n) {
    std::string text = std::to_string(n);
    if (text.size() < 2) text.insert(0, 2 - text.size(), '0');
    return text;
}

std::optional<YearStep> spinUp(int century, int number) {
    const int n = number + 1;
    if (n <= 99) return YearStep{twoDigits(n), century};
    return YearStep{"00", std::min(century + 1, kMaxCentury)};
}

std::optional<YearStep> spinDown(int century, int number) {
    if (number == 0) return YearStep{"99", std::max(century - 1, 0)};
    if (century == 0 && number == 1) return std::nullopt;
    return YearStep{twoDigits(number - 1), century};
}

std::array<std::string, 3> feastColumn(int year) {
    if (year == 0) return {};
    const FeastDays days = paasdata(year);
    auto text = [](FeastDate d) { return std::to_string(d.day) + "  " + maandnamenPadded(d.month); };
    return {text(days[1]), text(days[2]), text(days[3])};
}

std::vector<std::string> dayMemoLines(MemoFile& file, DaySerial day) {
    std::vector<std::string> lines;
    file.scan([&](const MemoRecord& memo, std::size_t) {
        if (memo.date != day) return true;
        if (lines.empty()) lines.push_back(datumtekst(day));
        lines.push_back(memo.line1);
        if (!memo.line2.empty()) lines.push_back(memo.line2);
        lines.push_back(std::string(18, '-'));
        return true;
    });
    return lines;
}

}  // namespace jotanor
