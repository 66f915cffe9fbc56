#include <gtest/gtest.h>

#include "audio/WavBuilder.h"
#include "platform/media/Media.h"
#include "platform/sound/SoundTestUtil.h"

namespace {

using namespace soundtest;

std::vector<uint8_t> ToneFile(uint32_t frames, float amplitude = 0.25f) {
    return wav::Bytes(wav::Pcm(1, 16, wav::Tone16(frames, amplitude)));
}

class Music : public LoopbackTest {
protected:
    std::unique_ptr<media::Music> Open(const std::vector<uint8_t>& bytes) {
        std::unique_ptr<media::Music> music;
        EXPECT_EQ(media::Music::Open(device.get(), bytes, &music), S_OK);
        return music;
    }
    double Level(uint32_t frames = 4410) { return Render(*device, frames).Level(); }
};

TEST_F(Music, PlaysFromItsBytesAndStopSilencesIt) {
    auto music = Open(ToneFile(kRate / 2));
    EXPECT_LT(Level(), 1e-6);
    ASSERT_EQ(music->Play(), S_OK);
    EXPECT_TRUE(music->IsRunning());
    EXPECT_GT(Level(), 0.1);
    ASSERT_EQ(music->Stop(), S_OK);
    EXPECT_FALSE(music->IsRunning());
    EXPECT_LT(Level(), 1e-6);
}

TEST_F(Music, FinishesAtItsEndAndRewindPlaysItAgain) {
    auto music = Open(ToneFile(kRate / 4));
    ASSERT_EQ(music->Play(), S_OK);
    Render(*device, kRate / 4 - 100);
    EXPECT_FALSE(music->IsFinished());
    Render(*device, 200);
    EXPECT_TRUE(music->IsFinished());
    EXPECT_TRUE(music->IsRunning());
    EXPECT_LT(Level(), 1e-6);

    ASSERT_EQ(music->Rewind(), S_OK);
    EXPECT_FALSE(music->IsFinished());
    EXPECT_GT(Level(), 0.1);
}

TEST_F(Music, StopKeepsThePositionAndRewindGoesBackToTheStart) {
    auto music = Open(ToneFile(kRate));
    EXPECT_NEAR(music->Duration(), 1.0, 1e-3);
    ASSERT_EQ(music->Play(), S_OK);
    Render(*device, kRate / 10);
    ASSERT_EQ(music->Stop(), S_OK);
    EXPECT_NEAR(music->Position(), 0.1, 1e-3);
    ASSERT_EQ(music->Play(), S_OK);
    Render(*device, kRate / 10);
    EXPECT_NEAR(music->Position(), 0.2, 1e-3);
    ASSERT_EQ(music->Rewind(), S_OK);
    EXPECT_EQ(music->Position(), 0.0);
}

TEST_F(Music, ItsThreadKeepsLongMusicPlaying) {
    auto music = Open(ToneFile(3 * kRate));
    ASSERT_EQ(music->Play(), S_OK);
    for (int i = 0; i < 25; ++i) {
        EXPECT_GT(Level(kRate / 10), 0.1) << "at " << i / 10.0 << " s";
        music->WaitForFeedForTesting();
    }
    EXPECT_NEAR(music->Position(), 2.5, 1e-3);
}

TEST(MusicWithoutOutput, RunsSilentAndNeverFinishes) {
    for (bool silentDevice : {false, true}) {
        std::unique_ptr<snd::Device> device;
        if (silentDevice) {
            snd::SetDeviceTarget(snd::DeviceTarget::None);
            ASSERT_EQ(snd::CreateDevice(&device), S_OK);
            snd::SetDeviceTarget(snd::DeviceTarget::Default);
        }
        std::unique_ptr<media::Music> music;
        ASSERT_EQ(media::Music::Open(device.get(), ToneFile(100), &music), S_OK);
        EXPECT_EQ(music->Play(), S_OK);
        EXPECT_TRUE(music->IsRunning());
        EXPECT_FALSE(music->IsFinished());
        EXPECT_EQ(music->SetVolume(-100), S_OK);
        EXPECT_EQ(music->SetVolume(1), E_INVALIDARG);
        EXPECT_EQ(music->Volume(), -100);
        EXPECT_EQ(music->Rewind(), S_OK);
        EXPECT_EQ(music->Stop(), S_OK);
    }
}

}  // namespace
