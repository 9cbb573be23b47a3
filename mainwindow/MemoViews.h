// The memo list views without their window: which memos a view lists, the
// four lines of a memo block, and the views' titles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "store/MemoFile.h"
#include "store/MemoRecord.h"

namespace jotanor {

// The dates a view lists: low <= d < high, or low <= d <= high when
// highIncluded. A year that has no dates (year 0) gives an invalid window:
// filling with it fails at the first record with the date error.
struct ViewWindow {
    DaySerial low = 0;
    DaySerial high = 0;
    bool highIncluded = false;
    bool valid = true;
    bool chime = true;  // the whole-file view plays no chime

    // Throws DateError for an invalid window.
    bool contains(DaySerial d) const;
};

// 71 days from the day before today, moved `weeksBack` weeks back.
ViewWindow tenWeekWindow(DaySerial today, int weeksBack);
// 63 days from `from`.
ViewWindow fromDateWindow(DaySerial from);
// 1 January to 31 December of `year`.
ViewWindow yearWindow(int year);
// 1 January 1940 to 31 December 2100.
ViewWindow wholeFileWindow();

// One memo as the list shows it, with the position of the record it came
// from in the memo file.
struct MemoBlock {
    std::uint32_t position = 0;
    bool today = false;
    MemoRecord record;
};

inline constexpr int kBlockLines = 4;
inline constexpr std::size_t kDividerLength = 222;

// Line 0 to 3 of a block: the date line (">> " in front for today), line1,
// line2 and the divider; Windows-1252 bytes like the memo.
std::string blockLine(const MemoBlock& block, int line);
const std::string& divider();

// Reads the memo file in record order and appends a block for every memo in
// the window to `blocks`; `chime` runs once for every listed memo of today
// (not for the whole-file view). Returns the number of blocks appended. On
// a failure `blocks` keeps what was appended before it.
std::size_t fillBlocks(MemoFile& file, const ViewWindow& window, DaySerial today, std::vector<MemoBlock>& blocks,
                       const std::function<void()>& chime = {});

// Titles of the views.
std::string tenWeekTitle(int weeksBack);
std::string fromDateTitle(const std::string& shortDate);
std::string yearTitle(std::size_t count, int year);
std::string wholeFileTitle(std::size_t count);

}  // namespace jotanor
