// Stores and deletes memos in a loop until it is killed; the crash test
// kills it at random moments and checks the memo file afterwards.
#include <cstdlib>
#include <random>
#include <string>

#include "store/MemoFile.h"

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    jotanor::MemoFile file(jotanor::nativeFileSystem(), argv[1]);
    std::mt19937 random(static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)));
    std::uniform_int_distribution<int> day(0, 2000);
    for (unsigned n = 0;; ++n) {
        const jotanor::MemoRecord memo{static_cast<double>(day(random)), "crash " + std::to_string(n), ""};
        const std::size_t at = file.mydata1_opbergen(memo);
        if (n % 2) {
            // Change it to another date, then delete it.
            const auto moved = file.change(at, jotanor::MemoRecord{static_cast<double>(day(random)), memo.line1, "x"});
            file.wisrecord1(*moved);
        } else {
            file.wisrecord1(at);
        }
    }
}
