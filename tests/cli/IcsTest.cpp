// The iCalendar export: escaping, folding, the events and their UIDs.
#include <gtest/gtest.h>
#include <regex>

#include "dates/Dates.h"
#include "cli/Ics.h"
#include "support/TempDir.h"

namespace jotanor {
namespace {

TEST(IcsText, EscapesWhatTextValuesMayNotHold) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"a,b;c\\d: \"e\"", "a\\,b\\;c\\\\d: \"e\""},
        {"C:\\nieuw", "C:\\\\nieuw"},
        {"x\r\ny\nz\rw", "x\\ny\\nz\\nw"},
        {"\\,\\;\\\\", "\\\\\\,\\\\\\;\\\\\\\\"},
        {std::string("\0\x01\x1F\x7F\tend", 8), "    \tend"},
        {"€ café", "€ café"},
    };
    for (const auto& c : cases) {
        std::string out = "DESCRIPTION:";
        ics::appendText(out, c.in);
        EXPECT_EQ(out, "DESCRIPTION:" + c.out) << c.in;
    }
}

TEST(IcsText, FoldsAt75OctetsBetweenCharacters) {
    const auto folded = [](const std::string& line) {
        std::string out;
        ics::appendLine(out, line);
        return out;
    };
    EXPECT_EQ(folded(std::string(75, 'a')), std::string(75, 'a') + "\r\n");
    EXPECT_EQ(folded(std::string(76, 'a')), std::string(75, 'a') + "\r\n a\r\n");
    EXPECT_EQ(folded(std::string(149, 'a')), std::string(75, 'a') + "\r\n " + std::string(74, 'a') + "\r\n");
    // "€" is three octets: the one at octets 74 to 76 goes to the next line whole.
    const std::string euro = std::string(73, 'a') + "€b";
    EXPECT_EQ(folded(euro), std::string(73, 'a') + "\r\n €b\r\n");
}

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
    test::writeMemos(path, {{may2, "*Verjaardag", "taart, koffie"}, {may2 + 1, "Tandarts", ""}});
    const std::string out = exported();
    const std::regex expected(
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Jotanor//jotanor-cli [0-9.]+//NL\r\nCALSCALE:GREGORIAN\r\n"
        "BEGIN:VEVENT\r\nUID:yearly-0502-[0-9a-f]{16}@jotanor\r\nDTSTAMP:20260502T000000Z\r\n"
        "DTSTART;VALUE=DATE:20260502\r\nRRULE:FREQ=YEARLY\r\nSUMMARY:Verjaardag\r\nDESCRIPTION:taart\\\\, koffie\r\n"
        "END:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:20260503-[0-9a-f]{16}@jotanor\r\nDTSTAMP:20260502T000000Z\r\n"
        "DTSTART;VALUE=DATE:20260503\r\nSUMMARY:Tandarts\r\nEND:VEVENT\r\n"
        "END:VCALENDAR\r\n");
    EXPECT_TRUE(std::regex_match(out, expected)) << out;
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

}  // namespace
}  // namespace jotanor
