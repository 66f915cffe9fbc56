#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/media/AudioDecoder.h"
#include "support/TestSupport.h"

namespace {

TEST(MakeMusic, WritesAnEightSecondStereoTuneTheMediaLayerPlays) {
    test::TempDir dir;
    const std::string tool = std::string(KESTRUNE_TOOLS_DIR) + "/make_music ";
    ASSERT_EQ(std::system((tool + "a").c_str()), 0);
    ASSERT_EQ(std::system((tool + "b").c_str()), 0);
    const std::string bytes = test::ReadFile("a/theme.wav");
    EXPECT_EQ(bytes, test::ReadFile("b/theme.wav"));

    media::detail::AudioDecoder decoder;
    ASSERT_EQ(decoder.Open(std::make_shared<const std::vector<uint8_t>>(bytes.begin(), bytes.end())), S_OK);
    EXPECT_EQ(decoder.Channels(), 2);
    EXPECT_EQ(decoder.Frequency(), 22050u);
    EXPECT_NEAR(decoder.Duration(), 8.0, 1e-3);
}

}  // namespace
