// The events of an iCalendar file as memos, read by libical.
#include <libical/ical.h>

#include <algorithm>
#include <ctime>
#include <map>
#include <stdexcept>

#include "dates/Dates.h"
#include "store/Win1252.h"
#include "ics/EventView.h"
#include "ics/IcalHandle.h"
#include "ics/Ics.h"
#include "store/Recurrence.h"
#include "store/ShownText.h"

namespace jotanor::ics {
namespace {

// A repeating event is followed this many times at most; one that repeats
// more often than daily gives this many memos at most.
constexpr int kMostOccurrences = 100000;
constexpr std::size_t kMostOftenMemos = 1000;

bool moreOftenThanDaily(const icalrecurrencetype& rule) {
    return rule.freq == ICAL_SECONDLY_RECURRENCE || rule.freq == ICAL_MINUTELY_RECURRENCE ||
           rule.freq == ICAL_HOURLY_RECURRENCE || rule.by_hour[1] != ICAL_RECURRENCE_ARRAY_MAX ||
           rule.by_minute[1] != ICAL_RECURRENCE_ARRAY_MAX || rule.by_second[1] != ICAL_RECURRENCE_ARRAY_MAX;
}

struct Moment {
    Ymd date;
    int hour = 0, minute = 0;
};

// A date-time with the time zone its TZID names, from the calendar's own
// VTIMEZONE or else the system's zone data; UTC and floating times as given.
icaltimetype timeOf(icalcomponent* calendar, icalproperty* property) {
    icaltimetype t = icalvalue_get_datetime(icalproperty_get_value(property));
    if (icalparameter* tzid = icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER); tzid && !t.is_date) {
        const char* name = icalparameter_get_tzid(tzid);
        icaltimezone* zone = calendar ? icalcomponent_get_timezone(calendar, name) : nullptr;
        if (!zone) zone = icaltimezone_get_builtin_timezone(name);
        if (zone) icaltime_set_timezone(&t, zone);
    }
    return t;
}

// Where a moment falls on the clock of `zone`, or of the system when there
// is none, or (`own`) on the clock of its own zone; a floating time or a
// date stays as it is.
Moment localMoment(const icaltimetype& t, icaltimezone* zone, bool own) {
    if (t.is_date || !t.zone || own) {
        return {{static_cast<std::uint16_t>(t.year), static_cast<std::uint16_t>(t.month), static_cast<std::uint16_t>(t.day)},
                t.hour,
                t.minute};
    }
    if (zone) {
        const icaltimetype there = icaltime_convert_to_zone(t, zone);
        return {{static_cast<std::uint16_t>(there.year), static_cast<std::uint16_t>(there.month),
                 static_cast<std::uint16_t>(there.day)},
                there.hour,
                there.minute};
    }
    const std::time_t seconds = icaltime_as_timet_with_zone(t, t.zone);
    std::tm local{};
    if (const std::tm* l = std::localtime(&seconds)) local = *l;
    return {{static_cast<std::uint16_t>(local.tm_year + 1900), static_cast<std::uint16_t>(local.tm_mon + 1),
             static_cast<std::uint16_t>(local.tm_mday)},
            local.tm_hour,
            local.tm_min};
}

// The same wall-clock moment, compared in the zone of the event's start.
bool sameOccurrence(icaltimetype a, icaltimetype b, const icaltimetype& start) {
    if (start.zone && !start.is_date) {
        if (a.zone && a.zone != start.zone) a = icaltime_convert_to_zone(a, const_cast<icaltimezone*>(start.zone));
        if (b.zone && b.zone != start.zone) b = icaltime_convert_to_zone(b, const_cast<icaltimezone*>(start.zone));
    }
    if (a.year != b.year || a.month != b.month || a.day != b.day) return false;
    return start.is_date || a.is_date || b.is_date || (a.hour == b.hour && a.minute == b.minute && a.second == b.second);
}

// A starred memo stays on its day until 14 days after it.
constexpr DaySerial kStarredKept = 14;

// Where a memo came from: the event and the occurrence.
using Origin = Occurrence;

class Reader {
public:
    Reader(const ImportWindow& window, Imported& out, const Progress& progress, std::size_t total,
           std::vector<Origin>* origins = nullptr)
        : window_(window), out_(out), progress_(progress), total_(total), origins_(origins),
          zone_(window.zone.empty() ? nullptr : icaltimezone_get_builtin_timezone(window.zone.c_str())),
          ownZone_(window.ownZone) {
        if (!window.zone.empty() && !zone_) throw std::runtime_error("onbekende tijdzone: " + window.zone);
    }

