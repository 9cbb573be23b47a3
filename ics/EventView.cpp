#include "ics/EventView.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "dates/Dates.h"
#include "store/Errors.h"
#include "store/Win1252.h"
#include "ics/IcalHandle.h"
#include "ics/Ics.h"

namespace jotanor::ics {
namespace {

void appendTwo(std::string& out, std::int64_t n) {
    out += static_cast<char>('0' + n / 10 % 10);
    out += static_cast<char>('0' + n % 10);
}

void appendClock(std::string& out, std::int64_t minutes) {
    appendTwo(out, minutes / 60);
    out += ':';
    appendTwo(out, minutes % 60);
}

// "22-7-2026", as the diary writes a date.
std::string dayText(std::int64_t day) {
    const Ymd d = decodeDate(static_cast<DaySerial>(day));
    return std::to_string(d.day) + '-' + std::to_string(d.month) + '-' + std::to_string(d.year);
}

bool clockAt(std::string_view s, std::size_t at, int& minutes) {
    if (at + 5 > s.size() || s[at + 2] != ':') return false;
    for (const std::size_t d : {at, at + 1, at + 3, at + 4})
        if (s[d] < '0' || s[d] > '9') return false;
    const int h = (s[at] - '0') * 10 + s[at + 1] - '0', m = (s[at + 3] - '0') * 10 + s[at + 4] - '0';
    minutes = h * 60 + m;
    return h < 24 && m < 60;
}

// "D-M-JJJJ" as a whole day.
std::optional<std::int64_t> dayOfText(std::string_view text) {
    int d = 0, m = 0, y = 0;
    char tail = 0;
    if (text.empty() || text.size() > 12) return std::nullopt;
    if (std::sscanf(std::string(text).c_str(), "%d-%d-%d%c", &d, &m, &y, &tail) != 3 || !isValidDate(y, m, d))
        return std::nullopt;
    return wholeDay(encodeDate(y, m, d));
}

std::string firstLineOf(std::string_view text) { return std::string(text.substr(0, text.find_first_of("\r\n"))); }

std::string textOf(const char* text) { return text ? text : ""; }

// The Windows-1252 bytes the diary shows for each character of `utf8`;
// false when one character does not show as one byte.
bool splitShown(std::string_view utf8, std::vector<std::string_view>& pieces, std::string& shown) {
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t n = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        n = std::min(n, utf8.size() - i);
        const std::string one = memoLineText(utf8.substr(i, n));
        if (one.size() != 1) return false;
        pieces.push_back(utf8.substr(i, n));
        shown += one;
        i += n;
    }
    return true;
}

// The text of `kind` in the event; empty when it has none.
std::string propertyText(icalcomponent* c, icalproperty_kind kind) {
    icalproperty* p = icalcomponent_get_first_property(c, kind);
    return p ? textOf(icalvalue_get_text(icalproperty_get_value(p))) : std::string();
}

// A text property as the memo shows it: its exact text when the event
// holds one, else as shown.
std::string shownProperty(const EventFacts& f, icalproperty_kind kind, bool firstLine = false) {
    if (auto exact = exactText(f.event, kind)) return std::move(*exact);
    const std::string text = propertyText(f.event, kind);
    return memoLineText(firstLine ? firstLineOf(text) : text, f.replaced);
}

// The new text of a property a view shows in part: the memo's alone, with
// its exact text, or the event's own with the user's change in it.
void writeShown(icalcomponent* c, icalproperty_kind kind, std::string_view source, std::string_view before,
                std::string_view after, std::string_view tail = {}) {
    const std::string text = reapply(source, before, after);
    if (tail.empty() && text == calendarText(after)) {
        setExactText(c, kind, after);
        return;
    }
    setExactText(c, kind, "");
    const std::string whole = text + std::string(tail);
    if (whole.empty()) return;
    icalproperty* p = icalproperty_new(kind);
    icalproperty_set_value(p, icalvalue_new_text(whole.c_str()));
    icalcomponent_add_property(c, p);
}

// How the parts of a memo stand for an event's properties, both ways: what
// each part reads, whether a change touches it, and what it writes.
struct Writing {
    const Occurrence& from;
    icalcomponent* c;
};

struct Row {
    const char* part;      // of the memo
    const char* shownAs;   // where the memo shows it
    const char* property;  // where it comes from and goes back to
    void (*read)(const EventFacts&, MemoView&);
    bool (*changed)(const MemoView& before, const MemoView& after);
    void (*write)(Writing&, const MemoView& before, const MemoView& after);
};

std::optional<std::int64_t> lengthOf(const MemoView& v) {
    if (v.timed) return v.end ? std::optional<std::int64_t>(*v.end - v.start) : std::nullopt;
    return v.end ? *v.end - v.day : 0;
}

const Row kRows[] = {
    {"star", "\"*\" before line 1", "RRULE:FREQ=YEARLY",
     [](const EventFacts& f, MemoView& v) { v.yearly = f.yearly; },
     [](const MemoView& b, const MemoView& a) { return b.yearly != a.yearly; },
     [](Writing& w, const MemoView&, const MemoView& a) {
         const bool repeats = icalcomponent_get_first_property(w.c, ICAL_RRULE_PROPERTY) != nullptr;
         if (a.yearly) {
             if (!repeats && !icalcomponent_get_first_property(w.c, ICAL_RECURRENCEID_PROPERTY))
                 icalcomponent_add_property(w.c, icalproperty_new_rrule(icalrecurrencetype_from_string("FREQ=YEARLY")));
             return;
         }
         if (!w.from.yearly) return;
         // The year shown becomes the event's only one.
         icalproperty* start = icalcomponent_get_first_property(w.c, ICAL_DTSTART_PROPERTY);
         const auto since = static_cast<std::int64_t>(icaltime_as_timet(w.from.start)) -
                            static_cast<std::int64_t>(icaltime_as_timet(icalproperty_get_dtstart(start)));
         moveBy(w.c, ICAL_DTSTART_PROPERTY, since);
         moveBy(w.c, ICAL_DTEND_PROPERTY, since);
         for (const auto kind : {ICAL_RRULE_PROPERTY, ICAL_RDATE_PROPERTY, ICAL_EXDATE_PROPERTY, ICAL_EXRULE_PROPERTY})
             removeAll(w.c, kind);
     }},
    {"title", "line 1", "SUMMARY",
     [](const EventFacts& f, MemoView& v) { v.title = shownProperty(f, ICAL_SUMMARY_PROPERTY); },
     [](const MemoView& b, const MemoView& a) { return b.title != a.title; },
     [](Writing& w, const MemoView& b, const MemoView& a) {
         writeShown(w.c, ICAL_SUMMARY_PROPERTY, propertyText(w.c, ICAL_SUMMARY_PROPERTY), b.title, a.title);
     }},
    {"day", "the memo's date", "DTSTART's day (DTEND along)",
     [](const EventFacts& f, MemoView& v) { v.day = f.day; },
     [](const MemoView& b, const MemoView& a) { return b.day != a.day; },
     [](Writing& w, const MemoView& b, const MemoView& a) {
         moveBy(w.c, ICAL_DTSTART_PROPERTY, (a.day - b.day) * 86400);
         moveBy(w.c, ICAL_DTEND_PROPERTY, (a.day - b.day) * 86400);
     }},
    {"start clock", "line 2 \"HH:MM\"", "DTSTART's time (DTEND along)",
     [](const EventFacts& f, MemoView& v) {
         v.timed = f.timed;
         v.start = f.start;
     },
     [](const MemoView& b, const MemoView& a) { return b.timed && b.start != a.start; },
     [](Writing& w, const MemoView& b, const MemoView& a) {
         moveBy(w.c, ICAL_DTSTART_PROPERTY, (a.start - b.start) * 60);
         moveBy(w.c, ICAL_DTEND_PROPERTY, (a.start - b.start) * 60);
     }},
    {"end", "\"–HH:MM\", \"tot D-M-JJJJ HH:MM\", all-day \"t/m D-M-JJJJ\"", "DTEND or DURATION",
     [](const EventFacts& f, MemoView& v) { v.end = f.end; },
     [](const MemoView& b, const MemoView& a) { return lengthOf(b) != lengthOf(a); },
     [](Writing& w, const MemoView& b, const MemoView& a) {
         const auto before = lengthOf(b), after = lengthOf(a);
         const std::int64_t unit = a.timed ? 60 : 86400;
         icalproperty* duration = icalcomponent_get_first_property(w.c, ICAL_DURATION_PROPERTY);
         icalproperty* end = icalcomponent_get_first_property(w.c, ICAL_DTEND_PROPERTY);
         if (!after) {  // a timed event without an end
             removeAll(w.c, ICAL_DTEND_PROPERTY);
             removeAll(w.c, ICAL_DURATION_PROPERTY);
         } else if (duration) {
             const std::int64_t days = a.timed ? 0 : 1;
             icalproperty_set_duration(duration, icaldurationtype_from_int(static_cast<int>((*after + days) * unit)));
         } else if (end && before) {
             moveBy(w.c, ICAL_DTEND_PROPERTY, (*after - *before) * unit);
         } else if (*after > 0 || a.timed) {
             removeAll(w.c, ICAL_DTEND_PROPERTY);
             icalproperty* start = icalcomponent_get_first_property(w.c, ICAL_DTSTART_PROPERTY);
             icaltimetype t = icalproperty_get_dtstart(start);
             icaltime_adjust(&t, a.timed ? 0 : static_cast<int>(*after + 1), 0, a.timed ? static_cast<int>(*after) : 0, 0);
             icalproperty* p = icalproperty_new_dtend(t);
             if (icalparameter* tzid = icalproperty_get_first_parameter(start, ICAL_TZID_PARAMETER))
                 icalproperty_add_parameter(p, icalparameter_new_clone(tzid));
             icalcomponent_add_property(w.c, p);
         }
     }},
    {"place", "line 2 after the clock", "LOCATION",
     [](const EventFacts& f, MemoView& v) {
         if (f.timed) v.rest = shownProperty(f, ICAL_LOCATION_PROPERTY);
     },
     [](const MemoView& b, const MemoView& a) { return b.timed && b.rest != a.rest; },
     [](Writing& w, const MemoView& b, const MemoView& a) {
         writeShown(w.c, ICAL_LOCATION_PROPERTY, propertyText(w.c, ICAL_LOCATION_PROPERTY), b.rest, a.rest);
     }},
    {"description", "all-day line 2 (after \"t/m D-M-JJJJ, \")", "DESCRIPTION's first line",
     [](const EventFacts& f, MemoView& v) {
         if (!f.timed) v.rest = shownProperty(f, ICAL_DESCRIPTION_PROPERTY, true);
     },
     [](const MemoView& b, const MemoView& a) { return !b.timed && b.rest != a.rest; },
     [](Writing& w, const MemoView& b, const MemoView& a) {
         const std::string was = propertyText(w.c, ICAL_DESCRIPTION_PROPERTY);
         const std::size_t eol = std::min(was.find_first_of("\r\n"), was.size());
         writeShown(w.c, ICAL_DESCRIPTION_PROPERTY, std::string_view(was).substr(0, eol), b.rest, a.rest,
                    std::string_view(was).substr(eol));
     }},
};

constexpr const char* kExactPrefix = "X-JOTANOR-";

// Bytes a text value keeps as they are.
bool plainByte(unsigned char c) {
    return c > 0x20 && c < 0x7F && c != '%' && c != ',' && c != ';' && c != '\\' && c != ':' && c != '"';
}

// The calendar gives it back as it is: no blank or tab at either end, no
// other control character.
bool comesBack(std::string_view cp1252) {
    if (!cp1252.empty() && (cp1252.front() == ' ' || cp1252.front() == '\t' || cp1252.back() == ' ' || cp1252.back() == '\t'))
        return false;
    return std::none_of(cp1252.begin(), cp1252.end(), [](char b) {
        const auto c = static_cast<unsigned char>(b);
        return (c < 0x20 && c != '\t') || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
    });
}

// Text as two texts compare when the calendar may have lost blanks at the
// ends or control characters: those as blanks, trimmed.
std::string loosely(std::string_view utf8) {
    std::string out(utf8);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    const auto first = out.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return out.substr(first, out.find_last_not_of(' ') - first + 1);
}

icalproperty* exactProperty(icalcomponent* c, const std::string& name) {
    for (auto* p = icalcomponent_get_first_property(c, ICAL_X_PROPERTY); p;
         p = icalcomponent_get_next_property(c, ICAL_X_PROPERTY)) {
        const char* x = icalproperty_get_x_name(p);
        if (x && name == x) return p;
    }
    return nullptr;
}

std::string exactName(icalproperty_kind kind) { return kExactPrefix + std::string(icalproperty_kind_to_string(kind)); }

}  // namespace

