// The unbuffered native file layer for Windows (Win32 file handles).
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <algorithm>

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
    throw IoError(codeForError(e), path);
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

    void close() override {
        if (h_ == INVALID_HANDLE_VALUE) return;
        HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        if (!CloseHandle(h)) fail(path_, GetLastError());
    }

private:
    HANDLE h_;
    std::filesystem::path path_;
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
        }
        HANDLE h = CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) fail(path, GetLastError());
        return std::make_unique<WinFile>(h, path);
    }

    void rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
        if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            fail(to, GetLastError());
    }

    // Windows has no atomic swap of two names; the caller renames.
    bool exchange(const std::filesystem::path&, const std::filesystem::path&) override { return false; }

    void remove(const std::filesystem::path& path) override {
        if (!DeleteFileW(path.c_str())) {
            DWORD e = GetLastError();
            if (e != ERROR_FILE_NOT_FOUND) fail(path, e);
        }
    }
};

}  // namespace

FileSystem& nativeFileSystem() {
    static WinFileSystem fs;
    return fs;
}

}  // namespace jotanor
