#include "store/ConfigFile.h"

#include <algorithm>
#include <climits>
#include <optional>

#include "store/Errors.h"
#include "store/IntegerText.h"
#include "store/SafeWrite.h"
#include "store/Win1252.h"

namespace jotanor {
namespace {

constexpr std::size_t kChunk = 4096;

// Line ends in `bytes`, a CR LF pair counting once.
std::size_t lineEnds(std::string_view bytes) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            ++n;
        } else if (bytes[i] == '\r') {
            ++n;
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        }
    }
    return n;
}

// Reads from the start of the file until it holds more than `lines` line
// ends (so the last wanted line and its CR LF are whole) or it ends.
std::string readHead(File& file, std::size_t lines) {
    const std::uint64_t size = file.size();
    std::string bytes;
    std::uint64_t offset = 0;
    while (offset < size && lineEnds(bytes) <= lines) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, size - offset));
        bytes.resize(bytes.size() + n);
        file.readAt(offset, bytes.data() + bytes.size() - n, n);
        offset += n;
    }
    return bytes;
}

}  // namespace

std::vector<std::string> configLines(std::string_view bytes, std::size_t count) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (lines.size() < count && start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(bytes.substr(start));
            break;
        }
        lines.emplace_back(bytes.substr(start, end - start));
        start = end + 1;
        if (bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n') ++start;
    }
    lines.resize(count);
    return lines;
}

std::string configText(const Settings& s) {
    std::string text = utf8ToCp1252(s.backupPlace) + "\r\n";
    for (int value : {s.leftPercent, s.bottomPercent, s.fontSize, s.weekParity})
        text += std::to_string(value) + "\r\n";
    return text;
}

bool loadConfig(FileSystem& fs, const std::filesystem::path& path, Settings& settings) {
    std::unique_ptr<File> file;
    try {
        file = fs.open(path, OpenMode::ReadOnly);
    } catch (const IoError&) {
        return false;
    }
    const std::string bytes = readHead(*file, 5);
    file->close();

    const std::vector<std::string> lines = configLines(bytes);
    settings.backupPlace = cp1252ToUtf8(lines[0]);
    // Each setting is assigned right after its own conversion.
    int* const numbers[] = {&settings.leftPercent, &settings.bottomPercent, &settings.fontSize, &settings.weekParity};
    const PercentRange ranges[] = {kLeftPercentRange, kBottomPercentRange, {INT_MIN, INT_MAX}, {INT_MIN, INT_MAX}};
    for (std::size_t i = 0; i < 4; ++i)
        *numbers[i] = std::clamp(strToInt(cp1252ToUtf8(lines[i + 1])), ranges[i].low, ranges[i].high);
    return true;
}

bool saveConfig(FileSystem& fs, const std::filesystem::path& path, const Settings& settings) {
    // An existing file that cannot be written counts as one that cannot be
    // created, as it would if it were emptied in place.
    try {
        fs.open(path, OpenMode::ReadWrite)->close();
    } catch (const IoError& e) {
        if (e.code() != kFileNotFound) return false;
    }
    std::optional<PendingFile> pending;
    try {
        pending.emplace(fs, path);
    } catch (const IoError&) {
        return false;
    }
    const std::string text = configText(settings);
    pending->commit(text.data(), text.size());
    return true;
}

}  // namespace jotanor
