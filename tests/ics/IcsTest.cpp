// iCalendar: the export (escaping, the events and their UIDs), the import,
// the diary's pairing with events, and round trips through both and through
// a sync's event.
#include <gtest/gtest.h>
#include <cmath>
#include <fstream>
#include <functional>
#include <regex>

#include "dates/Dates.h"
#include "diary/Pairing.h"
#include "diary/MemoCommands.h"
#include "ics/Ics.h"
#include "sync/Reconcile.h"
#include "store/Win1252.h"
#include "support/TempDir.h"

namespace jotanor {
namespace {

class IcsExport : public ::testing::Test {
protected:
    std::string exported(const ics::Range& range = {}) {
        std::string out;
        last = ics::exportCalendar(file.readAll(), range, "20260502T000000Z", out);
        return out;
    }
    std::vector<std::string> uids(const ics::Range& range = {}) {
        const std::string out = exported(range);
        std::vector<std::string> found;
        const std::regex uid("UID:([^\r]*)\r\n");
        for (auto it = std::sregex_iterator(out.begin(), out.end(), uid); it != std::sregex_iterator(); ++it)
            found.push_back((*it)[1]);
        return found;
    }

    test::TempDir dir;
    std::filesystem::path path = dir.file("m.mem");
    MemoFile file{nativeFileSystem(), path};
    DaySerial may2 = encodeDate(2026, 5, 2);
    ics::Exported last;
};

TEST_F(IcsExport, WritesOneAllDayEventPerMemoAndAYearlyOneForAStarredMemo) {
    test::writeMemos(path, {{may2, "*Verjaardag", "taart, koffie"}, {may2 + 1, "Tandarts", ""},
                            {may2 + 1, "Overleg", "23:30 tot 4-5-2026 01:00 Kantoor"}});
    const std::string out = exported();
    const std::regex expected(
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Jotanor//jotanor-cli [0-9.]+//NL\r\nCALSCALE:GREGORIAN\r\n"
        "BEGIN:VEVENT\r\nUID:yearly-0502-[0-9a-f]{16}@jotanor\r\nDTSTAMP:20260502T000000Z\r\n"
        "DTSTART;VALUE=DATE:20260502\r\nRRULE:FREQ=YEARLY\r\nSUMMARY:Verjaardag\r\nDESCRIPTION:taart\\\\, koffie\r\n"
        "END:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:20260503-[0-9a-f]{16}@jotanor\r\nDTSTAMP:20260502T000000Z\r\n"
        "DTSTART;VALUE=DATE:20260503\r\nSUMMARY:Tandarts\r\nEND:VEVENT\r\n"
        // A memo with a clock: a timed event, on the clock it is read on.
        "BEGIN:VEVENT\r\nUID:20260503-[0-9a-f]{16}@jotanor\r\nDTSTAMP:20260502T000000Z\r\n"
        "DTSTART:20260503T233000\r\nDTEND:20260504T010000\r\nSUMMARY:Overleg\r\nLOCATION:Kantoor\r\nEND:VEVENT\r\n"
        "END:VCALENDAR\r\n");
    EXPECT_TRUE(std::regex_match(out, expected)) << out;
}

TEST_F(IcsExport, EscapesWhatTextValuesMayNotHold) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"a,b;c\\d: \"e\"", "a\\,b\\;c\\\\d: \"e\""},
        {"C:\\nieuw", "C:\\\\nieuw"},
        {"x\r\ny\nz\rw", "x\\ny\\nz\\nw"},
        {"\\,\\;\\\\", "\\\\\\,\\\\\\;\\\\\\\\"},
        {std::string("\x01\x1F\x7F\tend", 7), "   \tend"},
        {"\x80 caf\xE9", "€ café"},
    };
    for (const auto& c : cases) {
        test::writeMemos(path, {{may2, "x", c.in}});
        const std::string out = exported();
        const auto at = out.find("DESCRIPTION:") + 12;
        EXPECT_EQ(out.substr(at, out.find("\r\n", at) - at), c.out) << c.in;
    }
}

TEST_F(IcsExport, AMemoKeepsItsUidWhateverElseChanges) {
    test::writeMemos(path, {{may2, "*Verjaardag", ""}, {may2 + 9, "Kapper", ""}});
    const auto first = uids();
    EXPECT_EQ(uids(), first);
    // Another memo before them, and the starred one moved a year on.
    test::writeMemos(path, {{may2 - 5, "nieuw", ""}, {may2 + 9, "Kapper", ""}, {may2 + 365, "*Verjaardag", ""}});
    const auto later = uids();
    ASSERT_EQ(later.size(), 3u);
    EXPECT_EQ(later[1], first[1]);
    EXPECT_EQ(later[2], first[0]);
}

