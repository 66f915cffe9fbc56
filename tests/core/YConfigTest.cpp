#include "core/YConfig.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "core/YLog.h"
#include "core/YSettings.h"
#include "support/TestSupport.h"

namespace {

class ConfigTest : public testing::Test {
protected:
    test::TempDir dir;
    YSettings saved = g_settings;
    ConfigTest() {
        g_settings = YSettings{};
        StartLog();
    }
    ~ConfigTest() override { g_settings = saved; }
    static std::string LogText() { return test::ReadFile("YLog.log"); }
};

const char* const kFullFile =
    "[COMMON]\nLOG_LEVEL 7\nMOUSE_SPEED 0.500\nMOUSE_WHEEL_SPEED 2.000\nCAMERA_MODE 1\n\n"
    "[VIDEO]\nSCREEN_WIDTH 1024\nSCREEN_HEIGHT 768\nSCREEN_BPP 16\nFULL_SCREEN 1\nBRIGHTNESS_LEVEL 0.750\n"
    "STATISTIC 0\nTRILINEAR 1\n\n"
    "[AUDIO]\nSOUND_VOLUME 0.250\nMUSIC_VOLUME 1.000\nCHANNELS 1\nBITRATE 8\nFREQUENCY 22050\n";

TEST_F(ConfigTest, MissingFileKeepsDefaultsButForcesFullScreenAndNoStatistics) {
    g_settings.fullScreen = 0;
    LoadConfig();
    EXPECT_EQ(g_settings.screenWidth, 800);
    EXPECT_EQ(g_settings.fullScreen, 1);
    EXPECT_EQ(g_settings.statistics, 0);
    std::string log = LogText();
    EXPECT_NE(log.find("\nConfig parsing started\t---------\nFile - yconfig.cfg not found\n"
                       "Config parsing finished\t---------\n"),
              std::string::npos)
        << log;
}

TEST_F(ConfigTest, FullFileRoundTripsByteForByte) {
    test::WriteFile("YConfig.cfg", kFullFile);
    LoadConfig();
    EXPECT_EQ(g_settings.logLevel, 7);
    EXPECT_FLOAT_EQ(g_settings.mouseSpeed, 0.5f);
    EXPECT_EQ(g_settings.screenWidth, 1024);
    EXPECT_EQ(g_settings.trilinear, 1);
    EXPECT_EQ(g_settings.frequency, 22050);
    EXPECT_EQ(LogText().find("Error"), std::string::npos);
    SaveConfig();
    EXPECT_EQ(test::ReadFile("YConfig.cfg"), kFullFile);
}

TEST_F(ConfigTest, DefaultsAreSavedInTheFixedFormat) {
    SaveConfig();
    EXPECT_EQ(test::ReadFile("YConfig.cfg"),
              "[COMMON]\nLOG_LEVEL 10\nMOUSE_SPEED 1.000\nMOUSE_WHEEL_SPEED 1.000\nCAMERA_MODE 0\n\n"
              "[VIDEO]\nSCREEN_WIDTH 800\nSCREEN_HEIGHT 600\nSCREEN_BPP 32\nFULL_SCREEN 1\n"
              "BRIGHTNESS_LEVEL 0.500\nSTATISTIC 1\nTRILINEAR 0\n\n"
              "[AUDIO]\nSOUND_VOLUME 0.500\nMUSIC_VOLUME 0.500\nCHANNELS 2\nBITRATE 16\nFREQUENCY 44100\n");
    EXPECT_NE(LogText().find("SaveConfig\n"), std::string::npos);
}

TEST_F(ConfigTest, BadLinesAreReportedInOrderWithTheirNumbers) {
    test::WriteFile("YConfig.cfg",
                    "SCREEN_WIDTH 640\n"     // 1: before any section
                    "[VIDEO]\n"              // 2
                    "LOG_LEVEL 3\n"          // 3: key of another section
                    "SCREEN_HEIGHT\n"        // 4: no value
                    "[video]\n"              // 5: names are case-sensitive
                    "SCREEN_WIDTH abc\n"     // 6: still VIDEO; a non-number reads 0
                    "[ AUDIO ]\n"            // 7: blanks inside the brackets are fine
                    "FREQUENCY 11025\n"      // 8
                    "FULL_SCREEN 0\n"        // 9: not in AUDIO
                    "[VIDEO]\nSTATISTIC 1\n");
    LoadConfig();
    EXPECT_EQ(g_settings.screenWidth, 0);
    EXPECT_EQ(g_settings.screenHeight, 600);
    EXPECT_EQ(g_settings.logLevel, 10);
    EXPECT_EQ(g_settings.frequency, 11025);
    EXPECT_EQ(g_settings.statistics, 0);
    EXPECT_EQ(g_settings.fullScreen, 1);
    std::string log = LogText();
    size_t start = log.find("Config parsing started");
    ASSERT_NE(start, std::string::npos);
    EXPECT_NE(log.find("Error in config file on line - 1\n"
                       "Error in config file on line - 3\n"
                       "Error in log file on line - 4\n"
                       "Error in config file on line - 4\n"
                       "Error in config file on line - 5\n"
                       "Error in config file on line - 9\n",
                       start),
              std::string::npos)
        << log;
}

TEST_F(ConfigTest, ALaterLineOverridesAndCommentsAreSkipped) {
    test::WriteFile("YConfig.cfg", "[COMMON]\n// LOG_LEVEL 1\nLOG_LEVEL 4\nLOG_LEVEL 5 extra\n");
    LoadConfig();
    EXPECT_EQ(g_settings.logLevel, 5);
}

TEST_F(ConfigTest, ValuesReadTheirLeadingDecimalNumberOnly) {
    test::WriteFile("YConfig.cfg",
                    "[COMMON]\nLOG_LEVEL 99999999999\nMOUSE_SPEED nan\nMOUSE_WHEEL_SPEED 0x10\nCAMERA_MODE 2x\n");
    LoadConfig();
    EXPECT_EQ(g_settings.logLevel, INT32_MAX);
    EXPECT_EQ(g_settings.mouseSpeed, 0.0f);  // never a value that is not a number
    EXPECT_EQ(g_settings.mouseWheelSpeed, 0.0f);
    EXPECT_EQ(g_settings.cameraMode, 2);
}

TEST_F(ConfigTest, UnwritableFileIsSkippedSilentlyAndKeepsTheOldOne) {
    // A directory of that name cannot be opened for writing, whoever runs the test.
    test::WriteFile("YConfig.cfg/keep", "old");
    SaveConfig();
    EXPECT_EQ(test::ReadFile("YConfig.cfg/keep"), "old");
    EXPECT_EQ(LogText().find("SaveConfig"), std::string::npos);
}

TEST_F(ConfigTest, AReadOnlyFileIsNeverReplaced) {
    if (::geteuid() == 0) GTEST_SKIP() << "permission bits do not stop root";
    test::WriteFile("YConfig.cfg", "old");
    ASSERT_EQ(::chmod("YConfig.cfg", 0444), 0);
    SaveConfig();
    EXPECT_EQ(test::ReadFile("YConfig.cfg"), "old");
    EXPECT_EQ(LogText().find("SaveConfig"), std::string::npos);
}

}  // namespace
