// The unbuffered native file layer for systems with POSIX files.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <acl/libacl.h>
#include <sys/acl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "store/Errors.h"
#include "store/FileIO.h"

namespace jotanor {
namespace {

// Codes of the home platform for a device that fails to write or to read.
// The system's own EIO (5) would read as "File access denied".
constexpr int kWriteFault = 29;
constexpr int kReadFault = 30;

constexpr auto kLockPatience = std::chrono::seconds(10);

int codeForErrno(int e, bool reading = false) {
    switch (e) {
    case EIO: return reading ? kReadFault : kWriteFault;
    case ENOENT: return kFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
    case ELOOP: return kInvalidFilename;
    case EMFILE:
    case ENFILE: return kTooManyOpenFiles;
    case EACCES:
    case EISDIR:  // a folder where a file should be, refused as the home platform does
    case EPERM:
    case EROFS:
    case ETXTBSY: return kAccessDenied;
    case ENOSPC:
    case EFBIG:
    case EDQUOT: return kDiskFull;
    default:
        // Any other code that means something else in the program's numbering.
        switch (e) {
        case kInvalidFilename:
        case kTooManyOpenFiles:
        case kAccessDenied:
        case kReadBeyondEnd:
        case kDiskFull: return kWriteFault;
        default: return e;
        }
    }
}

// Why, in words, for a failure whose code has no text of its own.
std::string reasonFor(int code, int e) {
    if (IoError::hasStandardText(code)) return {};
    switch (code) {
    case kWriteFault: return "Het apparaat kon niet schrijven; controleer de schijf, de stick of de verbinding.";
    case kReadFault: return "Het apparaat kon niet lezen; controleer de schijf, de stick of de verbinding.";
    default: break;
    }
    switch (e) {
    case EEXIST: return "Die naam is al in gebruik.";
    case ENOTCONN:
    case ESTALE:
    case EHOSTDOWN:
    case ETIMEDOUT: return "De verbinding met de plaats van het bestand is verbroken; verbind opnieuw en probeer het nog eens.";
    case EBUSY:
    case EAGAIN: return "Het bestand is bezet; probeer het zo opnieuw.";
    case EXDEV: return "Het bestand kan niet naar een ander bestandssysteem worden verplaatst.";
    case ENOTEMPTY: return "Op die plaats staat een map die niet leeg is.";
    case EMLINK: return "Het bestand of de map heeft te veel namen.";
    case ENOMEM: return "Er is niet genoeg geheugen vrij; sluit andere programma's en probeer het opnieuw.";
    case ENXIO:
    case ENODEV: return "Het apparaat waarop het bestand staat, is er niet meer; sluit het opnieuw aan.";
    // Never the system's English text: the code, after a Dutch sentence.
    default: return "Het systeem weigerde dit (systeemfout " + std::to_string(e) + ").";
    }
}

[[noreturn]] void fail(const std::filesystem::path& path, int e, bool reading = false) {
    if (e == EROFS)
        throw IoError(kAccessDenied, path, "Het bestand staat op een medium dat alleen gelezen kan worden.");
    const int code = codeForErrno(e, reading);
    throw IoError(code, path, reasonFor(code, e));
}

// A file system that lacks a call rather than refusing it.
bool unsupported(int e) { return e == ENOSYS || e == EOPNOTSUPP || e == ENOTSUP || e == ENOLCK || e == EPERM; }

// What the system tells of the file at `path` (relative to `folder`), with
// its birth time where the file system keeps one; false when it leads nowhere.
bool describe(int folder, const char* path, int flags, FileInfo& info) {
    struct statx st {};
    if (::statx(folder, path, flags, STATX_BASIC_STATS | STATX_BTIME, &st) != 0) return false;
    info.device = (static_cast<std::uint64_t>(st.stx_dev_major) << 32) | st.stx_dev_minor;
    info.inode = st.stx_ino;
    info.birth = (st.stx_mask & STATX_BTIME)
                     ? static_cast<std::uint64_t>(st.stx_btime.tv_sec) * 1000000000u + st.stx_btime.tv_nsec
                     : 0;
    info.size = st.stx_size;
    info.links = st.stx_nlink;
    info.owner = st.stx_uid;
    info.group = st.stx_gid;
    info.mode = st.stx_mode & 07777;
    info.regular = S_ISREG(st.stx_mode);
    return true;
}

// The access list of a file (from acl_get_fd or acl_get_file), where it has
// more than its mode.
void readAccessList(const acl_t acl, FileInfo& info) {
    if (!acl) return;  // a file system without access lists: the mode is all
    acl_entry_t entry;
    for (int which = ACL_FIRST_ENTRY; ::acl_get_entry(acl, which, &entry) == 1; which = ACL_NEXT_ENTRY) {
        acl_tag_t tag;
        acl_permset_t set;
        if (::acl_get_tag_type(entry, &tag) != 0 || ::acl_get_permset(entry, &set) != 0) continue;
        const unsigned perms = (::acl_get_perm(set, ACL_READ) == 1 ? 4u : 0u) |
                               (::acl_get_perm(set, ACL_WRITE) == 1 ? 2u : 0u) |
                               (::acl_get_perm(set, ACL_EXECUTE) == 1 ? 1u : 0u);
        if (tag == ACL_GROUP_OBJ) info.groupOwn = perms;
        if (tag != ACL_USER && tag != ACL_GROUP) continue;
        const void* id = ::acl_get_qualifier(entry);
        if (!id) continue;
        const std::int64_t who = tag == ACL_USER ? std::int64_t{*static_cast<const uid_t*>(id)}
                                                 : std::int64_t{*static_cast<const gid_t*>(id)};
        ::acl_free(const_cast<void*>(id));
        info.named.push_back({tag == ACL_GROUP, who, perms});
    }
    ::acl_free(acl);
    info.extended = !info.named.empty();
    if (!info.extended) info.groupOwn = (info.mode >> 3) & 7;
}

// The access list that lets exactly those who may write `like` read and
// write a file like `self`, and no one else. Writers its owner and group
// entries cannot name (the file's group, where `self` could not get it)
// get named entries.
std::string accessListFor(const FileInfo& like, const FileInfo& self) {
    const bool ownGroup = owningGroupWrites(like) && self.group == like.group;
    std::vector<AccessEntry> writers;
    const auto add = [&](bool group, std::int64_t id) {
        const AccessEntry e{group, id, 6};
        if (id >= 0 && (group ? !(ownGroup && id == self.group) : id != self.owner) &&
            std::find(writers.begin(), writers.end(), e) == writers.end())
            writers.push_back(e);
    };
    if (owningGroupWrites(like)) add(true, like.group);
    add(false, like.owner);
    for (const AccessEntry& e : like.named)
        if (e.perms & like.mode >> 3 & 2) add(e.group, e.id);
    std::string text = std::string("u::rw-,g::") + (ownGroup ? "rw-" : "---") + ",o::" + (othersWrite(like) ? "rw-" : "---");
    for (const AccessEntry& e : writers) text += std::string(e.group ? ",g:" : ",u:") + std::to_string(e.id) + ":rw-";
    if (!writers.empty()) text += ",m::rw-";
    return text;
}

// Where a change in progress names its journal, kept with the file itself.
constexpr const char* kMarkName = "user.jotanor.journal";

class PosixFile final : public File {
public:
    PosixFile(int fd, std::filesystem::path path) : fd_(fd), path_(std::move(path)) {}
    ~PosixFile() override {
        if (fd_ >= 0) ::close(fd_);
    }

