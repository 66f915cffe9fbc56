// The video player behind the texture manager on the recording device: frames land in the
// video texture as the sound track plays, the end sends "video_end", bad files end at once.
#include "audio/YAVIPlayer.h"

#include <gtest/gtest.h>

#include "audio/YSound.h"
#include "core/YCommandManager.h"
#include "core/YScript.h"
#include "platform/media/VideoBuilder.h"
#include "platform/sound/SoundTestUtil.h"
#include "render/RenderTestSupport.h"
#include "render/YTextureManager.h"

namespace {

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;
constexpr uint32_t kTenth = soundtest::kRate / 10;

class AVIPlayer : public rtest::RecordingRendererTest {
protected:
    void SetUp() override {
        RecordingRendererTest::SetUp();
        snd::SetDeviceTarget(snd::DeviceTarget::Loopback);
        ASSERT_EQ(snd::CreateDevice(&sound_), S_OK);
        snd::SetDeviceTarget(snd::DeviceTarget::Default);
        g_settings.soundVolume = 0.5f;
        manager_ = renderer_->GetTextureManager();
        auto player = std::make_unique<CYAVIPlayer>(sound_.get());
        player_ = player.get();
        manager_->SetVideoPlayer(std::move(player));

        test::WriteFile("data/scripts/s.lua", "Update()\n");
        LoadCommands();
        interface_.SetName("interface");
        g_commandManager->Register(&interface_);
        ASSERT_EQ(interface_.AddState("idle", "s.lua"), S_OK);
    }
    void TearDown() override {
        g_commandManager->Unregister(&interface_);
        DestroyCommands();
        RecordingRendererTest::TearDown();
    }
    // Red, green and blue at 10 frames a second, with three tenths of a second of tone.
    void WriteVideo(const std::string& name = "intro.avi") {
        std::vector<uint8_t> bytes =
            videotest::Avi({.colours = {kRed, kGreen, kBlue}, .toneFrames = 22050 * 3 / 10});
        test::WriteFile("data/Video/" + name, std::string(bytes.begin(), bytes.end()));
    }
    // Whether the whole video texture shows the colour (0xRRGGBB), as far as the lossy coding keeps it.
    ::testing::AssertionResult Shows(uint32_t colour) {
        gfx::LockedRect locked;
        gfx::Texture* texture = manager_->GetVideoTexture();
        if (!texture || FAILED(texture->LockRect(0, &locked, nullptr, gfx::LOCK_READONLY)))
            return ::testing::AssertionFailure() << "no texture";
        ::testing::AssertionResult result = ::testing::AssertionSuccess();
        for (uint32_t y : {0u, 511u, 1023u}) {
            for (uint32_t x : {0u, 700u, 1023u}) {
                const uint8_t* p = static_cast<const uint8_t*>(locked.bits) + y * locked.pitch + x * 4;
                const int want[3] = {int(colour & 0xFF), int((colour >> 8) & 0xFF), int(colour >> 16)};
                for (int c = 0; c < 3; ++c)
                    if (std::abs(p[c] - want[c]) > 8 && result)
                        result = ::testing::AssertionFailure() << "(" << x << ", " << y << ") byte " << c << " is "
                                                               << int(p[c]);
            }
        }
        texture->UnlockRect(0);
        return result;
    }
    // Plays a stretch of the sound track, then draws a frame.
    void PlayFor(uint32_t frames) {
        soundtest::Render(*sound_, frames);
        Frame();
    }
    int VideoEnds() const {
        int n = 0;
        for (const YCommand& c : interface_.Commands()) n += c.command == "video_end";
        return n;
    }

