#include <cctype>
#include <gtest/gtest.h>
#include <limits>

#include "diary/MemoCommands.h"
#include "diary/Search.h"
#include "support/TempDir.h"

namespace jotanor {
namespace {

struct WordsCase {
    const char* text;
    bool caseCounts;
    const char* title;
};

void PrintTo(const WordsCase& c, std::ostream* os) {
    *os << ::testing::PrintToString(std::string(c.text)) << (c.caseCounts ? " with case" : " without case");
}

class SearchWords : public ::testing::TestWithParam<WordsCase> {};

TEST_P(SearchWords, AreFoldedStrippedOfBlanksAndSplitAtTheFirstComma) {
    const auto& c = GetParam();
    EXPECT_EQ(searchTitle(searchWords(c.text, c.caseCounts)), c.title);
}

INSTANTIATE_TEST_SUITE_P(
    Titles, SearchWords,
    ::testing::Values(WordsCase{"Tand", true, "Zoekwoord : Tand"},
                      WordsCase{"Tand", false, "Zoekwoord : tand"},
                      WordsCase{"tand arts", true, "Zoekwoord : tandarts"},
                      WordsCase{" tandarts , bellen ", true, "Zoekwoorden : tandarts  ,  bellen"},
                      WordsCase{"a,b,c", true, "Zoekwoorden : a  ,  b,c"},
                      WordsCase{"tandarts,", true, "Zoekwoorden : tandarts  ,  "},
                      WordsCase{"   ", true, "Zoekwoord : "},
                      // Only A to Z fold: the accented capital stays.
                      WordsCase{"\xC9LAN Zo\xEB", false, "Zoekwoord : \xC9lanzo\xEB"}),
    [](const auto& info) {
        std::string name = info.param.caseCounts ? "Case_" : "AnyCase_";
        for (unsigned char c : std::string(info.param.text)) name += std::isalnum(c) ? static_cast<char>(c) : '_';
        return name;
    });

// The memos of a search, each by its first line.
class SearchMatch : public ::testing::Test {
protected:
    bool finds(const char* text, bool caseCounts, std::string_view l1, std::string_view l2 = "") {
        return SearchFilter(searchWords(text, caseCounts), caseCounts).matches(l1, l2);
    }
};

TEST_F(SearchMatch, CaseCountsOnlyWhenTicked) {
    EXPECT_FALSE(finds("Tand", true, "tandarts"));
    EXPECT_TRUE(finds("Tand", true, "Tandarts"));
    EXPECT_TRUE(finds("Tand", false, "bij de TANDARTS"));
    EXPECT_TRUE(finds("mantel", false, "Regenmantel kopen"));
    // Accented capitals are no capitals of A to Z: É and é stay apart.
    EXPECT_FALSE(finds("\xE9lan", false, "\xC9LAN"));
    EXPECT_TRUE(finds("\xC9lan", false, "\xC9LAN"));
}

TEST_F(SearchMatch, AWordIsFoundAnywhereInALineAndOnlyWhole) {
    for (const char* line : {"aaab", "aab", "xaab", "x aab y", "abaab"}) EXPECT_TRUE(finds("aab", true, line)) << line;
    for (const char* line : {"aa", "aba", "aa b", "baa", ""}) EXPECT_FALSE(finds("aab", true, line)) << line;
    EXPECT_TRUE(finds("AaB", false, "xxAAb"));
    EXPECT_TRUE(finds("t", false, "", "sT"));
    const std::string full(100, 'z');
    EXPECT_TRUE(finds(full.c_str(), true, full));
    EXPECT_FALSE(finds((full + "z").c_str(), true, full));
}

TEST_F(SearchMatch, BlanksAreRemovedFromTheWordsButNotFromTheLines) {
    EXPECT_TRUE(finds("tand arts", true, "naar de tandarts"));
    EXPECT_FALSE(finds("tand arts", true, "naar de tand arts"));
}

TEST_F(SearchMatch, TwoWordsMustBothOccurInEitherLine) {
    EXPECT_TRUE(finds("tandarts,bellen", true, "tandarts bellen"));
    EXPECT_TRUE(finds("tandarts,bellen", true, "tandarts", "morgen bellen"));
    EXPECT_TRUE(finds("tandarts,bellen", true, "bellen", "tandarts"));
    EXPECT_FALSE(finds("tandarts,bellen", true, "tandarts"));
    EXPECT_FALSE(finds("tandarts,bellen", true, "", "bellen"));
    // Word 2 keeps its comma.
    EXPECT_TRUE(finds("a,b,c", true, "a", "x b,c y"));
    EXPECT_FALSE(finds("a,b,c", true, "a b c"));
}

TEST_F(SearchMatch, AnEmptyWordMatchesNothing) {
    EXPECT_FALSE(finds("tandarts,", true, "tandarts"));
    EXPECT_FALSE(finds(",tandarts", true, "tandarts"));
    EXPECT_FALSE(finds("  ", true, "iets"));
    EXPECT_FALSE(finds("", true, ""));
}

TEST(SearchFile, ListsTheMatchingMemosInFileOrderAndChimesForToday) {
    test::TempDir dir;
    MemoFile file(nativeFileSystem(), dir.file("m.mem"));
    file.create();
    const std::vector<MemoRecord> memos = {{100, "Tandarts", "10 uur"}, {101, "Kapper", ""},
                                           {102, "bellen", "TANDARTS"}, {102, "tand", "arts"}};
    for (const auto& m : memos) mydata1_opbergen(file, m);
    ASSERT_EQ(file.readAll(), memos);

    MemoBlocks blocks;
    int chimes = 0;
    const auto n = fillSearchBlocks(file, SearchFilter(searchWords("Tandarts", false), false), 102, blocks,
                              [&] { ++chimes; });
    EXPECT_EQ(n, 2u);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks.record(0), memos[0]);
    EXPECT_EQ(blocks.position(1), 2u);
    EXPECT_EQ(blocks.line(1, 2), "TANDARTS");  // shown in its own case
    EXPECT_FALSE(blocks.today(0));
    EXPECT_TRUE(blocks.today(1));
    EXPECT_EQ(chimes, 1);
    EXPECT_EQ(file.recordCount(), 4u);
}

// Records whose dates the calendar cannot show are found and listed too,
// without keeping the others from being shown.
TEST(SearchFile, ADateTheCalendarCannotShowStopsNothing) {
    test::TempDir dir;
    const double bad[] = {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(), 1e300,
                          -1e9};
    std::vector<MemoRecord> memos;
    for (double d : bad) memos.push_back({d, "tandarts", ""});
    memos.push_back({46000, "tandarts", ""});
    test::writeMemos(dir.file("m.mem"), memos);
    MemoFile file(nativeFileSystem(), dir.file("m.mem"));
    MemoBlocks blocks;
    ASSERT_EQ(fillSearchBlocks(file, SearchFilter(searchWords("tandarts", false), false), 1, blocks, {}), 5u);
    for (std::size_t b = 0; b < 4; ++b) EXPECT_EQ(blocks.line(b, 0), "(datum onleesbaar)");
    EXPECT_EQ(blocks.line(4, 0), "dinsdag,  9-12-2025");
}

}  // namespace
}  // namespace jotanor
