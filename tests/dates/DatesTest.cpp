#include <cmath>
#include <gtest/gtest.h>
#include <limits>

#include "dates/Dates.h"
#include "store/Errors.h"

namespace jotanor {
namespace {

TEST(Dates, SerialZeroIsTheThirtiethOfDecember1899) {
    EXPECT_EQ(encodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(encodeDate(2026, 12, 6), 46362.0);
    EXPECT_EQ(encodeDate(1, 1, 1), kFirstSerial);
    EXPECT_EQ(encodeDate(9999, 12, 31), kLastSerial);
    EXPECT_EQ(decodeDate(46362.0), (Ymd{2026, 12, 6}));
    EXPECT_EQ(decodeDate(-1.0), (Ymd{1899, 12, 29}));
}

TEST(Dates, OnlyTheWholeDayCounts) {
    EXPECT_EQ(decodeDate(46362.75), (Ymd{2026, 12, 6}));
    EXPECT_EQ(dayOfWeek(46362.99), 1);
    EXPECT_EQ(datumtekst(46362.5), "zondag,  6-12-2026");
}

TEST(Dates, RoundTripsEveryDayOfFourCenturies) {
    for (double s = encodeDate(1900, 1, 1); s <= encodeDate(2300, 12, 31); s += 1) {
        Ymd d = decodeDate(s);
        ASSERT_EQ(encodeDate(d), s);
    }
}

TEST(Dates, DatesThatDoNotExistGiveTheDateError) {
    EXPECT_THROW(encodeDate(2026, 4, 31), DateError);
    EXPECT_THROW(encodeDate(2026, 2, 29), DateError);
    EXPECT_THROW(encodeDate(0, 1, 1), DateError);
    EXPECT_THROW(encodeDate(2026, 13, 1), DateError);
    EXPECT_NO_THROW(encodeDate(2028, 2, 29));
    try {
        encodeDate(2027, 2, 29);
    } catch (const DateError& e) {
        EXPECT_STREQ(e.what(), "Invalid argument to date encode");
    }
}

TEST(Dates, UntrustedSerialsGiveTheDateError) {
    for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity(), 1e300, kLastSerial + 1, kFirstSerial - 1}) {
        EXPECT_THROW(decodeDate(bad), DateError) << bad;
        EXPECT_THROW(datumtekst(bad), DateError) << bad;
        EXPECT_THROW(dayOfWeek(bad), DateError) << bad;
    }
}

TEST(Dates, DayOfWeekStartsOnSunday) {
    EXPECT_EQ(dayOfWeek(encodeDate(2026, 12, 6)), 1);
    EXPECT_EQ(dayOfWeek(encodeDate(2027, 3, 1)), 2);
    EXPECT_EQ(dayOfWeek(encodeDate(2027, 1, 1)), 6);
    EXPECT_EQ(dayOfWeek(encodeDate(2028, 1, 1)), 7);
    EXPECT_EQ(dayOfWeek(encodeDate(1, 1, 1)), 2);  // a Monday, proleptic Gregorian
}

TEST(Dates, NamesAreDutchAndLowerCase) {
    EXPECT_EQ(dagnamen(1), "zondag");
    EXPECT_EQ(dagnamen(7), "zaterdag");
    EXPECT_EQ(maandnamen(10), "october");
    EXPECT_EQ(maandnamenPadded(1), "januari  ");
    EXPECT_EQ(maandnamenPadded(5), "mei      ");
    EXPECT_EQ(maandnamenPadded(9), "september");
    EXPECT_EQ(maandnamenPadded(4), "april    ");
}

TEST(Dates, DateTextHasNoLeadingZerosAndTwoBlanksAfterTheComma) {
    EXPECT_EQ(datumtekst(encodeDate(2026, 12, 6)), "zondag,  6-12-2026");
    EXPECT_EQ(datumtekst(encodeDate(2026, 12, 6)).size(), 18u);
    EXPECT_EQ(datumtekst(encodeDate(2027, 3, 1)), "maandag,  1-3-2027");
    EXPECT_EQ(vandaagtekst(Ymd{2026, 12, 7}), "maandag,  7-12-2026");
}

struct WeekCase {
    Ymd date;
    int week;
};

void PrintTo(const WeekCase& c, std::ostream* os) {
    *os << c.date.day << '-' << c.date.month << '-' << c.date.year << " in week " << c.week;
}

class WeekNumber : public ::testing::TestWithParam<WeekCase> {};

TEST_P(WeekNumber, CountsSundayToSaturdayWeeksFromTheWeekOfFirstJanuary) {
    EXPECT_EQ(weeknummer(GetParam().date), GetParam().week);
}

INSTANTIATE_TEST_SUITE_P(Examples, WeekNumber,
                         ::testing::Values(WeekCase{{2026, 1, 1}, 1}, WeekCase{{2026, 1, 3}, 1},
                                           WeekCase{{2026, 1, 4}, 2}, WeekCase{{2026, 12, 6}, 50},
                                           WeekCase{{2026, 12, 31}, 53}, WeekCase{{2027, 1, 1}, 1},
                                           WeekCase{{2027, 1, 3}, 2}, WeekCase{{2027, 12, 31}, 53},
                                           WeekCase{{2023, 1, 1}, 1}, WeekCase{{2023, 12, 31}, 53},
                                           WeekCase{{2028, 12, 31}, 54}, WeekCase{{2027, 1, 2}, 1}),
                         [](const auto& info) {
                             const Ymd& d = info.param.date;
                             return std::to_string(d.year) + "_" + std::to_string(d.month) + "_" + std::to_string(d.day);
                         });

TEST(WeekNumber, IsOneOnEveryFirstOfJanuaryAndTwoOnTheFirstSundayAfter) {
    for (int y = 1900; y <= 2100; ++y) {
        EXPECT_EQ(weeknummer(Ymd{static_cast<std::uint16_t>(y), 1, 1}), 1) << y;
        int w = dayOfWeek(encodeDate(y, 1, 1));
        if (w != 1) {
            auto sunday = static_cast<std::uint16_t>(1 + 8 - w);
            EXPECT_EQ(weeknummer(Ymd{static_cast<std::uint16_t>(y), 1, sunday}), 2) << y;
        }
    }
}

TEST(CalendarWeek, StartsAtZeroInYearsBeginningOnFridayOrSaturday) {
    EXPECT_EQ(kalenderweek(2027, 1, 1), 0);
    EXPECT_EQ(kalenderweek(2027, 1, 2), 0);
    EXPECT_EQ(kalenderweek(2027, 1, 3), 1);
    EXPECT_EQ(kalenderweek(2027, 12, 31), 52);
    EXPECT_EQ(kalenderweek(2028, 1, 1), 0);
    EXPECT_EQ(kalenderweek(2028, 1, 2), 1);
    EXPECT_EQ(kalenderweek(2028, 12, 31), 53);
    EXPECT_EQ(kalenderweek(2026, 12, 31), 53);
    EXPECT_EQ(kalenderweek(2026, 12, 1), 49);
    EXPECT_EQ(weeknummer(Ymd{2027, 1, 2}), 1);
    EXPECT_EQ(weeknummer(Ymd{2027, 1, 3}), 2);
}

TEST(MonthLength, FollowsTheGregorianLeapRuleForEveryYear) {
    EXPECT_EQ(dageninmaand(2000, 2), 29);
    EXPECT_EQ(dageninmaand(2100, 2), 28);
    EXPECT_EQ(dageninmaand(2400, 2), 29);
    EXPECT_EQ(dageninmaand(2028, 2), 29);
    EXPECT_EQ(dageninmaand(2026, 2), 28);
    EXPECT_EQ(dageninmaand(2026, 4), 30);
    EXPECT_EQ(dageninmaand(1500, 2), 28);
    EXPECT_EQ(dageninmaand(2026, 12), 31);
}

}  // namespace
}  // namespace jotanor
