// A memo's date and both lines as one key, to tell memos apart by their
// contents: equal keys, equal memos.
#pragma once

#include <cstring>
#include <string>
#include <string_view>

#include "store/MemoRecord.h"

namespace jotanor {

inline std::string memoKey(DaySerial date, std::string_view line1, std::string_view line2) {
    std::string key(sizeof date, '\0');
    std::memcpy(key.data(), &date, sizeof date);
    key += static_cast<char>(line1.size());
    key += line1;
    key += static_cast<char>(line2.size());
    key += line2;
    return key;
}

// As stored: a line longer than 100 bytes is kept cut.
inline std::string memoKey(const MemoRecord& memo) {
    const RecordBytes bytes = encodeRecord(memo);
    return memoKey(memo.date, recordLine1(bytes.data()), recordLine2(bytes.data()));
}

inline std::string memoKey(const unsigned char* record) {
    return memoKey(recordDate(record), recordLine1(record), recordLine2(record));
}

}  // namespace jotanor
