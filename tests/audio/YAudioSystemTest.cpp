#include "audio/YAudioSystem.h"

#include <gtest/gtest.h>

#include <csignal>

#include "AudioTestUtil.h"
#include "core/YEvents.h"
#include "render/YParticleSystem.h"

namespace {

using namespace audiotest;

class AudioSystem : public GameDirTest {
protected:
    void SetUp() override {
        snd::SetDeviceTarget(snd::DeviceTarget::Loopback);
        ASSERT_EQ(audio_.Init(nullptr), S_OK);
        ASSERT_FALSE(audio_.Device()->IsSilent());
        WriteTone("tone.wav");
    }
    soundtest::Mix Mix() { return Settled(*audio_.Device()); }

    CYAudioSystem audio_;
};

const math::Vec3 kRight{3.0f, 0.0f, 0.0f};
const math::Vec3 kLeft{-3.0f, 0.0f, 0.0f};
const math::Vec3 kStill{0.0f, 0.0f, 0.0f};

// ---- start-up

TEST_F(AudioSystem, InitSetsThePrimaryFormatFromTheSettings) {
    std::unique_ptr<snd::PrimaryBuffer> primary;
    ASSERT_EQ(audio_.Device()->CreatePrimaryBuffer(snd::kCapsPrimaryBuffer, &primary), S_OK);
    const snd::WaveFormat& f = primary->Format();
    EXPECT_EQ(f.formatTag, snd::kFormatPcm);
    EXPECT_EQ(f.channels, 2);
    EXPECT_EQ(f.samplesPerSec, 44100u);
    EXPECT_EQ(f.bitsPerSample, 16);
    EXPECT_EQ(f.blockAlign, 4);
    EXPECT_EQ(f.avgBytesPerSec, 176400u);
    EXPECT_TRUE(f.extra.empty());
    EXPECT_NE(LogText().find("Sound: \""), std::string::npos);
    EXPECT_NE(LogText().find("2 channel(s) and 16 bits asked"), std::string::npos);
}

TEST_F(AudioSystem, InitTakesTheListenerAsItIs) {
    const snd::ListenerParams& p = audio_.ListenerParams();
    EXPECT_EQ(p.distanceFactor, 1.0f);
    EXPECT_EQ(p.rolloffFactor, 1.0f);
    EXPECT_EQ(p.dopplerFactor, 1.0f);
    EXPECT_NE(audio_.SoundManager(), nullptr);
    EXPECT_TRUE(audio_.SoundManager()->Entries().empty());
}

TEST_F(AudioSystem, BadFormatSettingIsADXErrorAndInitStops) {
    g_settings.bitsPerSample = 12;
    CYAudioSystem other;
    EXPECT_EQ(other.Init(nullptr), DSERR_BADFORMAT);
    EXPECT_NE(LogText().find("DXError if audio/YAudioSystem.cpp"), std::string::npos);
    EXPECT_EQ(other.UpdateListener(kRight, {0, 0, 1}, {0, 1, 0}), S_OK);  // no listener: nothing to do
}

// ---- shared sounds and clones

TEST_F(AudioSystem, GetSoundTwiceGivesTheSameSound) {
    CYSound* a = audio_.GetSound("tone.wav", 1);
    EXPECT_EQ(audio_.GetSound("tone.wav", 1), a);
    EXPECT_EQ(audio_.SoundManager()->Entries().size(), 1u);
}

TEST_F(AudioSystem, OneGetSoundAndTwoClonesMakeThreeEntries) {
    CYSound* shared = audio_.GetSound("tone.wav", 0);
    CYSound* c1 = audio_.GetSoundClone("tone.wav", 0, false);
    CYSound* c2 = audio_.GetSoundClone("tone.wav", 0, false);
    EXPECT_NE(c1, shared);
    EXPECT_NE(c2, c1);
    const auto& entries = audio_.SoundManager()->Entries();
    ASSERT_EQ(entries.size(), 3u);
    for (const auto& e : entries) EXPECT_EQ(e.name, "tone.wav");
}

TEST_F(AudioSystem, GetSoundOfAPlainSoundStaysPlainWhen3DIsAsked) {
    CYSound* plain = audio_.GetSound("tone.wav", 0);
    CYSound* again = audio_.GetSound("tone.wav", 1);
    EXPECT_EQ(again, plain);
    EXPECT_FALSE(again->Is3D());
}

TEST_F(AudioSystem, CloneTakesTheFlagsOfTheFirstEntry) {
    CYSound* first = audio_.GetSoundClone("tone.wav", 1, true);
    CYSound* second = audio_.GetSoundClone("tone.wav", 0, false);
    EXPECT_TRUE(first->Is3D() && first->Loop());
    EXPECT_TRUE(second->Is3D());
    EXPECT_TRUE(second->Loop());
    EXPECT_EQ(audio_.SoundManager()->Entries()[1].is3D, 1u);
    EXPECT_NE(second->Buffer3D(), nullptr);
}

// ---- 3D placement

TEST_F(AudioSystem, PlacedSoundIsHeardWhereItIs) {
    CYSound* s = audio_.GetSound("tone.wav", 1);
    ASSERT_EQ(CYAudioSystem::SetSoundPosition3D(s, kRight, kStill), S_OK);
    ASSERT_EQ(s->Play(), S_OK);
    soundtest::Mix mix = Mix();
    EXPECT_GT(mix.Right(), 2.0 * mix.Left());
    ASSERT_EQ(CYAudioSystem::SetSoundPosition3D(s, kLeft, kStill), S_OK);
    mix = Mix();
    EXPECT_GT(mix.Left(), 2.0 * mix.Right());
}

TEST_F(AudioSystem, ExplosionPlaysOneExplosionCloneWhereItHappens) {
    WriteTone("explosion.wav");
    g_audioSystem = &audio_;
    CYExplosionManager explosions;
    explosions.Init();
    float at[3] = {3.0f, 0.0f, 0.0f};
    SendEvent(YEVENT_EXPLODE, reinterpret_cast<intptr_t>(at), 0);
    soundtest::Mix mix = Mix();
    EXPECT_GT(mix.Right(), 2.0 * mix.Left());
    at[0] = -3.0f;
    SendEvent(YEVENT_EXPLODE, reinterpret_cast<intptr_t>(at), 0);
    mix = Mix();
    EXPECT_GT(mix.Left(), 2.0 * mix.Right());
    ASSERT_EQ(audio_.SoundManager()->Entries().size(), 1u);  // taken once
    const CYSoundManager::Entry& entry = audio_.SoundManager()->Entries()[0];
    EXPECT_EQ(entry.name, "explosion.wav");
    EXPECT_TRUE(entry.sound->Is3D());
    // Deleted sounds are not reached again: the next explosion takes a new clone.
    audio_.SoundManager()->DeleteSounds();
    SendEvent(YEVENT_EXPLODE, reinterpret_cast<intptr_t>(at), 0);
    EXPECT_EQ(audio_.SoundManager()->Entries().size(), 1u);
    g_audioSystem = nullptr;
}

TEST_F(AudioSystem, SamePositionTwiceIsSetOnlyOnce) {
    CYSound* s = audio_.GetSound("tone.wav", 1);
    ASSERT_EQ(CYAudioSystem::SetSoundPosition3D(s, kRight, kStill), S_OK);
    // Moved behind the audio system's back: the unchanged position is not set again.
    snd::Buffer3DParams p;
    ASSERT_EQ(s->Buffer3D()->GetAllParameters(&p), S_OK);
    p.position = kLeft;
    ASSERT_EQ(s->Buffer3D()->SetAllParameters(p), S_OK);
    ASSERT_EQ(CYAudioSystem::SetSoundPosition3D(s, kRight, kStill), S_OK);
    ASSERT_EQ(s->Play(), S_OK);
    soundtest::Mix mix = Mix();
    EXPECT_GT(mix.Left(), 2.0 * mix.Right());
}

TEST_F(AudioSystem, PositionKeepsTheDistancesAndTakesTheVelocity) {
    CYSound* s = audio_.GetSound("tone.wav", 1);
    ASSERT_EQ(CYAudioSystem::SetSoundDistances(s, 2.0f, 50.0f), S_OK);
    ASSERT_EQ(CYAudioSystem::SetSoundPosition3D(s, kRight, {0.0f, 1.0f, 0.0f}), S_OK);
    snd::Buffer3DParams p;
    ASSERT_EQ(s->Buffer3D()->GetAllParameters(&p), S_OK);
    EXPECT_EQ(p.position, kRight);
    EXPECT_EQ(p.velocity, math::Vec3(0.0f, 1.0f, 0.0f));
    EXPECT_EQ(p.minDistance, 2.0f);
    EXPECT_EQ(p.maxDistance, 50.0f);
}

TEST_F(AudioSystem, PlainSoundCannotBePlacedAndIsLeftAlone) {
    CYSound* s = audio_.GetSound("tone.wav", 0);
    EXPECT_EQ(CYAudioSystem::SetSoundPosition3D(s, kRight, kStill), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(CYAudioSystem::SetSoundDistances(s, 1.0f, 2.0f), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(CYAudioSystem::SetSoundPosition3D(nullptr, kRight, kStill), E_INVALIDARG);
    ASSERT_EQ(s->Play(), S_OK);
    soundtest::Mix mix = Mix();
    EXPECT_NEAR(mix.Left(), mix.Right(), mix.Left() * 0.02);
    EXPECT_EQ(LogText().find("DXError"), std::string::npos);
}

TEST_F(AudioSystem, PositionThatIsNotANumberIsADXErrorAndNotRemembered) {
    CYSound* s = audio_.GetSound("tone.wav", 1);
    const float nan = std::nanf("");
    EXPECT_EQ(CYAudioSystem::SetSoundPosition3D(s, {nan, 0.0f, 0.0f}, kStill), DSERR_INVALIDPARAM);
    EXPECT_NE(LogText().find("DXError if audio/YAudioSystem.cpp"), std::string::npos);
    EXPECT_EQ(CYAudioSystem::SetSoundPosition3D(s, kRight, kStill), S_OK);
}

// ---- listener

TEST_F(AudioSystem, UpdateListenerMovesAndTurnsTheListener) {
    CYSound* s = audio_.GetSound("tone.wav", 1);
    ASSERT_EQ(CYAudioSystem::SetSoundPosition3D(s, {0.0f, 5.0f, 0.0f}, kStill), S_OK);
    ASSERT_EQ(s->Play(), S_OK);
    // The camera's way: looking along +y with z up, -x is on the listener's right.
    ASSERT_EQ(audio_.UpdateListener({5.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}), S_OK);
    EXPECT_EQ(audio_.ListenerParams().position, math::Vec3(5.0f, 0.0f, 0.0f));
    EXPECT_EQ(audio_.ListenerParams().front, math::Vec3(0.0f, 1.0f, 0.0f));
    EXPECT_EQ(audio_.ListenerParams().top, math::Vec3(0.0f, 0.0f, 1.0f));
    soundtest::Mix mix = Mix();
    EXPECT_GT(mix.Right(), 1.5 * mix.Left());
    ASSERT_EQ(audio_.UpdateListener({-5.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}), S_OK);
    mix = Mix();
    EXPECT_GT(mix.Left(), 1.5 * mix.Right());
}

TEST_F(AudioSystem, BadListenerIsADXError) {
    const float nan = std::nanf("");
    EXPECT_EQ(audio_.UpdateListener({nan, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}), DSERR_INVALIDPARAM);
    EXPECT_NE(LogText().find("DXError if audio/YAudioSystem.cpp"), std::string::npos);
}

// ---- volume, update, quality

TEST_F(AudioSystem, SoundsVolumeReachesEverySound) {
    CYSound* s = audio_.GetSound("tone.wav", 0);
    ASSERT_EQ(s->Play(), S_OK);
    const double full = Mix().Level();
    ASSERT_EQ(audio_.SetSoundsVolume(0.5f), S_OK);
    EXPECT_NEAR(Mix().Level() / full, std::pow(10.0, -875.0 / 2000.0), 0.01);
    EXPECT_EQ(audio_.SoundManager()->Volume(), 0.5f);
}

TEST_F(AudioSystem, UpdateRestartsALoopingClone) {
    WriteTone("short.wav", 1000);
    CYSound* s = audio_.GetSoundClone("short.wav", 1, true);
    ASSERT_EQ(s->Play(), S_OK);
    soundtest::Render(*audio_.Device(), 2000);
    ASSERT_EQ(audio_.Update(), S_OK);
    EXPECT_TRUE(s->IsPlaying());
    EXPECT_GT(soundtest::Render(*audio_.Device(), 500).Level(), 0.01);
}

TEST_F(AudioSystem, SoundQualityAppliesTheSettingsAndRecreatesEverySound) {
    CYSound* s = audio_.GetSound("tone.wav", 0);
    ASSERT_EQ(s->BufferSize(), 2 * kSecond);
    WriteTone("tone.wav", 2 * kSecond);  // the file is read again
    g_settings.bitsPerSample = 8;
    g_settings.frequency = 11025;
    g_settings.soundVolume = 0.5f;
    ASSERT_EQ(audio_.SetSoundQuality(), S_OK);
    EXPECT_EQ(audio_.Device()->OutputFrequency(), 11025u);
    EXPECT_EQ(s->BufferSize(), 4 * kSecond);
    EXPECT_EQ(audio_.SoundManager()->Volume(), 0.5f);
    std::unique_ptr<snd::PrimaryBuffer> primary;
    ASSERT_EQ(audio_.Device()->CreatePrimaryBuffer(snd::kCapsPrimaryBuffer, &primary), S_OK);
    EXPECT_EQ(primary->Format().bitsPerSample, 8);
    EXPECT_EQ(primary->Format().blockAlign, 2);
    ASSERT_EQ(s->Play(), S_OK);
    EXPECT_GT(Mix().Level(), 0.01);
}

TEST_F(AudioSystem, RecreatedSoundIsPlacedAgainAtItsOldPosition) {
    CYSound* s = audio_.GetSound("tone.wav", 1);
    ASSERT_EQ(CYAudioSystem::SetSoundPosition3D(s, kRight, kStill), S_OK);
    ASSERT_EQ(audio_.SetSoundQuality(), S_OK);
    ASSERT_EQ(CYAudioSystem::SetSoundPosition3D(s, kRight, kStill), S_OK);
    ASSERT_EQ(s->Play(), S_OK);
    soundtest::Mix mix = Mix();
    EXPECT_GT(mix.Right(), 2.0 * mix.Left());
}

TEST_F(AudioSystem, ReleaseLetsGoOfEverything) {
    audio_.GetSound("tone.wav", 0)->Play();
    audio_.Release();
    EXPECT_EQ(audio_.Device(), nullptr);
    EXPECT_EQ(audio_.SoundManager(), nullptr);
    EXPECT_NE(LogText().find("Sound Manager: 1 sound(s) found and destroyed"), std::string::npos);
}

// ---- without a device

TEST_F(GameDirTest, WithoutInitEveryOperationIsHarmless) {
    CYAudioSystem audio;
    EXPECT_EQ(audio.GetSound("tone.wav", 1), nullptr);
    EXPECT_EQ(audio.GetSoundClone("tone.wav", 1, true), nullptr);
    EXPECT_EQ(audio.LoadSound("tone.wav", 1, true, true), nullptr);
    EXPECT_EQ(audio.Update(), S_OK);
    EXPECT_EQ(audio.SetSoundsVolume(0.3f), S_OK);
    EXPECT_EQ(audio.SetSoundQuality(), S_OK);
    EXPECT_EQ(audio.UpdateListener(kRight, {0, 0, 1}, {0, 1, 0}), S_OK);
}

TEST_F(GameDirTest, WithNoAudioDeviceTheEngineRunsOn) {
    WriteTone("tone.wav", 1000);
    WriteTone("loop.wav", 1000);
    snd::SetDeviceTarget(snd::DeviceTarget::None);
    CYAudioSystem audio;
    ASSERT_EQ(audio.Init(nullptr), S_OK);
    EXPECT_TRUE(audio.Device()->IsSilent());
    EXPECT_NE(LogText().find("Sound: no output device, sounds are silent\n"), std::string::npos);

    CYSound* plain = audio.GetSound("tone.wav", 0);
    CYSound* looping = audio.GetSoundClone("loop.wav", 1, true);
    ASSERT_NE(plain->Buffer(), nullptr);
    EXPECT_EQ(CYAudioSystem::SetSoundPosition3D(looping, kRight, kStill), S_OK);
    EXPECT_EQ(looping->Play(), S_OK);
    EXPECT_EQ(plain->Play(), S_OK);
    for (int frame = 0; frame < 3; ++frame) EXPECT_EQ(audio.Update(), S_OK);
    EXPECT_FALSE(plain->IsPlaying());
    EXPECT_EQ(audio.UpdateListener(kLeft, {0, 1, 0}, {0, 0, 1}), S_OK);
    EXPECT_EQ(audio.SetSoundsVolume(0.2f), S_OK);
    EXPECT_EQ(audio.SetSoundQuality(), S_OK);
    EXPECT_EQ(plain->Stop(), S_OK);
    EXPECT_EQ(LogText().find("DXError"), std::string::npos);
}

// ---- the program

void RunProgramUntilSoundIsUp(const std::string& driver, const std::string& expected) {
    test::TempDir dir;
    test::WriteFile(dir.Path() + "/data/scripts/main.lua", "while true do Update() end\n");
    test::Program program(dir.Path(), {"ALSOFT_DRIVERS=" + driver});
    ASSERT_TRUE(test::Program::WaitForText(dir.Path() + "/YLog.log", "Sound: ", 30.0));
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(30.0), 0);
    const std::string log = test::ReadFile(dir.Path() + "/YLog.log");
    EXPECT_NE(log.find(expected), std::string::npos);
    EXPECT_NE(log.find("Game Finished"), std::string::npos);
    EXPECT_EQ(log.find("DXError"), std::string::npos);
}

TEST(AudioProgram, OpensTheNullDriverAtStartUp) { RunProgramUntilSoundIsUp("null", "Sound: \""); }

TEST(AudioProgram, RunsOnWithNoDriverAtAll) {
    RunProgramUntilSoundIsUp("no-such-driver", "Sound: no output device, sounds are silent\n");
}

}  // namespace
