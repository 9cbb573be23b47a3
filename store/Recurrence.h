// Yearly recurrence: a memo whose line1 begins with "*" comes back every
// year. Once it lies more than 14 days back, the user is asked whether to
// move it one year on, or else to drop its star. What the answers make of
// the records is decided here, in memory; the diary asks and stores.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "dates/Dates.h"
#include "store/MemoFile.h"
#include "store/MemoRecord.h"

namespace jotanor {

// A starred memo dated before today − 14. A date that cannot be split into
// a calendar date (NaN, infinite, outside the years 1 to 9999) is never due:
// such a memo cannot be moved, and asking about it would never end.
bool isDue(const MemoRecord& record, DaySerial today);

struct StarredMemo {
    MemoRecord record;
    std::size_t position;  // 1-based
};

// The first due starred memo in file order.
std::optional<StarredMemo> findstarred1(MemoFile& file, DaySerial today);

// The same day one year later; 29 February becomes 28 February in a year
// that has no 29 February.
Ymd oneYearLater(const Ymd& date);

enum class YearlyAnswer { Move, DropStar, AskAgain };

// A memo the pass replaces: as it was and where (among the records as the
// changes before it left them), what it becomes, and how many memos equal
// to that the records held without it.
struct YearlyChange {
    MemoRecord was;
    std::size_t position = 0;
    MemoRecord becomes;
    std::size_t copies = 0;
};

// The pass over whole records in memory: `answer` is asked about the first
// due starred memo in file order until none is left. Move moves it one year
// on, DropStar keeps its date and drops its star, AskAgain leaves it to be
// asked about again. Each change goes to the memo's place in date order at
// once, so the next question sees the records as the file will hold them.
std::vector<YearlyChange> yearlyChanges(std::span<const unsigned char> records, DaySerial today,
                                        const std::function<YearlyAnswer(const MemoRecord& due)>& answer);

}  // namespace jotanor