TEST_F(IcsExport, IdenticalMemosAndMemosOneByteApartGetTheirOwnUids) {
    test::writeMemos(path, {{may2, "ab", "c"}, {may2, "ab", "c"}, {may2, "a", "bc"}, {may2, "ab", "c "}});
    auto found = uids();
    ASSERT_EQ(found.size(), 4u);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(std::unique(found.begin(), found.end()), found.end());
}

TEST_F(IcsExport, TheRangeTakesAStarredMemoWhenItRecursInIt) {
    const DaySerial leapDay = encodeDate(2024, 2, 29);
    test::writeMemos(path, {{encodeDate(2020, 3, 5), "*jarig", ""},
                            {leapDay, "*schrikkeldag", ""},
                            {encodeDate(2026, 3, 4), "voor", ""},
                            {encodeDate(2026, 3, 5), "eerste", ""},
                            {encodeDate(2026, 3, 31), "laatste", ""},
                            {encodeDate(2026, 4, 1), "na", ""},
                            {encodeDate(2026, 12, 31), "*oudjaar", ""}});
    const ics::Range march2026{encodeDate(2026, 3, 5), encodeDate(2026, 3, 31)};
    const std::string out = exported(march2026);
    for (const char* in : {"jarig", "eerste", "laatste"}) EXPECT_NE(out.find("SUMMARY:" + std::string(in)), std::string::npos) << in;
    for (const char* out_ : {"schrikkeldag", "voor", "na\r", "oudjaar"}) EXPECT_EQ(out.find(out_), std::string::npos) << out_;
    EXPECT_EQ(last.events, 3u);
    // 29 February comes back on 28 February, where the diary moves it.
    EXPECT_NE(exported({encodeDate(2027, 2, 28), encodeDate(2027, 2, 28)}).find("schrikkeldag"), std::string::npos);
}

TEST_F(IcsExport, AMemoWithoutACalendarDateIsLeftOutAndCounted) {
    test::writeMemos(path, {{std::numeric_limits<double>::quiet_NaN(), "kapot", ""}, {1e9, "ver weg", ""}, {may2, "goed", ""}});
    const std::string out = exported();
    EXPECT_EQ(last.events, 1u);
    EXPECT_EQ(last.undated, 2u);
    EXPECT_NE(out.find("SUMMARY:goed"), std::string::npos);
}

