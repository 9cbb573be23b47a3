#include "diary/DiaryCalendar.h"

#include <algorithm>
#include <unordered_map>

#include "diary/MemoCommands.h"

namespace jotanor {

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
