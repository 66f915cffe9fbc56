// The real program's main script reads the command the engine sends it on close.
#include <gtest/gtest.h>

#include <csignal>

#include "support/TestSupport.h"

namespace {

TEST(MainCommands, ClosingTheWindowGivesMainScriptGameOverForOneLastFrame) {
    test::TempDir dir;
    test::WriteFile("data/scripts/main.lua",
                    "local f = io.open('ready.txt', 'w') f:write('ready') f:close()\n"
                    "while true do\n"
                    "  while SetNextCommand(globalObject) do\n"
                    "    local line = table.concat({GetCurrentCommand(globalObject), GetCurrentParams(globalObject)}, ',')\n"
                    "    local out = io.open('commands.txt', 'a') out:write(line, '\\n') out:close()\n"
                    "  end\n"
                    "  Update()\n"
                    "end\n");
    test::Program program(dir.Path());
    ASSERT_TRUE(test::Program::WaitForText("ready.txt", "ready", 20));
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(20), 0);
    EXPECT_EQ(test::ReadFile("commands.txt"), "GameOver,1\n");
    EXPECT_EQ(test::ReadFile("YLog.log").find("ERROR!!!"), std::string::npos);
}

}  // namespace
