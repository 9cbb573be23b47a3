#include <gtest/gtest.h>

#include "dates/Dates.h"
#include "dates/Easter.h"

namespace jotanor {
namespace {

struct FeastCase {
    int year;
    FeastDays days;  // Ash Wednesday, Easter, Ascension, Whit Sunday
};

class FeastDaysOfAYear : public ::testing::TestWithParam<FeastCase> {};

TEST_P(FeastDaysOfAYear, AreTheKnownDates) { EXPECT_EQ(paasdata(GetParam().year), GetParam().days); }

INSTANTIATE_TEST_SUITE_P(
    Examples, FeastDaysOfAYear,
    ::testing::Values(FeastCase{2026, {{{2, 18}, {4, 5}, {5, 14}, {5, 24}}}},
                      FeastCase{2027, {{{2, 10}, {3, 28}, {5, 6}, {5, 16}}}},
                      FeastCase{2025, {{{3, 5}, {4, 20}, {5, 29}, {6, 8}}}},
                      FeastCase{2028, {{{3, 1}, {4, 16}, {5, 25}, {6, 4}}}},
                      FeastCase{1818, {{{2, 4}, {3, 22}, {4, 30}, {5, 10}}}},
                      FeastCase{2008, {{{2, 6}, {3, 23}, {5, 1}, {5, 11}}}}));

TEST(Easter, AppliesBothCorrections) {
    EXPECT_EQ(easterSunday(1981), (FeastDate{4, 19}));
    EXPECT_EQ(easterSunday(2076), (FeastDate{4, 19}));
    EXPECT_EQ(easterSunday(1954), (FeastDate{4, 18}));
    EXPECT_EQ(easterSunday(2049), (FeastDate{4, 18}));
}

// Easter by the anonymous Gregorian algorithm, independent of the table.
FeastDate referenceEaster(int y) {
    int a = y % 19, b = y / 100, c = y % 100, d = b / 4, e = b % 4;
    int f = (b + 8) / 25, g = (b - f + 1) / 3, h = (19 * a + b - d - g + 15) % 30;
    int i = c / 4, k = c % 4, l = (32 + 2 * e + 2 * i - h - k) % 7;
    int m = (a + 11 * h + 22 * l) / 451;
    int month = (h + l - 7 * m + 114) / 31, day = (h + l - 7 * m + 114) % 31 + 1;
    return {static_cast<std::uint16_t>(month), static_cast<std::uint16_t>(day)};
}

TEST(Easter, IsTheGregorianEasterForEveryYearTheCalendarShows) {
    for (int y = 1583; y <= 4099; ++y) ASSERT_EQ(easterSunday(y), referenceEaster(y)) << y;
}

TEST(Easter, TheOtherDaysLieAtTheirDistanceFromEaster) {
    for (int y = 1583; y <= 4099; ++y) {
        const FeastDays f = paasdata(y);
        const double easter = encodeDate(y, f[1].month, f[1].day);
        ASSERT_EQ(encodeDate(y, f[0].month, f[0].day), easter - 46) << y;
        ASSERT_EQ(encodeDate(y, f[2].month, f[2].day), easter + 39) << y;
        ASSERT_EQ(encodeDate(y, f[3].month, f[3].day), easter + 49) << y;
    }
}

TEST(Easter, FebruaryForAshWednesdayUsesTheJulianRuleBefore1582) {
    EXPECT_EQ(februaridagen(1500), 29);
    EXPECT_EQ(februaridagen(1700), 28);
    EXPECT_EQ(februaridagen(2000), 29);
    EXPECT_EQ(februaridagen(2027), 28);
}

}  // namespace
}  // namespace jotanor
