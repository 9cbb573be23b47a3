#include "diary/Backup.h"

#include <vector>

#include "store/Errors.h"
#include "store/MemoFile.h"
#include "store/MemoRecord.h"
#include "store/SafeWrite.h"
#include "store/Settings.h"

namespace jotanor {
namespace {

bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code ec;
    if (std::filesystem::equivalent(a, b, ec)) return true;
    // A file that does not exist yet can still be named twice.
    const auto ca = std::filesystem::weakly_canonical(a, ec);
    if (ec) return false;
    const auto cb = std::filesystem::weakly_canonical(b, ec);
    return !ec && ca == cb;
}

}  // namespace

BackupResult backupCopy(FileSystem& fs, const std::filesystem::path& memoFile,
                        const std::filesystem::path& backupPlace) {
    if (sameFile(memoFile, backupPlace)) return BackupResult::SameFile;
    // A backup file that is there but may not be written is refused, not
    // replaced behind the user's back.
    try {
        fs.open(backupPlace, OpenMode::ReadWrite)->close();
    } catch (const IoError& e) {
        if (e.code() != kFileNotFound) throw;
    }

    // Read under the memo file's shared lock: never a change half done.
    std::vector<unsigned char> records;
    MemoFile source(fs, memoFile);
    source.scanBytes([&](const unsigned char* bytes, std::size_t position) {
        if (position == 0) records.reserve(MemoRecord::kSize * source.recordCount());
        records.insert(records.end(), bytes, bytes + MemoRecord::kSize);
        return true;
    });
    try {
        replaceFile(fs, backupPlace, records.data(), records.size());
    } catch (const IoError& e) {
        // Named for the backup place the user chose, not the helper file beside it.
        throw IoError(e.code(), backupPlace, e.reason());
    }
    return BackupResult::Copied;
}

std::optional<std::filesystem::path> standInFor(const std::filesystem::path& place,
                                                const std::filesystem::path& settingsFolder) {
    const std::filesystem::path byDefault = kDefaultBackupPlace;
    if (place != byDefault || !place.has_root_name() || place.parent_path() != place.root_path()) return std::nullopt;
    return settingsFolder / "Backup" / place.filename();
}

BackupMade backupWithStandIn(FileSystem& fs, const std::filesystem::path& memoFile, const std::filesystem::path& place,
                             const std::optional<std::filesystem::path>& standIn) {
    BackupMade made;
    made.place = place;
    try {
        made.result = backupCopy(fs, memoFile, place);
        return made;
    } catch (const IoError& e) {
        if (!standIn || e.code() != kAccessDenied) throw;
        made.place = *standIn;
    }
    made.firstAtStandIn = !fs.exists(made.place);
    // A folder that cannot be made shows as the backup's own error below.
    std::error_code ec;
    std::filesystem::create_directory(made.place.parent_path(), ec);
    made.result = backupCopy(fs, memoFile, made.place);
    return made;
}

std::string standInText(const BackupMade& made) {
    const std::u8string place = made.place.u8string();
    return std::string(kDefaultBackupPlace) + " kan niet worden geschreven; de backup staat daarom in " +
           std::string(place.begin(), place.end()) + ". Een andere plaats kiest u bij Options.";
}

std::filesystem::path workingFolderOf(const std::filesystem::path& memoFile) {
    std::filesystem::path folder = memoFile.parent_path();
    // "C:\" would be the drive's root; "C:" keeps the drive's own current folder.
    if (folder.has_root_name() && folder == folder.root_path()) return folder.root_name();
    if (folder.empty()) return std::filesystem::current_path();
    return folder;
}

std::string memoCountText(std::size_t count) {
    return "Het bestand bevat " + std::to_string(count) + " memo\"s";
}

}  // namespace jotanor
