// The memo list views without their window: which memos a view lists, the
// four lines of a memo block, and the views' titles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
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
    bool whole = false;  // the whole-file view, which lists nearly every record

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

inline constexpr int kBlockLines = 4;
// Before the date line of today's memos.
inline constexpr std::string_view kTodayMark = ">> ";
// The block that holds a list row: any of its four lines selects it.
constexpr int blockOfRow(int row) { return row / kBlockLines; }
inline constexpr std::size_t kDividerLength = 222;

// The memos a view lists, each shown as a block of four lines, with the
// position of the record it came from in the memo file. Held compactly: a
// small entry per memo and the records' own 212 bytes, one after another,
// from which the lines are read when they are shown.
class MemoBlocks {
public:
    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }

    // A record as stored: 212 bytes.
    void append(const unsigned char* record, std::uint32_t position, bool today);
    void append(const MemoRecord& record, std::uint32_t position, bool today);
    void clear();
    // Drops the blocks from block b on.
    void dropFrom(std::size_t b);
    // Room for this many more blocks, claimed but not yet touched.
    void reserve(std::size_t more);

    std::uint32_t position(std::size_t b) const { return entries_[b].position; }
    bool today(std::size_t b) const { return entries_[b].today; }
    DaySerial date(std::size_t b) const { return recordDate(bytes(b)); }
    std::string_view line1(std::size_t b) const { return recordLine1(bytes(b)); }
    std::string_view line2(std::size_t b) const { return recordLine2(bytes(b)); }
    MemoRecord record(std::size_t b) const;
    // Line 0 to 3 of block b: date line (">> " for today), line1, line2, divider.
    std::string line(std::size_t b, int line) const;

private:
    struct Entry {
        std::uint32_t position;
        bool today;
    };
    const unsigned char* bytes(std::size_t b) const { return records_.data() + b * MemoRecord::kSize; }

    std::vector<Entry> entries_;
    std::vector<unsigned char> records_;
};

const std::string& divider();

// Appends a block for every memo in the window to `blocks`, in record
// order; `chime` runs once for every listed memo of today (not for the
// whole-file view). Returns the number of blocks appended. On a failure
// `blocks` keeps what was appended before it. A view of some weeks or a
// year reads only its own stretch of the file, found by its dates; a file
// seen to be out of date order is read whole.
std::size_t fillBlocks(MemoFile& file, const ViewWindow& window, DaySerial today, MemoBlocks& blocks,
                       const std::function<void()>& chime = {});

// Titles of the views.
std::string tenWeekTitle(int weeksBack);
std::string fromDateTitle(const std::string& shortDate);
std::string yearTitle(std::size_t count, int year);
std::string wholeFileTitle(std::size_t count);

}  // namespace jotanor