// Calendar files as other programs write them, read in Amsterdam's time
// zone on 2 May 2026, occurrences of repeating events through 2026.
TEST(IcsImport, EventsBecomeMemosAsTheDiaryShowsThem) {
    const std::string newYork =
        "BEGIN:VTIMEZONE\r\nTZID:Oost\r\nBEGIN:STANDARD\r\nDTSTART:19701101T020000\r\n"
        "RRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\r\nTZOFFSETFROM:-0400\r\nTZOFFSETTO:-0500\r\nEND:STANDARD\r\n"
        "BEGIN:DAYLIGHT\r\nDTSTART:19700308T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU\r\n"
        "TZOFFSETFROM:-0500\r\nTZOFFSETTO:-0400\r\nEND:DAYLIGHT\r\nEND:VTIMEZONE\r\n";
    const std::string longText = "Jaarvergadering van de vereniging van vrienden van het dagboek, met een lange "
                                 "agenda en daarna een borrel in de kantine";
    const struct {
        std::string name, events;
        std::vector<MemoRecord> memos;  // UTF-8 lines
        std::size_t skipped = 0, cut = 0, replaced = 0;
        bool ownZone = false;  // as a sync reads them: each on its own zone's clock
    } cases[] = {
        {"a time zone of the file's own, into the next day here", newYork +
             "BEGIN:VEVENT\r\nUID:a\r\nDTSTART;TZID=Oost:20260310T200000\r\nDTEND;TZID=Oost:20260310T213000\r\n"
             "SUMMARY:Overleg\r\nLOCATION:Zoom\r\nEND:VEVENT\r\n",
         {{encodeDate(2026, 3, 11), "Overleg", "01:00–02:30 Zoom"}}},
        {"as a sync reads them: a zone of the file's own and UTC on their own clocks", newYork +
             "BEGIN:VEVENT\r\nUID:a\r\nDTSTART;TZID=Oost:20260310T200000\r\nDTEND;TZID=Oost:20260310T213000\r\n"
             "SUMMARY:Overleg\r\nEND:VEVENT\r\n"
             "BEGIN:VEVENT\r\nUID:b\r\nDTSTART:20261231T223000Z\r\nDTEND:20270101T010000Z\r\nSUMMARY:Oud\r\nEND:VEVENT\r\n",
         {{encodeDate(2026, 3, 10), "Overleg", "20:00–21:30"}, {encodeDate(2026, 12, 31), "Oud", "22:30 tot 1-1-2027 01:00"}},
         0, 0, 0, true},
        {"UTC, ending on another day",
         "BEGIN:VEVENT\r\nUID:b\r\nDTSTART:20261231T223000Z\r\nDTEND:20270101T010000Z\r\nSUMMARY:Oud\\, nieuw\r\nEND:VEVENT\r\n",
         {{encodeDate(2026, 12, 31), "Oud, nieuw", "23:30 tot 1-1-2027 02:00"}}},
        {"floating, with a duration",
         "BEGIN:VEVENT\r\nUID:c\r\nDTSTART:20260501T090000\r\nDURATION:PT1H30M\r\nSUMMARY:Kapper\r\nEND:VEVENT\r\n",
         {{encodeDate(2026, 5, 1), "Kapper", "09:00–10:30"}}},
        {"all day, the first line of its description",
         "BEGIN:VEVENT\r\nUID:d\r\nDTSTART;VALUE=DATE:20260720\r\nSUMMARY:Kamp\r\n"
         "DESCRIPTION:tent mee\\nslaapzak\r\nEND:VEVENT\r\n",
         {{encodeDate(2026, 7, 20), "Kamp", "tent mee"}}},
        {"weekly, one left out and one moved",
         "BEGIN:VEVENT\r\nUID:e\r\nDTSTART;TZID=Europe/Amsterdam:20260504T190000\r\nRRULE:FREQ=WEEKLY;COUNT=4\r\n"
         "EXDATE;TZID=Europe/Amsterdam:20260511T190000\r\nSUMMARY:Koor\r\nEND:VEVENT\r\n"
         "BEGIN:VEVENT\r\nUID:e\r\nRECURRENCE-ID;TZID=Europe/Amsterdam:20260518T190000\r\n"
         "DTSTART;TZID=Europe/Amsterdam:20260519T200000\r\nSUMMARY:Koor (dinsdag)\r\nEND:VEVENT\r\n",
         {{encodeDate(2026, 5, 4), "Koor", "19:00"},
          {encodeDate(2026, 5, 25), "Koor", "19:00"},
          {encodeDate(2026, 5, 19), "Koor (dinsdag)", "20:00"}}},
        {"monthly from before the window, to its end",
         "BEGIN:VEVENT\r\nUID:f\r\nDTSTART;VALUE=DATE:20250915\r\nRRULE:FREQ=MONTHLY;UNTIL=20261231\r\nSUMMARY:Huur\r\nEND:VEVENT\r\n",
         {{encodeDate(2026, 5, 15), "Huur", ""}, {encodeDate(2026, 6, 15), "Huur", ""}, {encodeDate(2026, 7, 15), "Huur", ""},
          {encodeDate(2026, 8, 15), "Huur", ""}, {encodeDate(2026, 9, 15), "Huur", ""}, {encodeDate(2026, 10, 15), "Huur", ""},
          {encodeDate(2026, 11, 15), "Huur", ""}, {encodeDate(2026, 12, 15), "Huur", ""}}},
        {"yearly without an end: one starred memo on its next date",
         "BEGIN:VEVENT\r\nUID:g\r\nDTSTART;VALUE=DATE:19800412\r\nRRULE:FREQ=YEARLY\r\nSUMMARY:Jarig Piet\r\nEND:VEVENT\r\n"
         "BEGIN:VEVENT\r\nUID:h\r\nDTSTART;VALUE=DATE:19800502\r\nRRULE:FREQ=YEARLY\r\nSUMMARY:Jarig Ans\r\nEND:VEVENT\r\n"
         "BEGIN:VEVENT\r\nUID:h2\r\nDTSTART;VALUE=DATE:20300601\r\nRRULE:FREQ=YEARLY\r\nSUMMARY:Jubileum\r\nEND:VEVENT\r\n",
         {{encodeDate(2027, 4, 12), "*Jarig Piet", ""}, {encodeDate(2026, 5, 2), "*Jarig Ans", ""},
          {encodeDate(2030, 6, 1), "*Jubileum", ""}}},
        {"yearly with a count: each occurrence, never a starred memo; one on the last day of the window",
         "BEGIN:VEVENT\r\nUID:m\r\nDTSTART;VALUE=DATE:20251231\r\nRRULE:FREQ=YEARLY;COUNT=3\r\nSUMMARY:Oudjaar\r\nEND:VEVENT\r\n",
         {{encodeDate(2026, 12, 31), "Oudjaar", ""}}},
        {"a zone named without its VTIMEZONE, from the system's zone data",
         "BEGIN:VEVENT\r\nUID:n\r\nDTSTART;TZID=America/New_York:20260610T200000\r\nSUMMARY:Bellen\r\nEND:VEVENT\r\n",
         {{encodeDate(2026, 6, 11), "Bellen", "02:00"}}},
        {"an occurrence moved out of the window stays out",
         "BEGIN:VEVENT\r\nUID:o\r\nDTSTART;VALUE=DATE:20260501\r\nRRULE:FREQ=MONTHLY;COUNT=2\r\nSUMMARY:Les\r\nEND:VEVENT\r\n"
         "BEGIN:VEVENT\r\nUID:o\r\nRECURRENCE-ID;VALUE=DATE:20260601\r\nDTSTART;VALUE=DATE:20270105\r\nSUMMARY:Les\r\nEND:VEVENT\r\n",
         {}},
        {"what a memo cannot show goes on line 2: the last day, an end on a later day",
         "BEGIN:VEVENT\r\nUID:p\r\nDTSTART;VALUE=DATE:20260720\r\nDTEND;VALUE=DATE:20260723\r\nSUMMARY:Kamp\r\n"
         "DESCRIPTION:tent mee\r\nEND:VEVENT\r\n"
         "BEGIN:VEVENT\r\nUID:q\r\nDTSTART:20260801T213000Z\r\nDTEND:20260802T083000Z\r\nSUMMARY:Nachttrein?\r\n"
         "LOCATION:Perron 5\r\nEND:VEVENT\r\n",
         {{encodeDate(2026, 7, 20), "Kamp", "t/m 22-7-2026, tent mee"},
          {encodeDate(2026, 8, 1), "Nachttrein?", "23:30 tot 2-8-2026 10:30 Perron 5"}}},
        {"cancelled, to-do, journal entry",
         "BEGIN:VEVENT\r\nUID:i\r\nDTSTART:20260601T100000Z\r\nSTATUS:CANCELLED\r\nSUMMARY:x\r\nEND:VEVENT\r\n"
         "BEGIN:VTODO\r\nUID:j\r\nSUMMARY:y\r\nEND:VTODO\r\nBEGIN:VJOURNAL\r\nUID:k\r\nSUMMARY:z\r\nEND:VJOURNAL\r\n",
         {}, 3},
        {"past the diary's last day: skipped, and named",
         "BEGIN:VEVENT\r\nUID:r\r\nDTSTART;VALUE=DATE:100000101\r\nSUMMARY:Ver weg\r\nEND:VEVENT\r\n", {}, 1},
        {"ending past the diary's last day: its end not shown",
         "BEGIN:VEVENT\r\nUID:s\r\nDTSTART;VALUE=DATE:99991231\r\nDURATION:P3D\r\nSUMMARY:Eind\r\nEND:VEVENT\r\n",
         {{encodeDate(9999, 12, 31), "Eind", ""}}},
        {"awkward text: folded, too long, not in Windows-1252",
         "BEGIN:VEVENT\r\nUID:l\r\nDTSTART;VALUE=DATE:20260603\r\nSUMMARY:" + longText.substr(0, 60) + "\r\n " +
             longText.substr(60) + "\r\nDESCRIPTION:Feest 🎉 in het Ελληνικά\r\nEND:VEVENT\r\n",
         {{encodeDate(2026, 6, 3),
           "Jaarvergadering van de vereniging van vrienden van het dagboek, met een lange agenda en daarna een…",
           "Feest ? in het ????????"}},
         0, 1, 9},
    };
    for (const auto& c : cases) {
        const std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Elders//NL\r\n" + c.events + "END:VCALENDAR\r\n";
        const auto today = encodeDate(2026, 5, 2);
        const ics::Imported got =
            ics::readCalendar(text, {today, today, encodeDate(2026, 12, 31), "Europe/Amsterdam", c.ownZone});
        std::vector<MemoRecord> memos;
        for (const auto& m : got.memos) memos.push_back({m.record.date, cp1252ToUtf8(m.record.line1), cp1252ToUtf8(m.record.line2)});
        EXPECT_EQ(memos, c.memos) << c.name;
        EXPECT_EQ(got.skipped, c.skipped) << c.name;
        EXPECT_EQ(got.cut, c.cut) << c.name;
        EXPECT_EQ(got.replaced, c.replaced) << c.name;
        EXPECT_EQ(got.undatable, c.name.starts_with("past") ? std::vector<std::string>{"Ver weg"} : std::vector<std::string>{});
    }
    // More often than daily: 1,000 memos of each such event, and named.
    const auto repeating = [](std::string rule, std::string title) {
        return "BEGIN:VEVENT\r\nUID:" + title + "\r\nDTSTART:20260601T000000Z\r\nRRULE:" + rule + "\r\nSUMMARY:" + title +
               "\r\nEND:VEVENT\r\n";
    };
    const ics::Imported often = ics::readCalendar(
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Elders//NL\r\n" + repeating("FREQ=MINUTELY", "minuut") +
            repeating("FREQ=DAILY;BYHOUR=1,2,3;COUNT=3300", "uren") + repeating("FREQ=DAILY;COUNT=1100", "dag") +
            "END:VCALENDAR\r\n",
        {encodeDate(2026, 5, 2), encodeDate(2026, 5, 2), encodeDate(2029, 12, 31), "UTC"});
    EXPECT_EQ(often.memos.size(), 3100u);
    EXPECT_EQ(often.bounded, (std::vector<std::string>{"minuut", "uren"}));
}

