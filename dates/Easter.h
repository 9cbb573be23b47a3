// The four feast days tied to Easter: Ash Wednesday, Easter Sunday,
// Ascension Day and Whit Sunday.
#pragma once

#include <array>
#include <cstdint>

namespace jotanor {

struct FeastDate {
    std::uint16_t month = 0;
    std::uint16_t day = 0;
    bool operator==(const FeastDate&) const = default;
};

// Ash Wednesday, Easter Sunday, Ascension Day, Whit Sunday of a year.
using FeastDays = std::array<FeastDate, 4>;

// Length of February for Ash Wednesday: every fourth year before 1582,
// the Gregorian rule from 1582 on.
int februaridagen(int year);

// Gauss's Easter algorithm with its century values; from 2200 on the
// values follow Gauss's published rule, which the table of earlier
// centuries agrees with.
FeastDate easterSunday(int year);
FeastDays paasdata(int year);

}  // namespace jotanor