    std::uint64_t size() override {
        struct stat st {};
        if (::fstat(fd_, &st) != 0) fail(path_, errno);
        return static_cast<std::uint64_t>(st.st_size);
    }

    FileInfo info() override {
        FileInfo info;
        if (!describe(fd_, "", AT_EMPTY_PATH, info)) fail(path_, errno);
        readAccessList(::acl_get_fd(fd_), info);
        return info;
    }

    void readAt(std::uint64_t offset, void* data, std::size_t n) override {
        auto* p = static_cast<char*>(data);
        while (n > 0) {
            ssize_t got = ::pread(fd_, p, n, static_cast<off_t>(offset));
            if (got < 0) {
                if (errno == EINTR) continue;
                fail(path_, errno, true);
            }
            if (got == 0) throw IoError(kReadBeyondEnd, path_);
            p += got;
            n -= static_cast<std::size_t>(got);
            offset += static_cast<std::uint64_t>(got);
        }
    }

    void writeAt(std::uint64_t offset, const void* data, std::size_t n) override {
        const auto* p = static_cast<const char*>(data);
        while (n > 0) {
            ssize_t put = ::pwrite(fd_, p, n, static_cast<off_t>(offset));
            if (put < 0) {
                if (errno == EINTR) continue;
                fail(path_, errno);
            }
            if (put == 0) throw IoError(kDiskFull, path_);
            p += put;
            n -= static_cast<std::size_t>(put);
            offset += static_cast<std::uint64_t>(put);
        }
    }

