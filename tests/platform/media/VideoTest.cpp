#include <gtest/gtest.h>

#include <cstring>

#include "audio/WavBuilder.h"
#include "platform/media/Media.h"
#include "platform/media/VideoBuilder.h"
#include "platform/sound/SoundTestUtil.h"

namespace {

using soundtest::kRate;

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

// Red, green and blue at 10 frames a second.
std::vector<uint8_t> ThreeFrames() { return videotest::Avi({.colours = {kRed, kGreen, kBlue}}); }

std::unique_ptr<media::Video> Open(const std::vector<uint8_t>& bytes, snd::Device* device = nullptr) {
    std::unique_ptr<media::Video> video;
    EXPECT_EQ(media::Video::Open(device, bytes, &video), S_OK);
    return video;
}

// Whether the current frame, scaled into 8 x 8 pixels B, G, R, A, is opaque and the colour
// (0xRRGGBB) within a few levels a channel, as much as the lossy coding keeps.
::testing::AssertionResult Shows(media::Video& video, uint32_t colour) {
    std::vector<uint8_t> pixels(8 * 8 * 4);
    if (FAILED(video.CopyFrame(pixels.data(), 8, 8, 32))) return ::testing::AssertionFailure() << "no frame";
    for (size_t p = 0; p < pixels.size(); p += 4) {
        const int want[4] = {int(colour & 0xFF), int((colour >> 8) & 0xFF), int(colour >> 16), 255};
        for (int c = 0; c < 4; ++c)
            if (std::abs(pixels[p + c] - want[c]) > 8)
                return ::testing::AssertionFailure() << "pixel " << p / 4 << " byte " << c << " is " << int(pixels[p + c]);
    }
    return ::testing::AssertionSuccess();
}

// A video on a wall clock the test moves.
class WallClockVideo : public ::testing::Test {
protected:
    void SetUp() override {
        video = Open(ThreeFrames());
        ASSERT_TRUE(video);
        video->SetWallClockForTesting([this] { return seconds; });
    }
    // Sets the wall clock to t seconds after the start of the test.
    void At(double t) { seconds = 100.0 + t; }
    double seconds = 100.0;
    std::unique_ptr<media::Video> video;
};

TEST_F(WallClockVideo, EachFrameComesWhenTheClockReachesIt) {
    EXPECT_FALSE(video->HasSound());
    EXPECT_EQ(video->Width(), 64u);
    EXPECT_EQ(video->Height(), 48u);
    EXPECT_EQ(video->CopyFrame(nullptr, 8, 8, 32), VFW_E_WRONG_STATE);
    ASSERT_EQ(video->Play(), S_OK);
    ASSERT_TRUE(video->Advance());
    EXPECT_TRUE(Shows(*video, kRed));
    At(0.099);
    EXPECT_FALSE(video->Advance());
    At(0.101);
    ASSERT_TRUE(video->Advance());
    EXPECT_TRUE(Shows(*video, kGreen));
    At(0.299);
    ASSERT_TRUE(video->Advance());
    EXPECT_TRUE(Shows(*video, kBlue));
    EXPECT_FALSE(video->IsFinished());
    At(0.301);  // the last frame has had its tenth of a second
    EXPECT_FALSE(video->Advance());
    EXPECT_TRUE(video->IsFinished());
}

TEST_F(WallClockVideo, StopHoldsTheClockAndRewindGoesBackToTheFirstFrame) {
    video->Play();
    At(0.05);
    video->Stop();
    EXPECT_FALSE(video->IsRunning());
    At(10.0);
    video->Advance();
    EXPECT_TRUE(Shows(*video, kRed));
    video->Play();
    At(10.06);
    EXPECT_NEAR(video->Position(), 0.11, 1e-9);
    video->Advance();
    EXPECT_TRUE(Shows(*video, kGreen));
    ASSERT_EQ(video->Rewind(), S_OK);
    EXPECT_EQ(video->Position(), 0.0);
    ASSERT_TRUE(video->Advance());
    EXPECT_TRUE(Shows(*video, kRed));
}

TEST_F(WallClockVideo, FarBehindItsClockItCatchesUpOverSeveralCalls) {
    std::vector<uint32_t> colours(30, kRed);
    colours.back() = kBlue;
    video = Open(videotest::Avi({.colours = colours}));
    video->SetWallClockForTesting([this] { return seconds; });
    video->Play();
    At(60.0);
    int calls = 0;
    while (video->Advance()) ++calls;
    EXPECT_GT(calls, 1);
    EXPECT_TRUE(Shows(*video, kBlue));
    EXPECT_TRUE(video->IsFinished());
}

TEST_F(WallClockVideo, FrameIsScaledToFillTheTargetWithinItsPitch) {
    video->Advance();
    std::vector<uint8_t> pixels(20 * 112, 0xEE);
    ASSERT_EQ(video->CopyFrame(pixels.data(), 25, 20, 112), S_OK);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 25; ++x) ASSERT_NEAR(pixels[y * 112 + x * 4 + 2], 255, 8) << x << "," << y;
        for (int x = 100; x < 112; ++x) ASSERT_EQ(pixels[y * 112 + x], 0xEE);
    }
    EXPECT_EQ(video->CopyFrame(pixels.data(), 25, 20, 99), E_INVALIDARG);
    EXPECT_EQ(video->CopyFrame(pixels.data(), 0, 20, 112), E_INVALIDARG);
    EXPECT_EQ(video->CopyFrame(pixels.data(), 5000, 1, 20000), E_INVALIDARG);
}

