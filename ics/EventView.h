// A memo as a view of an event: which part of its two lines shows which
// property, read one way when an event becomes a memo and written the other
// way when the diary changed the memo. The table is in EventView.cpp.
#pragma once

#include <libical/ical.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "store/MemoRecord.h"

namespace jotanor::ics {

// The parts of a memo, its texts in Windows-1252 as shown, not yet cut to
// the 100 characters of a line.
struct MemoView {
    std::int64_t day = 0;  // the memo's date, whole days
    bool yearly = false;   // "*" before the title
    std::string title;
    bool timed = false;
    int start = 0;  // timed: minutes after midnight
    // Timed: the end in minutes after midnight of `day`; all-day: the last
    // day, when the event lasts more than one.
    std::optional<std::int64_t> end;
    std::string rest;  // timed: the place; all-day: the description's first line
    bool operator==(const MemoView&) const = default;
};

// The two lines of a view, not yet fitted to 100 characters.
std::pair<std::string, std::string> viewLines(const MemoView& view);

// The view a memo gives of a timed or an all-day event; nothing when the
// date is no calendar day, or a timed memo's line 2 starts with no clock.
std::optional<MemoView> viewOf(const MemoRecord& memo, bool timed);

// A memo's own view: timed when its line 2 starts with a clock.
std::optional<MemoView> viewOf(const MemoRecord& memo);

// The same timed event read on another zone's clock: the same title,
// place and length, shifted by whole quarters of an hour, at most the 26
// hours between the world's zones.
bool sameEventElsewhere(const MemoRecord& diary, const MemoRecord& event);

// What an event says, for the table to read: the occurrence as the diary
// shows it.
struct EventFacts {
    icalcomponent* event = nullptr;
    bool yearly = false;
    std::int64_t day = 0;
    bool timed = false;
    int start = 0;
    std::optional<std::int64_t> end;  // as in MemoView
    std::size_t* replaced = nullptr;  // counts characters Windows-1252 lacks
};
MemoView readView(const EventFacts& facts);

// The occurrence a changed memo came from.
struct Occurrence {
    icalcomponent* event = nullptr;
    icaltimetype start{};  // as the event's start gives it
    bool yearly = false;   // a yearly event shown as one starred memo
};

// Writes into the event each part in which `after` differs from `before`,
// into the property that part came from and no other. Both views are of
// the same kind as the event (timed or all-day); `after` may have no
// clock, which makes a timed event an all-day one.
void writeView(const Occurrence& from, const MemoView& before, const std::optional<MemoView>& after,
               const MemoRecord& afterMemo);

// A text property that shows in part (cut to 100 characters, characters
// Windows-1252 lacks as "?"): `source` (UTF-8) was shown as `before` and
// the user made that `after` (Windows-1252). Only what changed changes; a
// `before` that is no view of `source` gives `after` whole.
std::string reapply(std::string_view source, std::string_view before, std::string_view after);

// A memo line as shown: control characters but the tab as blanks,
// characters Windows-1252 lacks as "?" (counted in `replaced`).
std::string memoLineText(std::string_view utf8, std::size_t* replaced = nullptr);

// A text property with the memo's exact text: where the calendar would not
// give it back (blanks at the ends, tabs, control characters, line
// breaks), an X- property beside it holds it. No property for an empty
// text unless `evenEmpty`.
void setExactText(icalcomponent* event, icalproperty_kind kind, std::string_view cp1252, bool evenEmpty = false);
// The exact text, when the event has one that still says what the
// property says.
std::optional<std::string> exactText(icalcomponent* event, icalproperty_kind kind);

}  // namespace jotanor::ics
