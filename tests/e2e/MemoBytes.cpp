#include "e2e/MemoBytes.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

namespace jotanor::e2e {

double serial(int year, int month, int day) {
    // Days from the civil calendar (proleptic Gregorian), shifted to 30 December 1899.
    year -= month <= 2;
    const int era = (year >= 0 ? year : year - 399) / 400;
    const int yoe = year - era * 400;
    const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long days = era * 146097L + doe - 719468L;  // since 1 January 1970
    return static_cast<double>(days + 25569);
}

std::vector<unsigned char> memoBytes(const std::vector<Memo>& memos) {
    std::vector<unsigned char> out;
    for (const auto& m : memos) {
        unsigned char r[212] = {};
        const double d = serial(m.year, m.month, m.day);
        std::uint64_t bits;
        std::memcpy(&bits, &d, 8);
        for (int i = 0; i < 8; ++i) r[i] = static_cast<unsigned char>(bits >> (8 * i));
        r[8] = static_cast<unsigned char>(m.line1.size());
        std::memcpy(r + 9, m.line1.data(), m.line1.size());
        r[109] = static_cast<unsigned char>(m.line2.size());
        std::memcpy(r + 110, m.line2.data(), m.line2.size());
        out.insert(out.end(), r, r + 212);
    }
    return out;
}

std::vector<Memo> holidays2025to2027() {
    return {
        {2025, 3, 5, "Aswoensdag", ""},  {2025, 4, 20, "1e Paasdag", ""}, {2025, 5, 29, "Hemelsvaartdag", ""},
        {2025, 6, 8, "1e Pinksterdag", ""}, {2026, 2, 18, "Aswoensdag", ""}, {2026, 4, 5, "1e Paasdag", ""},
        {2026, 5, 14, "Hemelsvaartdag", ""}, {2026, 5, 24, "1e Pinksterdag", ""}, {2027, 2, 10, "Aswoensdag", ""},
        {2027, 3, 28, "1e Paasdag", ""}, {2027, 5, 6, "Hemelsvaartdag", ""}, {2027, 5, 16, "1e Pinksterdag", ""},
    };
}

std::vector<Memo> sorted(std::vector<Memo> memos) {
    std::stable_sort(memos.begin(), memos.end(), [](const Memo& a, const Memo& b) {
        return serial(a.year, a.month, a.day) < serial(b.year, b.month, b.day);
    });
    return memos;
}

std::vector<unsigned char> fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string fileText(const std::filesystem::path& path) {
    auto b = fileBytes(path);
    return {b.begin(), b.end()};
}

void putFile(const std::filesystem::path& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void putText(const std::filesystem::path& path, const std::string& text) {
    putFile(path, {text.begin(), text.end()});
}

std::string describe(const std::vector<unsigned char>& bytes) {
    std::ostringstream s;
    s << bytes.size() << " bytes";
    for (std::size_t at = 0; at + 212 <= bytes.size(); at += 212) {
        double d;
        std::memcpy(&d, bytes.data() + at, 8);
        const auto l1 = std::min<unsigned>(bytes[at + 8], 100);
        const auto l2 = std::min<unsigned>(bytes[at + 109], 100);
        s << "\n  " << d << " '" << std::string(bytes.begin() + at + 9, bytes.begin() + at + 9 + l1) << "' '"
          << std::string(bytes.begin() + at + 110, bytes.begin() + at + 110 + l2) << "'";
    }
    return s.str();
}

}  // namespace jotanor::e2e
