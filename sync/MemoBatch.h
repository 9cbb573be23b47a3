// Many memos entered and deleted in one change of the memo file, under its
// lock and journal: all of them or none. A memo to delete is found by its
// contents (date and both lines) as the file is under the lock.
#pragma once

#include <string>
#include <vector>

#include "store/MemoFile.h"

namespace jotanor::sync {

struct MemoBatch {
    std::vector<MemoRecord> remove;
    std::vector<MemoRecord> add;
    // A memo to add that the file (or the batch) holds already is left out.
    bool skipPresent = true;
};

struct BatchResult {
    std::vector<bool> removed;  // per memo of `remove`: it was there and went
    std::vector<bool> added;    // per memo of `add`: it went in
};

// A memo's date and both lines as stored, as a key: equal keys, equal memos.
std::string memoKey(const MemoRecord& memo);

// Deletions first, then the new memos each at its place in date order.
BatchResult applyBatch(MemoFile& file, const MemoBatch& batch);

}  // namespace jotanor::sync
