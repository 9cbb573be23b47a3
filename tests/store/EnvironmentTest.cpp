// The memo file on the system's own file layer in hostile places: a full
// disk, a read-only mount, an immutable file, a file or folder the user may
// not write, a folder, FIFO or device where the file should be, a folder
// that is gone. Every change reports its standard text and leaves the file
// as it was. And in friendly but unusual ones: linked files, shared modes
// and owners, which every change keeps, and links planted under the names
// of the program's helper files, which are never written through.
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <linux/capability.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <grp.h>
#include <sys/syscall.h>
#include <sys/acl.h>
#include <sys/wait.h>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <thread>
#include <unistd.h>

#include "diary/Backup.h"
#include "diary/MemoCommands.h"
#include "store/ConfigFile.h"
#include "store/Errors.h"
#include "store/Journal.h"
#include "store/MemoFile.h"
#include "store/SafeWrite.h"
#include "support/FaultyFileSystem.h"
#include "support/TempDir.h"

namespace jotanor {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// Lines that fill their records: a journal has no padding to pack away, so
// it needs as much room as the records it saves.
std::vector<MemoRecord> memos(int n) {
    std::vector<MemoRecord> out;
    for (int i = 0; i < n; ++i) {
        out.push_back({46000.0 + 2 * i, "memo " + std::to_string(i), "tekst"});
        out.back().line1.resize(MemoRecord::kMaxLine, '.');
        out.back().line2.resize(MemoRecord::kMaxLine, '.');
    }
    return out;
}

std::vector<unsigned char> bytesOf(const std::vector<MemoRecord>& records) {
    std::vector<unsigned char> out;
    for (const auto& r : records) {
        auto b = encodeRecord(r);
        out.insert(out.end(), b.begin(), b.end());
    }
    return out;
}

// Every operation that changes the memo file, front, middle and end.
struct Change {
    const char* name;
    std::function<void(MemoFile&)> run;
};

std::vector<Change> changes() {
    return {
        {"store at the front", [](MemoFile& f) { mydata1_opbergen(f, {1.0, "nieuw", ""}); }},
        {"store in the middle", [](MemoFile& f) { mydata1_opbergen(f, {46011.0, "nieuw", ""}); }},
        {"store at the end", [](MemoFile& f) { mydata1_opbergen(f, {99999.0, "nieuw", ""}); }},
        {"delete the first", [](MemoFile& f) { wisrecord1(f, {memos(1)[0], 0}); }},
        {"delete the last", [](MemoFile& f) { wisrecord1(f, {*f.readAt(f.count() - 1), f.count() - 1}); }},
        {"change", [](MemoFile& f) { changeMemo(f, {memos(4)[3], 3}, {99999.0, "gewijzigd", ""}); }},
    };
}

// Runs every change on the file and expects each to fail with `text`,
// leaving the folder exactly as it was.
void expectEveryChangeRefused(const fs::path& path, const std::string& text) {
    const auto before = test::readBytes(path);
    const auto entries = [&] {
        std::vector<fs::path> names;
        for (const auto& e : fs::directory_iterator(path.parent_path())) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    };
    const auto folder = entries();
    MemoFile file(nativeFileSystem(), path);
    for (const auto& c : changes()) {
        SCOPED_TRACE(c.name);
        try {
            c.run(file);
            ADD_FAILURE() << "the change was made";
        } catch (const IoError& e) {
            EXPECT_EQ(e.what(), text);
        }
        EXPECT_EQ(test::readBytes(path), before);
        EXPECT_EQ(entries(), folder) << "a file was left behind";
    }
    // Reading still works.
    EXPECT_EQ(file.readAll().size(), before.size() / MemoRecord::kSize);
}

// Every change, the creation and a read of the file each refused with `text`.
void expectEveryUseRefused(MemoFile& file, const char* text) {
    std::vector<std::pair<const char*, std::function<void()>>> attempts;
    for (const auto& c : changes()) attempts.emplace_back(c.name, [&file, run = c.run] { run(file); });
    attempts.emplace_back("create", [&] { file.create(); });
    attempts.emplace_back("read", [&] { file.readAll(); });
    for (const auto& [name, attempt] : attempts) {
        SCOPED_TRACE(name);
        try {
            attempt();
            ADD_FAILURE() << "it went through";
        } catch (const IoError& e) {
            EXPECT_STREQ(e.what(), text);
        }
    }
}

// A file system mounted for one test, taken away afterwards.
class Mount {
public:
    Mount(const fs::path& at, const char* source, const char* type, unsigned long flags, const char* options)
        : at_(at) {
        fs::create_directories(at);
        ok_ = ::mount(source, at.c_str(), type, flags, options) == 0;
        error_ = ok_ ? "" : std::strerror(errno);
    }
    ~Mount() {
        if (ok_) ::umount2(at_.c_str(), MNT_DETACH);
    }
    bool ok() const { return ok_; }
    const std::string& error() const { return error_; }
    bool remount(unsigned long flags) {
        return ::mount(nullptr, at_.c_str(), nullptr, MS_REMOUNT | flags, nullptr) == 0;
    }

private:
    fs::path at_;
    bool ok_ = false;
    std::string error_;
};

// Drops the permission override from this thread's effective capabilities,
// as a user without it would run; gives it back afterwards.
class WithoutPermissionOverride {
public:
    WithoutPermissionOverride() {
        if (::syscall(SYS_capget, &header_, saved_) != 0) return;
        __user_cap_data_struct reduced[2];
        std::memcpy(reduced, saved_, sizeof reduced);
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
        dropped_ = ::syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~WithoutPermissionOverride() {
        if (dropped_) ::syscall(SYS_capset, &header_, saved_);
    }
    bool ok() const { return dropped_; }

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool dropped_ = false;
};

bool setImmutable(const fs::path& path, bool on) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

TEST(Environment, AFullDiskRefusesEveryChangeAndKeepsTheFile) {
    TempDir dir;
    // Room for the memo file of 36 KiB, not for a second copy of it.
    Mount small(dir.file("klein"), "tmpfs", "tmpfs", 0, "size=64k");
    if (!small.ok()) GTEST_SKIP() << "cannot mount a file system here: " << small.error();
    const auto path = dir.file("klein") / "jotanor1.mem";
    test::writeMemos(path, memos(170));
    {
        // The rest of the disk filled to the last byte.
        const auto filler = nativeFileSystem().open(dir.file("klein") / "vol", OpenMode::CreateTruncate);
        const std::vector<unsigned char> page(4096, 'x');
        try {
            for (std::uint64_t at = 0;; at += page.size()) filler->writeAt(at, page.data(), page.size());
        } catch (const IoError&) {
        }
    }
    expectEveryChangeRefused(path, "Disk full");
    fs::remove(dir.file("klein") / "vol");

    // Room for a few records but not for a copy of the file: a change at the
    // end needs only the records it writes; one at the front is refused and
    // gives back the room it took, so a small file still fits.
    MemoFile file(nativeFileSystem(), path);
    EXPECT_EQ(mydata1_opbergen(file, {99999.0, "nieuw", ""}), 170u);
    const auto before = test::readBytes(path);
    EXPECT_THROW(mydata1_opbergen(file, {1.0, "nieuw", ""}), IoError);
    EXPECT_EQ(test::readBytes(path), before);
    EXPECT_FALSE(fs::exists(journalPath(path)));
    {
        auto other = nativeFileSystem().open(dir.file("klein") / "jotnor.cfg", OpenMode::CreateTruncate);
        const std::vector<unsigned char> line(4096, 'x');
        EXPECT_NO_THROW(other->writeAt(0, line.data(), line.size()));
    }
    fs::remove(dir.file("klein") / "jotnor.cfg");

    // With room again the same change goes through.
    test::writeMemos(path, memos(20));
    EXPECT_EQ(mydata1_opbergen(file, {1.0, "nieuw", ""}), 0u);
    EXPECT_EQ(file.count(), 21u);
}

TEST(Environment, ADiskFullToTheLastByteStillCreatesAnEmptyFile) {
    TempDir dir;
    Mount small(dir.file("klein"), "tmpfs", "tmpfs", 0, "size=64k");
    if (!small.ok()) GTEST_SKIP() << "cannot mount a file system here: " << small.error();
    test::writeBytes(dir.file("klein") / "vol", std::vector<unsigned char>(64 * 1024, 'x'));
    const auto path = dir.file("klein") / "jotanor1.mem";
    MemoFile file(nativeFileSystem(), path);
    file.create();
    EXPECT_EQ(file.count(), 0u);
    try {
        mydata1_opbergen(file, {1.0, "nieuw", ""});
        ADD_FAILURE() << "stored on a full disk";
    } catch (const IoError& e) {
        EXPECT_STREQ(e.what(), "Disk full");
    }
    EXPECT_EQ(fs::file_size(path), 0u);
}

// The two files written at close: an old backup and old settings survive a
// new one that does not fit.
TEST(Environment, AFullDiskKeepsTheOldBackupAndSettings) {
    TempDir dir;
    Mount small(dir.file("klein"), "tmpfs", "tmpfs", 0, "size=64k");
    if (!small.ok()) GTEST_SKIP() << "cannot mount a file system here: " << small.error();
    const auto folder = dir.file("klein");
    test::writeMemos(folder / "jotanor1.mem", memos(170));
    const auto oldBackup = bytesOf(memos(3));
    test::writeBytes(folder / "C:\\jotanor1.mem", oldBackup);
    try {
        backupCopy(nativeFileSystem(), folder / "jotanor1.mem", folder / "C:\\jotanor1.mem");
        ADD_FAILURE() << "a second copy fitted";
    } catch (const IoError& e) {
        EXPECT_STREQ(e.what(), "Disk full");
    }
    EXPECT_EQ(test::readBytes(folder / "C:\\jotanor1.mem"), oldBackup);

    const std::string oldSettings = "C:\\oud.mem\r\n10\r\n20\r\n9\r\n0\r\n";
    test::writeBytes(folder / kConfigFileName, {oldSettings.begin(), oldSettings.end()});
    // Fill what is left to the last byte.
    test::writeBytes(folder / "vol", std::vector<unsigned char>(64 * 1024, 'x'));
    Settings settings;
    settings.backupPlace = std::string(200, 'b');
    try {
        saveConfig(nativeFileSystem(), folder / kConfigFileName, settings);
        ADD_FAILURE() << "saved on a full disk";
    } catch (const IoError& e) {
        EXPECT_STREQ(e.what(), "Disk full");
    }
    const auto kept = test::readBytes(folder / kConfigFileName);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), oldSettings);
    EXPECT_EQ(test::readBytes(folder / "jotanor1.mem"), bytesOf(memos(170)));
}

