// The memo file as iCalendar events, written by libical.
#include <libical/ical.h>

#include <memory>
#include <unordered_map>

#include "dates/Dates.h"
#include "store/Errors.h"
#include "store/Recurrence.h"
#include "store/Win1252.h"
#include "ics/EventView.h"
#include "ics/Ics.h"
#include "ics/IcalHandle.h"

namespace jotanor::ics {
namespace {

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

// When the event falls, and a hash of that and the memo's lines.
std::string uidStem(const Ymd& date, bool yearly, std::string_view line1, std::string_view line2, std::uint64_t& hashed) {
    std::string stem;
    if (yearly) {
        stem = "yearly-";
    } else {
        appendDigits(stem, date.year, 4);
    }
    appendDigits(stem, date.month, 2);
    appendDigits(stem, date.day, 2);
    Hash hash;
    hash.add(stem);
    hash.addLine(line1);
    hash.addLine(line2);
    stem += '-';
    for (int shift = 60; shift >= 0; shift -= 4) stem += "0123456789abcdef"[(hash.value >> shift) & 0xF];
    hashed = hash.value;
    return stem;
}

// A starred memo of 29 February: the diary moves it to 28 February and
// keeps it there.
bool leapDayStar(const Ymd& date, std::string_view line1) {
    return !line1.empty() && line1[0] == '*' && date.month == 2 && date.day == 29;
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

// libical escapes what else a TEXT value may not hold.
std::string calendarText(std::string_view cp1252) {
    const std::string utf8 = cp1252ToUtf8(cp1252);
    std::string text;
    text.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (c == '\r') {
            if (i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
            text += '\n';
        } else if (c == '\n' || c == '\t') {
            text += c;
        } else {
            text += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? ' ' : c;
        }
    }
    return text;
}

namespace {

icalcomponent* newCalendar() {
    icalcomponent* calendar = icalcomponent_new(ICAL_VCALENDAR_COMPONENT);
    icalcomponent_add_property(calendar, icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar, icalproperty_new_prodid("-//Jotanor//jotanor-cli " JOTANOR_VERSION "//NL"));
    icalcomponent_add_property(calendar, icalproperty_new_calscale("GREGORIAN"));
    return calendar;
}

icaltimetype dateValue(const Ymd& date) {
    icaltimetype day = icaltime_null_date();
    day.year = date.year;
    day.month = date.month;
    day.day = date.day;
    return day;
}

// A memo whose line 2 is a clock ("14:00", "14:00–15:30" or "23:30 tot
// 1-1-2027 02:00") and a place stands for a timed event, on the clock of
// wherever it is read.
std::optional<MemoView> timedView(const Ymd& date, std::string_view line1, std::string_view line2) {
    const MemoRecord memo{encodeDate(date), std::string(line1), std::string(line2)};
    const auto view = viewOf(memo, true);
    if (!view || (view->end && *view->end <= view->start) || viewLines(*view).second != line2) return std::nullopt;
    return view;
}

// The moment `minutes` after the start of `date`, or the date itself.
icaltimetype startOn(const Ymd& date, const std::optional<MemoView>& timed, std::int64_t minutes = -1) {
    icaltimetype t = dateValue(date);
    if (!timed) return t;
    t.is_date = 0;
    t.hour = t.minute = t.second = 0;
    icaltime_adjust(&t, 0, 0, static_cast<int>(minutes < 0 ? timed->start : minutes), 0);
    return t;
}

// The one event of a memo: all day, or timed when its line 2 is a clock; a
// starred memo repeats every year, and a starred 29 February falls on that
// day and then on every 28 February, where the diary moves it and keeps it.
IcalPtr memoEvent(const Ymd& date, std::string_view line1, std::string_view line2, const std::string& uid,
                  const icaltimetype& stamp) {
    const bool starred = !line1.empty() && line1[0] == '*';
    const auto timed = timedView(date, line1, line2);
    IcalPtr event(icalcomponent_new(ICAL_VEVENT_COMPONENT));
    icalcomponent* e = event.get();
    icalcomponent_add_property(e, icalproperty_new_uid(uid.c_str()));
    icalcomponent_add_property(e, icalproperty_new_dtstamp(stamp));
    Ymd first = date;
    if (leapDayStar(date, line1) && date.year < 9999) {
        first = {static_cast<std::uint16_t>(date.year + 1), 2, 28};
        icalcomponent_add_property(e, icalproperty_new_dtstart(startOn(first, timed)));
        icalcomponent_add_property(e, icalproperty_new_rrule(icalrecurrencetype_from_string("FREQ=YEARLY")));
        icaldatetimeperiodtype leapDay{};
        leapDay.time = startOn(date, timed);
        leapDay.period = icalperiodtype_null_period();
        icalcomponent_add_property(e, icalproperty_new_rdate(leapDay));
    } else {
        icalcomponent_add_property(e, icalproperty_new_dtstart(startOn(date, timed)));
        if (starred && !leapDayStar(date, line1))
            icalcomponent_add_property(e, icalproperty_new_rrule(icalrecurrencetype_from_string("FREQ=YEARLY")));
    }
    if (timed && timed->end) icalcomponent_add_property(e, icalproperty_new_dtend(startOn(first, timed, *timed->end)));
    setExactText(e, ICAL_SUMMARY_PROPERTY, starred ? line1.substr(1) : line1, true);
    setExactText(e, timed ? ICAL_LOCATION_PROPERTY : ICAL_DESCRIPTION_PROPERTY, timed ? std::string_view(timed->rest) : line2);
    return event;
}

icaltimetype stampTime(std::string_view dtstamp) {
    return icaltime_from_string(std::string(dtstamp).c_str());
}

// A memo of `date` (day `day`) is exported for the range when it falls in
// it, or for a starred one, when it recurs in it.
bool wanted(const Range& range, std::int64_t day, const Ymd& date, std::string_view line1) {
    const bool starred = !line1.empty() && line1[0] == '*';
    if (!leapDayStar(date, line1)) return inRange(range, day, date, starred);
    if (inRange(range, day, date, false)) return true;
    const Ymd next = oneYearLater(date);
    return next.year <= 9999 && inRange(range, wholeDay(encodeDate(next)), next, true);
}

bool yearlyStar(const Ymd& date, std::string_view line1) {
    return !line1.empty() && line1[0] == '*' && !leapDayStar(date, line1);
}

// The UID from its stem, after `seen` identical memos.
std::string uidAfter(std::string stem, int seen) {
    if (seen > 0) stem += "-" + std::to_string(seen + 1);
    return stem + "@jotanor";
}

// The stem of a memo's UIDs, and its hash; "" when its date is no calendar day.
std::string stemOf(const MemoRecord& memo, std::uint64_t& hashed) {
    try {
        const RecordBytes bytes = encodeRecord(memo);
        const Ymd date = decodeDate(memo.date);
        const std::string_view line1 = recordLine1(bytes.data());
        return uidStem(date, yearlyStar(date, line1), line1, recordLine2(bytes.data()), hashed);
    } catch (const DateError&) {
        return {};
    }
}
}  // namespace

std::string UidMaker::next(const MemoRecord& memo, int* copy) {
    std::uint64_t hashed = 0;
    std::string stem = stemOf(memo, hashed);
    if (stem.empty()) return {};
    const int seen = given_[hashed]++;
    if (copy) *copy = seen;
    return uidAfter(std::move(stem), seen);
}

std::string memoUid(const MemoRecord& memo, int copy) {
    std::uint64_t hashed = 0;
    std::string stem = stemOf(memo, hashed);
    return stem.empty() ? stem : uidAfter(std::move(stem), copy);
}

Exported exportCalendar(std::span<const MemoRecord> memos, const Range& range, std::string_view dtstamp, std::string& out) {
    Exported result;
    // The calendar's frame and properties, then each event as it is made,
    // so that a large file is never held as one tree.
    const IcalPtr calendar(newCalendar());
    out += "BEGIN:VCALENDAR\r\n";
    for (auto* p = icalcomponent_get_first_property(calendar.get(), ICAL_ANY_PROPERTY); p;
         p = icalcomponent_get_next_property(calendar.get(), ICAL_ANY_PROPERTY))
        out += IcalText(icalproperty_as_ical_string_r(p)).view();
    const icaltimetype stamp = stampTime(dtstamp);
    // Every memo takes its UID, in or out of the range, so that identical
    // memos keep theirs whatever the range.
    UidMaker uids;
    for (const MemoRecord& memo : memos) {
        const std::string uid = uids.next(memo);
        if (uid.empty()) {
            ++result.undated;
            continue;
        }
        const Ymd date = decodeDate(memo.date);
        const RecordBytes bytes = encodeRecord(memo);
        const std::string_view line1 = recordLine1(bytes.data());
        if (!wanted(range, wholeDay(memo.date), date, line1)) continue;
        out += IcalText(icalcomponent_as_ical_string_r(memoEvent(date, line1, recordLine2(bytes.data()), uid, stamp).get())).view();
        ++result.events;
    }
    out += "END:VCALENDAR\r\n";
    return result;
}

std::optional<std::string> eventCalendar(const MemoRecord& memo, std::string_view uid, std::string_view dtstamp) {
    Ymd date;
    try {
        date = decodeDate(memo.date);
    } catch (const DateError&) {
        return std::nullopt;
    }
    const IcalPtr calendar(newCalendar());
    const RecordBytes bytes = encodeRecord(memo);
    IcalPtr event = memoEvent(date, recordLine1(bytes.data()), recordLine2(bytes.data()), std::string(uid), stampTime(dtstamp));
    icalcomponent_add_component(calendar.get(), event.release());
    return std::string(IcalText(icalcomponent_as_ical_string_r(calendar.get())).view());
}

}  // namespace jotanor::ics