std::string memoLineText(std::string_view utf8, std::size_t* replaced) {
    std::string bytes = utf8ToCp1252(utf8);
    if (replaced) {
        const auto questions = [](std::string_view s) { return std::count(s.begin(), s.end(), '?'); };
        *replaced += static_cast<std::size_t>(questions(bytes) - questions(utf8));
    }
    for (char& b : bytes)
        if ((static_cast<unsigned char>(b) < 0x20 && b != '\t') || b == 0x7F) b = ' ';
    return bytes;
}

void setExactText(icalcomponent* event, icalproperty_kind kind, std::string_view cp1252, bool evenEmpty) {
    removeAll(event, kind);
    const std::string name = exactName(kind);
    while (icalproperty* p = exactProperty(event, name)) {
        icalcomponent_remove_property(event, p);
        icalproperty_free(p);
    }
    if (cp1252.empty() && !evenEmpty) return;
    icalproperty* p = icalproperty_new(kind);
    icalproperty_set_value(p, icalvalue_new_text(calendarText(cp1252).c_str()));
    icalcomponent_add_property(event, p);
    if (comesBack(cp1252)) return;
    std::string value;
    for (const char b : cp1252) {
        const auto c = static_cast<unsigned char>(b);
        if (plainByte(c)) {
            value += b;
        } else {
            value += '%';
            value += "0123456789ABCDEF"[c >> 4];
            value += "0123456789ABCDEF"[c & 0xF];
        }
    }
    icalproperty* x = icalproperty_new_x(value.c_str());
    icalproperty_set_x_name(x, name.c_str());
    icalcomponent_add_property(event, x);
}

