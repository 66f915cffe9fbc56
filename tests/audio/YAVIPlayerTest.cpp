// The video player behind the texture manager on the recording device: frames land in the
// video texture as the sound track plays, the end sends "video_end", bad files end at once.
#include "audio/YAVIPlayer.h"

#include <gtest/gtest.h>

#include "WavBuilder.h"
#include "audio/YMusic.h"
#include "audio/YSound.h"
#include "audio/YSoundManager.h"
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
        // The decoder's libraries count as in: the first open loads them on the spot.
        auto player = std::make_unique<CYAVIPlayer>(sound_.get(), [this] { ++codecLoads_; }, [this] { return codecsReady_; });
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
    void WriteVideo(const std::string& name = "intro.avi", int width = 64, int height = 48) {
        std::vector<uint8_t> bytes = videotest::Avi(
            {.width = width, .height = height, .colours = {kRed, kGreen, kBlue}, .toneFrames = 22050 * 3 / 10});
        test::WriteFile("data/Video/" + name, std::string(bytes.begin(), bytes.end()));
    }
    // Whether the 64 x 48 frame in the video texture's corner shows the colour (0xRRGGBB),
    // as far as the lossy coding keeps it, with the rest of the texture black.
    ::testing::AssertionResult Shows(uint32_t colour) {
        gfx::LockedRect locked;
        gfx::Texture* texture = manager_->GetVideoTexture();
        if (!texture || FAILED(texture->LockRect(0, &locked, nullptr, gfx::LOCK_READONLY)))
            return ::testing::AssertionFailure() << "no texture";
        ::testing::AssertionResult result = ::testing::AssertionSuccess();
        auto check = [&](uint32_t x, uint32_t y, uint32_t want) {
            const uint8_t* p = static_cast<const uint8_t*>(locked.bits) + y * locked.pitch + x * 4;
            const int bytes[3] = {int(want & 0xFF), int((want >> 8) & 0xFF), int(want >> 16)};
            for (int c = 0; c < 3; ++c)
                if (std::abs(p[c] - bytes[c]) > 8 && result)
                    result = ::testing::AssertionFailure() << "(" << x << ", " << y << ") byte " << c << " is "
                                                           << int(p[c]);
        };
        for (uint32_t y : {0u, 20u, 47u})
            for (uint32_t x : {0u, 40u, 63u}) check(x, y, colour);
        for (auto [x, y] : {std::pair{64u, 0u}, {0u, 48u}, {127u, 63u}}) check(x, y, 0);
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
    bool codecsReady_ = true;
    int codecLoads_ = 0;
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

TEST_F(AVIPlayer, TextureTakesTheNextPowersOfTwoAboveTheVideoInPlaceAndTheScreensDepth) {
    EXPECT_EQ(CYAVIPlayer::NextPowerOfTwo(0), 2u);
    EXPECT_EQ(CYAVIPlayer::NextPowerOfTwo(1), 2u);
    EXPECT_EQ(CYAVIPlayer::NextPowerOfTwo(2), 4u);
    EXPECT_EQ(CYAVIPlayer::NextPowerOfTwo(255), 256u);
    EXPECT_EQ(CYAVIPlayer::NextPowerOfTwo(256), 512u);
    EXPECT_EQ(CYAVIPlayer::NextPowerOfTwo(640), 1024u);
    WriteVideo("wide.avi", 320, 240);
    WriteVideo("wide2.avi", 320, 240);
    WriteVideo("square.avi", 256, 256);
    auto desc = [](gfx::Texture* t) {
        gfx::SurfaceDesc d;
        t->GetLevelDesc(0, &d);
        return std::to_string(d.width) + "x" + std::to_string(d.height) + ":" + std::to_string(d.format);
    };
    gfx::Texture* texture = manager_->LoadTexture("wide.avi");
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(desc(texture), "512x256:22");
    // A frame lands unscaled in the corner: the rest stays black.
    SendEvent(YEVENT_PLAY_VIDEO, 0, 0);
    Frame();
    gfx::LockedRect locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, gfx::LOCK_READONLY), S_OK);
    const uint8_t* bits = static_cast<const uint8_t*>(locked.bits);
    EXPECT_EQ(locked.pitch, 2048);
    EXPECT_GT(bits[319 * 4 + 2], 240) << "red up to the frame's right edge";
    EXPECT_EQ(bits[320 * 4 + 2], 0);
    EXPECT_GT(bits[239 * locked.pitch + 2], 240);
    EXPECT_EQ(bits[240 * locked.pitch + 2], 0);
    texture->UnlockRect(0);

    // The same size at the same depth keeps the storage; another size replaces it in place.
    auto replacements = [&] {
        int n = 0;
        for (const std::string& c : recording_->Calls()) n += c.find(".ReplaceStorage(") != std::string::npos;
        return n;
    };
    recording_->ClearCalls();
    EXPECT_EQ(manager_->LoadTexture("wide2.avi"), texture);
    EXPECT_EQ(replacements(), 0);
    EXPECT_EQ(manager_->LoadTexture("square.avi"), texture);
    EXPECT_EQ(desc(texture), "512x512:22");
    EXPECT_EQ(replacements(), 1);
    // A 16-bit screen makes the next video's texture 16-bit, still the same object.
    g_settings.bitsPerPixel = 16;
    EXPECT_EQ(manager_->LoadTexture("wide.avi"), texture);
    EXPECT_EQ(desc(texture), "512x256:23");
    SendEvent(YEVENT_PLAY_VIDEO, 0, 0);
    Frame();
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, gfx::LOCK_READONLY), S_OK);
    uint16_t first, outside;
    std::memcpy(&first, locked.bits, 2);
    std::memcpy(&outside, static_cast<const uint8_t*>(locked.bits) + 320 * 2, 2);
    EXPECT_GE(first >> 11, 30) << "red in R5G6B5";
    EXPECT_LE(first & 0x7FF, 0x40u);
    EXPECT_EQ(outside, 0);
    texture->UnlockRect(0);
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

