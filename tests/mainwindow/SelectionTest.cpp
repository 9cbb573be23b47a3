#include <gtest/gtest.h>

#include "mainwindow/core/Selection.h"
#include "support/TempDir.h"

namespace jotanor {
namespace {

TEST(DateLine, IsReadAfterTheFirstComma) {
    EXPECT_EQ(readDateLine("zondag,  6-12-2026"), (Ymd{2026, 12, 6}));
    EXPECT_EQ(readDateLine(">> zondag,  6-12-2026"), (Ymd{2026, 12, 6}));
    EXPECT_EQ(readDateLine("woensdag,  29-2-2028"), (Ymd{2028, 2, 29}));
    // Anything else is no date line: an empty line, a memo line, a divider,
    // a date that does not exist.
    for (const char* line : {"", "Tandarts, 10 uur", "Kapper", "-----", "maandag,  31-4-2026", "x,  a-1-2026",
                             "x,  1-1-", "x,  1-1-2026 "})
        EXPECT_FALSE(readDateLine(line)) << line;
}

TEST(Rows, BelongToTheBlockOfTheirFourLines) {
    for (int row = 0; row < 4; ++row) EXPECT_EQ(blockOfRow(row), 0);
    for (int row = 4; row < 8; ++row) EXPECT_EQ(blockOfRow(row), 1);
    EXPECT_EQ(blockOfRow(403), 100);
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
    ShownMemo shown(std::size_t at) const { return {datumtekst(memos[at].date), memos[at], at}; }

    test::TempDir dir;
    MemoFile file{nativeFileSystem(), dir.file("m.mem")};
    const std::vector<MemoRecord> memos = {
        {46362, "", "leeg"}, {46362, "Tandarts 10 uur", ""}, {46362, "Tandarts", "bellen"}, {46363, "Kapper", ""}};
};

TEST_F(SelectTest, FindsTheVeryMemoShownAtItsPosition) {
    // "Tandarts" is not mistaken for "Tandarts 10 uur" before it, nor for
    // the memo with the empty first line before both.
    const Selection k = selectMemo(file, shown(2));
    EXPECT_EQ(k.outcome, SelectionOutcome::Found);
    EXPECT_EQ(k.index, 2);
    EXPECT_EQ(k.record, memos[2]);
    EXPECT_EQ(selectMemo(file, shown(0)).index, 0);
    EXPECT_EQ(file.recordCount(), 4u);
}

TEST_F(SelectTest, NoLineOrNoDateSelectsNothing) {
    EXPECT_EQ(selectMemo(file, std::nullopt).outcome, SelectionOutcome::NoLine);
    ShownMemo noDate = shown(1);
    noDate.dateLine = "";  // a date the list could not show
    const Selection k = selectMemo(file, noDate);
    EXPECT_EQ(k.outcome, SelectionOutcome::NoDateLine);
    EXPECT_EQ(k.index, -1);
}

TEST_F(SelectTest, AFileChangedUnderTheListSelectsNothing) {
    ShownMemo before = shown(2);
    file.wisrecord1(*file.readAt(0), 0);  // everything moves down one place
    EXPECT_EQ(selectMemo(file, before).outcome, SelectionOutcome::Gone);
    file.wisrecord1(*file.readAt(0), 0);
    file.wisrecord1(*file.readAt(0), 0);
    EXPECT_EQ(selectMemo(file, shown(3)).outcome, SelectionOutcome::Gone);  // matches the end

    // Same place and date, but another second line.
    file.create();
    file.mydata1_opbergen({46362, "Tandarts", "afzeggen"});
    ShownMemo other{datumtekst(46362), {46362, "Tandarts", "bellen"}, 0};
    EXPECT_EQ(selectMemo(file, other).outcome, SelectionOutcome::Gone);
    other.record.line2 = "afzeggen";
    EXPECT_EQ(selectMemo(file, other).outcome, SelectionOutcome::Found);
}

}  // namespace
}  // namespace jotanor
