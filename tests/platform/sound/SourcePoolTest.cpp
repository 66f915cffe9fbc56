// Buffers and streams share the device's sources: streams always get one, buffers whose
// source was taken play again as they were set.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/sound/SoundTestUtil.h"

namespace {

using namespace soundtest;

constexpr uint32_t kPlain = snd::kCapsCtrlVolume;
constexpr uint32_t k3D = snd::kCapsCtrlVolume | snd::kCapsCtrl3D;
// More buffers than the device has sources.
constexpr int kManyBuffers = 300;

class SourcePool : public LoopbackTest {
protected:
    // A stream playing a second of tone.
    std::unique_ptr<snd::Stream> PlayingStream() {
        std::unique_ptr<snd::Stream> stream;
        EXPECT_EQ(device->CreateStream(1, kRate, &stream), S_OK);
        if (stream) Feed(*stream);
        return stream;
    }
    void Feed(snd::Stream& stream) {
        const std::vector<uint8_t> bytes = SineS16(kRate, 0.25f);
        std::vector<int16_t> block(kRate);
        std::memcpy(block.data(), bytes.data(), bytes.size());
        EXPECT_EQ(stream.Queue(block.data(), kRate), S_OK);
        EXPECT_EQ(stream.Play(), S_OK);
    }
    // Plays many short buffers one after another, each to its end.
    void PlayManyShortBuffers() {
        const std::vector<uint8_t> bytes = SineS16(100, 0.25f);
        for (int i = 0; i < kManyBuffers; ++i) {
            shortBuffers.push_back(MakeBuffer(*device, kPlain, Pcm16(), bytes));
            ASSERT_EQ(shortBuffers.back()->Play(0, 0), S_OK);
            Render(*device, 200);
        }
    }
    std::vector<std::unique_ptr<snd::Buffer>> shortBuffers;
};

TEST_F(SourcePool, StreamsGetASourceWhileEveryBufferPlays) {
    std::vector<std::unique_ptr<snd::Buffer>> buffers;
    int refused = 0;
    for (int i = 0; i < kManyBuffers; ++i) {
        buffers.push_back(MakeBuffer(*device, kPlain, Pcm16(), SineS16(kRate, 0.25f)));
        ASSERT_EQ(buffers.back()->SetVolume(snd::kVolumeMin), S_OK);
        const HRESULT hr = buffers.back()->Play(0, 0);
        ASSERT_TRUE(hr == S_OK || hr == DSERR_ALLOCATED) << hr;
        refused += hr == DSERR_ALLOCATED;
    }
    ASSERT_GT(refused, 0) << "every source plays";
    auto music = PlayingStream();
    auto video = PlayingStream();
    ASSERT_NE(music, nullptr);
    ASSERT_NE(video, nullptr);
    EXPECT_GT(Render(*device, 4410).Level(), 0.2);
}

TEST_F(SourcePool, ABufferWhoseSourceWasTakenPlaysOnAsItWasSet) {
    // Half a second of tone, then half a second of silence; heard at half gain on the right.
    std::vector<uint8_t> bytes = SineS16(kRate / 2, 0.25f);
    bytes.resize(kRate * 2, 0);
    auto buffer = MakeBuffer(*device, k3D, Pcm16(), bytes);
    std::unique_ptr<snd::Buffer3D> b3d;
    ASSERT_EQ(buffer->Query3D(&b3d), S_OK);
    snd::Buffer3DParams p;
    ASSERT_EQ(b3d->GetAllParameters(&p), S_OK);
    p.position = {3.0f, 0.0f, 0.0f};
    ASSERT_EQ(b3d->SetAllParameters(p), S_OK);
    ASSERT_EQ(buffer->SetVolume(-600), S_OK);
    ASSERT_EQ(buffer->Play(0, 0), S_OK);
    const Mix before = Render(*device, 4000);
    Render(*device, kRate * 4 / 10 - 4000);
    ASSERT_EQ(buffer->Stop(), S_OK);  // held four tenths in

    PlayManyShortBuffers();
    ASSERT_EQ(buffer->Play(0, 0), S_OK);
    Render(*device, 2205);  // starting past the beginning fades in
    const Mix after = Render(*device, 2000);
    EXPECT_NEAR(after.Level(), before.Level(), before.Level() * 0.05);
    EXPECT_GT(after.Right(), 2.0 * after.Left());
    Render(*device, 1000);
    EXPECT_LT(Render(*device, 4410).Peak(), 1e-6f) << "it went on from where it was held";
}

}  // namespace
