// The machine's clock for the command-line program: today in local time,
// and the present moment in UTC as iCalendar writes it.
#pragma once

#include <string>

#include "dates/Dates.h"

namespace jotanor {

class SystemClock final : public Clock {
public:
    Ymd today() const override;
};

// "YYYYMMDDTHHMMSSZ".
std::string utcStampNow();

}  // namespace jotanor
