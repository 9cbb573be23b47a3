#include "support/TempDir.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#ifndef _WIN32
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
