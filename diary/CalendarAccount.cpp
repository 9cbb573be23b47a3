#include "diary/CalendarAccount.h"

#include "store/Errors.h"
#include "store/SafeWrite.h"

namespace jotanor {
namespace {

constexpr std::string_view kUrl = "adres";
constexpr std::string_view kUser = "gebruiker";
constexpr std::string_view kAtStart = "sync-bij-start";
constexpr std::string_view kAtClose = "sync-bij-sluiten";

const char* yesNo(bool b) { return b ? "ja" : "nee"; }

}  // namespace

std::string accountText(const CalendarAccount& a) {
    // Line breaks in a value would start a line of their own: they go.
    auto clean = [](std::string s) {
        std::erase_if(s, [](char c) { return c == '\r' || c == '\n'; });
        return s;
    };
    std::string text;
    text.append(kUrl).append("=").append(clean(a.url)).append("\n");
    text.append(kUser).append("=").append(clean(a.user)).append("\n");
    text.append(kAtStart).append("=").append(yesNo(a.syncAtStart)).append("\n");
    text.append(kAtClose).append("=").append(yesNo(a.syncAtClose)).append("\n");
    return text;
}

CalendarAccount parseAccount(std::string_view text) {
    CalendarAccount a;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        const auto eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view name = line.substr(0, eq);
        const std::string value(line.substr(eq + 1));
        if (name == kUrl) a.url = value;
        else if (name == kUser) a.user = value;
        else if (name == kAtStart) a.syncAtStart = value == "ja";
        else if (name == kAtClose) a.syncAtClose = value == "ja";
    }
    return a;
}

CalendarAccount loadAccount(FileSystem& fs, const std::filesystem::path& path) {
    if (!fs.exists(path)) return {};
    const auto file = fs.open(path, OpenMode::ReadOnly);
    const std::vector<unsigned char> bytes = file->readAll();
    file->close();
    return parseAccount(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void saveAccount(FileSystem& fs, const std::filesystem::path& path, const CalendarAccount& account) {
    const std::string text = accountText(account);
    replaceFile(fs, path, text.data(), text.size());
}

}  // namespace jotanor
