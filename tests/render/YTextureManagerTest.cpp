// The texture manager on the recording device: one load per exact name, the "error.tga"
// stand-in, names that leave the folder, device resets, the unload, and videos.
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

// Records what it is asked; has a frame while `frames` > 0.
class FakePlayer : public CYVideoPlayer {
public:
    HRESULT Reset() override { return calls.push_back("Reset"), S_OK; }
    HRESULT Open(const std::string& name, gfx::Texture* texture) override {
        target = texture;
        return calls.push_back("Open " + name), S_OK;
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
        test::WriteFile("data/textures/error.tga", SolidTga(2, 2, 0xFF00FF));
        test::WriteFile("data/textures/wall.tga", SolidTga(4, 4, 0x808080));
    }
    FakePlayer* UseFakePlayer() {
        auto player = std::make_unique<FakePlayer>();
        FakePlayer* p = player.get();
        manager_->SetVideoPlayer(std::move(player));
        return p;
    }
    size_t TexturesMade() { return CallsStartingWith("CreateTexture").size(); }
    CYTextureManager* manager_ = nullptr;
};

TEST_F(TextureManagerTest, SameNameIsReadOnceAndOtherLetterCaseIsAnotherEntry) {
    uint32_t before = g_textureFileBytes;
    gfx::Texture* wall = manager_->LoadTexture("wall.tga");
    ASSERT_NE(wall, nullptr);
    EXPECT_EQ(manager_->LoadTexture("wall.tga"), wall);
    EXPECT_EQ(TexturesMade(), 1u);
    char line[96];
    std::snprintf(line, sizeof line, "wall.tga: Available texture mem - 20000000 / %x\n",
                  before + uint32_t(SolidTga(4, 4, 0).size()));
    EXPECT_EQ(LogCount(line), 1);
    gfx::Texture* upper = manager_->LoadTexture("WALL.tga");
    EXPECT_NE(upper, wall);
    EXPECT_EQ(manager_->GetTextureCount(), 2u);
}

TEST_F(TextureManagerTest, MissingTextureGetsTheErrorTextureAndIsTriedAgainEachTime) {
    gfx::Texture* error = manager_->LoadTexture("missing.tga");
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(manager_->LoadTexture("error.tga"), error);
    EXPECT_EQ(manager_->LoadTexture("missing.tga"), error);
    EXPECT_EQ(manager_->GetTextureCount(), 1u);
    EXPECT_EQ(LogCount("File - data\\textures\\missing.tga not found\n"), 2);
}

TEST_F(TextureManagerTest, WithoutTheErrorTextureAMissingTextureIsNull) {
    std::remove("data/textures/error.tga");
    EXPECT_EQ(manager_->LoadTexture("missing.tga"), nullptr);
    EXPECT_EQ(manager_->GetTextureCount(), 0u);
}

TEST_F(TextureManagerTest, MissingErrorTextureAskedForByNameIsTriedTwiceAsItsOwnStandIn) {
    std::remove("data/textures/error.tga");
    EXPECT_EQ(manager_->LoadTexture("error.tga"), nullptr);
    EXPECT_EQ(LogCount("File - data\\textures\\error.tga not found\n"), 2);
    EXPECT_EQ(LogCount("error.tga: Available texture mem - "), 2);
}

TEST_F(TextureManagerTest, UndecodableFileIsReportedAndReplaced) {
    test::WriteFile("data/textures/bad.png", "\x89PNG\r\n\x1a\n truncated");
    EXPECT_EQ(manager_->LoadTexture("bad.png"), manager_->LoadTexture("error.tga"));
    EXPECT_EQ(manager_->Load("bad.png"), D3DXERR_INVALIDDATA);
    EXPECT_EQ(LogCount("DXError if render/YTextureManager.cpp"), 2);
}

TEST_F(TextureManagerTest, NameReachingOutsideTheFolderGetsTheErrorTexture) {
    test::WriteFile("secret.tga", SolidTga(2, 2, 0x00FF00));
    gfx::Texture* error = manager_->LoadTexture("error.tga");
    EXPECT_EQ(manager_->LoadTexture("..\\..\\secret.tga"), error);
    EXPECT_EQ(manager_->LoadTexture("../../secret.tga"), error);
    EXPECT_EQ(manager_->GetTextureCount(), 1u);
}

TEST_F(TextureManagerTest, TexturesSurviveADeviceReset) {
    gfx::Texture* wall = manager_->LoadTexture("wall.tga");
    ASSERT_NE(manager_->LoadTexture("intro.avi"), nullptr);
    EXPECT_EQ(renderer_->ResetDevice(), S_OK);
    EXPECT_EQ(manager_->LoadTexture("wall.tga"), wall);
    EXPECT_EQ(TexturesMade(), 2u);
}

