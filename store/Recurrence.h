// Yearly recurrence: a memo whose line1 begins with "*" comes back every
// year. Once it lies more than 14 days back, the user is asked whether to
// move it one year on, or else to drop its star.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "dates/Dates.h"
#include "store/MemoFile.h"

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

// The two questions, in the memo's Windows-1252 bytes. Both show the memo's
// present date ("dd. 7-3-2023").
std::string moveQuestion(const Ymd& present, const MemoRecord& record);
std::string dropStarQuestion(const Ymd& present, const MemoRecord& record);

// The user's side of the pass.
class RecurrenceQuestions {
public:
    virtual ~RecurrenceQuestions() = default;
    // Yes: move the memo one year on.
    virtual bool askMove(const std::string& question) = 0;
    // OK: keep the memo where it is and drop its star.
    virtual bool askDropStar(const std::string& question) = 0;
};

// Asks about every due starred memo, first in file order, until none is
// left: Yes moves it one year on, No then OK drops its star, No then Cancel
// leaves it and asks about it again. Each change replaces the memo in one
// step, so a failing write never loses it. The record stored last is left
// in `buffer` (the current-record buffer). File errors end the pass.
void runRecurrence(MemoFile& file, DaySerial today, RecurrenceQuestions& questions, MemoRecord& buffer);

}  // namespace jotanor
