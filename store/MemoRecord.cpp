#include "store/MemoRecord.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace jotanor {
namespace {

constexpr std::size_t kLine1 = 8;
constexpr std::size_t kLine2 = 109;

void putLine(const std::string& text, unsigned char* field) {
    std::size_t n = std::min(text.size(), MemoRecord::kMaxLine);
    field[0] = static_cast<unsigned char>(n);
    std::memcpy(field + 1, text.data(), n);
}

std::string getLine(const unsigned char* field) {
    std::size_t n = std::min<std::size_t>(field[0], MemoRecord::kMaxLine);
    return std::string(reinterpret_cast<const char*>(field + 1), n);
}

}  // namespace

std::string cutLine(std::string_view text) {
    return std::string(text.substr(0, MemoRecord::kMaxLine));
}

void encodeRecord(const MemoRecord& record, unsigned char* out) {
    std::memset(out, 0, MemoRecord::kSize);
    auto bits = std::bit_cast<std::uint64_t>(record.date);
    for (int i = 0; i < 8; ++i) out[i] = static_cast<unsigned char>(bits >> (8 * i));
    putLine(record.line1, out + kLine1);
    putLine(record.line2, out + kLine2);
}

RecordBytes encodeRecord(const MemoRecord& record) {
    RecordBytes bytes;
    encodeRecord(record, bytes.data());
    return bytes;
}

std::string_view recordLine1(const unsigned char* in) {
    std::size_t n = std::min<std::size_t>(in[kLine1], MemoRecord::kMaxLine);
    return std::string_view(reinterpret_cast<const char*>(in + kLine1 + 1), n);
}

std::string_view recordLine2(const unsigned char* in) {
    std::size_t n = std::min<std::size_t>(in[kLine2], MemoRecord::kMaxLine);
    return std::string_view(reinterpret_cast<const char*>(in + kLine2 + 1), n);
}

MemoRecord decodeRecord(const unsigned char* in) {
    MemoRecord r;
    r.date = recordDate(in);
    r.line1 = getLine(in + kLine1);
    r.line2 = getLine(in + kLine2);
    return r;
}

}  // namespace jotanor
