#include "cli/Cli.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <stdexcept>

#include "dates/Dates.h"
#include "cli/Ics.h"
#include "mainwindow/core/MemoViews.h"
#include "mainwindow/core/Search.h"
#include "store/Errors.h"
#include "store/IntegerText.h"
#include "store/MemoFile.h"
#include "store/Win1252.h"

namespace jotanor::cli {
namespace {

constexpr const char* kHelp =
    R"(Gebruik: jotanor-cli [--file PAD] [--today JJJJ-MM-DD] COMMANDO ...

Werkt op jotanor1.mem in de werkmap, of op het memobestand dat --file noemt.

Commando's:
  list                          de memo's van 10 weken vanaf gisteren
  list --weeks-back N           dezelfde 10 weken, N weken terug (0 tot 9)
  list --from JJJJ-MM-DD        de memo's van 9 weken vanaf die datum
  list --year JJJJ              alle memo's van een jaar
  list --all                    het hele bestand (1940 tot en met 2100)
  search [--case] "WOORD[,WOORD2]"
                                de memo's die het woord (en het tweede) bevatten;
                                hoofdletters tellen alleen mee met --case
  add JJJJ-MM-DD "REGEL 1" ["REGEL 2"]
                                bewaart een memo op zijn plaats in datumvolgorde
  count                         het aantal memo's
  export-ics [--from JJJJ-MM-DD] [--to JJJJ-MM-DD]
                                de memo's als iCalendar-bestand (RFC 5545); een
                                memo met "*" ervoor komt elk jaar terug

Opties:
  --file PAD                    het memobestand
  --today JJJJ-MM-DD            de datum van vandaag (ook het DTSTAMP van export-ics)
  --help, --version

list en search tonen elke memo op vier regels: de datum (met ">> " ervoor als
het vandaag is), regel 1, regel 2 en een streep. Alle uitvoer is UTF-8.
Een regel na "--" wordt niet als optie gelezen ("-- --regel--").
Afsluitstatus: 0 gelukt, 1 het werk mislukte, 2 de opdracht klopt niet.
)";

// A command line, or a value in it, that cannot be used: exit status 2.
struct Misuse : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Option {
    std::string_view name;
    bool takesValue;
    std::vector<std::string_view> commands;  // empty: every command
};

const std::vector<Option>& options() {
    static const std::vector<Option> known = {
        {"--file", true, {}},
        {"--today", true, {}},
        {"--help", false, {}},
        {"--version", false, {}},
        {"--weeks-back", true, {"list"}},
        {"--from", true, {"list", "export-ics"}},
        {"--year", true, {"list"}},
        {"--all", false, {"list"}},
        {"--case", false, {"search"}},
        {"--to", true, {"export-ics"}},
    };
    return known;
}

const Option* findOption(std::string_view name) {
    const auto& known = options();
    const auto it = std::find_if(known.begin(), known.end(), [&](const Option& s) { return s.name == name; });
    return it == known.end() ? nullptr : &*it;
}

struct CommandLine {
    std::string command;
    std::vector<std::string> operands;
    std::map<std::string, std::string, std::less<>> options;  // flags hold ""

    bool has(std::string_view name) const { return options.contains(name); }
    std::optional<std::string> value(std::string_view name) const {
        const auto it = options.find(name);
        if (it == options.end()) return std::nullopt;
        return it->second;
    }
};

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        // One dash leaves a text as it is ("-5 graden").
        if (optionsEnded || (!arg.starts_with("--") && arg != "-h")) {
            (line.command.empty() ? line.command : line.operands.emplace_back()) = arg;
            continue;
        }
        if (arg == "-h") arg = "--help";
        const auto equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const Option* option = findOption(name);
        if (!option) throw Misuse("onbekende optie: " + arg);
        std::string value;
        if (option->takesValue && equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (option->takesValue) {
            if (i + 1 == args.size()) throw Misuse(name + " vraagt een waarde");
            value = args[++i];
        } else if (equals != std::string::npos) {
            throw Misuse(name + " neemt geen waarde");
        }
        if (!line.options.emplace(name, value).second) throw Misuse(name + " staat er twee keer");
    }
    for (const auto& [name, value] : line.options) {
        const auto& allowed = findOption(name)->commands;
        if (!line.command.empty() && !allowed.empty() &&
            std::find(allowed.begin(), allowed.end(), line.command) == allowed.end())
            throw Misuse(name + " hoort niet bij " + line.command);
    }
    return line;
}

