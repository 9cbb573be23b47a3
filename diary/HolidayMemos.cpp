#include "diary/HolidayMemos.h"

#include <algorithm>
#include <limits>

#include "dates/Dates.h"
#include "dates/Easter.h"
#include "diary/MemoCommands.h"

namespace jotanor {

std::array<MemoRecord, 4> holidayMemos(int year) {
    static const char* const kNames[] = {"Aswoensdag", "1e Paasdag", "Hemelsvaartdag", "1e Pinksterdag"};
    const FeastDays days = paasdata(year);
    std::array<MemoRecord, 4> memos;
    for (std::size_t i = 0; i < memos.size(); ++i)
        memos[i] = MemoRecord{encodeDate(year, days[i].month, days[i].day), kNames[i], ""};
    return memos;
}

std::vector<MemoRecord> holidayMemosAround(int year) {
    std::vector<MemoRecord> all;
    for (int y = year - 1; y <= year + 1; ++y)
        for (const MemoRecord& m : holidayMemos(y)) all.push_back(m);
    return all;
}

bool sameMemo(const MemoRecord& stored, const MemoRecord& candidate) {
    return stored.date == candidate.date && stored.line1 == candidate.line1;
}

namespace {

// Which candidates the records seen so far hold. The candidates lie within
// three years: most records are passed over on their date alone.
class Presence {
public:
    explicit Presence(const std::vector<MemoRecord>& candidates)
        : candidates_(candidates), present_(candidates.size(), false), missing_(candidates.size()) {
        for (const auto& c : candidates) {
            first_ = std::min(first_, c.date);
            last_ = std::max(last_, c.date);
        }
    }
    // False once every candidate has been seen.
    bool see(const unsigned char* bytes) {
        const DaySerial d = recordDate(bytes);
        if (!(d >= first_ && d <= last_)) return missing_ > 0;
        for (std::size_t i = 0; i < candidates_.size(); ++i) {
            if (present_[i] || candidates_[i].date != d) continue;
            if (recordLine1(bytes) == candidates_[i].line1) {
                present_[i] = true;
                --missing_;
            }
        }
        return missing_ > 0;
    }
    const std::vector<bool>& present() const { return present_; }
    std::size_t missing() const { return missing_; }

private:
    const std::vector<MemoRecord>& candidates_;
    std::vector<bool> present_;
    std::size_t missing_;
    DaySerial first_ = std::numeric_limits<DaySerial>::infinity();
    DaySerial last_ = -std::numeric_limits<DaySerial>::infinity();
};

}  // namespace

std::vector<bool> memosPresent(MemoFile& file, const std::vector<MemoRecord>& candidates) {
    Presence presence(candidates);
    if (presence.missing() > 0)
        file.scanBytes([&](const unsigned char* bytes, std::size_t) { return presence.see(bytes); });
    return presence.present();
}

std::size_t storeMissing(MemoFile& file, const std::vector<MemoRecord>& candidates) {
    // Most activations find every memo there, under the shared lock.
    const auto seen = memosPresent(file, candidates);
    // Each an add unless another copy of the program stored it meanwhile:
    // the file held no memo equal to it.
    std::vector<MemoEdit> edits;
    for (std::size_t i = 0; i < candidates.size(); ++i)
        if (!seen[i]) edits.push_back({std::nullopt, candidates[i], 0});
    if (edits.empty()) return 0;
    const auto outcomes = applyEdits(file, edits);
    return static_cast<std::size_t>(std::count(outcomes.begin(), outcomes.end(), EditOutcome::Done));
}

}  // namespace jotanor