std::optional<std::string> exactText(icalcomponent* event, icalproperty_kind kind) {
    icalproperty* x = exactProperty(event, exactName(kind));
    const char* value = x ? icalproperty_get_x(x) : nullptr;
    if (!value) return std::nullopt;
    std::string exact;
    const std::string_view v = value;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i] != '%') {
            exact += v[i];
            continue;
        }
        unsigned byte = 0;
        if (i + 2 >= v.size() || std::sscanf(std::string(v.substr(i + 1, 2)).c_str(), "%2x", &byte) != 1)
            return std::nullopt;
        exact += static_cast<char>(byte);
        i += 2;
    }
    if (exact.size() > MemoRecord::kMaxLine || loosely(calendarText(exact)) != loosely(propertyText(event, kind)))
        return std::nullopt;
    return exact;
}

std::pair<std::string, std::string> viewLines(const MemoView& v) {
    std::string line1 = (v.yearly ? "*" : "") + v.title, line2;
    if (v.timed) {
        appendClock(line2, v.start);
        if (v.end && *v.end < 1440) {
            line2 += '\x96';  // "–"
            appendClock(line2, *v.end);
        } else if (v.end) {
            line2 += " tot " + dayText(v.day + *v.end / 1440) + ' ';
            appendClock(line2, *v.end % 1440);
        }
        if (!v.rest.empty()) line2 += ' ' + v.rest;
    } else if (v.end) {
        line2 = "t/m " + dayText(*v.end) + (v.rest.empty() ? "" : ", " + v.rest);
    } else {
        line2 = v.rest;
    }
    return {std::move(line1), std::move(line2)};
}

