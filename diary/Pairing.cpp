// Which memos of a diary the events stand for.
#include "diary/Pairing.h"

#include <algorithm>
#include <set>
#include <unordered_map>

#include "diary/MemoCommands.h"
#include "ics/EventView.h"
#include "store/MemoKey.h"

namespace jotanor {
namespace {

// How much two texts keep of each other: their common start and end.
std::size_t kept(std::string_view a, std::string_view b) {
    std::size_t p = 0, s = 0;
    while (p < std::min(a.size(), b.size()) && a[p] == b[p]) ++p;
    while (s < std::min(a.size(), b.size()) - p && a[a.size() - 1 - s] == b[b.size() - 1 - s]) ++s;
    return p + s;
}

std::uint32_t hashOf(std::string_view text) { return static_cast<std::uint32_t>(std::hash<std::string_view>{}(text)); }
}  // namespace

DiaryMemos::DiaryMemos(std::vector<MemoRecord> memos) : memos_(std::move(memos)), claimed_(memos_.size()) {
    ics::UidMaker uids;
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

std::string DiaryMemos::uid(std::size_t i) const { return copy_[i] < 0 ? std::string() : ics::memoUid(memos_[i], copy_[i]); }

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
    if (!found || claimed_[*found] || !ics::saysTheSame(memos_[*found], memo)) return std::nullopt;
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
        return m.line1 == memo.line1 && ((memo.starred() && ics::saysTheSame(m, memo)) || ics::sameEventElsewhere(m, memo));
    }, true);
    if (!found) return std::nullopt;
    claimed_[*found] = true;
    return memos_[*found];
}

std::optional<MemoRecord> DiaryMemos::claimMoved(const MemoRecord& before) {
    if (!before.starred()) return std::nullopt;
    const std::string id = ics::memoUid(before);
    const auto found = first(byUid_, id, [&](std::size_t i) { return uid(i) == id; }, false);
    if (!found || claimed_[*found] || !memos_[*found].starred()) return std::nullopt;
    claimed_[*found] = true;
    return memos_[*found];
}

std::optional<MemoRecord> DiaryMemos::claimEdited(const MemoRecord& before) {
    // The parts of the memo: its day, title (without a "*", which may come
    // or go), clock or last day, and place or description. An edit leaves
    // two equal (all-day without a last day: two of the three); of several
    // such memos the one that keeps the most of the rest.
    const auto was = ics::viewOf(before);
    if (!was) return std::nullopt;
    const std::string_view title = std::string_view(before.line1).substr(before.starred() ? 1 : 0);
    std::optional<std::size_t> best;
    std::size_t bestScore = 0;
    for (std::size_t i = 0; i < memos_.size(); ++i) {
        if (claimed_[i] || copy_[i] < 0) continue;
        // Two parts equal: the day, the title or else line 2 is, which
        // rules out most memos before their parts are taken apart.
        const MemoRecord& m = memos_[i];
        if (wholeDay(m.date) != was->day && std::string_view(m.line1).substr(m.starred() ? 1 : 0) != title &&
            m.line2 != before.line2)
            continue;
        const auto now = ics::viewOf(m);
        if (!now) continue;
        const bool when = was->timed || now->timed || was->end || now->end;
        const bool sameWhen = was->timed == now->timed && was->start == now->start && was->end == now->end;
        const std::size_t equal = (was->day == now->day) + (was->title == now->title) + (was->rest == now->rest) +
                                  (when && sameWhen);
        if (equal < 2) continue;
        const std::size_t score = equal * 1000 + kept(was->title, now->title) + kept(was->rest, now->rest);
        if (!best || score > bestScore) best = i, bestScore = score;
    }
    if (!best) return std::nullopt;
    claimed_[*best] = true;
    return memos_[*best];
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

ImportPlan importEdits(DiaryMemos& diary, const ics::Imported& imported) {
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

ImportCounts importInto(MemoFile& file, const ics::Imported& imported) {
    DiaryMemos diary(file.readAll());
    const ImportPlan plan = importEdits(diary, imported);
    const auto outcomes = applyEdits(file, plan.edits);
    ImportCounts counts;
    counts.added = static_cast<std::size_t>(std::count(outcomes.begin(), outcomes.end(), EditOutcome::Done));
    counts.already = plan.already + outcomes.size() - counts.added;
    return counts;
}

ListCalendar exportList(MemoFile& file, const std::vector<std::pair<std::size_t, MemoRecord>>& shown,
                        std::string_view dtstamp) {
    // The UIDs come from the whole file in its order, as an export gives
    // them, so that identical memos keep theirs.
    std::unordered_map<std::size_t, std::pair<MemoRecord, std::string>> wanted;
    for (const auto& entry : shown) wanted.emplace(entry.first, std::pair<MemoRecord, std::string>{});
    ics::UidMaker uids;
    file.scan([&](const MemoRecord& memo, std::size_t position) {
        std::string uid = uids.next(memo);
        if (const auto it = wanted.find(position); it != wanted.end()) it->second = {memo, std::move(uid)};
        return true;
    });
    ListCalendar out;
    std::string events;
    std::string head;
    for (const auto& [position, memo] : shown) {
        const auto& [there, thereUid] = wanted.at(position);
        const std::string uid = there == memo ? thereUid : ics::memoUid(memo);
        const auto calendar = uid.empty() ? std::nullopt : ics::eventCalendar(memo, uid, dtstamp);
        if (!calendar) {
            ++out.undated;
            continue;
        }
        // Each calendar of one event: its frame once, its event each time.
        const auto begin = calendar->find("BEGIN:VEVENT");
        const auto end = calendar->rfind("END:VCALENDAR");
        if (begin == std::string::npos || end == std::string::npos) continue;
        if (head.empty()) head = calendar->substr(0, begin);
        events.append(*calendar, begin, end - begin);
        ++out.events;
    }
    if (head.empty()) {
        // No event: the frame of an empty calendar.
        std::string empty;
        ics::exportCalendar({}, {}, dtstamp, empty);
        head = empty.substr(0, empty.rfind("END:VCALENDAR"));
    }
    out.text = head + events + "END:VCALENDAR\r\n";
    return out;
}

}  // namespace jotanor
