// The memo file: MemoRecord entries of 212 bytes in ascending date order,
// no header. Every operation opens the file, does its work and closes it.
// Reads hold a shared lock, changes an exclusive one for their whole
// read-modify-write, so a second copy of the program never sees a change
// half done or works from positions that are out of date. Changes are made
// in place behind a rollback journal (see Journal.h): the file keeps its
// identity (links, owner, mode), and a failed or interrupted change never
// loses or doubles a memo.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/FileIO.h"
#include "store/Journal.h"
#include "store/MemoRecord.h"

namespace jotanor {

// Date-order position for a new record dated `key` among whole records:
// before all records of the same date, unless the only such record is the
// last of the file.
std::size_t storePosition(std::span<const unsigned char> records, DaySerial key);
// The same among `n` records that need not lie in one span: `record(j)`
// gives the bytes of the j-th. The place is the first record dated on or
// after `key`, found by a binary search over the dates, as the views find
// their first memo: O(log n), and in a file in date order the place a walk
// from the start finds. The dates the search reads must ascend with their
// positions; where one does not (a file out of date order, a date that is
// no number), the records are walked from the start instead. A disorder
// the search does not meet leaves the new record between one dated before
// it and one dated on or after it.
template <class At>
std::size_t storePositionAt(std::size_t n, At record, DaySerial key) {
    const auto tieBreak = [&](std::size_t j) {
        return j < n && (j + 1 < n || recordDate(record(j)) > key) ? j : n;
    };
    if (std::isnan(key)) return n;  // no date is on or after it
    std::size_t lo = 0, hi = n;
    DaySerial below = -std::numeric_limits<DaySerial>::infinity(), above = std::numeric_limits<DaySerial>::infinity();
    bool ordered = true;
    while (lo < hi && ordered) {
        const std::size_t mid = lo + (hi - lo) / 2;
        const DaySerial d = recordDate(record(mid));
        ordered = d >= below && d <= above;  // false for a NaN too
        if (d < key)
            lo = mid + 1, below = d;
        else
            hi = mid, above = d;
    }
    if (ordered) return tieBreak(lo);
    std::size_t j = 0;
    while (j < n && !(recordDate(record(j)) >= key)) ++j;
    return tieBreak(j);
}

// A change decided on the records as they are under the lock: the new
// records from record `from` to the end, as pieces that are either records
// of the file as it is or new bytes.
struct TailChange {
    std::size_t from = 0;
    std::vector<TailPiece> pieces;

    // The records [first, end) of the file as it is.
    TailChange& old(std::size_t first, std::size_t end);
    TailChange& add(std::span<const unsigned char> bytes);
};

class MemoFile {
public:
    MemoFile(FileSystem& fs, std::filesystem::path path);

    const std::filesystem::path& path() const { return path_; }
    void setPath(std::filesystem::path path) { path_ = std::move(path); }

    // What the user must be told, in Dutch, once each: journals that were
    // found and not played back. Taken when the file is no longer open.
    std::vector<std::string> takeNotices() { return std::exchange(notices_, {}); }

    // Number of records as last counted by an operation that opened the file.
    std::size_t recordCount() const { return recordCount_; }

    // Whether the file opens for reading and writing; reports nothing.
    bool canOpen();
    // Whether the file opens for reading; reports nothing.
    bool canRead();
    // Creates the file empty; a file that exists keeps its records.
    void create();

    // Number of records (file size div 212).
    std::size_t count();
    // Reads the records in file order, calling visit(record, position) until
    // it returns false or the file ends.
    void scan(const std::function<bool(const MemoRecord&, std::size_t)>& visit);
    // The same with each record's 212 raw bytes, for scans that look at a
    // few fields of every record and decode only the ones they keep.
    void scanBytes(const std::function<bool(const unsigned char*, std::size_t)>& visit);
    // The same from the first record dated on or after `low`, found by a
    // binary search over the dates: a view of a few weeks reads its own
    // stretch of the file and a few dates, not the whole file. False when
    // a date it read is out of date order or no number; the visits made may
    // then have missed records, and only a scan of the whole file is sure.
    bool scanFrom(DaySerial low, const std::function<bool(const unsigned char*, std::size_t)>& visit);
    std::vector<MemoRecord> readAll();
    // The record at a position; nothing past the last record.
    std::optional<MemoRecord> readAt(std::size_t position);

    // The one change: under the exclusive lock, `plan` looks at the whole
    // records as they are now and says what to write, or nothing.
    // Should the file be replaced by another one meanwhile, the plan runs
    // again on the file that bears the name.
    using Plan = std::function<std::optional<TailChange>(std::span<const unsigned char> records)>;
    void modify(const Plan& plan);

private:
    struct Opened {
        std::unique_ptr<File> file;
        std::filesystem::path real;  // links resolved
    };
    // Opens and locks the file that bears the name; a change cut short is
    // rolled back first.
    Opened open(LockKind kind);
    Opened openOnce(LockKind kind);
    bool bearsTheName(File& file);
    void tell(const std::string& text);

    FileSystem& fs_;
    std::filesystem::path path_;
    std::size_t recordCount_ = 0;
    std::vector<std::string> notices_;
    std::vector<std::string> told_;
};

// Where `memo` (date and both lines) is among `n` records given one by one,
// as storePositionAt: at `near` when it is there, else its first place;
// nothing when no record holds it.
template <class At>
std::optional<std::size_t> findMemoAt(std::size_t n, At record, const MemoRecord& memo, std::size_t near) {
    const RecordBytes wanted = encodeRecord(memo);
    const std::string_view line1 = recordLine1(wanted.data()), line2 = recordLine2(wanted.data());
    // The date compared as stored: a NaN date is found too.
    const auto holds = [&](std::size_t j) {
        const unsigned char* r = record(j);
        return std::memcmp(r, wanted.data(), 8) == 0 && recordLine1(r) == line1 && recordLine2(r) == line2;
    };
    if (near < n && holds(near)) return near;
    for (std::size_t j = 0; j < n; ++j)
        if (holds(j)) return j;
    return std::nullopt;
}

}  // namespace jotanor