TEST(Environment, AReadOnlyMountKeepsTheBackupAndSettings) {
    TempDir dir;
    test::writeMemos(dir.file("jotanor1.mem"), memos(10));
    const std::string oldSettings = "\r\n10\r\n20\r\n9\r\n0\r\n";
    test::writeBytes(dir.file(kConfigFileName), {oldSettings.begin(), oldSettings.end()});
    Mount view(dir.file("ro"), dir.path().c_str(), nullptr, MS_BIND, nullptr);
    if (!view.ok()) GTEST_SKIP() << "cannot bind-mount here: " << view.error();
    ASSERT_TRUE(view.remount(MS_BIND | MS_RDONLY));
    const auto folder = dir.file("ro");

    try {
        backupCopy(nativeFileSystem(), folder / "jotanor1.mem", folder / "C:\\jotanor1.mem");
        ADD_FAILURE() << "backed up on a read-only mount";
    } catch (const IoError& e) {
        EXPECT_STREQ(e.what(), "File access denied");
    }
    // Settings that cannot be written are dropped without a word.
    EXPECT_FALSE(saveConfig(nativeFileSystem(), folder / kConfigFileName, Settings{}));
    const auto kept = test::readBytes(dir.file(kConfigFileName));
    EXPECT_EQ(std::string(kept.begin(), kept.end()), oldSettings);
    EXPECT_FALSE(fs::exists(dir.file("C:\\jotanor1.mem")));
}

