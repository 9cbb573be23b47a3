// The diary and calendar files, for every front end: which memo an event
// stands for, the adds an imported calendar makes, and the calendar of a
// list of memos as a view shows them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ics/Ics.h"
#include "store/MemoEdit.h"
#include "store/MemoFile.h"

namespace jotanor {

// The diary's memos, each paired with at most one event: by the UID the
// export gives it, by its contents, or as the same timed event seen from
// another time zone or the same yearly memo in another year.
class DiaryMemos {
public:
    explicit DiaryMemos(std::vector<MemoRecord> memos);

    // Pairs the unpaired memo the export gives this UID, when it says what
    // the event's `memo` says (as far as an event can say it).
    std::optional<MemoRecord> claimUid(const std::string& uid, const MemoRecord& memo);
    // Pairs an unpaired memo equal to `memo`.
    bool claim(const MemoRecord& memo);
    // Pairs an unpaired memo that says what `memo` says (see above).
    std::optional<MemoRecord> claimAlike(const MemoRecord& memo);
    // A starred memo moved on by a year keeps its UID: the unpaired memo
    // `before` became.
    std::optional<MemoRecord> claimMoved(const MemoRecord& before);
    // The memo `before` became by an edit: an unclaimed one that keeps two
    // of its parts (day, title, clock or last day, place or description;
    // a "*" may come or go), of several the one that keeps the most of
    // the rest, whatever their order in the file.
    std::optional<MemoRecord> claimEdited(const MemoRecord& before);
    // How many memos equal to `memo` the diary holds, paired or not.
    std::size_t copies(const MemoRecord& memo) const;

    // The memos no event stands for, in file order, with their UIDs.
    std::vector<std::pair<MemoRecord, std::string>> unclaimed() const;

private:
    // An index: (hash, position) in that order, so that the memos of one
    // hash are found in file order; a hash found is checked on the memo.
    // 32 bits each: a diary holds far fewer memos.
    using Index = std::vector<std::pair<std::uint32_t, std::uint32_t>>;
    template <class Same>
    std::optional<std::size_t> first(const Index& index, std::string_view key, Same same, bool unclaimedOnly) const;
    std::string uid(std::size_t i) const;

    // Compact, as a diary can be big: no string per memo beside its own;
    // a UID is made again when asked for.
    std::vector<MemoRecord> memos_;
    std::vector<bool> claimed_;
    std::vector<std::int32_t> copy_;  // identical memos before it, for its UID; -1: no UID
    Index byKey_, byUid_, byTitle_;
};

// The adds that bring imported memos into a diary: an event the diary holds
// already (by UID, then by content) adds nothing, and each add is one
// "unless already there", decided again under the file's lock.
struct ImportPlan {
    std::vector<MemoEdit> edits;
    std::size_t already = 0;
};
ImportPlan importEdits(DiaryMemos& diary, const ics::Imported& imported);

struct ImportCounts {
    std::size_t added = 0;
    std::size_t already = 0;  // the diary held them (by UID, then by content)
};

// Adds the memos of `imported` that the diary does not hold yet; each add is
// decided again under the file's lock.
ImportCounts importInto(MemoFile& file, const ics::Imported& imported);

// The calendar of memos as a list shows them, each with the position in the
// memo file it was read from, in the order given; each event the one a whole
// export writes for that memo, UID included. A memo the file no longer holds
// at its position (another program changed the file) keeps the UID the first
// of identical memos gets. Undated memos are left out and counted.
struct ListCalendar {
    std::string text;
    std::size_t events = 0;
    std::size_t undated = 0;
};
ListCalendar exportList(MemoFile& file, const std::vector<std::pair<std::size_t, MemoRecord>>& shown,
                        std::string_view dtstamp);

}  // namespace jotanor
