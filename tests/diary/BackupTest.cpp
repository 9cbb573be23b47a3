#include <gtest/gtest.h>

#include "diary/Backup.h"
#include "store/Errors.h"
#include "store/MemoRecord.h"
#include "store/SafeWrite.h"
#include "store/Settings.h"
#include "support/FaultyFileSystem.h"
#include "support/TempDir.h"

namespace jotanor {
namespace {

std::vector<unsigned char> memoBytes(int count, const std::string& text) {
    std::vector<unsigned char> bytes;
    for (int i = 0; i < count; ++i) {
        auto r = encodeRecord(MemoRecord{46000.0 + i, text + std::to_string(i), "tweede regel"});
        bytes.insert(bytes.end(), r.begin(), r.end());
    }
    return bytes;
}

using test::Fault;

class BackupTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::filesystem::path memo = dir.file("jotanor1.mem");
    std::filesystem::path backup = dir.file("backup.mem");
};

TEST_F(BackupTest, TheBackupIsTheMemoFileByteForByte) {
    test::writeBytes(memo, memoBytes(5, "memo "));
    EXPECT_EQ(backupCopy(nativeFileSystem(), memo, backup), BackupResult::Copied);
    EXPECT_EQ(test::readBytes(backup), test::readBytes(memo));
    EXPECT_FALSE(std::filesystem::exists(pendingPath(nativeFileSystem(), backup)));
}

TEST_F(BackupTest, AnOlderLargerBackupShrinksToTheMemoFile) {
    test::writeBytes(backup, memoBytes(9, "oud "));
    test::writeBytes(memo, memoBytes(2, "nieuw "));
    backupCopy(nativeFileSystem(), memo, backup);
    EXPECT_EQ(test::readBytes(backup), memoBytes(2, "nieuw "));
}

TEST_F(BackupTest, AnEmptyMemoFileGivesAnEmptyBackup) {
    test::writeBytes(backup, memoBytes(3, "oud "));
    test::writeBytes(memo, {});
    backupCopy(nativeFileSystem(), memo, backup);
    ASSERT_TRUE(std::filesystem::exists(backup));
    EXPECT_EQ(std::filesystem::file_size(backup), 0u);
}

TEST_F(BackupTest, OnlyWholeRecordsAreCopied) {
    auto bytes = memoBytes(2, "memo ");
    auto torn = bytes;
    torn.insert(torn.end(), 100, 0x41);
    test::writeBytes(memo, torn);
    backupCopy(nativeFileSystem(), memo, backup);
    EXPECT_EQ(test::readBytes(backup), bytes);
}

TEST_F(BackupTest, AFailureAtAnyStepLeavesThePreviousBackupWhole) {
    const auto old = memoBytes(4, "oud ");
    test::writeBytes(memo, memoBytes(6, "nieuw "));
    test::FaultyFileSystem faulty;
    for (Fault fault : {Fault::DiskFull, Fault::TornWrite, Fault::AccessDenied}) {
        for (int k = 1;; ++k) {
            test::writeBytes(backup, old);
            faulty.reset();
            faulty.failAt(k, fault);
            try {
                backupCopy(faulty, memo, backup);
            } catch (const IoError&) {
                EXPECT_EQ(test::readBytes(backup), old) << "failing call " << k;
                EXPECT_FALSE(std::filesystem::exists(pendingPath(nativeFileSystem(), backup))) << "failing call " << k;
                continue;
            }
            // The copy went through: the failing call lies past the last
            // one, or is the folder's sync after the new backup was in place.
            EXPECT_EQ(test::readBytes(backup), test::readBytes(memo)) << "failing call " << k;
            EXPECT_GT(k, 3);
            if (faulty.failures() == 0) break;
        }
    }
}

TEST_F(BackupTest, AMissingMemoFileRaisesAndKeepsTheBackup) {
    test::writeBytes(backup, memoBytes(1, "oud "));
    try {
        backupCopy(nativeFileSystem(), memo, backup);
        FAIL() << "no error";
    } catch (const IoError& e) {
        EXPECT_EQ(e.code(), kFileNotFound);
    }
    EXPECT_EQ(test::readBytes(backup), memoBytes(1, "oud "));
}

TEST_F(BackupTest, ABackupPlaceThatIsTheMemoFileLeavesItAlone) {
    const auto bytes = memoBytes(3, "memo ");
    test::writeBytes(memo, bytes);
    std::filesystem::create_directory(dir.file("sub"));
    for (const auto& same : {memo, dir.path() / "sub" / ".." / "jotanor1.mem", dir.path() / "." / "jotanor1.mem"}) {
        EXPECT_EQ(backupCopy(nativeFileSystem(), memo, same), BackupResult::SameFile) << same;
        EXPECT_EQ(test::readBytes(memo), bytes);
    }
}

// The default place's stand-in: taken only when the place refuses access
// and has one, made in a folder of its own, and new only the first time.
TEST_F(BackupTest, ARefusedPlaceWithAStandInBacksUpThere) {
    test::writeBytes(memo, memoBytes(3, "memo "));
    const auto standIn = dir.path() / "Backup" / "jotanor1.mem";
    const struct {
        const char* what;
        Fault fault;  // of the place's first call; IoFailure: none
        bool hasStandIn;
        int error;  // 0: the backup is made
        bool atStandIn;
    } cases[] = {
        {"a place that works", Fault::IoFailure, true, 0, false},
        {"the default refused", Fault::AccessDenied, true, 0, true},
        {"the default refused again", Fault::AccessDenied, true, 0, true},
        {"a chosen place refused", Fault::AccessDenied, false, kAccessDenied, false},
        {"the default on a full disk", Fault::DiskFull, true, kDiskFull, false},
    };
    bool madeBefore = false;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(backup);
        test::FaultyFileSystem faulty;
        if (c.fault != Fault::IoFailure) faulty.failAt(1, c.fault);
        const auto given = c.hasStandIn ? std::optional(standIn) : std::nullopt;
        const bool existed = std::filesystem::exists(standIn);
        try {
            const BackupMade made = backupWithStandIn(faulty, memo, backup, given);
            EXPECT_EQ(c.error, 0);
            EXPECT_EQ(made.place, c.atStandIn ? standIn : backup);
            EXPECT_EQ(made.firstAtStandIn, c.atStandIn && !madeBefore);
            EXPECT_EQ(test::readBytes(made.place), test::readBytes(memo));
            madeBefore = madeBefore || c.atStandIn;
        } catch (const IoError& e) {
            EXPECT_EQ(e.code(), c.error);
        }
        EXPECT_EQ(std::filesystem::exists(standIn), existed || c.atStandIn);
    }
    EXPECT_EQ(standInText(BackupMade{BackupResult::Copied, "D:\\Jotanor\\Backup\\jotanor1.mem", true}),
              "C:\\jotanor1.mem kan niet worden geschreven; de backup staat daarom in D:\\Jotanor\\Backup\\jotanor1.mem. "
              "Een andere plaats kiest u bij Options.");
}

