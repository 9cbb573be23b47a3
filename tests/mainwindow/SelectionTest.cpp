#include <gtest/gtest.h>

#include "mainwindow/core/Selection.h"
#include "support/TempDir.h"

namespace jotanor {
namespace {

TEST(DateLine, IsReadAfterTheFirstComma) {
    EXPECT_EQ(leesDatumregel("zondag,  6-12-2026"), (Ymd{2026, 12, 6}));
    EXPECT_EQ(leesDatumregel(">> zondag,  6-12-2026"), (Ymd{2026, 12, 6}));
    EXPECT_EQ(leesDatumregel("woensdag,  29-2-2028"), (Ymd{2028, 2, 29}));
    // Anything else is no date line: an empty line, a memo line, a divider,
    // a date that does not exist.
    for (const char* line : {"", "Tandarts, 10 uur", "Kapper", "-----", "maandag,  31-4-2026", "x,  a-1-2026",
                             "x,  1-1-", "x,  1-1-2026 "})
        EXPECT_FALSE(leesDatumregel(line)) << line;
}

TEST(Rows, BelongToTheBlockOfTheirFourLines) {
    for (int row = 0; row < 4; ++row) EXPECT_EQ(blokVanRegel(row), 0);
    for (int row = 4; row < 8; ++row) EXPECT_EQ(blokVanRegel(row), 1);
    EXPECT_EQ(blokVanRegel(403), 100);
}

class SelectTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<unsigned char> bytes;
        for (const auto& m : memos) {
            const auto r = encodeRecord(m);
            bytes.insert(bytes.end(), r.begin(), r.end());
        }
        test::writeBytes(dir.file("m.mem"), bytes);
    }
    GetoondeMemo shown(std::size_t at) const { return {datumtekst(memos[at].date), memos[at], at}; }

    test::TempDir dir;
    MemoFile file{nativeFileSystem(), dir.file("m.mem")};
    const std::vector<MemoRecord> memos = {
        {46362, "", "leeg"}, {46362, "Tandarts 10 uur", ""}, {46362, "Tandarts", "bellen"}, {46363, "Kapper", ""}};
};

TEST_F(SelectTest, FindsTheVeryMemoShownAtItsPosition) {
    // "Tandarts" is not mistaken for "Tandarts 10 uur" before it, nor for
    // the memo with the empty first line before both.
    const Keuze k = selecteer(file, shown(2));
    EXPECT_EQ(k.uitkomst, Selectie::Gevonden);
    EXPECT_EQ(k.index, 2);
    EXPECT_EQ(k.record, memos[2]);
    EXPECT_EQ(selecteer(file, shown(0)).index, 0);
    EXPECT_EQ(file.recordCount(), 4u);
}

TEST_F(SelectTest, NoLineOrNoDateSelectsNothing) {
    EXPECT_EQ(selecteer(file, std::nullopt).uitkomst, Selectie::GeenRegel);
    GetoondeMemo noDate = shown(1);
    noDate.datumregel = "";  // a date the list could not show
    const Keuze k = selecteer(file, noDate);
    EXPECT_EQ(k.uitkomst, Selectie::GeenDatum);
    EXPECT_EQ(k.index, -1);
}

TEST_F(SelectTest, AFileChangedUnderTheListSelectsNothing) {
    GetoondeMemo before = shown(2);
    file.wisrecord1(*file.readAt(0), 0);  // everything moves down one place
    EXPECT_EQ(selecteer(file, before).uitkomst, Selectie::Verdwenen);
    file.wisrecord1(*file.readAt(0), 0);
    file.wisrecord1(*file.readAt(0), 0);
    EXPECT_EQ(selecteer(file, shown(3)).uitkomst, Selectie::Verdwenen);  // past the end

    // Same place and date, but another second line.
    file.create();
    file.mydata1_opbergen({46362, "Tandarts", "afzeggen"});
    GetoondeMemo other{datumtekst(46362), {46362, "Tandarts", "bellen"}, 0};
    EXPECT_EQ(selecteer(file, other).uitkomst, Selectie::Verdwenen);
    other.record.line2 = "afzeggen";
    EXPECT_EQ(selecteer(file, other).uitkomst, Selectie::Gevonden);
}

}  // namespace
}  // namespace jotanor
