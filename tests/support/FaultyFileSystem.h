// A file system that passes every call to the native one, counts the calls,
// and makes a chosen call fail: once, or from that call on.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "store/FileIO.h"

namespace jotanor::test {

// Kill: the process is killed (SIGKILL) instead of the call being made.
enum class Fault { DiskFull, AccessDenied, IoFailure, TornWrite, Kill };

class FaultyFileSystem : public FileSystem {
public:
    // Fail call number `k` (1-based); `sticky` makes every later call fail too.
    void failAt(int k, Fault fault, bool sticky = false) {
        failAt_ = k;
        fault_ = fault;
        sticky_ = sticky;
    }
    void reset() {
        calls_ = 0;
        failAt_ = 0;
        failures_ = 0;
    }
    // Runs `meddle` once, right after `path` is opened for writing, as
    // another program heedless of the lock would.
    void onOpen(std::filesystem::path path, std::function<void()> meddle) {
        meddlePath_ = std::move(path);
        meddle_ = std::move(meddle);
    }
    // The same right before `path` is removed.
    void onRemove(std::filesystem::path path, std::function<void()> meddle) {
        onOpen(std::move(path), std::move(meddle));
        meddleOnRemove_ = true;
    }
    // Files as on a file system without locks, marks, or birth times.
    void withoutLocks() { locks_ = false; }
    void withoutMarks() { marks_ = false; }
    void withoutBirthTime() { births_ = false; }
    // Counts, and fails, only the calls that write (as a full disk does).
    void onlyWrites() { onlyWrites_ = true; }
    bool locks() const { return locks_; }
    bool marks() const { return marks_; }
    FileInfo told(FileInfo info) const {
        if (!births_) info.birth = 0;
        return info;
    }
    int calls() const { return calls_; }
    int failures() const { return failures_; }

    std::unique_ptr<File> open(const std::filesystem::path& path, OpenMode mode) override;
    std::unique_ptr<File> createPrivate(const std::filesystem::path& path, const FileInfo& like) override;
    void rename(const std::filesystem::path& from, const std::filesystem::path& to) override;
    void remove(const std::filesystem::path& path) override;
    bool exists(const std::filesystem::path& path) override { return nativeFileSystem().exists(path); }
    std::optional<FileInfo> info(const std::filesystem::path& path, bool follow) override {
        auto info = nativeFileSystem().info(path, follow);
        if (info) info = told(*info);
        return info;
    }
    std::int64_t currentUser() override { return nativeFileSystem().currentUser(); }
    bool userMayWrite(std::int64_t user, const FileInfo& file) override {
        return nativeFileSystem().userMayWrite(user, file);
    }
    std::string userName(std::int64_t user) override { return nativeFileSystem().userName(user); }
    std::filesystem::path resolve(const std::filesystem::path& path) override {
        return nativeFileSystem().resolve(path);
    }
    void syncFolder(const std::filesystem::path& folder) override;

    // Called by the files it hands out, before each call. Returns true when
    // this call must fail; `torn` tells a write to write half and then fail.
    bool shouldFail(bool& torn, bool writing = true);
    [[noreturn]] void raise(const std::string& path) const;

private:
    int calls_ = 0;
    int failAt_ = 0;
    int failures_ = 0;
    bool sticky_ = false;
    bool locks_ = true;
    bool marks_ = true;
    bool births_ = true;
    bool meddleOnRemove_ = false;
    bool onlyWrites_ = false;
    std::filesystem::path meddlePath_;
    std::function<void()> meddle_;
    Fault fault_ = Fault::IoFailure;
};

// A store of `memo` into the memo file at `path` cut short half way, as a
// crash leaves it: the journal is there and the file is half done. Gives the
// file as it was before. `births`: as on a file system that keeps birth times.
std::vector<unsigned char> cutShort(const std::filesystem::path& path, double date = 0.5, bool births = true);

}  // namespace jotanor::test