    void calendar(icalcomponent* calendar) {
        overrides_.clear();
        for (auto* c = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); c;
             c = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) {
            if (icalproperty* id = icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY))
                overrides_.emplace(uidOf(c), timeOf(calendar, id));
        }
        std::vector<icalcomponent*> parts;
        for (auto* c = icalcomponent_get_first_component(calendar, ICAL_ANY_COMPONENT); c;
             c = icalcomponent_get_next_component(calendar, ICAL_ANY_COMPONENT))
            parts.push_back(c);
        for (icalcomponent* c : parts) {
            component(calendar, c);
            if (progress_ && ++done_ % 100 == 0) progress_(done_, total_);
        }
    }

private:
    static std::string uidOf(icalcomponent* event) {
        const char* uid = icalcomponent_get_uid(event);
        return uid ? uid : "";
    }

    void component(icalcomponent* calendar, icalcomponent* c) {
        const icalcomponent_kind kind = icalcomponent_isa(c);
        if (kind == ICAL_VTODO_COMPONENT || kind == ICAL_VJOURNAL_COMPONENT) {
            ++out_.skipped;
            return;
        }
        if (kind != ICAL_VEVENT_COMPONENT) return;
        if (icalcomponent_get_status(c) == ICAL_STATUS_CANCELLED) {
            ++out_.skipped;
            return;
        }
        icalproperty* start = icalcomponent_get_first_property(c, ICAL_DTSTART_PROPERTY);
        const icaltimetype first = start ? timeOf(calendar, start) : icaltime_null_time();
        if (icaltime_is_null_time(first) || !isValidDate(first.year, first.month, first.day)) {
            ++out_.skipped;
            const char* summary = icalcomponent_get_summary(c);
            out_.undatable.emplace_back(summary ? summary : "");
            return;
        }
        long length = 0;  // seconds from start to end
        if (icalproperty* end = icalcomponent_get_first_property(c, ICAL_DTEND_PROPERTY)) {
            length = static_cast<long>(icaltime_as_timet_with_zone(timeOf(calendar, end), timeOf(calendar, end).zone) -
                                       icaltime_as_timet_with_zone(first, first.zone));
        } else if (icalproperty* duration = icalcomponent_get_first_property(c, ICAL_DURATION_PROPERTY)) {
            length = icaldurationtype_as_int(icalproperty_get_duration(duration));
        }
        icalproperty* rule = icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY);
        const bool isOverride = icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY) != nullptr;
        if (!rule || isOverride) {
            const DaySerial day = encodeDate(localMoment(first, zone_, ownZone_).date);
            if (!isOverride || (window_.from <= day && day <= window_.to)) add(c, first, length, false);
            return;
        }
        repeating(calendar, c, first, length, icalproperty_get_rrule(rule));
    }

    void repeating(icalcomponent* calendar, icalcomponent* c, const icaltimetype& first, long length,
                   const icalrecurrencetype& rule) {
        const bool yearly = rule.freq == ICAL_YEARLY_RECURRENCE && rule.interval <= 1 && rule.count == 0 &&
                            icaltime_is_null_time(rule.until) && rule.by_day[0] == ICAL_RECURRENCE_ARRAY_MAX &&
                            rule.by_year_day[0] == ICAL_RECURRENCE_ARRAY_MAX &&
                            rule.by_week_no[0] == ICAL_RECURRENCE_ARRAY_MAX &&
                            rule.by_set_pos[0] == ICAL_RECURRENCE_ARRAY_MAX;
        std::vector<icaltimetype> excluded;
        for (auto* p = icalcomponent_get_first_property(c, ICAL_EXDATE_PROPERTY); p;
             p = icalcomponent_get_next_property(c, ICAL_EXDATE_PROPERTY))
            excluded.push_back(timeOf(calendar, p));
        const auto [low, high] = overrides_.equal_range(uidOf(c));
        for (auto it = low; it != high; ++it) excluded.push_back(it->second);
        const auto isExcluded = [&](const icaltimetype& t) {
            return std::any_of(excluded.begin(), excluded.end(), [&](const icaltimetype& x) { return sameOccurrence(x, t, first); });
        };
        // Days added to the rule's (RDATE), in the zone of the start.
        std::vector<icaltimetype> extra;
        for (auto* p = icalcomponent_get_first_property(c, ICAL_RDATE_PROPERTY); p;
             p = icalcomponent_get_next_property(c, ICAL_RDATE_PROPERTY)) {
            icaltimetype t = icalproperty_get_rdate(p).time;
            if (icaltime_is_null_time(t) || !isValidDate(t.year, t.month, t.day)) continue;
            if (!t.is_date && !t.zone) icaltime_set_timezone(&t, first.zone);
            if (!isExcluded(t)) extra.push_back(t);
        }
        const auto dayOf = [this](const icaltimetype& t) { return encodeDate(localMoment(t, zone_, ownZone_).date); };

        const RecurIterator it(icalrecur_iterator_new(rule, first));
        if (!it) {
            ++out_.skipped;
            return;
        }
        // A yearly event without an end: one starred memo, on its first
        // day from when the diary would still hold it.
        const DaySerial since = window_.today - kStarredKept;
        std::optional<icaltimetype> next;
        const bool often = moreOftenThanDaily(rule);
        std::size_t given = 0;
        for (int n = 0; n < kMostOccurrences; ++n) {
            icaltimetype t = icalrecur_iterator_next(it.get());
            if (icaltime_is_null_time(t)) break;
            icaltime_set_timezone(&t, first.zone);
            if (!isValidDate(t.year, t.month, t.day)) break;
            const DaySerial day = dayOf(t);
            if (!yearly && day > window_.to) break;
            if (isExcluded(t)) continue;
            if (yearly && day >= since) {
                next = t;
                break;
            }
            if (!yearly && day >= window_.from) {
                if (often && given == kMostOftenMemos) {
                    const char* summary = icalcomponent_get_summary(c);
                    out_.bounded.emplace_back(summary ? summary : "");
                    break;
                }
                add(c, t, length, false);
                ++given;
            }
        }
        for (const icaltimetype& t : extra) {
            const DaySerial day = dayOf(t);
            if (yearly && day >= since && (!next || day < dayOf(*next))) next = t;
            if (!yearly && window_.from <= day && day <= window_.to) add(c, t, length, false);
        }
        if (next) add(c, *next, length, true);
    }

    // One memo for the event starting at `start`, as the view's table reads it.
    void add(icalcomponent* c, const icaltimetype& start, long length, bool yearly) {
        const Moment begin = localMoment(start, zone_, ownZone_);
        EventFacts facts;
        facts.event = c;
        facts.yearly = yearly;
        facts.day = wholeDay(encodeDate(begin.date));
        facts.timed = !start.is_date;
        facts.replaced = &out_.replaced;
        if (start.is_date) {
            // The end is the day after the last.
            if (length > 86400) facts.end = facts.day + length / 86400 - 1;
        } else {
            facts.start = begin.hour * 60 + begin.minute;
            icaltimetype end = start;
            icaltime_adjust(&end, 0, 0, 0, static_cast<int>(length));
            const Moment finish = localMoment(end, zone_, ownZone_);
            if (length > 0)
                facts.end = (wholeDay(encodeDate(finish.date)) - facts.day) * 1440 + finish.hour * 60 + finish.minute;
        }
        // An end past the diary's last day is not shown.
        try {
            if (facts.end) decodeDate(static_cast<DaySerial>(facts.timed ? facts.day + *facts.end / 1440 : *facts.end));
        } catch (const DateError&) {
            facts.end.reset();
        }
        const auto [line1, line2] = viewLines(readView(facts));
        if (origins_) origins_->push_back({c, start, yearly});
        Imported::Memo memo;
        memo.record.date = encodeDate(begin.date);
        memo.record.line1 = fitLine(line1, out_.cut);
        memo.record.line2 = fitLine(line2, out_.cut);
        memo.uid = uidOf(c);
        out_.memos.push_back(std::move(memo));
    }

    const ImportWindow& window_;
    Imported& out_;
    const Progress& progress_;
    std::size_t total_;
    std::size_t done_ = 0;
    std::vector<Origin>* origins_;
    icaltimezone* zone_;  // where the times are shown; none: the system's
    bool ownZone_;
    std::multimap<std::string, icaltimetype> overrides_;  // UID, RECURRENCE-ID
};

}  // namespace

