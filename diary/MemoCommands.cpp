#include "diary/MemoCommands.h"

#include <algorithm>
#include <unordered_map>

#include "calendar/core/HolidayMemos.h"
#include "store/MemoKey.h"

namespace jotanor {

std::optional<std::size_t> locateMemo(MemoFile& file, const MemoRef& ref) {
    if (const auto there = file.readAt(ref.near); there && *there == ref.memo) return ref.near;
    std::optional<std::size_t> found;
    file.scan([&](const MemoRecord& record, std::size_t position) {
        if (record == ref.memo) found = position;
        return !found;
    });
    return found;
}

std::size_t enterMemo(MemoFile& file, const MemoRecord& memo) { return file.mydata1_opbergen(memo); }

EditOutcome changeMemo(MemoFile& file, const MemoRef& ref, const MemoRecord& typed) {
    if (file.change(ref.memo, ref.near, typed)) return EditOutcome::Done;
    file.mydata1_opbergen(typed);
    return EditOutcome::StoredAnew;
}

EditOutcome deleteMemo(MemoFile& file, const MemoRef& ref) {
    return file.wisrecord1(ref.memo, ref.near) ? EditOutcome::Done : EditOutcome::Gone;
}

std::vector<EditOutcome> applyEdits(MemoFile& file, std::span<const MemoEdit> edits) {
    std::vector<EditOutcome> outcomes;
    file.modify([&](std::span<const unsigned char> records) -> std::optional<TailChange> {
        // Decided afresh under the lock, on an image of the records.
        outcomes.assign(edits.size(), EditOutcome::Done);
        std::vector<unsigned char> image(records.begin(), records.end());
        std::size_t from = image.size() / MemoRecord::kSize;
        // How many memos of each content the image holds, counted once
        // when an add unless already there needs it.
        std::unordered_map<std::string, std::size_t> held;
        bool counted = false;
        const auto heldCopies = [&]() -> std::unordered_map<std::string, std::size_t>& {
            if (!counted) {
                for (std::size_t at = 0; at + MemoRecord::kSize <= image.size(); at += MemoRecord::kSize)
                    ++held[memoKey(image.data() + at)];
                counted = true;
            }
            return held;
        };
        for (std::size_t i = 0; i < edits.size(); ++i) {
            const MemoEdit& edit = edits[i];
            if (edit.memo && !edit.old && edit.seenCopies && heldCopies()[memoKey(*edit.memo)] > *edit.seenCopies) {
                outcomes[i] = EditOutcome::AlreadyThere;
                continue;
            }
            if (edit.old) {
                const auto at = findMemo(image, edit.old->memo, edit.old->near);
                if (at) {
                    const auto begin = image.begin() + static_cast<std::ptrdiff_t>(*at * MemoRecord::kSize);
                    if (counted) --held[memoKey(image.data() + *at * MemoRecord::kSize)];
                    image.erase(begin, begin + MemoRecord::kSize);
                    from = std::min(from, *at);
                } else {
                    outcomes[i] = edit.memo ? EditOutcome::StoredAnew : EditOutcome::Gone;
                }
            }
            if (edit.memo) {
                const std::size_t at = storePosition(image, edit.memo->date);
                const RecordBytes rec = encodeRecord(*edit.memo);
                if (counted) ++held[memoKey(rec.data())];
                image.insert(image.begin() + static_cast<std::ptrdiff_t>(at * MemoRecord::kSize), rec.begin(), rec.end());
                from = std::min(from, at);
            }
        }
        if (image.size() == records.size() && std::equal(image.begin(), image.end(), records.begin()))
            return std::nullopt;
        TailChange change{from, {}};
        return change.add(std::span(image).subspan(from * MemoRecord::kSize));
    });
    return outcomes;
}

void yearlyPass(MemoFile& file, DaySerial today, RecurrenceQuestions& questions) {
    MemoRecord lastStored;
    runRecurrence(file, today, questions, lastStored);
}

std::size_t holidayCheck(MemoFile& file, int thisYear) { return storeMissing(file, holidayMemosAround(thisYear)); }

std::optional<BackupMade> backupTo(FileSystem& fs, MemoFile& file, const std::filesystem::path& place,
                                   const std::filesystem::path& settingsFolder) {
    if (place.empty()) return std::nullopt;
    BackupMade result = backupWithStandIn(fs, file.path(), place, standInFor(place, settingsFolder));
    setWorkingFolder(workingFolderOf(file.path()));
    return result;
}

}  // namespace jotanor
