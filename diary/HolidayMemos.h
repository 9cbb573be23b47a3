// The holiday memos: one memo for each of the four feast days of a year,
// written into the memo file when the file does not hold it yet.
#pragma once

#include <array>
#include <vector>

#include "store/MemoFile.h"
#include "store/MemoRecord.h"

namespace jotanor {

// Ash Wednesday, Easter Sunday, Ascension Day and Whit Sunday of a year,
// dated on the day with the day's Dutch name as line1 and line2 empty.
std::array<MemoRecord, 4> holidayMemos(int year);

// The memos of three years around `year`: last year's four first.
std::vector<MemoRecord> holidayMemosAround(int year);

// Whether a stored memo counts as the candidate: the same date and exactly
// the same line1; line2 does not matter.
bool sameMemo(const MemoRecord& stored, const MemoRecord& candidate);

// For each candidate, whether the memo file holds it already. One pass over
// the file, however many candidates.
std::vector<bool> memosPresent(MemoFile& file, const std::vector<MemoRecord>& candidates);

// Stores the candidates the memo file does not hold, in order, each at its
// place in date order, in one change: two copies of the program starting at
// once add each memo once. Returns how many it stored.
std::size_t storeMissing(MemoFile& file, const std::vector<MemoRecord>& candidates);

}  // namespace jotanor
