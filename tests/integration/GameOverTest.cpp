// The trigger "GameOver" ends the real program by itself.
#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace {

TEST(GameOver, SettingTheTriggerEndsTheProgramWithTheFullShutdown) {
    test::TempDir dir;
    test::WriteFile("data/scripts/main.lua",
                    "local frames = 0\n"
                    "while true do\n"
                    "  frames = frames + 1\n"
                    "  if frames == 3 then SetTrigger('GameOver', 0) end\n"
                    "  if frames == 5 then SetTrigger('GameOver', 1) end\n"
                    "  local f = io.open('frames.txt', 'w') f:write(frames) f:close()\n"
                    "  Update()\n"
                    "end\n");
    test::Program program(dir.Path());
    EXPECT_EQ(program.Wait(30), 0);
    // A value of 0 did not end it; the frame that set 1 was the last.
    EXPECT_EQ(test::ReadFile("frames.txt"), "5");
    std::string log = test::ReadFile("YLog.log");
    EXPECT_NE(log.find("SaveConfig\n"), std::string::npos);
    EXPECT_NE(log.find("0 - scripts lost\n"), std::string::npos);
    EXPECT_NE(log.find("\nGame Finished\t--------------\n"), std::string::npos);
    EXPECT_NE(test::ReadFile("YConfig.cfg").find("[COMMON]\nLOG_LEVEL 10\n"), std::string::npos);
}

}  // namespace
