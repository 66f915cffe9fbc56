#include "audio/YSoundManager.h"

#include <gtest/gtest.h>

#include <cmath>

#include "AudioTestUtil.h"

namespace {

using namespace audiotest;

class SoundManager : public GameDirTest {
protected:
    void SetUp() override {
        snd::SetDeviceTarget(snd::DeviceTarget::Loopback);
        ASSERT_EQ(snd::CreateDevice(&device_), S_OK);
        manager_ = std::make_unique<CYSoundManager>(device_.get());
        WriteTone("a.wav");
        WriteTone("b.wav");
    }
    void TearDown() override {
        manager_.reset();
        GameDirTest::TearDown();
    }
    double Level() { return Settled(*device_).Level(); }

    std::unique_ptr<snd::Device> device_;
    std::unique_ptr<CYSoundManager> manager_;
};

// ---- entries

TEST_F(SoundManager, SameNameGivesTheSameSoundUnlessAlwaysNew) {
    CYSound* first = manager_->CreateSound("a.wav", 0, false, false);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(manager_->CreateSound("a.wav", 1, true, false), first);
    CYSound* clone = manager_->CreateSound("a.wav", 1, true, true);
    EXPECT_NE(clone, first);
    ASSERT_EQ(manager_->Entries().size(), 2u);
    EXPECT_EQ(manager_->Entries()[1].is3D, 1u);
    EXPECT_TRUE(manager_->Entries()[1].loop);
    EXPECT_TRUE(clone->Is3D());
    EXPECT_EQ(manager_->FindSound("a.wav"), first);
}

TEST_F(SoundManager, NamesAreComparedByteForByte) {
    CYSound* sound = manager_->CreateSound("a.wav", 0, false, false);
    EXPECT_EQ(manager_->FindSound("A.wav"), nullptr);
    EXPECT_EQ(manager_->FindEntry("a.wav "), nullptr);
    EXPECT_EQ(manager_->FindEntry("a.wav")->sound.get(), sound);
}

TEST_F(SoundManager, SoundPathIsUnderTheSoundFolder) {
    EXPECT_EQ(manager_->CreateSound("a.wav", 0, false, false)->Path(), "data\\sounds\\a.wav");
}

TEST_F(SoundManager, SoundThatFailsToLoadIsStillEnteredAndReturned) {
    CYSound* missing = manager_->CreateSound("none.wav", 0, false, false);
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(manager_->FindSound("none.wav"), missing);
    EXPECT_EQ(manager_->CreateSound("none.wav", 0, false, false), missing);
    EXPECT_EQ(LogText().find("data\\sounds\\none.wav file not found or i/o error\n"),
              LogText().rfind("data\\sounds\\none.wav file not found or i/o error\n"));
}

// ---- deleting

TEST_F(SoundManager, DeleteSoundsLogsTheCountAndEmptiesTheList) {
    manager_->CreateSound("a.wav", 0, false, false);
    manager_->CreateSound("b.wav", 0, false, false)->Play();
    manager_->CreateSound("b.wav", 0, false, true);
    manager_->DeleteSounds();
    EXPECT_TRUE(manager_->Entries().empty());
    EXPECT_NE(LogText().find("\nSound Manager: 3 sound(s) found and destroyed\n\n"), std::string::npos);
    EXPECT_EQ(Level(), 0.0);
    CYSound* again = manager_->CreateSound("a.wav", 0, false, false);
    EXPECT_EQ(manager_->FindSound("a.wav"), again);
    EXPECT_EQ(manager_->Entries().size(), 1u);
}

TEST_F(SoundManager, DeleteSoundsOnAnEmptyManagerWritesNothing) {
    manager_->DeleteSounds();
    EXPECT_EQ(manager_->Init(), S_OK);
    EXPECT_EQ(LogText().find("Sound Manager"), std::string::npos);
}

TEST_F(SoundManager, DestroyingTheManagerDeletesItsSounds) {
    manager_->CreateSound("a.wav", 0, false, false)->Play();
    manager_.reset();
    EXPECT_NE(LogText().find("Sound Manager: 1 sound(s) found and destroyed"), std::string::npos);
    EXPECT_EQ(Level(), 0.0);
}

// ---- all sounds at once

TEST_F(SoundManager, NewSoundsTakeTheManagersVolume) {
    CYSound* loud = manager_->CreateSound("a.wav", 0, false, false);
    loud->Play();
    const double full = Level();
    loud->Stop();
    ASSERT_EQ(manager_->SetVolumeAll(0.5f), S_OK);
    EXPECT_EQ(manager_->Volume(), 0.5f);
    manager_->CreateSound("b.wav", 0, false, false)->Play();
    EXPECT_NEAR(Level() / full, std::pow(10.0, -875.0 / 2000.0), 0.01);
}

TEST_F(SoundManager, RecreateSoundsAppliesTheVolumeSetting) {
    manager_->CreateSound("a.wav", 0, false, false);
    g_settings.soundVolume = 0.5f;
    manager_->RecreateSounds();
    EXPECT_EQ(manager_->Volume(), 0.5f);
    ASSERT_NE(manager_->FindSound("a.wav")->Buffer(), nullptr);
    manager_->FindSound("a.wav")->Play();
    const double half = Level();
    manager_->SetVolumeAll(1.0f);
    EXPECT_NEAR(half / Level(), std::pow(10.0, -875.0 / 2000.0), 0.01);
}

TEST_F(SoundManager, StopAllSoundsStopsEverySound) {
    CYSound* a = manager_->CreateSound("a.wav", 0, false, false);
    CYSound* b = manager_->CreateSound("b.wav", 1, true, false);
    a->Play();
    b->Play();
    manager_->StopAllSounds();
    EXPECT_FALSE(a->IsPlaying());
    EXPECT_FALSE(b->IsPlaying());
    ASSERT_EQ(manager_->Update(), S_OK);
    EXPECT_EQ(Level(), 0.0);
}

TEST_F(SoundManager, UpdateRestartsLoopingSounds) {
    WriteTone("short.wav", 1000);
    CYSound* once = manager_->CreateSound("short.wav", 0, false, false);
    CYSound* looping = manager_->CreateSound("short.wav", 0, true, true);
    once->Play();
    looping->Play();
    soundtest::Render(*device_, 2000);
    ASSERT_EQ(manager_->Update(), S_OK);
    EXPECT_FALSE(once->IsPlaying());
    EXPECT_TRUE(looping->IsPlaying());
}

}  // namespace