std::string fitLine(std::string_view bytes, std::size_t& cut) {
    if (bytes.size() <= MemoRecord::kMaxLine) return std::string(bytes);
    ++cut;
    std::string_view kept = bytes.substr(0, MemoRecord::kMaxLine - 1);
    // At the last blank that leaves a word whole, when there is one.
    if (bytes[kept.size()] != ' ') {
        if (const auto blank = kept.find_last_of(' '); blank != std::string_view::npos && blank > 0)
            kept = kept.substr(0, blank);
    }
    while (!kept.empty() && kept.back() == ' ') kept.remove_suffix(1);
    return std::string(kept) + '\x85';  // "…"
}

std::string boundedText(const std::vector<std::string>& bounded) {
    static_assert(kMostOftenMemos == 1000);
    std::string text = std::to_string(bounded.size()) + " vaker dan dagelijks herhaald, alleen de eerste 1.000 keer:";
    // The titles come from the calendar's sender: shown as the list shows text.
    for (std::size_t i = 0; i < bounded.size(); ++i) text += (i ? ", \"" : " \"") + shownText(bounded[i]) + '"';
    return text;
}

Imported readCalendar(std::string_view text, const ImportWindow& window, const Progress& progress) {
    const IcalPtr root(icalparser_parse_string(std::string(text).c_str()));
    if (!root) throw std::runtime_error("geen iCalendar-gegevens");
    Imported result;
    std::size_t total = 0;
    if (progress) {
        const auto count = [&](icalcomponent* calendar) {
            total += static_cast<std::size_t>(icalcomponent_count_components(calendar, ICAL_ANY_COMPONENT));
        };
        if (icalcomponent_isa(root.get()) == ICAL_XROOT_COMPONENT) {
            for (auto* c = icalcomponent_get_first_component(root.get(), ICAL_VCALENDAR_COMPONENT); c;
                 c = icalcomponent_get_next_component(root.get(), ICAL_VCALENDAR_COMPONENT))
                count(c);
        } else {
            count(root.get());
        }
    }
    Reader reader(window, result, progress, total);
    if (icalcomponent_isa(root.get()) == ICAL_XROOT_COMPONENT) {
        for (auto* c = icalcomponent_get_first_component(root.get(), ICAL_VCALENDAR_COMPONENT); c;
             c = icalcomponent_get_next_component(root.get(), ICAL_VCALENDAR_COMPONENT))
            reader.calendar(c);
    } else if (icalcomponent_isa(root.get()) == ICAL_VCALENDAR_COMPONENT) {
        reader.calendar(root.get());
    } else {
        throw std::runtime_error("geen iCalendar-gegevens (geen VCALENDAR)");
    }
    if (progress) progress(total, total);
    return result;
}

}  // namespace jotanor::ics

