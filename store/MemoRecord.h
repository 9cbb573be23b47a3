// One memo as stored in the memo file: a date and two lines of at most 100
// Windows-1252 characters, 212 bytes on disk.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <cstddef>
#include <string>
#include <string_view>

#include "dates/Dates.h"

namespace jotanor {

struct MemoRecord {
    static constexpr std::size_t kSize = 212;
    static constexpr std::size_t kMaxLine = 100;

    DaySerial date = 0;
    std::string line1;  // Windows-1252 bytes, at most kMaxLine
    std::string line2;

    // A line1 that begins with "*" recurs every year.
    bool starred() const { return !line1.empty() && line1[0] == '*'; }

    bool operator==(const MemoRecord&) const = default;
};

using RecordBytes = std::array<unsigned char, MemoRecord::kSize>;

// Lines longer than 100 bytes are cut to their first 100; padding is zeros.
void encodeRecord(const MemoRecord& record, unsigned char* out);
RecordBytes encodeRecord(const MemoRecord& record);

// Any 212 bytes decode: a length byte above 100 reads as 100. The date is
// taken as it stands, NaN and infinities included; splitting it into a
// calendar date is where a bad date is reported.
MemoRecord decodeRecord(const unsigned char* in);

// The fields of a record's 212 bytes, read in place.
// Inline: scans read it from every record of the file.
inline DaySerial recordDate(const unsigned char* in) {
    std::uint64_t bits;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&bits, in, 8);
    } else {
        bits = 0;
        for (int i = 0; i < 8; ++i) bits |= static_cast<std::uint64_t>(in[i]) << (8 * i);
    }
    return std::bit_cast<DaySerial>(bits);
}
std::string_view recordLine1(const unsigned char* in);
std::string_view recordLine2(const unsigned char* in);

// Cuts a text to the 100 bytes a line holds.
std::string cutLine(std::string_view text);

}  // namespace jotanor
