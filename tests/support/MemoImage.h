// The test oracle of the memo file's changes: the whole records held in
// memory, changed the simple way, to compare with what the file becomes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "store/MemoFile.h"
#include "store/MemoRecord.h"

namespace jotanor::test {

class MemoImage {
public:
    // Whole records only: a part record at the end is dropped.
    explicit MemoImage(std::vector<unsigned char> bytes) : bytes_(std::move(bytes)) {
        bytes_.resize(count() * MemoRecord::kSize);
    }

    std::size_t count() const { return bytes_.size() / MemoRecord::kSize; }
    const std::vector<unsigned char>& bytes() const { return bytes_; }

    // Where the memo file stores a record dated `key`.
    std::size_t storePosition(DaySerial key) const { return jotanor::storePosition(bytes_, key); }
    // Puts the record at `position` (at most count()), moving later ones up.
    void insert(std::size_t position, const MemoRecord& record) {
        position = std::min(position, count());
        const RecordBytes rec = encodeRecord(record);
        bytes_.insert(bytes_.begin() + static_cast<std::ptrdiff_t>(position * MemoRecord::kSize), rec.begin(),
                      rec.end());
    }
    // Removes the record at `position`; nothing happens outside the file.
    void remove(std::size_t position) {
        if (position >= count()) return;
        const auto at = bytes_.begin() + static_cast<std::ptrdiff_t>(position * MemoRecord::kSize);
        bytes_.erase(at, at + static_cast<std::ptrdiff_t>(MemoRecord::kSize));
    }

private:
    std::vector<unsigned char> bytes_;
};

}  // namespace jotanor::test