// Only the default place in the root of drive C has a stand-in; where the
// default is a plain file name (no drive letters), nothing changes.
TEST(StandIn, OnlyForTheDefaultPlaceInTheDrivesRoot) {
    const std::filesystem::path settings = "jotanor-settings";
#ifdef _WIN32
    EXPECT_EQ(standInFor(kDefaultBackupPlace, settings), settings / "Backup" / "jotanor1.mem");
    for (const char* chosen : {"D:\\jotanor1.mem", "C:\\memos\\jotanor1.mem", "C:\\jotanor2.mem"})
        EXPECT_EQ(standInFor(chosen, settings), std::nullopt) << chosen;
#else
    EXPECT_EQ(standInFor(kDefaultBackupPlace, settings), std::nullopt);
#endif
    EXPECT_EQ(standInFor(settings / "backup.mem", settings), std::nullopt);
}

TEST(WorkingFolder, IsTheMemoFilesFolder) {
    EXPECT_EQ(workingFolderOf("/home/an/memos/jotanor1.mem"), std::filesystem::path("/home/an/memos"));
    EXPECT_EQ(workingFolderOf("/jotanor1.mem"), std::filesystem::path("/"));
#ifdef _WIN32
    // In the root of a drive only the drive remains, which keeps its own current folder.
    EXPECT_EQ(workingFolderOf("C:\\jotanor1.mem"), std::filesystem::path("C:"));
    EXPECT_EQ(workingFolderOf("D:\\memos\\jotanor1.mem"), std::filesystem::path("D:\\memos"));
#endif
}

TEST(WorkingFolder, AFolderThatIsGoneRaisesTheSystemsCode) {
    const auto before = std::filesystem::current_path();
    try {
        setWorkingFolder("/nonexistent-folder-of-jotanor/x");
        FAIL() << "no error";
    } catch (const IoError& e) {
        EXPECT_EQ(e.code(), test::kMissingFolderCode);
    }
    EXPECT_EQ(std::filesystem::current_path(), before);
}

TEST(MemoCount, TextEndsInADoubleQuoteAndS) {
    EXPECT_EQ(memoCountText(0), "Het bestand bevat 0 memo\"s");
    EXPECT_EQ(memoCountText(65536), "Het bestand bevat 65536 memo\"s");
}

}  // namespace
}  // namespace jotanor

namespace jotanor {
namespace {

// On Windows the default backup place is a real place: the root of drive C.
TEST(DefaultBackupPlace, LandsInTheRootOfDriveC) {
#ifndef _WIN32
    GTEST_SKIP() << "drive letters exist on Windows only; elsewhere the name is a plain file name";
#else
    test::TempDir dir;
    const auto memo = dir.file("jotanor1.mem");
    test::writeBytes(memo, memoBytes(3, "memo "));
    const std::filesystem::path place = kDefaultBackupPlace;
    ASSERT_EQ(place.root_name(), std::filesystem::path("C:"));
    ASSERT_EQ(place.parent_path(), std::filesystem::path("C:\\"));
    const bool existed = std::filesystem::exists(place);
    const auto previous = existed ? test::readBytes(place) : std::vector<unsigned char>{};

    EXPECT_EQ(backupCopy(nativeFileSystem(), memo, place), BackupResult::Copied);
    EXPECT_EQ(test::readBytes("C:\\jotanor1.mem"), test::readBytes(memo));

    // Afterwards the working folder is the memo file's folder.
    const auto before = std::filesystem::current_path();
    setWorkingFolder(workingFolderOf(memo));
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), dir.path()));
    // A memo file in the root of the drive leaves only the drive.
    EXPECT_EQ(workingFolderOf(place), std::filesystem::path("C:"));
    setWorkingFolder("C:");
    EXPECT_EQ(std::filesystem::current_path().root_name(), std::filesystem::path("C:"));
    std::filesystem::current_path(before);

    if (existed)
        test::writeBytes(place, previous);
    else
        std::filesystem::remove(place);
#endif
}

}  // namespace
}  // namespace jotanor
