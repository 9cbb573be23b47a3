#include "dates/Easter.h"

namespace jotanor {
namespace {

struct CenturyValues {
    int m;
    int n;
};

CenturyValues centuryValues(int year) {
    static constexpr CenturyValues kTable[] = {{22, 2}, {23, 3}, {23, 4}, {24, 5}, {24, 5}, {24, 6}};
    int i = year / 100;
    i = i >= 17 ? i - 16 : 0;
    if (i <= 5) return kTable[i];
    const int k = year / 100;
    const int p = (13 + 8 * k) / 25;
    const int q = k / 4;
    return {(15 - p + k - q) % 30, (4 + k - q) % 7};
}

}  // namespace

int februaridagen(int y) {
    if (y % 4 != 0) return 28;
    if (y >= 1582 && y % 100 == 0 && y % 400 != 0) return 28;
    return 29;
}

FeastDate easterSunday(int y) {
    const auto [m, n] = centuryValues(y);
    const int a = y % 19;
    const int b = y % 4;
    const int c = y % 7;
    const int d = (19 * a + m) % 30;
    const int e = (2 * b + 4 * c + 6 * d + n) % 7;
    int month = 3;
    int day = 22 + d + e;
    if (day > 31) {
        month = 4;
        day = d + e - 9;
    }
    if (month == 4 && day == 26) day = 19;
    else if (month == 4 && day == 25 && d == 28 && a > 10) day = 18;
    return {static_cast<std::uint16_t>(month), static_cast<std::uint16_t>(day)};
}

FeastDays paasdata(int y) {
    const FeastDate easter = easterSunday(y);
    const int e = easter.month;
    const int d = easter.day;
    auto at = [](int month, int day) {
        return FeastDate{static_cast<std::uint16_t>(month), static_cast<std::uint16_t>(day)};
    };

    const int f = februaridagen(y);
    FeastDate ash = e == 3 ? at(2, d - 46 + f) : d > 15 ? at(3, d - 15) : at(2, d - 15 + f);

    FeastDate ascension = e == 3 ? (d <= 22 ? at(4, d + 8) : at(5, d - 22))
                                 : (d <= 22 ? at(5, d + 9) : at(6, d - 22));

    const int r = ascension.day;
    FeastDate whit;
    switch (ascension.month) {
    case 4: whit = r + 10 > 30 ? at(5, r - 20) : at(4, r + 10); break;
    case 5: whit = r + 10 > 31 ? at(6, r - 21) : at(5, r + 10); break;
    default: whit = at(6, r + 10); break;
    }
    return {ash, easter, ascension, whit};
}

}  // namespace jotanor