std::optional<MemoView> viewOf(const MemoRecord& memo, bool timed) {
    MemoView v;
    try {
        v.day = wholeDay(memo.date);
    } catch (const DateError&) {
        return std::nullopt;
    }
    v.yearly = memo.starred();
    v.title = memo.line1.substr(v.yearly ? 1 : 0);
    const std::string_view s = memo.line2;
    if (!timed) {
        // "t/m D-M-JJJJ", then ", " and the description's first line.
        const std::size_t comma = s.find(", ");
        const auto last = s.starts_with("t/m ") && (comma == std::string_view::npos || comma > 4)
                              ? dayOfText(s.substr(4, comma == std::string_view::npos ? comma : comma - 4))
                              : std::nullopt;
        if (last && *last > v.day) {
            v.end = last;
            v.rest = comma == std::string_view::npos ? "" : std::string(s.substr(comma + 2));
        } else {
            v.rest = std::string(s);
        }
        return v;
    }
    int start = 0, end = 0;
    if (!clockAt(s, 0, start)) return std::nullopt;
    v.timed = true;
    v.start = start;
    std::size_t at = 5;
    if (s.substr(at, 1) == "\x96" && clockAt(s, at + 1, end)) {
        v.end = end;
        at += 6;
    } else if (s.substr(at, 5) == " tot ") {
        const std::size_t space = s.find(' ', at + 5);
        const auto day = space == std::string_view::npos ? std::nullopt : dayOfText(s.substr(at + 5, space - at - 5));
        if (!day || !clockAt(s, space + 1, end)) return std::nullopt;
        v.end = (*day - v.day) * 1440 + end;
        at = space + 6;
    }
    if (at < s.size() && s[at] != ' ') return std::nullopt;
    if (at < s.size()) v.rest = std::string(s.substr(at + 1));
    return v;
}

