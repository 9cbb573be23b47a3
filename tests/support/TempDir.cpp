#include "support/TempDir.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#ifdef _WIN32
#include <windows.h>
#include <winioctl.h>
#else
#include <unistd.h>
#endif

namespace jotanor::test {

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("jotanor-test-" + std::to_string(rd()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::vector<unsigned char> readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const std::filesystem::path& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void writeMemos(const std::filesystem::path& path, const std::vector<MemoRecord>& memos) {
    std::vector<unsigned char> bytes;
    for (const auto& m : memos) {
        const auto r = encodeRecord(m);
        bytes.insert(bytes.end(), r.begin(), r.end());
    }
    writeBytes(path, bytes);
}

void growSparse(const std::filesystem::path& path, std::uint64_t size) {
#ifdef _WIN32
    const HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("open " + path.string());
    DWORD unused = 0;
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    const bool ok = ::DeviceIoControl(h, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &unused, nullptr) &&
                    ::SetFilePointerEx(h, end, nullptr, FILE_BEGIN) && ::SetEndOfFile(h);
    ::CloseHandle(h);
    if (!ok) throw std::runtime_error("grow " + path.string());
#else
    std::filesystem::resize_file(path, size);
#endif
}

bool runsAsRoot() {
#ifdef _WIN32
    return false;
#else
    return ::geteuid() == 0;
#endif
}

void giveTo(const std::filesystem::path& path, int id) {
#ifdef _WIN32
    (void)path, (void)id;
    throw std::logic_error("no user ids to give a file to");
#else
    if (::chown(path.c_str(), static_cast<uid_t>(id), static_cast<gid_t>(id)) != 0)
        throw std::runtime_error("chown " + path.string());
#endif
}

}  // namespace jotanor::test
