// The real program with its renderer: started after the window, shut down before the
// leak report, with no render node left.
#include <gtest/gtest.h>

#include <csignal>

#include "support/TestSupport.h"

namespace {

TEST(RendererProgram, StartsTheRendererAndShutsItDownBeforeTheLeakReport) {
    test::TempDir dir;
    test::WriteFile(dir.Path() + "/data/scripts/main.lua", "while true do Update() end\n");
    // Leak checks stay with the unit tests: the window system's drivers leave blocks
    // behind in libraries they unload, which no suppression can name.
    test::Program program(dir.Path());
    ASSERT_TRUE(test::Program::WaitForText("YLog.log", "\nRender init finished\t----------\n", 20));
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(20), 0);
    std::string log = test::ReadFile("YLog.log");
    size_t started = log.find("\nRender init started\t----------\n");
    size_t shutdown = log.find("CYRenderer - shutdown\n");
    size_t report = log.find("0 - render nodes lost\n");
    ASSERT_NE(started, std::string::npos);
    ASSERT_NE(shutdown, std::string::npos);
    ASSERT_NE(report, std::string::npos);
    EXPECT_LT(started, shutdown);
    EXPECT_LT(shutdown, report);
    EXPECT_EQ(log.find("YNODE_"), std::string::npos);
    EXPECT_EQ(log.find("DXError"), std::string::npos);
}

}  // namespace
