#include "dates/Dates.h"

#include <array>
#include <chrono>
#include <cmath>

namespace jotanor {
namespace {

using namespace std::chrono;

// Days from 1 January 1970 back to the serial epoch, 30 December 1899.
constexpr std::int64_t kEpochOffset = 25569;

const std::array<std::string, 7> kDays = {"zondag", "maandag", "dinsdag", "woensdag",
                                          "donderdag", "vrijdag", "zaterdag"};
const std::array<std::string, 12> kMonths = {"januari", "februari", "maart",     "april",
                                             "mei",     "juni",     "juli",      "augustus",
                                             "september", "october", "november", "december"};

std::int64_t serialOf(int y, int m, int d) {
    auto days = sys_days(year{y} / month{static_cast<unsigned>(m)} / day{static_cast<unsigned>(d)});
    return days.time_since_epoch().count() + kEpochOffset;
}

// Sunday on or before 1 January of the year, and the day of week of 1 January.
std::int64_t firstSunday(int y, int& jan1Weekday) {
    std::int64_t j = serialOf(y, 1, 1);
    jan1Weekday = dayOfWeek(static_cast<double>(j));
    return j - jan1Weekday + 1;
}

}  // namespace

DateError::DateError() : std::runtime_error("Invalid argument to date encode") {}

bool isLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int dageninmaand(int y, int m) {
    static constexpr std::array<int, 12> kLengths = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m < 1 || m > 12) return 0;
    return (m == 2 && isLeapYear(y)) ? 29 : kLengths[static_cast<std::size_t>(m - 1)];
}

bool isValidDate(int y, int m, int d) {
    return y >= 1 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= dageninmaand(y, m);
}

DaySerial encodeDate(int y, int m, int d) {
    if (!isValidDate(y, m, d)) throw DateError();
    return static_cast<double>(serialOf(y, m, d));
}

std::int64_t wholeDay(DaySerial serial) {
    if (!std::isfinite(serial)) throw DateError();
    double t = std::trunc(serial);
    if (t < kFirstSerial || t > kLastSerial) throw DateError();
    return static_cast<std::int64_t>(t);
}

Ymd decodeDate(DaySerial serial) {
    year_month_day ymd{sys_days{days{wholeDay(serial) - kEpochOffset}}};
    return Ymd{static_cast<std::uint16_t>(static_cast<int>(ymd.year())),
               static_cast<std::uint16_t>(static_cast<unsigned>(ymd.month())),
               static_cast<std::uint16_t>(static_cast<unsigned>(ymd.day()))};
}

int dayOfWeek(DaySerial serial) {
    // Serial 1 (31 December 1899) was a Sunday.
    std::int64_t d = wholeDay(serial);
    std::int64_t r = ((d - 1) % 7 + 7) % 7;
    return static_cast<int>(r) + 1;
}

const std::string& dagnamen(int w) {
    static const std::string kNone;
    return (w >= 1 && w <= 7) ? kDays[static_cast<std::size_t>(w - 1)] : kNone;
}

const std::string& maandnamen(int m) {
    static const std::string kNone;
    return (m >= 1 && m <= 12) ? kMonths[static_cast<std::size_t>(m - 1)] : kNone;
}

std::string maandnamenPadded(int m) {
    std::string name = maandnamen(m);
    if (name.size() < 9) name.append(9 - name.size(), ' ');
    return name;
}

std::string datumtekst(DaySerial serial) {
    Ymd d = decodeDate(serial);
    return dagnamen(dayOfWeek(serial)) + ",  " + std::to_string(d.day) + "-" + std::to_string(d.month) +
           "-" + std::to_string(d.year);
}

std::string vandaagtekst(const Ymd& today) { return datumtekst(encodeDate(today)); }

std::uint16_t weeknummer(const Ymd& today) {
    int w = 0;
    std::int64_t s = firstSunday(today.year, w);
    std::int64_t t = serialOf(today.year, today.month, today.day);
    return static_cast<std::uint16_t>((t - s) / 7 + 1);
}

std::uint16_t kalenderweek(int y, int m, int d) {
    int w = 0;
    std::int64_t s = firstSunday(y, w);
    std::int64_t date = static_cast<std::int64_t>(encodeDate(y, m, d));
    int c = (w == 6 || w == 7) ? 1 : 0;
    return static_cast<std::uint16_t>((date - s) / 7 + 1 - c);
}

}  // namespace jotanor
