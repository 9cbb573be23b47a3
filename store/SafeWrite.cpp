#include "store/SafeWrite.h"

#include "store/Errors.h"

namespace jotanor {

std::filesystem::path pendingPath(const std::filesystem::path& target) {
    std::filesystem::path p = target;
    p += ".new";
    return p;
}

void replaceFile(FileSystem& fs, const std::filesystem::path& target, const void* data, std::size_t n) {
    replaceFile(fs, target, {std::span<const unsigned char>(static_cast<const unsigned char*>(data), n)});
}

void replaceFile(FileSystem& fs, const std::filesystem::path& target,
                 const std::vector<std::span<const unsigned char>>& pieces) {
    const auto pending = pendingPath(target);
    try {
        auto file = fs.open(pending, OpenMode::CreateTruncate);
        std::uint64_t at = 0;
        for (auto piece : pieces) {
            if (piece.empty()) continue;
            file->writeAt(at, piece.data(), piece.size());
            at += piece.size();
        }
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