// ---- The sound track

class VideoWithSound : public soundtest::LoopbackTest {};

TEST_F(VideoWithSound, SoundIsHeardAndItsPlayingDrivesTheFrames) {
    auto video = Open(videotest::Avi({.colours = {kRed, kGreen, kBlue}, .toneFrames = 22050 * 3 / 10}), device.get());
    ASSERT_TRUE(video->HasSound());
    video->Play();
    video->Advance();
    EXPECT_TRUE(Shows(*video, kRed));
    EXPECT_GT(soundtest::Render(*device, kRate / 10 + 100).Level(), 0.05);
    ASSERT_TRUE(video->Advance());
    EXPECT_TRUE(Shows(*video, kGreen));
    soundtest::Render(*device, kRate / 10);
    ASSERT_TRUE(video->Advance());
    EXPECT_TRUE(Shows(*video, kBlue));
    EXPECT_FALSE(video->IsFinished());
    soundtest::Render(*device, kRate / 10);
    EXPECT_TRUE(video->IsFinished());
}

TEST_F(VideoWithSound, WhenTheSoundEndsFirstTheWallClockTakesOver) {
    auto video = Open(videotest::Avi({.colours = {kRed, kRed, kRed, kGreen}, .toneFrames = 22050 / 10}), device.get());
    double seconds = 0.0;
    video->SetWallClockForTesting([&] { return seconds; });
    video->Play();
    soundtest::Render(*device, kRate / 5);
    EXPECT_NEAR(video->Position(), 0.1, 1e-3);
    seconds += 0.2;
    ASSERT_TRUE(video->Advance());
    EXPECT_TRUE(Shows(*video, kGreen));
    seconds += 0.1;
    EXPECT_TRUE(video->IsFinished());
}

TEST_F(VideoWithSound, SilentDeviceLeavesTheVideoOnTheWallClock) {
    std::unique_ptr<snd::Device> silent;
    snd::SetDeviceTarget(snd::DeviceTarget::None);
    ASSERT_EQ(snd::CreateDevice(&silent), S_OK);
    auto video = Open(videotest::Avi({.colours = {kRed}, .toneFrames = 22050}), silent.get());
    EXPECT_FALSE(video->HasSound());
    EXPECT_EQ(video->SetVolume(-500), S_OK);
    EXPECT_EQ(video->SetVolume(-10001), E_INVALIDARG);
    EXPECT_EQ(video->Volume(), -500);
}

// ---- Bad files

TEST(VideoFiles, BytesThatAreNoVideoAreRefused) {
    std::unique_ptr<media::Video> video;
    for (const std::vector<uint8_t>& bytes :
         {std::vector<uint8_t>{}, std::vector<uint8_t>(5000, 0x5A), wav::Bytes(wav::Pcm(1, 16, wav::Tone16(1000, 0.5f)))})
        EXPECT_EQ(media::Video::Open(nullptr, bytes, &video), VFW_E_UNSUPPORTED_STREAM);
    EXPECT_FALSE(video);
}

TEST(VideoFiles, OversizedPicturesAreRefusedBeforeDecoding) {
    std::vector<uint8_t> bytes = ThreeFrames();
    const uint8_t strf[] = {'s', 't', 'r', 'f'};
    auto at = std::search(bytes.begin(), bytes.end(), strf, strf + 4);
    ASSERT_NE(at, bytes.end());
    const uint32_t width = 5000;
    std::memcpy(&*(at + 12), &width, 4);  // the picture header's width
    std::unique_ptr<media::Video> video;
    EXPECT_EQ(media::Video::Open(nullptr, bytes, &video), VFW_E_CANNOT_RENDER);
}

TEST(VideoFiles, CutFilePlaysWhatItHoldsAndFinishes) {
    std::vector<uint8_t> bytes = videotest::Avi({.colours = std::vector<uint32_t>(60, kGreen)});
    bytes.resize(bytes.size() / 2);
    auto video = Open(bytes);
    ASSERT_TRUE(video);
    double seconds = 0.0;
    video->SetWallClockForTesting([&] { return seconds; });
    video->Play();
    int frames = 0;
    for (int i = 0; i < 100 && !video->IsFinished(); ++i, seconds += 0.1) frames += video->Advance();
    EXPECT_TRUE(video->IsFinished());
    EXPECT_GT(frames, 3);
    EXPECT_LT(frames, 60);
    EXPECT_TRUE(Shows(*video, kGreen));
}

}  // namespace
