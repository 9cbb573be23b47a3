#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <functional>
#include <limits>
#include <set>

#include "diary/MemoCommands.h"
#include "store/Errors.h"
#include "store/Recurrence.h"
#include "support/FaultyFileSystem.h"
#include "support/TempDir.h"

namespace jotanor {
namespace {

// Answers from a script; every question asked is kept.
class Script final : public RecurrenceQuestions {
public:
    std::deque<bool> answers;
    std::vector<std::string> asked;
    std::function<void()> meanwhile;  // done while the first question is open

    bool askMove(const std::string& q) override { return next(q); }
    bool askDropStar(const std::string& q) override { return next(q); }

private:
    bool next(const std::string& q) {
        asked.push_back(q);
        if (meanwhile) std::exchange(meanwhile, {})();
        if (answers.empty()) throw std::logic_error("asked more than scripted: " + q);
        bool a = answers.front();
        answers.pop_front();
        return a;
    }
};

class RecurrenceTest : public ::testing::Test {
protected:
    void write(const std::vector<MemoRecord>& memos) {
        std::vector<unsigned char> bytes;
        for (const auto& m : memos) {
            auto r = encodeRecord(m);
            bytes.insert(bytes.end(), r.begin(), r.end());
        }
        test::writeBytes(path, bytes);
    }
    void run() { yearlyPass(file, today, script); }

    test::TempDir dir;
    std::filesystem::path path = dir.file("jotanor1.mem");
    MemoFile file{nativeFileSystem(), path};
    DaySerial today = encodeDate(2026, 12, 6);
    Script script;
};

TEST_F(RecurrenceTest, OnlyStarredMemosMoreThanFourteenDaysBackAreDue) {
    write({{today - 400, "gewoon", ""},
           {today - 300, "", "*niet in line1"},
           {today - 14, "*14 dagen", ""},
           {today - 3, "*3 dagen", ""},
           {today, "*vandaag", ""},
           {today + 30, "*later", ""}});
    run();
    EXPECT_TRUE(script.asked.empty());

    EXPECT_TRUE(isDue({today - 15, "*", ""}, today));
    EXPECT_FALSE(isDue({today - 14, "*", ""}, today));
    EXPECT_FALSE(isDue({today - 15, " *", ""}, today));
}

TEST_F(RecurrenceTest, TheQuestionsShowThePresentDateAndBothLines) {
    const MemoRecord r{encodeDate(2023, 3, 7), "*Verjaardag Piet", "bellen"};
    EXPECT_EQ(moveQuestion({2023, 3, 7}, r),
              "\n\ndd. 7-3-2023\n*Verjaardag Piet\nbellen\nBovenstaand record is volgend jaar ook nog geldig.\n"
              "Nu dus maar verplaatsen naar 1 jaar later?");
    EXPECT_EQ(dropStarQuestion({2023, 3, 7}, r),
              "\n\ndd. 7-3-2023\n*Verjaardag Piet\nbellen\nzal ik laten staan, maar het sterretje verwijderen.");
}

TEST_F(RecurrenceTest, YesMovesTheMemoOneYearOnUntilItIsNoLongerDue) {
    // Two years and two days back: moved twice, then two days back.
    const DaySerial date = encodeDate(2024, 12, 4);
    write({{encodeDate(2024, 1, 1), "eerst", ""},
           {date, "*jaarlijks", "tweede regel"},
           {encodeDate(2025, 12, 4), "tussen", ""},
           {encodeDate(2026, 12, 4), "zelfde dag", ""},
           {encodeDate(2027, 1, 1), "laatste", ""}});
    script.answers = {true, true};
    run();
    ASSERT_EQ(script.asked.size(), 2u);
    EXPECT_EQ(script.asked[0].substr(0, 18), "\n\ndd. 4-12-2024\n*j");
    EXPECT_EQ(script.asked[1].substr(0, 18), "\n\ndd. 4-12-2025\n*j");

    auto all = file.readAll();
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[0].line1, "eerst");
    EXPECT_EQ(all[1].line1, "tussen");
    // Stored before the other memo of its new date.
    EXPECT_EQ(all[2], (MemoRecord{encodeDate(2026, 12, 4), "*jaarlijks", "tweede regel"}));
    EXPECT_EQ(all[3].line1, "zelfde dag");
}

TEST_F(RecurrenceTest, NoThenOkDropsTheStarAndKeepsTheDate) {
    const DaySerial date = encodeDate(2026, 3, 7);
    write({{date, "*", "alleen ster"}, {date, "*Piet", ""}, {date + 1, "na", ""}});
    // First memo: No, OK.  Second memo: No, OK.
    script.answers = {false, true, false, true};
    run();
    ASSERT_EQ(script.asked.size(), 4u);
    EXPECT_NE(script.asked[1].find("zal ik laten staan"), std::string::npos);

    auto all = file.readAll();
    ASSERT_EQ(all.size(), 3u);
    std::multiset<std::string> lines;
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(all[i].date, date);
        lines.insert(all[i].line1);
    }
    EXPECT_EQ(lines, (std::multiset<std::string>{"", "Piet"}));  // "*" alone becomes empty
    EXPECT_EQ(all[2].line1, "na");
}

