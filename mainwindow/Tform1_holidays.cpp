// The holiday memos of last, this and next year, written at every
// activation of the main window when the memo file misses them.
#include "calendar/HolidayMemos.h"
#include "mainwindow/Tform1.h"

namespace jotanor {

void Tform1::maakfeestdagen() { storeMissing(holidayMemosAround(today().year)); }

void Tform1::feestdagen(int year) {
    const auto memos = holidayMemos(year);
    storeMissing({memos.begin(), memos.end()});
}

bool Tform1::mydata_exists() { return memosPresent(memoFile_, {state_.currentRecord})[0]; }

void Tform1::storeMissing(const std::vector<MemoRecord>& memos) {
    // One read of the file answers for all of them; they lie on different
    // days, so storing one cannot change the answer for another.
    const std::vector<bool> present = memosPresent(memoFile_, memos);
    for (std::size_t i = 0; i < memos.size(); ++i) {
        state_.currentRecord.date = memos[i].date;
        state_.currentRecord.line1 = memos[i].line1;
        state_.currentRecord.line2 = memos[i].line2;
        if (!present[i]) memoFile_.mydata1_opbergen(state_.currentRecord);
    }
}

}  // namespace jotanor
