#include "platform/media/AvLibrary.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

using media::detail::Av;

TEST(AvLibrary, FindsEveryFunctionInTheLibrariesTheLayerWasBuiltAgainst) {
    const media::detail::AvFunctions* av = Av();
    ASSERT_NE(av, nullptr);
    EXPECT_TRUE(media::detail::AvLoadedForTesting());
    EXPECT_EQ(Av(), av);
    // This test program links FFmpeg itself: the table reaches the very same functions.
    EXPECT_EQ(av->av_frame_alloc, &::av_frame_alloc);
    EXPECT_EQ(av->swr_convert, &::swr_convert);
    EXPECT_EQ(av->sws_scale, &::sws_scale);
    EXPECT_EQ(av->avcodec_open2, &::avcodec_open2);
    EXPECT_EQ(av->avformat_open_input, &::avformat_open_input);
}

TEST(AvLibrary, TheProgramDoesNotLoadFFmpegAtStart) {
    std::FILE* pipe = popen("ldd '" KESTRUNE_BIN "'", "r");
    ASSERT_NE(pipe, nullptr);
    std::string libraries;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) libraries += line;
    pclose(pipe);
    EXPECT_NE(libraries.find("libSDL2"), std::string::npos) << libraries;
    for (const char* ffmpeg : {"libavformat", "libavcodec", "libavutil", "libswresample", "libswscale"})
        EXPECT_EQ(libraries.find(ffmpeg), std::string::npos) << ffmpeg;
}

}  // namespace
