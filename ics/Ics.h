// Memos as iCalendar (RFC 5545) and back, through libical: the events any
// list of memos gives (an export, or one event on a server), the memos an
// iCalendar text's events give, and whether a memo says what an event says.
// No HTTP here: the CalDAV client is in sync/.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "store/MemoRecord.h"

namespace jotanor::ics {

// Called now and then during long work with how much is done of how much.
using Progress = std::function<void(std::size_t done, std::size_t total)>;

// A memo's UID comes from its contents (for a starred memo without the
// year, which moves on), so the same memo always gets the same UID;
// identical memos are told apart by their order in the file.
class UidMaker {
public:
    // The UID of the memo's event; empty for a memo whose date is no
    // calendar day. `copy`, when given, gets how many identical memos came
    // before it.
    std::string next(const MemoRecord& memo, int* copy = nullptr);

private:
    std::unordered_map<std::uint64_t, int> given_;
};

// The UID the first of identical memos gets ("" when undated), or the one
// after `copy` identical memos.
std::string memoUid(const MemoRecord& memo, int copy = 0);

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

// Appends the calendar of `memos` (a memo file's, in its order, which gives
// identical memos their UIDs) to `out`: one event per memo, all day or, when line
// 2 starts with a clock, timed (floating: on the clock it is read on), a
// yearly one for a starred memo; texts the calendar would not give back as
// they are also go in an X- property. `dtstamp` is the moment of the export, UTC, as
// "YYYYMMDDTHHMMSSZ".
Exported exportCalendar(std::span<const MemoRecord> memos, const Range& range, std::string_view dtstamp, std::string& out);

// One memo as a calendar of one event with the given UID, for a server: the
// very event the export writes for it. Nothing when the memo's date is no
// calendar day.
std::optional<std::string> eventCalendar(const MemoRecord& memo, std::string_view uid, std::string_view dtstamp);

// What reading a calendar gives.
struct Imported {
    struct Memo {
        MemoRecord record;
        std::string uid;  // of the event it came from
    };
    std::vector<Memo> memos;
    std::size_t skipped = 0;   // cancelled events, to-dos, journal entries, events without a date
    std::vector<std::string> undatable;  // titles (UTF-8) of events without a day the diary has, skipped
    // Titles (UTF-8) of events that repeat more often than daily, taken
    // only as far as their first 1,000 memos.
    std::vector<std::string> bounded;
    std::size_t cut = 0;       // lines cut to 100 characters
    std::size_t replaced = 0;  // characters Windows-1252 cannot hold, become "?"
};

// What a summary says of `bounded` (not empty): how many, named.
std::string boundedText(const std::vector<std::string>& bounded);

struct ImportWindow {
    DaySerial today = 0;
    DaySerial from = 0;  // occurrences of a repeating event, both included
    DaySerial to = 0;
    std::string zone = {};  // the time zone times are shown in ("Europe/Amsterdam"); empty: the system's
    // Each time on the clock of its own zone (its TZID, or UTC), whatever
    // the machine's: what a sync shows may not hang on where it runs.
    bool ownZone = false;
};

// The memos of the events in `text` (one or more calendars). Times are
// shown in the window's time zone; what a memo cannot show (the last day of
// an event over several days, a timed event's end on a later day) goes on
// line 2. A yearly event without an end is one starred memo, on its first
// day from 14 days back on, where the diary keeps a starred memo until it
// moves it on. Throws std::runtime_error when the text is no calendar.
Imported readCalendar(std::string_view text, const ImportWindow& window, const Progress& progress = {});

// The diary's memo says what the event's memo says, as far as an event can
// say it (a starred one on its day in another year).
bool saysTheSame(const MemoRecord& diary, const MemoRecord& event);

// What the diary did to one memo an event gave.
struct MemoChange {
    MemoRecord before;                // as the event gave it
    std::optional<MemoRecord> after;  // as the diary holds it now; nothing: deleted
};

// The calendar `text` (an event on a server) with the diary's change made in
// the event itself: each part of the memo the user changed goes back to the
// property it came from (the table in EventView.cpp), everything else
// stays; a text the memo showed in part changes only where the user changed
// it. One occurrence of a repeating event becomes an override
// (RECURRENCE-ID), a deleted one an exception (EXDATE). `before` is found
// on the window's clock or, made on another, shifted. Nothing when no
// occurrence in the window gives `before`, or when the change is the
// deletion of a whole event (that is a DELETE).
std::optional<std::string> changeEvent(std::string_view text, const ImportWindow& window, const MemoChange& change,
                                       std::string_view dtstamp);

// A memo line (Windows-1252) as a TEXT value: a line break as "\n", other
// control characters as blanks.
std::string calendarText(std::string_view cp1252);

// A line cut to the 100 characters a memo line holds, at a word boundary,
// ending in "…"; Windows-1252 bytes in and out. `cut` counts a cut.
std::string fitLine(std::string_view bytes, std::size_t& cut);

}  // namespace jotanor::ics
