// The two operations on the memo file as a whole: the copy to the backup
// place made at close, and the memo count.
#pragma once

#include <cstddef>
#include <filesystem>
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

// The folder that becomes the working folder after the backup: the memo
// file's folder; in the root of a drive only the drive ("C:").
std::filesystem::path workingFolderOf(const std::filesystem::path& memoFile);

// "Het bestand bevat N memo"s".
std::string memoCountText(std::size_t count);

}  // namespace jotanor
