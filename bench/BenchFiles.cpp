#include "BenchFiles.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "dates/Dates.h"
#include "store/FileIO.h"
#include "store/MemoRecord.h"

namespace jotanor::bench {

std::filesystem::path memoFileOf(std::size_t count) {
    static std::map<std::size_t, std::filesystem::path> made;
    auto& path = made[count];
    if (!path.empty()) return path;
    auto dir = std::filesystem::temp_directory_path() / "jotanor-bench";
    std::filesystem::create_directories(dir);
    path = dir / ("memos-" + std::to_string(count) + ".mem");

    const double first = encodeDate(1940, 1, 1);
    const double last = encodeDate(2100, 12, 31);
    std::vector<unsigned char> bytes;
    bytes.reserve(count * MemoRecord::kSize);
    for (std::size_t i = 0; i < count; ++i) {
        MemoRecord r;
        r.date = std::floor(first + (last - first) * static_cast<double>(i) / static_cast<double>(count));
        r.line1 = "Afspraak nummer " + std::to_string(i) + " bij de tandarts";
        r.line2 = i % 3 ? "om tien uur, niet vergeten de kaart mee te nemen" : "";
        auto rec = encodeRecord(r);
        bytes.insert(bytes.end(), rec.begin(), rec.end());
    }
    auto file = nativeFileSystem().open(path, OpenMode::CreateTruncate);
    file->writeAt(0, bytes.data(), bytes.size());
    file->close();
    return path;
}

void readAndWriteOnce(const std::filesystem::path& path) {
    auto file = nativeFileSystem().open(path, OpenMode::ReadWrite);
    std::vector<unsigned char> bytes(file->size());
    file->readAt(0, bytes.data(), bytes.size());
    file->writeAt(0, bytes.data(), bytes.size());
    file->sync();
    file->close();
}

void readOnce(const std::filesystem::path& path) {
    auto file = nativeFileSystem().open(path, OpenMode::ReadOnly);
    std::vector<unsigned char> bytes(file->size());
    file->readAt(0, bytes.data(), bytes.size());
    file->close();
}

void catOnce(const std::filesystem::path& path) {
    auto file = nativeFileSystem().open(path, OpenMode::ReadOnly);
    std::vector<unsigned char> block(128 << 10);
    const std::uint64_t size = file->size();
    for (std::uint64_t at = 0; at < size; at += block.size()) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), size - at));
        file->readAt(at, block.data(), n);
    }
    file->close();
}

}  // namespace jotanor::bench