std::optional<MemoView> viewOf(const MemoRecord& memo) {
    if (auto timed = viewOf(memo, true)) return timed;
    return viewOf(memo, false);
}

MemoView readView(const EventFacts& facts) {
    MemoView v;
    for (const Row& row : kRows) row.read(facts, v);
    return v;
}

void writeView(const Occurrence& from, const MemoView& before, const std::optional<MemoView>& after,
               const MemoRecord& afterMemo) {
    Writing w{from, from.event};
    if (after) {
        for (const Row& row : kRows)
            if (row.changed(before, *after)) row.write(w, before, *after);
        return;
    }
    // The clock taken away: an all-day event on the memo's day, its line 2
    // the description's first line.
    const auto allDay = viewOf(afterMemo, false);
    if (!allDay) return;
    for (const Row* row : {&kRows[0], &kRows[1]})  // the star and the title
        if (row->changed(before, *allDay)) row->write(w, before, *allDay);
    for (const auto kind : {ICAL_DTSTART_PROPERTY, ICAL_DTEND_PROPERTY, ICAL_DURATION_PROPERTY, ICAL_LOCATION_PROPERTY})
        removeAll(w.c, kind);
    icaltimetype day = icaltime_null_date();
    const Ymd d = decodeDate(static_cast<DaySerial>(allDay->day));
    day.year = d.year, day.month = d.month, day.day = d.day;
    icalcomponent_add_property(w.c, icalproperty_new_dtstart(day));
    // The description the memo did not show follows the line it shows now.
    const std::string was = propertyText(w.c, ICAL_DESCRIPTION_PROPERTY);
    writeShown(w.c, ICAL_DESCRIPTION_PROPERTY, "", "", allDay->rest, was.empty() ? "" : "\n" + was);
}

