// The texture manager on the recording device: one load per exact name, the "error.tga"
// stand-in, names that leave the folder, the video path with its one texture, the end of
// a video, device resets and the unload at the end.
#include "render/YTextureManager.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "RenderTestSupport.h"
#include "core/YCommandManager.h"
#include "core/YScript.h"
#include "render/YTextures.h"

using rtest::LogCount;
using rtest::SolidTga;

namespace {

// A video player that records what it is asked and has frames while `frames` > 0.
class FakePlayer : public CYVideoPlayer {
public:
    HRESULT Reset() override {
        calls.push_back("Reset");
        return S_OK;
    }
    HRESULT Open(const std::string& name, gfx::Texture* target) override {
        calls.push_back("Open " + name);
        this->target = target;
        return S_OK;
    }
    void Play() override { calls.push_back("Play"); }
    void Stop() override { calls.push_back("Stop"); }
    bool Update(double) override { return frames-- > 0; }
    std::vector<std::string> calls;
    gfx::Texture* target = nullptr;
    int frames = 0;
};

class TextureManagerTest : public rtest::RecordingRendererTest {
protected:
    void SetUp() override {
        RecordingRendererTest::SetUp();
        manager_ = renderer_->GetTextureManager();
        ASSERT_NE(manager_, nullptr);
        test::WriteFile("data/textures/error.tga", SolidTga(2, 2, 0xFF00FF));
        test::WriteFile("data/textures/wall.tga", SolidTga(4, 4, 0x808080));
    }
    // Installs a fake player and returns it (the manager owns it).
    FakePlayer* UseFakePlayer() {
        auto player = std::make_unique<FakePlayer>();
        FakePlayer* p = player.get();
        manager_->SetVideoPlayer(std::move(player));
        return p;
    }
    int TexturesMade() { return int(CallsStartingWith("CreateTexture").size()); }

    CYTextureManager* manager_ = nullptr;
};

// ---- The cache ------------------------------------------------------------------------------

TEST_F(TextureManagerTest, SameNameLoadsOnceAndOtherLetterCaseIsAnotherEntry) {
    gfx::Texture* wall = manager_->LoadTexture("wall.tga");
    ASSERT_NE(wall, nullptr);
    EXPECT_EQ(manager_->LoadTexture("wall.tga"), wall);
    EXPECT_EQ(TexturesMade(), 1);
    gfx::Texture* upper = manager_->LoadTexture("WALL.tga");
    EXPECT_NE(upper, nullptr);
    EXPECT_NE(upper, wall);
    EXPECT_EQ(manager_->GetTextureCount(), 2u);
    EXPECT_EQ(manager_->Load("wall.tga"), S_OK);
    EXPECT_EQ(TexturesMade(), 2);
}

TEST_F(TextureManagerTest, MissingTextureGetsTheErrorTextureAndIsTriedAgainEachTime) {
    gfx::Texture* error = manager_->LoadTexture("missing.tga");
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(manager_->LoadTexture("error.tga"), error);
    EXPECT_EQ(manager_->LoadTexture("Missing.tga"), error);
    EXPECT_EQ(manager_->GetTextureCount(), 1u);
    EXPECT_EQ(LogCount("File - data\\textures\\missing.tga not found\n"), 2);
}

TEST_F(TextureManagerTest, WithoutTheErrorTextureAMissingTextureIsNull) {
    std::remove("data/textures/error.tga");
    EXPECT_EQ(manager_->LoadTexture("missing.tga"), nullptr);
    EXPECT_EQ(manager_->LoadTexture("error.tga"), nullptr);
    EXPECT_EQ(manager_->GetTextureCount(), 0u);
}

TEST_F(TextureManagerTest, UndecodableFileIsReportedAndReplaced) {
    test::WriteFile("data/textures/bad.png", "\x89PNG\r\n\x1a\n truncated");
    gfx::Texture* error = manager_->LoadTexture("error.tga");
    EXPECT_EQ(manager_->LoadTexture("bad.png"), error);
    EXPECT_EQ(manager_->Load("bad.png"), D3DXERR_INVALIDDATA);
    EXPECT_EQ(LogCount("DXError if render/YTextureManager.cpp"), 2);
}

TEST_F(TextureManagerTest, EveryReadLogsTheTextureMemoryLine) {
    uint32_t before = g_textureFileBytes;
    manager_->LoadTexture("wall.tga");
    uint32_t size = uint32_t(SolidTga(4, 4, 0).size());
    char line[128];
    std::snprintf(line, sizeof line, "wall.tga: Available texture mem - 20000000 / %x\n", before + size);
    EXPECT_EQ(LogCount(line), 1);
    manager_->LoadTexture("gone.tga");
    EXPECT_EQ(LogCount("gone.tga: Available texture mem - "), 1);
}

TEST_F(TextureManagerTest, NameWithoutADotIsAnImage) {
    test::WriteFile("data/textures/plain", SolidTga(2, 2, 0x0000FF));
    gfx::Texture* plain = manager_->LoadTexture("plain");
    EXPECT_NE(plain, nullptr);
    EXPECT_NE(plain, manager_->LoadTexture("error.tga"));
}

TEST_F(TextureManagerTest, NameReachingOutsideTheFolderGetsTheErrorTexture) {
    test::WriteFile("secret.tga", SolidTga(2, 2, 0x00FF00));
    gfx::Texture* error = manager_->LoadTexture("error.tga");
    EXPECT_EQ(manager_->LoadTexture("..\\..\\secret.tga"), error);
    EXPECT_EQ(manager_->LoadTexture("../../secret.tga"), error);
    EXPECT_EQ(manager_->GetTextureCount(), 1u);
    EXPECT_EQ(LogCount("Texture ..\\..\\secret.tga is outside the textures folder\n"), 1);
}

TEST_F(TextureManagerTest, TexturesSurviveADeviceReset) {
    gfx::Texture* wall = manager_->LoadTexture("wall.tga");
    gfx::Texture* video = manager_->LoadTexture("intro.avi");
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(renderer_->ResetDevice(), S_OK);
    EXPECT_EQ(manager_->LoadTexture("wall.tga"), wall);
    EXPECT_EQ(TexturesMade(), 2);
}

TEST_F(TextureManagerTest, UnloadLogsEveryTextureInLoadOrder) {
    manager_->LoadTexture("wall.tga");
    manager_->LoadTexture("missing.tga");
    renderer_->Shutdown();
    std::string log = test::ReadFile("YLog.log");
    size_t count = log.find("2 textures found in memory\n");
    size_t wall = log.find("wall.tga released\n");
    size_t error = log.find("error.tga released\n");
    size_t done = log.find("Textures unloaded from memory successfully\n");
    ASSERT_NE(done, std::string::npos);
    EXPECT_LT(count, wall);
    EXPECT_LT(wall, error);
    EXPECT_LT(error, done);
}

// ---- Videos ---------------------------------------------------------------------------------

TEST_F(TextureManagerTest, AviNameInAnyCaseOpensTheVideoInsteadOfAnImage) {
    FakePlayer* player = UseFakePlayer();
    gfx::Texture* video = manager_->LoadTexture("Intro.AVI");
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video, manager_->GetVideoTexture());
    EXPECT_EQ(player->target, video);
    EXPECT_EQ(player->calls, (std::vector<std::string>{"Reset", "Open Intro.AVI"}));
    EXPECT_EQ(manager_->GetVideoName(), "Intro.AVI");
    EXPECT_EQ(manager_->GetTextureCount(), 0u);
    // Only the last extension counts.
    EXPECT_NE(manager_->LoadTexture("intro.avi.tga"), video);
    EXPECT_EQ(manager_->LoadTexture("my.intro.avi"), video);
}

