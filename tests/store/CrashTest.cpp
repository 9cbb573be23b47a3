// Kills a process that stores, changes and deletes memos at random moments;
// after every kill each memo that was in the file must still be there, once.
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "store/MemoFile.h"
#include "support/TempDir.h"

#ifndef CRASH_LOOP_PATH
#error "CRASH_LOOP_PATH names the crash loop program"
#endif

namespace jotanor {
namespace {

int killsWanted() {
    const char* env = std::getenv("JOTANOR_CRASH_KILLS");
    return env ? std::atoi(env) : 150;
}

TEST(Crash, AKilledChangeLosesNoMemo) {
    test::TempDir dir;
    const auto path = dir.file("jotanor1.mem");
    MemoFile file(nativeFileSystem(), path);
    file.create();
    std::vector<unsigned char> bytes;
    for (int i = 0; i < 1000; ++i) {
        auto r = encodeRecord(MemoRecord{static_cast<double>(i * 2), "memo " + std::to_string(i), "tekst"});
        bytes.insert(bytes.end(), r.begin(), r.end());
    }
    test::writeBytes(path, bytes);

    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> delayMicros(200, 40000);
    const int kills = killsWanted();
    int lost = 0;
    int doubled = 0;
    int extra = 0;
    for (int k = 0; k < kills; ++k) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const std::string seed = std::to_string(k);
            execl(CRASH_LOOP_PATH, CRASH_LOOP_PATH, path.c_str(), seed.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delayMicros(random)));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the loop ended by itself: " << status;

        std::map<std::string, int> seen;
        int crashMemos = 0;
        double previous = -1e300;
        for (const auto& r : file.readAll()) {
            EXPECT_LE(previous, r.date) << "out of order after kill " << k;
            previous = r.date;
            if (r.line1.rfind("crash ", 0) == 0)
                ++crashMemos;
            else
                ++seen[r.line1];
        }
        for (int i = 0; i < 1000; ++i) {
            const int n = seen["memo " + std::to_string(i)];
            lost += n == 0;
            doubled += n > 1;
        }
        extra += crashMemos > 1;
        // The next run starts from the file as the kill left it, minus any
        // memo of the loop itself, so each run tests the same 1,000 memos.
        for (std::size_t pos = 0; pos < file.count();) {
            const auto memo = file.readAt(pos);
            if (memo->line1.rfind("crash ", 0) == 0)
                file.wisrecord1(*memo, pos);
            else
                ++pos;
        }
    }
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(doubled, 0);
    EXPECT_EQ(extra, 0);
    std::printf("kills: %d, memos lost: %d, memos doubled: %d, loop memos doubled: %d\n", kills, lost, doubled,
                extra);
}

}  // namespace
}  // namespace jotanor
