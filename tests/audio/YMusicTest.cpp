#include "audio/YMusic.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstdio>
#include <cstring>

#include "AudioTestUtil.h"
#include "core/YArchive.h"
#include "platform/media/AvLibrary.h"

namespace {

using namespace audiotest;

void WriteMusic(const std::string& name, uint32_t frames = kSecond / 4) {
    test::WriteFile("data/music/" + name, wav::Pcm(1, 16, wav::Tone16(frames, 0.25f)));
}

class Music : public GameDirTest {
protected:
    void SetUp() override {
        snd::SetDeviceTarget(snd::DeviceTarget::Loopback);
        ASSERT_EQ(snd::CreateDevice(&device_), S_OK);
        ASSERT_FALSE(device_->IsSilent());
        g_settings.musicVolume = 0.0f;  // level 1: full volume
        channel_ = std::make_unique<CYMusic>(device_.get());
    }
    double Level(uint32_t frames = 4410) { return soundtest::Render(*device_, frames).Level(); }
    void Advance(uint32_t frames) { soundtest::Render(*device_, frames); }
    int32_t Volume() const { return channel_->Stream()->Volume(); }

    std::unique_ptr<snd::Device> device_;
    std::unique_ptr<CYMusic> channel_;
};

// ---- opening

TEST_F(Music, MissingFileIsLoggedAndLeavesTheChannelUnopened) {
    EXPECT_EQ(channel_->Open("none.wav", false), E_FILENOTFOUND);
    EXPECT_NE(LogText().find("DXError if audio/YMusic.cpp on line"), std::string::npos) << LogText();
    EXPECT_NE(LogText().find("\nE_FILENOTFOUND\n"), std::string::npos);
    EXPECT_FALSE(channel_->Opened());
    EXPECT_EQ(channel_->FileName(), "none.wav");
    EXPECT_EQ(channel_->Play(), S_OK);
    EXPECT_FALSE(channel_->IsPlaying());
    EXPECT_EQ(channel_->Update(), S_OK);
    EXPECT_EQ(channel_->Stop(), S_OK);
    EXPECT_EQ(channel_->SetVolume(0.5f), S_OK);
    channel_->SetFade(0.5f);
}

TEST_F(Music, CorruptFileIsLoggedAndPlaysNothing) {
    test::WriteFile("data/music/bad.wav", "RIFF\x10\0\0\0WAVEjunkjunkjunk");
    EXPECT_EQ(channel_->Open("bad.wav", true), VFW_E_UNSUPPORTED_STREAM);
    EXPECT_NE(LogText().find("\nVFW_E_UNSUPPORTED_STREAM\n"), std::string::npos);
    EXPECT_FALSE(channel_->Opened());
    channel_->Play();
    EXPECT_LT(Level(), 1e-6);
}

TEST_F(Music, PlaysFromTheArchive) {
    WriteMusic("theme.wav");
    const std::string pack = std::string(KESTRUNE_TOOLS_DIR) + "/kpack build game.dat data > /dev/null";
    ASSERT_EQ(std::system(pack.c_str()), 0);
    ASSERT_EQ(std::remove("data/music/theme.wav"), 0);
    ASSERT_EQ(OpenGameArchive(), S_OK);
    EXPECT_EQ(channel_->Open("Theme.wav", false), S_OK);
    CloseGameArchive();
    channel_->Play();
    EXPECT_GT(Level(), 0.1);
}

TEST_F(Music, NewFileReplacesTheOldAndWaitsForPlay) {
    WriteMusic("a.wav");
    WriteMusic("b.wav");
    ASSERT_EQ(channel_->Open("a.wav", false), S_OK);
    channel_->Play();
    ASSERT_EQ(channel_->Open("b.wav", false), S_OK);
    EXPECT_EQ(channel_->FileName(), "b.wav");
    EXPECT_LT(Level(), 1e-6);
}

// ---- playing

TEST_F(Music, PlayThenStopRewindsToTheStart) {
    WriteMusic("theme.wav", kSecond);
    ASSERT_EQ(channel_->Open("theme.wav", false), S_OK);
    EXPECT_LT(Level(), 1e-6);
    ASSERT_EQ(channel_->Play(), S_OK);
    EXPECT_TRUE(channel_->IsPlaying());
    EXPECT_GT(Level(), 0.1);
    ASSERT_EQ(channel_->Stop(), S_OK);
    EXPECT_FALSE(channel_->IsPlaying());
    EXPECT_EQ(channel_->Stream()->Position(), 0.0);
    EXPECT_LT(Level(), 1e-6);
}

TEST_F(Music, EndOfFileStopsAndRewindsAChannelThatDoesNotLoop) {
    WriteMusic("theme.wav");
    ASSERT_EQ(channel_->Open("theme.wav", false), S_OK);
    channel_->Play();
    Advance(kSecond / 2);
    ASSERT_EQ(channel_->Update(), S_OK);
    EXPECT_FALSE(channel_->IsPlaying());
    EXPECT_FALSE(channel_->Stream()->IsRunning());
    EXPECT_LT(Level(), 1e-6);
    channel_->Play();
    EXPECT_GT(Level(), 0.1);
}

TEST_F(Music, LoopingChannelStartsAgainWithinTheSameUpdate) {
    WriteMusic("theme.wav");
    ASSERT_EQ(channel_->Open("theme.wav", true), S_OK);
    channel_->Play();
    for (int pass = 0; pass < 3; ++pass) {
        Advance(kSecond / 2);
        ASSERT_TRUE(channel_->Stream()->IsFinished());
        ASSERT_EQ(channel_->Update(), S_OK);
        EXPECT_TRUE(channel_->IsPlaying());
        EXPECT_GT(Level(), 0.1);
    }
}

TEST_F(Music, DeletingAPlayingChannelSilencesIt) {
    WriteMusic("theme.wav", 3 * kSecond);
    ASSERT_EQ(channel_->Open("theme.wav", true), S_OK);
    channel_->Play();
    Advance(kSecond / 2);
    channel_.reset();
    EXPECT_LT(Level(), 1e-6);
}

// ---- volume and fade

TEST_F(Music, FadeScalesTheLevelOnTheVolumeCurve) {
    WriteMusic("theme.wav", kSecond);
    ASSERT_EQ(channel_->Open("theme.wav", false), S_OK);
    EXPECT_EQ(Volume(), 0);
    channel_->Play();
    const double full = Settled(*device_).Level();
    ASSERT_EQ(channel_->SetVolume(0.5f), S_OK);
    EXPECT_EQ(Volume(), -875);
    EXPECT_NEAR(Settled(*device_).Level() / full, 0.365, 0.01);
    channel_->SetFade(0.0f);
    EXPECT_EQ(Volume(), -7000);
    EXPECT_NEAR(Settled(*device_).Level() / full, 0.000316, 0.00003);
    channel_->SetFade(1.0f);
    EXPECT_EQ(Volume(), -875);
    EXPECT_EQ(channel_->Level(), 0.5f);
}

TEST_F(Music, LevelStartsAtOneMinusTheMusicVolumeAndANewFileWaitsAtFullVolume) {
    g_settings.musicVolume = 0.3f;
    CYMusic channel(device_.get());
    EXPECT_FLOAT_EQ(channel.Level(), 0.7f);
    WriteMusic("theme.wav");
    ASSERT_EQ(channel.Open("theme.wav", false), S_OK);
    EXPECT_EQ(channel.Stream()->Volume(), 0);  // the level is not applied by opening
    channel.SetFade(1.0f);
    EXPECT_EQ(channel.Stream()->Volume(), -189);
    ASSERT_EQ(channel.SetVolume(0.5f), S_OK);
    ASSERT_EQ(channel.Open("theme.wav", false), S_OK);
    EXPECT_EQ(channel.Stream()->Volume(), 0);
    EXPECT_EQ(channel.Level(), 0.5f);
}

// ---- plain PCM files and the decoders

// Half a second of the tone as 32-bit float samples.
void WriteFloatMusic(const std::string& name) {
    std::string floats;
    const std::string tone = wav::Tone16(kSecond / 2, 0.25f);
    for (size_t i = 0; i + 1 < tone.size(); i += 2) {
        const float f = static_cast<int16_t>(uint8_t(tone[i]) | (uint8_t(tone[i + 1]) << 8)) / 32768.0f;
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        wav::Put32(floats, bits);
    }
    test::WriteFile("data/music/" + name,
                    wav::Riff(wav::Chunk("fmt ", wav::FmtBody(3, 1, 44100, 32)) + wav::Chunk("data", floats)));
}

TEST_F(Music, PlainPcmPlaysWithoutLoadingTheDecodersWhichLoadForTheFirstOtherFile) {
    if (media::detail::AvLoadedForTesting()) GTEST_SKIP() << "an earlier test of this process loaded the decoders";
    WriteMusic("theme.wav");
    ASSERT_EQ(channel_->Open("theme.wav", true), S_OK);
    channel_->Play();
    EXPECT_GT(Level(), 0.1);
    EXPECT_FALSE(media::detail::AvLoadedForTesting());
    WriteFloatMusic("float.wav");
    ASSERT_EQ(channel_->Open("float.wav", true), S_OK);
    EXPECT_TRUE(media::detail::AvLoadedForTesting());
}

TEST_F(Music, WavFilesOfOtherLayoutsAndCutFilesPlayThroughTheDecoders) {
    WriteFloatMusic("float.wav");
    std::string cut = wav::Pcm(1, 16, wav::Tone16(kSecond, 0.25f));
    cut.resize(cut.size() / 2);
    test::WriteFile("data/music/cut.wav", cut);
    for (const char* name : {"float.wav", "cut.wav"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(channel_->Open(name, false), S_OK);
        channel_->Play();
        EXPECT_GT(Level(), 0.1);
        Advance(kSecond / 2);
        ASSERT_EQ(channel_->Update(), S_OK);
        EXPECT_FALSE(channel_->IsPlaying());
    }
}

}  // namespace
