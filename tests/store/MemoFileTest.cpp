#include <algorithm>
#include <cctype>
#include <cstdio>
#include <limits>
#include <gtest/gtest.h>

#include "diary/MemoCommands.h"
#include "store/Errors.h"
#include "store/MemoFile.h"
#include "store/Journal.h"
#include "support/FaultyFileSystem.h"
#include "support/MemoImage.h"
#include "support/TempDir.h"

namespace jotanor {
namespace {

using test::TempDir;

MemoRecord memo(double date, std::string line1, std::string line2 = "") {
    return MemoRecord{date, std::move(line1), std::move(line2)};
}

// A memo file written record by record with hand-built bytes.
using test::writeMemos;

std::vector<std::string> firstLines(MemoFile& file) {
    std::vector<std::string> out;
    for (const auto& r : file.readAll()) out.push_back(r.line1);
    return out;
}

class MemoFileTest : public ::testing::Test {
protected:
    TempDir dir;
    std::filesystem::path path = dir.file("jotanor1.mem");
    MemoFile file{nativeFileSystem(), path};
};

struct StoreCase {
    std::vector<double> stored;
    double key;
    std::size_t expected;
};

void PrintTo(const StoreCase& c, std::ostream* os) {
    *os << "key " << c.key << " among";
    for (double d : c.stored) *os << ' ' << d;
    *os << " at " << c.expected;
}

class StorePosition : public MemoFileTest, public ::testing::WithParamInterface<StoreCase> {};

TEST_P(StorePosition, FollowsTheDateOrderAndItsTieBreak) {
    const auto& c = GetParam();
    std::vector<MemoRecord> memos;
    for (double d : c.stored) memos.push_back(memo(d, "old"));
    writeMemos(path, memos);

    EXPECT_EQ(mydata1_opbergen(file, memo(c.key, "new")), c.expected);
    EXPECT_EQ(file.recordCount(), c.stored.size());  // counted before the change

    auto all = file.readAll();
    ASSERT_EQ(all.size(), c.stored.size() + 1);
    EXPECT_EQ(all[c.expected].line1, "new");
    for (std::size_t i = 1; i < all.size(); ++i) EXPECT_LE(all[i - 1].date, all[i].date);
}

INSTANTIATE_TEST_SUITE_P(Examples, StorePosition,
                         ::testing::Values(StoreCase{{}, 5, 0},            // empty file
                                           StoreCase{{1, 5, 9}, 10, 3},    // after all: append
                                           StoreCase{{1, 5, 9}, 0, 0},     // before all
                                           StoreCase{{1, 5, 5, 9}, 5, 1},  // before both 5s
                                           StoreCase{{1, 5}, 5, 2},        // the only 5 is last
                                           StoreCase{{1, 5, 5}, 5, 1},     // first 5 not last
                                           StoreCase{{5}, 5, 1},           // single equal record
                                           StoreCase{{1, 3, 9}, 4, 2}),    // between
                         [](const auto& info) {
                             std::string name = "Stored";
                             for (double d : info.param.stored) name += "_" + std::to_string(static_cast<int>(d));
                             return name + "_Key" + std::to_string(static_cast<int>(info.param.key));
                         });

// The search finds the place the walk from the start finds: in files in
// date order with runs of equal dates, and in files whose disorder (a date
// that goes back, one that is no number) its reads meet.
TEST(StorePositionSearch, FindsThePlaceTheWalkFinds) {
    const auto walk = [](const std::vector<double>& dates, double key) {
        std::size_t j = 0;
        while (j < dates.size() && !(dates[j] >= key)) ++j;
        return j < dates.size() && (j + 1 < dates.size() || dates[j] > key) ? j : dates.size();
    };
    const auto search = [](const std::vector<double>& dates, double key) {
        std::vector<RecordBytes> records;
        for (double d : dates) records.push_back(encodeRecord(memo(d, "x")));
        return storePositionAt(records.size(), [&](std::size_t j) { return records[j].data(); }, key);
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<std::vector<double>> files = {{5, 4, 3, 2, 1}, {1, 2, nan, 4, 5}, {nan}};
    for (std::size_t n = 0; n < 40; ++n) {
        files.emplace_back();
        for (std::size_t i = 0; i < n; ++i) files.back().push_back(static_cast<double>(i * 7 % 11 < 4 ? i / 3 : i / 2));
        std::sort(files.back().begin(), files.back().end());
    }
    for (const auto& dates : files)
        for (const double key : {-1.0, 0.0, 0.5, 1.0, 2.0, 3.0, 4.5, 7.0, 12.0, 19.0, 25.0, nan})
            EXPECT_EQ(search(dates, key), walk(dates, key)) << dates.size() << " dates, key " << key;
}

TEST_F(MemoFileTest, DeletesAtFrontMiddleEndAndTheOnlyRecord) {
    writeMemos(path, {memo(1, "a"), memo(2, "b"), memo(3, "c"), memo(4, "d")});
    EXPECT_EQ(wisrecord1(file, {memo(1, "a"), 0}), EditOutcome::Done);
    EXPECT_EQ(firstLines(file), (std::vector<std::string>{"b", "c", "d"}));
    EXPECT_EQ(wisrecord1(file, {memo(3, "c"), 1}), EditOutcome::Done);
    EXPECT_EQ(firstLines(file), (std::vector<std::string>{"b", "d"}));
    EXPECT_EQ(wisrecord1(file, {memo(4, "d"), 1}), EditOutcome::Done);
    EXPECT_EQ(firstLines(file), (std::vector<std::string>{"b"}));
    EXPECT_EQ(std::filesystem::file_size(path), 212u);
    EXPECT_EQ(wisrecord1(file, {memo(2, "b"), 0}), EditOutcome::Done);
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
}

// A change acts on the memo the user chose, found by its date and both
// lines under the lock, wherever the file holds it by then.
TEST_F(MemoFileTest, ChangesFindTheirMemoByItsContents) {
    writeMemos(path, {memo(1, "a"), memo(2, "b", "x"), memo(3, "c")});
    auto before = test::readBytes(path);
    EXPECT_EQ(wisrecord1(file, {memo(2, "b", "y"), 1}), EditOutcome::Gone);  // the second line differs
    EXPECT_EQ(wisrecord1(file, {memo(9, "b", "x"), 1}), EditOutcome::Gone);  // the date differs
    EXPECT_EQ(wisrecord1(file, {memo(2, "b", "x"), static_cast<std::size_t>(-1)}), EditOutcome::Done);  // found elsewhere
    EXPECT_EQ(wisrecord1(file, {memo(2, "b", "x"), 1}), EditOutcome::Gone);  // and then gone
    before.erase(before.begin() + 212, before.begin() + 424);
    EXPECT_EQ(test::readBytes(path), before);
    // A change of a memo that is gone keeps what was typed as a new memo.
    EXPECT_EQ(changeMemo(file, {memo(2, "b", "x"), 1}, memo(5, "z")), EditOutcome::StoredAnew);
    EXPECT_EQ(firstLines(file), (std::vector<std::string>{"a", "c", "z"}));

    // Another copy of the program put a memo in front while the dialog was
    // open: the memo at the old position is not the one deleted.
    writeMemos(path, {memo(1, "a"), memo(3, "c"), memo(4, "d")});
    MemoFile other(nativeFileSystem(), path);
    mydata1_opbergen(other, memo(0, "new"));
    EXPECT_EQ(wisrecord1(file, {memo(3, "c"), 1}), EditOutcome::Done);
    EXPECT_EQ(firstLines(file), (std::vector<std::string>{"new", "a", "d"}));
    EXPECT_EQ(changeMemo(file, {memo(4, "d"), 1}, memo(0.5, "d2")), EditOutcome::Done);
    EXPECT_EQ(firstLines(file), (std::vector<std::string>{"new", "d2", "a"}));
}

TEST_F(MemoFileTest, ATrailingPieceIsNoRecordAndTheNextStoreReplacesIt) {
    writeMemos(path, {memo(1, "a"), memo(3, "c")});
    auto bytes = test::readBytes(path);
    bytes.insert(bytes.end(), 100, 0x55);
    test::writeBytes(path, bytes);

    EXPECT_EQ(file.count(), 2u);
    EXPECT_EQ(firstLines(file), (std::vector<std::string>{"a", "c"}));
    mydata1_opbergen(file, memo(9, "z"));
    EXPECT_EQ(std::filesystem::file_size(path), 3u * 212u);
    EXPECT_EQ(firstLines(file), (std::vector<std::string>{"a", "c", "z"}));
}

TEST_F(MemoFileTest, ReadsByPositionAndNothingPastTheEnd) {
    writeMemos(path, {memo(1, "a"), memo(2, "b")});
    EXPECT_EQ(file.readAt(1)->line1, "b");
    EXPECT_FALSE(file.readAt(2).has_value());
    // A read the system answers in part goes on where that part ended.
    std::vector<unsigned char> more(3 * MemoRecord::kSize);
    EXPECT_THROW(nativeFileSystem().open(path, OpenMode::ReadOnly)->readAt(0, more.data(), more.size()), IoError);
}

// The general change, with records moving up and down at once, written
// over the file they are read from.
TEST_F(MemoFileTest, AChangeMayMoveRecordsBothWays) {
    writeMemos(path, {memo(1, "a"), memo(2, "b"), memo(3, "c"), memo(4, "d"), memo(5, "e")});
    const RecordBytes x = encodeRecord(memo(9, "x"));
    file.modify([&](std::span<const unsigned char>) {
        TailChange change{0, {}};
        return change.old(1, 2).old(0, 1).add(x).old(2, 5);
    });
    EXPECT_EQ(firstLines(file), (std::vector<std::string>{"b", "a", "x", "c", "d", "e"}));
    file.modify([&](std::span<const unsigned char>) {
        TailChange change{1, {}};
        return change.old(3, 6).old(1, 2);
    });
    EXPECT_EQ(firstLines(file), (std::vector<std::string>{"b", "c", "d", "e", "a"}));
}

TEST_F(MemoFileTest, ChangeMovesTheMemoToItsNewDate) {
    writeMemos(path, {memo(1, "a"), memo(5, "b"), memo(9, "c")});
    EXPECT_EQ(changeMemo(file, {memo(1, "a"), 0}, memo(7, "a2")), EditOutcome::Done);
    EXPECT_EQ(firstLines(file), (std::vector<std::string>{"b", "a2", "c"}));
    EXPECT_EQ(changeMemo(file, {memo(9, "c"), 2}, memo(0, "c2")), EditOutcome::Done);
    EXPECT_EQ(firstLines(file), (std::vector<std::string>{"c2", "b", "a2"}));
    EXPECT_EQ(file.count(), 3u);
}

TEST_F(MemoFileTest, CreatesAnEmptyFile) {
    EXPECT_FALSE(file.canOpen());
    file.create();
    EXPECT_TRUE(file.canOpen());
    EXPECT_EQ(file.count(), 0u);
}

TEST_F(MemoFileTest, TheSpareOfEarlierVersionsGoesAtTheFirstChange) {
    writeMemos(path, {memo(1, "a")});
    const auto spare = dir.file(".jotanor1.mem.spare");
    writeMemos(spare, {memo(1, "a"), memo(2, "gewist")});
    file.readAll();
    EXPECT_TRUE(std::filesystem::exists(spare));
    mydata1_opbergen(file, memo(3, "c"));
    EXPECT_FALSE(std::filesystem::exists(spare));
}

TEST_F(MemoFileTest, CreatingNeverEmptiesAFileThatIsThere) {
    // The question to create follows any failed open, also one that passes.
    writeMemos(path, {memo(1, "a"), memo(2, "b")});
    const auto before = test::readBytes(path);
    file.create();
    EXPECT_EQ(test::readBytes(path), before);
    EXPECT_EQ(file.recordCount(), 2u);
}

TEST_F(MemoFileTest, FilesItWritesAreForTheirOwnerOnly) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows files carry no permission bits; the folder's access list applies";
#endif
    using std::filesystem::perms;
    const perms ownerOnly = perms::owner_read | perms::owner_write;
    file.create();
    EXPECT_EQ(std::filesystem::status(path).permissions(), ownerOnly);
    mydata1_opbergen(file, memo(1, "a"));
    mydata1_opbergen(file, memo(2, "b"));
    EXPECT_EQ(std::filesystem::status(path).permissions(), ownerOnly);
}

TEST_F(MemoFileTest, AMissingFileIsReportedAsNotFound) {
    try {
        mydata1_opbergen(file, memo(1, "a"));
        FAIL() << "no error";
    } catch (const IoError& e) {
        EXPECT_EQ(e.code(), kFileNotFound);
        EXPECT_STREQ(e.what(), "File not found");
        EXPECT_EQ(e.reason(), "") << "a standard text says it all";
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(MemoFileTest, AFolderInPlaceOfTheFileIsRefused) {
    std::filesystem::create_directory(path);
    EXPECT_FALSE(file.canOpen());
    EXPECT_THROW(mydata1_opbergen(file, memo(1, "a")), IoError);
    EXPECT_THROW(file.count(), IoError);
}

TEST_F(MemoFileTest, ScanStopsWhenAskedAndReadsLargeFilesWhole) {
    std::vector<MemoRecord> memos;
    for (int i = 0; i < 12000; ++i) memos.push_back(memo(i, std::to_string(i)));
    writeMemos(path, memos);
    std::size_t seen = 0;
    file.scan([&](const MemoRecord& r, std::size_t pos) {
        EXPECT_EQ(r.line1, std::to_string(pos));
        return ++seen < 7000;
    });
    EXPECT_EQ(seen, 7000u);
    EXPECT_EQ(file.readAll().size(), 12000u);
    EXPECT_EQ(file.recordCount(), 12000u);
}

// A file shortened mid-read by a program heedless of the lock: an error, no fault.
TEST_F(MemoFileTest, AFileShortenedDuringAReadFailsWithoutFaulting) {
    for (const bool fromDate : {false, true}) {
        writeMemos(path, std::vector<MemoRecord>(2000, memo(1, "a")));
        const auto shorten = [&](const unsigned char*, std::size_t) {
            std::filesystem::resize_file(path, 10 * MemoRecord::kSize);
            return true;
        };
        try {
            fromDate ? (void)file.scanFrom(0, shorten) : file.scanBytes(shorten);
            ADD_FAILURE() << "read past the end";
        } catch (const IoError& e) {
            EXPECT_EQ(e.code(), kReadBeyondEnd);
        }
    }
}

// Every call of a change made to fail in turn, once and from then on, with
// each kind of fault: the change is either reported and wholly applied, or
// reported as failed with the file byte for byte as before.
enum class Op { StoreFront, StoreMiddle, StoreEnd, DeleteFront, DeleteMiddle, DeleteEnd, Change };

class FaultInjection : public ::testing::TestWithParam<std::tuple<int, Op>> {
public:
    static void TearDownTestSuite() {
        std::printf("store faults injected: %d, survived: %d\n", injected, survived);
    }
    static inline int injected = 0;
    static inline int survived = 0;
};

const char* standardText(test::Fault fault) {
    switch (fault) {
    case test::Fault::DiskFull:
    case test::Fault::TornWrite: return "Disk full";
    case test::Fault::AccessDenied: return "File access denied";
    case test::Fault::IoFailure: return "I/O error 1117";
    case test::Fault::Kill: break;
    }
    return "";
}

MemoRecord opRecord(Op op, int size) {
    switch (op) {
    case Op::StoreFront: return memo(1, "new");
    case Op::StoreMiddle: return memo(10.0 * size / 2 + 5, "new");
    case Op::Change: return memo(1e6, "changed");
    default: return memo(1e6, "new");
    }
}

std::size_t opIndex(Op op, int size) {
    switch (op) {
    case Op::DeleteFront: return 0;
    case Op::DeleteEnd: return static_cast<std::size_t>(size - 1);
    default: return static_cast<std::size_t>(size / 2);
    }
}

// The file as the operation must leave it when it succeeds.
std::vector<unsigned char> applied(Op op, int size, std::vector<unsigned char> before) {
    test::MemoImage image(std::move(before));
    if (op == Op::StoreFront || op == Op::StoreMiddle || op == Op::StoreEnd) {
        auto r = opRecord(op, size);
        image.insert(image.storePosition(r.date), r);
    } else {
        image.remove(opIndex(op, size));
        if (op == Op::Change) {
            auto r = opRecord(op, size);
            image.insert(image.storePosition(r.date), r);
        }
    }
    return image.bytes();
}

TEST_P(FaultInjection, NeverLosesOrDoublesAMemo) {
    auto [size, op] = GetParam();
    TempDir dir;
    auto path = dir.file("jotanor1.mem");
    std::vector<MemoRecord> memos;
    for (int i = 0; i < size; ++i) memos.push_back(memo(10.0 * (i + 1), "memo " + std::to_string(i)));

    {
        for (test::Fault fault :
             {test::Fault::DiskFull, test::Fault::AccessDenied, test::Fault::IoFailure, test::Fault::TornWrite}) {
            for (bool sticky : {false, true}) {
                for (int k = 1;; ++k) {
                    writeMemos(path, memos);
                    const auto before = test::readBytes(path);
                    test::FaultyFileSystem fs;
                    fs.failAt(k, fault, sticky);
                    MemoFile file(fs, path);
                    bool failed = false;
                    try {
                        switch (op) {
                        case Op::StoreFront:
                        case Op::StoreMiddle:
                        case Op::StoreEnd: mydata1_opbergen(file, opRecord(op, size)); break;
                        case Op::DeleteFront:
                        case Op::DeleteMiddle:
                        case Op::DeleteEnd: wisrecord1(file, {memos[opIndex(op, size)], opIndex(op, size)}); break;
                        case Op::Change:
                            changeMemo(file, {memos[opIndex(op, size)], opIndex(op, size)}, opRecord(op, size));
                            break;
                        }
                    } catch (const IoError& e) {
                        failed = true;
                        EXPECT_STREQ(e.what(), standardText(fault));
                    }
                    if (fs.failures() == 0) {
                        EXPECT_FALSE(failed);
                        break;  // k lies beyond the operation's last call
                    }
                    ++injected;
                    // What a rollback could not undo, the journal undoes at the next open.
                    MemoFile recovering(nativeFileSystem(), path);
                    recovering.count();
                    for (const auto& n : recovering.takeNotices()) ADD_FAILURE() << n;
                    EXPECT_FALSE(std::filesystem::exists(journalPath(path)));
                    const auto after = test::readBytes(path);
                    const bool whole = failed ? after == before : after == applied(op, size, before);
                    EXPECT_TRUE(whole) << "k=" << k << " sticky=" << sticky << " failed=" << failed;
                    survived += whole;
                    ASSERT_LT(k, 100);
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, FaultInjection,
                         ::testing::Combine(::testing::Values(1, 2, 50),
                                            ::testing::Values(Op::StoreFront, Op::StoreMiddle, Op::StoreEnd,
                                                              Op::DeleteFront, Op::DeleteMiddle, Op::DeleteEnd,
                                                              Op::Change)));

TEST(FaultInjectionEmpty, StoringIntoAnEmptyFileFailsCleanly) {
    TempDir dir;
    auto path = dir.file("jotanor1.mem");
    for (int k = 1; k < 10; ++k) {
        test::writeBytes(path, {});
        test::FaultyFileSystem fs;
        fs.failAt(k, test::Fault::DiskFull, true);
        MemoFile file(fs, path);
        try {
            mydata1_opbergen(file, memo(1, "new"));
        } catch (const IoError& e) {
            EXPECT_STREQ(e.what(), "Disk full");
            EXPECT_EQ(std::filesystem::file_size(path), 0u);
            continue;
        }
        EXPECT_EQ(std::filesystem::file_size(path), 212u);
        break;
    }
}

}  // namespace
}  // namespace jotanor

namespace jotanor {
namespace {

TEST(MemoFileNames, FileNamesOutsideAsciiWork) {
    test::TempDir dir;
    const auto path = dir.path() / std::filesystem::path(u8"dagboek é€ 日記.mem");
    MemoFile file(nativeFileSystem(), path);
    file.create();
    mydata1_opbergen(file, MemoRecord{3, "caf\xE9", "\x80"});
    EXPECT_TRUE(std::filesystem::exists(path));
    auto all = file.readAll();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].line1, "caf\xE9");

    MemoFile missing(nativeFileSystem(), dir.path() / std::filesystem::path(u8"weg ü.mem"));
    try {
        missing.count();
        FAIL() << "no error";
    } catch (const IoError& e) {
        EXPECT_EQ(e.code(), kFileNotFound);
        EXPECT_NE(e.path().find("weg \xC3\xBC.mem"), std::string::npos);
    }
}

}  // namespace
}  // namespace jotanor

namespace jotanor {
namespace {

namespace fs = std::filesystem;

std::vector<unsigned char> bytesOfMemos(const std::vector<MemoRecord>& memos) {
    TempDir d;
    test::writeMemos(d.file("x"), memos);
    return test::readBytes(d.file("x"));
}

const std::vector<unsigned char>& replacement() {
    static const auto bytes = [] {
        TempDir d;
        test::writeMemos(d.file("x"), {memo(1, "a"), memo(2, "b"), memo(3, "c"), memo(4, "d"), memo(5, "elders")});
        return test::readBytes(d.file("x"));
    }();
    return bytes;
}

struct Scene {
    TempDir dir;
    fs::path file = dir.file("jotanor1.mem");
    fs::path journal = journalPath(file);
    std::vector<unsigned char> old;  // the file before the change that was cut short
};

enum class Outcome { PlayedBack, LeftAsItWas, Blocked };

struct TrustCase {
    const char* name;
    std::function<fs::path(Scene&)> arrange;  // after the cut; gives the name to open
    Outcome outcome;
    bool keptAside;  // under a name of its own, for its owner only, and told
    const char* notOnWindows = nullptr;  // why the row cannot be set up there
    bool needsRoot = false;
    bool births = true;  // false: cut short and opened where files have no birth time
};

// Rewrites the journal's header, its checksum made to agree again.
void patchJournal(const fs::path& journal, const std::function<void(JournalHeader&, std::vector<unsigned char>&)>& edit) {
    auto bytes = test::readBytes(journal);
    JournalHeader h;
    ASSERT_EQ(decodeJournalHeader(bytes, h), HeaderKind::Ours);
    std::vector<unsigned char> body(bytes.begin() + static_cast<std::ptrdiff_t>(h.size()), bytes.end());
    edit(h, body);
    const std::span<const unsigned char> all(body);
    const auto stored = static_cast<std::size_t>(std::min<std::uint64_t>(h.stored, body.size()));
    h.checksum = journalChecksum(h, all.first(stored), all.subspan(stored));
    const auto head = encodeJournalHeader(h);
    bytes.assign(head.begin(), head.end());
    bytes.insert(bytes.end(), body.begin(), body.end());
    test::writeBytes(journal, bytes);
}

// The file as the cut-short store would have left it done.
std::vector<unsigned char> withTheCutShortStore(const std::vector<unsigned char>& old) {
    test::MemoImage image(old);
    const MemoRecord cut{0.5, "onderbroken", ""};
    image.insert(image.storePosition(cut.date), cut);
    return image.bytes();
}

class JournalTrust : public ::testing::TestWithParam<TrustCase> {};

// After a store cut short, a journal is played back only when its writer
// gives no one more power than the file does, it is this program's, and it
// was written for this very file in a state the file can still be in;
// anything else is never applied, and what is not this program's journal
// is never touched.
TEST_P(JournalTrust, OnlyAJournalThatBelongsIsPlayedBack) {
    const TrustCase& c = GetParam();
#ifdef _WIN32
    if (c.notOnWindows) GTEST_SKIP() << c.notOnWindows;
#endif
    if (c.needsRoot && !test::runsAsRoot()) GTEST_SKIP() << "giving a file to another user needs root";
    Scene s;
    test::writeMemos(s.file, {memo(1, "a"), memo(2, "b"), memo(3, "c"), memo(4, "d")});
    s.old = test::cutShort(s.file, 0.5, c.births);
    const fs::path name = c.arrange(s);
    const auto old = s.old;
    const auto found = test::readBytes(s.file);
    const bool journalThere = fs::exists(s.journal) || fs::is_symlink(s.journal);
    test::FaultyFileSystem view;
    if (!c.births) view.withoutBirthTime();
    MemoFile file(view, name);
    EXPECT_NO_THROW(file.count());
    EXPECT_EQ(test::readBytes(s.file), c.outcome == Outcome::PlayedBack ? old : found);
    EXPECT_EQ(file.takeNotices().size(), c.keptAside || c.outcome == Outcome::Blocked ? 1u : 0u);
    const fs::path kept = fs::path(s.journal) += ".bewaard";
    EXPECT_EQ(fs::exists(kept), c.keptAside);
#ifndef _WIN32
    if (c.keptAside) {
        EXPECT_EQ(fs::status(kept).permissions() & (fs::perms::group_all | fs::perms::others_all), fs::perms::none);
    }
#endif
    if (c.outcome == Outcome::Blocked) {
        // Not this program's journal: left alone, and no change is made.
        EXPECT_EQ(fs::exists(s.journal) || fs::is_symlink(s.journal), journalThere);
        try {
            mydata1_opbergen(file, memo(9, "daarna"));
            ADD_FAILURE() << "changed";
        } catch (const IoError& e) {
            EXPECT_NE(e.reason().find(s.journal.string()), std::string::npos) << e.reason();
            EXPECT_NE(e.reason().find("verwijderen"), std::string::npos) << e.reason();
        }
        return;
    }
    EXPECT_FALSE(fs::exists(s.journal));
    const std::size_t at = mydata1_opbergen(file, memo(9, "daarna"));  // told once; then used as it is
    EXPECT_EQ(at, file.count() - 1);
    EXPECT_TRUE(file.takeNotices().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JournalTrust,
    ::testing::Values(
        TrustCase{"own", [](Scene& s) { return s.file; }, Outcome::PlayedBack, false},
        TrustCase{"read-only after a copy tool", [](Scene& s) {
            fs::permissions(s.journal, fs::perms::owner_read);
            return s.file; }, Outcome::PlayedBack, false},
        TrustCase{"a file system that shows every file as 0777", [](Scene& s) {
            fs::permissions(s.file, fs::perms::all);
            fs::permissions(s.journal, fs::perms::all);
            return s.file; }, Outcome::PlayedBack, false, "no permission bits"},
        TrustCase{"a hard link in another folder", [](Scene& s) {
            fs::create_directory(s.dir.file("elders"));
            fs::create_hard_link(s.file, s.dir.file("elders") / "ook.mem");
            return s.dir.file("elders") / "ook.mem"; }, Outcome::PlayedBack, false,
            "no extended attributes: a second link is refused there (MemoFileLimits)"},
        TrustCase{"damaged saved bytes", [](Scene& s) {
            auto bytes = test::readBytes(s.journal);
            bytes[bytes.size() / 2] ^= 0x20;
            test::writeBytes(s.journal, bytes);
            return s.file; }, Outcome::LeftAsItWas, false},
        TrustCase{"used up: moved aside during its change and back", [](Scene& s) {
            auto bytes = test::readBytes(s.journal);
            std::fill(bytes.begin() + JournalHeader::kChecksumAt, bytes.begin() + JournalHeader::kSize, 0);
            test::writeBytes(s.journal, bytes);
            return s.file; }, Outcome::LeftAsItWas, false},
        TrustCase{"a 64 GiB sparse journal", [](Scene& s) {
            test::growSparse(s.journal, std::uint64_t{64} << 30);
            return s.file; }, Outcome::LeftAsItWas, false},
        TrustCase{"a 64 GiB sparse journal whose header agrees", [](Scene& s) {
            const auto was = fs::file_size(s.journal);
            patchJournal(s.journal, [&](JournalHeader& h, std::vector<unsigned char>&) {
                const std::uint64_t more = (std::uint64_t{64} << 30) - was;
                h.length += more;
                h.count += more;
                h.stored += more;
            });
            test::growSparse(s.journal, std::uint64_t{64} << 30);
            return s.file; }, Outcome::LeftAsItWas, false},
        TrustCase{"crafted: sizes that wrap", [](Scene& s) {
            patchJournal(s.journal, [](JournalHeader& h, std::vector<unsigned char>&) {
                h.offset = ~std::uint64_t{0} - 100;
                h.length = h.offset + h.count;  // wraps
                h.newLength = ~std::uint64_t{0};
            });
            return s.file; }, Outcome::LeftAsItWas, false},
        TrustCase{"crafted: a recipe of many pieces", [](Scene& s) {
            patchJournal(s.journal, [](JournalHeader& h, std::vector<unsigned char>& body) {
                // Each piece asks for the whole old tail again.
                std::vector<unsigned char> pair(16);
                for (int i = 0; i < 8; ++i) {
                    pair[i] = static_cast<unsigned char>(h.offset >> (8 * i));
                    pair[8 + i] = static_cast<unsigned char>(h.length >> (8 * i));
                }
                std::vector<unsigned char> pairs;
                for (int k = 0; k < 4096; ++k) pairs.insert(pairs.end(), pair.begin(), pair.end());
                body.insert(body.begin() + static_cast<std::ptrdiff_t>(h.stored + 16 * h.pieces), pairs.begin(), pairs.end());
                h.pieces += 4096;
            });
            return s.file; }, Outcome::LeftAsItWas, false},
        TrustCase{"crafted: packed saved bytes that make more than the header allows", [](Scene& s) {
            patchJournal(s.journal, [](JournalHeader& h, std::vector<unsigned char>& body) {
                // Two more items of no literal bytes and 2^63 zeros: together they wrap to nothing.
                const unsigned char item[] = {0, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x01};
                for (int k = 0; k < 2; ++k)
                    body.insert(body.begin() + static_cast<std::ptrdiff_t>(h.stored), std::begin(item), std::end(item));
                h.stored += 2 * sizeof item;
            });
            return s.file; }, Outcome::LeftAsItWas, false},
        TrustCase{"a journal of the version before, saved bytes unpacked", [](Scene& s) {
            patchJournal(s.journal, [](JournalHeader& h, std::vector<unsigned char>& body) {
                const auto decoded = decodeJournalBody(h, body);
                ASSERT_TRUE(decoded);
                body.erase(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(h.stored));
                body.insert(body.begin(), decoded->saved.begin(), decoded->saved.end());
                h.version = JournalHeader::kPlainVersion;
                h.stored = h.count;
            });
            return s.file; }, Outcome::PlayedBack, false},
        TrustCase{"another format version", [](Scene& s) {
            auto bytes = test::readBytes(s.journal);
            bytes[7] = 2;
            test::writeBytes(s.journal, bytes);
            return s.file; }, Outcome::LeftAsItWas, true},
        TrustCase{"stale: replaced by a newer file", [](Scene& s) {
            test::writeBytes(s.dir.file("nieuw"), replacement());
            fs::rename(s.dir.file("nieuw"), s.file);
            return s.file; }, Outcome::LeftAsItWas, true},
        TrustCase{"stale: a copy that got the file's inode number", [](Scene& s) {
            test::writeBytes(s.dir.file("kopie"), test::readBytes(s.file));
            fs::rename(s.dir.file("kopie"), s.file);
            const auto copy = nativeFileSystem().info(s.file, false);
            patchJournal(s.journal, [&](JournalHeader& h, std::vector<unsigned char>&) { h.inode = copy->inode; });
            return s.file; }, Outcome::LeftAsItWas, true, "no birth time to tell the copy by"},
        TrustCase{"stale: a copy taken after the change went in", [](Scene& s) {
            const auto done = withTheCutShortStore(s.old);
            test::writeBytes(s.dir.file("kopie"), done);
            fs::rename(s.dir.file("kopie"), s.file);
            return s.file; }, Outcome::LeftAsItWas, false},
        TrustCase{"stale: bytes blanked since, where both states have some", [](Scene& s) {
            auto bytes = test::readBytes(s.file);
            bytes[8] = bytes[9] = 0;  // the first memo's length and first letter
            test::writeBytes(s.file, bytes);
            return s.file; }, Outcome::LeftAsItWas, true},
        TrustCase{"crafted: a piece of old bytes past the old end", [](Scene& s) {
            patchJournal(s.journal, [](JournalHeader& h, std::vector<unsigned char>& body) {
                for (std::size_t k = 0; k < h.pieces; ++k) {
                    unsigned char* pair = &body[static_cast<std::size_t>(h.stored) + 16 * k];
                    if (std::all_of(pair, pair + 8, [](unsigned char b) { return b == 0xFF; })) continue;
                    for (unsigned char* n : {pair, pair + 8}) n[0] = static_cast<unsigned char>(n[0] + 8);
                    return;
                }
                ADD_FAILURE() << "no piece of old bytes";
            });
            return s.file; }, Outcome::LeftAsItWas, false},
        TrustCase{"no birth time: cut short", [](Scene& s) { return s.file; }, Outcome::PlayedBack, false,
            nullptr, false, false},
        TrustCase{"no birth time: the whole new state", [](Scene& s) {
            test::writeBytes(s.file, withTheCutShortStore(s.old));
            return s.file; }, Outcome::LeftAsItWas, false, nullptr, false, false},
        TrustCase{"no birth time: another file that fits after the change point took the inode", [](Scene& s) {
            // A change further in, so that there are bytes before its change point.
            test::writeBytes(s.file, s.old);
            fs::remove(s.journal);
            s.old = test::cutShort(s.file, 2.5, false);
            auto bytes = test::readBytes(s.file);
            bytes[9] = 'X';
            test::writeBytes(s.dir.file("kopie"), bytes);
            fs::rename(s.dir.file("kopie"), s.file);
            const auto copy = nativeFileSystem().info(s.file, false);
            patchJournal(s.journal, [&](JournalHeader& h, std::vector<unsigned char>&) { h.inode = copy->inode; });
            return s.file; }, Outcome::LeftAsItWas, true, nullptr, false, false},
        TrustCase{"stale: changed in place since", [](Scene& s) {
            auto bytes = test::readBytes(s.file);
            bytes[bytes.size() - MemoRecord::kSize + 9] = 'Z';
            test::writeBytes(s.file, bytes);
            return s.file; }, Outcome::LeftAsItWas, true},
        TrustCase{"planted: a link to a whole journal", [](Scene& s) {
            fs::rename(s.journal, s.dir.file("echt"));
            fs::create_symlink(s.dir.file("echt"), s.journal);
            return s.file; }, Outcome::Blocked, false, "no symbolic links to plant"},
        TrustCase{"planted: a folder", [](Scene& s) {
            fs::remove(s.journal);
            fs::create_directory(s.journal);
            return s.file; }, Outcome::Blocked, false},
        TrustCase{"planted: not this program's", [](Scene& s) {
            test::writeBytes(s.journal, std::vector<unsigned char>(300, 'h'));
            return s.file; }, Outcome::Blocked, false},
        TrustCase{"planted: writable by others", [](Scene& s) {
            fs::permissions(s.journal, fs::perms::others_write, fs::perm_options::add);
            return s.file; }, Outcome::Blocked, false, "no permission bits for others"},
        TrustCase{"planted: writable by a group that may not write the file", [](Scene& s) {
            fs::permissions(s.journal, fs::perms::group_write, fs::perm_options::add);
            return s.file; }, Outcome::Blocked, false, "no permission bits for groups"},
        TrustCase{"another user who may write the file", [](Scene& s) {
            fs::permissions(s.file, fs::perms::others_write, fs::perm_options::add);
            test::giveTo(s.journal, 4321);
            return s.file; }, Outcome::PlayedBack, false, "no owners", true}),
    [](const auto& info) {
        std::string name = info.param.name;
        std::replace_if(name.begin(), name.end(), [](char ch) { return !std::isalnum(static_cast<unsigned char>(ch)); }, '_');
        return name;
    });

// Another program, heedless of the lock, puts a new file in the memo
// file's place between the open and the lock (of a change or a read), while
// the change holds the lock, or once the change is in (a copy of the
// changed file): the change ends in the file that bears the name, once.
// One that shortens the file meanwhile makes the change fail, without empty
// records. A journal moved aside during its change and back stays unused.
TEST(JournalTrustReplaced, AChangeEndsInTheFileThatBearsTheName) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows refuses to replace a file that is open";
#endif
    for (const std::string moment : {"open", "read", "change", "after", "shortened", "journal moved"}) {
        SCOPED_TRACE(moment);
        TempDir dir;
        const auto path = dir.file("jotanor1.mem");
        const auto journal = journalPath(path);
        test::writeMemos(path, {memo(1, "a"), memo(2, "b")});
        const auto replace = [&] {
            test::writeBytes(path.string() + ".sync", moment == "after" ? test::readBytes(path) : replacement());
            fs::rename(path.string() + ".sync", path);
        };
        test::FaultyFileSystem meddling;
        if (moment == "open" || moment == "read") meddling.onOpen(path, replace);
        if (moment == "change") meddling.onOpen(journal, replace);
        if (moment == "after") meddling.onRemove(journal, replace);
        if (moment == "shortened") meddling.onOpen(journal, [&] { fs::resize_file(path, MemoRecord::kSize); });
        if (moment == "journal moved") meddling.onOpen(journal, [&] { fs::rename(journal, dir.file("weg")); });
        MemoFile file(meddling, path);
        if (moment == "read") {
            EXPECT_EQ(file.count(), 5u);
            continue;
        }
        if (moment == "shortened") {
            EXPECT_THROW(mydata1_opbergen(file, memo(3, "nieuw")), IoError);
            EXPECT_EQ(firstLines(file), std::vector<std::string>{"a"});
            // Nor does the mark outlive the change that failed.
            EXPECT_FALSE(nativeFileSystem().open(path, OpenMode::ReadOnly)->mark());
            continue;
        }
        EXPECT_EQ(mydata1_opbergen(file, memo(3, "nieuw")), 2u);
        if (moment == "journal moved") fs::rename(dir.file("weg"), journal);
        const bool replaced = moment == "open" || moment == "change";
        test::MemoImage expected(replaced ? replacement() : bytesOfMemos({memo(1, "a"), memo(2, "b")}));
        expected.insert(2, memo(3, "nieuw"));
        EXPECT_EQ(MemoFile(nativeFileSystem(), path).count(), expected.count());
        EXPECT_EQ(test::readBytes(path), expected.bytes());
        EXPECT_FALSE(fs::exists(journal));
    }
}

// Without locks, or without marks on a file with a second name, the file
// is read, not changed, and the reason is told. A NaN date is no obstacle
// to deleting its memo.
TEST(MemoFileLimits, WhatTheFileSystemCannotDoKeepsTheFileReadable) {
    for (const bool marks : {false, true}) {
        TempDir dir;
        const auto path = dir.file("jotanor1.mem");
        test::writeMemos(path, {memo(1, "a")});
        test::FaultyFileSystem limited;
        marks ? limited.withoutMarks() : limited.withoutLocks();
        if (marks) fs::create_hard_link(path, dir.file("ook.mem"));
        MemoFile file(limited, path);
        EXPECT_EQ(firstLines(file), std::vector<std::string>{"a"});
        try {
            mydata1_opbergen(file, memo(2, "b"));
            ADD_FAILURE() << "changed";
        } catch (const IoError& e) {
            EXPECT_NE(e.fullText().find(marks ? "harde link" : "vergrendelen"), std::string::npos) << e.fullText();
        }
        EXPECT_EQ(file.count(), 1u);
    }
    TempDir dir;
    const MemoRecord bad = memo(std::numeric_limits<double>::quiet_NaN(), "kapot");
    test::writeMemos(dir.file("m.mem"), {memo(1, "a"), bad});
    MemoFile file(nativeFileSystem(), dir.file("m.mem"));
    EXPECT_EQ(wisrecord1(file, {bad, 1}), EditOutcome::Done);
    EXPECT_EQ(firstLines(file), std::vector<std::string>{"a"});
}

}  // namespace
}  // namespace jotanor