namespace jotanor::ics {
namespace {

// The occurrence `t` as a property like the event's start: on its clock,
// with its TZID.
icalproperty* likeStart(icalproperty* property, icalcomponent* event, const icaltimetype& t) {
    icalproperty_set_value(property, icalvalue_new_datetimedate(t));
    icalproperty* start = icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
    if (icalparameter* tzid = icalproperty_get_first_parameter(start, ICAL_TZID_PARAMETER))
        icalproperty_add_parameter(property, icalparameter_new_clone(tzid));
    return property;
}

void touch(icalcomponent* c, std::string_view dtstamp) {
    removeAll(c, ICAL_DTSTAMP_PROPERTY);
    icalcomponent_add_property(c, icalproperty_new_dtstamp(icaltime_from_string(std::string(dtstamp).c_str())));
    icalproperty* sequence = icalcomponent_get_first_property(c, ICAL_SEQUENCE_PROPERTY);
    const int next = sequence ? icalproperty_get_sequence(sequence) + 1 : 1;
    removeAll(c, ICAL_SEQUENCE_PROPERTY);
    icalcomponent_add_property(c, icalproperty_new_sequence(next));
}

// What the memo shows and the user changed, written into the event;
// false when the memo before the change is no view of it.
bool writeChange(icalcomponent* c, const Origin& from, const MemoRecord& before, const MemoRecord& after) {
    const bool timed = !from.start.is_date;
    const auto was = viewOf(before, timed);
    if (!was) return false;
    writeView({c, from.start, from.yearly}, *was, viewOf(after, timed), after);
    return true;
}

std::string uidText(icalcomponent* event) {
    const char* uid = icalcomponent_get_uid(event);
    return uid ? uid : "";
}

icaltimetype valueOf(icalcomponent* c, icalproperty_kind kind) {
    return icalvalue_get_datetimedate(icalproperty_get_value(icalcomponent_get_first_property(c, kind)));
}

// The repeating event an override changes one occurrence of.
icalcomponent* masterOf(icalcomponent* calendar, icalcomponent* override) {
    for (auto* e = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); e;
         e = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT))
        if (e != override && !icalcomponent_get_first_property(e, ICAL_RECURRENCEID_PROPERTY) && uidText(e) == uidText(override))
            return e;
    return nullptr;
}

