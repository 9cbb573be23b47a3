// The small file interface through which the memo file, its journal, the
// backup and the configuration file are read and written. The native
// implementation is unbuffered (every call reaches the system and its result
// is checked); test implementations can make any call fail, or record the
// calls to replay them as a disk would after a power cut.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace jotanor {

enum class OpenMode {
    ReadOnly,        // existing file, read only
    ReadWrite,       // existing file, read and write
    CreateTruncate,  // create, or empty an existing file; read and write
    OpenOrCreate,    // create when missing, keep an existing file as it is; read and write
    // A fresh file of the program's own: fails when anything, a link
    // included, already has the name. Read and write.
    CreateNew,
    // An existing file of the program's own: a link under its name is
    // refused, never followed. Read and write.
    OwnReadWrite,
    // The same for reading only.
    OwnReadOnly,
};

// A named user's or group's entry in a file's access list; `perms` as the
// owner's bits: 4 read, 2 write, 1 execute.
struct AccessEntry {
    bool group = false;
    std::int64_t id = -1;
    unsigned perms = 0;
    bool operator==(const AccessEntry&) const = default;
};

// What the system tells of a file. Owners and modes are -1 and 0 on systems
// without them.
struct FileInfo {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    // When the file was made (birth time in nanoseconds, or the file
    // system's generation number): tells apart two files that got the same
    // inode number one after the other. 0 where the file system keeps neither.
    std::uint64_t birth = 0;
    std::uint64_t size = 0;
    std::uint64_t links = 1;
    std::int64_t owner = -1;
    std::int64_t group = -1;
    unsigned mode = 0;  // permission bits; with an access list, the group bits are its mask
    // An access list beyond the mode (told by File::info()): the owning
    // group's own bits and the named entries.
    bool extended = false;
    unsigned groupOwn = 0;
    std::vector<AccessEntry> named;
    bool regular = true;
    bool sameFile(const FileInfo& other) const {
        return device == other.device && inode == other.inode && birth == other.birth;
    }
};

// Write access as the kernel grants it, from the bits and the access list:
// to the owning group's members, to others, and through the entries that
// name `group` (the owning group's or a named one).
inline bool owningGroupWrites(const FileInfo& f) {
    return f.extended ? (f.groupOwn & f.mode >> 3 & 2) != 0 : (f.mode & 0020) != 0;
}
inline bool othersWrite(const FileInfo& f) { return (f.mode & 0002) != 0; }
inline bool groupEntriesWrite(const FileInfo& f, std::int64_t group) {
    if (group == f.group && owningGroupWrites(f)) return true;
    for (const AccessEntry& e : f.named)
        if (e.group && e.id == group && (e.perms & f.mode >> 3 & 2)) return true;
    return false;
}

// Shared: for reading; exclusive: for changing. Other processes honour it.
enum class LockKind { Shared, Exclusive };

// All failures throw IoError with the standard code of the failure. Only
// regular files open: a FIFO, device or folder is refused as access denied
// without waiting.
class File {
public:
    virtual ~File() = default;
    virtual std::uint64_t size() = 0;
    virtual FileInfo info() = 0;
    // Reads exactly n bytes at offset; fewer bytes available: kReadBeyondEnd.
    virtual void readAt(std::uint64_t offset, void* data, std::size_t n) = 0;
    // Writes all n bytes at offset, extending the file when needed.
    virtual void writeAt(std::uint64_t offset, const void* data, std::size_t n) = 0;
    virtual void truncate(std::uint64_t size) = 0;
    virtual void sync() = 0;
    // Makes durable what sync() may leave for later too: the mark.
    virtual void syncAll() { sync(); }
    // Waits until the lock is granted (a lock another process keeps too long
    // is reported as access denied). A lock of the other kind held through
    // this file is converted; closing the file releases it, as does the
    // system when the process ends. False, and no lock, where the file
    // system has no locks.
    virtual bool lock(LockKind kind) = 0;
    // Gives this file the permission bits and owner of the file at `like`
    // (links followed), as far as the system lets the process; `modeToo`
    // false gives only the owner. Steps the file system cannot take are
    // skipped.
    virtual void adoptAccessOf(const std::filesystem::path& like, bool modeToo = true) = 0;
    // Gives this file the group `group` (where the process may) and the
    // permission bits `mode`; steps the file system cannot take are skipped.
    virtual void setAccess(std::int64_t /*group*/, unsigned /*mode*/) {}
    // A short text kept with the file itself (not with one of its names),
    // read by every name; nothing where the file system cannot keep one.
    virtual std::optional<std::string> mark() { return std::nullopt; }
    // Sets the mark, or with nothing removes it; syncAll() makes that
    // durable. False where the file system cannot keep one.
    virtual bool setMark(const std::optional<std::string>&) { return false; }
    // Closing twice is harmless; a destructor closes silently.
    virtual void close() = 0;

    // The whole file, read into memory.
    std::vector<unsigned char> readAll() {
        std::vector<unsigned char> bytes(static_cast<std::size_t>(size()));
        if (!bytes.empty()) readAt(0, bytes.data(), bytes.size());
        return bytes;
    }
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Files the program creates are readable and writable by their owner only.
    virtual std::unique_ptr<File> open(const std::filesystem::path& path, OpenMode mode) = 0;
    // A fresh file at `path`, locked exclusively, that exactly those who may
    // write `like` may read and write, and no one can open before that
    // holds: made without a name where the system can, else at 0600, given
    // its access, then named. Fails as CreateNew does when the name is taken.
    virtual std::unique_ptr<File> createPrivate(const std::filesystem::path& path, const FileInfo& /*like*/) {
        auto file = open(path, OpenMode::CreateNew);
        file->lock(LockKind::Exclusive);
        return file;
    }
    // Replaces `to` by `from` in one step (used to write a file safely).
    virtual void rename(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
    // Removes the name; a link is removed, never what it points to.
    virtual void remove(const std::filesystem::path& path) = 0;
    // Whether anything, a link included, has the name.
    virtual bool exists(const std::filesystem::path& path) = 0;
    // What the name leads to (`follow`: links followed); nothing when it
    // leads nowhere.
    virtual std::optional<FileInfo> info(const std::filesystem::path& path, bool follow) = 0;
    // The user running the program (-1 where there are no owners), and
    // whether `user` may write a file like `file` (its access list too).
    virtual std::int64_t currentUser() { return -1; }
    virtual bool userMayWrite(std::int64_t /*user*/, const FileInfo& /*file*/) { return true; }
    // The name of the account `user`, or its number where it has none.
    virtual std::string userName(std::int64_t user) { return std::to_string(user); }
    // The path with every link resolved, made absolute; for a name that does
    // not exist, its folder resolved and the name kept.
    virtual std::filesystem::path resolve(const std::filesystem::path& path) = 0;
    // Makes the names in `folder` (created, renamed, removed) survive a power
    // cut. Systems without such a call do nothing.
    virtual void syncFolder(const std::filesystem::path& folder) = 0;
};

// The system's own file system.
FileSystem& nativeFileSystem();

// Makes `folder` the working folder; raises IoError when it cannot.
void setWorkingFolder(const std::filesystem::path& folder);

}  // namespace jotanor
