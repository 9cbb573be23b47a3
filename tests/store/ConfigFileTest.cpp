#include <gtest/gtest.h>

#include "diary/CalendarAccount.h"
#include "store/ConfigFile.h"
#include "store/Errors.h"
#include "store/IntegerText.h"
#include "support/FaultyFileSystem.h"
#include "support/TempDir.h"

namespace jotanor {
namespace {

using test::TempDir;

std::vector<unsigned char> bytesOf(std::string_view s) { return {s.begin(), s.end()}; }
std::string textOf(const std::vector<unsigned char>& b) { return {b.begin(), b.end()}; }

TEST(IntegerText, FollowsTheClassicRules) {
    struct Case {
        const char* text;
        std::optional<int> value;
    };
    for (Case c : {Case{"45", 45}, Case{"   45", 45}, Case{"+7", 7}, Case{"-7", -7}, Case{"0045", 45},
                   Case{"$1A", 26}, Case{"$2d", 45}, Case{"-$10", -16}, Case{"$FFFFFFFF", -1},
                   Case{"2147483647", 2147483647}, Case{"-2147483648", -2147483647 - 1},
                   // invalid
                   Case{"", {}}, Case{" ", {}}, Case{"45 ", {}}, Case{"4,5", {}}, Case{"4 5", {}},
                   Case{"\t45", {}}, Case{"-", {}}, Case{"$", {}}, Case{"$G", {}}, Case{"1A", {}},
                   Case{"- 7", {}}, Case{"2147483648", {}}, Case{"$100000000", {}},
                   Case{"99999999999999999999999", {}}, Case{"0x1A", {}}}) {
        EXPECT_EQ(parseInteger(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(IntegerText, AnInvalidTextRaisesTheConversionErrorWithThatText) {
    try {
        strToInt("4,5");
        FAIL();
    } catch (const ConvertError& e) {
        EXPECT_STREQ(e.what(), "'4,5' is not a valid integer value");
    }
}

class ConfigFileTest : public ::testing::Test {
protected:
    Settings load(const std::string& bytes, Settings start = {}) {
        test::writeBytes(path, bytesOf(bytes));
        EXPECT_TRUE(loadConfig(nativeFileSystem(), path, start));
        return start;
    }
    std::string loadError(const std::string& bytes, Settings& settings) {
        test::writeBytes(path, bytesOf(bytes));
        try {
            loadConfig(nativeFileSystem(), path, settings);
        } catch (const ConvertError& e) {
            return e.what();
        }
        return "no error";
    }

    TempDir dir;
    std::filesystem::path path = dir.file("jotnor.cfg");
};

TEST_F(ConfigFileTest, TheFirstSaveWritesTheDefaultsWithCrLf) {
    Settings s;
    s.backupPlace = kDefaultBackupPlace;
    ASSERT_TRUE(saveConfig(nativeFileSystem(), path, s));
    EXPECT_EQ(textOf(test::readBytes(path)), "C:\\jotanor1.mem\r\n90\r\n90\r\n0\r\n1\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("jotnor.cfg.new")));
#ifndef _WIN32
    using std::filesystem::perms;
    EXPECT_EQ(std::filesystem::status(path).permissions(), perms::owner_read | perms::owner_write);
#endif
}

TEST_F(ConfigFileTest, AFileThatCannotBeOpenedLeavesTheSettingsAlone) {
    Settings s;
    s.backupPlace = "keep";
    s.fontSize = 11;
    EXPECT_FALSE(loadConfig(nativeFileSystem(), path, s));
    std::filesystem::create_directory(path);  // a folder in its place
    EXPECT_FALSE(loadConfig(nativeFileSystem(), path, s));
    EXPECT_EQ(s.backupPlace, "keep");
    EXPECT_EQ(s.fontSize, 11);
}

TEST_F(ConfigFileTest, ReadsTheFiveLinesWhateverTheirEndings) {
    for (const char* bytes : {"D:\\mijn backup\\x.mem\r\n45\r\n80\r\n10\r\n0\r\n",
                              "D:\\mijn backup\\x.mem\n45\n80\n10\n0\n", "D:\\mijn backup\\x.mem\r45\r80\r10\r0",
                              "D:\\mijn backup\\x.mem\r\n  45\r\n+80\r\n$A\r\n0\r\nextra\r\n",
                              "D:\\mijn backup\\x.mem\r\n45\n80\r10\r\n0"}) {
        Settings s = load(bytes);
        EXPECT_EQ(s.backupPlace, "D:\\mijn backup\\x.mem") << bytes;
        EXPECT_EQ(s.leftPercent, 45);
        EXPECT_EQ(s.bottomPercent, 80);
        EXPECT_EQ(s.fontSize, 10);
        EXPECT_EQ(s.weekParity, 0);
    }
}

TEST_F(ConfigFileTest, TheStartPositionIsBroughtIntoTheOptionsDialogsRanges) {
    Settings s = load("\r\n200\r\n-7\r\n0\r\n2\r\n");
    EXPECT_EQ(s.backupPlace, "");  // an empty line 1: no backup
    EXPECT_EQ(s.leftPercent, 95);
    EXPECT_EQ(s.bottomPercent, 0);
    EXPECT_EQ(s.weekParity, 2);
    s = load("\r\n-2147483648\r\n2147483647\r\n2147483647\r\n0\r\n");
    EXPECT_EQ(s.leftPercent, 0);
    EXPECT_EQ(s.bottomPercent, 100);
    EXPECT_EQ(s.fontSize, 2147483647);  // held at what a font can have when it is used
}

TEST_F(ConfigFileTest, ABadLineStopsTheLoadAfterTheSettingsBeforeIt) {
    Settings before;
    before.fontSize = 11;
    before.weekParity = 1;

    Settings s = before;
    EXPECT_EQ(loadError("X:\\b.mem\r\n45\r\n4,5\r\n10\r\n0\r\n", s), "'4,5' is not a valid integer value");
    EXPECT_EQ(s.backupPlace, "X:\\b.mem");
    EXPECT_EQ(s.leftPercent, 45);     // converted before the bad line
    EXPECT_EQ(s.bottomPercent, 90);   // the bad line and those after keep their values
    EXPECT_EQ(s.fontSize, 11);

    s = before;
    EXPECT_EQ(loadError("X:\\b.mem\r\n45 \r\n", s), "'45 ' is not a valid integer value");
    EXPECT_EQ(s.leftPercent, 90);

    // Three lines: the fourth reads as an empty text.
    s = before;
    EXPECT_EQ(loadError("X:\\b.mem\r\n30\r\n40\r\n", s), "'' is not a valid integer value");
    EXPECT_EQ(s.leftPercent, 30);
    EXPECT_EQ(s.bottomPercent, 40);
    EXPECT_EQ(s.fontSize, 11);
    EXPECT_EQ(s.weekParity, 1);

    // The bad line's Windows-1252 text is shown as the user wrote it.
    s = before;
    EXPECT_EQ(loadError("\r\n\xe9\xe9n\r\n", s), "'één' is not a valid integer value");
}

TEST_F(ConfigFileTest, TheBackupPlaceSurvivesASaveAndALoadUnchanged) {
    Settings s;
    s.backupPlace = "  E:\\reserve kopie\\café.mem ";  // blanks and a character outside ASCII
    s.leftPercent = 5;
    s.bottomPercent = 100;
    s.fontSize = 12;
    s.weekParity = 0;
    ASSERT_TRUE(saveConfig(nativeFileSystem(), path, s));
    EXPECT_EQ(textOf(test::readBytes(path)), "  E:\\reserve kopie\\caf\xe9.mem \r\n5\r\n100\r\n12\r\n0\r\n");
    Settings back;
    ASSERT_TRUE(loadConfig(nativeFileSystem(), path, back));
    EXPECT_EQ(back.backupPlace, s.backupPlace);
    EXPECT_EQ(back.leftPercent, 5);
    EXPECT_EQ(back.bottomPercent, 100);
    EXPECT_EQ(back.fontSize, 12);
    EXPECT_EQ(back.weekParity, 0);
}

TEST_F(ConfigFileTest, ALongFirstLineIsReadWhole) {
    const std::string place(10000, 'p');
    Settings s = load(place + "\r\n1\r\n2\r\n3\r\n4\r\n");
    EXPECT_EQ(s.backupPlace, place);
    EXPECT_EQ(s.weekParity, 4);
}

TEST_F(ConfigFileTest, AFailedSaveKeepsTheOldFile) {
    const std::string old = "old\r\n1\r\n2\r\n3\r\n1\r\n";
    Settings s;
    s.backupPlace = "new";
    for (int k = 1; k <= 7; ++k) {
        test::writeBytes(path, bytesOf(old));
        test::FaultyFileSystem fs;
        fs.failAt(k, test::Fault::DiskFull);
        bool saved = false;
        bool raised = false;
        try {
            saved = saveConfig(fs, path, s);
        } catch (const IoError& e) {
            raised = true;
            EXPECT_EQ(e.code(), kDiskFull);
        }
        if (fs.failures() == 0) {
            EXPECT_TRUE(saved) << k;
            continue;
        }
        // Failing before the new file exists is silent; after it, an error.
        EXPECT_EQ(raised, k >= 4) << k;
        EXPECT_FALSE(saved) << k;
        EXPECT_EQ(textOf(test::readBytes(path)), old) << k;
        EXPECT_FALSE(std::filesystem::exists(dir.file("jotnor.cfg.new"))) << k;
    }
}

TEST_F(ConfigFileTest, AFileThatCannotBeWrittenIsSilentlyNotSaved) {
    Settings s;
    std::filesystem::create_directory(path);  // a folder in its place
    EXPECT_FALSE(saveConfig(nativeFileSystem(), path, s));
    EXPECT_TRUE(std::filesystem::is_directory(path));
    std::filesystem::remove(path);

    // A write-protected file: it is not replaced behind the user's back.
    test::writeBytes(path, bytesOf("old\r\n"));
    test::FaultyFileSystem fs;
    fs.failAt(1, test::Fault::AccessDenied);
    EXPECT_FALSE(saveConfig(fs, path, s));
    EXPECT_EQ(textOf(test::readBytes(path)), "old\r\n");
}

// The calendar account's side file: the names it knows, whatever the line
// ends; a value cannot start a line of its own.
TEST(CalendarAccountFile, ReadsItsNamesAndPassesOverTheRest) {
    const CalendarAccount read =
        parseAccount("adres=https://a/b?c=d\r\nonbekend=1\ngeen regel\ngebruiker=anna\nsync-bij-start=ja\n");
    EXPECT_EQ(read, (CalendarAccount{"https://a/b?c=d", "anna", true, false}));
    EXPECT_EQ(parseAccount(accountText({"https://x/\nsync-bij-start=ja", "b", false, true})),
              (CalendarAccount{"https://x/sync-bij-start=ja", "b", false, true}));
}

}  // namespace
}  // namespace jotanor
