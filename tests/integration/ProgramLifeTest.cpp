// Runs the real program in a temporary working directory.
#include <gtest/gtest.h>

#include <csignal>

#include "support/TestSupport.h"

namespace {

// A main script that gives every frame back and never ends.
void WriteIdleMainScript(const std::string& dir) {
    test::WriteFile(dir + "/data/scripts/main.lua", "while true do Update() end\n");
}

TEST(ProgramLife, StartsLogsAndEndsOnSigtermWithTheLeakReport) {
    test::TempDir dir;
    WriteIdleMainScript(dir.Path());
    test::Program program(dir.Path());
    ASSERT_TRUE(test::Program::WaitForText("YLog.log", "Game Started\t--------------\n", 20));
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(20), 0);
    std::string log = test::ReadFile("YLog.log");
    EXPECT_EQ(log.rfind("Kestrune Sat Nov 29 17:03:57 2003\n\nGame Started\t--------------\n", 0), 0u);
    EXPECT_NE(log.find("0 - complex objects lost\n"), std::string::npos);
    EXPECT_NE(log.find("0 - render nodes lost\n"), std::string::npos);
    EXPECT_NE(log.find("\nGame Finished\t--------------\n"), std::string::npos);
}

// A size of 0 or less is no reason to stop silently: the renderer refuses it, and the
// settings, the leak report and the last line are still written.
TEST(ProgramLife, AScreenSizeOfZeroOrLessEndsThroughTheRenderersFailure) {
    for (const char* video : {"SCREEN_WIDTH abc\n", "SCREEN_HEIGHT -5\n"}) {
        SCOPED_TRACE(video);
        test::TempDir dir;
        WriteIdleMainScript(dir.Path());
        test::WriteFile(dir.Path() + "/YConfig.cfg", std::string("[VIDEO]\n") + video);
        test::Program program(dir.Path());
        EXPECT_EQ(program.Wait(20), 0);
        std::string log = test::ReadFile("YLog.log");
        size_t render = log.find("Render init started");
        size_t save = log.find("SaveConfig\n");
        size_t leaks = log.find("0 - scripts lost\n");
        size_t end = log.find("\nGame Finished\t--------------\n");
        EXPECT_NE(render, std::string::npos);
        EXPECT_TRUE(render < save && save < leaks && leaks < end) << log;
        EXPECT_EQ(log.find("Starting to parse script file"), std::string::npos);
        std::string config = test::ReadFile("YConfig.cfg");
        EXPECT_NE(config.find(video[7] == 'W' ? "SCREEN_WIDTH 0\n" : "SCREEN_HEIGHT -5\n"), std::string::npos);
    }
}

TEST(ProgramLife, SecondInstanceExitsWithOneAndLeavesTheLogAlone) {
    test::TempDir dir;
    WriteIdleMainScript(dir.Path());
    test::Program first(dir.Path());
    ASSERT_TRUE(test::Program::WaitForText("YLog.log", "Game Started", 20));
    std::string before = test::ReadFile("YLog.log");
    {
        test::TempDir other;  // another working directory, the same lock
        test::Program second(other.Path(), {"XDG_RUNTIME_DIR=" + dir.Path()});
        EXPECT_EQ(second.Wait(20), 1);
        EXPECT_FALSE(test::FileExists(other.Path() + "/YLog.log"));
    }
    EXPECT_EQ(test::ReadFile(dir.Path() + "/YLog.log").substr(0, before.size()), before);
    first.Signal(SIGINT);
    EXPECT_EQ(first.Wait(20), 0);
}

}  // namespace
