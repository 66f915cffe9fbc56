#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "audio/YWaveFile.h"
#include "support/TestSupport.h"

namespace {

// Reads a made sound and checks its format: mono 16-bit PCM at 44100 Hz.
uint32_t CheckedDataSize(const std::string& path) {
    CYWaveFile file;
    EXPECT_EQ(file.Open(path.c_str(), nullptr, kWaveFileRead), S_OK) << path;
    const snd::WaveFormat* f = file.GetFormat();
    if (!f) return 0;
    EXPECT_EQ(f->formatTag, snd::kFormatPcm);
    EXPECT_EQ(f->channels, 1);
    EXPECT_EQ(f->bitsPerSample, 16);
    EXPECT_EQ(f->samplesPerSec, 44100u);
    return file.GetSize();
}

TEST(MakeSounds, WritesTheSampleGamesSoundsIntoTheGivenDirectory) {
    test::TempDir dir;
    const std::string command = std::string(KESTRUNE_TOOLS_DIR) + "/make_sounds out/sounds";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const uint32_t button = CheckedDataSize("out/sounds/button.wav");
    const uint32_t explosion = CheckedDataSize("out/sounds/explosion.wav");
    EXPECT_GT(button, 0u);
    EXPECT_GT(explosion, 10 * button);
}

TEST(MakeSounds, WritesTheDroidsWeaponHitPickupLiftAndAlertSoundsAlike) {
    test::TempDir dir;
    const std::string tool = std::string(KESTRUNE_TOOLS_DIR) + "/make_sounds ";
    ASSERT_EQ(std::system((tool + "a").c_str()), 0);
    ASSERT_EQ(std::system((tool + "b").c_str()), 0);
    for (const char* name : {"shot.wav", "zap.wav", "flame.wav", "laser.wav", "hit.wav", "pickup.wav", "lift.wav",
                             "alert.wav"}) {
        // Each is a short sound: more than a twentieth and less than two seconds.
        const uint32_t size = CheckedDataSize(std::string("a/") + name);
        EXPECT_GT(size, 44100u * 2 / 20) << name;
        EXPECT_LT(size, 44100u * 2 * 2) << name;
        EXPECT_EQ(test::ReadFile(std::string("a/") + name), test::ReadFile(std::string("b/") + name)) << name;
    }
}

TEST(MakeSounds, SameFilesOnEveryRun) {
    test::TempDir dir;
    const std::string tool = std::string(KESTRUNE_TOOLS_DIR) + "/make_sounds ";
    ASSERT_EQ(std::system((tool + "a").c_str()), 0);
    ASSERT_EQ(std::system((tool + "b").c_str()), 0);
    EXPECT_EQ(test::ReadFile("a/explosion.wav"), test::ReadFile("b/explosion.wav"));
    EXPECT_EQ(test::ReadFile("a/button.wav"), test::ReadFile("b/button.wav"));
}

TEST(MakeSounds, WithoutADirectoryItFails) {
    const std::string command = std::string(KESTRUNE_TOOLS_DIR) + "/make_sounds >/dev/null 2>&1";
    EXPECT_NE(std::system(command.c_str()), 0);
}

}  // namespace