TEST_F(TextureManagerTest, UnloadLogsEveryTextureInLoadOrder) {
    manager_->LoadTexture("wall.tga");
    manager_->LoadTexture("missing.tga");
    renderer_->Shutdown();
    std::string log = test::ReadFile("YLog.log");
    EXPECT_NE(log.find("2 textures found in memory\nwall.tga released\nerror.tga released\n"
                       "Textures unloaded from memory successfully\n"),
              std::string::npos);
}

// ---- Videos ---------------------------------------------------------------------------------

TEST_F(TextureManagerTest, AviInAnyCaseOpensTheVideoIntoOneTextureThatKeepsItsIdentity) {
    FakePlayer* player = UseFakePlayer();
    gfx::Texture* video = manager_->LoadTexture("Small.AVI");
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(player->target, video);
    EXPECT_EQ(player->calls, (std::vector<std::string>{"Reset", "Open Small.AVI"}));
    CYTextures* set = renderer_->GetTexturesNode(renderer_->GetRoot(), {"Small.AVI"});
    // The extension is the second part of the name split at ".".
    EXPECT_EQ(manager_->LoadTexture("my.avi.tga"), video);
    EXPECT_EQ(set->GetTextures()[0], video);
    EXPECT_EQ(manager_->GetVideoName(), "my.avi.tga");
    EXPECT_EQ(TexturesMade(), 1u);
    EXPECT_EQ(manager_->GetTextureCount(), 0u);
    // A name without a dot, or whose second part is another extension, is an image.
    test::WriteFile("data/textures/plain", SolidTga(2, 2, 0));
    test::WriteFile("data/textures/b.x.avi", SolidTga(2, 2, 0));
    EXPECT_NE(manager_->LoadTexture("plain"), nullptr);
    gfx::Texture* image = manager_->LoadTexture("b.x.avi");
    EXPECT_NE(image, nullptr);
    EXPECT_NE(image, video);
    EXPECT_EQ(manager_->GetVideoName(), "my.avi.tga");
}

class VideoEndTest : public TextureManagerTest {
protected:
    void SetUp() override {
        TextureManagerTest::SetUp();
        test::WriteFile("data/scripts/s.lua", "Update()\n");
        LoadCommands();
        interface_.SetName("interface");
        g_commandManager->Register(&interface_);
        ASSERT_EQ(interface_.AddState("idle", "s.lua"), S_OK);
    }
    void TearDown() override {
        g_commandManager->Unregister(&interface_);
        DestroyCommands();
        TextureManagerTest::TearDown();
    }
    int VideoEnds() const {
        int n = 0;
        for (const YCommand& c : interface_.Commands()) n += c.command == "video_end";
        return n;
    }
    CYScriptHandler interface_{nullptr};
};

TEST_F(VideoEndTest, VideoThatEndsByItselfSendsVideoEndOnceOnTheNextFrame) {
    FakePlayer* player = UseFakePlayer();
    player->frames = 2;
    manager_->LoadTexture("intro.avi");
    SendEvent(YEVENT_PLAY_VIDEO, 0, 0);
    Frame();
    Frame();
    EXPECT_EQ(VideoEnds(), 0);
    Frame();
    Frame();
    EXPECT_EQ(VideoEnds(), 1);
    EXPECT_FALSE(manager_->IsVideoPlaying());
    EXPECT_EQ(player->calls.back(), "Stop");
}

TEST_F(VideoEndTest, AVideoStartedBeforeItsWindowIsDrawnKeepsPlayingUntilItEnds) {
    FakePlayer* player = UseFakePlayer();
    player->frames = 2;
    manager_->LoadTexture("intro.avi");  // the window's texture at its load
    SendEvent(YEVENT_PLAY_VIDEO, 0, 0);
    renderer_->GetTexturesNode(renderer_->GetRoot(), {"intro.avi"});  // its first drawing
    Frame();
    EXPECT_EQ(VideoEnds(), 0);
    EXPECT_EQ(player->calls, (std::vector<std::string>{"Reset", "Open intro.avi", "Play"}));
    Frame();
    Frame();
    EXPECT_EQ(VideoEnds(), 1);
    // Ended, the same video opens again from its start.
    manager_->LoadTexture("intro.avi");
    EXPECT_EQ(player->calls.back(), "Open intro.avi");
}

TEST_F(VideoEndTest, StoppedVideoSendsNoVideoEnd) {
    UseFakePlayer()->frames = 100;
    manager_->LoadTexture("intro.avi");
    SendEvent(YEVENT_PLAY_VIDEO, 0, 0);
    Frame();
    SendEvent(YEVENT_STOP_VIDEO, 0, 0);
    Frame();
    EXPECT_EQ(VideoEnds(), 0);
}

TEST_F(VideoEndTest, WithoutAVideoPlayerAStartedVideoEndsOnTheNextFrame) {
    manager_->LoadTexture("intro.avi");
    EXPECT_EQ(LogCount("Video intro.avi cannot be played: no video player\n"), 1);
    SendEvent(YEVENT_PLAY_VIDEO, 0, 0);
    Frame();
    EXPECT_EQ(VideoEnds(), 1);
}

}  // namespace
