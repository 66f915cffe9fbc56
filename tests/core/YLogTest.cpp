#include "core/YLog.h"

#include <gtest/gtest.h>

#include <string>

#include "core/YSettings.h"
#include "support/TestSupport.h"

namespace {

class LogTest : public testing::Test {
protected:
    test::TempDir dir;
    int savedLevel = g_settings.logLevel;
    ~LogTest() override { g_settings.logLevel = savedLevel; }
};

TEST_F(LogTest, StartLogEmptiesTheFileAndWritesTheBanner) {
    test::WriteFile("YLog.log", "old contents\n");
    StartLog();
    EXPECT_EQ(test::ReadFile("YLog.log"), "Kestrune Sat Nov 29 17:03:57 2003\n\n");
}

TEST_F(LogTest, LinesAboveTheThresholdAreNotWritten) {
    StartLog();
    g_settings.logLevel = 2;
    Log(3, "script parse line\n");
    Log(0, "start-up line\n");
    Log(2, "level two %d\n", 2);
    EXPECT_EQ(test::ReadFile("YLog.log"), std::string(kLogBanner) + "\n\nstart-up line\nlevel two 2\n");
}

TEST_F(LogTest, ThresholdBelowTheBannerSilencesEverything) {
    g_settings.logLevel = -11;
    StartLog();
    Log(0, "nothing\n");
    EXPECT_EQ(test::ReadFile("YLog.log"), "");
}

TEST_F(LogTest, NoLineFeedIsAdded) {
    StartLog();
    Log(0, "a");
    Log(0, "b\n");
    EXPECT_NE(test::ReadFile("YLog.log").find("ab\n"), std::string::npos);
}

TEST_F(LogTest, LongTextIsCutAndKeepsItsLineFeed) {
    StartLog();
    std::string longText(2000, 'x');
    Log(0, "%s\n", longText.c_str());
    Log(0, "next\n");
    std::string log = test::ReadFile("YLog.log");
    std::string expected = std::string(kLogBanner) + "\n\n" + std::string(kLogLineMax - 1, 'x') + "\nnext\n";
    EXPECT_EQ(log, expected);
}

TEST_F(LogTest, DXErrorLineNamesTheFileLineAndCode) {
    StartLog();
    LogDXError("/build/src/render/YRenderer.cpp", 120, D3DERR_DEVICELOST);
    LogDXError("/build/src/render/YRenderer.cpp", 121, S_OK);
    std::string log = test::ReadFile("YLog.log");
    EXPECT_NE(log.find("DXError if render/YRenderer.cpp on line 120\nD3DERR_DEVICELOST\n"
                       "The device has been lost but cannot be reset at this time.\n"),
              std::string::npos);
    EXPECT_EQ(log.find("line 121"), std::string::npos);
}

TEST_F(LogTest, UnknownCodeIsNamedInHexadecimal) {
    StartLog();
    LogDXError("x.cpp", 1, MakeResult(0x8123ABCDu));
    EXPECT_NE(test::ReadFile("YLog.log").find("0x8123ABCD\nUnknown error.\n"), std::string::npos);
}

}  // namespace
