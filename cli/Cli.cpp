#include "cli/Cli.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <map>
#include <optional>
#include <ostream>
#include <stdexcept>

#include "dates/Dates.h"
#include "diary/MemoCommands.h"
#include "diary/Search.h"
#include "diary/Session.h"
#include "store/Errors.h"
#include "store/IntegerText.h"
#include "store/MemoFile.h"
#include "store/ShownText.h"
#include "store/Win1252.h"
#ifdef JOTANOR_CALENDARS
#include "diary/Pairing.h"
#include "ics/Ics.h"
#include "sync/CalDav.h"
#include "sync/Sync.h"
#endif

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
  search [--case | --ignore-case] "WOORD[,WOORD2]"
                                de memo's die het woord (en het tweede) bevatten;
                                hoofdletters tellen mee, zoals in het venster,
                                behalve met --ignore-case
  add JJJJ-MM-DD "REGEL 1" ["REGEL 2"]
                                bewaart een memo op zijn plaats in datumvolgorde;
                                een memobestand dat er niet is wordt aangemaakt
  count                         het aantal memo's
  export-ics [--from JJJJ-MM-DD] [--to JJJJ-MM-DD]
                                de memo's als iCalendar-bestand (RFC 5545); een
                                memo met "*" ervoor komt elk jaar terug
  import-ics [--from JJJJ-MM-DD] [--to JJJJ-MM-DD] BESTAND
                                de afspraken van een iCalendar-bestand als memo's:
                                regel 1 de titel, regel 2 de tijd en de plaats
                                (of bij een hele dag de eerste regel van de
                                beschrijving); een herhaalde afspraak geeft een
                                memo per keer van --from tot --to (standaard
                                vandaag tot een jaar verder), een jaarlijkse
                                zonder einde één memo met "*"; wat er al staat,
                                komt er niet nog eens bij
  sync URL [--user NAAM] [--password-file BESTAND] [--ca-file BESTAND]
       [--max-time SECONDEN] [--allow-empty]
                                houdt het memobestand en een CalDAV-agenda gelijk,
                                in beide richtingen; het wachtwoord komt uit het
                                bestand of uit JOTANOR_PASSWORD, nooit van de
                                opdrachtregel of uit het adres; --ca-file: een
                                eigen certificaatautoriteit voor HTTPS;
                                --max-time: de sync stopt na zoveel seconden
                                (standaard 3600); --allow-empty: een leeg
                                memobestand wist alle afspraken die de vorige
                                sync zag (zonder deze optie stopt de sync dan).
                                Een memobestand dat niet heel is, synchroniseert
                                niet. Wat de sync zag, staat in .NAAM.sync naast
                                het memobestand; een tweede sync van hetzelfde
                                bestand wacht even en stopt dan

Opties:
  --file PAD                    het memobestand
  --today JJJJ-MM-DD            de datum van vandaag (ook het DTSTAMP van export-ics)
  --help, --version