    void truncate(std::uint64_t size) override {
        while (::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
            if (errno != EINTR) fail(path_, errno);
        }
    }

    void sync() override {
        // The data and the size; other metadata may follow later.
        if (::fdatasync(fd_) != 0 && errno != EINVAL) fail(path_, errno);
    }

    void syncAll() override {
        if (::fsync(fd_) != 0 && errno != EINVAL) fail(path_, errno);
    }

    bool lock(LockKind kind) override {
        // Another copy holds its lock only while it changes or reads the
        // file; one that keeps it far longer is stuck, and waiting for it
        // would hang this program too.
        // The other copy's change takes milliseconds: look often at first,
        // so that a free moment between its changes is not missed.
        // Two locks: flock, which other copies on this system take, and a
        // record lock over the whole file, which is what programs for Windows
        // under Wine and file servers (SMB, NFS) take and honour. A file
        // system that lacks one of them gets the other; without both, none.
        const int operation = (kind == LockKind::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
        const auto deadline = std::chrono::steady_clock::now() + kLockPatience;
        auto pause = std::chrono::microseconds(50);
        // Each lock is done once it is held, or once the file system turns
        // out to lack it.
        bool flockDone = false, recordDone = false, noFlock = false;
        for (;;) {
            if (!flockDone) {
                if (::flock(fd_, operation) == 0) {
                    flockDone = true;
                } else if (errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOSYS) {
                    flockDone = noFlock = true;
                } else if (errno != EWOULDBLOCK && errno != EINTR) {
                    fail(path_, errno);
                }
            }
            if (flockDone && !recordDone) {
                // An open-file-description lock: it belongs to this file
                // alone, so closing another descriptor of it in this process
                // does not drop it, as it would a process's record lock.
                struct flock range {};
                range.l_type = kind == LockKind::Exclusive ? F_WRLCK : F_RDLCK;
                range.l_whence = SEEK_SET;
                if (::fcntl(fd_, F_OFD_SETLK, &range) == 0) {
                    recordDone = true;
                } else if (errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOSYS || errno == EINVAL) {
                    // EINVAL: a kernel older than these locks.
                    if (noFlock) return false;
                    recordDone = true;
                } else if (errno != EAGAIN && errno != EACCES && errno != EINTR) {
                    fail(path_, errno);
                }
            }
            if (flockDone && recordDone) return true;
            if (std::chrono::steady_clock::now() >= deadline) {
                // Half a lock keeps others out without letting this copy in.
                if (flockDone && !noFlock) ::flock(fd_, LOCK_UN);
                throw IoError(kAccessDenied, path_);
            }
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, std::chrono::microseconds(1000));
        }
    }

    void adoptAccessOf(const std::filesystem::path& like, bool modeToo) override {
        struct stat st {};
        if (::stat(like.c_str(), &st) != 0) return;
        // The owner can only be given by a privileged process; a plain user
        // keeps the file's group where the system refuses it, and where it
        // refuses that too the file keeps its own.
        const bool owned = ::fchown(fd_, st.st_uid, st.st_gid) == 0;
        [[maybe_unused]] const bool grouped = owned || ::fchown(fd_, static_cast<uid_t>(-1), st.st_gid) == 0;
        // A file system without permission bits (FAT) lacks the call or refuses it.
        if (modeToo && ::fchmod(fd_, st.st_mode & 07777) != 0 && !unsupported(errno)) fail(path_, errno);
    }

    void setAccess(std::int64_t group, unsigned mode) override {
        // A user outside the group cannot give it; the file keeps its own.
        [[maybe_unused]] const bool grouped =
            group >= 0 && ::fchown(fd_, static_cast<uid_t>(-1), static_cast<gid_t>(group)) == 0;
        if (::fchmod(fd_, mode & 07777) != 0 && !unsupported(errno)) fail(path_, errno);
    }

    std::optional<std::string> mark() override {
        char text[4096];
        const ssize_t n = ::fgetxattr(fd_, kMarkName, text, sizeof text);
        if (n < 0) return std::nullopt;
        return std::string(text, static_cast<std::size_t>(n));
    }