// Each event gives one memo, and each memo of a diary stands for one event.
TEST(IcsImport, EachEventIsOneMemoAndEachMemoPairsWithOneEvent) {
    const auto event = [](std::string uid) {
        return "BEGIN:VEVENT\r\nUID:" + uid + "\r\nDTSTART;VALUE=DATE:20260601\r\nSUMMARY:Markt\r\nEND:VEVENT\r\n";
    };
    const MemoRecord markt{encodeDate(2026, 6, 1), "Markt", ""};
    const struct {
        const char* name;
        std::string events;
        std::vector<MemoRecord> diary;
        std::size_t added;
    } cases[] = {
        {"the same event twice in one file", event("a") + event("a"), {}, 1},
        {"two events alike, into an empty diary", event("a") + event("b"), {}, 2},
        {"two events alike, into a diary holding one", event("a") + event("b"), {markt}, 1},
        {"two events alike, into a diary holding both", event("a") + event("b"), {markt, markt}, 0},
    };
    const DaySerial today = encodeDate(2026, 5, 2);
    for (const auto& c : cases) {
        const ics::Imported read = ics::readCalendar(
            "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Elders//NL\r\n" + c.events + "END:VCALENDAR\r\n", {today, today, today + 365});
        DiaryMemos diary(c.diary);
        EXPECT_EQ(importEdits(diary, read).edits.size(), c.added) << c.name;
    }
}

