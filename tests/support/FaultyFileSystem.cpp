#include "support/FaultyFileSystem.h"

#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "diary/MemoCommands.h"
#include "store/Errors.h"
#include "store/Journal.h"
#include "store/MemoFile.h"
#include "support/TempDir.h"

namespace jotanor::test {
namespace {

class FaultyFile final : public File {
public:
    FaultyFile(FaultyFileSystem& fs, std::unique_ptr<File> inner, std::string path)
        : fs_(fs), inner_(std::move(inner)), path_(std::move(path)) {}

    std::uint64_t size() override {
        check(false);
        return inner_->size();
    }
    FileInfo info() override { return fs_.told(inner_->info()); }
    void readAt(std::uint64_t offset, void* data, std::size_t n) override {
        check(false);
        inner_->readAt(offset, data, n);
    }
    void writeAt(std::uint64_t offset, const void* data, std::size_t n) override {
        bool torn = false;
        if (fs_.shouldFail(torn)) {
            if (torn && n > 1) inner_->writeAt(offset, data, n / 2);
            fs_.raise(path_);
        }
        inner_->writeAt(offset, data, n);
    }
    void truncate(std::uint64_t size) override {
        check();
        inner_->truncate(size);
    }
    void sync() override {
        check();
        inner_->sync();
    }
    void syncAll() override {
        check();
        inner_->syncAll();
    }
    bool lock(LockKind kind) override {
        check(false);
        return fs_.locks() && inner_->lock(kind);
    }
    void adoptAccessOf(const std::filesystem::path& like, bool modeToo) override {
        check();
        inner_->adoptAccessOf(like, modeToo);
    }
    void setAccess(std::int64_t group, unsigned mode) override {
        check();
        inner_->setAccess(group, mode);
    }
    std::optional<std::string> mark() override { return fs_.marks() ? inner_->mark() : std::nullopt; }
    bool setMark(const std::optional<std::string>& text) override {
        check();
        return fs_.marks() && inner_->setMark(text);
    }
    void close() override {
        bool torn = false;
        bool fail = fs_.shouldFail(torn, false);
        inner_->close();
        if (fail) fs_.raise(path_);
    }

private:
    void check(bool writing = true) {
        bool torn = false;
        if (fs_.shouldFail(torn, writing)) fs_.raise(path_);
    }

    FaultyFileSystem& fs_;
    std::unique_ptr<File> inner_;
    std::string path_;
};

}  // namespace

bool FaultyFileSystem::shouldFail(bool& torn, bool writing) {
    torn = false;
    if (onlyWrites_ && !writing) return false;
    ++calls_;
    bool fail = failAt_ > 0 && (calls_ == failAt_ || (sticky_ && calls_ > failAt_));
    if (fail) ++failures_;
    torn = fail && fault_ == Fault::TornWrite;
    return fail;
}

void FaultyFileSystem::raise(const std::string& path) const {
    switch (fault_) {
    case Fault::DiskFull:
    case Fault::TornWrite: throw IoError(kDiskFull, path);
    case Fault::AccessDenied: throw IoError(kAccessDenied, path);
    case Fault::IoFailure: throw IoError(1117, path);  // a code without a text of its own
    case Fault::Kill:
#ifdef _WIN32
        std::abort();
#else
        ::kill(::getpid(), SIGKILL);
#endif
    }
    throw IoError(kDiskFull, path);
}

std::unique_ptr<File> FaultyFileSystem::open(const std::filesystem::path& path, OpenMode mode) {
    bool torn = false;
    const bool writing = mode == OpenMode::CreateNew || mode == OpenMode::CreateTruncate || mode == OpenMode::OpenOrCreate;
    if (shouldFail(torn, writing)) raise(path.string());
    auto file = std::make_unique<FaultyFile>(*this, nativeFileSystem().open(path, mode), path.string());
    if (meddle_ && path == meddlePath_ && !meddleOnRemove_) std::exchange(meddle_, {})();
    return file;
}

std::unique_ptr<File> FaultyFileSystem::createPrivate(const std::filesystem::path& path, const FileInfo& like) {
    bool torn = false;
    if (shouldFail(torn)) raise(path.string());
    auto file = std::make_unique<FaultyFile>(*this, nativeFileSystem().createPrivate(path, like), path.string());
    if (meddle_ && path == meddlePath_ && !meddleOnRemove_) std::exchange(meddle_, {})();
    return file;
}

void FaultyFileSystem::rename(const std::filesystem::path& from, const std::filesystem::path& to) {
    bool torn = false;
    if (shouldFail(torn)) raise(to.string());
    nativeFileSystem().rename(from, to);
}

void FaultyFileSystem::syncFolder(const std::filesystem::path& folder) {
    bool torn = false;
    if (shouldFail(torn)) raise(folder.string());
    nativeFileSystem().syncFolder(folder);
}

void FaultyFileSystem::remove(const std::filesystem::path& path) {
    bool torn = false;
    if (shouldFail(torn)) raise(path.string());
    if (meddle_ && path == meddlePath_ && meddleOnRemove_) std::exchange(meddle_, {})();
    nativeFileSystem().remove(path);
}

std::vector<unsigned char> cutShort(const std::filesystem::path& path, double date, bool births) {
    const auto before = readBytes(path);
    for (int k = 1; k < 200; ++k) {
        writeBytes(path, before);
        FaultyFileSystem faulty;
        if (!births) faulty.withoutBirthTime();
        faulty.failAt(k, Fault::TornWrite, true);
        try {
            MemoFile file(faulty, path);
            mydata1_opbergen(file, MemoRecord{date, "onderbroken", ""});
        } catch (const IoError&) {
        }
        if (std::filesystem::exists(journalPath(path)) && readBytes(path) != before) return before;
    }
    ADD_FAILURE() << "no change was cut short half way";
    return before;
}

}  // namespace jotanor::test
