#include "cli/Ics.h"

#include <cstdint>
#include <unordered_map>

#include "dates/Dates.h"
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

// `value` (0 or more) in `width` decimal digits.
void appendDigits(std::string& out, unsigned value, int width) {
    char text[8];
    for (int i = width - 1; i >= 0; --i, value /= 10) text[i] = static_cast<char>('0' + value % 10);
    out.append(text, static_cast<std::size_t>(width));
}

void appendDate(std::string& out, const Ymd& d) {
    appendDigits(out, d.year, 4);
    appendDigits(out, d.month, 2);
    appendDigits(out, d.day, 2);
}

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

void appendText(std::string& out, std::string_view utf8) {
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
}

void appendLine(std::string& out, std::string_view line) {
    std::size_t room = kLineOctets;
    while (line.size() > room) {
        // Back to the first byte of the character that would be cut.
        std::size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
        if (cut == 0) cut = room;  // not UTF-8: cut where the room ends
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
    std::string line;
    file.scanBytes([&](const unsigned char* record, std::size_t position) {
        if (position == 0) {
            out.reserve(out.size() + file.recordCount() * 230);
            uidsGiven.reserve(file.recordCount());
        }
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

        // The UID: when the memo falls, and a hash of that and its lines.
        line.assign("UID:");
        if (yearly) {
            line += "yearly-";
            appendDigits(line, date.month, 2);
            appendDigits(line, date.day, 2);
        } else {
            appendDate(line, date);
        }
        Hash hash;
        hash.add(std::string_view(line).substr(4));
        hash.addLine(line1);
        hash.addLine(line2);
        line += '-';
        for (int shift = 60; shift >= 0; shift -= 4) line += "0123456789abcdef"[(hash.value >> shift) & 0xF];
        if (const int seen = uidsGiven[hash.value]++; seen > 0) line += "-" + std::to_string(seen + 1);
        line += "@jotanor";

        out += "BEGIN:VEVENT\r\n";
        appendLine(out, line);
        appendLine(out, stamp);
        line.assign("DTSTART;VALUE=DATE:");
        appendDate(line, date);
        appendLine(out, line);
        if (yearly) out += "RRULE:FREQ=YEARLY\r\n";
        line.assign("SUMMARY:");
        appendText(line, cp1252ToUtf8(yearly ? line1.substr(1) : line1));
        appendLine(out, line);
        if (!line2.empty()) {
            line.assign("DESCRIPTION:");
            appendText(line, cp1252ToUtf8(line2));
            appendLine(out, line);
        }
        out += "END:VEVENT\r\n";
        ++result.events;
        return true;
    });
    out += "END:VCALENDAR\r\n";
    return result;
}

}  // namespace jotanor::ics
