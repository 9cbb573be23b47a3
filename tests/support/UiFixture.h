// Widget-test fixture: a fresh working folder and a scripted platform.
#pragma once

#include <QApplication>
#include <filesystem>
#include <gtest/gtest.h>

#include "support/ScriptedPlatform.h"
#include "support/TempDir.h"

namespace jotanor::test {

class UiFixture : public ::testing::Test {
protected:
    UiFixture() : previous_(std::filesystem::current_path()) { std::filesystem::current_path(dir.path()); }
    ~UiFixture() override { std::filesystem::current_path(previous_); }

    std::filesystem::path memoPath() const { return dir.file("jotanor1.mem"); }

    TempDir dir;
    ScriptedPlatform scripted;

private:
    std::filesystem::path previous_;
};

}  // namespace jotanor::test
