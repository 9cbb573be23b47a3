// The memo file as an iCalendar stream: one all-day event per memo, and a
// yearly one for a starred memo, so other calendars can show the diary.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "store/MemoFile.h"

namespace jotanor::ics {

// Appends a TEXT value: backslash, semicolon and comma escaped, a line
// break written as "\n"; other control characters, which a calendar line
// may not hold, become blanks. `utf8` is UTF-8 and stays so.
void appendText(std::string& out, std::string_view utf8);

// Appends one content line and its CRLF, folded into lines of at most 75
// octets, never inside a UTF-8 character.
void appendLine(std::string& out, std::string_view line);

// Memos dated from `from` to `to`, both included, whole days; a starred
// memo counts when it recurs in the range, that is when it is dated on or
// before `to`.
struct Range {
    std::optional<DaySerial> from;
    std::optional<DaySerial> to;
};

struct Exported {
    std::size_t events = 0;
    std::size_t undated = 0;  // memos left out: their date is no calendar day
};

// Appends the calendar to `out`. `dtstamp` is the moment of the export,
// UTC, as "YYYYMMDDTHHMMSSZ". A memo's UID comes from its contents (for a
// starred memo without the year, which moves on), so exporting the same
// memo again gives the same UID; identical memos are told apart by their
// order.
Exported exportCalendar(MemoFile& file, const Range& range, std::string_view dtstamp, std::string& out);

}  // namespace jotanor::ics