TEST(Environment, AReadOnlyMountRefusesEveryChange) {
    TempDir dir;
    test::writeMemos(dir.file("jotanor1.mem"), memos(10));
    Mount view(dir.file("ro"), dir.path().c_str(), nullptr, MS_BIND, nullptr);
    if (!view.ok()) GTEST_SKIP() << "cannot bind-mount here: " << view.error();
    ASSERT_TRUE(view.remount(MS_BIND | MS_RDONLY));
    const auto path = dir.file("ro") / "jotanor1.mem";
    expectEveryChangeRefused(path, "File access denied");

    MemoFile file(nativeFileSystem(), path);
    EXPECT_FALSE(file.canOpen());
    EXPECT_THROW(file.create(), IoError);
    EXPECT_EQ(file.count(), 10u);
}

TEST(Environment, AReadOnlyFileSystemCannotTakeANewMemoFile) {
    TempDir dir;
    Mount empty(dir.file("ro"), "tmpfs", "tmpfs", MS_RDONLY, "size=64k");
    if (!empty.ok()) GTEST_SKIP() << "cannot mount a file system here: " << empty.error();
    MemoFile file(nativeFileSystem(), dir.file("ro") / "jotanor1.mem");
    EXPECT_FALSE(file.canOpen());
    try {
        file.create();
        ADD_FAILURE() << "created on a read-only file system";
    } catch (const IoError& e) {
        EXPECT_STREQ(e.what(), "File access denied");
    }
    EXPECT_TRUE(fs::is_empty(dir.file("ro")));
}

TEST(Environment, AnImmutableFileRefusesEveryChange) {
    TempDir dir;
    const auto path = dir.file("jotanor1.mem");
    test::writeMemos(path, memos(10));
    if (!setImmutable(path, true)) GTEST_SKIP() << "cannot make a file immutable here";
    struct Undo {
        fs::path p;
        ~Undo() { setImmutable(p, false); }
    } undo{path};
    expectEveryChangeRefused(path, "File access denied");
}

TEST(Environment, AWriteProtectedBackupIsRefusedNotReplaced) {
    // The folder may be written, so only the file's own protection stands
    // between the new copy and the old one.
    TempDir dir;
    const auto memo = dir.file("jotanor1.mem");
    const auto backup = dir.file("backup.mem");
    test::writeMemos(memo, memos(10));
    test::writeMemos(backup, memos(3));
    const auto before = test::readBytes(backup);
    fs::permissions(backup, fs::perms::owner_read | fs::perms::group_read);
    WithoutPermissionOverride user;
    if (!user.ok() && ::geteuid() == 0) GTEST_SKIP() << "cannot drop the permission override";
    try {
        backupCopy(nativeFileSystem(), memo, backup);
        ADD_FAILURE() << "an immutable backup was replaced";
    } catch (const IoError& e) {
        EXPECT_STREQ(e.what(), "File access denied");
    }
    EXPECT_EQ(test::readBytes(backup), before);
}

TEST(Environment, AFileTheUserMayNotWriteRefusesEveryChange) {
    TempDir dir;
    const auto path = dir.file("jotanor1.mem");
    test::writeMemos(path, memos(10));
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read);
    WithoutPermissionOverride user;
    if (!user.ok() && ::geteuid() == 0) GTEST_SKIP() << "cannot drop the permission override";
    expectEveryChangeRefused(path, "File access denied");
    EXPECT_FALSE(MemoFile(nativeFileSystem(), path).canOpen());
}

TEST(Environment, AFolderTheUserMayNotWriteRefusesEveryChange) {
    // The file itself is writable: the new image beside it is what fails.
    TempDir dir;
    fs::create_directory(dir.file("map"));
    const auto path = dir.file("map") / "jotanor1.mem";
    test::writeMemos(path, memos(10));
    fs::permissions(dir.file("map"), fs::perms::owner_read | fs::perms::owner_exec);
    struct Undo {
        fs::path p;
        ~Undo() { fs::permissions(p, fs::perms::owner_all); }
    } undo{dir.file("map")};
    WithoutPermissionOverride user;
    if (!user.ok() && ::geteuid() == 0) GTEST_SKIP() << "cannot drop the permission override";
    expectEveryChangeRefused(path, "File access denied");
}

TEST(Environment, AFolderInPlaceOfTheMemoFileIsRefusedAndKept) {
    TempDir dir;
    const auto path = dir.file("jotanor1.mem");
    fs::create_directory(path);
    test::writeBytes(path / "binnen", {1, 2, 3});
    MemoFile file(nativeFileSystem(), path);
    EXPECT_FALSE(file.canOpen());
    // A folder opened as a file is refused as the home platform does it.
    expectEveryUseRefused(file, "File access denied");
    ASSERT_TRUE(fs::is_directory(path));
    EXPECT_EQ(test::readBytes(path / "binnen"), (std::vector<unsigned char>{1, 2, 3}));
}

// A FIFO or a device where the memo file belongs is refused at once: no
// open waits for a writer, and nothing is written into a device.
TEST(Environment, SpecialFilesInPlaceOfTheMemoFileAreRefusedAtOnce) {
    TempDir dir;
    const auto fifo = dir.file("jotanor1.mem");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const fs::path& path : {fifo, fs::path("/dev/null")}) {
        SCOPED_TRACE(path);
        MemoFile file(nativeFileSystem(), path);
        EXPECT_FALSE(file.canOpen());
        expectEveryUseRefused(file, "File access denied");
    }
    EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST(Environment, AFolderThatIsGoneIsReportedAsNotFound) {
    TempDir dir;
    const auto path = dir.file("weg") / "jotanor1.mem";
    MemoFile file(nativeFileSystem(), path);
    EXPECT_FALSE(file.canOpen());
    for (const auto& c : changes()) {
        SCOPED_TRACE(c.name);
        try {
            c.run(file);
            ADD_FAILURE() << "the change was made";
        } catch (const IoError& e) {
            EXPECT_STREQ(e.what(), "File not found");
        }
    }
    EXPECT_THROW(file.create(), IoError);
    EXPECT_FALSE(fs::exists(dir.file("weg")));
}

