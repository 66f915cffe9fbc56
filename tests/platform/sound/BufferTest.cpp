#include <gtest/gtest.h>

#include <cmath>

#include "platform/sound/SoundTestUtil.h"

namespace {

using namespace soundtest;

constexpr uint32_t kPlain = snd::kCapsCtrlVolume;
constexpr uint32_t k3D = snd::kCapsCtrlVolume | snd::kCapsCtrl3D;
constexpr uint32_t kSecond = kRate;

class SoundBuffer : public LoopbackTest {};

// ---- playing and stopping

TEST_F(SoundBuffer, PlayGivesSoundAndStopSilencesIt) {
    auto buffer = MakeBuffer(*device, kPlain, Pcm16(), SineS16(kSecond, 0.25f));
    EXPECT_LT(Render(*device, 1000).Peak(), 1e-6f);

    ASSERT_EQ(buffer->Play(0, 0), S_OK);
    uint32_t status = 0;
    ASSERT_EQ(buffer->GetStatus(&status), S_OK);
    EXPECT_EQ(status, snd::kStatusPlaying);
    EXPECT_GT(Render(*device, 4410).Level(), 0.1);

    ASSERT_EQ(buffer->Stop(), S_OK);
    ASSERT_EQ(buffer->GetStatus(&status), S_OK);
    EXPECT_EQ(status, 0u);
    Render(*device, 1000);
    EXPECT_LT(Render(*device, 4410).Peak(), 1e-6f);
}

TEST_F(SoundBuffer, EndsByItselfAtTheEndOfItsBytes) {
    auto buffer = MakeBuffer(*device, kPlain, Pcm16(), SineS16(1000, 0.25f));
    ASSERT_EQ(buffer->Play(0, 0), S_OK);
    Render(*device, 2000);
    uint32_t status = snd::kStatusPlaying;
    ASSERT_EQ(buffer->GetStatus(&status), S_OK);
    EXPECT_EQ(status, 0u);
    EXPECT_LT(Render(*device, 1000).Peak(), 1e-6f);
}

TEST_F(SoundBuffer, PositionZeroWhilePlayingPlaysOnFromTheStart) {
    // Loud first half, silent second half.
    std::vector<uint8_t> bytes = SineS16(kSecond / 2, 0.25f);
    bytes.resize(kSecond * 2, 0);
    auto buffer = MakeBuffer(*device, kPlain, Pcm16(), bytes);
    ASSERT_EQ(buffer->Play(0, 0), S_OK);
    Render(*device, kSecond * 6 / 10);
    EXPECT_LT(Render(*device, 4410).Peak(), 1e-6f);

    ASSERT_EQ(buffer->SetCurrentPosition(0), S_OK);
    uint32_t status = 0;
    ASSERT_EQ(buffer->GetStatus(&status), S_OK);
    EXPECT_EQ(status, snd::kStatusPlaying);
    EXPECT_GT(Render(*device, 4410).Level(), 0.1);
}

// ---- volume

TEST_F(SoundBuffer, VolumeInHundredthsOfADecibelScalesTheGain) {
    auto loud = MakeBuffer(*device, kPlain, Pcm16(), SineS16(kSecond, 0.25f));
    ASSERT_EQ(loud->Play(0, 0), S_OK);
    const double full = Settled().Level();
    ASSERT_EQ(loud->SetVolume(-875), S_OK);
    const double quieter = Settled().Level();
    EXPECT_NEAR(quieter / full, std::pow(10.0, -875.0 / 2000.0), 0.01);
}

TEST_F(SoundBuffer, VolumeOutsideTheRangeIsRefusedAndTheGainStays) {
    auto buffer = MakeBuffer(*device, kPlain, Pcm16(), SineS16(kSecond, 0.25f));
    ASSERT_EQ(buffer->SetVolume(-2000), S_OK);
    ASSERT_EQ(buffer->Play(0, 0), S_OK);
    const double before = Settled().Level();
    EXPECT_EQ(buffer->SetVolume(1), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->SetVolume(-10001), DSERR_INVALIDPARAM);
    EXPECT_NEAR(Settled().Level(), before, before * 0.01);
    EXPECT_EQ(buffer->SetVolume(-10000), S_OK);
}

// ---- 3D

TEST_F(SoundBuffer, SourceAtPlusXIsLouderOnTheRight) {
    auto buffer = MakeBuffer(*device, k3D, Pcm16(), SineS16(kSecond, 0.25f));
    std::unique_ptr<snd::Buffer3D> b3d;
    ASSERT_EQ(buffer->Query3D(&b3d), S_OK);
    snd::Buffer3DParams p;
    ASSERT_EQ(b3d->GetAllParameters(&p), S_OK);
    p.position = {3.0f, 0.0f, 0.0f};
    ASSERT_EQ(b3d->SetAllParameters(p), S_OK);
    ASSERT_EQ(buffer->Play(0, 0), S_OK);
    Mix mix = Settled();
    EXPECT_GT(mix.Right(), 2.0 * mix.Left());

    p.position = {-3.0f, 0.0f, 0.0f};
    ASSERT_EQ(b3d->SetAllParameters(p), S_OK);
    mix = Settled();
    EXPECT_GT(mix.Left(), 2.0 * mix.Right());
}

TEST_F(SoundBuffer, DistanceTenWithMinimumOneGivesATenthOfTheGain) {
    auto buffer = MakeBuffer(*device, k3D, Pcm16(), SineS16(kSecond, 0.25f));
    std::unique_ptr<snd::Buffer3D> b3d;
    ASSERT_EQ(buffer->Query3D(&b3d), S_OK);
    snd::Buffer3DParams p;
    p.minDistance = 1.0f;
    p.maxDistance = 100.0f;
    p.position = {0.0f, 0.0f, 1.0f};  // straight ahead
    ASSERT_EQ(b3d->SetAllParameters(p), S_OK);
    ASSERT_EQ(buffer->Play(0, 0), S_OK);
    const double near = Settled().Level();
    p.position = {0.0f, 0.0f, 10.0f};
    ASSERT_EQ(b3d->SetAllParameters(p), S_OK);
    Mix far = Settled();
    EXPECT_NEAR(far.Level() / near, 0.1, 0.005);
    EXPECT_NEAR(far.Left(), far.Right(), far.Left() * 0.02);
}

TEST_F(SoundBuffer, BeyondTheMaximumDistanceTheGainStaysAtTheMaximum) {
    auto buffer = MakeBuffer(*device, k3D, Pcm16(), SineS16(kSecond, 0.25f));
    std::unique_ptr<snd::Buffer3D> b3d;
    ASSERT_EQ(buffer->Query3D(&b3d), S_OK);
    snd::Buffer3DParams p;
    p.minDistance = 1.0f;
    p.maxDistance = 4.0f;
    p.position = {0.0f, 0.0f, 1.0f};
    ASSERT_EQ(b3d->SetAllParameters(p), S_OK);
    ASSERT_EQ(buffer->Play(0, 0), S_OK);
    const double near = Settled().Level();
    p.position = {0.0f, 0.0f, 40.0f};
    ASSERT_EQ(b3d->SetAllParameters(p), S_OK);
    EXPECT_NEAR(Settled().Level() / near, 0.25, 0.005);
}

TEST_F(SoundBuffer, StereoDataIsMixedDownForA3DBuffer) {
    // Left channel only: as a plain buffer it is heard on the left, as a 3D buffer ahead
    // of the listener it is heard in the middle.
    const std::vector<uint8_t> bytes = SineS16(kSecond, 0.25f, 0.0f);
    auto plain = MakeBuffer(*device, kPlain, Pcm16(2), bytes);
    ASSERT_EQ(plain->Play(0, 0), S_OK);
    Mix mix = Settled();
    EXPECT_GT(mix.Left(), 10.0 * mix.Right());
    ASSERT_EQ(plain->Stop(), S_OK);

    auto spatial = MakeBuffer(*device, k3D, Pcm16(2), bytes);
    std::unique_ptr<snd::Buffer3D> b3d;
    ASSERT_EQ(spatial->Query3D(&b3d), S_OK);
    snd::Buffer3DParams p;
    p.position = {0.0f, 0.0f, 1.0f};
    ASSERT_EQ(b3d->SetAllParameters(p), S_OK);
    ASSERT_EQ(spatial->Play(0, 0), S_OK);
    mix = Settled();
    EXPECT_GT(mix.Level(), 0.05);
    EXPECT_NEAR(mix.Left(), mix.Right(), mix.Left() * 0.02);
}

TEST_F(SoundBuffer, Bad3DParametersAreRefusedAndNothingChanges) {
    auto buffer = MakeBuffer(*device, k3D, Pcm16(), SineS16(100, 0.25f));
    std::unique_ptr<snd::Buffer3D> b3d;
    ASSERT_EQ(buffer->Query3D(&b3d), S_OK);
    snd::Buffer3DParams p;
    p.position = {1.0f, 2.0f, 3.0f};
    ASSERT_EQ(b3d->SetAllParameters(p), S_OK);
    snd::Buffer3DParams bad = p;
    bad.position.x = std::nanf("");
    EXPECT_EQ(b3d->SetAllParameters(bad), DSERR_INVALIDPARAM);
    bad = p;
    bad.minDistance = 0.0f;
    EXPECT_EQ(b3d->SetAllParameters(bad), DSERR_INVALIDPARAM);
    bad = p;
    bad.mode = 1;
    EXPECT_EQ(b3d->SetAllParameters(bad), DSERR_INVALIDPARAM);
    snd::Buffer3DParams now;
    ASSERT_EQ(b3d->GetAllParameters(&now), S_OK);
    EXPECT_EQ(now.position, p.position);
    EXPECT_EQ(now.minDistance, 1.0f);
}

// ---- formats

TEST_F(SoundBuffer, FloatAndExtensibleDataPlayAtTheLevelOf16Bit) {
    auto reference = MakeBuffer(*device, kPlain, Pcm16(), SineS16(kSecond, 0.25f));
    ASSERT_EQ(reference->Play(0, 0), S_OK);
    const double level = Settled().Level();
    ASSERT_EQ(reference->Stop(), S_OK);

    auto floats = MakeBuffer(*device, kPlain, Format(snd::kFormatFloat, 1, 32), SineF32(kSecond, 0.25f));
    ASSERT_EQ(floats->Play(0, 0), S_OK);
    EXPECT_NEAR(Settled().Level(), level, level * 0.01);
    ASSERT_EQ(floats->Stop(), S_OK);

    auto extensible = MakeBuffer(*device, kPlain, Extensible(snd::kFormatPcm, 1, 16), SineS16(kSecond, 0.25f));
    ASSERT_EQ(extensible->Play(0, 0), S_OK);
    EXPECT_NEAR(Settled().Level(), level, level * 0.01);
}

TEST_F(SoundBuffer, UnplayableFormatsAndSizesAreRefused) {
    std::unique_ptr<snd::Buffer> buffer;
    snd::BufferDesc desc;
    desc.flags = kPlain;
    desc.bytes = 1000;
    snd::WaveFormat f = Format(snd::kFormatPcm, 1, 24);
    desc.format = &f;
    EXPECT_EQ(device->CreateSoundBuffer(desc, &buffer), DSERR_BADFORMAT);
    f = Format(snd::kFormatPcm, 3, 16);
    EXPECT_EQ(device->CreateSoundBuffer(desc, &buffer), DSERR_BADFORMAT);
    f = Format(2, 1, 16);  // a compressed format
    EXPECT_EQ(device->CreateSoundBuffer(desc, &buffer), DSERR_BADFORMAT);
    f = Pcm16();
    f.blockAlign = 4;
    EXPECT_EQ(device->CreateSoundBuffer(desc, &buffer), DSERR_BADFORMAT);
    f = Pcm16();
    desc.bytes = 2;
    EXPECT_EQ(device->CreateSoundBuffer(desc, &buffer), DSERR_INVALIDPARAM);
    desc.bytes = snd::kBufferBytesMax + 1;
    EXPECT_EQ(device->CreateSoundBuffer(desc, &buffer), DSERR_INVALIDPARAM);
    desc.bytes = 1000;
    desc.format = nullptr;
    EXPECT_EQ(device->CreateSoundBuffer(desc, &buffer), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer, nullptr);
}

TEST_F(SoundBuffer, LockHandsOutTheCurrentBytes) {
    const std::vector<uint8_t> bytes = SineS16(50, 0.25f);
    auto buffer = MakeBuffer(*device, kPlain, Pcm16(), bytes);
    void* data = nullptr;
    uint32_t size = 0;
    ASSERT_EQ(buffer->Lock(&data, &size), S_OK);
    EXPECT_EQ(std::vector<uint8_t>(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size), bytes);
    EXPECT_EQ(buffer->Lock(&data, &size), DSERR_INVALIDCALL);
    ASSERT_EQ(buffer->Unlock(), S_OK);
    EXPECT_EQ(buffer->Unlock(), DSERR_INVALIDCALL);
}

// ---- losing and sharing

TEST_F(SoundBuffer, LostBufferIsRefusedUntilRestoredAndRefilled) {
    auto buffer = MakeBuffer(*device, kPlain, Pcm16(), SineS16(kSecond, 0.25f));
    buffer->LoseForTesting();
    uint32_t status = 0;
    ASSERT_EQ(buffer->GetStatus(&status), S_OK);
    EXPECT_EQ(status, snd::kStatusBufferLost);
    EXPECT_EQ(buffer->Play(0, 0), DSERR_BUFFERLOST);
    void* data = nullptr;
    uint32_t size = 0;
    EXPECT_EQ(buffer->Lock(&data, &size), DSERR_BUFFERLOST);

    ASSERT_EQ(buffer->Restore(), S_OK);
    ASSERT_EQ(buffer->GetStatus(&status), S_OK);
    EXPECT_EQ(status, 0u);
    ASSERT_EQ(buffer->Lock(&data, &size), S_OK);
    EXPECT_EQ(static_cast<uint8_t*>(data)[2], 0);  // the bytes went with the loss
    const std::vector<uint8_t> bytes = SineS16(kSecond, 0.25f);
    std::memcpy(data, bytes.data(), size);
    ASSERT_EQ(buffer->Unlock(), S_OK);
    ASSERT_EQ(buffer->Play(0, 0), S_OK);
    EXPECT_GT(Render(*device, 4410).Level(), 0.1);
}

TEST_F(SoundBuffer, BuffersOfEqualBytesPlayTogetherAndApart) {
    const std::vector<uint8_t> bytes = SineS16(kSecond, 0.25f);
    auto a = MakeBuffer(*device, kPlain, Pcm16(), bytes);
    auto b = MakeBuffer(*device, kPlain, Pcm16(), bytes);
    ASSERT_EQ(a->Play(0, 0), S_OK);
    const double one = Settled().Level();
    ASSERT_EQ(b->Play(0, 0), S_OK);
    ASSERT_EQ(a->SetCurrentPosition(0), S_OK);
    ASSERT_EQ(b->SetCurrentPosition(0), S_OK);
    EXPECT_NEAR(Settled().Level(), 2.0 * one, one * 0.02);
    a.reset();  // the shared data outlives one of its holders
    EXPECT_NEAR(Settled().Level(), one, one * 0.02);
}

TEST_F(SoundBuffer, MoreBuffersThanSourcesPlayOneAfterAnother) {
    // Every widget keeps a click sound of its own; only those playing need a source.
    const std::vector<uint8_t> bytes = SineS16(200, 0.25f);
    std::vector<std::unique_ptr<snd::Buffer>> buffers;
    for (int i = 0; i < 600; ++i) buffers.push_back(MakeBuffer(*device, kPlain, Pcm16(), bytes));
    for (auto& buffer : buffers) {
        ASSERT_EQ(buffer->Play(0, 0), S_OK);
        ASSERT_GT(Render(*device, 100).Level(), 0.0);
        Render(*device, 200);
    }
}

}  // namespace