TEST_F(TextureManagerTest, VideoTextureKeepsItsIdentityFromVideoToVideo) {
    UseFakePlayer();
    gfx::Texture* first = manager_->LoadTexture("small.avi");
    CYTextures* set = renderer_->GetTexturesNode(renderer_->GetRoot(), {"small.avi"});
    EXPECT_EQ(manager_->LoadTexture("large.avi"), first);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->GetTextures()[0], first);
    EXPECT_EQ(CallsStartingWith("CreateTexture(1024, 1024, 1, 0x0, 22, 1)").size(), 1u);
}

class VideoEndTest : public TextureManagerTest {
protected:
    void SetUp() override {
        TextureManagerTest::SetUp();
        test::WriteFile("data/scripts/s.lua", "Update()\n");
        LoadCommands();
        interface_ = std::make_unique<CYScriptHandler>(nullptr);
        interface_->SetName("interface");
        g_commandManager->Register(interface_.get());
        ASSERT_EQ(interface_->AddState("idle", "s.lua"), S_OK);
    }
    void TearDown() override {
        interface_.reset();
        DestroyCommands();
        TextureManagerTest::TearDown();
    }
    int VideoEnds() const {
        int n = 0;
        for (const YCommand& c : interface_->Commands()) n += c.command == "video_end";
        return n;
    }
    std::unique_ptr<CYScriptHandler> interface_;
};

TEST_F(VideoEndTest, VideoThatEndsByItselfSendsVideoEndOnceOnTheNextFrame) {
    FakePlayer* player = UseFakePlayer();
    player->frames = 2;
    manager_->LoadTexture("intro.avi");
    SendEvent(YEVENT_PLAY_VIDEO, 0, 0);
    EXPECT_TRUE(manager_->IsVideoPlaying());
    Frame();
    Frame();
    EXPECT_EQ(VideoEnds(), 0);
    Frame();
    EXPECT_EQ(VideoEnds(), 1);
    EXPECT_FALSE(manager_->IsVideoPlaying());
    EXPECT_EQ(player->calls.back(), "Stop");
    Frame();
    Frame();
    EXPECT_EQ(VideoEnds(), 1);
}

TEST_F(VideoEndTest, StoppedVideoSendsNoVideoEnd) {
    FakePlayer* player = UseFakePlayer();
    player->frames = 100;
    manager_->LoadTexture("intro.avi");
    SendEvent(YEVENT_PLAY_VIDEO, 0, 0);
    Frame();
    SendEvent(YEVENT_STOP_VIDEO, 0, 0);
    Frame();
    Frame();
    EXPECT_EQ(VideoEnds(), 0);
    EXPECT_FALSE(manager_->IsVideoPlaying());
}

TEST_F(VideoEndTest, WithoutAVideoPlayerAStartedVideoEndsOnTheNextFrame) {
    EXPECT_NE(manager_->LoadTexture("intro.avi"), nullptr);
    EXPECT_EQ(LogCount("Video intro.avi cannot be played: no video player\n"), 1);
    SendEvent(YEVENT_PLAY_VIDEO, 0, 0);
    Frame();
    EXPECT_EQ(VideoEnds(), 1);
}

}  // namespace
