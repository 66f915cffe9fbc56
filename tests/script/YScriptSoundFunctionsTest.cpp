// The sound and music functions, run from real scripts against a loopback sound device.
#include <cmath>

#include "../audio/AudioTestUtil.h"
#include "ScriptTestSupport.h"
#include "audio/YAudioSystem.h"
#include "audio/YMusic.h"
#include "render/YComplexObject.h"

namespace {

using namespace scripttest;

// A complex object, which scripts hold through its reference.
struct HeldObject : CYComplexObject {
    HeldObject() : CYComplexObject("speaker") {}
};

class SoundScript : public ScriptFixture {
protected:
    void SetUp() override {
        snd::SetDeviceTarget(snd::DeviceTarget::Loopback);
        audio_ = std::make_unique<CYAudioSystem>();
        ASSERT_EQ(audio_->Init(nullptr), S_OK);
        g_audioSystem = audio_.get();
        g_music1 = new CYMusic(audio_->Device());
        g_music2 = new CYMusic(audio_->Device());
        audiotest::WriteTone("tone.wav");
        test::WriteFile("data/music/theme.wav", wav::Pcm(1, 16, wav::Tone16(audiotest::kSecond, 0.25f)));
    }
    void TearDown() override {
        delete g_music1;
        delete g_music2;
        g_music1 = g_music2 = nullptr;
        g_audioSystem = nullptr;
        audio_.reset();
        g_settings = saved_;
        snd::SetDeviceTarget(snd::DeviceTarget::Default);
    }
    double Level() { return audiotest::Settled(*audio_->Device()).Level(); }
    CYSound* Sound(const std::string& ref) { return ResolveReference<CYSound>(ReferenceOfId(std::stoul(ref.substr(4)))); }