    std::unique_ptr<snd::Device> sound_;
    CYTextureManager* manager_ = nullptr;
    CYAVIPlayer* player_ = nullptr;
    CYScriptHandler interface_{nullptr};
};

TEST_F(AVIPlayer, FramesLandInTheVideoTextureAsTheSoundPlaysAndTheEndSendsVideoEndOnce) {
    WriteVideo();
    gfx::Texture* texture = manager_->LoadTexture("intro.avi");
    ASSERT_EQ(texture, manager_->GetVideoTexture());
    ASSERT_NE(player_->Stream(), nullptr);
    EXPECT_TRUE(player_->Stream()->HasSound());
    EXPECT_EQ(player_->Stream()->Volume(), VolumeToHundredths(0.5f));
    Frame();
    EXPECT_TRUE(Shows(0)) << "nothing before the video starts";

    SendEvent(YEVENT_PLAY_VIDEO, 0, 0);
    Frame();
    EXPECT_TRUE(Shows(kRed));
    EXPECT_GT(soundtest::Render(*sound_, kTenth - 100).Level(), 0.05);
    Frame();
    EXPECT_TRUE(Shows(kRed));
    PlayFor(200);
    EXPECT_TRUE(Shows(kGreen));
    PlayFor(kTenth);
    EXPECT_TRUE(Shows(kBlue));
    EXPECT_EQ(VideoEnds(), 0);
    PlayFor(kTenth);
    Frame();
    EXPECT_EQ(VideoEnds(), 1);
    EXPECT_FALSE(manager_->IsVideoPlaying());
    EXPECT_FALSE(player_->IsPlaying());
    EXPECT_TRUE(Shows(kBlue)) << "the last frame stays";
}

TEST_F(AVIPlayer, StopMidPlayHoldsTheFrameSilencesTheSoundAndSendsNoVideoEnd) {
    WriteVideo();
    manager_->LoadTexture("intro.avi");
    SendEvent(YEVENT_PLAY_VIDEO, 0, 0);
    PlayFor(kTenth + 200);
    SendEvent(YEVENT_PLAY_VIDEO, 0, 0);  // playing already: no rewind
    Frame();
    EXPECT_TRUE(Shows(kGreen));
    SendEvent(YEVENT_STOP_VIDEO, 0, 0);
    EXPECT_LT(soundtest::Render(*sound_, kTenth).Level(), 1e-6);
    PlayFor(kTenth * 5);
    EXPECT_TRUE(Shows(kGreen));
    EXPECT_EQ(VideoEnds(), 0);
    // Played again, it starts from its beginning.
    SendEvent(YEVENT_PLAY_VIDEO, 0, 0);
    Frame();
    EXPECT_TRUE(Shows(kRed));
}

TEST_F(AVIPlayer, CorruptOrMissingFileIsLoggedAndEndsWithVideoEndAtTheNextFrame) {
    test::WriteFile("data/Video/bad.avi", "RIFF\x40\0\0\0AVI LIST\x10\0\0\0hdrlavih junk junk junk");
    for (const char* name : {"bad.avi", "none.avi"}) {
        gfx::Texture* texture = manager_->LoadTexture(name);
        EXPECT_EQ(texture, manager_->GetVideoTexture());
        EXPECT_EQ(player_->Stream(), nullptr);
        SendEvent(YEVENT_PLAY_VIDEO, 0, 0);
        Frame();
    }
    EXPECT_EQ(VideoEnds(), 2);
    EXPECT_EQ(rtest::LogCount("DXError if audio/YAVIPlayer.cpp"), 2);
    EXPECT_EQ(rtest::LogCount("\nVFW_E_UNSUPPORTED_STREAM\n"), 1);
    EXPECT_EQ(rtest::LogCount("\nE_FILENOTFOUND\n"), 1);
}

TEST_F(AVIPlayer, TextureThatCannotBeLockedEndsTheVideo) {
    WriteVideo();
    manager_->LoadTexture("intro.avi");
    SendEvent(YEVENT_PLAY_VIDEO, 0, 0);
    recording_->FailNext("Texture.LockRect", D3DERR_INVALIDCALL);
    Frame();
    EXPECT_EQ(VideoEnds(), 1);
    EXPECT_EQ(rtest::LogCount("\nD3DERR_INVALIDCALL\n"), 1);
}

}  // namespace
