// The configuration file "jotnor.cfg": five text lines in Windows-1252,
// the backup place and four integers (see Settings).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "store/FileIO.h"
#include "store/Settings.h"

namespace jotanor {

inline const char* const kConfigFileName = "jotnor.cfg";

// The first `count` lines of `bytes`; a line ends with CR LF, LF alone or CR
// alone, and lines missing at the end are empty.
std::vector<std::string> configLines(std::string_view bytes, std::size_t count = 5);

// The five lines, each ended by CR LF.
std::string configText(const Settings& settings);

// Reads the file into `settings`. A file that cannot be opened gives false
// and leaves `settings` alone. Otherwise the backup place is taken from line
// 1, then lines 2 to 5 are converted (the start position brought into its
// ranges, see Settings.h) and assigned one by one: a line that is
// not an integer (or is missing) throws ConvertError with its text, and
// the settings converted before it keep their new values. Read errors throw
// IoError.
bool loadConfig(FileSystem& fs, const std::filesystem::path& path, Settings& settings);

// Writes the five lines. A file that cannot be created (or an existing one
// that cannot be written) gives false, silently. Errors after that throw
// IoError and leave the old file as it was: the new text goes to a pending
// file that replaces the old one only when it is whole.
bool saveConfig(FileSystem& fs, const std::filesystem::path& path, const Settings& settings);

}  // namespace jotanor