// The occurrence left out of its repeating event (an override of it goes);
// false when the memo stands for a whole event.
bool leaveOut(icalcomponent* calendar, icalcomponent* event, const Origin& from, bool occurrence, std::string_view dtstamp) {
    icalcomponent* master = occurrence ? event : nullptr;
    icaltimetype when = from.start;
    if (icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY)) {
        master = masterOf(calendar, event);
        if (!master) return false;
        when = valueOf(event, ICAL_RECURRENCEID_PROPERTY);
        icalcomponent_remove_component(calendar, event);
        icalcomponent_free(event);
    }
    if (!master) return false;
    icalcomponent_add_property(master, likeStart(icalproperty_new_exdate(when), master, when));
    touch(master, dtstamp);
    return true;
}

// An override of the occurrence at `start`, with all else the event holds.
icalcomponent* overrideOf(icalcomponent* calendar, icalcomponent* event, const icaltimetype& start) {
    icalcomponent* one = icalcomponent_new_clone(event);
    for (const auto kind : {ICAL_RRULE_PROPERTY, ICAL_RDATE_PROPERTY, ICAL_EXDATE_PROPERTY, ICAL_EXRULE_PROPERTY})
        removeAll(one, kind);
    const auto since = static_cast<std::int64_t>(icaltime_as_timet(start)) -
                       static_cast<std::int64_t>(icaltime_as_timet(valueOf(event, ICAL_DTSTART_PROPERTY)));
    moveBy(one, ICAL_DTSTART_PROPERTY, since);
    moveBy(one, ICAL_DTEND_PROPERTY, since);
    icalcomponent_add_property(one, likeStart(icalproperty_new_recurrenceid(start), event, start));
    icalcomponent_add_component(calendar, one);
    return one;
}

}  // namespace

std::optional<std::string> changeEvent(std::string_view text, const ImportWindow& window, const MemoChange& change,
                                       std::string_view dtstamp) {
    const IcalPtr root(icalparser_parse_string(std::string(text).c_str()));
    if (!root || icalcomponent_isa(root.get()) != ICAL_VCALENDAR_COMPONENT) return std::nullopt;
    icalcomponent* calendar = root.get();
    Imported read;
    std::vector<Origin> origins;
    Reader(window, read, {}, 0, &origins).calendar(calendar);
    // The memo as the event gives it, or else one it says the same as.
    const auto& memos = read.memos;
    auto found = std::find_if(memos.begin(), memos.end(), [&](const auto& m) { return m.record == change.before; });
    if (found == memos.end())
        found = std::find_if(memos.begin(), memos.end(), [&](const auto& m) { return saysTheSame(change.before, m.record); });
    // Read on another clock than the one the diary's memo was (a sync under
    // another time zone): the same event shifted.
    if (found == memos.end())
        found = std::find_if(memos.begin(), memos.end(), [&](const auto& m) { return sameEventElsewhere(change.before, m.record); });
    if (found == memos.end()) return std::nullopt;
    const Origin& from = origins[static_cast<std::size_t>(found - memos.begin())];
    const bool occurrence = !from.yearly && icalcomponent_get_first_property(from.event, ICAL_RRULE_PROPERTY) &&
                            !icalcomponent_get_first_property(from.event, ICAL_RECURRENCEID_PROPERTY);
    if (!change.after) {
        if (!leaveOut(calendar, from.event, from, occurrence, dtstamp)) return std::nullopt;
    } else {
        if (!viewOf(change.before, !from.start.is_date)) return std::nullopt;
        icalcomponent* target = occurrence ? overrideOf(calendar, from.event, from.start) : from.event;
        if (!writeChange(target, from, change.before, *change.after)) return std::nullopt;
        touch(target, dtstamp);
    }
    return std::string(IcalText(icalcomponent_as_ical_string_r(calendar)).view());
}

}  // namespace jotanor::ics