// Every kind of memo a diary holds, on 2 May 2026.
std::vector<MemoRecord> everyKind() {
    const DaySerial may2 = encodeDate(2026, 5, 2);
    return {
        {encodeDate(2024, 2, 29), "*Schrikkeldag", "elke 28 februari"},
        {encodeDate(2026, 2, 28), "*Schrikkeldag verplaatst", ""},
        {may2 - 5, "* Verjaardag ", "nog niet verplaatst"},
        {may2, "", ""},
        {may2, "  voor en na  ", " tweede "},
        {may2 + 1, "stuur\x01teken\x7f", "regel\r\nbreuk\ten tab"},
        {may2 + 2, std::string(100, 'x'), std::string(100, '\xe9')},
        {may2 + 3, "*" + std::string(99, 'y'), "*"},
        {may2 + 4, "dubbel", ""},
        {may2 + 4, "dubbel", ""},
        {encodeDate(2028, 2, 29), "*Schrikkeldag later", ""},
    };
}

class RoundTrip : public IcsExport {
protected:
    void SetUp() override { test::writeMemos(path, everyKind()); }
    ics::ImportWindow window{may2, may2, may2 + 365};
};

TEST_F(RoundTrip, ExportThenImportIntoTheSameDiaryAddsNothingAndWritesNothing) {
    const ics::Imported imported = ics::readCalendar(exported(), window);
    EXPECT_EQ(imported.memos.size(), everyKind().size());
    DiaryMemos diary(file.readAll());
    const auto plan = importEdits(diary, imported);
    EXPECT_TRUE(plan.edits.empty()) << plan.edits.size() << " " << plan.edits[0].memo->line1;
    EXPECT_EQ(plan.already, everyKind().size());
    // Into an empty diary each comes back once, and then again adds nothing.
    test::writeMemos(path, {});
    DiaryMemos empty(std::vector<MemoRecord>{});
    applyEdits(file, importEdits(empty, imported).edits);
    EXPECT_EQ(file.readAll().size(), everyKind().size());
    const auto written = std::filesystem::last_write_time(path);
    DiaryMemos again(file.readAll());
    const auto outcomes = applyEdits(file, importEdits(again, imported).edits);
    EXPECT_TRUE(outcomes.empty());
    EXPECT_EQ(std::filesystem::last_write_time(path), written);
}

