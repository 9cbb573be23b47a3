// Which memos of a diary the events stand for.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "ics/Ics.h"
#include "store/MemoKey.h"

namespace jotanor::ics {
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

bool sameDay(DaySerial a, DaySerial b) { return wholeDay(a) == wholeDay(b); }

// A starred memo on the same day of the year (29 February on 28 February,
// where the diary moves it).
bool sameYearlyDay(DaySerial diary, DaySerial event) {
    const Ymd d = decodeDate(diary), e = decodeDate(event);
    return (d.month == e.month && d.day == e.day) || (d.month == 2 && d.day == 29 && e.month == 2 && e.day == 28);
}

// A timed memo's line 2: "HH:MM", "HH:MM–HH:MM" or "HH:MM tot D-M-JJJJ HH:MM",
// then the place. Minutes from the diary's day 0.
struct Timed {
    long start = 0;
    long length = -1;  // none
    std::string place;
};

bool twoDigits(std::string_view s, std::size_t at, int& value) {
    if (at + 2 > s.size() || s[at] < '0' || s[at] > '9' || s[at + 1] < '0' || s[at + 1] > '9') return false;
    value = (s[at] - '0') * 10 + (s[at + 1] - '0');
    return true;
}

bool clock(std::string_view s, std::size_t at, int& minutes) {
    int h = 0, m = 0;
    if (at + 5 > s.size() || s[at + 2] != ':' || !twoDigits(s, at, h) || !twoDigits(s, at + 3, m) || h > 23 || m > 59)
        return false;
    minutes = h * 60 + m;
    return true;
}

std::optional<Timed> timedOf(const MemoRecord& memo) {
    const std::string_view s = memo.line2;
    int begin = 0;
    if (!clock(s, 0, begin)) return std::nullopt;
    Timed t;
    const long day = static_cast<long>(wholeDay(memo.date));
    t.start = day * 1440 + begin;
    std::size_t at = 5;
    int end = 0;
    if (s.substr(at, 1) == "\x96" && clock(s, at + 1, end)) {  // "–" in Windows-1252
        t.length = day * 1440 + end - t.start;
        at += 6;
    } else if (s.substr(at, 5) == " tot ") {
        const std::size_t space = s.find(' ', at + 5);
        if (space == std::string_view::npos || !clock(s, space + 1, end)) return std::nullopt;
        int d = 0, m = 0, y = 0;
        char tail = 0;
        const std::string date(s.substr(at + 5, space - at - 5));
        if (std::sscanf(date.c_str(), "%d-%d-%d%c", &d, &m, &y, &tail) != 3 || !isValidDate(y, m, d)) return std::nullopt;
        t.length = static_cast<long>(wholeDay(encodeDate(y, m, d))) * 1440 + end - t.start;
        at = space + 6;
    }
    if (at < s.size() && s[at] != ' ') return std::nullopt;
    t.place = std::string(s.substr(std::min(at, s.size())));
    return t;
}

// The same timed event, its start read on another zone's clock: the same
// title, place and length, shifted by whole quarters of an hour, at most
// the 26 hours between the world's zones.
bool sameEventElsewhere(const MemoRecord& diary, const MemoRecord& event) {
    if (diary.line1 != event.line1) return false;
    try {
        const auto a = timedOf(diary), b = timedOf(event);
        if (!a || !b || a->place != b->place || a->length != b->length) return false;
        const long shift = std::labs(a->start - b->start);
        return shift % 15 == 0 && shift <= 26 * 60;
    } catch (const DateError&) {
        return false;
    }
}

}  // namespace

bool saysTheSame(const MemoRecord& diary, const MemoRecord& event) {
    try {
        const std::string line1 =
            diary.starred() ? "*" + asCalendarGivesIt(diary.line1.substr(1)) : asCalendarGivesIt(diary.line1);
        if (line1 != event.line1 || asCalendarGivesIt(diary.line2, true) != event.line2) return false;
        return sameDay(diary.date, event.date) || (diary.starred() && event.starred() && sameYearlyDay(diary.date, event.date));
    } catch (const DateError&) {
        return false;
    }
}

namespace {
std::uint32_t hashOf(std::string_view text) { return static_cast<std::uint32_t>(std::hash<std::string_view>{}(text)); }
}  // namespace

DiaryMemos::DiaryMemos(std::vector<MemoRecord> memos) : memos_(std::move(memos)), claimed_(memos_.size()) {
    UidMaker uids;
    copy_.reserve(memos_.size());
    byKey_.reserve(memos_.size());
    byUid_.reserve(memos_.size());
    byTitle_.reserve(memos_.size());
    for (std::size_t i = 0; i < memos_.size(); ++i) {
        int copy = 0;
        const std::string id = uids.next(memos_[i], &copy);  // "" when no calendar day: it cannot go up
        const auto at = static_cast<std::uint32_t>(i);
        copy_.push_back(id.empty() ? -1 : copy);
        byKey_.emplace_back(hashOf(memoKey(memos_[i])), at);
        if (!id.empty()) byUid_.emplace_back(hashOf(id), at);
        byTitle_.emplace_back(hashOf(memos_[i].line1), at);
    }
    for (Index* index : {&byKey_, &byUid_, &byTitle_}) std::sort(index->begin(), index->end());
}

