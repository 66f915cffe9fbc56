#include "audio/YSound.h"

#include <gtest/gtest.h>

#include <cmath>

#include "AudioTestUtil.h"

namespace {

using namespace audiotest;

class Sound : public GameDirTest {
protected:
    void SetUp() override {
        snd::SetDeviceTarget(snd::DeviceTarget::Loopback);
        ASSERT_EQ(snd::CreateDevice(&device_), S_OK);
        ASSERT_FALSE(device_->IsSilent());
    }
    std::unique_ptr<CYSound> Make(const std::string& name, uint32_t is3D = 0, bool loop = false) {
        auto sound = std::make_unique<CYSound>(device_.get(), "data\\sounds\\" + name, is3D, loop);
        sound->Create();
        return sound;
    }
    // The bytes the sound's buffer holds.
    std::string BufferBytes(CYSound& sound) {
        void* data = nullptr;
        uint32_t size = 0;
        EXPECT_EQ(sound.Buffer()->Lock(&data, &size), S_OK);
        std::string bytes(static_cast<char*>(data), size);
        EXPECT_EQ(sound.Buffer()->Unlock(), S_OK);
        return bytes;
    }
    double Level(uint32_t frames = 4410) { return soundtest::Render(*device_, frames).Level(); }

    std::unique_ptr<snd::Device> device_;
};

// ---- the volume curve

TEST(VolumeCurve, ZeroHalfAndOneGiveMinus7000Minus875AndZero) {
    EXPECT_EQ(VolumeToHundredths(0.0f), -7000);
    EXPECT_EQ(VolumeToHundredths(0.5f), -875);
    EXPECT_EQ(VolumeToHundredths(1.0f), 0);
}

TEST(VolumeCurve, IsComputedInSinglePrecision) {
    // In double precision these would be -5103 and -448.
    EXPECT_EQ(VolumeToHundredths(0.1f), -5102);
    EXPECT_EQ(VolumeToHundredths(0.6f), -447);
}

TEST(VolumeCurve, VolumeAboveOneNeverRaisesTheGain) {
    EXPECT_EQ(VolumeToHundredths(1.5f), 0);
    EXPECT_EQ(VolumeToHundredths(3.0f), 0);
}

TEST(VolumeCurve, StaysInTheRangeTheBuffersTake) {
    EXPECT_EQ(VolumeToHundredths(-1.0f), -10000);
    EXPECT_EQ(VolumeToHundredths(std::nanf("")), -10000);
    EXPECT_EQ(VolumeToHundredths(-0.1f), -9317);
}

// ---- creating

TEST_F(Sound, MissingFileIsLoggedAndLeavesAnInertSound) {
    auto sound = Make("none.wav");
    EXPECT_NE(LogText().find("data\\sounds\\none.wav file not found or i/o error\n"), std::string::npos);
    EXPECT_EQ(sound->Buffer(), nullptr);
    EXPECT_EQ(sound->Play(), S_OK);
    EXPECT_FALSE(sound->IsPlaying());
    EXPECT_EQ(sound->Update(), S_OK);
    EXPECT_EQ(sound->SetVolume(0.5f), S_OK);
    EXPECT_EQ(sound->Reset(), S_OK);
    EXPECT_EQ(sound->Stop(), S_OK);
}

TEST_F(Sound, FmtChunkClaimingMoreExtraBytesThanItHoldsGetsTheSameLogLine) {
    std::string fmt = wav::FmtBody(3, 1, 44100, 32);
    wav::Put16(fmt, 40);
    WriteSound("cut.wav", wav::Riff(wav::Chunk("fmt ", fmt + "XY") + wav::Chunk("data", "abcd")));
    auto sound = Make("cut.wav");
    EXPECT_NE(LogText().find("data\\sounds\\cut.wav file not found or i/o error\n"), std::string::npos);
    EXPECT_EQ(sound->Buffer(), nullptr);
}

TEST_F(Sound, DataSizePastTheLargestBufferIsADXErrorAndNoBuffer) {
    for (uint32_t declared : {snd::kBufferBytesMax + 1, 0x7FFFFFF0u}) {
        WriteSound("huge.wav",
                   wav::Riff(wav::Chunk("fmt ", wav::FmtBody(1, 1, 44100, 16)) + wav::Chunk("data", "abcd", declared)));
        auto sound = Make("huge.wav");
        EXPECT_EQ(sound->Buffer(), nullptr);
        EXPECT_EQ(sound->Create(), DSERR_INVALIDPARAM);
    }
    EXPECT_EQ(LogText().find("file not found or i/o error"), std::string::npos);
    EXPECT_NE(LogText().find("DXError if audio/YSound.cpp on line"), std::string::npos);
    EXPECT_NE(LogText().find("\nE_INVALIDARG\n"), std::string::npos);  // DSERR_INVALIDPARAM
}

TEST_F(Sound, DataSizeFarPastTheEndOfTheFileGetsItsBufferPaddedWithSilence) {
    // Four mebibytes declared, forty bytes there.
    const uint32_t declared = 4u << 20;
    WriteSound("cut8.wav", wav::Riff(wav::Chunk("fmt ", wav::FmtBody(1, 1, 8000, 8)) +
                                     wav::Chunk("data", std::string(40, '\x40'), declared)));
    auto sound = Make("cut8.wav");
    ASSERT_NE(sound->Buffer(), nullptr);
    EXPECT_EQ(sound->BufferSize(), declared);
    const std::string bytes = BufferBytes(*sound);
    EXPECT_EQ(bytes.size(), declared);
    EXPECT_EQ(bytes.substr(0, 40), std::string(40, '\x40'));
    EXPECT_EQ(bytes.find_first_not_of('\x80', 40), std::string::npos);
    EXPECT_EQ(sound->Play(), S_OK);
    EXPECT_TRUE(sound->IsPlaying());
}

TEST_F(Sound, FormatTheDeviceCannotPlayIsADXError) {
    WriteSound("pcm24.wav", wav::Pcm(1, 24, std::string(300, 'x')));
    auto sound = Make("pcm24.wav");
    EXPECT_EQ(sound->Create(), DSERR_BADFORMAT);
    EXPECT_NE(LogText().find("DXError if audio/YSound.cpp on line"), std::string::npos);
    EXPECT_NE(LogText().find("DSERR_BADFORMAT"), std::string::npos);
    EXPECT_EQ(sound->Play(), S_OK);
    EXPECT_FALSE(sound->IsPlaying());
}

TEST_F(Sound, ShortDataIsPaddedWith128For8BitSounds) {
    std::string bytes = wav::Riff(wav::Chunk("fmt ", wav::FmtBody(1, 1, 8000, 8)) + wav::Chunk("data", std::string(100, '\x40')));
    bytes.resize(bytes.size() - 40);
    WriteSound("short8.wav", bytes);
    auto sound = Make("short8.wav");
    ASSERT_NE(sound->Buffer(), nullptr);
    EXPECT_EQ(sound->BufferSize(), 100u);
    EXPECT_EQ(BufferBytes(*sound), std::string(60, '\x40') + std::string(40, '\x80'));
}

TEST_F(Sound, ShortDataIsPaddedWithZeroOtherwise) {
    std::string bytes = wav::Pcm(1, 16, std::string(100, '\x40'));
    bytes.resize(bytes.size() - 40);
    WriteSound("short16.wav", bytes);
    auto sound = Make("short16.wav");
    ASSERT_NE(sound->Buffer(), nullptr);
    EXPECT_EQ(BufferBytes(*sound), std::string(60, '\x40') + std::string(40, '\0'));
}

TEST_F(Sound, New3DSoundHasDistancesOneAndAHundred) {
    WriteTone("tone.wav");
    auto sound = Make("tone.wav", 1);
    ASSERT_NE(sound->Buffer3D(), nullptr);
    snd::Buffer3DParams p;
    ASSERT_EQ(sound->Buffer3D()->GetAllParameters(&p), S_OK);
    EXPECT_EQ(p.minDistance, 1.0f);
    EXPECT_EQ(p.maxDistance, 100.0f);
    EXPECT_EQ(p.mode, snd::kMode3DNormal);
    EXPECT_EQ(Make("tone.wav", 0)->Buffer3D(), nullptr);
}

// ---- playing

TEST_F(Sound, PlayGivesSoundAndStopSilencesIt) {
    WriteTone("tone.wav");
    auto sound = Make("tone.wav");
    ASSERT_EQ(sound->Play(), S_OK);
    EXPECT_TRUE(sound->IsPlaying());
    EXPECT_GT(Level(), 0.1);
    ASSERT_EQ(sound->Stop(), S_OK);
    EXPECT_FALSE(sound->IsPlaying());
    soundtest::Render(*device_, 1000);
    EXPECT_EQ(Level(), 0.0);
}

TEST_F(Sound, PlayStartsAgainFromTheBeginning) {
    // A tone followed by silence: playing again in the silence is heard at once.
    WriteSound("blip.wav", wav::Pcm(1, 16, wav::Tone16(4410, 0.25f) + std::string(2 * 40000, '\0')));
    auto sound = Make("blip.wav");
    ASSERT_EQ(sound->Play(), S_OK);
    soundtest::Render(*device_, 10000);
    EXPECT_EQ(Level(), 0.0);
    ASSERT_EQ(sound->Play(), S_OK);
    EXPECT_GT(Level(), 0.1);
}

TEST_F(Sound, EndedSoundIsSeenByItsUpdate) {
    WriteTone("short.wav", 1000);
    auto sound = Make("short.wav");
    ASSERT_EQ(sound->Play(), S_OK);
    ASSERT_EQ(sound->Update(), S_OK);
    EXPECT_TRUE(sound->IsPlaying());
    soundtest::Render(*device_, 2000);
    ASSERT_EQ(sound->Update(), S_OK);
    EXPECT_FALSE(sound->IsPlaying());
    EXPECT_EQ(Level(), 0.0);
}

TEST_F(Sound, LoopingSoundRestartsInTheFrameAfterItEnds) {
    WriteTone("loop.wav", 1000);
    auto sound = Make("loop.wav", 0, true);
    ASSERT_EQ(sound->Play(), S_OK);
    soundtest::Render(*device_, 2000);
    EXPECT_EQ(Level(1000), 0.0);  // ended
    ASSERT_EQ(sound->Update(), S_OK);
    EXPECT_TRUE(sound->IsPlaying());
    EXPECT_GT(Level(500), 0.1);
}

TEST_F(Sound, StoppedLoopingSoundStaysSilent) {
    WriteTone("loop.wav", 1000);
    auto sound = Make("loop.wav", 0, true);
    ASSERT_EQ(sound->Play(), S_OK);
    soundtest::Render(*device_, 500);
    ASSERT_EQ(sound->Stop(), S_OK);
    soundtest::Render(*device_, 2000);
    ASSERT_EQ(sound->Update(), S_OK);
    EXPECT_FALSE(sound->IsPlaying());
    EXPECT_EQ(Level(), 0.0);
}

TEST_F(Sound, VolumeFollowsTheCurve) {
    WriteTone("tone.wav");
    auto sound = Make("tone.wav");
    ASSERT_EQ(sound->Play(), S_OK);
    const double full = Settled(*device_).Level();
    ASSERT_EQ(sound->SetVolume(0.5f), S_OK);
    EXPECT_NEAR(Settled(*device_).Level() / full, std::pow(10.0, -875.0 / 2000.0), 0.01);
    ASSERT_EQ(sound->SetVolume(2.0f), S_OK);
    EXPECT_NEAR(Settled(*device_).Level(), full, full * 0.01);
}

// ---- lost buffers

TEST_F(Sound, LostBufferIsRestoredAndRefilledBeforePlaying) {
    WriteTone("tone.wav");
    auto sound = Make("tone.wav");
    sound->Buffer()->LoseForTesting();
    ASSERT_EQ(sound->Play(), S_OK);
    EXPECT_GT(Level(), 0.1);
}

TEST_F(Sound, BufferLostWhileLoopingIsRefilledByTheUpdate) {
    WriteTone("loop.wav", 1000);
    auto sound = Make("loop.wav", 0, true);
    ASSERT_EQ(sound->Play(), S_OK);
    sound->Buffer()->LoseForTesting();
    ASSERT_EQ(sound->Update(), S_OK);
    EXPECT_TRUE(sound->IsPlaying());
    EXPECT_GT(Level(500), 0.1);
}

}  // namespace
