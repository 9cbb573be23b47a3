// Changes the memo file in a loop, for the crash and the many-copies tests.
//   crash_loop FILE SEED                 stores, changes and deletes until killed
//   crash_loop FILE SEED writer ROUNDS   the same for ROUNDS rounds as copy SEED; prints
//                                        the memos of its own that it left behind
//   crash_loop FILE SEED reader          reads until FILE.stop exists; prints what it saw
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <string>

#include "diary/MemoCommands.h"
#include "store/MemoFile.h"

namespace {

using jotanor::MemoRecord;

int write(jotanor::MemoFile& file, unsigned seed, long rounds) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> day(0, 2000);
    std::set<std::pair<double, std::string>> mine;
    const std::string prefix = rounds < 0 ? "crash " : "copy " + std::to_string(seed) + " ";
    for (long n = 0; rounds < 0 || n < rounds; ++n) {
        const MemoRecord memo{static_cast<double>(day(random)), prefix + std::to_string(n), ""};
        const std::size_t at = mydata1_opbergen(file, memo);
        MemoRecord now = memo;
        if (n % 2) {
            // Change it to another date.
            const MemoRecord moved{static_cast<double>(day(random)), memo.line1, "x"};
            if (changeMemo(file, {memo, at}, moved) != jotanor::EditOutcome::Done) return 3;
            now = moved;
        }
        if (rounds < 0 || n % 3 == 0) {
            if (wisrecord1(file, {now, at}) != jotanor::EditOutcome::Done) return 3;
        } else {
            mine.insert({now.date, now.line1});
        }
    }
    for (const auto& [date, line1] : mine) std::printf("%.0f %s\n", date, line1.c_str());
    return 0;
}

// Every read must show a file in date order whose records are all whole
// memos of the test, with the test's fixed memos each there once.
int read(jotanor::MemoFile& file, const std::filesystem::path& stop) {
    long reads = 0;
    while (!std::filesystem::exists(stop)) {
        const auto all = file.readAll();
        double previous = -1e300;
        std::size_t fixed = 0;
        for (const MemoRecord& r : all) {
            const bool ours = r.line1.rfind("memo ", 0) == 0;
            if (r.date < previous || (!ours && r.line1.rfind("copy ", 0) != 0)) {
                std::printf("bad read %ld: %.0f \"%s\"\n", reads, r.date, r.line1.c_str());
                return 1;
            }
            previous = r.date;
            fixed += ours;
        }
        if (fixed != 1000) {
            std::printf("bad read %ld: %zu fixed memos\n", reads, fixed);
            return 1;
        }
        ++reads;
    }
    std::printf("reads %ld\n", reads);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    jotanor::MemoFile file(jotanor::nativeFileSystem(), argv[1]);
    const auto seed = static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10));
    const std::string mode = argc > 3 ? argv[3] : "";
    if (mode == "reader") return read(file, std::string(argv[1]) + ".stop");
    return write(file, seed, mode == "writer" && argc > 4 ? std::atol(argv[4]) : -1);
}
