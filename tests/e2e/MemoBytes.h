// Expected memo files built byte by byte, apart from the program's own codec.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace jotanor::e2e {

struct Memo {
    int year, month, day;
    std::string line1, line2;
};

// Days since 30 December 1899.
double serial(int year, int month, int day);
// 212 bytes a memo: date as a little-endian double, two length-prefixed lines, zeros.
std::vector<unsigned char> memoBytes(const std::vector<Memo>& memos);

// The holiday memos of 2025, 2026 and 2027, in date order.
std::vector<Memo> holidays2025to2027();
// Memos merged in date order; none of them may share a date.
std::vector<Memo> sorted(std::vector<Memo> memos);

std::vector<unsigned char> fileBytes(const std::filesystem::path& path);
std::string fileText(const std::filesystem::path& path);
void putFile(const std::filesystem::path& path, const std::vector<unsigned char>& bytes);
void putText(const std::filesystem::path& path, const std::string& text);

// Readable form of a memo file, for failure messages.
std::string describe(const std::vector<unsigned char>& bytes);

}  // namespace jotanor::e2e
