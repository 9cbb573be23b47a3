// The holiday memos of last, this and next year, written at every
// activation of the main window when the memo file misses them.
#include "calendar/core/HolidayMemos.h"
#include "mainwindow/Tform1.h"

namespace jotanor {

void Tform1::maakfeestdagen() { storeMissing(holidayMemosAround(today().year)); }

void Tform1::feestdagen(int year) {
    const auto memos = holidayMemos(year);
    storeMissing({memos.begin(), memos.end()});
}

bool Tform1::mydata_exists() { return memosPresent(memoFile_, {state_.currentRecord})[0]; }

void Tform1::storeMissing(const std::vector<MemoRecord>& memos) {
    // Each candidate passes through the current-record buffer, as when they
    // were stored one by one; the buffer ends with the last.
    for (const MemoRecord& m : memos) {
        state_.currentRecord.date = m.date;
        state_.currentRecord.line1 = m.line1;
        state_.currentRecord.line2 = m.line2;
    }
    jotanor::storeMissing(memoFile_, memos);
}

}  // namespace jotanor
