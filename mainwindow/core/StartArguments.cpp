#include "mainwindow/core/StartArguments.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace jotanor {
namespace {

// Options of the window system that the toolkit reads itself, with one
// dash or two; the first ones take a value.
constexpr std::array<std::string_view, 15> kToolkitWithValue = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "qwindowicon", "qwindowtitle",
    "display",  "geometry",           "style",         "stylesheet", "session",     "name",        "title",
    "visual"};
constexpr std::array<std::string_view, 5> kToolkitFlags = {"reverse", "nograb", "dograb", "sync", "widgetcount"};

template <std::size_t N>
bool among(const std::array<std::string_view, N>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

StartArguments misused(std::string problem) {
    StartArguments a;
    a.action = StartArguments::Action::Misused;
    a.problem = std::move(problem);
    return a;
}

}  // namespace

StartArguments parseStartArguments(const std::vector<std::string>& args) {
    StartArguments result;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg == "-" || !arg.starts_with('-')) {
            if (result.memoFile) return misused("meer dan één memobestand: " + arg);
            result.memoFile = arg;
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            // The first of --help and --version decides, as the rest is not read.
            if (result.action == StartArguments::Action::Run) result.action = StartArguments::Action::Help;
        } else if (arg == "--version") {
            if (result.action == StartArguments::Action::Run) result.action = StartArguments::Action::Version;
        } else if (arg == "--user-folder") {
            result.userFolder = true;
        } else {
            const std::string_view written = std::string_view(arg).substr(arg.starts_with("--") ? 2 : 1);
            const std::size_t equals = written.find('=');
            const std::string_view name = written.substr(0, equals);
            if (equals == std::string_view::npos && among(kToolkitFlags, name)) continue;
            if (!among(kToolkitWithValue, name)) return misused("onbekende optie: " + arg);
            if (equals != std::string_view::npos) continue;
            if (i + 1 == args.size()) return misused(arg + " vraagt een waarde");
            ++i;
        }
    }
    return result;
}

const char* startUsage() {
    return R"(Gebruik: jotanor [--user-folder] [MEMOBESTAND]

Het dagboekvenster. Zonder MEMOBESTAND werkt het met jotanor1.mem in de
werkmap; een genoemd memobestand opent het zoals "Open andere Mem-file".
Bestaat het nog niet, dan vraagt het of het dat bestand mag aanmaken.

Opties:
  --user-folder    werk in de map Jotanor in de documentenmap van de gebruiker
  -h, --help       toon deze hulp
  --version        toon de versie
)";
}

}  // namespace jotanor
