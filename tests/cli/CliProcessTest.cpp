// The real jotanor-cli program on a memo file in a fresh folder: its output,
// its exit status, adding under the store's lock, and what it refuses.
#include <gtest/gtest.h>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "dates/Dates.h"
#include "store/FileIO.h"
#include "store/MemoFile.h"
#include "support/TempDir.h"

namespace jotanor {
namespace {

std::string fileText(const std::filesystem::path& path) {
    const auto bytes = test::readBytes(path);
    return {bytes.begin(), bytes.end()};
}

// One run of the program in `folder`, its output kept in files beside it.
class CliProcess {
public:
    // Standard output goes to a file beside `folder`, or to `output`.
    CliProcess(const std::filesystem::path& folder, const std::vector<std::string>& args,
               const std::filesystem::path& output = {})
        : out_(output.empty() ? folder.parent_path() / "stdout" : output), err_(folder.parent_path() / "stderr") {
        std::vector<char*> argv{const_cast<char*>(JOTANOR_CLI)};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            const int out = ::open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int err = ::open(err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (::chdir(folder.c_str()) != 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(126);
            ::execv(JOTANOR_CLI, argv.data());
            ::_exit(127);
        }
    }
    ~CliProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    bool running() {
        if (pid_ <= 0) return false;
        if (::waitpid(pid_, &status_, WNOHANG) == 0) return true;
        pid_ = -1;
        return false;
    }
    int wait() {
        if (pid_ > 0) ::waitpid(pid_, &status_, 0);
        pid_ = -1;
        return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
    }
    std::string out() const { return fileText(out_); }
    std::string err() const { return fileText(err_); }

private:
    std::filesystem::path out_, err_;
    pid_t pid_ = -1;
    int status_ = 0;
};

class CliProcessTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directory(work); }

    test::TempDir dir;
    std::filesystem::path work = dir.file("work");
    std::filesystem::path memoPath = work / "jotanor1.mem";
    DaySerial today = encodeDate(2026, 5, 2);
};

TEST_F(CliProcessTest, WorksOnTheMemoFileOfItsWorkingFolder) {
    test::writeMemos(memoPath, {{today - 1, "Tandarts", "9:00"}});
    CliProcess add(work, {"add", "2026-05-02", "Verjaardag Éva", "taart €"});
    EXPECT_EQ(add.wait(), 0) << add.err();
    EXPECT_EQ(add.out(), "");

    CliProcess list(work, {"--today", "2026-05-02", "list"});
    EXPECT_EQ(list.wait(), 0);
    const std::string dashes(222, '-');
    EXPECT_EQ(list.out(), "vrijdag,  1-5-2026\nTandarts\n9:00\n" + dashes + "\n>> zaterdag,  2-5-2026\nVerjaardag Éva\ntaart €\n" +
                              dashes + "\n");
    EXPECT_EQ(MemoFile(nativeFileSystem(), memoPath).readAll().at(1), (MemoRecord{today, "Verjaardag \xC9va", "taart \x80"}));

    CliProcess count(work, {"count"});
    EXPECT_EQ(count.wait(), 0);
    EXPECT_EQ(count.out(), "2\n");
}

// The byte a program for Windows locks (LockFileEx), as Wine's server and
// file servers hold it for them: a process's record lock on the file.
constexpr off_t kWindowsLockByte = 0x7FFFFFFF00000000;

bool windowsLock(int fd, short type) {
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = kWindowsLockByte;
    range.l_len = 1;
    return ::fcntl(fd, F_SETLK, &range) == 0;
}

// Whether another process gets the Windows programs' lock on the file now.
bool windowsLockFree(const std::filesystem::path& path, short type) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(path.c_str(), O_RDWR);
        ::_exit(fd >= 0 && windowsLock(fd, type) ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(CliProcessTest, AddWaitsForTheLockOfAnotherCopyOrAWindowsProgram) {
    for (const bool windows : {false, true}) {
        SCOPED_TRACE(windows ? "a program for Windows" : "another copy");
        test::writeMemos(memoPath, {{today, "eerste", ""}});
        const auto before = test::readBytes(memoPath);
        auto held = nativeFileSystem().open(memoPath, OpenMode::ReadWrite);
        const int fd = ::open(memoPath.c_str(), O_RDWR);
        ASSERT_TRUE(windows ? windowsLock(fd, F_WRLCK) : held->lock(LockKind::Exclusive));

        CliProcess add(work, {"add", "2026-05-01", "tweede"});
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        EXPECT_TRUE(add.running());
        EXPECT_EQ(test::readBytes(memoPath), before);

        held->close();
        ::close(fd);
        EXPECT_EQ(add.wait(), 0) << add.err();
        EXPECT_EQ(MemoFile(nativeFileSystem(), memoPath).readAll(),
                  (std::vector<MemoRecord>{{today - 1, "tweede", ""}, {today, "eerste", ""}}));
    }
}

TEST_F(CliProcessTest, AWindowsProgramWaitsForTheLock) {
    test::writeMemos(memoPath, {{today, "eerste", ""}});
    auto held = nativeFileSystem().open(memoPath, OpenMode::ReadWrite);
    ASSERT_TRUE(held->lock(LockKind::Shared));
    EXPECT_TRUE(windowsLockFree(memoPath, F_RDLCK));
    EXPECT_FALSE(windowsLockFree(memoPath, F_WRLCK));
    ASSERT_TRUE(held->lock(LockKind::Exclusive));
    EXPECT_FALSE(windowsLockFree(memoPath, F_RDLCK));
    held->close();
    EXPECT_TRUE(windowsLockFree(memoPath, F_WRLCK));
}

TEST_F(CliProcessTest, RefusalsGoToStandardErrorWithANonZeroStatus) {
    test::writeMemos(memoPath, {{today, "eerste", ""}});
    const auto before = test::readBytes(memoPath);
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{"add", "2026-05-02", std::string(60, 'a') + std::string(41, 'b')}, 2,
         "jotanor-cli: regel 1 heeft 101 tekens; een memoregel houdt er hoogstens 100\n"},
        {{"add", "2026-05-02", "kerst 🎄"}, 2, "jotanor-cli: regel 1 bevat \"🎄\", een teken dat een memo niet kan bewaren\n"},
        {{"--file", "elders.mem", "list"}, 1, "jotanor-cli: elders.mem: File not found\n"},
    };
    for (const auto& c : cases) {
        CliProcess run(work, c.args);
        EXPECT_EQ(run.wait(), c.status);
        EXPECT_EQ(run.err(), c.err);
        EXPECT_EQ(run.out(), "");
    }
    EXPECT_EQ(test::readBytes(memoPath), before);

    if (std::filesystem::exists("/dev/full")) {
        CliProcess full(work, {"list", "--all"}, "/dev/full");
        EXPECT_EQ(full.wait(), 1);
        EXPECT_EQ(full.err(), "jotanor-cli: de uitvoer kon niet worden geschreven\n");
    }

    CliProcess help(work, {"--help"});
    EXPECT_EQ(help.wait(), 0);
    EXPECT_TRUE(help.out().starts_with("Gebruik: jotanor-cli")) << help.out();
    CliProcess version(work, {"--version"});
    EXPECT_EQ(version.wait(), 0);
    EXPECT_TRUE(version.out().starts_with("jotanor-cli ")) << version.out();
}

}  // namespace
}  // namespace jotanor
