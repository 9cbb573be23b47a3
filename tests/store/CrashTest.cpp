// Kills a process that stores, changes and deletes memos at random moments;
// after every kill each memo that was in the file must still be there, once.
// And several processes changing one file at once while others read it.
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <set>
#include <sstream>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "diary/MemoCommands.h"
#include "store/MemoFile.h"
#include "support/TempDir.h"

#ifndef CRASH_LOOP_PATH
#error "CRASH_LOOP_PATH names the crash loop program"
#endif

namespace jotanor {
namespace {

int fromEnvironment(const char* name, int otherwise) {
    const char* env = std::getenv(name);
    return env ? std::atoi(env) : otherwise;
}

int killsWanted() { return fromEnvironment("JOTANOR_CRASH_KILLS", 150); }

std::vector<unsigned char> fixedMemos() {
    std::vector<unsigned char> bytes;
    for (int i = 0; i < 1000; ++i) {
        auto r = encodeRecord(MemoRecord{static_cast<double>(i * 2), "memo " + std::to_string(i), "tekst"});
        bytes.insert(bytes.end(), r.begin(), r.end());
    }
    return bytes;
}

// Starts the loop program with `args`; its standard output goes to `out`.
pid_t startLoop(const std::vector<std::string>& args, const std::filesystem::path& out) {
    const pid_t child = fork();
    if (child == 0) {
        const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 1);
        std::vector<char*> argv{const_cast<char*>(CRASH_LOOP_PATH)};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(CRASH_LOOP_PATH, argv.data());
        _exit(127);
    }
    return child;
}

std::string textOf(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(Crash, AKilledChangeLosesNoMemo) {
    test::TempDir dir;
    const auto path = dir.file("jotanor1.mem");
    MemoFile file(nativeFileSystem(), path);
    test::writeBytes(path, fixedMemos());

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
                wisrecord1(file, {*memo, pos});
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

// Copies of the program that store, change and delete on one file at once,
// with others reading it all the while: every memo a copy left behind is
// there exactly once, every fixed memo too, every record is whole, and no
// reader ever saw the file out of date order or a fixed memo missing.
TEST(Crash, CopiesChangingOneFileAtOnceLoseNothing) {
    test::TempDir dir;
    const auto path = dir.file("jotanor1.mem");
    test::writeBytes(path, fixedMemos());
    const int writers = 4;
    const int rounds = fromEnvironment("JOTANOR_COPIES_ROUNDS", 60);
    std::vector<pid_t> readers;
    for (int r = 0; r < 2; ++r) readers.push_back(startLoop({path.string(), "0", "reader"}, dir.file("r" + std::to_string(r))));
    std::vector<pid_t> copies;
    for (int w = 0; w < writers; ++w)
        copies.push_back(startLoop({path.string(), std::to_string(w), "writer", std::to_string(rounds)},
                                   dir.file("w" + std::to_string(w))));
    for (pid_t c : copies) {
        int status = 0;
        waitpid(c, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a copy failed: " << status;
    }
    test::writeBytes(dir.file("jotanor1.mem.stop"), {});
    long reads = 0;
    for (std::size_t r = 0; r < readers.size(); ++r) {
        int status = 0;
        waitpid(readers[r], &status, 0);
        const std::string said = textOf(dir.file("r" + std::to_string(r)));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << said;
        reads += std::atol(said.c_str() + said.find(' ') + 1);
    }

    std::multiset<std::string> expected;
    for (int w = 0; w < writers; ++w) {
        std::stringstream lines(textOf(dir.file("w" + std::to_string(w))));
        for (std::string line; std::getline(lines, line);) expected.insert(line);
    }
    std::multiset<std::string> found;
    int fixed = 0;
    double previous = -1;
    MemoFile file(nativeFileSystem(), path);
    for (const auto& m : file.readAll()) {
        EXPECT_LE(previous, m.date);
        previous = m.date;
        if (m.line1.rfind("memo ", 0) == 0)
            ++fixed;
        else
            found.insert(std::to_string(static_cast<long>(m.date)) + " " + m.line1);
    }
    EXPECT_EQ(fixed, 1000);
    EXPECT_EQ(found, expected);
    EXPECT_EQ(std::filesystem::file_size(path) % MemoRecord::kSize, 0u);
    std::printf("copies: %d x %d rounds, memos left: %zu, reads: %ld\n", writers, rounds, expected.size(), reads);
}

}  // namespace
}  // namespace jotanor
