// Faults from outside the program: a write failing inside the system call,
// a full disk and a file the user may not write. The program must report the
// standard error, leave the memo file whole and keep running.
#include <cstring>
#include <sys/mount.h>

#include "e2e/Fixture.h"

namespace jotanor::e2e {
namespace {

// A 64 KiB file system mounted over a folder for one test.
struct SmallDisk {
    explicit SmallDisk(std::filesystem::path folder, bool mountIt = true) : at(std::move(folder)) {
        ok = mountIt && ::mount("tmpfs", at.c_str(), "tmpfs", 0, "size=64k") == 0;
        if (!ok) error = std::strerror(errno);
    }
    ~SmallDisk() {
        if (ok) ::umount2(at.c_str(), MNT_DETACH);
    }
    std::filesystem::path at;
    bool ok = false;
    std::string error;
};

const std::string kNoBackup = "\r\n90\r\n90\r\n0\r\n1\r\n";

// Three memos of the user; the first activation adds the twelve holiday memos in one change.
std::vector<Memo> usersMemos() {
    return {{2025, 1, 2, "Nieuwjaarsbezoek", "tante Jo"}, {2026, 7, 1, "Vakantie", ""},
            {2027, 9, 9, "Keuring", "auto"}};
}

// The memo file after the first i holiday memos have been stored.
std::vector<unsigned char> afterHolidays(std::size_t i) {
    auto memos = usersMemos();
    const auto holidays = holidays2025to2027();
    // The generation order: year by year, each year's days in date order.
    memos.insert(memos.end(), holidays.begin(), holidays.begin() + static_cast<std::ptrdiff_t>(i));
    return memoBytes(sorted(memos));
}

std::optional<std::size_t> holidaysStored(const std::vector<unsigned char>& bytes) {
    for (std::size_t i = 0; i <= 12; ++i)
        if (bytes == afterHolidays(i)) return i;
    return std::nullopt;
}

struct Injection {
    const char* call;
    const char* error;
    int when;
    const char* text;  // the standard text the user sees
};

void PrintTo(const Injection& i, std::ostream* os) { *os << i.call << " " << i.error << " at call " << i.when; }

class InjectedFault : public EndToEnd, public ::testing::WithParamInterface<Injection> {};

// strace makes the k-th write, sync, truncation or removal on the memo file
// or its journal fail: the memo file is then either as before the change or
// fully changed by it, and the user is told when it is as before. A failing
// device (EIO) reads as the home platform's write fault, not as the access
// error that shares its number.
TEST_P(InjectedFault, LeavesTheMemoFileWholeAndIsReported) {
    if (std::system("strace -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "strace is not installed";
    const Injection& fault = GetParam();
    putFile(memoPath, afterHolidays(0));
    putText(work / "jotnor.cfg", kNoBackup);
    Program::Options options;
    options.wrapper = {"strace", "-f", "-qq", "-o", "/dev/null", "-P", memoPath.string(), "-P",
                       (work / ".jotanor1.mem.journal").string(), "-e",
                       std::string("inject=") + fault.call + ":error=" + fault.error +
                           ":when=" + std::to_string(fault.when)};
    std::optional<Program> program;
    const auto window = startToMainWindow(program, options);

    std::vector<std::string> errors;
    // The file may hold the new memos for a moment before a failed sync
    // undoes the change: it is done only once its journal is gone.
    const auto journal = work / ".jotanor1.mem.journal";
    ASSERT_TRUE(waitUntil([&] {
        return (fileBytes(memoPath) == afterHolidays(12) && !std::filesystem::exists(journal)) ||
               !(errors = display->windows("^Error$")).empty();
    })) << describe(fileBytes(memoPath));
    if (!errors.empty()) {
        const std::string text = display->messageText(errors.back());
        EXPECT_NE(text.find("\n" + std::string(fault.text) + "\n"), std::string::npos) << text;
        display->key({"Return"});
    }
    const auto stored = holidaysStored(fileBytes(memoPath));
    ASSERT_TRUE(stored) << "a store half done:\n" << describe(fileBytes(memoPath));
    EXPECT_EQ(*stored < 12, !errors.empty()) << *stored << " holiday memos stored";
    RecordProperty("holiday_memos_stored", static_cast<int>(*stored));
    EXPECT_TRUE(*stored == 0 || *stored == 12) << "the twelve are stored in one change";

    closeWithEscape(*program, window);
    EXPECT_EQ(holidaysStored(fileBytes(memoPath)), stored);
}

INSTANTIATE_TEST_SUITE_P(Strace, InjectedFault,
                         // In order: the journal is written and synced, the records are
                         // written in place, the length set, the file synced, the journal removed.
                         ::testing::Values(Injection{"pwrite64", "ENOSPC", 1, "Disk full"},
                                           Injection{"pwrite64", "ENOSPC", 2, "Disk full"},
                                           Injection{"pwrite64", "EIO", 2, "I/O error 29"},
                                           Injection{"pwrite64", "ENOSPC", 200, "Disk full"},
                                           Injection{"fdatasync", "EIO", 1, "I/O error 29"},
                                           Injection{"fdatasync", "EIO", 2, "I/O error 29"},
                                           Injection{"ftruncate", "EIO", 1, "I/O error 29"},
                                           Injection{"unlink", "EIO", 1, "I/O error 29"}),
                         [](const auto& info) {
                             return std::string(info.param.call) + "_" + info.param.error + "_" +
                                    std::to_string(info.param.when);
                         });

// A memo folder on a 64 KiB file system that has room for the memo file but
// not for a second copy of it.
TEST_F(EndToEnd, AFullDiskIsReportedAndTheMemoFileStaysAsItWas) {
    const SmallDisk disk(work);
    if (!disk.ok) GTEST_SKIP() << "cannot mount a small file system here: " << disk.error;
    // The holiday memos go in front of these: the change must keep all of
    // them aside first, and the disk has no room for that (their lines fill
    // the records, so the journal packs nothing away).
    std::vector<Memo> memos;
    for (int i = 0; i < 190; ++i)
        memos.push_back({2030, 1 + i % 12, 1 + i / 12, ("memo " + std::to_string(i) + std::string(100, '.')).substr(0, 100),
                         std::string(100, '.')});
    const auto before = memoBytes(sorted(memos));
    putFile(memoPath, before);
    putText(work / "jotnor.cfg", kNoBackup);
    ASSERT_EQ(fileBytes(memoPath), before);

    std::optional<Program> program;
    const auto window = startToMainWindow(program);
    const auto error = display->waitForWindow("^Error$");
    ASSERT_TRUE(error) << program->log();
    const std::string text = display->messageText(*error);
    EXPECT_NE(text.find("\nDisk full\n"), std::string::npos) << text;
    display->key({"Return"});
    EXPECT_EQ(fileBytes(memoPath), before);
    EXPECT_EQ(visibleFiles(), (std::vector<std::string>{"jotanor1.mem", "jotnor.cfg"}));
    closeWithEscape(*program, window);
    EXPECT_EQ(fileBytes(memoPath), before);
}

// A change on a full disk: the memo keeps its old text, and once the error
// has been shown the program closes as usual.
TEST_F(EndToEnd, AChangeThatDoesNotFitKeepsTheMemo) {
    const SmallDisk disk(work);
    if (!disk.ok) GTEST_SKIP() << "cannot mount a small file system here: " << disk.error;
    // The memo changed lies in front of these, which do not fit twice (their
    // lines fill the records, so the journal packs nothing away).
    auto memos = holidays2025to2027();
    for (int i = 0; i < 190; ++i)
        memos.push_back({2030, 1 + i % 12, 1 + i / 12, ("memo " + std::to_string(i) + std::string(100, '.')).substr(0, 100),
                          std::string(100, '.')});
    memos.push_back({2026, 12, 6, "Tandarts 10 uur", "Bellen"});
    const auto before = memoBytes(sorted(memos));
    putFile(memoPath, before);
    putText(work / "jotnor.cfg", kNoBackup);

    std::optional<Program> program;
    const auto window = startToMainWindow(program);
    display->xdotool({"mousemove", "--window", window, "100", "90", "click", "1"});
    display->key({"F2"});
    ASSERT_TRUE(display->waitForWindow("^Wijzigen van dit record$")) << program->log();
    display->key({"ctrl+a"});
    display->type("Tandarts 11 uur");
    display->key({"Return"});
    const auto error = display->waitForWindow("^Error$");
    ASSERT_TRUE(error) << program->log();
    EXPECT_NE(display->messageText(*error).find("\nDisk full\n"), std::string::npos);
    display->key({"Return"});
    EXPECT_EQ(fileBytes(memoPath), before);
    closeWithEscape(*program, window);
    EXPECT_EQ(fileBytes(memoPath), before);
    EXPECT_EQ(fileText(work / "jotnor.cfg"), kNoBackup);
}

// A FAT file system through Debian's FUSE driver (the kernel here has
// none), mounted over the program's folder for one test.
struct FatStick : SmallDisk {
    FatStick(const std::filesystem::path& image, const std::filesystem::path& folder) : SmallDisk(folder, false) {
        const std::string i = "'" + image.string() + "'";
        ok = std::system(("truncate -s 16M " + i + " && mkfs.vfat " + i + " >/dev/null && fusefat -o rw+ " + i +
                          " '" + folder.string() + "' >/dev/null 2>&1").c_str()) == 0;
        if (!ok) error = "fusefat or mkfs.vfat is missing, or FUSE does not work here";
    }
};

// A diary on a FAT stick: the settings are written although FAT has no
// permission bits; the default backup name, which FAT cannot hold, is
// reported with its name and what was not saved, and the window stays open
// once. The next Escape tells it again and closes.
TEST_F(EndToEnd, ADiaryOnFatClosesAndSaysWhatWasNotSaved) {
    const FatStick stick(dir.file("stick.img"), work);
    if (!stick.ok) GTEST_SKIP() << stick.error;
    putFile(memoPath, {});
    std::optional<Program> program;
    const auto window = startToMainWindow(program);
    expectFile(memoPath, memoBytes(holidays2025to2027()));
    for (int close = 1; close <= 2; ++close) {
        display->focus(window);
        display->key({"Escape"});
        const auto error = display->waitForWindow("^Error$");
        ASSERT_TRUE(error) << program->log();
        const std::string text = display->messageText(*error);
        EXPECT_NE(text.find("C:\\jotanor1.mem\nDe backup is niet gemaakt."), std::string::npos) << text;
        display->key({"Return"});
    }
    ASSERT_TRUE(program->waitForExit()) << "the program did not end on the second Escape";
    EXPECT_NE(fileText(work / "jotnor.cfg").find("C:\\jotanor1.mem\r\n"), std::string::npos);
    EXPECT_EQ(fileBytes(memoPath), memoBytes(holidays2025to2027()));
}

// Without the permission override a read-only memo file cannot be written:
// it is opened all the same, its memos shown, and the user told that it
// can only be read; no feast day is written and nothing is asked.
TEST_F(EndToEnd, AMemoFileTheUserMayNotWriteIsShownReadOnlyAndKept) {
    if (std::system("capsh --drop=cap_dac_override -- -c true >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "capsh cannot drop the permission override here";
    const auto before = afterHolidays(0);
    putFile(memoPath, before);
    std::filesystem::permissions(memoPath, std::filesystem::perms::owner_read);
    putText(work / "jotnor.cfg", kNoBackup);
    Program::Options options;
    options.wrapper = {"capsh", "--drop=cap_dac_override", "--", "-c", "exec \"$0\""};
    std::optional<Program> program;
    program.emplace(*display, work, options);

    const auto told = display->waitForWindow("^Information$");
    ASSERT_TRUE(told) << program->log();
    EXPECT_NE(display->messageText(*told).find(" kan alleen gelezen worden: de memo's zijn te zien, maar niet te wijzigen."),
              std::string::npos);
    display->key({"Return"});
    const auto window = display->waitForWindow(kMainTitle + std::string(".*  \\(alleen lezen\\)$"));
    ASSERT_TRUE(window) << program->log();
    // A change is refused before its dialog opens.
    display->focus(*window);
    display->key({"F2"});
    ASSERT_TRUE(display->waitForWindow("^Information$")) << program->log();
    display->key({"Return"});
    EXPECT_FALSE(display->waitForWindow("^Error$", 1s));
    closeWithEscape(*program, *window);
    EXPECT_EQ(fileBytes(memoPath), before);
}

}  // namespace
}  // namespace jotanor::e2e
