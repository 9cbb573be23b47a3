// The two operations on the memo file as a whole: the copy to the backup
// place made at close, and the memo count.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

#include "store/FileIO.h"

namespace jotanor {

enum class BackupResult { Copied, SameFile };

// Copies the whole records of `memoFile` to `backupPlace`. The new backup is
// written beside the old one and put in its place only when it is complete,
// so a failure leaves the previous backup as it was and raises the IoError.
// A backup place that is the memo file itself is left alone (SameFile).
BackupResult backupCopy(FileSystem& fs, const std::filesystem::path& memoFile,
                        const std::filesystem::path& backupPlace);

// The default backup place lies in the root of drive C, which a standard
// user of Windows may not write. Its stand-in is the same name in the folder
// "Backup" beside the settings file, so each diary has a backup of its own.
// None for a place the user chose, nor where the default place is a plain
// file name (systems without drive letters).
std::optional<std::filesystem::path> standInFor(const std::filesystem::path& place,
                                                const std::filesystem::path& settingsFolder);

struct BackupMade {
    BackupResult result = BackupResult::Copied;
    std::filesystem::path place;  // where the backup went
    bool firstAtStandIn = false;  // made at the stand-in, where none was before
};

// The backup at `place`, or where that place refuses it (access denied) and
// `standIn` is given, at the stand-in; its folder is made when missing. A
// failure there raises the stand-in's error.
BackupMade backupWithStandIn(FileSystem& fs, const std::filesystem::path& memoFile, const std::filesystem::path& place,
                             const std::optional<std::filesystem::path>& standIn);

// What the user is told when the backup first goes to the stand-in.
std::string standInText(const BackupMade& made);

// The folder that becomes the working folder after the backup: the memo
// file's folder; in the root of a drive only the drive ("C:").
std::filesystem::path workingFolderOf(const std::filesystem::path& memoFile);

// "Het bestand bevat N memo"s".
std::string memoCountText(std::size_t count);

}  // namespace jotanor
