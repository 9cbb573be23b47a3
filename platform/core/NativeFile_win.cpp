// The unbuffered native file layer for Windows (Win32 file handles).
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "store/Errors.h"
#include "store/FileIO.h"

namespace jotanor {
namespace {

int codeForError(DWORD e) {
    switch (e) {
    case ERROR_FILE_NOT_FOUND: return kFileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_DIRECTORY:
    case ERROR_FILENAME_EXCED_RANGE: return kInvalidFilename;
    case ERROR_TOO_MANY_OPEN_FILES: return kTooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: return kAccessDenied;
    case ERROR_HANDLE_EOF: return kReadBeyondEnd;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return kDiskFull;
    default: return static_cast<int>(e);
    }
}

[[noreturn]] void fail(const std::filesystem::path& path, DWORD e) {
    const int code = codeForError(e);
    if (IoError::hasStandardText(code)) throw IoError(code, path);
    std::string reason;
    switch (code) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: reason = "Die naam is al in gebruik."; break;
    case ERROR_NETNAME_DELETED:
    case ERROR_BAD_NETPATH:
    case ERROR_UNEXP_NET_ERR:
        reason = "De verbinding met de plaats van het bestand is verbroken; verbind opnieuw en probeer het nog eens.";
        break;
    case ERROR_CRC:
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
    case ERROR_GEN_FAILURE: reason = "Het apparaat kon niet lezen of schrijven; controleer de schijf of de stick."; break;
    default: reason = "Windows meldt een fout die dit programma niet kent."; break;
    }
    throw IoError(code, path, reason);
}

// Wine shows a Linux file's time of last change as its creation time, so
// there the creation time moves with every write and cannot tie a journal to
// its file. The file index (the Linux inode) then stands alone, as it did
// before birth times were compared.
bool creationTimeMoves() {
    static const bool wine =
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

// Windows files carry no owner or permission bits the program looks at.
FileInfo infoOf(const BY_HANDLE_FILE_INFORMATION& i) {
    FileInfo info;
    info.device = i.dwVolumeSerialNumber;
    info.inode = (static_cast<std::uint64_t>(i.nFileIndexHigh) << 32) | i.nFileIndexLow;
    info.size = (static_cast<std::uint64_t>(i.nFileSizeHigh) << 32) | i.nFileSizeLow;
    info.links = i.nNumberOfLinks;
    info.birth = creationTimeMoves()
                     ? 1
                     : (static_cast<std::uint64_t>(i.ftCreationTime.dwHighDateTime) << 32) | i.ftCreationTime.dwLowDateTime;
    info.regular = !(i.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
    return info;
}

OVERLAPPED at(std::uint64_t offset) {
    OVERLAPPED ov{};
    ov.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    ov.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return ov;
}

// Large transfers go in pieces that a DWORD can count.
constexpr std::size_t kMaxPiece = 1u << 30;

class WinFile final : public File {
public:
    WinFile(HANDLE h, std::filesystem::path path) : h_(h), path_(std::move(path)) {}
    ~WinFile() override {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }

    std::uint64_t size() override {
        LARGE_INTEGER s{};
        if (!GetFileSizeEx(h_, &s)) fail(path_, GetLastError());
        return static_cast<std::uint64_t>(s.QuadPart);
    }

    FileInfo info() override {
        BY_HANDLE_FILE_INFORMATION i{};
        if (!GetFileInformationByHandle(h_, &i)) fail(path_, GetLastError());
        return infoOf(i);
    }

    void readAt(std::uint64_t offset, void* data, std::size_t n) override {
        auto* p = static_cast<char*>(data);
        while (n > 0) {
            DWORD want = static_cast<DWORD>(std::min(n, kMaxPiece));
            DWORD got = 0;
            OVERLAPPED ov = at(offset);
            if (!ReadFile(h_, p, want, &got, &ov)) {
                DWORD e = GetLastError();
                if (e == ERROR_HANDLE_EOF) throw IoError(kReadBeyondEnd, path_);
                fail(path_, e);
            }
            if (got == 0) throw IoError(kReadBeyondEnd, path_);
            p += got;
            n -= got;
            offset += got;
        }
    }

    void writeAt(std::uint64_t offset, const void* data, std::size_t n) override {
        const auto* p = static_cast<const char*>(data);
        while (n > 0) {
            DWORD want = static_cast<DWORD>(std::min(n, kMaxPiece));
            DWORD put = 0;
            OVERLAPPED ov = at(offset);
            if (!WriteFile(h_, p, want, &put, &ov)) fail(path_, GetLastError());
            if (put == 0) throw IoError(kDiskFull, path_);
            p += put;
            n -= put;
            offset += put;
        }
    }

    void truncate(std::uint64_t size) override {
        LARGE_INTEGER s{};
        s.QuadPart = static_cast<LONGLONG>(size);
        if (!SetFilePointerEx(h_, s, nullptr, FILE_BEGIN) || !SetEndOfFile(h_)) fail(path_, GetLastError());
    }

    void sync() override {
        if (!FlushFileBuffers(h_)) fail(path_, GetLastError());
    }

    bool lock(LockKind kind) override {
        // Windows locks are mandatory: the lock covers one byte far beyond
        // any record, so that it only keeps other copies of the program out.
        // A lock of the other kind is let go first, as flock would convert it.
        if (locked_) {
            OVERLAPPED ov = at(kLockByte);
            UnlockFileEx(h_, 0, 1, 0, &ov);
            locked_ = false;
        }
        const DWORD flags = (kind == LockKind::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0) | LOCKFILE_FAIL_IMMEDIATELY;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (;;) {
            OVERLAPPED ov = at(kLockByte);
            if (LockFileEx(h_, flags, 0, 1, 0, &ov)) break;
            const DWORD e = GetLastError();
            if (e == ERROR_NOT_SUPPORTED || e == ERROR_INVALID_FUNCTION) return false;
            if (e != ERROR_LOCK_VIOLATION && e != ERROR_IO_PENDING) fail(path_, e);
            if (std::chrono::steady_clock::now() >= deadline) throw IoError(kAccessDenied, path_);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        locked_ = true;
        return true;
    }

    // Permissions follow the folder's inheritance on Windows.
    void adoptAccessOf(const std::filesystem::path&, bool) override {}

    void close() override {
        if (h_ == INVALID_HANDLE_VALUE) return;
        HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        if (!CloseHandle(h)) fail(path_, GetLastError());
    }

private:
    static constexpr std::uint64_t kLockByte = 0x7FFFFFFF00000000ull;
    HANDLE h_;
    std::filesystem::path path_;
    bool locked_ = false;
};

class WinFileSystem final : public FileSystem {
public:
    std::unique_ptr<File> open(const std::filesystem::path& path, OpenMode mode) override {
        if (path.empty()) throw IoError(kFileNotFound, path);
        DWORD access = GENERIC_READ;
        DWORD disposition = OPEN_EXISTING;
        switch (mode) {
        case OpenMode::ReadOnly: break;
        case OpenMode::ReadWrite: access |= GENERIC_WRITE; break;
        case OpenMode::CreateTruncate:
            access |= GENERIC_WRITE;
            disposition = CREATE_ALWAYS;
            break;
        case OpenMode::OpenOrCreate:
            access |= GENERIC_WRITE;
            disposition = OPEN_ALWAYS;
            break;
        case OpenMode::CreateNew:
            access |= GENERIC_WRITE;
            disposition = CREATE_NEW;
            break;
        case OpenMode::OwnReadWrite: access |= GENERIC_WRITE; break;
        case OpenMode::OwnReadOnly: break;
        }
        // A link under the name of a file of the program's own is opened
        // as the link itself, and then refused below.
        const bool own = mode == OpenMode::CreateNew || mode == OpenMode::OwnReadWrite || mode == OpenMode::OwnReadOnly;
        HANDLE h = CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               disposition, FILE_ATTRIBUTE_NORMAL | (own ? FILE_FLAG_OPEN_REPARSE_POINT : 0), nullptr);
        if (h == INVALID_HANDLE_VALUE) fail(path, GetLastError());
        // Only a plain disk file holds records: no device, pipe or link.
        FILE_ATTRIBUTE_TAG_INFO tag{};
        const bool link = GetFileInformationByHandleEx(h, FileAttributeTagInfo, &tag, sizeof tag) &&
                          (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
        if (GetFileType(h) != FILE_TYPE_DISK || link) {
            CloseHandle(h);
            throw IoError(kAccessDenied, path);
        }
        return std::make_unique<WinFile>(h, path);
    }

    void rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
        if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            fail(to, GetLastError());
    }


    void remove(const std::filesystem::path& path) override {
        if (DeleteFileW(path.c_str())) return;
        DWORD e = GetLastError();
        // A file made read-only (a copy tool does that) is removed as on
        // POSIX, where only the folder's permission counts.
        if (e == ERROR_ACCESS_DENIED && SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL)) {
            if (DeleteFileW(path.c_str())) return;
            e = GetLastError();
        }
        if (e != ERROR_FILE_NOT_FOUND) fail(path, e);
    }

    bool exists(const std::filesystem::path& path) override {
        return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    std::optional<FileInfo> info(const std::filesystem::path& path, bool follow) override {
        const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
        HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, flags, nullptr);
        if (h == INVALID_HANDLE_VALUE) return std::nullopt;
        BY_HANDLE_FILE_INFORMATION i{};
        const bool ok = GetFileInformationByHandle(h, &i);
        CloseHandle(h);
        if (!ok) return std::nullopt;
        return infoOf(i);
    }

    std::filesystem::path resolve(const std::filesystem::path& path) override {
        std::error_code ec;
        auto full = std::filesystem::weakly_canonical(path, ec);
        return ec ? std::filesystem::absolute(path, ec) : full;
    }

    // Renames with MOVEFILE_WRITE_THROUGH are durable; a folder has no sync of its own.
    void syncFolder(const std::filesystem::path&) override {}
};

}  // namespace

FileSystem& nativeFileSystem() {
    static WinFileSystem fs;
    return fs;
}

void setWorkingFolder(const std::filesystem::path& folder) {
    if (!SetCurrentDirectoryW(folder.c_str())) fail(folder, GetLastError());
}

}  // namespace jotanor
