#include "calendar/HolidayMemos.h"

#include <algorithm>

#include "calendar/Dates.h"
#include "calendar/Easter.h"

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

std::vector<bool> memosPresent(MemoFile& file, const std::vector<MemoRecord>& candidates) {
    std::vector<bool> present(candidates.size(), false);
    std::size_t missing = candidates.size();
    if (missing == 0) return present;
    // The candidates lie within three years: most records are passed over
    // on their date alone.
    DaySerial first = candidates[0].date;
    DaySerial last = candidates[0].date;
    for (const auto& c : candidates) {
        first = std::min(first, c.date);
        last = std::max(last, c.date);
    }
    file.scanBytes([&](const unsigned char* bytes, std::size_t) {
        const DaySerial d = recordDate(bytes);
        if (!(d >= first && d <= last)) return true;
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            if (present[i] || candidates[i].date != d) continue;
            if (recordLine1(bytes) == candidates[i].line1) {
                present[i] = true;
                --missing;
            }
        }
        return missing > 0;
    });
    return present;
}

}  // namespace jotanor
