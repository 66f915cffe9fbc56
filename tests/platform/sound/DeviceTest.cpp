#include <gtest/gtest.h>

#include <cmath>

#include "platform/sound/SoundTestUtil.h"

namespace {

using namespace soundtest;

constexpr uint32_t k3D = snd::kCapsCtrlVolume | snd::kCapsCtrl3D;

class SoundDevice : public LoopbackTest {
protected:
    std::unique_ptr<snd::Listener> OpenListener() {
        std::unique_ptr<snd::PrimaryBuffer> primary;
        EXPECT_EQ(device->CreatePrimaryBuffer(snd::kCapsPrimaryBuffer | snd::kCapsCtrl3D, &primary), S_OK);
        std::unique_ptr<snd::Listener> listener;
        EXPECT_EQ(primary->QueryListener(&listener), S_OK);
        return listener;
    }
    // A 3D tone at the position, playing.
    std::unique_ptr<snd::Buffer> ToneAt(const math::Vec3& position) {
        auto buffer = MakeBuffer(*device, k3D, Pcm16(), SineS16(kRate, 0.25f));
        std::unique_ptr<snd::Buffer3D> b3d;
        EXPECT_EQ(buffer->Query3D(&b3d), S_OK);
        snd::Buffer3DParams p;
        p.position = position;
        p.maxDistance = 100.0f;
        EXPECT_EQ(b3d->SetAllParameters(p), S_OK);
        EXPECT_EQ(buffer->Play(0, 0), S_OK);
        return buffer;
    }
};

// ---- primary buffer

TEST_F(SoundDevice, PrimaryFormatSetsTheOutputFrequency) {
    std::unique_ptr<snd::PrimaryBuffer> primary;
    ASSERT_EQ(device->CreatePrimaryBuffer(snd::kCapsPrimaryBuffer, &primary), S_OK);
    EXPECT_EQ(device->OutputFrequency(), 44100u);
    snd::WaveFormat f = Format(snd::kFormatPcm, 2, 8, 22050);
    ASSERT_EQ(primary->SetFormat(f), S_OK);
    EXPECT_EQ(device->OutputFrequency(), 22050u);
    EXPECT_EQ(primary->Format().bitsPerSample, 8);
    EXPECT_EQ(primary->Format().channels, 2);
}

TEST_F(SoundDevice, SoundsPlayOnAfterTheOutputFrequencyChanges) {
    auto buffer = MakeBuffer(*device, snd::kCapsCtrlVolume, Pcm16(), SineS16(kRate, 0.25f));
    ASSERT_EQ(buffer->Play(0, 0), S_OK);
    std::unique_ptr<snd::PrimaryBuffer> primary;
    ASSERT_EQ(device->CreatePrimaryBuffer(snd::kCapsPrimaryBuffer, &primary), S_OK);
    ASSERT_EQ(primary->SetFormat(Format(snd::kFormatPcm, 2, 16, 11025)), S_OK);
    EXPECT_GT(Render(*device, 2000).Level(), 0.1);
}

TEST_F(SoundDevice, PrimaryFormatThatIsNotPlainPcmIsRefused) {
    std::unique_ptr<snd::PrimaryBuffer> primary;
    ASSERT_EQ(device->CreatePrimaryBuffer(snd::kCapsPrimaryBuffer, &primary), S_OK);
    snd::WaveFormat f = Format(snd::kFormatPcm, 2, 16, 44100);
    f.avgBytesPerSec = 1;
    EXPECT_EQ(primary->SetFormat(f), DSERR_BADFORMAT);
    EXPECT_EQ(primary->SetFormat(Format(snd::kFormatPcm, 0, 16, 44100)), DSERR_BADFORMAT);
    EXPECT_EQ(primary->SetFormat(Format(snd::kFormatPcm, 2, 12, 44100)), DSERR_BADFORMAT);
    EXPECT_EQ(primary->SetFormat(Format(snd::kFormatFloat, 2, 32, 44100)), DSERR_BADFORMAT);
    EXPECT_EQ(device->OutputFrequency(), 44100u);
}

// ---- listener

TEST_F(SoundDevice, TurnedListenerHearsLeftHandedRight) {
    // Looking along +x with y up, a left-handed listener has -z on its right.
    auto listener = OpenListener();
    snd::ListenerParams p;
    ASSERT_EQ(listener->GetAllParameters(&p), S_OK);
    p.front = {1.0f, 0.0f, 0.0f};
    ASSERT_EQ(listener->SetAllParameters(p), S_OK);
    auto tone = ToneAt({0.0f, 0.0f, -3.0f});
    Mix mix = Settled();
    EXPECT_GT(mix.Right(), 2.0 * mix.Left());
}

TEST_F(SoundDevice, MovingTheListenerMovesWhatItHears) {
    auto tone = ToneAt({0.0f, 0.0f, 10.0f});
    const double far = Settled().Level();
    auto listener = OpenListener();
    snd::ListenerParams p;
    ASSERT_EQ(listener->GetAllParameters(&p), S_OK);
    p.position = {0.0f, 0.0f, 9.0f};
    ASSERT_EQ(listener->SetAllParameters(p), S_OK);
    EXPECT_NEAR(far / Settled().Level(), 0.1, 0.005);
}

TEST_F(SoundDevice, RolloffFactorZeroTurnsDistanceOff) {
    auto tone = ToneAt({0.0f, 0.0f, 1.0f});
    const double near = Settled().Level();
    auto listener = OpenListener();
    snd::ListenerParams p;
    ASSERT_EQ(listener->GetAllParameters(&p), S_OK);
    p.rolloffFactor = 0.0f;
    ASSERT_EQ(listener->SetAllParameters(p), S_OK);
    auto far = ToneAt({0.0f, 0.0f, 50.0f});
    ASSERT_EQ(tone->Stop(), S_OK);
    EXPECT_NEAR(Settled().Level(), near, near * 0.01);
}

TEST_F(SoundDevice, BadListenerParametersAreRefusedAndNothingChanges) {
    auto listener = OpenListener();
    snd::ListenerParams p;
    ASSERT_EQ(listener->GetAllParameters(&p), S_OK);
    snd::ListenerParams bad = p;
    bad.distanceFactor = 0.0f;
    EXPECT_EQ(listener->SetAllParameters(bad), DSERR_INVALIDPARAM);
    bad = p;
    bad.rolloffFactor = 11.0f;
    EXPECT_EQ(listener->SetAllParameters(bad), DSERR_INVALIDPARAM);
    bad = p;
    bad.dopplerFactor = -1.0f;
    EXPECT_EQ(listener->SetAllParameters(bad), DSERR_INVALIDPARAM);
    bad = p;
    bad.front.y = std::nanf("");
    EXPECT_EQ(listener->SetAllParameters(bad), DSERR_INVALIDPARAM);
    snd::ListenerParams now;
    ASSERT_EQ(listener->GetAllParameters(&now), S_OK);
    EXPECT_EQ(now.front, p.front);
    EXPECT_EQ(now.rolloffFactor, 1.0f);
}

// ---- without an output

TEST(SoundDeviceOutput, DefaultTargetOpensTheConfiguredDriver) {
    // The tests run with ALSOFT_DRIVERS=null: a real device that mixes into nothing.
    std::unique_ptr<snd::Device> device;
    ASSERT_EQ(snd::CreateDevice(&device), S_OK);
    EXPECT_FALSE(device->IsSilent());
    EXPECT_GT(device->OutputFrequency(), 0u);
    auto buffer = MakeBuffer(*device, snd::kCapsCtrlVolume, Pcm16(), SineS16(1000, 0.25f));
    EXPECT_EQ(buffer->Play(0, 0), S_OK);
}

TEST(SoundDeviceOutput, DeviceOpenedAheadServesTheNextCreateOnItsTargetOnly) {
    snd::OpenDeviceAhead();
    std::unique_ptr<snd::Device> first, second;
    ASSERT_EQ(snd::CreateDevice(&first), S_OK);
    EXPECT_FALSE(first->IsSilent());
    ASSERT_EQ(snd::CreateDevice(&second), S_OK);
    EXPECT_FALSE(second->IsSilent()) << "later devices open as before";
    auto buffer = MakeBuffer(*second, snd::kCapsCtrlVolume, Pcm16(), SineS16(1000, 0.25f));
    EXPECT_EQ(buffer->Play(0, 0), S_OK);

    // A target changed after the early open is the one the device gets.
    snd::OpenDeviceAhead();
    snd::SetDeviceTarget(snd::DeviceTarget::None);
    std::unique_ptr<snd::Device> silent;
    ASSERT_EQ(snd::CreateDevice(&silent), S_OK);
    snd::SetDeviceTarget(snd::DeviceTarget::Default);
    EXPECT_TRUE(silent->IsSilent());
}

TEST(SilentSoundDevice, EveryCallSucceedsAndNothingPlays) {
    snd::SetDeviceTarget(snd::DeviceTarget::None);
    std::unique_ptr<snd::Device> device;
    ASSERT_EQ(snd::CreateDevice(&device), S_OK);
    snd::SetDeviceTarget(snd::DeviceTarget::Default);
    EXPECT_TRUE(device->IsSilent());
    EXPECT_EQ(device->Name(), "");
    EXPECT_EQ(device->OutputFrequency(), 0u);

    std::unique_ptr<snd::PrimaryBuffer> primary;
    ASSERT_EQ(device->CreatePrimaryBuffer(snd::kCapsPrimaryBuffer | snd::kCapsCtrl3D, &primary), S_OK);
    EXPECT_EQ(primary->SetFormat(Format(snd::kFormatPcm, 2, 16, 44100)), S_OK);
    std::unique_ptr<snd::Listener> listener;
    ASSERT_EQ(primary->QueryListener(&listener), S_OK);
    snd::ListenerParams lp;
    lp.position = {1.0f, 2.0f, 3.0f};
    EXPECT_EQ(listener->SetAllParameters(lp), S_OK);

    auto buffer = MakeBuffer(*device, k3D, Pcm16(), SineS16(1000, 0.25f));
    ASSERT_NE(buffer, nullptr);
    std::unique_ptr<snd::Buffer3D> b3d;
    ASSERT_EQ(buffer->Query3D(&b3d), S_OK);
    EXPECT_EQ(b3d->SetAllParameters(snd::Buffer3DParams{}), S_OK);
    EXPECT_EQ(buffer->SetVolume(-875), S_OK);
    EXPECT_EQ(buffer->Play(0, 0), S_OK);
    uint32_t status = snd::kStatusPlaying;
    EXPECT_EQ(buffer->GetStatus(&status), S_OK);
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(buffer->SetCurrentPosition(0), S_OK);
    EXPECT_EQ(buffer->Stop(), S_OK);
    float samples[4];
    EXPECT_EQ(device->RenderSamples(samples, 2), DSERR_INVALIDCALL);
}

TEST(SoundDeviceLifetime, BuffersOutliveTheirDevice) {
    snd::SetDeviceTarget(snd::DeviceTarget::Loopback);
    std::unique_ptr<snd::Device> device;
    ASSERT_EQ(snd::CreateDevice(&device), S_OK);
    snd::SetDeviceTarget(snd::DeviceTarget::Default);
    auto buffer = MakeBuffer(*device, k3D, Pcm16(), SineS16(1000, 0.25f));
    ASSERT_EQ(buffer->Play(0, 0), S_OK);
    device.reset();
    uint32_t status = 0;
    EXPECT_EQ(buffer->GetStatus(&status), S_OK);
    EXPECT_EQ(buffer->Stop(), S_OK);
}

}  // namespace