struct Identity {
    ino_t inode;
    mode_t mode;
    uid_t owner;
    gid_t group;
    bool operator==(const Identity&) const = default;
};

Identity identityOf(const fs::path& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return {st.st_ino, st.st_mode, st.st_uid, st.st_gid};
}

// A diary kept elsewhere and linked, with a hard link beside it, shared with
// a group and (when the test may) owned by another user: every change goes
// into the real file, which keeps its inode, mode, owner and group.
TEST(Environment, EveryChangeKeepsTheMemoFilesIdentityAndLinks) {
    TempDir dir;
    const auto real = dir.file("gedeeld") / "dagboek.mem";
    fs::create_directory(dir.file("gedeeld"));
    test::writeMemos(real, memos(10));
    ASSERT_EQ(::chmod(real.c_str(), 0664), 0);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(real.c_str(), 4321, 4321), 0);
    }
    const auto link = dir.file("jotanor1.mem");
    fs::create_symlink(real, link);
    fs::create_hard_link(real, dir.file("gedeeld") / "ook.mem");
    const Identity before = identityOf(real);

    MemoFile file(nativeFileSystem(), link);
    for (const auto& c : changes()) {
        SCOPED_TRACE(c.name);
        const auto old = test::readBytes(real);
        c.run(file);
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_NE(test::readBytes(real), old);
        EXPECT_EQ(test::readBytes(dir.file("gedeeld") / "ook.mem"), test::readBytes(real));
        EXPECT_EQ(identityOf(real), before);
        EXPECT_FALSE(fs::exists(journalPath(real)));
        EXPECT_FALSE(fs::exists(journalPath(link)));
    }
}

// The backup place and the settings are files that are replaced whole: the
// new file takes the mode and owner of the one it replaces, and a backup
// place that is a link (to a stick, say) stays a link whose target gets
// the copy.
TEST(Environment, BackupAndSettingsKeepTheirModeOwnerAndLinks) {
    TempDir dir;
    const auto memo = dir.file("jotanor1.mem");
    test::writeMemos(memo, memos(3));
    fs::create_directory(dir.file("stick"));
    const auto target = dir.file("stick") / "reserve.mem";
    test::writeMemos(target, memos(1));
    const auto config = dir.file(kConfigFileName);
    test::writeBytes(config, {'x'});
    for (const auto& p : {target, config}) {
        ASSERT_EQ(::chmod(p.c_str(), 0640), 0);
        if (::geteuid() == 0) {
            ASSERT_EQ(::chown(p.c_str(), 4321, 4321), 0);
        }
    }
    const Identity targetBefore = identityOf(target);
    const Identity configBefore = identityOf(config);
    const auto place = dir.file("C:\\jotanor1.mem");
    fs::create_symlink(target, place);

    EXPECT_EQ(backupCopy(nativeFileSystem(), memo, place), BackupResult::Copied);
    EXPECT_TRUE(fs::is_symlink(place));
    EXPECT_EQ(test::readBytes(target), test::readBytes(memo));
    EXPECT_TRUE(saveConfig(nativeFileSystem(), config, Settings{}));
    for (const auto& [p, was] : {std::pair{target, targetBefore}, std::pair{config, configBefore}}) {
        const Identity now = identityOf(p);
        EXPECT_EQ(now.mode, was.mode) << p;
        EXPECT_EQ(now.owner, was.owner) << p;
        EXPECT_EQ(now.group, was.group) << p;
    }
    // A file the program makes is its owner's alone.
    fs::remove(config);
    EXPECT_TRUE(saveConfig(nativeFileSystem(), config, Settings{}));
    EXPECT_EQ(identityOf(config).mode & 0777, 0600u);
}

// Links planted under the names of the journal and of the pending backup
// and settings files, pointing at a file outside: that file stays as it is.
// The backup and settings go where they belong; a link in the journal's
// place is not this program's journal, so it is left, and changes are
// refused with what to do until it is gone.
TEST(Environment, NothingIsWrittenThroughAPlantedLink) {
    TempDir dir;
    const auto outside = dir.file("buiten");
    const std::vector<unsigned char> untouched(500, 'b');
    test::writeBytes(outside, untouched);
    const auto memo = dir.file("jotanor1.mem");
    test::writeMemos(memo, memos(4));
    const auto place = dir.file("C:\\jotanor1.mem");
    const auto config = dir.file(kConfigFileName);
    for (const auto& name : {journalPath(memo), pendingPath(nativeFileSystem(), place),
                             pendingPath(nativeFileSystem(), config)})
        fs::create_symlink(outside, name);

    MemoFile file(nativeFileSystem(), memo);
    EXPECT_EQ(file.count(), 4u);
    for (const auto& c : changes()) {
        SCOPED_TRACE(c.name);
        try {
            c.run(file);
            ADD_FAILURE() << "changed";
        } catch (const IoError& e) {
            EXPECT_NE(e.reason().find("verwijderen"), std::string::npos);
        }
        EXPECT_TRUE(fs::is_symlink(journalPath(memo)));
    }
    EXPECT_EQ(backupCopy(nativeFileSystem(), memo, place), BackupResult::Copied);
    EXPECT_TRUE(saveConfig(nativeFileSystem(), config, Settings{}));
    EXPECT_EQ(test::readBytes(outside), untouched);
    EXPECT_EQ(test::readBytes(place), test::readBytes(memo));
    EXPECT_FALSE(fs::is_symlink(place));
    fs::remove(journalPath(memo));
    EXPECT_NO_THROW(mydata1_opbergen(file, {1.0, "nieuw", ""}));
    EXPECT_EQ(test::readBytes(outside), untouched);
}

