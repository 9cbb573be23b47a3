#include "platform/core/SystemClock.h"

#include <cstdio>
#include <ctime>

namespace jotanor {

Ymd SystemClock::today() const {
    const std::time_t now = std::time(nullptr);
    const std::tm t = *std::localtime(&now);
    return {static_cast<std::uint16_t>(t.tm_year + 1900), static_cast<std::uint16_t>(t.tm_mon + 1),
            static_cast<std::uint16_t>(t.tm_mday)};
}

std::string utcStampNow() {
    const std::time_t now = std::time(nullptr);
    const std::tm t = *std::gmtime(&now);
    char text[96];
    std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02dZ", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                  t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

}  // namespace jotanor