    bool setMark(const std::optional<std::string>& text) override {
        const int rc = text ? ::fsetxattr(fd_, kMarkName, text->data(), text->size(), 0)
                            : ::fremovexattr(fd_, kMarkName);
        if (rc != 0) {
            if (!text && errno == ENODATA) return true;
            if (unsupported(errno)) return false;
            fail(path_, errno);
        }
        return true;
    }

    void close() override {
        if (fd_ < 0) return;
        int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0 && errno != EINTR) fail(path_, errno);
    }

    int fd() const { return fd_; }

private:
    int fd_;
    std::filesystem::path path_;
};

class PosixFileSystem final : public FileSystem {
public:
    std::unique_ptr<File> open(const std::filesystem::path& path, OpenMode mode) override {
        if (path.empty()) throw IoError(kFileNotFound, path);
        // Without waiting: a FIFO would block the open until a writer came.
        int flags = O_CLOEXEC | O_NONBLOCK;
        switch (mode) {
        case OpenMode::ReadOnly: flags |= O_RDONLY; break;
        case OpenMode::ReadWrite: flags |= O_RDWR; break;
        case OpenMode::CreateTruncate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
        case OpenMode::OpenOrCreate: flags |= O_RDWR | O_CREAT; break;
        case OpenMode::CreateNew: flags |= O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW; break;
        case OpenMode::OwnReadWrite: flags |= O_RDWR | O_NOFOLLOW; break;
        case OpenMode::OwnReadOnly: flags |= O_RDONLY | O_NOFOLLOW; break;
        }
        int fd;
        do {
            fd = ::open(path.c_str(), flags, S_IRUSR | S_IWUSR);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) fail(path, errno);
        // Only a regular file holds records; a folder, FIFO or device where
        // the file should be is refused as the home platform does.
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            throw IoError(kAccessDenied, path);
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        return std::make_unique<PosixFile>(fd, path);
    }

