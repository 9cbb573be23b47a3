#include "store/SafeWrite.h"

#include "store/Errors.h"

namespace jotanor {

std::filesystem::path pendingPath(const std::filesystem::path& target) {
    std::filesystem::path p = target;
    p += ".new";
    return p;
}

void replaceFile(FileSystem& fs, const std::filesystem::path& target, const void* data, std::size_t n) {
    const auto pending = pendingPath(target);
    try {
        auto file = fs.open(pending, OpenMode::CreateTruncate);
        if (n > 0) file->writeAt(0, data, n);
        file->sync();
        file->close();
        fs.rename(pending, target);
    } catch (const IoError&) {
        try {
            fs.remove(pending);
        } catch (const IoError&) {
            // The pending file is only litter; the error that counts is the first.
        }
        throw;
    }
}

}  // namespace jotanor
