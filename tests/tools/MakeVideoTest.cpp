#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/media/AudioDecoder.h"
#include "platform/media/Media.h"
#include "support/TestSupport.h"

namespace {

TEST(MakeVideo, WritesTheSameFourSecondVideoWithItsSoundEveryTime) {
    test::TempDir dir;
    const std::string tool = std::string(KESTRUNE_TOOLS_DIR) + "/make_video ";
    ASSERT_EQ(std::system((tool + "a").c_str()), 0);
    ASSERT_EQ(std::system((tool + "b").c_str()), 0);
    const std::string file = test::ReadFile("a/intro.avi");
    EXPECT_EQ(file, test::ReadFile("b/intro.avi"));
    const std::vector<uint8_t> bytes(file.begin(), file.end());

    media::detail::AudioDecoder sound;
    ASSERT_EQ(sound.Open(std::make_shared<const std::vector<uint8_t>>(bytes), media::detail::kVideoContainers), S_OK);
    EXPECT_EQ(sound.Channels(), 1);
    EXPECT_EQ(sound.Frequency(), 22050u);

    std::unique_ptr<media::Video> video;
    ASSERT_EQ(media::Video::Open(nullptr, bytes, &video), S_OK);
    EXPECT_EQ(video->Width(), 320u);
    EXPECT_EQ(video->Height(), 240u);
    double seconds = 0.0;
    video->SetWallClockForTesting([&] { return seconds; });
    video->Play();
    int frames = 0;
    for (int i = 0; i < 100; ++i) {
        seconds = i * 0.04 + 0.001;
        frames += video->Advance();
    }
    EXPECT_EQ(frames, 100);
    seconds = 3.999;
    EXPECT_FALSE(video->IsFinished());
    seconds = 4.001;
    EXPECT_TRUE(video->IsFinished());
}

}  // namespace
