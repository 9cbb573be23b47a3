// Calendar arithmetic beneath the whole program (it needs nothing else of
// it): day serials and calendar dates, the date error, the Dutch day and
// month names, the date text and week numbers.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace jotanor {

// Days since 30 December 1899; memos carry whole days.
using DaySerial = double;

struct Ymd {
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t day = 0;
    bool operator==(const Ymd&) const = default;
};

// "Invalid argument to date encode": a date that does not exist was built,
// or a stored date could not be split into year, month and day.
class DateError : public std::runtime_error {
public:
    DateError();
};

// Days that a date can have: 1 January 1 to 31 December 9999.
constexpr double kFirstSerial = -693593;
constexpr double kLastSerial = 2958465;

// Gregorian calendar extended to all years; serial 0 is 30 December 1899.
bool isValidDate(int year, int month, int day);
// Throws DateError for a date that does not exist (year 0 included).
DaySerial encodeDate(int year, int month, int day);
inline DaySerial encodeDate(const Ymd& d) { return encodeDate(d.year, d.month, d.day); }
// Only the whole day counts. Throws DateError for NaN, infinities and
// serials outside the years 1 to 9999.
Ymd decodeDate(DaySerial serial);
// The whole day of a serial (fraction dropped). Throws DateError like decodeDate.
std::int64_t wholeDay(DaySerial serial);
// 1 = Sunday ... 7 = Saturday.
int dayOfWeek(DaySerial serial);

bool isLeapYear(int year);
// 28 to 31.
int dageninmaand(int year, int month);

// Lower-case Dutch names; dagnamen(1) is "zondag", maandnamen(10) "october".
const std::string& dagnamen(int dayOfWeek);
const std::string& maandnamen(int month);
// The month name filled with blanks to 9 characters.
std::string maandnamenPadded(int month);

// "zondag,  6-12-2026".
std::string datumtekst(DaySerial serial);
// The date text of today.
std::string vandaagtekst(const Ymd& today);

// Week number counted from the Sunday-to-Saturday week holding 1 January
// (week 1), running on to the end of the year: 1 to 54.
std::uint16_t weeknummer(const Ymd& today);
// The same count for a date, one lower in years whose 1 January is a Friday
// or Saturday (that week is then week 0): 0 to 53.
std::uint16_t kalenderweek(int year, int month, int day);

// The clock from which "today" is read; tests fix it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual Ymd today() const = 0;
};

}  // namespace jotanor
