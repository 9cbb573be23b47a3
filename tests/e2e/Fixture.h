// A fresh folder and an X server of its own for each end-to-end test.
#pragma once

#include <gtest/gtest.h>
#include <algorithm>
#include <optional>
#include <sys/stat.h>

#include "e2e/Desktop.h"
#include "e2e/MemoBytes.h"
#include "support/TempDir.h"

namespace jotanor::e2e {

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string missing = missingTools();
        if (!missing.empty()) GTEST_SKIP() << "not installed: " << missing;
        std::filesystem::create_directory(work);
        display.emplace();
        ASSERT_TRUE(display->ok()) << "Xvfb did not start";
    }

    // Starts the program on the memo file as it stands and waits for its main window.
    std::string startToMainWindow(std::optional<Program>& program, Program::Options options = {}) {
        program.emplace(*display, work, options);
        auto window = display->waitForWindow(kMainTitle);
        EXPECT_TRUE(window) << "no main window; the program said:\n" << program->log();
        return window.value_or("");
    }

    // Waits until the file holds exactly `expected`, then compares.
    void expectFile(const std::filesystem::path& path, const std::vector<unsigned char>& expected) {
        waitUntil([&] { return fileBytes(path) == expected; });
        const auto got = fileBytes(path);
        EXPECT_TRUE(got == expected) << path << "\nexpected " << describe(expected) << "\ngot " << describe(got);
    }

    // Escape on the main window ends the program.
    void closeWithEscape(Program& program, const std::string& mainWindow) {
        display->focus(mainWindow);
        display->key({"Escape"});
        const auto code = program.waitForExit();
        ASSERT_TRUE(code) << "the program did not end on Escape";
        EXPECT_EQ(*code, 0) << program.log();
    }

    // The names in the program's folder, hidden files left out.
    std::vector<std::string> visibleFiles() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(work))
            if (e.path().filename().string()[0] != '.') names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    static unsigned permissions(const std::filesystem::path& path) {
        struct stat st {};
        ::stat(path.c_str(), &st);
        return st.st_mode & 0777;
    }

    test::TempDir dir;
    std::filesystem::path work = dir.file("work");
    std::filesystem::path memoPath = work / "jotanor1.mem";
    std::optional<Display> display;
};

}  // namespace jotanor::e2e