list en search tonen elke memo op vier regels: de datum (met ">> " ervoor als
het vandaag is), regel 1, regel 2 en een streep. Alle uitvoer is UTF-8; een
stuurteken in een memo staat er zichtbaar in, als ^[ of �.
Een datum mag ook in de vorm D-M-JJJJ, zoals de lijst hem toont (1-6-2026).
In een terminal is de streep zo breed als de terminal.
Een regel na "--" wordt niet als optie gelezen ("-- --regel--").
Afsluitstatus: 0 gelukt, 1 het werk mislukte, 2 de opdracht klopt niet,
3 gesynchroniseerd, maar iets overgeslagen (de meldingen noemen het; de
volgende sync probeert het opnieuw).
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
        {"--from", true, {"list", "export-ics", "import-ics"}},
        {"--year", true, {"list"}},
        {"--all", false, {"list"}},
        {"--case", false, {"search"}},
        {"--ignore-case", false, {"search"}},
        {"--to", true, {"export-ics", "import-ics"}},
        {"--user", true, {"sync"}},
        {"--password-file", true, {"sync"}},
        {"--ca-file", true, {"sync"}},
        {"--max-time", true, {"sync"}},
        {"--allow-empty", false, {"sync"}},
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

// The numbers of `text` between its dashes, when it is digits in groups of
// the given widths (lowest to highest digits) and nothing else.
std::optional<std::vector<int>> dashedNumbers(std::string_view text, std::initializer_list<std::pair<int, int>> widths) {
    std::vector<int> numbers;
    for (const auto& [fewest, most] : widths) {
        const std::size_t dash = text.find('-');
        const std::string_view part = text.substr(0, dash);
        if (static_cast<int>(part.size()) < fewest || static_cast<int>(part.size()) > most ||
            !std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        numbers.push_back(std::stoi(std::string(part)));
        text = dash == std::string_view::npos ? std::string_view() : text.substr(dash + 1);
        if ((dash == std::string_view::npos) != (numbers.size() == widths.size())) return std::nullopt;
    }
    return numbers;
}

// "JJJJ-MM-DD", or "D-M-JJJJ" as the list shows a date; a date that does not
// exist gives the standard date error.
DaySerial parseDate(const std::string& text) {
    int year = 0, month = 0, day = 0;
    if (const auto iso = dashedNumbers(text, {{4, 4}, {2, 2}, {2, 2}})) {
        year = (*iso)[0], month = (*iso)[1], day = (*iso)[2];
    } else if (const auto shown = dashedNumbers(text, {{1, 2}, {1, 2}, {4, 4}})) {
        day = (*shown)[0], month = (*shown)[1], year = (*shown)[2];
    } else {
        throw Misuse("'" + text + "' is geen datum in de vorm JJJJ-MM-DD of D-M-JJJJ");
    }
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

// A today given on the command line.
class GivenClock final : public Clock {
public:
    explicit GivenClock(const Ymd& day) : day_(day) {}
    Ymd today() const override { return day_; }

private:
    Ymd day_;
};

#ifdef JOTANOR_CALENDARS
// The moment of an export for DTSTAMP: midnight UTC of a given today, so
// that scripted exports come out the same, else the clock's time.
std::string stampOf(const std::optional<DaySerial>& givenToday, const Machine& machine) {
    if (!givenToday) return machine.utcStamp();
    const Ymd d = decodeDate(*givenToday);
    char text[96];
    std::snprintf(text, sizeof text, "%04d%02d%02dT000000Z", d.year, d.month, d.day);
    return text;
}
#endif

// Bytes that would steer a terminal or break a line: the control
// characters, and the five Windows-1252 bytes without a character, which
// read as C1 controls.
bool isControlByte(unsigned char c) {
    return c < 0x20 || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

// A memo line in UTF-8 for the terminal, shown by the one rule for text
// that may hold control characters (which only a foreign or damaged file
// holds here): "^[" and the like, a C1 one as U+FFFD, never sent as it is.
std::string shownLine(std::string_view cp1252) { return shownText(cp1252ToUtf8(cp1252)); }

// The four lines of every block, as the window's list shows them; in a
// terminal the divider is as wide as the terminal, at most the window's.
void printBlocks(const MemoBlocks& blocks, int terminalColumns, std::ostream& out) {
    const std::string line = terminalColumns > 0
                                 ? divider().substr(0, static_cast<std::size_t>(terminalColumns))
                                 : divider();
    std::string text;
    text.reserve(blocks.size() * (line.size() + 120));
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        text += blocks.line(b, 0);
        text += '\n';
        text += shownLine(blocks.line1(b));
        text += '\n';
        text += shownLine(blocks.line2(b));
        text += '\n';
        text += line;
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
        if (isControlByte(c))
            throw Misuse(which + " bevat een stuurteken (zoals een tab of regeleinde)");
    }
    if (bytes->size() > MemoRecord::kMaxLine)
        throw Misuse(which + " heeft " + std::to_string(bytes->size()) + " tekens; een memoregel houdt er hoogstens " +
                     std::to_string(MemoRecord::kMaxLine));
    return *bytes;
}

struct Context {
    const CommandLine& line;
    Session& session;
    const Machine& machine;
    std::optional<DaySerial> givenToday;
    std::ostream& out;
    std::ostream& err;
    int status = kDone;
};

void listCommand(Context& c) {
    expectOperands(c.line, 0, 0, "list [--weeks-back N | --from JJJJ-MM-DD | --year JJJJ | --all]");
    const int views = c.line.has("--weeks-back") + c.line.has("--from") + c.line.has("--year") + c.line.has("--all");
    if (views > 1) throw Misuse("list toont één lijst: kies --weeks-back, --from, --year of --all");
    MemoBlocks blocks;
    if (const auto n = c.line.value("--weeks-back")) {
        const int weeksBack = parseNumber(*n);
        if (weeksBack < 0 || weeksBack > 9) throw Misuse("--weeks-back gaat van 0 tot 9");
        c.session.listWeeksBack(weeksBack, blocks);
    } else if (const auto from = c.line.value("--from")) {
        c.session.listFrom(parseDate(*from), blocks);
    } else if (const auto year = c.line.value("--year")) {
        const int y = parseNumber(*year);
        if (!isValidDate(y, 1, 1)) throw Misuse("--year " + *year + ": een jaar gaat van 1 tot 9999");
        c.session.listYear(y, blocks);
    } else if (c.line.has("--all")) {
        c.session.listWholeFile(blocks);
    } else {
        c.session.listWeeksBack(0, blocks);
    }
    printBlocks(blocks, c.machine.terminalColumns, c.out);
}

void searchCommand(Context& c) {
    expectOperands(c.line, 1, 1, "search [--case | --ignore-case] \"WOORD[,WOORD2]\"");
    // Capitals count unless told otherwise, as in the window's search.
    if (c.line.has("--case") && c.line.has("--ignore-case")) throw Misuse("kies --case of --ignore-case");
    const bool caseCounts = !c.line.has("--ignore-case");
    // Refused as add refuses a memo line that a memo cannot hold.
    std::string unheld;
    const auto text = utf8ToCp1252Exact(c.line.operands[0], &unheld);
    if (!text && unheld.size() == 1) throw Misuse("de zoektekst is geen UTF-8-tekst");
    if (!text) throw Misuse("de zoektekst bevat \"" + unheld + "\", een teken dat een memo niet kan bewaren");
    // Blanks and the like are no part of a word: the words as searched are
    // told, as the window's title tells them.
    c.err << "jotanor-cli: " << cp1252ToUtf8(searchTitle(searchWords(*text, caseCounts))) << '\n';
    MemoBlocks blocks;
    c.session.search(*text, caseCounts, blocks);
    printBlocks(blocks, c.machine.terminalColumns, c.out);
}

// Runs a change of the memo file. From the terminal a diary starts with its
// first memo; the window asks first, here the user is told.
void startingDiary(Context& c, const std::function<void()>& change) {
    try {
        change();
    } catch (const IoError& e) {
        if (e.code() != kFileNotFound) throw;
        c.session.file().create();
        c.err << "jotanor-cli: " << e.path() << " niet gevonden; nieuw memobestand aangemaakt\n";
        change();
    }
}

void addCommand(Context& c) {
    expectOperands(c.line, 2, 3, "add JJJJ-MM-DD \"REGEL 1\" [\"REGEL 2\"]");
    MemoRecord memo;
    memo.date = parseDate(c.line.operands[0]);
    memo.line1 = memoLine(c.line.operands[1], 1);
    if (c.line.operands.size() == 3) memo.line2 = memoLine(c.line.operands[2], 2);
    startingDiary(c, [&] { mydata1_opbergen(c.session.file(), memo); });
}

void countCommand(Context& c) {
    expectOperands(c.line, 0, 0, "count");
    c.out << c.session.file().count() << '\n';
}

#ifdef JOTANOR_CALENDARS
void exportCommand(Context& c) {
    expectOperands(c.line, 0, 0, "export-ics [--from JJJJ-MM-DD] [--to JJJJ-MM-DD]");
    ics::Range range;
    if (const auto from = c.line.value("--from")) range.from = parseDate(*from);
    if (const auto to = c.line.value("--to")) range.to = parseDate(*to);
    std::string calendar;
    const auto exported = ics::exportCalendar(c.session.file().readAll(), range, stampOf(c.givenToday, c.machine), calendar);
    c.out.write(calendar.data(), static_cast<std::streamsize>(calendar.size()));
    if (exported.undated > 0)
        c.err << "jotanor-cli: " << exported.undated << (exported.undated == 1 ? " memo" : " memo's")
              << " zonder geldige datum overgeslagen\n";
}

// A whole file's bytes.
std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in) throw std::runtime_error(path + ": het bestand kan niet gelezen worden");
    return text.str();
}

// "1200 van 5000 …, nog 3800" on one line that each report overwrites,
// when standard error is a terminal; nothing otherwise.
std::function<void(std::size_t, std::size_t)> progressLine(Context& c, std::string what) {
    if (!c.machine.errIsTerminal) return {};
    return [&c, what = std::move(what)](std::size_t done, std::size_t total) {
        c.err << '\r' << done << " van " << total << ' ' << what << ", nog " << total - done << "\x1b[K";
        if (done == total) c.err << "\r\x1b[K";
        c.err.flush();
    };
}

void importCommand(Context& c) {
    expectOperands(c.line, 1, 1, "import-ics [--from JJJJ-MM-DD] [--to JJJJ-MM-DD] BESTAND");
    const DaySerial today = encodeDate(c.session.today());
    ics::ImportWindow window{today, today, today + 365};
    if (const auto from = c.line.value("--from")) window.from = parseDate(*from);
    if (const auto to = c.line.value("--to")) window.to = parseDate(*to);
    if (window.to < window.from) throw Misuse("--to ligt voor --from");
    const std::string text = readWholeFile(c.line.operands[0]);
    ics::Imported imported;
    try {
        imported = ics::readCalendar(text, window, progressLine(c, "onderdelen gelezen"));
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(c.line.operands[0] + ": " + e.what());
    }
    // What the diary holds already (the events it exported itself, by UID;
    // the rest by content) is not added; each add is decided again under
    // the file's lock.
    ImportCounts counts;
    startingDiary(c, [&] { counts = importInto(c.session.file(), imported); });
    const std::size_t added = counts.added;
    const std::size_t already = counts.already;
    c.out << added << (added == 1 ? " memo" : " memo's") << " toegevoegd, " << already << " al aanwezig, "
          << imported.skipped << " overgeslagen";
    if (imported.cut > 0) c.out << ", " << imported.cut << " ingekort";
    if (imported.replaced > 0) c.out << ", " << imported.replaced << " tekens vervangen door ?";
    if (!imported.bounded.empty()) c.out << ", " << ics::boundedText(imported.bounded);
    c.out << '\n';
}

// The password from the file's first line, or else from the environment.
std::optional<std::string> syncPassword(const CommandLine& line) {
    if (const auto file = line.value("--password-file")) {
        std::string text = readWholeFile(*file);
        text = text.substr(0, text.find_first_of("\r\n"));
        return text;
    }
    if (const char* password = std::getenv("JOTANOR_PASSWORD")) return std::string(password);
    return std::nullopt;
}

void syncCommand(Context& c) {
    expectOperands(c.line, 1, 1,
                   "sync URL [--user NAAM] [--password-file BESTAND] [--ca-file BESTAND] [--max-time SECONDEN] "
                   "[--allow-empty]");
    sync::SyncSettings settings;
    settings.server.url = c.line.operands[0];
    // A command line is there for every user of the machine to see (ps).
    if (sync::hasUserinfo(settings.server.url))
        throw Misuse("een adres met een gebruikersnaam of wachtwoord erin wordt geweigerd: iedereen op deze computer "
                     "kan de opdrachtregel zien. Geef de naam met --user en het wachtwoord met --password-file "
                     "BESTAND of in JOTANOR_PASSWORD");
    if (!settings.server.url.starts_with("http://") && !settings.server.url.starts_with("https://"))
        throw Misuse("'" + shownText(settings.server.url) + "' is geen http- of https-adres");
    settings.server.user = c.line.value("--user").value_or("");
    settings.server.password = syncPassword(c.line);
    if (const auto seconds = c.line.value("--max-time")) {
        const auto n = parseInteger(*seconds);
        if (!n || *n < 1 || *n > 1000000) throw Misuse("--max-time " + *seconds + ": een aantal seconden van 1 tot 1000000");
        settings.server.maxTime = std::chrono::seconds(*n);
    }
    settings.server.caFile = c.line.value("--ca-file").value_or("");
    settings.today = encodeDate(c.session.today());
    settings.dtstamp = stampOf(c.givenToday, c.machine);
    settings.progress = progressLine(c, "naar de server");
    settings.downloadProgress = progressLine(c, "van de server");
    settings.allowEmpty = c.line.has("--allow-empty");
    MemoFile& file = c.session.file();
    sync::SyncReport report;
    try {
        report = sync::synchronize(c.machine.fileSystem, file, settings, sync::calDavServer);
    } catch (...) {
        if (settings.progress) c.err << "\r\x1b[K";  // the message goes where the progress was
        throw;
    }
    if (report.startedDiary)
        c.err << "jotanor-cli: " << pathText(file.path()) << " niet gevonden; nieuw memobestand aangemaakt\n";
    for (const std::string& skipped : report.skipped) c.err << "jotanor-cli: " << skipped << '\n';
    if (!report.skipped.empty()) c.status = kSkipped;
    c.out << sync::summary(report) << '\n';
}
#else
void notBuilt(Context& c) {
    throw Misuse(c.line.command + " zit niet in deze uitgave van jotanor-cli (gebouwd zonder agenda's)");
}
const auto exportCommand = notBuilt;
const auto importCommand = notBuilt;
const auto syncCommand = notBuilt;
#endif

const std::map<std::string, void (*)(Context&), std::less<>>& commands() {
    static const std::map<std::string, void (*)(Context&), std::less<>> table = {
        {"list", listCommand},   {"search", searchCommand},         {"add", addCommand},
        {"count", countCommand}, {"export-ics", exportCommand},     {"import-ics", importCommand},
        {"sync", syncCommand},
    };
    return table;
}

int runCommand(const std::vector<std::string>& args, const Machine& machine, std::ostream& out, std::ostream& err) {
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
#ifndef JOTANOR_CALENDARS
    // Started on their own: their libraries cost every other command its start.
    if (machine.calendarsElsewhere && command->second == notBuilt) return machine.calendarsElsewhere(args);
#endif

    std::optional<DaySerial> givenToday;
    if (const auto today = line.value("--today")) givenToday = parseDate(*today);
    std::optional<GivenClock> givenClock;
    if (givenToday) givenClock.emplace(decodeDate(*givenToday));
    // The name is UTF-8 on every system (a std::string path would be read
    // in the ANSI code page on Windows).
    const std::string name = line.value("--file").value_or("jotanor1.mem");
    Session session(machine.fileSystem, givenClock ? *givenClock : machine.clock,
                    std::filesystem::path(std::u8string(name.begin(), name.end())));
    Context context{line, session, machine, givenToday, out, err};
    const auto tell = [&] {
        for (const std::string& notice : session.file().takeNotices()) err << "jotanor-cli: " << notice << '\n';
    };
    try {
        command->second(context);
    } catch (const IoError&) {
        tell();
        throw;
    }
    tell();
    return context.status;
}

}  // namespace

int run(const std::vector<std::string>& args, const Machine& machine, std::ostream& out, std::ostream& err) {
    try {
        const int status = runCommand(args, machine, out, err);
        // A full disk or a closed pipe shows when the output is written out.
        if (!out.flush()) {
            err << "jotanor-cli: de uitvoer kon niet worden geschreven\n";
            return kFailed;
        }
        return status;
    } catch (const Misuse& e) {
        err << "jotanor-cli: " << e.what() << '\n';
        return kMisused;
    } catch (const IoError& e) {
        err << "jotanor-cli: " << e.path() << ": " << e.what() << (e.reason().empty() ? "" : ". ") << e.reason()
            << '\n';
        return kFailed;
    } catch (const std::exception& e) {
        // A server's or a library's words too: shown, never sent raw.
        err << "jotanor-cli: " << shownText(e.what()) << '\n';
        return kFailed;
    }
}

}  // namespace jotanor::cli
