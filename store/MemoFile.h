// The memo file: MemoRecord entries of 212 bytes in ascending date order,
// no header. Every operation opens the file, does its work and closes it.
// Changes are made on an image of the whole file and put in place in one
// step (see SafeWrite.h), so a failed or interrupted change never loses or
// doubles a memo.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "store/FileIO.h"
#include "store/MemoRecord.h"

namespace jotanor {

// Date-order position for a new record dated `key` among whole records:
// before all records of the same date, unless the only such record is the
// last of the file. The record at `skip`, if any, counts as deleted; the
// position is then one among the remaining records.
constexpr std::size_t kNoSkip = static_cast<std::size_t>(-1);
std::size_t storePosition(std::span<const unsigned char> records, DaySerial key, std::size_t skip = kNoSkip);

// The whole records of a memo file, held in memory.
class MemoImage {
public:
    MemoImage() = default;
    explicit MemoImage(std::vector<unsigned char> bytes);

    std::size_t count() const { return bytes_.size() / MemoRecord::kSize; }
    DaySerial date(std::size_t position) const;
    MemoRecord record(std::size_t position) const;
    const std::vector<unsigned char>& bytes() const { return bytes_; }

    // Date-order position for a new record dated `key`: before all records
    // of the same date, unless the only such record is the last of the file.
    std::size_t storePosition(DaySerial key) const;
    // Puts the record at `position` (at most count()), moving later ones up.
    void insertrecord1(std::size_t position, const MemoRecord& record);
    // Removes the record at `position`; false (and no change) outside the file.
    bool remove(std::size_t position);

private:
    std::vector<unsigned char> bytes_;
};

class MemoFile {
public:
    MemoFile(FileSystem& fs, std::filesystem::path path);

    const std::filesystem::path& path() const { return path_; }
    void setPath(std::filesystem::path path) { path_ = std::move(path); }
    FileSystem& fileSystem() { return fs_; }

    // Number of records as last counted by an operation that opened the file.
    std::size_t recordCount() const { return recordCount_; }

    // Whether the file opens for reading and writing; reports nothing.
    bool canOpen();
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
    std::vector<MemoRecord> readAll();
    // The record at a position; nothing past the last record.
    std::optional<MemoRecord> readAt(std::size_t position);

    // Stores a record at its place in date order; returns its position.
    std::size_t mydata1_opbergen(const MemoRecord& record);
    // Deletes the record at `index`; an index outside the file changes
    // nothing and gives false.
    bool wisrecord1(std::size_t index);
    // Deletes the record at `index` and stores `record` in date order, in
    // one step: on failure the file keeps the old memo. Returns the new
    // position, or nothing when `index` lies outside the file.
    std::optional<std::size_t> change(std::size_t index, const MemoRecord& record);

    // Primitive positioned access on an open file. A position past the last
    // record reads nothing and leaves `record` as it was.
    static bool readrecord1(File& file, std::uint64_t position, MemoRecord& record);
    static void writerecord1(File& file, std::uint64_t position, const MemoRecord& record);

private:
    struct Loaded {
        std::unique_ptr<unsigned char[]> bytes;
        std::size_t count = 0;
        std::span<const unsigned char> records(std::size_t from, std::size_t to) const {
            return {bytes.get() + from * MemoRecord::kSize, (to - from) * MemoRecord::kSize};
        }
    };
    // Opens the file for writing (so a write-protected file is reported as
    // such) and reads its whole records.
    Loaded load();

    FileSystem& fs_;
    std::filesystem::path path_;
    std::size_t recordCount_ = 0;
};

}  // namespace jotanor
