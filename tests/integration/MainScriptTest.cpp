// The real program running "main.lua" as the main handler's idle state.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "support/TestSupport.h"

namespace {

void WriteMainScript(const std::string& dir, const std::string& text) {
    test::WriteFile(dir + "/data/scripts/main.lua", text);
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

void ExpectFullShutdown(test::Program& program) {
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(20), 0);
    std::string log = test::ReadFile("YLog.log");
    EXPECT_NE(log.find("0 - scripts lost\n"), std::string::npos);
    EXPECT_NE(log.find("\nGame Finished\t--------------\n"), std::string::npos);
}

TEST(MainScript, RunsOncePerFrameUntilSigterm) {
    test::TempDir dir;
    WriteMainScript(dir.Path(),
                    "local frames = 0\n"
                    "while true do\n"
                    "  frames = frames + 1\n"
                    "  local f = io.open('frames.txt', 'a')\n"
                    "  f:write('frame ', frames, '\\n')\n"
                    "  f:close()\n"
                    "  Update()\n"
                    "end\n");
    test::Program program(dir.Path());
    ASSERT_TRUE(test::Program::WaitForText("frames.txt", "frame 5\n", 20));
    ExpectFullShutdown(program);
    std::string frames = test::ReadFile("frames.txt");
    EXPECT_EQ(frames.rfind("frame 1\nframe 2\nframe 3\nframe 4\nframe 5\n", 0), 0u);
    EXPECT_EQ(test::ReadFile("YLog.log").find("ERROR!!!"), std::string::npos);
}

TEST(MainScript, AMainScriptThatReturnsStartsAgainFromItsFirstLine) {
    test::TempDir dir;
    WriteMainScript(dir.Path(),
                    "local f = io.open('runs.txt', 'a')\n"
                    "f:write(tostring(counter), '\\n')\n"
                    "f:close()\n"
                    "counter = 1\n");
    test::Program program(dir.Path());
    ASSERT_TRUE(test::Program::WaitForText("runs.txt", "nil\nnil\nnil\n", 20));
    ExpectFullShutdown(program);
    // Every run begins with fresh globals.
    EXPECT_EQ(test::ReadFile("runs.txt").find("1"), std::string::npos);
}

TEST(MainScript, AScriptErrorIsLoggedAndTheProgramGoesOn) {
    test::TempDir dir;
    WriteMainScript(dir.Path(),
                    "local f = io.open('starts.txt', 'a') f:write('start\\n') f:close()\n"
                    "Update()\n"
                    "error('deliberate failure')\n");
    test::Program program(dir.Path());
    ASSERT_TRUE(test::Program::WaitForText("starts.txt", "start\nstart\nstart\n", 20));
    ExpectFullShutdown(program);
    std::string log = test::ReadFile("YLog.log");
    EXPECT_NE(log.find("\nERROR!!!!!!!!!!!!!\n[string \"data\\scripts\\main.lua\"]:3: deliberate failure\n\n"),
              std::string::npos);
}

TEST(MainScript, MissingMainScriptEndsTheProgramAfterStartUp) {
    test::TempDir dir;
    test::Program program(dir.Path());
    EXPECT_EQ(program.Wait(20), 0);
    std::string log = test::ReadFile("YLog.log");
    EXPECT_NE(log.find("File - data\\scripts\\main.lua not found\n"), std::string::npos);
    EXPECT_NE(log.find("0 - scripts lost\n"), std::string::npos);
    EXPECT_NE(log.find("\nGame Finished\t--------------\n"), std::string::npos);
}

TEST(MainScript, TheSampleGameRunsCleanly) {
    test::TempDir dir;
    test::CopySampleGame(dir.Path());
    test::Program program(dir.Path());
    ASSERT_TRUE(test::Program::WaitForText(
        "YLog.log", "Finish parsing script file - data\\scripts\\main.lua ------------------\n", 20));
    // The intro ends by itself; the program is closed on the main menu, with its pointer shown.
    ASSERT_TRUE(test::Program::WaitForText(
        "YLog.log", "main_menu.txt ----------------- finished -------------\n", 60));
    ExpectFullShutdown(program);
    std::string log = test::ReadFile("YLog.log");
    EXPECT_EQ(log.find("ERROR!!!"), std::string::npos);
    // Nothing drawn in the last frame lacks what it draws with (the pointer included).
    EXPECT_EQ(log.find("Error in "), std::string::npos);
    EXPECT_EQ(Count(log, "Starting to parse script file - data\\scripts\\main.lua"), 1u);
    EXPECT_NE(log.find("Game over after "), std::string::npos);
}

}  // namespace
