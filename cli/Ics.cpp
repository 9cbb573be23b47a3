#include "cli/Ics.h"

#include <cstdint>
#include <cstdio>
#include <unordered_map>

#include "calendar/Dates.h"
#include "store/Errors.h"
#include "store/Win1252.h"

namespace jotanor::ics {
namespace {

constexpr std::size_t kLineOctets = 75;

// FNV-1a: small, and the same on every system and in every run.
struct Hash {
    std::uint64_t value = 0xcbf29ce484222325ull;
    void add(std::string_view bytes) {
        for (unsigned char c : bytes) value = (value ^ c) * 0x100000001b3ull;
    }
    // The length first, so that no two pairs of lines hash alike by shifting bytes.
    void addLine(std::string_view line) {
        const char length = static_cast<char>(line.size());
        add({&length, 1});
        add(line);
    }
};

std::string digits(int value, int width) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", width, value);
    return text;
}

std::string dateValue(const Ymd& d) { return digits(d.year, 4) + digits(d.month, 2) + digits(d.day, 2); }

// The first day on or after `from` on which a memo of `date` that recurs
// every year falls; a 29 February falls in leap years only.
std::int64_t nextYearly(const Ymd& date, std::int64_t from) {
    const int firstYear = decodeDate(static_cast<DaySerial>(from)).year;
    for (int year = firstYear; year <= firstYear + 8 && year <= 9999; ++year) {
        if (!isValidDate(year, date.month, date.day)) continue;
        const auto day = static_cast<std::int64_t>(encodeDate(year, date.month, date.day));
        if (day >= from) return day;
    }
    return static_cast<std::int64_t>(kLastSerial) + 1;
}

bool inRange(const Range& range, std::int64_t day, const Ymd& date, bool yearly) {
    const std::int64_t from = range.from ? static_cast<std::int64_t>(*range.from) : day;
    const std::int64_t to = range.to ? static_cast<std::int64_t>(*range.to) : static_cast<std::int64_t>(kLastSerial);
    if (!yearly) return from <= day && day <= to;
    return nextYearly(date, std::max(from, day)) <= to;
}

}  // namespace

std::string escapeText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + 8);
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        switch (c) {
        case '\\': out += "\\\\"; break;
        case ';': out += "\\;"; break;
        case ',': out += "\\,"; break;
        case '\r':
            if (i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
            out += "\\n";
            break;
        case '\n': out += "\\n"; break;
        case '\t': out += c; break;
        default: out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? ' ' : c;
        }
    }
    return out;
}

void appendLine(std::string& out, std::string_view line) {
    std::size_t room = kLineOctets;
    while (line.size() > room) {
        // Back to the first byte of the character that would be cut.
        std::size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
        out.append(line.substr(0, cut));
        out += "\r\n ";
        line.remove_prefix(cut);
        room = kLineOctets - 1;  // after the leading blank
    }
    out.append(line);
    out += "\r\n";
}

Exported exportCalendar(MemoFile& file, const Range& range, std::string_view dtstamp, std::string& out) {
    Exported result;
    out += "BEGIN:VCALENDAR\r\n"
           "VERSION:2.0\r\n"
           "PRODID:-//Jotanor//jotanor-cli " JOTANOR_VERSION "//NL\r\n"
           "CALSCALE:GREGORIAN\r\n";
    const std::string stamp = "DTSTAMP:" + std::string(dtstamp);
    std::unordered_map<std::uint64_t, int> uidsGiven;
    file.scanBytes([&](const unsigned char* record, std::size_t position) {
        if (position == 0) out.reserve(out.size() + file.recordCount() * 230);
        Ymd date;
        std::int64_t day;
        try {
            day = wholeDay(recordDate(record));
            date = decodeDate(recordDate(record));
        } catch (const DateError&) {
            ++result.undated;
            return true;
        }
        const std::string_view line1 = recordLine1(record);
        const std::string_view line2 = recordLine2(record);
        const bool yearly = !line1.empty() && line1[0] == '*';
        if (!inRange(range, day, date, yearly)) return true;

        const std::string when = yearly ? "yearly-" + digits(date.month, 2) + digits(date.day, 2) : dateValue(date);
        Hash hash;
        hash.add(when);
        hash.addLine(line1);
        hash.addLine(line2);
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash.value));
        std::string uid = when + "-" + hex;
        const int seen = uidsGiven[hash.value]++;
        if (seen > 0) uid += "-" + std::to_string(seen + 1);

        out += "BEGIN:VEVENT\r\n";
        appendLine(out, "UID:" + uid + "@jotanor");
        appendLine(out, stamp);
        appendLine(out, "DTSTART;VALUE=DATE:" + dateValue(date));
        if (yearly) out += "RRULE:FREQ=YEARLY\r\n";
        appendLine(out, "SUMMARY:" + escapeText(cp1252ToUtf8(yearly ? line1.substr(1) : line1)));
        if (!line2.empty()) appendLine(out, "DESCRIPTION:" + escapeText(cp1252ToUtf8(line2)));
        out += "END:VEVENT\r\n";
        ++result.events;
        return true;
    });
    out += "END:VCALENDAR\r\n";
    return result;
}

}  // namespace jotanor::ics