// "JJJJ-MM-DD"; a date that does not exist gives the standard date error.
DaySerial parseDate(const std::string& text) {
    int year = 0, month = 0, day = 0;
    char end = 0;
    const bool shaped = text.size() == 10 && text[4] == '-' && text[7] == '-' &&
                        std::all_of(text.begin(), text.end(), [](char c) { return c == '-' || (c >= '0' && c <= '9'); }) &&
                        std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &year, &month, &day, &end) == 3;
    if (!shaped) throw Misuse("'" + text + "' is geen datum in de vorm JJJJ-MM-DD");
    if (!isValidDate(year, month, day)) throw Misuse(text + ": " + DateError().what());
    return encodeDate(year, month, day);
}

int parseNumber(const std::string& text) {
    try {
        return strToInt(text);
    } catch (const ConvertError& e) {
        throw Misuse(e.what());
    }
}

void expectOperands(const CommandLine& line, std::size_t least, std::size_t most, const char* form) {
    if (line.operands.size() < least || line.operands.size() > most)
        throw Misuse(std::string("gebruik: jotanor-cli ") + form);
}

DaySerial localToday() {
    const std::time_t now = std::time(nullptr);
    const std::tm* t = std::localtime(&now);
    return encodeDate(t->tm_year + 1900, t->tm_mon + 1, t->tm_mday);
}