    std::unique_ptr<File> createPrivate(const std::filesystem::path& path, const FileInfo& like) override {
        // Without a name, so no one can open it before its access is set;
        // where the file system cannot, at 0600 (an inherited default
        // access list is masked to nothing by it).
        const std::filesystem::path folder = path.parent_path().empty() ? "." : path.parent_path();
        const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, S_IRUSR | S_IWUSR);
        if (fd < 0) return createNamed(path, like);
        auto file = std::make_unique<PosixFile>(fd, path);
        giveAccess(fd, path, like);
        file->lock(LockKind::Exclusive);
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) != 0 &&
            (errno != ENOENT || ::linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) != 0))
            fail(path, errno);
        return file;
    }

    void rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
        if (::rename(from.c_str(), to.c_str()) != 0) fail(to, errno);
    }

    void remove(const std::filesystem::path& path) override {
        if (::unlink(path.c_str()) != 0 && errno != ENOENT) fail(path, errno);
    }

    bool exists(const std::filesystem::path& path) override {
        struct stat st {};
        return ::lstat(path.c_str(), &st) == 0;
    }

    std::optional<FileInfo> info(const std::filesystem::path& path, bool follow) override {
        FileInfo info;
        if (!describe(AT_FDCWD, path.c_str(), follow ? 0 : AT_SYMLINK_NOFOLLOW, info)) return std::nullopt;
        // The access list too, for what the name leads to (never through a link unless asked).
        if (info.regular) readAccessList(::acl_get_file(path.c_str(), ACL_TYPE_ACCESS), info);
        return info;
    }

    std::int64_t currentUser() override { return ::geteuid(); }

    // The file is named at 0600 first, then given its access.
    std::unique_ptr<File> createNamed(const std::filesystem::path& path, const FileInfo& like) {
        auto file = open(path, OpenMode::CreateNew);
        auto& posix = static_cast<PosixFile&>(*file);
        file->lock(LockKind::Exclusive);
        try {
            giveAccess(posix.fd(), path, like);
        } catch (const IoError&) {
            // Its name goes too, where it still leads to it.
            struct stat mine {}, named {};
            if (::fstat(posix.fd(), &mine) == 0 && ::lstat(path.c_str(), &named) == 0 && mine.st_ino == named.st_ino &&
                mine.st_dev == named.st_dev)
                ::unlink(path.c_str());
            throw;
        }
        return file;
    }

    // The owner and group of `like` where the process may give them, then
    // read and write for exactly who may write `like`.
    static void giveAccess(int fd, const std::filesystem::path& path, const FileInfo& like) {
        if (like.owner < 0) return;
        if (::geteuid() == 0) {
            [[maybe_unused]] const int owned = ::fchown(fd, static_cast<uid_t>(like.owner), static_cast<gid_t>(like.group));
        } else {
            // A user outside the file's group cannot give it; the file keeps its own.
            [[maybe_unused]] const int grouped = ::fchown(fd, static_cast<uid_t>(-1), static_cast<gid_t>(like.group));
        }
        FileInfo self;
        if (!describe(fd, "", AT_EMPTY_PATH, self)) fail(path, errno);
        const std::string text = accessListFor(like, self);
        const acl_t acl = ::acl_from_text(text.c_str());
        const int rc = acl ? ::acl_set_fd(fd, acl) : -1;
        const int e = errno;
        if (acl) ::acl_free(acl);
        if (rc == 0) return;
        if (!unsupported(e) && e != EINVAL) fail(path, e);
        // No access lists: the bits alone, with no group write unless the
        // file got the file's group.
        unsigned mode = 0600 | (othersWrite(like) ? 0006u : 0u);
        if (owningGroupWrites(like) && self.group == like.group) mode |= 0060;
        if (::fchmod(fd, mode) != 0 && !unsupported(errno)) fail(path, errno);
    }

    std::string userName(std::int64_t user) override {
        const struct passwd* pw = user >= 0 ? ::getpwuid(static_cast<uid_t>(user)) : nullptr;
        return pw ? std::string(pw->pw_name) : std::to_string(user);
    }

    // As the kernel checks it: the owner, a named entry, the groups (one
    // that grants write suffices; matching only ones that do not refuses),
    // others.
    bool userMayWrite(std::int64_t user, const FileInfo& file) override {
        if (user == 0 || user == file.owner) return true;
        const unsigned mask = file.mode >> 3;
        for (const AccessEntry& e : file.named)
            if (!e.group && e.id == user) return (e.perms & mask & 2) != 0;
        const auto groups = groupsOf(user);
        bool matched = false;
        for (const gid_t g : groups) {
            const bool entry = std::any_of(file.named.begin(), file.named.end(),
                                           [&](const AccessEntry& e) { return e.group && e.id == g; });
            if (g != file.group && !entry) continue;
            matched = true;
            if (groupEntriesWrite(file, g)) return true;
        }
        return !matched && othersWrite(file);
    }

    // The groups of `user`; none where the system knows no account of it.
    static std::vector<gid_t> groupsOf(std::int64_t user) {
        const struct passwd* pw = ::getpwuid(static_cast<uid_t>(user));
        if (!pw) return {};
        int n = 64;
        std::vector<gid_t> groups(static_cast<std::size_t>(n));
        if (::getgrouplist(pw->pw_name, pw->pw_gid, groups.data(), &n) < 0) {
            groups.resize(static_cast<std::size_t>(n));
            if (::getgrouplist(pw->pw_name, pw->pw_gid, groups.data(), &n) < 0) return {};
        }
        groups.resize(static_cast<std::size_t>(n));
        return groups;
    }

    std::filesystem::path resolve(const std::filesystem::path& path) override {
        std::error_code ec;
        auto full = std::filesystem::canonical(path, ec);
        if (!ec) return full;
        // A name that does not exist (yet), or a link that points nowhere.
        auto folder = std::filesystem::canonical(std::filesystem::absolute(path, ec).parent_path(), ec);
        if (ec) return std::filesystem::absolute(path, ec);
        return folder / path.filename();
    }

    void syncFolder(const std::filesystem::path& folder) override {
        const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) fail(folder, errno);
        const int rc = ::fsync(fd);
        const int e = errno;
        ::close(fd);
        // Some file systems cannot sync a folder; their names are as safe as they get.
        if (rc != 0 && e != EINVAL && e != EROFS) fail(folder, e);
    }
};

}  // namespace

FileSystem& nativeFileSystem() {
    static PosixFileSystem fs;
    return fs;
}

void setWorkingFolder(const std::filesystem::path& folder) {
    if (::chdir(folder.c_str()) != 0) fail(folder, errno);
}

}  // namespace jotanor