std::string DiaryMemos::uid(std::size_t i) const { return copy_[i] < 0 ? std::string() : memoUid(memos_[i], copy_[i]); }

template <class Same>
std::optional<std::size_t> DiaryMemos::first(const Index& index, std::string_view key, Same same, bool unclaimedOnly) const {
    const std::uint32_t hash = hashOf(key);
    const auto from = std::lower_bound(index.begin(), index.end(), std::pair<std::uint32_t, std::uint32_t>{hash, 0});
    for (auto it = from; it != index.end() && it->first == hash; ++it)
        if ((!unclaimedOnly || !claimed_[it->second]) && same(it->second)) return it->second;
    return std::nullopt;
}

std::optional<MemoRecord> DiaryMemos::claimUid(const std::string& id, const MemoRecord& memo) {
    // The first memo with the UID (UIDs are told apart), when unpaired.
    const auto found = first(byUid_, id, [&](std::size_t i) { return uid(i) == id; }, false);
    if (!found || claimed_[*found] || !saysTheSame(memos_[*found], memo)) return std::nullopt;
    claimed_[*found] = true;
    return memos_[*found];
}

bool DiaryMemos::claim(const MemoRecord& memo) {
    const std::string key = memoKey(memo);
    const auto found = first(byKey_, key, [&](std::size_t i) { return memoKey(memos_[i]) == key; }, true);
    if (found) claimed_[*found] = true;
    return found.has_value();
}

std::optional<MemoRecord> DiaryMemos::claimAlike(const MemoRecord& memo) {
    const auto found = first(byTitle_, memo.line1, [&](std::size_t i) {
        const MemoRecord& m = memos_[i];
        return m.line1 == memo.line1 && ((memo.starred() && saysTheSame(m, memo)) || sameEventElsewhere(m, memo));
    }, true);
    if (!found) return std::nullopt;
    claimed_[*found] = true;
    return memos_[*found];
}

std::optional<MemoRecord> DiaryMemos::claimMoved(const MemoRecord& before) {
    if (!before.starred()) return std::nullopt;
    const std::string id = memoUid(before);
    const auto found = first(byUid_, id, [&](std::size_t i) { return uid(i) == id; }, false);
    if (!found || claimed_[*found] || !memos_[*found].starred()) return std::nullopt;
    claimed_[*found] = true;
    return memos_[*found];
}

std::optional<MemoRecord> DiaryMemos::claimEdited(const MemoRecord& before) {
    for (std::size_t i = 0; i < memos_.size(); ++i) {
        const MemoRecord& m = memos_[i];
        if (claimed_[i] || m.starred() != before.starred()) continue;
        const int same = (m.date == before.date) + (m.line1 == before.line1) + (m.line2 == before.line2);
        if (same != 2) continue;
        claimed_[i] = true;
        return m;
    }
    return std::nullopt;
}

std::size_t DiaryMemos::copies(const MemoRecord& memo) const {
    const std::string key = memoKey(memo);
    const std::uint32_t hash = hashOf(key);
    std::size_t n = 0;
    for (auto it = std::lower_bound(byKey_.begin(), byKey_.end(), std::pair<std::uint32_t, std::uint32_t>{hash, 0});
         it != byKey_.end() && it->first == hash; ++it)
        n += memoKey(memos_[it->second]) == key;
    return n;
}

std::vector<std::pair<MemoRecord, std::string>> DiaryMemos::unclaimed() const {
    std::vector<std::pair<MemoRecord, std::string>> out;
    for (std::size_t i = 0; i < memos_.size(); ++i)
        if (!claimed_[i] && copy_[i] >= 0) out.emplace_back(memos_[i], uid(i));
    return out;
}

ImportPlan importEdits(DiaryMemos& diary, const Imported& imported) {
    ImportPlan plan;
    std::set<std::pair<std::string, std::string>> given;  // UID, memo: an event given twice goes in once
    std::unordered_map<std::string, std::size_t> adding;
    for (const auto& memo : imported.memos) {
        const std::string key = memoKey(memo.record);
        const bool again = !given.emplace(memo.uid, key).second;
        if (again || diary.claimUid(memo.uid, memo.record) || diary.claim(memo.record) || diary.claimAlike(memo.record)) {
            ++plan.already;
            continue;
        }
        const std::size_t seen = diary.copies(memo.record) + adding[key]++;
        plan.edits.push_back({std::nullopt, memo.record, seen});
    }
    return plan;
}

}  // namespace jotanor::ics