    YSettings saved_ = g_settings;
    std::unique_ptr<CYAudioSystem> audio_;
};

// ---- getting sounds

TEST_F(SoundScript, SharedSoundsAreOneReferenceAndClonesAreNewOnesWithTheFirstEntrysFlags) {
    Lines r = Run("local a, b = GetSoundSimple('tone.wav'), GetSound3D('tone.wav')\n"
                  "local c, l = GetSoundClone3D('tone.wav'), GetSoundClone3Dl('loop.wav')\n"
                  "Record(a, b, c, GetSoundCloneSimple('loop.wav'))\n");
    ASSERT_EQ(r.size(), 1u);
    const std::string line = r[0];
    const std::string a = line.substr(0, line.find('|'));
    EXPECT_EQ(line.rfind(a + "|" + a + "|", 0), 0u) << line;
    ASSERT_NE(Sound(a), nullptr);
    EXPECT_FALSE(Sound(a)->Is3D());
    const std::string c = line.substr(2 * a.size() + 2, line.rfind('|') - 2 * a.size() - 2);
    ASSERT_NE(Sound(c), nullptr);
    EXPECT_NE(Sound(c), Sound(a));
    EXPECT_FALSE(Sound(c)->Is3D());  // the shared plain sound's flags win
    CYSound* loop = Sound(line.substr(line.rfind('|') + 1));
    ASSERT_NE(loop, nullptr);
    EXPECT_TRUE(loop->Is3D() && loop->Loop());
    // Missing files and non-text names give the audio system's silent sound.
    Handler("M", "PlaySoundSimple(GetSoundSimple('none.wav')) GetSound3D(nil) GetSoundClone3D({})\n")->Step(0.0f);
    EXPECT_EQ(Level(), 0.0);
}

// ---- playing, stopping, deleting

TEST_F(SoundScript, PlaySoundSimpleStartsAStoppedSoundAndStopSoundNeedsAnObject) {
    Handler("P", "local s = GetSoundSimple('tone.wav') PlaySoundSimple(s) PlaySoundSimple(s)\n")->Step(0.0f);
    EXPECT_GT(Level(), 0.05);
    Handler("S1", "StopSound(nil, GetSoundSimple('tone.wav'))\n")->Step(0.0f);
    EXPECT_GT(Level(), 0.05);
    Handler("S2", "StopSound(NewThing(), GetSoundSimple('tone.wav'))\n")->Step(0.0f);
    EXPECT_EQ(Level(), 0.0);
    Handler("A", "PlaySoundSimple(GetSoundSimple('tone.wav')) PlaySoundSimple(GetSoundCloneSimple('tone.wav')) StopAllSounds()\n")->Step(0.0f);
    EXPECT_EQ(Level(), 0.0);
}

TEST_F(SoundScript, ResetSoundRewindsAPlayingSound) {
    Handler("P", "PlaySoundSimple(GetSoundSimple('tone.wav'))\n")->Step(0.0f);
    audiotest::Settled(*audio_->Device(), 38000);  // near the end of the one-second tone
    Handler("R", "ResetSound(NewThing(), GetSoundSimple('tone.wav')) ResetSound(nil, nil)\n")->Step(0.0f);
    soundtest::Render(*audio_->Device(), 20000);
    EXPECT_GT(Level(), 0.05);  // still playing past where it would have ended
}

TEST_F(SoundScript, DeleteSoundsStopsEverythingAndHeldReferencesReadAsNull) {
    Lines r = Run("local s = GetSound3D('tone.wav') PlaySoundSimple(GetSoundSimple('tone.wav'))\n"
                  "DeleteSounds()\n"
                  "PlaySoundSimple(s) StopSound(s, s) ResetSound(s, s)\n"
                  "Record(ComparePointers(s, nil), ComparePointers(GetSound3D('tone.wav'), s))\n");
    EXPECT_EQ(r, Lines{"true|false"});
    EXPECT_EQ(audio_->SoundManager()->Entries().size(), 1u);  // loaded again
    EXPECT_EQ(Level(), 0.0);
}

TEST_F(SoundScript, NRPlaySound3DPlacesTheSoundAtTheObjectAndOnlyMovesAPlayingOne) {
    HeldObject speaker;
    ASSERT_TRUE(speaker.SetPosition({3.0f, 0.0f, 0.0f}));
    const std::string ref = std::to_string(speaker.ReferenceId());
    Handler("N", "local s = GetSound3D('tone.wav')\n"
                 "NRPlaySound3D(StringToPointer('" + ref + "'), s)\n"
                 "NRPlaySound3D(nil, s) NRPlaySound3D(s, s)\n")->Step(0.0f);
    soundtest::Mix m = audiotest::Settled(*audio_->Device(), 30000);
    EXPECT_GT(m.Right(), 2 * m.Left());
    ASSERT_TRUE(speaker.SetPosition({-3.0f, 0.0f, 0.0f}));
    Handler("M", "NRPlaySound3D(StringToPointer('" + ref + "'), GetSound3D('tone.wav'))\n")->Step(0.0f);
    m = audiotest::Settled(*audio_->Device(), 4410);
    EXPECT_GT(m.Left(), 2 * m.Right());
    soundtest::Render(*audio_->Device(), 8000);  // the tone ends: not restarted by a move
    EXPECT_EQ(soundtest::Render(*audio_->Device(), 4410).Level(), 0.0);
}

// ---- volumes and quality

TEST_F(SoundScript, VolumesAreKeptInTheSettingsAndHostileOnesReadAsSilence) {
    EXPECT_EQ(Run("SetMusicVolume(0.7) SetMusicVolume2(0.2) SetSoundsVolume(0.25)\n"
                  "Record(GetMusicVolume(), GetSoundVolume())\n"
                  "SetSoundsVolume(0/0) SetMusicVolume('loud') Record(GetSoundVolume(), GetMusicVolume())\n"),
              (Lines{"0.20000000298023|0.25", "0|0"}));
    EXPECT_FLOAT_EQ(g_music1->Level(), 0.0f);
    EXPECT_FLOAT_EQ(g_music2->Level(), 0.2f);
}

TEST_F(SoundScript, SoundQualitySwitchesBitsAndFrequencyAndKeepsTheSounds) {
    EXPECT_EQ(Run("local s = GetSoundSimple('tone.wav')\n"
                  "Record(GetSoundQuality()) SetSoundQuality(false) Record(GetSoundQuality(), ComparePointers(s, GetSoundSimple('tone.wav')))\n"),
              (Lines{"true", "false|true"}));
    EXPECT_EQ(g_settings.bitsPerSample, 8);
    EXPECT_EQ(g_settings.frequency, 11025);
    Run("SetSoundQuality(1)");
    EXPECT_EQ(g_settings.bitsPerSample, 16);
    EXPECT_EQ(g_settings.frequency, 44100);
}

// ---- music

TEST_F(SoundScript, MusicChannelsOpenPlayFadeAndStop) {
    Run("SetMusic('theme.wav') SetMusic2('none.wav', true) PlayMusic2() UpdateMusic2()\n");
    EXPECT_TRUE(g_music1->Opened());
    EXPECT_TRUE(g_music1->Loop());
    EXPECT_FALSE(g_music1->IsPlaying());
    EXPECT_FALSE(g_music2->Opened());
    Handler("P", "SetMusicVolume(1) PlayMusic() UpdateMusic()\n")->Step(0.0f);
    EXPECT_TRUE(g_music1->IsPlaying());
    EXPECT_GT(Level(), 0.05);
    Handler("F", "SetMusicFade(0) SetMusicFade2(0/0)\n")->Step(0.0f);
    EXPECT_EQ(g_music1->Stream()->Volume(), -7000);
    Handler("S", "StopMusic() StopMusic2()\n")->Step(0.0f);
    EXPECT_FALSE(g_music1->IsPlaying());
}

// ---- no audio system

TEST_F(ScriptFixture, WithoutAnAudioSystemEveryFunctionIsHarmless) {
    EXPECT_EQ(Run("local s = GetSound3D('x') Record(s, GetSoundClone3Dl('x'))\n"
                  "PlaySoundSimple(s) StopSound(s, s) DeleteSounds() StopAllSounds() SetSoundsVolume(1) SetSoundQuality(true)\n"
                  "SetMusic('x') PlayMusic() UpdateMusic2() SetMusicFade(0.5) SetMusicVolume2(0.5) StopMusic()\n"),
              Lines{"ref:0|ref:0"});
}

}  // namespace
