#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "diary/Selection.h"
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

TEST_F(SelectTest, AMemoMovedByAnotherCopyIsFoundByContentAndAGoneOneIsNot) {
    const ShownMemo before = shown(2);
    wisrecord1(file, {*file.readAt(0), 0});  // everything moves down one place
    const Selection moved = selectMemo(file, before);
    EXPECT_EQ(moved.outcome, SelectionOutcome::Found);
    EXPECT_EQ(moved.index, 1);
    // Same date and first line, but another second line.
    changeMemo(file, {memos[2], 1}, {46362, "Tandarts", "afzeggen"});
    EXPECT_EQ(selectMemo(file, before).outcome, SelectionOutcome::Gone);
}

// Each case starts from `memos`; the file must end as `after`.
TEST_F(SelectTest, EditsFindTheirMemoByContentAndNeverDropATypedOne) {
    const MemoRecord typed{46364, "Kapper", "verzet"};
    const struct {
        const char* name;
        std::vector<MemoEdit> edits;
        std::vector<EditOutcome> outcomes;
        std::vector<MemoRecord> after;
    } cases[] = {
        {"change, found away from near", {{MemoRef{memos[3], 0}, typed}}, {EditOutcome::Done},
         {memos[0], memos[1], memos[2], typed}},
        {"change of a gone memo stores the typed one", {{MemoRef{{46363, "weg", ""}, 3}, typed}},
         {EditOutcome::StoredAnew}, {memos[0], memos[1], memos[2], memos[3], typed}},
        {"delete of a gone memo changes nothing", {{MemoRef{{46363, "weg", ""}, 3}, std::nullopt}},
         {EditOutcome::Gone}, memos},
        {"add, delete and change in one", {{std::nullopt, typed}, {MemoRef{memos[0], 0}, std::nullopt},
                                          {MemoRef{memos[2], 2}, MemoRecord{46361, "eerder", ""}}},
         {EditOutcome::Done, EditOutcome::Done, EditOutcome::Done},
         {{46361, "eerder", ""}, memos[1], memos[3], typed}},
        {"add unless already there: one copy more than seen is another's add", {{std::nullopt, memos[1], 0},
                                                                                {std::nullopt, typed, 0}},
         {EditOutcome::AlreadyThere, EditOutcome::Done}, {memos[0], memos[1], memos[2], memos[3], typed}},
        {"add unless already there after its copy was deleted: first of its day", {{MemoRef{memos[1], 1}, std::nullopt},
                                                                                  {std::nullopt, memos[1], 0}},
         {EditOutcome::Done, EditOutcome::Done}, {memos[1], memos[0], memos[2], memos[3]}},
        {"deleted and stored again at its place", {{MemoRef{memos[3], 3}, std::nullopt}, {std::nullopt, memos[3]}},
         {EditOutcome::Done, EditOutcome::Done}, memos},
        {"adds before, between and after, the last deleted",
         {{std::nullopt, MemoRecord{46361, "a", ""}}, {MemoRef{memos[1], 1}, std::nullopt},
          {std::nullopt, MemoRecord{46365, "z", ""}}, {MemoRef{memos[3], 3}, std::nullopt},
          {std::nullopt, MemoRecord{46363, "k", ""}}},
         std::vector<EditOutcome>(5, EditOutcome::Done),
         {{46361, "a", ""}, memos[0], memos[2], {46363, "k", ""}, {46365, "z", ""}}},
    };
    for (const auto& c : cases) {
        SetUp();
        // A batch that leaves every memo as it was does not write the file.
        std::filesystem::last_write_time(dir.file("m.mem"),
                                         std::filesystem::file_time_type::clock::now() - std::chrono::hours(24));
        const auto old = std::filesystem::last_write_time(dir.file("m.mem"));
        EXPECT_EQ(applyEdits(file, c.edits), c.outcomes) << c.name;
        EXPECT_EQ(file.readAll(), c.after) << c.name;
        EXPECT_EQ(std::filesystem::last_write_time(dir.file("m.mem")) == old, c.after == memos) << c.name;
        if (c.edits.size() != 1 || !c.edits[0].old) continue;
        // The single commands agree with the batch.
        SetUp();
        const MemoEdit& e = c.edits[0];
        EXPECT_EQ(e.memo ? changeMemo(file, *e.old, *e.memo) : wisrecord1(file, *e.old), c.outcomes[0]) << c.name;
        EXPECT_EQ(file.readAll(), c.after) << c.name;
    }
}

}  // namespace
}  // namespace jotanor
