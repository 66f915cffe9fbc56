#include <gtest/gtest.h>

#include <cstring>

#include "platform/sound/SoundTestUtil.h"

namespace {

using namespace soundtest;

// Interleaved 16-bit samples of a tone, or of silence when the amplitude is 0.
std::vector<int16_t> Block(uint32_t frames, float amplitude, uint16_t channels = 1) {
    std::vector<int16_t> out(frames * channels);
    std::vector<uint8_t> bytes = channels == 1 ? SineS16(frames, amplitude) : SineS16(frames, amplitude, amplitude);
    std::memcpy(out.data(), bytes.data(), bytes.size());
    return out;
}

class SoundStream : public LoopbackTest {
protected:
    void SetUp() override {
        LoopbackTest::SetUp();
        ASSERT_EQ(device->CreateStream(1, kRate, &stream), S_OK);
    }
    void Queue(uint32_t frames, float amplitude) {
        std::vector<int16_t> block = Block(frames, amplitude);
        ASSERT_EQ(stream->Queue(block.data(), frames), S_OK);
    }
    std::unique_ptr<snd::Stream> stream;
};

TEST_F(SoundStream, PlaysItsBlocksInOrderAndRunsDry) {
    Queue(4410, 0.25f);
    Queue(4410, 0.0f);
    EXPECT_EQ(stream->Pending(), 2u);
    ASSERT_EQ(stream->Play(), S_OK);
    EXPECT_GT(Render(*device, 4000).Level(), 0.1);
    Render(*device, 810);
    EXPECT_LT(Render(*device, 4000).Peak(), 1e-6f);
    Render(*device, 1000);
    EXPECT_FALSE(stream->IsPlaying());
    EXPECT_EQ(stream->Pending(), 0u);
    EXPECT_EQ(stream->FramesPlayed(), 8820u);
}

TEST_F(SoundStream, BlocksQueuedAfterRunningDryAreTheOnlyOnesHeard) {
    Queue(1000, 0.25f);
    ASSERT_EQ(stream->Play(), S_OK);
    Render(*device, 2000);
    ASSERT_FALSE(stream->IsPlaying());
    Queue(4410, 0.0f);
    ASSERT_EQ(stream->Play(), S_OK);
    EXPECT_LT(Render(*device, 4000).Peak(), 1e-6f);
    EXPECT_EQ(stream->FramesPlayed(), 5000u);
}

TEST_F(SoundStream, PauseHoldsAndFlushDropsEverything) {
    Queue(44100, 0.25f);
    ASSERT_EQ(stream->Play(), S_OK);
    Render(*device, 1000);
    ASSERT_EQ(stream->Pause(), S_OK);
    EXPECT_FALSE(stream->IsPlaying());
    EXPECT_LT(Render(*device, 4410).Peak(), 1e-6f);
    EXPECT_EQ(stream->FramesPlayed(), 1000u);
    ASSERT_EQ(stream->Play(), S_OK);
    EXPECT_GT(Render(*device, 4410).Level(), 0.1);

    ASSERT_EQ(stream->Flush(), S_OK);
    EXPECT_EQ(stream->Pending(), 0u);
    EXPECT_EQ(stream->FramesPlayed(), 0u);
    EXPECT_LT(Render(*device, 4410).Peak(), 1e-6f);
}

TEST_F(SoundStream, VolumeIsHundredthsOfADecibel) {
    Queue(44100, 0.25f);
    ASSERT_EQ(stream->Play(), S_OK);
    const double full = Settled().Level();
    ASSERT_EQ(stream->SetVolume(-2000), S_OK);
    EXPECT_NEAR(Settled().Level() / full, 0.1, 0.01);
    EXPECT_EQ(stream->SetVolume(1), DSERR_INVALIDPARAM);
    EXPECT_EQ(stream->SetVolume(-10001), DSERR_INVALIDPARAM);
}

TEST_F(SoundStream, QueueIsBounded) {
    for (uint32_t i = 0; i < snd::kStreamBlocksMax; ++i) Queue(100, 0.0f);
    std::vector<int16_t> block = Block(100, 0.0f);
    EXPECT_EQ(stream->Queue(block.data(), 100), DSERR_INVALIDCALL);
}

TEST(SoundStreamCreation, RefusesOddFormatsAndSilentDevices) {
    snd::SetDeviceTarget(snd::DeviceTarget::None);
    std::unique_ptr<snd::Device> silent;
    ASSERT_EQ(snd::CreateDevice(&silent), S_OK);
    snd::SetDeviceTarget(snd::DeviceTarget::Default);
    std::unique_ptr<snd::Stream> stream;
    EXPECT_EQ(silent->CreateStream(3, 44100, &stream), DSERR_BADFORMAT);
    EXPECT_EQ(silent->CreateStream(2, 4000, &stream), DSERR_INVALIDPARAM);
    EXPECT_EQ(silent->CreateStream(2, 44100, &stream), DSERR_NODRIVER);
    EXPECT_EQ(stream, nullptr);
}

}  // namespace