// The moment of an export for DTSTAMP: midnight UTC of a given today, so
// that scripted exports come out the same, else the clock's time.
std::string stampOf(const std::optional<DaySerial>& givenToday) {
    std::tm t{};
    if (givenToday) {
        const Ymd d = decodeDate(*givenToday);
        t.tm_year = d.year - 1900;
        t.tm_mon = d.month - 1;
        t.tm_mday = d.day;
    } else {
        const std::time_t now = std::time(nullptr);
        t = *std::gmtime(&now);
    }
    char text[96];
    std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02dZ", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                  t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

// The four lines of every block, as the window's list shows them.
void printBlocks(const MemoBlocks& blocks, std::ostream& out) {
    std::string text;
    text.reserve(blocks.size() * (divider().size() + 120));
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        text += blocks.line(b, 0);
        text += '\n';
        text += cp1252ToUtf8(blocks.line1(b));
        text += '\n';
        text += cp1252ToUtf8(blocks.line2(b));
        text += '\n';
        text += divider();
        text += '\n';
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

// A memo line given in UTF-8, as the memo file holds it; refused when it
// cannot be held whole.
std::string memoLine(const std::string& utf8, int number) {
    const std::string which = "regel " + std::to_string(number);
    std::string unheld;
    const auto bytes = utf8ToCp1252Exact(utf8, &unheld);
    if (!bytes && unheld.size() == 1) throw Misuse(which + " is geen UTF-8-tekst");
    if (!bytes) throw Misuse(which + " bevat \"" + unheld + "\", een teken dat een memo niet kan bewaren");
    for (unsigned char c : *bytes) {
        // Tabs, line breaks and the like would break the list's lines.
        if (c < 0x20 || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D)
            throw Misuse(which + " bevat een stuurteken (zoals een tab of regeleinde)");
    }
    if (bytes->size() > MemoRecord::kMaxLine)
        throw Misuse(which + " heeft " + std::to_string(bytes->size()) + " tekens; een memoregel houdt er hoogstens " +
                     std::to_string(MemoRecord::kMaxLine));
    return *bytes;
}

struct Context {
    const CommandLine& line;
    MemoFile& file;
    DaySerial today;
    std::optional<DaySerial> givenToday;
    std::ostream& out;
    std::ostream& err;
};

void listCommand(Context& c) {
    expectOperands(c.line, 0, 0, "list [--weeks-back N | --from JJJJ-MM-DD | --year JJJJ | --all]");
    const int views = c.line.has("--weeks-back") + c.line.has("--from") + c.line.has("--year") + c.line.has("--all");
    if (views > 1) throw Misuse("list toont één lijst: kies --weeks-back, --from, --year of --all");
    ViewWindow window = tenWeekWindow(c.today, 0);
    if (const auto n = c.line.value("--weeks-back")) {
        const int weeksBack = parseNumber(*n);
        if (weeksBack < 0 || weeksBack > 9) throw Misuse("--weeks-back gaat van 0 tot 9");
        window = tenWeekWindow(c.today, weeksBack);
    } else if (const auto from = c.line.value("--from")) {
        window = fromDateWindow(parseDate(*from));
    } else if (const auto year = c.line.value("--year")) {
        window = yearWindow(parseNumber(*year));
    } else if (c.line.has("--all")) {
        window = wholeFileWindow();
    }
    MemoBlocks blocks;
    fillBlocks(c.file, window, c.today, blocks);
    printBlocks(blocks, c.out);
}

void searchCommand(Context& c) {
    expectOperands(c.line, 1, 1, "search [--case] \"WOORD[,WOORD2]\"");
    const bool caseCounts = c.line.has("--case");
    // A word with a character the memo file cannot hold is in no memo.
    const auto text = utf8ToCp1252Exact(c.line.operands[0]);
    if (!text) return;
    MemoBlocks blocks;
    fillSearchBlocks(c.file, SearchFilter(searchWords(*text, caseCounts), caseCounts), c.today, blocks);
    printBlocks(blocks, c.out);
}

void addCommand(Context& c) {
    expectOperands(c.line, 2, 3, "add JJJJ-MM-DD \"REGEL 1\" [\"REGEL 2\"]");
    MemoRecord memo;
    memo.date = parseDate(c.line.operands[0]);
    memo.line1 = memoLine(c.line.operands[1], 1);
    if (c.line.operands.size() == 3) memo.line2 = memoLine(c.line.operands[2], 2);
    c.file.mydata1_opbergen(memo);
}

void countCommand(Context& c) {
    expectOperands(c.line, 0, 0, "count");
    c.out << c.file.count() << '\n';
}

void exportCommand(Context& c) {
    expectOperands(c.line, 0, 0, "export-ics [--from JJJJ-MM-DD] [--to JJJJ-MM-DD]");
    ics::Range range;
    if (const auto from = c.line.value("--from")) range.from = parseDate(*from);
    if (const auto to = c.line.value("--to")) range.to = parseDate(*to);
    std::string calendar;
    const auto exported = ics::exportCalendar(c.file, range, stampOf(c.givenToday), calendar);
    c.out.write(calendar.data(), static_cast<std::streamsize>(calendar.size()));
    if (exported.undated > 0)
        c.err << "jotanor-cli: " << exported.undated << " memo(s) zonder geldige datum overgeslagen\n";
}

const std::map<std::string, void (*)(Context&), std::less<>>& commands() {
    static const std::map<std::string, void (*)(Context&), std::less<>> table = {
        {"list", listCommand},   {"search", searchCommand}, {"add", addCommand},
        {"count", countCommand}, {"export-ics", exportCommand},
    };
    return table;
}

int runCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const CommandLine line = parseCommandLine(args);
    if (line.has("--help")) {
        out << kHelp;
        return kDone;
    }
    if (line.has("--version")) {
        out << "jotanor-cli " JOTANOR_VERSION "\n";
        return kDone;
    }
    if (line.command.empty()) throw Misuse("geen commando; zie jotanor-cli --help");
    const auto command = commands().find(line.command);
    if (command == commands().end()) throw Misuse("onbekend commando: " + line.command + "; zie jotanor-cli --help");

    std::optional<DaySerial> givenToday;
    if (const auto today = line.value("--today")) givenToday = parseDate(*today);
    // The name is UTF-8 on every system (a std::string path would be read
    // in the ANSI code page on Windows).
    const std::string name = line.value("--file").value_or("jotanor1.mem");
    MemoFile file(nativeFileSystem(), std::filesystem::path(std::u8string(name.begin(), name.end())));
    Context context{line, file, givenToday ? *givenToday : localToday(), givenToday, out, err};
    command->second(context);
    return kDone;
}

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        return runCommand(args, out, err);
    } catch (const Misuse& e) {
        err << "jotanor-cli: " << e.what() << '\n';
        return kMisused;
    } catch (const IoError& e) {
        err << "jotanor-cli: " << e.path() << ": " << e.what() << '\n';
        return kFailed;
    } catch (const std::exception& e) {
        err << "jotanor-cli: " << e.what() << '\n';
        return kFailed;
    }
}

}  // namespace jotanor::cli