TEST_F(AVIPlayer, MusicAndVideoAreHeardAfterThreeHundredSoundsHavePlayedAndEnded) {
    // A clone per shot, as a game makes them: more sounds than the device has sources.
    test::WriteFile("data/sounds/shot.wav", wav::Pcm(1, 16, wav::Tone16(100, 0.25f)));
    CYSoundManager sounds(sound_.get());
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(sounds.CreateSound("shot.wav", 0, false, true)->Play(), S_OK);
        soundtest::Render(*sound_, 200);
    }
    ASSERT_EQ(sounds.Update(), S_OK);

    test::WriteFile("data/music/theme.wav", wav::Pcm(1, 16, wav::Tone16(soundtest::kRate, 0.25f)));
    CYMusic music(sound_.get());
    ASSERT_EQ(music.Open("theme.wav", false), S_OK);
    ASSERT_EQ(music.Play(), S_OK);
    EXPECT_GT(soundtest::Render(*sound_, kTenth).Level(), 0.1);
    music.Stop();

    WriteVideo();
    manager_->LoadTexture("intro.avi");
    ASSERT_NE(player_->Stream(), nullptr);
    EXPECT_TRUE(player_->Stream()->HasSound());
    SendEvent(YEVENT_PLAY_VIDEO, 0, 0);
    Frame();
    EXPECT_GT(soundtest::Render(*sound_, kTenth - 100).Level(), 0.05);

    // Every earlier sound still plays when asked again, and the music after it.
    CYSound* first = sounds.Entries().front().sound.get();
    SendEvent(YEVENT_STOP_VIDEO, 0, 0);
    ASSERT_EQ(first->Play(), S_OK);
    EXPECT_GT(soundtest::Render(*sound_, 50).Level(), 0.1);
    soundtest::Render(*sound_, 100);
    ASSERT_EQ(music.Play(), S_OK);
    EXPECT_GT(soundtest::Render(*sound_, kTenth).Level(), 0.1);
}

}  // namespace

TEST_F(AVIPlayer, VideoOpenedBeforeItsLibrariesAreInWaitsForThemWithoutEndingAndThenPlaysFromItsStart) {
    codecsReady_ = false;
    WriteVideo();
    test::WriteFile("data/Video/bad.avi", "RIFF\x40\0\0\0AVI LIST\x10\0\0\0hdrlavih junk junk junk");
    gfx::Texture* texture = manager_->LoadTexture("intro.avi");
    EXPECT_EQ(texture, manager_->GetVideoTexture());
    EXPECT_EQ(codecLoads_, 0) << "opening alone does not load them: the first frame is not held up";
    SendEvent(YEVENT_PLAY_VIDEO, 0, 0);
    PlayFor(kTenth * 5);
    EXPECT_GT(codecLoads_, 0);
    EXPECT_TRUE(manager_->IsVideoPlaying()) << "waiting is not the end";
    EXPECT_EQ(VideoEnds(), 0);

    codecsReady_ = true;
    Frame();
    EXPECT_TRUE(Shows(kRed)) << "it opens at the next frame and starts at its beginning";
    ASSERT_NE(player_->Stream(), nullptr);
    EXPECT_EQ(player_->Stream()->Volume(), VolumeToHundredths(0.5f));

    // Bytes that turn out to be no video end it as a missing file does, once they are tried.
    codecsReady_ = false;
    manager_->LoadTexture("bad.avi");
    SendEvent(YEVENT_PLAY_VIDEO, 0, 0);
    Frame();
    EXPECT_EQ(VideoEnds(), 0);
    codecsReady_ = true;
    Frame();
    EXPECT_EQ(VideoEnds(), 1);
    EXPECT_EQ(rtest::LogCount("\nVFW_E_UNSUPPORTED_STREAM\n"), 1);
}
