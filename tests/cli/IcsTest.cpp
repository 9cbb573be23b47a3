// iCalendar: the export (escaping, the events and their UIDs), the import,
// round trips through both and through a sync's event, and the reconcile
// of the two sides of a sync.
#include <gtest/gtest.h>
#include <cmath>
#include <fstream>
#include <functional>
#include <regex>

#include "dates/Dates.h"
#include "ics/DiaryCalendar.h"
#include "ics/Ics.h"
#include "sync/Reconcile.h"
#include "sync/Sync.h"
#include "sync/SyncState.h"
#include "store/SafeWrite.h"
#include "store/Win1252.h"
#include "support/TempDir.h"

namespace jotanor {
namespace {

class IcsExport : public ::testing::Test {
protected:
    std::string exported(const ics::Range& range = {}) {
        std::string out;
        last = ics::exportCalendar(file, range, "20260502T000000Z", out);
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
    } cases[] = {
        {"a time zone of the file's own, into the next day here", newYork +
             "BEGIN:VEVENT\r\nUID:a\r\nDTSTART;TZID=Oost:20260310T200000\r\nDTEND;TZID=Oost:20260310T213000\r\n"
             "SUMMARY:Overleg\r\nLOCATION:Zoom\r\nEND:VEVENT\r\n",
         {{encodeDate(2026, 3, 11), "Overleg", "01:00–02:30 Zoom"}}},
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
        const ics::Imported got = ics::readCalendar(text, {today, today, encodeDate(2026, 12, 31), "Europe/Amsterdam"});
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
        ics::DiaryMemos diary(c.diary);
        EXPECT_EQ(ics::importEdits(diary, read).edits.size(), c.added) << c.name;
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
    ics::DiaryMemos diary(file.readAll());
    const auto plan = ics::importEdits(diary, imported);
    EXPECT_TRUE(plan.edits.empty()) << plan.edits.size() << " " << plan.edits[0].memo->line1;
    EXPECT_EQ(plan.already, everyKind().size());
    // Into an empty diary each comes back once, and then again adds nothing.
    test::writeMemos(path, {});
    ics::DiaryMemos empty(std::vector<MemoRecord>{});
    applyEdits(file, ics::importEdits(empty, imported).edits);
    EXPECT_EQ(file.readAll().size(), everyKind().size());
    const auto written = std::filesystem::last_write_time(path);
    ics::DiaryMemos again(file.readAll());
    const auto outcomes = applyEdits(file, ics::importEdits(again, imported).edits);
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
    ics::DiaryMemos empty(std::vector<MemoRecord>{});
    applyEdits(file, ics::importEdits(empty, ics::readCalendar(first, window)).edits);
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
    EXPECT_EQ(ics::DiaryMemos(memos).unclaimed(), given);
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
    const std::string list = ics::exportList(file, shown, "20260502T000000Z").text;
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
    ics::DiaryMemos empty(std::vector<MemoRecord>{});
    std::vector<MemoRecord> diary;
    for (const auto& edit : ics::importEdits(empty, here).edits) diary.push_back(*edit.memo);
    ASSERT_EQ(diary.size(), 4u);
    const ics::Imported there = ics::readCalendar(text, {today, today, today + 365, "America/New_York"});
    EXPECT_NE(there.memos[0].record, here.memos[0].record);
    ics::DiaryMemos held(diary);
    EXPECT_TRUE(ics::importEdits(held, there).edits.empty());
    // Another time, or another place, is another event.
    ics::Imported other = there;
    other.memos[0].record.line2 += "s";
    other.memos[1].record.date += 2;
    ics::DiaryMemos held2(diary);
    EXPECT_EQ(ics::importEdits(held2, other).edits.size(), 2u);
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

// The two sides of a sync, from what the last sync saw: Tandarts (event
// "t") and Kapper ("k").
TEST(Reconcile, EachSideGetsTheOthersChangesAndAConflictKeepsBoth) {
    const DaySerial may = encodeDate(2026, 5, 10);
    const MemoRecord t{may, "Tandarts", ""}, k{may + 1, "Kapper", ""}, x{may + 2, "Markt", ""};
    const MemoRecord tHere{may, "Tandarts 9:00", ""}, tThere{may, "Tandarts 10:00", ""};
    const MemoRecord star{encodeDate(2026, 3, 5), "*Jarig", ""}, starMoved{encodeDate(2027, 3, 5), "*Jarig", ""};
    const std::vector<sync::SyncedEvent> last = {{"t", "1", "", {t}}, {"k", "1", "", {k}}};
    const auto changed = [](std::string href, MemoRecord memo) {
        sync::ServerChanges s;
        s.changed[href] = {"2", "", {memo}};
        return s;
    };
    sync::ServerChanges removedT;
    removedT.removed = {"t"};
    // After the state was lost: on the server with the UID the diary gives
    // x (with a trailing blank no event holds), saying the same, or not.
    const MemoRecord xBlank{may + 2, "Markt ", ""}, xThere{may + 2, "Markt 8:00", ""};
    sync::ServerChanges ours, theirs;
    ours.changed["x"] = {"1", ics::memoUid(xBlank), {x}};
    theirs.changed["x"] = {"1", ics::memoUid(x), {xThere}};
    // A weekly event: one occurrence changed or deleted here.
    const MemoRecord w1{may, "Zwemmen", ""}, w2{may + 7, "Zwemmen", ""}, w2Here{may + 7, "Zwemmen 8:00", ""};
    const std::vector<sync::SyncedEvent> weekly = {{"w", "1", "w@telefoon", {w1, w2}}};
    // A phone's timed event; two on one day alike but for their titles.
    const MemoRecord o{may + 3, "Overleg", "14:00\x96" "15:30 Kantoor"}, oBoth{may + 3, "Overleg team", "14:00\x96" "15:30 Kantoor B"};
    const MemoRecord a{may + 4, "Overleg", "14:00 Kantoor"}, b{may + 4, "Lunch", "14:00 Kantoor"};
    const MemoRecord a2{may + 4, "Overleg team", "14:00 Kantoor"}, b2{may + 4, "Lunch met Jan", "14:00 Kantoor"};
    const std::vector<sync::SyncedEvent> phone = {{"a", "1", "", {a}}, {"b", "1", "", {b}}};
    const MemoRecord kStar{may + 1, "*Kapper", ""}, starOff{star.date, "Jarig", ""};
    sync::ServerChanges twoAlike;
    twoAlike.changed = {{"x1", {"1", "x1", {x}}}, {"x2", {"1", "x2", {x}}}};
    using Edits = std::vector<std::pair<MemoRecord, std::optional<MemoRecord>>>;
    const struct {
        const char* name;
        std::vector<sync::SyncedEvent> last;
        std::vector<MemoRecord> diary;
        sync::ServerChanges server;
        std::vector<MemoRecord> removeHere, addHere, putThere;
        std::vector<std::string> deleteThere;
        std::size_t conflicts = 0;
        Edits editThere = {};
    } cases[] = {
        {"nothing changed", last, {t, k}, {}, {}, {}, {}, {}},
        {"added here", last, {t, k, x}, {}, {}, {}, {x}, {}},
        {"added there", last, {t, k}, changed("x", x), {}, {x}, {}, {}},
        {"changed here: into the event", last, {tHere, k}, {}, {}, {}, {}, {}, 0, {{t, tHere}}},
        {"changed there", last, {t, k}, changed("t", tThere), {t}, {tThere}, {}, {}},
        {"deleted here", last, {k}, {}, {}, {}, {}, {"t"}},
        {"deleted there", last, {t, k}, removedT, {t}, {}, {}, {}},
        {"both changed: both versions stay", last, {tHere, k}, changed("t", tThere), {}, {tThere}, {tHere}, {}, 1},
        {"both changed alike: nothing comes down, no conflict", last, {tHere, k}, changed("t", tHere), {}, {}, {}, {}},
        {"changed here, deleted there: the change goes up", last, {tHere, k}, removedT, {}, {}, {tHere}, {}},
        {"deleted here, changed there: the change comes down", last, {k}, changed("t", tThere), {}, {tThere}, {}, {}, 0},
        {"no state: an event with the diary's UID saying the same is its memo's", {}, {xBlank}, ours, {}, {}, {}, {}},
        {"no state: the diary's UID saying else: both stay", {}, {x}, theirs, {}, {xThere}, {x}, {}, 1},
        {"one occurrence changed here: into the event", weekly, {w1, w2Here}, {}, {}, {}, {}, {}, 0, {{w2, w2Here}}},
        {"one occurrence deleted here: an exception", weekly, {w1}, {}, {}, {}, {}, {}, 0, {{w2, std::nullopt}}},
        {"every occurrence deleted here: the event goes", weekly, {}, {}, {}, {}, {}, {"w"}},
        {"no state: an equal memo pairs, the rest comes and goes", {}, {t, k}, changed("t2", t), {}, {}, {k}, {}},
        {"a starred memo moved on a year stays paired", {{"s", "1", "", {star}}}, {starMoved}, {}, {}, {}, {}, {}},
        {"title and place changed here: one edit", {{"o", "1", "", {o}}}, {oBoth}, {}, {}, {}, {}, {}, 0, {{o, oBoth}}},
        {"two edits paired by what stayed, not by file order", phone, {b2, a2}, {}, {}, {}, {}, {}, 0, {{a, a2}, {b, b2}}},
        {"a star put before the title: an edit", last, {t, kStar}, {}, {}, {}, {}, {}, 0, {{k, kStar}}},
        {"a star taken away: an edit", {{"s", "1", "", {star}}}, {starOff}, {}, {}, {}, {}, {}, 0, {{star, starOff}}},
        {"a memo with no calendar day goes up neither new nor as an edit", last,
         {{std::numeric_limits<double>::quiet_NaN(), "Tandarts", ""}, k}, {}, {}, {}, {}, {"t"}},
        {"two events giving one memo: two memos", {}, {}, twoAlike, {}, {x, x}, {}, {}},
        {"... and they stay two", {{"x1", "1", "x1", {x}}, {"x2", "1", "x2", {x}}}, {x, x}, {}, {}, {}, {}, {}},
    };
    for (const auto& c : cases) {
        const sync::Reconciled r = sync::reconcile(c.last, c.diary, c.server);
        std::vector<MemoRecord> removed, added, put;
        for (std::size_t i = 0; i < r.here.size(); ++i) (i < r.removals ? removed : added).push_back(i < r.removals ? r.here[i].old->memo : *r.here[i].memo);
        for (const auto& [memo, uid] : r.putThere) put.push_back(memo);
        EXPECT_EQ(removed, c.removeHere) << c.name;
        EXPECT_EQ(added, c.addHere) << c.name;
        EXPECT_EQ(put, c.putThere) << c.name;
        EXPECT_EQ(r.deleteThere, c.deleteThere) << c.name;
        EXPECT_EQ(r.conflicts, c.conflicts) << c.name;
        // A change there counts once, not as a deletion here too.
        EXPECT_EQ(r.replaced, std::min(removed.size(), added.size())) << c.name;
        Edits edits;
        for (const auto& [href, change] : r.editThere) edits.emplace_back(change.before, change.after);
        EXPECT_EQ(edits, c.editThere) << c.name;
        for (const auto& [memo, uid] : r.putThere)
            for (const auto& [href, event] : c.server.changed) EXPECT_NE(uid, event.uid) << c.name;
        // What the sync saw: each event once, but those gone from the server.
        std::set<std::string> hrefs, seen;
        for (const auto& event : c.last)
            if (!c.server.removed.contains(std::string(event.href()))) hrefs.emplace(event.href());
        for (const auto& [href, event] : c.server.changed) hrefs.insert(href);
        for (const auto& event : r.events) EXPECT_TRUE(seen.emplace(event.href()).second) << c.name;
        EXPECT_EQ(seen, hrefs) << c.name;
    }
}

// A diary that synced before and is gone: making it anew and syncing would
// delete every event on the server. Refused before any network work.
TEST(Sync, TheSummaryCountsWhatWasCutAndNamesWhatTheDiaryHasNoDayFor) {
    sync::SyncReport report;
    report.up = 1, report.conflicts = 1;
    EXPECT_EQ(sync::summary(report), "1 naar de server, 0 van de server, 0 hier verwijderd, 0 op de server verwijderd, 1 conflict");
    report.cut = 2, report.undatable = {"Ver weg", "Later"}, report.bounded = {"Elke minuut"};
    EXPECT_EQ(sync::summary(report), "1 naar de server, 0 van de server, 0 hier verwijderd, 0 op de server verwijderd, "
                                     "1 conflict, 2 ingekort, 2 overgeslagen (buiten de data van het dagboek: \"Ver weg\", \"Later\"), "
                                     "1 vaker dan dagelijks herhaald, alleen de eerste 1.000 keer: \"Elke minuut\"");
}

TEST(Sync, ADiaryThatSyncedAndIsGoneIsNotMadeAnew) {
    test::TempDir dir;
    const auto memoPath = dir.file("jotanor1.mem");
    MemoFile file{nativeFileSystem(), memoPath};
    sync::SyncSettings settings;
    settings.server.url = "http://127.0.0.1:9/dagboek";
    settings.today = encodeDate(2026, 5, 2);
    // Without a state: started empty, then the server is not there.
    EXPECT_THROW(sync::synchronize(nativeFileSystem(), file, settings), sync::DavError);
    EXPECT_TRUE(std::filesystem::exists(memoPath));
    std::filesystem::remove(memoPath);
    const std::string state = sync::encodeState({"http://127.0.0.1:9/dagboek/", "", {{"/dagboek/a.ics", "1", "a", {{1.0, "a", ""}}}}, "", ""});
    std::ofstream(sync::statePath(memoPath), std::ios::binary) << state;
    try {
        sync::synchronize(nativeFileSystem(), file, settings);
        ADD_FAILURE() << "synced";
    } catch (const sync::SyncError& e) {
        EXPECT_NE(std::string(e.what()).find("is er niet meer"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(std::filesystem::exists(memoPath));
}

TEST(SyncState, EveryFieldComesBackAsItWas) {
    sync::SyncState state{"https://dav.example/anna/dagboek/", "http://radicale.org/ns/sync/1", {}, "sync-token t\nctag\t7",
                          "0123456789abcdef0123456789abcdef"};
    state.events.emplace_back("/anna/dagboek/a b%41@x.ics", "\"e\ttag\"", "uid\n1");
    state.events.back().setMemos({{std::numeric_limits<double>::quiet_NaN(), "tab\there%20", std::string("nul\0\r\n", 6)},
                                  {-0.0, "", "*"}});
    state.events.emplace_back("/anna/dagboek/leeg.ics", "", "");
    const sync::SyncState back = sync::decodeState(sync::encodeState(state));
    EXPECT_EQ(sync::encodeState(back), sync::encodeState(state));
    ASSERT_EQ(back.events.size(), 2u);
    EXPECT_EQ(back.events[0].href(), state.events[0].href());
    EXPECT_EQ(back.events[0].memos()[0].line2, state.events[0].memos()[0].line2);
    EXPECT_TRUE(std::isnan(back.events[0].memos()[0].date));
    EXPECT_TRUE(std::signbit(back.events[0].memos()[1].date));
    sync::SyncedEvent changed = back.events[0];  // a new ETag keeps the rest
    changed.setEtag("nieuw");
    EXPECT_EQ(changed.etag(), "nieuw");
    EXPECT_EQ(changed.uid(), "uid\n1");
    EXPECT_EQ(changed.memos()[0].line2, state.events[0].memos()[0].line2);
    EXPECT_EQ(changed.memos()[1].line2, "*");
    EXPECT_EQ(back.collectionTag, state.collectionTag);
    EXPECT_EQ(back.diary, state.diary);
    for (const char* bad : {"", "jotanor-sync 3\n", "jotanor-sync 1\nmemo\t0\ta\tb\n", "jotanor-sync 1\nurl\t%4\n"})
        EXPECT_THROW(sync::decodeState(bad), std::runtime_error) << bad;

    // A state of the first version still reads, as one that keeps no
    // version; a head-only read stops at the first event, however far the
    // file's blocks go.
    test::TempDir dir;
    const std::string old = "jotanor-sync 1\nurl\thttps://dav.example/d/\ntoken\tt1\nevent\t/d/a.ics\t1\ta\n"
                            "memo\t3ff0000000000000\ta\t\n";
    std::ofstream(dir.file("oud"), std::ios::binary) << old;
    const sync::SyncState read = sync::readState(nativeFileSystem(), dir.file("oud"));
    EXPECT_EQ(sync::encodeState(read), sync::encodeState({"https://dav.example/d/", "t1", {{"/d/a.ics", "1", "a", {{1.0, "a", ""}}}}, "", ""}));
    std::ofstream(dir.file("nieuw"), std::ios::binary) << sync::encodeState(state) << std::string(200000, 'x');
    const sync::SyncState head = sync::readState(nativeFileSystem(), dir.file("nieuw"), true);
    EXPECT_TRUE(head.events.empty());
    EXPECT_EQ(head.collectionTag, state.collectionTag);
    EXPECT_THROW(sync::readState(nativeFileSystem(), dir.file("nieuw")), std::runtime_error);
    // A state bigger than the pieces a sync saves it in reads back whole.
    for (int i = 0; i < 1000; ++i)
        state.events.emplace_back("/anna/dagboek/" + std::to_string(i) + ".ics", "e", "u",
                                  std::vector<MemoRecord>{{1.0, std::string(100, 'x'), ""}});
    PendingFile pending(nativeFileSystem(), dir.file("groot"));
    sync::encodeState(state, [&](std::string_view piece) { pending.append(piece.data(), piece.size()); });
    pending.commit();
    EXPECT_EQ(sync::readState(nativeFileSystem(), dir.file("groot")).events.size(), 1002u);

    // The memo file's digest: the same bytes in any pieces alike, one byte
    // or the order of two records not.
    const auto digest = [](std::initializer_list<std::string_view> pieces) {
        sync::Digest d;
        for (const auto piece : pieces) d.add(piece.data(), piece.size());
        return d.hex();
    };
    EXPECT_EQ(digest({"abcdef"}), digest({"ab", "", "cdef"}));
    EXPECT_EQ(digest({"abcdef"}).size(), 32u);
    EXPECT_NE(digest({"abcdef"}), digest({"abcdeg"}));
    EXPECT_NE(digest({"abc", "def"}), digest({"def", "abc"}));
    EXPECT_NE(digest({""}), digest({std::string_view("\0", 1)}));
}

}  // namespace
}  // namespace jotanor