std::string reapply(std::string_view source, std::string_view before, std::string_view after) {
    if (before == after) return std::string(source);
    std::vector<std::string_view> pieces;
    std::string shown;
    if (!splitShown(source, pieces, shown)) return calendarText(after);
    const std::size_t n = pieces.size(), b = before.size(), a = after.size();
    std::size_t kept = n;  // characters shown as themselves; the rest as "…"
    if (shown != before) {
        if (b == 0 || before.back() != '\x85' || b - 1 >= n || !shown.starts_with(before.substr(0, b - 1)))
            return calendarText(after);
        kept = b - 1;
    }
    std::size_t p = 0, s = 0;
    while (p < std::min(a, b) && before[p] == after[p]) ++p;
    while (s < std::min(a, b) - p && before[b - 1 - s] == after[a - 1 - s]) ++s;
    const auto at = [&](std::size_t position) { return position <= kept ? position : n; };
    std::string out;
    for (std::size_t i = 0; i < at(p); ++i) out += pieces[i];
    out += calendarText(after.substr(p, a - s - p));
    for (std::size_t i = at(b - s); i < n; ++i) out += pieces[i];
    return out;
}

// Whether a memo says what an event says.
namespace {

// A memo line as an event gives it back: a line break as one blank, other
// control characters as blanks (a calendar's text holds neither), without
// blanks before or after (libical reads a value without them); line 2 of
// an all-day event is the description's first line.
std::string asCalendarGivesIt(std::string_view line, bool firstLineOnly = false) {
    if (firstLineOnly) line = line.substr(0, line.find_first_of("\r\n"));
    std::string out;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        if (c == '\r' && i + 1 < line.size() && line[i + 1] == '\n') ++i;
        out += (c < 0x20 || c == 0x7F) ? ' ' : line[i];
    }
    const auto first = out.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return out.substr(first, out.find_last_not_of(' ') - first + 1);
}

// A starred memo on the same day of the year (29 February on 28 February,
// where the diary moves it).
bool sameYearlyDay(DaySerial diary, DaySerial event) {
    const Ymd d = decodeDate(diary), e = decodeDate(event);
    return (d.month == e.month && d.day == e.day) || (d.month == 2 && d.day == 29 && e.month == 2 && e.day == 28);
}

// A memo line as an event gives it back, keeping a starred memo's "*".
std::string lineAsGiven(const MemoRecord& memo) {
    return memo.starred() ? "*" + asCalendarGivesIt(std::string_view(memo.line1).substr(1)) : asCalendarGivesIt(memo.line1);
}

}  // namespace

bool sameEventElsewhere(const MemoRecord& diary, const MemoRecord& event) {
    if (diary.line1 != event.line1) return false;
    const auto a = viewOf(diary, true), b = viewOf(event, true);
    if (!a || !b || a->rest != b->rest || (a->end ? *a->end - a->start : -1) != (b->end ? *b->end - b->start : -1))
        return false;
    const std::int64_t shift = std::llabs((a->day * 1440 + a->start) - (b->day * 1440 + b->start));
    return shift % 15 == 0 && shift <= 26 * 60;
}

bool saysTheSame(const MemoRecord& diary, const MemoRecord& event) {
    try {
        // As the diary holds it, or as a calendar that loses blanks at the
        // ends and control characters gives it back.
        const bool exact = diary.line1 == event.line1 && diary.line2 == event.line2;
        if (!exact && (lineAsGiven(diary) != lineAsGiven(event) ||
                       asCalendarGivesIt(diary.line2, true) != asCalendarGivesIt(event.line2)))
            return false;
        return wholeDay(diary.date) == wholeDay(event.date) || (diary.starred() && event.starred() && sameYearlyDay(diary.date, event.date));
    } catch (const DateError&) {
        return false;
    }
}

}  // namespace jotanor::ics
