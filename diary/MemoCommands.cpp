#include "diary/MemoCommands.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <unordered_map>

#include "diary/HolidayMemos.h"
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
    constexpr std::size_t kRec = MemoRecord::kSize;
    std::vector<EditOutcome> outcomes;
    file.modify([&](std::span<const unsigned char> records) -> std::optional<TailChange> {
        // Decided afresh under the lock, on an image of the file that holds
        // no copy of it: per place the record there, below n one of the
        // file's, from n on one of `added`. What stays goes back as pieces of
        // the file as it is.
        outcomes.assign(edits.size(), EditOutcome::Done);
        const std::size_t n = records.size() / kRec;
        std::vector<std::size_t> image(n);
        std::iota(image.begin(), image.end(), std::size_t{0});
        std::vector<RecordBytes> added;
        const auto bytesOf = [&](std::size_t ref) { return ref < n ? records.data() + ref * kRec : added[ref - n].data(); };
        const auto at = [&](std::size_t j) { return bytesOf(image[j]); };
        // How many memos the image holds of each content an add unless
        // already there asks about: those alone are counted.
        std::unordered_map<std::string, std::size_t> held;
        for (const MemoEdit& edit : edits)
            if (edit.memo && !edit.old && edit.seenCopies) held.emplace(memoKey(*edit.memo), 0);
        const auto count = [&](const unsigned char* record, int by) {
            if (const auto it = held.find(memoKey(record)); it != held.end()) it->second += static_cast<std::size_t>(by);
        };
        if (!held.empty())
            for (std::size_t j = 0; j < n; ++j) count(records.data() + j * kRec, 1);
        for (std::size_t i = 0; i < edits.size(); ++i) {
            const MemoEdit& edit = edits[i];
            if (edit.memo && !edit.old && edit.seenCopies && held[memoKey(*edit.memo)] > *edit.seenCopies) {
                outcomes[i] = EditOutcome::AlreadyThere;
                continue;
            }
            if (edit.old) {
                if (const auto found = findMemoAt(image.size(), at, edit.old->memo, edit.old->near)) {
                    count(at(*found), -1);
                    image.erase(image.begin() + static_cast<std::ptrdiff_t>(*found));
                } else {
                    outcomes[i] = edit.memo ? EditOutcome::StoredAnew : EditOutcome::Gone;
                }
            }
            if (edit.memo) {
                const std::size_t place = storePositionAt(image.size(), at, edit.memo->date);
                added.push_back(encodeRecord(*edit.memo));
                count(added.back().data(), 1);
                image.insert(image.begin() + static_cast<std::ptrdiff_t>(place), n + added.size() - 1);
            }
        }
        // From the first place that changed: nothing when every byte is as it was.
        std::size_t from = 0;
        while (from < std::min(n, image.size()) && image[from] == from) ++from;
        bool same = image.size() == n;
        for (std::size_t j = from; same && j < n; ++j) same = std::memcmp(at(j), records.data() + j * kRec, kRec) == 0;
        if (same) return std::nullopt;
        TailChange change{from, {}};
        for (std::size_t j = from, k; j < image.size(); j = k) {
            const bool old = image[j] < n;
            for (k = j + 1; k < image.size() && (old ? image[k] < n && image[k] == image[k - 1] + 1 : image[k] >= n); ++k) {}
            if (old) {
                change.old(image[j], image[k - 1] + 1);
            } else {
                std::vector<unsigned char> bytes;
                bytes.reserve((k - j) * kRec);
                for (std::size_t m = j; m < k; ++m) bytes.insert(bytes.end(), at(m), at(m) + kRec);
                change.pieces.push_back({0, 0, std::move(bytes)});
            }
        }
        return change;
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