TEST_F(RecurrenceTest, NoThenCancelAsksTheSameMemoAgain) {
    write({{encodeDate(2025, 12, 10), "*blijft", ""}, {encodeDate(2025, 12, 11), "*tweede", ""}});
    script.answers = {false, false, true, true};  // No, Cancel; then Yes for both
    run();
    ASSERT_EQ(script.asked.size(), 4u);
    EXPECT_EQ(script.asked[2], script.asked[0]);
    EXPECT_NE(script.asked[3].find("*tweede"), std::string::npos);
    auto all = file.readAll();
    EXPECT_EQ(all[0].date, encodeDate(2026, 12, 10));
    EXPECT_EQ(all[1].date, encodeDate(2026, 12, 11));
}

// Two copies of the program started at once, given the same answers: each
// memo moves once, also one that moves twice.
TEST_F(RecurrenceTest, AnotherCopyMovingTheSameMemosMeanwhileMovesThemOnce) {
    write({{encodeDate(2024, 12, 1), "*twee jaar", ""}, {encodeDate(2025, 11, 1), "*een jaar", ""}});
    script.answers = {true, true, true, true};
    script.meanwhile = [&] {
        MemoFile other(nativeFileSystem(), path);
        Script answers;
        answers.answers = script.answers;
        yearlyPass(other, today, answers);
    };
    run();
    EXPECT_EQ(script.asked.size(), 4u);
    EXPECT_EQ(file.readAll(), (std::vector<MemoRecord>{{encodeDate(2026, 12, 1), "*twee jaar", ""},
                                                       {encodeDate(2027, 11, 1), "*een jaar", ""}}));
}

TEST_F(RecurrenceTest, TwentyNinthFebruaryMovesToTheTwentyEighthWhenNeeded) {
    EXPECT_EQ(oneYearLater({2024, 2, 29}), (Ymd{2025, 2, 28}));
    EXPECT_EQ(oneYearLater({2027, 2, 28}), (Ymd{2028, 2, 28}));
    EXPECT_EQ(oneYearLater({2023, 3, 7}), (Ymd{2024, 3, 7}));

    write({{encodeDate(2024, 2, 29), "*schrikkel", ""}, {encodeDate(2025, 12, 20), "*daarna", ""}});
    script.answers = {true, true, true, true};
    run();
    ASSERT_EQ(script.asked.size(), 4u);
    EXPECT_EQ(script.asked[0].substr(0, 16), "\n\ndd. 29-2-2024\n");
    EXPECT_EQ(script.asked[1].substr(0, 16), "\n\ndd. 28-2-2025\n");
    // File order decides: the other memo now comes first.
    EXPECT_NE(script.asked[2].find("*daarna"), std::string::npos);
    EXPECT_EQ(script.asked[3].substr(0, 16), "\n\ndd. 28-2-2026\n");
    auto all = file.readAll();
    EXPECT_EQ(all[0].date, encodeDate(2026, 12, 20));
    EXPECT_EQ(all[1].date, encodeDate(2027, 2, 28));
}

TEST_F(RecurrenceTest, AStarredMemoWithADateThatCannotBeSplitIsPassedOver) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    write({{-inf, "*min oneindig", ""},
           {-1e300, "*ver weg", ""},
           {kFirstSerial - 1, "*jaar nul", ""},
           {nan, "*nan", ""},
           {encodeDate(2025, 12, 1), "*goed", ""}});
    script.answers = {true};
    run();
    ASSERT_EQ(script.asked.size(), 1u);
    EXPECT_NE(script.asked[0].find("*goed"), std::string::npos);
    auto all = file.readAll();
    ASSERT_EQ(all.size(), 5u);
    EXPECT_TRUE(std::isnan(all[3].date));
    EXPECT_EQ(all[4].date, encodeDate(2026, 12, 1));
}

TEST_F(RecurrenceTest, AFailedMoveKeepsTheMemoAndEndsThePass) {
    const MemoRecord starred{encodeDate(2025, 12, 1), "*weg?", "nee"};
    for (int k = 1; k <= 12; ++k) {
        write({starred, {encodeDate(2026, 6, 1), "ander", ""}});
        test::FaultyFileSystem fs;
        MemoFile faulty(fs, path);
        script.asked.clear();
        script.answers = {true};
        // Fail from call k on: the scan or the change stops with a file error.
        fs.failAt(k, test::Fault::DiskFull, true);
        bool raised = false;
        try {
            yearlyPass(faulty, today, script);
        } catch (const IoError&) {
            raised = true;
        }
        auto all = file.readAll();
        ASSERT_EQ(all.size(), 2u) << k;
        if (!raised) {
            EXPECT_EQ(all[1].date, encodeDate(2026, 12, 1)) << k;
            continue;
        }
        // Either untouched or moved: never lost, never doubled.
        const bool moved = all[1].line1 == "*weg?";
        EXPECT_EQ(moved ? all[1].date : all[0].date, moved ? encodeDate(2026, 12, 1) : starred.date) << k;
        EXPECT_EQ((moved ? all[0] : all[1]).line1, "ander") << k;
    }
}

}  // namespace
}  // namespace jotanor