// Runs `work` in a child process as `user`; its exit code.
int runAs(uid_t user, const std::function<int()>& work) {
    const pid_t child = ::fork();
    if (child == 0) {
        const bool as = ::setgroups(0, nullptr) == 0 && ::setresgid(user, user, user) == 0 &&
                        ::setresuid(user, user, user) == 0;
        ::_exit(as ? work() : 90);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A store cut short (by root), met next by its owner alice: played back;
// with a journal bob planted in a sticky shared folder: the file is read as
// it is, bob's file left alone, and changes refused naming bob and what to
// do; on a read-only medium: played back in memory, not changed.
TEST(Environment, AChangeCutShortIsMadeWholeForWhoeverOpensNext) {
    if (::geteuid() != 0) GTEST_SKIP() << "other users and mounts need root";
    constexpr uid_t kAlice = 4321;
    for (const std::string scene : {"owner", "planted", "read-only"}) {
        SCOPED_TRACE(scene);
        TempDir dir;
        const auto folder = dir.file("map");
        fs::create_directory(folder);
        const auto path = folder / "jotanor1.mem";
        test::writeBytes(path, bytesOf(memos(6)));
        ASSERT_EQ(::chown(path.c_str(), kAlice, kAlice) + ::chown(folder.c_str(), kAlice, kAlice), 0);
        const auto old = test::cutShort(path);
        const auto halfDone = test::readBytes(path);
        if (scene == "planted") {
            test::writeBytes(journalPath(path), std::vector<unsigned char>(300, 'b'));
            ASSERT_EQ(::chown(journalPath(path).c_str(), kAlice + 1, kAlice + 1), 0);
            ::chmod(journalPath(path).c_str(), 0666);
            ::chmod(folder.c_str(), 01777);
        }
        Mount view(dir.file("ro"), folder.c_str(), nullptr, MS_BIND, nullptr);
        const bool readOnly = scene == "read-only";
        if (readOnly) {
            ASSERT_TRUE(view.remount(MS_BIND | MS_RDONLY));
        }
        const bool playedBack = scene != "planted";
        const int code = runAs(readOnly ? 0 : kAlice, [&] {
            MemoFile file(nativeFileSystem(), (readOnly ? dir.file("ro") : folder) / "jotanor1.mem");
            try {
                if (bytesOf(file.readAll()) != (playedBack ? old : halfDone)) return 1;
                mydata1_opbergen(file, {99999.0, "daarna", ""});
                if (!playedBack) return 4;
            } catch (const IoError& e) {
                // A name it may not use is reported with its owner and what to do.
                const bool named = e.reason().find("4322") != std::string::npos && e.reason().find("verwijderen") != std::string::npos;
                if (readOnly ? e.reason().empty() : playedBack || !named) return 2;
            }
            return file.takeNotices().size() == (playedBack ? 0u : 1u) ? 0 : 3;
        });
        EXPECT_EQ(code, 0);
        // On the read-only medium the file stays as the cut left it; the
        // planted name stays, and so does the file.
        const auto& before = scene == "owner" ? old : halfDone;
        EXPECT_EQ(test::readBytes(path).size(), before.size() + (scene == "owner" ? MemoRecord::kSize : 0));
        EXPECT_EQ(fs::exists(journalPath(path)), scene != "owner");
    }
}


// Who could have written a journal against who may write the file: the
// owner, a member of the file's group, a former member whose account is
// gone (told how to vouch for it), an outsider and root, over the
// modes 0600, 0660 and 0777 (the journal gets the file's bits), in a plain
// and a sticky folder. A journal is played back only when its writers may
// all write the file; one that is not is left as it is. Run as root, each
// row is also played out on disk, opened by the owner.
TEST(Environment, AJournalGivesNoOneMorePowerThanTheFile) {
    constexpr int kOwner = 4321, kMember = 4322, kOutsider = 4323, kGone = 4324;
    // The member is in the file's group; the system's account list need not know it.
    class Members : public test::FaultyFileSystem {
    public:
        bool userMayWrite(std::int64_t user, const FileInfo& f) override {
            return user == 0 || user == f.owner || (f.mode & 0002) ||
                   ((f.mode & 0020) && f.group == kOwner && (user == kOwner || user == kMember));
        }
    };
    struct Writer {
        const char* name;
        int user, group;
    };
    const Writer writers[] = {{"owner", kOwner, kOwner}, {"member", kMember, kOwner},
                              {"outsider", kOutsider, kOutsider}, {"root", 0, kOwner}, {"gone", kGone, kOwner}};
    for (const Writer& w : writers) {
        for (const unsigned mode : {0600u, 0660u, 0777u}) {
            for (const bool sticky : {false, true}) {
                SCOPED_TRACE(std::string(w.name) + " " + std::to_string(mode) + (sticky ? " sticky" : ""));
                const bool trusted = w.user == kOwner || w.user == 0 || mode == 0777 || (w.user == kMember && mode == 0660);
                FileInfo file, journal;
                file.owner = kOwner;
                file.group = kOwner;
                file.mode = mode;
                journal.owner = w.user;
                journal.group = w.group;
                journal.mode = mode & 0666;
                Members members;
                EXPECT_EQ(noMorePowerThanTheFile(journal, file, [&](std::int64_t u) { return members.userMayWrite(u, file); }),
                          trusted);
                if (::geteuid() != 0) continue;

                TempDir dir;
                const auto folder = dir.file("map");
                fs::create_directory(folder);
                ASSERT_EQ(::chmod(folder.c_str(), sticky ? 01777 : 0777), 0);
                const auto path = folder / "jotanor1.mem";
                test::writeBytes(path, bytesOf(memos(6)));
                ASSERT_EQ(::chown(path.c_str(), kOwner, kOwner) + ::chmod(path.c_str(), mode), 0);
                const auto old = test::cutShort(path);
                const auto halfDone = test::readBytes(path);
                const auto journalFile = journalPath(path);
                ASSERT_EQ(::chown(journalFile.c_str(), w.user, w.group) + ::chmod(journalFile.c_str(), mode & 0666), 0);
                const auto journalBytes = test::readBytes(journalFile);
                // Root's journal of 0600 is one the owner may not read.
                const bool readable = w.user == kOwner || (mode & 0060);
                const int code = runAs(kOwner, [&] {
                    Members fs;
                    MemoFile memo(fs, path);
                    try {
                        memo.count();
                    } catch (const IoError& e) {
                        return trusted && !readable && !e.reason().empty() ? 0 : 1;
                    }
                    const auto told = memo.takeNotices();
                    if (w.user == kGone && !trusted &&
                        (told.size() != 1 || told[0].find("geen account") == std::string::npos ||
                         told[0].find("chown") == std::string::npos))
                        return 3;
                    return trusted && !readable ? 2 : 0;
                });
                EXPECT_EQ(code, 0);
                EXPECT_EQ(test::readBytes(path), trusted && readable ? old : halfDone);
                // What is not played back stays as it was; what is, goes where the folder lets the owner.
                const bool gone = trusted && readable && (!sticky || w.user == kOwner);
                EXPECT_EQ(fs::exists(journalFile), !gone);
                if (!gone) {
                    EXPECT_EQ(test::readBytes(journalFile), journalBytes);
                }
                // Given to the owner by the administrator, as the notice says, it is played back.
                if (w.user == kGone && !trusted) {
                    ASSERT_EQ(::chown(journalFile.c_str(), kOwner, kOwner), 0);
                    EXPECT_EQ(runAs(kOwner, [&] { return static_cast<int>(MemoFile(nativeFileSystem(), path).count()); }), 6);
                    EXPECT_EQ(test::readBytes(path), old);
                }
            }
        }
    }
}

bool setAccessList(const fs::path& path, const char* text, acl_type_t type = ACL_TYPE_ACCESS) {
    const acl_t acl = ::acl_from_text(text);
    const bool ok = acl && ::acl_set_file(path.c_str(), type, acl) == 0;
    if (acl) ::acl_free(acl);
    return ok;
}

// Shared diaries as the kernel grants access, with access lists: a change
// cut short by `writer`, met next by `opener`. No one who may not write the
// file can open the journal (so no reader can lock it); a journal of the
// file's writers is played back; others are told of with what is true.
TEST(Environment, SharedDiariesTrustTheirWritersJournalsOnly) {
    if (::geteuid() != 0) GTEST_SKIP() << "other users need root";
    constexpr uid_t kOwner = 4321, kMember = 4322, kOutsider = 4323;
    constexpr gid_t kGroup = 4400;
    struct Case {
        const char* name;
        unsigned folderMode;
        const char* folderDefault;  // the folder's default access list
        unsigned fileMode;
        const char* fileAcl;
        uid_t writer;
        std::function<void(const fs::path&)> after;  // what happens to the file after the cut
        bool playedBack, keptAside;
        const char* told;  // a part of the one notice, or none
    };
    const char* const memberMayWrite = "u::rw-,u:4322:rw-,g::rw-,m::rw-,o::r--";
    const Case cases[] = {
        {"a writer through the access list", 0777, nullptr, 0640, "u::rw-,u:4322:rw-,g::r--,m::rw-,o::---", kMember,
         {}, true, false, nullptr},
        {"a default access list on the folder", 0777, "u::rwx,g::rwx,o::rwx,u:4323:rw-,m::rwx", 0660, nullptr, kOwner,
         {}, true, false, nullptr},
        {"the owner outside the file's group", 0777, nullptr, 0660, nullptr, kOwner, {}, true, false, nullptr},
        {"a reader of the file", 0777, nullptr, 0644, nullptr, kOwner, {}, true, false, nullptr},
        {"a writer's stale journal in a sticky folder", 01777, nullptr, 0664, memberMayWrite, kMember,
         [](const fs::path& p) { test::writeBytes(p, bytesOf(memos(5))); }, false, true, "blijft staan"},
        {"a writer whose right was taken away since", 0777, nullptr, 0664, memberMayWrite, kMember,
         [](const fs::path& p) { ASSERT_TRUE(setAccessList(p, "u::rw-,g::rw-,o::r--")); }, false, false,
         "Verwijder het niet"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const auto folder = dir.file("map");
        fs::create_directory(folder);
        ASSERT_EQ(::chmod(folder.c_str(), c.folderMode), 0);
        const auto path = folder / "jotanor1.mem";
        const auto journal = journalPath(path);
        test::writeBytes(path, bytesOf(memos(6)));
        ASSERT_EQ(::chown(path.c_str(), kOwner, kGroup) + ::chmod(path.c_str(), c.fileMode), 0);
        if ((c.fileAcl && !setAccessList(path, c.fileAcl)) ||
            (c.folderDefault && !setAccessList(folder, c.folderDefault, ACL_TYPE_DEFAULT)))
            GTEST_SKIP() << "no access lists here";
        const auto old = test::readBytes(path);
        ASSERT_EQ(runAs(c.writer, [&] { return test::cutShort(path) == old && fs::exists(journal) ? 0 : 1; }), 0);
        EXPECT_NE(runAs(kOutsider, [&] { return ::open(journal.c_str(), O_RDONLY) >= 0 ? 0 : 1; }), 0);
        if (c.after) c.after(path);
        const auto before = test::readBytes(path);
        const auto journalBytes = test::readBytes(journal);
        const int code = runAs(kOwner, [&] {
            MemoFile file(nativeFileSystem(), path);
            try {
                file.count();
            } catch (const IoError&) {
                return 1;
            }
            const auto notices = file.takeNotices();
            if (!c.told) return notices.empty() ? 0 : 2;
            const bool mislabelled = !notices.empty() && (notices[0].find("geen journaal") != std::string::npos ||
                                                          notices[0].find("leesbaar voor 4322") != std::string::npos);
            return notices.size() == 1 && notices[0].find(c.told) != std::string::npos && !mislabelled ? 0 : 3;
        });
        EXPECT_EQ(code, 0);
        EXPECT_EQ(test::readBytes(path), c.playedBack ? old : before);
        EXPECT_EQ(fs::exists(journal), !c.playedBack);
        if (c.playedBack) continue;
        // What is not played back stays as it was, its owner's; a stale one
        // is copied for the opener alone.
        EXPECT_EQ(test::readBytes(journal), journalBytes);
        struct stat st {};
        EXPECT_EQ(::stat(journal.c_str(), &st) == 0 ? st.st_uid : 0, c.writer);
        const auto kept = fs::path(journal) += ".bewaard";
        EXPECT_EQ(fs::exists(kept), c.keptAside);
        if (c.keptAside) {
            ASSERT_EQ(::stat(kept.c_str(), &st), 0);
            EXPECT_EQ(st.st_uid, kOwner);
            EXPECT_EQ(st.st_mode & 0777, 0600u);
            EXPECT_EQ(test::readBytes(kept), journalBytes);
        } else {
            // Given to the owner, as the notice says, it is played back.
            ASSERT_EQ(::chown(journal.c_str(), kOwner, kGroup), 0);
            EXPECT_EQ(runAs(kOwner, [&] { return static_cast<int>(MemoFile(nativeFileSystem(), path).count()); }), 6);
            EXPECT_EQ(test::readBytes(path), old);
        }
    }
}

// A journal that would be played back were it trusted, planted by a user
// who may not write the diary, while another thread keeps exchanging its
// name with a file of the owner's: whatever the name leads to when it is
// looked at, what is opened is what is judged, and nothing of it reaches
// the file.
TEST(Environment, AJournalIsJudgedAsOpenedNotByItsName) {
    if (::geteuid() != 0) GTEST_SKIP() << "other users need root";
    constexpr uid_t kOwner = 4321, kPlanter = 4322;
    TempDir dir;
    const auto folder = dir.file("groep");
    fs::create_directory(folder);
    ASSERT_EQ(::chown(folder.c_str(), kOwner, kOwner) + ::chmod(folder.c_str(), 02777), 0);
    const auto path = folder / "jotanor1.mem";
    test::writeBytes(path, bytesOf(memos(4)));
    ASSERT_EQ(::chown(path.c_str(), kOwner, kOwner) + ::chmod(path.c_str(), 0644), 0);
    const auto now = test::readBytes(path);
    // What a reader can craft: the file as it is, as the change's new state,
    // with planted bytes as its old state.
    auto planted = now;
    std::copy_n("GEPLANT", 7, planted.begin() + 9);
    const auto seen = nativeFileSystem().info(path, true);
    JournalHeader h;
    h.device = seen->device;
    h.inode = seen->inode;
    h.birth = seen->birth;
    h.length = h.count = planted.size();
    h.newLength = h.own = now.size();
    h.pieces = 1;
    h.prefix = JournalDigest().value();
    std::vector<unsigned char> stored, recipe(16, 0xFF);
    packZeros(planted, stored);
    h.stored = stored.size();
    for (int i = 0; i < 8; ++i) recipe[8 + i] = static_cast<unsigned char>(now.size() >> (8 * i));
    recipe.insert(recipe.end(), now.begin(), now.end());
    h.checksum = journalChecksum(h, stored, recipe);
    auto crafted = encodeJournalHeader(h);
    crafted.insert(crafted.end(), stored.begin(), stored.end());
    crafted.insert(crafted.end(), recipe.begin(), recipe.end());
    const auto journal = journalPath(path);
    const auto owners = folder / "notities";
    test::writeBytes(journal, crafted);
    test::writeBytes(owners, std::vector<unsigned char>(300, 'n'));
    ASSERT_EQ(::chown(journal.c_str(), kPlanter, kPlanter) + ::chmod(journal.c_str(), 0644), 0);
    ASSERT_EQ(::chown(owners.c_str(), kOwner, kOwner), 0);

    std::atomic<bool> stop{false};
    std::thread swapper([&] {
        while (!stop) ::renameat2(AT_FDCWD, journal.c_str(), AT_FDCWD, owners.c_str(), RENAME_EXCHANGE);
    });
    for (int k = 0; k < 2000; ++k) {
        try {
            MemoFile(nativeFileSystem(), path).count();
        } catch (const IoError&) {
        }
    }
    stop = true;
    swapper.join();
    EXPECT_EQ(test::readBytes(path), now);
    // The crafted journal is one that would be played back, were it the owner's.
    if (test::readBytes(owners) == crafted) fs::rename(owners, journal);
    ASSERT_EQ(::chown(journal.c_str(), kOwner, kOwner), 0);
    MemoFile(nativeFileSystem(), path).count();
    EXPECT_EQ(test::readBytes(path), planted);
}

// A FUSE file system (ntfs-3g on an image, a bindfs view) mounted by its
// tool for one test, taken away afterwards; why not, where it cannot be.
class FuseMount {
public:
    FuseMount(const fs::path& at, const std::string& command) : at_(at) {
        fs::create_directories(at);
        const std::string tool = command.substr(0, command.find(' '));
        if (std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) != 0)
            why_ = tool + " is not installed";
        else if (std::system((command + " >/dev/null 2>&1").c_str()) != 0)
            why_ = "cannot mount with " + tool + " here";
    }
    ~FuseMount() {
        if (why_.empty()) ::umount2(at_.c_str(), MNT_DETACH);
    }
    const std::string& why() const { return why_; }

private:
    fs::path at_;
    std::string why_;
};

// On real mounts that keep no birth time, a change killed (SIGKILL) at any
// of its writes is made whole at the next open: the file is the old or the
// new one, and no journal waits.
TEST(Environment, OnFuseMountsAKilledChangeIsMadeWholeAtTheNextOpen) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting needs root";
    for (const std::string kind : {"ntfs-3g", "bindfs"}) {
        SCOPED_TRACE(kind);
        TempDir dir;
        const auto at = dir.file("mnt");
        const auto image = dir.file("ntfs.img");
        fs::create_directory(dir.file("bron"));
        test::writeBytes(image, {});
        fs::resize_file(image, 8u << 20);
        if (kind == "ntfs-3g" && std::system(("mkntfs -F -Q -q " + image.string() + " >/dev/null 2>&1").c_str()) != 0) {
            std::printf("ntfs-3g skipped: mkntfs is missing or failed\n");
            continue;
        }
        FuseMount mount(at, kind == "ntfs-3g" ? "ntfs-3g " + image.string() + " " + at.string()
                                              : "bindfs " + dir.file("bron").string() + " " + at.string());
        if (!mount.why().empty()) {
            std::printf("%s skipped: %s\n", kind.c_str(), mount.why().c_str());
            continue;
        }
        const auto path = at / "jotanor1.mem";
        const auto old = bytesOf(memos(30));
        auto fresh = old;
        const auto added = encodeRecord({1.0, "nieuw", ""});
        fresh.insert(fresh.begin(), added.begin(), added.end());
        int halfDone = 0;
        for (int k = 1; k < 16; ++k) {
            test::writeBytes(path, old);
            const pid_t child = ::fork();
            if (child == 0) {
                test::FaultyFileSystem killed;
                killed.onlyWrites();
                killed.failAt(k, test::Fault::Kill);
                MemoFile file(killed, path);
                mydata1_opbergen(file, {1.0, "nieuw", ""});
                ::_exit(0);
            }
            int status = 0;
            ::waitpid(child, &status, 0);
            const auto cut = test::readBytes(path);
            halfDone += cut != old && cut != fresh;
            MemoFile file(nativeFileSystem(), path);
            EXPECT_EQ(file.count(), bytesOf(file.readAll()).size() / MemoRecord::kSize);
            const auto now = test::readBytes(path);
            EXPECT_TRUE(now == old || now == fresh) << "k=" << k;
            EXPECT_TRUE(file.takeNotices().empty()) << "k=" << k;
            EXPECT_FALSE(fs::exists(journalPath(path))) << "k=" << k;
            if (WIFEXITED(status)) break;  // the change ran to its end
        }
        EXPECT_GT(halfDone, 0) << "no kill left the file half done";
        if (nativeFileSystem().info(path, true)->birth) std::printf("%s keeps birth times here\n", kind.c_str());
    }
}

// The mark on the file names its journal only while the change runs. A
// mark that names something else (a file of the owner's, or a journal of
// another diary a moved diary's mark still names) is never acted on, and it
// is removed at the next change.
TEST(Environment, TheMarkLeadsOnlyToThisFilesJournal) {
    TempDir dir;
    const auto readMark = [](const fs::path& p) { return nativeFileSystem().open(p, OpenMode::ReadOnly)->mark(); };
    const auto setMark = [](const fs::path& p, const fs::path& to) {
        return nativeFileSystem().open(p, OpenMode::ReadWrite)->setMark(to.string());
    };
    fs::create_directory(dir.file("a"));
    fs::create_directory(dir.file("b"));
    const auto diary = dir.file("a") / "jotanor1.mem";
    test::writeMemos(diary, memos(4));
    MemoFile file(nativeFileSystem(), diary);
    mydata1_opbergen(file, {1.0, "nieuw", ""});
    if (!setMark(diary, "/x.journal")) GTEST_SKIP() << "no extended attributes here";
    mydata1_opbergen(file, {2.0, "nieuw", ""});
    EXPECT_FALSE(readMark(diary)) << "left after a change";

    // A file of the owner's whose name ends in .journal.
    const auto owners = dir.file("b") / "notities.journal";
    test::writeBytes(owners, std::vector<unsigned char>(400, 'n'));
    // Another diary's change cut short, its journal named by this diary's mark.
    const auto other = dir.file("b") / "ander.mem";
    test::writeMemos(other, memos(3));
    const auto otherOld = test::cutShort(other);
    const auto otherJournal = test::readBytes(journalPath(other));
    for (const auto& target : {owners, journalPath(other), fs::path("/etc/passwd.journal")}) {
        SCOPED_TRACE(target);
        ASSERT_TRUE(setMark(diary, target));
        const auto before = test::readBytes(diary);
        EXPECT_EQ(file.count(), 6u);
        EXPECT_EQ(test::readBytes(diary), before);
        mydata1_opbergen(file, {3.0, "weer", ""});
        EXPECT_FALSE(readMark(diary));
        EXPECT_EQ(test::readBytes(owners), std::vector<unsigned char>(400, 'n'));
        EXPECT_EQ(test::readBytes(journalPath(other)), otherJournal);
        wisrecord1(file, {{3.0, "weer", ""}, 0});
    }
    EXPECT_EQ(MemoFile(nativeFileSystem(), other).count(), 3u);
    EXPECT_EQ(test::readBytes(other), otherOld);
}

// While a journal waits and its playback cannot be written (the disk full
// at that moment), the memos are still read, as the playback makes them.
TEST(Environment, AJournalThatCannotBePlayedBackNowIsPlayedBackForReading) {
    TempDir dir;
    const auto path = dir.file("jotanor1.mem");
    test::writeMemos(path, memos(5));
    const auto old = test::cutShort(path);
    const auto halfDone = test::readBytes(path);
    const auto journal = test::readBytes(journalPath(path));
    for (int k = 1; k < 12; ++k) {
        test::writeBytes(path, halfDone);
        test::writeBytes(journalPath(path), journal);
        test::FaultyFileSystem full;
        full.onlyWrites();
        full.failAt(k, test::Fault::DiskFull, true);
        try {
            EXPECT_EQ(bytesOf(MemoFile(full, path).readAll()), old) << "k=" << k;
        } catch (const IoError& e) {
            ADD_FAILURE() << "k=" << k << ": " << e.fullText();
        }
    }
    // No failure shows a bare number.
    fs::create_directory(dir.file("vol"));
    fs::create_directory(dir.file("leeg"));
    test::writeBytes(dir.file("vol") / "x", {1});
    try {
        nativeFileSystem().rename(dir.file("leeg"), dir.file("vol"));
        ADD_FAILURE() << "renamed onto a folder that is not empty";
    } catch (const IoError& e) {
        EXPECT_FALSE(e.reason().empty()) << e.fullText();
    }
}

}  // namespace
}  // namespace jotanor
