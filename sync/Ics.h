// Memos as iCalendar (RFC 5545) and back, through libical: the export of
// the memo file, the event a sync puts up for one memo, and the memos an
// iCalendar file's events give.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "store/MemoFile.h"

namespace jotanor::ics {

// A memo's UID comes from its contents (for a starred memo without the
// year, which moves on), so the same memo always gets the same UID;
// identical memos are told apart by their order in the file.
class UidMaker {
public:
    // The UID of the memo's (first) event. Throws DateError for a memo
    // whose date is no calendar day.
    std::string next(const MemoRecord& memo);
    // The UID of the memo's event on `date`, repeating every year or not.
    std::string make(const Ymd& date, bool yearly, std::string_view line1, std::string_view line2);

private:
    std::unordered_map<std::uint64_t, int> given_;
};

// The UID the first of identical memos gets.
std::string memoUid(const MemoRecord& memo);

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

// Appends the calendar to `out`: one all-day event per memo, a yearly one
// for a starred memo. `dtstamp` is the moment of the export, UTC, as
// "YYYYMMDDTHHMMSSZ".
Exported exportCalendar(MemoFile& file, const Range& range, std::string_view dtstamp, std::string& out);

// One memo as a calendar of one event with the given UID, for a server.
// Nothing when the memo's date is no calendar day.
std::optional<std::string> eventCalendar(const MemoRecord& memo, std::string_view uid, std::string_view dtstamp);

// What reading a calendar gives.
struct Imported {
    struct Memo {
        MemoRecord record;
        std::string uid;  // of the event it came from
    };
    std::vector<Memo> memos;
    std::size_t skipped = 0;   // cancelled events, to-dos, journal entries, events without a date
    std::size_t cut = 0;       // lines cut to 100 characters
    std::size_t replaced = 0;  // characters Windows-1252 cannot hold, become "?"
    Imported& operator+=(const Imported& other);
};

struct ImportWindow {
    DaySerial today = 0;
    DaySerial from = 0;  // occurrences of a repeating event, both included
    DaySerial to = 0;
};

// The memos of the events in `text` (one or more calendars). Times are
// shown in the local time zone. Throws std::runtime_error when the text is
// no calendar at all.
Imported readCalendar(std::string_view text, const ImportWindow& window);

// A line cut to the 100 characters a memo line holds, at a word boundary,
// ending in "…"; Windows-1252 bytes in and out. `cut` counts a cut.
std::string fitLine(std::string_view bytes, std::size_t& cut);

}  // namespace jotanor::ics