// Blanks at the ends, tabs, control characters and line breaks as they
// were, so each memo keeps its UID. (A starred memo more than 14 days past
// comes back on its next day, as the diary moves it on.)
TEST_F(RoundTrip, IntoAnEmptyDiaryEachMemoComesBackAsItWasUnderItsUid) {
    std::vector<MemoRecord> kinds = everyKind();
    std::erase_if(kinds, [&](const MemoRecord& m) { return m.starred() && m.date < may2 - 14; });
    kinds.insert(kinds.end() - 1, {may2 + 5, "\tOverleg\t", "09:30\x96" "10:00  zaal 2 "});
    test::writeMemos(path, kinds);
    const std::string first = exported();
    test::writeMemos(path, {});
    DiaryMemos empty(std::vector<MemoRecord>{});
    applyEdits(file, importEdits(empty, ics::readCalendar(first, window)).edits);
    EXPECT_EQ(file.readAll(), kinds);
    EXPECT_EQ(exported(), first);
}

TEST_F(RoundTrip, SyncWritesTheExportsEventAndPairsEachMemoWithIt) {
    const std::string all = exported();
    const std::vector<MemoRecord> memos = file.readAll();
    ics::UidMaker uids;
    sync::ServerChanges server;
    std::size_t from = 0;
    std::vector<std::pair<MemoRecord, std::string>> given;  // as the export gives them, identical memos apart
    for (const auto& memo : memos) {
        const std::string uid = uids.next(memo);
        given.emplace_back(memo, uid);
        const auto one = ics::eventCalendar(memo, uid, "20260502T000000Z");
        ASSERT_TRUE(one);
        const auto begin = one->find("BEGIN:VEVENT"), end = one->find("END:VEVENT");
        const std::string event = one->substr(begin, end - begin);
        const auto at = all.find(event, from);
        EXPECT_NE(at, std::string::npos) << event;
        from = at == std::string::npos ? from : at;
        const ics::Imported read = ics::readCalendar(*one, window);
        ASSERT_EQ(read.memos.size(), 1u) << event;
        server.changed[uid + ".ics"] = {"e", uid, {read.memos[0].record}};
    }
    // The starred 29 February: that day, then every 28 February.
    EXPECT_NE(all.find("DTSTART;VALUE=DATE:20250228\r\nRRULE:FREQ=YEARLY\r\nRDATE;VALUE=DATE:20240229\r\n"), std::string::npos);
    EXPECT_EQ(DiaryMemos(memos).unclaimed(), given);
    const sync::Reconciled r = sync::reconcile({}, memos, server);
    EXPECT_TRUE(r.here.empty());
    EXPECT_TRUE(r.putThere.empty());
    for (const auto& event : r.events) {
        ASSERT_EQ(event.memos().size(), 1u);
        EXPECT_EQ(ics::memoUid(event.memos()[0]), ics::memoUid(memos[static_cast<std::size_t>(
                                                        std::find(memos.begin(), memos.end(), event.memos()[0]) - memos.begin())]));
    }
}

TEST_F(RoundTrip, TheListsCalendarGivesEachMemoTheExportsUid) {
    const auto all = uids();
    const std::vector<MemoRecord> memos = file.readAll();
    std::vector<std::pair<std::size_t, MemoRecord>> shown;  // as a list sorted otherwise shows them
    for (std::size_t i = memos.size(); i-- > 0;) shown.emplace_back(i, memos[i]);
    const std::string list = exportList(file, shown, "20260502T000000Z").text;
    std::vector<std::string> found;
    const std::regex uid("UID:([^\r]*)\r\n");
    for (auto it = std::sregex_iterator(list.begin(), list.end(), uid); it != std::sregex_iterator(); ++it)
        found.insert(found.begin(), (*it)[1]);
    EXPECT_EQ(found, all);
}

// A calendar of timed events, imported in Amsterdam, then again in New York.
TEST(IcsImport, AgainInAnotherTimeZoneAddsNothing) {
    const std::string text =
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Elders//NL\r\n"
        "BEGIN:VEVENT\r\nUID:a\r\nDTSTART:20260601T220000Z\r\nDTEND:20260601T233000Z\r\nSUMMARY:Laat\r\nLOCATION:Thuis\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:b\r\nDTSTART;TZID=Europe/Amsterdam:20260605T090000\r\nSUMMARY:Vroeg\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:c\r\nDTSTART;TZID=Europe/Amsterdam:20260606T230000\r\nDTEND;TZID=Europe/Amsterdam:20260607T080000\r\n"
        "SUMMARY:Nacht\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:d\r\nDTSTART;VALUE=DATE:20260610\r\nSUMMARY:Hele dag\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    const DaySerial today = encodeDate(2026, 5, 2);
    const ics::Imported here = ics::readCalendar(text, {today, today, today + 365, "Europe/Amsterdam"});
    DiaryMemos empty(std::vector<MemoRecord>{});
    std::vector<MemoRecord> diary;
    for (const auto& edit : importEdits(empty, here).edits) diary.push_back(*edit.memo);
    ASSERT_EQ(diary.size(), 4u);
    const ics::Imported there = ics::readCalendar(text, {today, today, today + 365, "America/New_York"});
    EXPECT_NE(there.memos[0].record, here.memos[0].record);
    DiaryMemos held(diary);
    EXPECT_TRUE(importEdits(held, there).edits.empty());
    // Another time, or another place, is another event.
    ics::Imported other = there;
    other.memos[0].record.line2 += "s";
    other.memos[1].record.date += 2;
    DiaryMemos held2(diary);
    EXPECT_EQ(importEdits(held2, other).edits.size(), 2u);
}

