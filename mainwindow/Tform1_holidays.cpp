// The holiday memos of last, this and next year, written at every
// activation of the main window when the memo file misses them.
#include "calendar/core/HolidayMemos.h"
#include "mainwindow/Tform1.h"

namespace jotanor {

void Tform1::maakfeestdagen() { storeHolidayMemos(holidayMemosAround(today().year)); }

void Tform1::feestdagen(int year) {
    const auto memos = holidayMemos(year);
    storeHolidayMemos({memos.begin(), memos.end()});
}

bool Tform1::mydata_exists() { return memosPresent(memoFile_, {state_.currentRecord})[0]; }

void Tform1::storeHolidayMemos(const std::vector<MemoRecord>& memos) {
    // Each candidate passes through the current-record buffer, as when they
    // were stored one by one; the buffer ends with the last.
    if (!memos.empty()) state_.currentRecord = memos.back();
    storeMissing(memoFile_, memos);
}

}  // namespace jotanor
