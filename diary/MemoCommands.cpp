#include "diary/MemoCommands.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <numeric>
#include <unordered_map>

#include "diary/HolidayMemos.h"
#include "store/MemoKey.h"

namespace jotanor {
namespace {

std::string memoPart(const Ymd& d, const MemoRecord& r) {
    return "\n\ndd. " + std::to_string(d.day) + "-" + std::to_string(d.month) + "-" + std::to_string(d.year) + "\n" +
           r.line1 + "\n" + r.line2 + "\n";
}

}  // namespace

std::optional<std::size_t> locateMemo(MemoFile& file, const MemoRef& ref) {
    if (const auto there = file.readAt(ref.near); there && *there == ref.memo) return ref.near;
    std::optional<std::size_t> found;
    file.scan([&](const MemoRecord& record, std::size_t position) {
        if (record == ref.memo) found = position;
        return !found;
    });
    return found;
}

std::size_t mydata1_opbergen(MemoFile& file, const MemoRecord& memo) {
    std::vector<std::size_t> places;
    applyEdits(file, std::array{MemoEdit{std::nullopt, memo}}, &places);
    return places[0];
}

EditOutcome changeMemo(MemoFile& file, const MemoRef& ref, const MemoRecord& typed) {
    return applyEdits(file, std::array{MemoEdit{ref, typed}})[0];
}

EditOutcome wisrecord1(MemoFile& file, const MemoRef& ref) {
    return applyEdits(file, std::array{MemoEdit{ref, std::nullopt}})[0];
}

std::vector<EditOutcome> applyEdits(MemoFile& file, std::span<const MemoEdit> edits,
                                    std::vector<std::size_t>* places) {
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
        std::vector<std::size_t> addedBy;  // the edit that stored each
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
                addedBy.push_back(i);
                count(added.back().data(), 1);
                image.insert(image.begin() + static_cast<std::ptrdiff_t>(place), n + added.size() - 1);
            }
        }
        if (places) {
            places->assign(edits.size(), kNotStored);
            for (std::size_t j = 0; j < image.size(); ++j)
                if (image[j] >= n) (*places)[addedBy[image[j] - n]] = j;
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

std::string moveQuestion(const Ymd& present, const MemoRecord& record) {
    return memoPart(present, record) + "Bovenstaand record is volgend jaar ook nog geldig.\n" +
           "Nu dus maar verplaatsen naar 1 jaar later?";
}

std::string dropStarQuestion(const Ymd& present, const MemoRecord& record) {
    return memoPart(present, record) + "zal ik laten staan, maar het sterretje verwijderen.";
}

void yearlyPass(MemoFile& file, DaySerial today, RecurrenceQuestions& questions) {
    // Most starts find no memo due, in one read under the shared lock.
    if (!findstarred1(file, today)) return;
    std::vector<unsigned char> records;
    file.scanBytes([&](const unsigned char* record, std::size_t) {
        records.insert(records.end(), record, record + MemoRecord::kSize);
        return true;
    });
    const auto changes = yearlyChanges(records, today, [&](const MemoRecord& due) {
        const Ymd present = decodeDate(due.date);
        if (questions.askMove(moveQuestion(present, due))) return YearlyAnswer::Move;
        return questions.askDropStar(dropStarQuestion(present, due)) ? YearlyAnswer::DropStar : YearlyAnswer::AskAgain;
    });
    // Each change as a delete and an add unless already there: where another
    // copy of the program moved the memo the same way meanwhile, the memo is
    // not moved twice.
    std::vector<MemoEdit> edits;
    for (const YearlyChange& change : changes) {
        edits.push_back({MemoRef{change.was, change.position}, std::nullopt});
        edits.push_back({std::nullopt, change.becomes, change.copies});
    }
    if (!edits.empty()) applyEdits(file, edits);
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
