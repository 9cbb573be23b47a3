#include "store/SafeWrite.h"

#include "store/Errors.h"

namespace jotanor {

std::filesystem::path pendingPath(FileSystem& fs, const std::filesystem::path& target) {
    std::filesystem::path p = fs.resolve(target);
    p += ".new";
    return p;
}

PendingFile::PendingFile(FileSystem& fs, const std::filesystem::path& target)
    : fs_(fs), real_(fs.resolve(target)), pending_(pendingPath(fs, target)) {
    try {
        file_ = fs.open(pending_, OpenMode::CreateNew);
    } catch (const IoError&) {
        // Left by a write that was cut short, or planted: only the name
        // goes, never what a link there points to.
        if (!fs.exists(pending_)) throw;
        fs.remove(pending_);
        file_ = fs.open(pending_, OpenMode::CreateNew);
    }
}

PendingFile::~PendingFile() {
    if (committed_) return;
    file_.reset();
    try {
        fs_.remove(pending_);
    } catch (const IoError&) {
        // The pending file is only litter; the error that counts came first.
    }
}

void PendingFile::append(const void* data, std::size_t n) {
    if (n > 0) file_->writeAt(written_, data, n);
    written_ += n;
}

void PendingFile::commit(const void* data, std::size_t n) {
    if (fs_.exists(real_)) file_->adoptAccessOf(real_);
    append(data, n);
    file_->sync();
    file_->close();
    fs_.rename(pending_, real_);
    committed_ = true;
    // The new file is whole and in place; should the folder not sync, a
    // power cut can at worst bring back the old one, which is whole too.
    try {
        fs_.syncFolder(real_.parent_path());
    } catch (const IoError&) {
    }
}

void replaceFile(FileSystem& fs, const std::filesystem::path& target, const void* data, std::size_t n) {
    PendingFile(fs, target).commit(data, n);
}

}  // namespace jotanor
