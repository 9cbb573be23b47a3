#include "diary/HolidayMemos.h"

#include <algorithm>
#include <limits>

#include "dates/Dates.h"
#include "dates/Easter.h"

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
    if (std::all_of(seen.begin(), seen.end(), [](bool p) { return p; })) return 0;
    std::size_t stored = 0;
    file.modify([&](std::span<const unsigned char> records) -> std::optional<TailChange> {
        // Asked again under the lock: another copy may have stored them meanwhile.
        Presence presence(candidates);
        for (std::size_t j = 0; j * MemoRecord::kSize < records.size(); ++j)
            if (!presence.see(records.data() + j * MemoRecord::kSize)) break;
        if (presence.missing() == 0) return std::nullopt;
        // Each one at its place in date order, as if stored one after another.
        std::vector<unsigned char> image(records.begin(), records.end());
        std::size_t from = image.size() / MemoRecord::kSize;
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            if (presence.present()[i]) continue;
            const std::size_t at = storePosition(image, candidates[i].date);
            const RecordBytes rec = encodeRecord(candidates[i]);
            image.insert(image.begin() + static_cast<std::ptrdiff_t>(at * MemoRecord::kSize), rec.begin(), rec.end());
            from = std::min(from, at);
            ++stored;
        }
        TailChange change{from, {}};
        return change.add(std::span(image).subspan(from * MemoRecord::kSize));
    });
    return stored;
}

}  // namespace jotanor