// The phone's events edited in the diary: each part of the memo goes back
// to the property it came from and no other, and the event keeps all the
// memo does not show. (One occurrence: check_sync.py.)
TEST(IcsImport, ADiaryEditChangesOnlyThePropertyItsPartCameFrom) {
    const std::string title207 = "Jaarvergadering 🎉 van de vereniging van vrienden van het dagboek met een lange agenda: "
                                 "een verkiezing van het bestuur en de begroting voor het komende jaar en daarna een "
                                 "borrel met hapjes in de kantine 🎂";
    const std::string events[] = {
        "UID:overleg@telefoon\r\nDTSTART;TZID=Europe/Amsterdam:20260520T140000\r\nDTEND;TZID=Europe/Amsterdam:20260520T153000\r\n"
        "SUMMARY:Overleg\r\nLOCATION:Kantoor\r\nDESCRIPTION:Agenda\\nPunt 1\\nPunt 2\r\n",
        "UID:nacht@telefoon\r\nDTSTART;TZID=Europe/Amsterdam:20261215T233000\r\nDTEND;TZID=Europe/Amsterdam:20261216T013000\r\n"
        "SUMMARY:Dienst\r\nLOCATION:Ziekenhuis\r\n",
        "UID:kamp@telefoon\r\nDTSTART;VALUE=DATE:20261220\r\nDTEND;VALUE=DATE:20261223\r\nSUMMARY:Kamp\r\n"
        "DESCRIPTION:tent mee\\nslaapzak\r\n",
        "UID:kapper@telefoon\r\nDTSTART:20260601T090000Z\r\nDURATION:PT1H\r\nSUMMARY:Kapper\r\n",
        "UID:lang@telefoon\r\nDTSTART;VALUE=DATE:20260610\r\nSUMMARY:" + title207 + "\r\n",
        "UID:jarig@telefoon\r\nDTSTART;VALUE=DATE:19900612\r\nRRULE:FREQ=YEARLY\r\nSUMMARY:Jarig Piet\r\n",
    };
    enum { kOverleg, kNacht, kKamp, kKapper, kLang, kJarig };
    const auto calendar = [&](int event) {
        return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Telefoon//NL\r\nBEGIN:VEVENT\r\nDTSTAMP:20260501T000000Z\r\n" +
               events[event] +
               "ATTENDEE:mailto:jan@example.org\r\nCATEGORIES:Werk\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT15M\r\n"
               "DESCRIPTION:Herinnering\r\nEND:VALARM\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    };
    const DaySerial today = encodeDate(2026, 5, 2);
    const ics::ImportWindow window{today, today, today + 365, "Europe/Amsterdam"};
    using Edit = std::function<void(MemoRecord&)>;
    const auto line1 = [](std::string text) -> Edit { return [text](MemoRecord& m) { m.line1 = text; }; };
    const auto line2 = [](std::string text) -> Edit { return [text](MemoRecord& m) { m.line2 = text; }; };
    const struct {
        int event;
        std::vector<Edit> edits;
        std::vector<std::string> written, gone = {};
        const char* syncZone = "Europe/Amsterdam";  // the clock the change is made on
    } cases[] = {
        {kOverleg, {line1("Overleg team")}, {"SUMMARY:Overleg team", "T140000", "T153000", "LOCATION:Kantoor"}},
        {kOverleg, {line2("14:00\x96" "15:30 Kantoor B")}, {"LOCATION:Kantoor B", "SUMMARY:Overleg"}},
        {kOverleg, {line2("15:00\x96" "16:00 Kantoor")}, {"T150000", "T160000"}},
        {kOverleg, {line2("14:00\x96" "16:00 Kantoor")}, {"T140000", "T160000"}},
        {kOverleg, {[](MemoRecord& m) { m.date += 1; }}, {"20260521T140000", "20260521T153000"}},
        {kOverleg, {line1("Overleg team"), line2("14:00\x96" "15:30 Kantoor B")},
         {"SUMMARY:Overleg team", "LOCATION:Kantoor B", "T140000", "T153000"}},
        {kOverleg, {line1("Overleg team")}, {"SUMMARY:Overleg team", "T140000", "T153000"}, {}, "UTC"},
        {kOverleg, {line2("15:00\x96" "16:30 Kantoor")}, {"T150000", "T163000"}, {}, "America/New_York"},
        {kNacht, {line2("23:30 tot 16-12-2026 01:30 Kliniek")},
         {"LOCATION:Kliniek", "20261215T233000", "20261216T013000"}, {"tot"}},
        {kNacht, {line2("23:30 tot 17-12-2026 01:30 Ziekenhuis")}, {"20261215T233000", "20261217T013000", "LOCATION:Ziekenhuis"}},
        {kKamp, {line2("t/m 23-12-2026, tent mee")}, {"DTEND;VALUE=DATE:20261224", "DESCRIPTION:tent mee\\nslaapzak"}, {"t/m"}},
        {kKamp, {line2("t/m 22-12-2026, tent en mat mee")},
         {"DTEND;VALUE=DATE:20261223", "DESCRIPTION:tent en mat mee\\nslaapzak"}, {"t/m"}},
        {kKamp, {line1("*Kamp")}, {"RRULE:FREQ=YEARLY", "SUMMARY:Kamp\r\n", "DTEND;VALUE=DATE:20261223"}},
        {kKapper, {line2("11:00\x96" "12:30")}, {"DTSTART:20260601T090000Z", "DURATION:PT1H30M"}},
        {kKapper, {line2("bij Ans")}, {"DTSTART;VALUE=DATE:20260601", "DESCRIPTION:bij Ans"}, {"DURATION", "T09"}},
        {kOverleg, {[](MemoRecord& m) { m.date += 1; }, line2("15:00\x96" "16:30 Kantoor")}, {"20260521T150000", "20260521T163000"}},
        {kNacht, {line2("23:00 tot 16-12-2026 01:30 Kliniek")}, {"20261215T230000", "20261216T013000", "LOCATION:Kliniek"}},
        {kKamp, {line1("Zomerkamp"), line2("t/m 23-12-2026, tent en mat mee")},
         {"SUMMARY:Zomerkamp", "DTEND;VALUE=DATE:20261224", "DESCRIPTION:tent en mat mee\\nslaapzak"}},
        {kLang, {[](MemoRecord& m) { m.line1.replace(m.line1.find("vereniging"), 10, "Vereniging"); }},
         {"SUMMARY:" + std::regex_replace(title207, std::regex("vereniging"), "Vereniging") + "\r\n"}, {"…", "?"}},
        {kJarig, {line1("Jarig Piet")}, {"DTSTART;VALUE=DATE:20260612", "SUMMARY:Jarig Piet"}, {"RRULE"}},
    };
    for (const auto& c : cases) {
        const std::string event = calendar(c.event);
        const MemoRecord before = ics::readCalendar(event, window).memos.at(0).record;
        MemoRecord after = before;
        for (const auto& edit : c.edits) edit(after);
        ics::ImportWindow syncWindow = window;
        syncWindow.zone = c.syncZone;
        const auto changed = ics::changeEvent(event, syncWindow, {before, after}, "20260502T120000Z");
        const std::string name = cp1252ToUtf8(after.line1 + " / " + after.line2);
        if (!changed) {
            ADD_FAILURE() << "not written: " << name;
            continue;
        }
        const std::string text = std::regex_replace(*changed, std::regex("\r\n "), "");
        std::vector<std::string> kept = {"ATTENDEE", "BEGIN:VALARM", "CATEGORIES:Werk", "SEQUENCE:1", "DTSTAMP:20260502T120000Z"};
        kept.push_back(events[c.event].substr(0, events[c.event].find("\r\n")));  // the UID
        if (c.event == kOverleg) kept.insert(kept.end(), {"TZID=Europe/Amsterdam", "\\nPunt 1\\nPunt 2"});
        kept.insert(kept.end(), c.written.begin(), c.written.end());
        for (const auto& k : kept) EXPECT_NE(text.find(k), std::string::npos) << k << " in " << name << "\n" << text;
        const std::string changedEvent = text.substr(text.find("BEGIN:VEVENT"));
        for (const auto& g : c.gone)
            EXPECT_EQ(changedEvent.substr(0, changedEvent.find("BEGIN:VALARM")).find(g), std::string::npos) << g << " in " << name;
        EXPECT_EQ(ics::readCalendar(text, window).memos.at(0).record, after) << name;
    }
}

}  // namespace
}  // namespace jotanor
