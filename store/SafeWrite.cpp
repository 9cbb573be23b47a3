#include "store/SafeWrite.h"

#include <memory>

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

std::filesystem::path sparePath(const std::filesystem::path& target) {
    std::filesystem::path name = ".";
    name += target.filename();
    name += ".spare";
    return target.parent_path() / name;
}

void replaceFileKeepingSpare(FileSystem& fs, const std::filesystem::path& target,
                             const std::vector<std::span<const unsigned char>>& pieces) {
    const auto spare = sparePath(target);
    std::unique_ptr<File> file;
    try {
        file = fs.open(spare, OpenMode::ReadWrite);
    } catch (const IoError&) {
        file = fs.open(spare, OpenMode::CreateTruncate);
    }
    try {
        std::uint64_t at = 0;
        for (auto piece : pieces) {
            if (piece.empty()) continue;
            file->writeAt(at, piece.data(), piece.size());
            at += piece.size();
        }
        file->truncate(at);
        file->sync();
        file->close();
    } catch (const IoError&) {
        // A spare written half way is worth nothing; on a full disk it would
        // keep the room that the settings need at close.
        try {
            file->truncate(0);
        } catch (const IoError&) {
            // The error that counts is the first.
        }
        throw;
    }
    // Until the swap the memo file is untouched; a failure leaves only the
    // spare, which the next change writes over.
    if (!fs.exchange(spare, target)) fs.rename(spare, target);
}

}  // namespace jotanor
