// Arbitrary bytes as a memo file: every record decodes, every date either
// gives its text or the date error, and storing and deleting keep order.
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "dates/Dates.h"
#include "diary/MemoCommands.h"
#include "store/Errors.h"
#include "store/MemoFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace jotanor;
    // A memory file system where there is one: the stores sync every change.
    static const std::filesystem::path folder =
        std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    static const std::filesystem::path path = folder / ("jotanor-fuzz-" + std::to_string(getpid()) + ".mem");
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    MemoFile file(nativeFileSystem(), path);
    const auto records = file.readAll();
    if (records.size() != size / MemoRecord::kSize) __builtin_trap();
    for (const auto& r : records) {
        if (r.line1.size() > 100 || r.line2.size() > 100) __builtin_trap();
        try {
            (void)datumtekst(r.date);
            (void)dayOfWeek(r.date);
        } catch (const DateError&) {
        }
    }
    double key = 0;
    if (size >= 8) std::memcpy(&key, data, 8);
    const MemoRecord memo{key, "fuzz", ""};
    const std::size_t at = mydata1_opbergen(file, memo);
    auto after = file.readAll();
    if (after.size() != records.size() + 1 || encodeRecord(after[at]) != encodeRecord(memo)) __builtin_trap();
    if (!records.empty()) {
        const std::size_t middle = records.size() / 2;
        changeMemo(file, {records[middle], middle}, memo);
        wisrecord1(file, {file.readAll().front(), 0});
    }
    return 0;
}
