// Helpers for the sound tests: formats, test tones, buffers filled in one call, and the
// loopback device's mix read back as levels.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/sound/Sound.h"

namespace soundtest {

constexpr uint32_t kRate = snd::kLoopbackFrequency;

inline snd::WaveFormat Format(uint16_t tag, uint16_t channels, uint16_t bits, uint32_t rate = kRate) {
    snd::WaveFormat f;
    f.formatTag = tag;
    f.channels = channels;
    f.bitsPerSample = bits;
    f.samplesPerSec = rate;
    f.blockAlign = static_cast<uint16_t>(channels * bits / 8);
    f.avgBytesPerSec = rate * f.blockAlign;
    return f;
}

inline snd::WaveFormat Pcm16(uint16_t channels = 1) { return Format(snd::kFormatPcm, channels, 16); }

// The extensible form of a PCM (tag 1) or float (tag 3) format.
inline snd::WaveFormat Extensible(uint16_t subTag, uint16_t channels, uint16_t bits) {
    snd::WaveFormat f = Format(snd::kFormatExtensible, channels, bits);
    const uint8_t extra[22] = {static_cast<uint8_t>(bits), 0, 4, 0, 0, 0, static_cast<uint8_t>(subTag), 0, 0, 0,
                               0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    f.extra.assign(extra, extra + sizeof extra);
    return f;
}

// A sine of 441 Hz (100 samples a period at 44100 Hz) in 16-bit samples; per channel
// amplitudes (0..1) for stereo.
inline std::vector<uint8_t> SineS16(uint32_t frames, float left, float right = -1.0f) {
    const int channels = right < 0.0f ? 1 : 2;
    std::vector<uint8_t> out(frames * channels * 2);
    for (uint32_t i = 0; i < frames; ++i) {
        const float s = std::sin(2.0f * 3.14159265f * 441.0f * static_cast<float>(i) / kRate);
        for (int c = 0; c < channels; ++c) {
            const int v = static_cast<int>(std::lround(s * (c == 0 ? left : right) * 32767.0f));
            out[(i * channels + c) * 2] = static_cast<uint8_t>(v & 0xFF);
            out[(i * channels + c) * 2 + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
        }
    }
    return out;
}

// The same tone in 32-bit floats, mono.
inline std::vector<uint8_t> SineF32(uint32_t frames, float amplitude) {
    std::vector<uint8_t> out(frames * 4);
    for (uint32_t i = 0; i < frames; ++i) {
        const float s = amplitude * std::sin(2.0f * 3.14159265f * 441.0f * static_cast<float>(i) / kRate);
        std::memcpy(&out[i * 4], &s, 4);
    }
    return out;
}

// A buffer holding the bytes.
inline std::unique_ptr<snd::Buffer> MakeBuffer(snd::Device& device, uint32_t flags, const snd::WaveFormat& format,
                                               const std::vector<uint8_t>& bytes) {
    snd::BufferDesc desc;
    desc.flags = flags;
    desc.bytes = static_cast<uint32_t>(bytes.size());
    desc.format = &format;
    std::unique_ptr<snd::Buffer> buffer;
    EXPECT_EQ(device.CreateSoundBuffer(desc, &buffer), S_OK);
    if (!buffer) return nullptr;
    void* data = nullptr;
    uint32_t size = 0;
    EXPECT_EQ(buffer->Lock(&data, &size), S_OK);
    EXPECT_EQ(size, bytes.size());
    std::memcpy(data, bytes.data(), size);
    EXPECT_EQ(buffer->Unlock(), S_OK);
    return buffer;
}

// Levels of a stretch of the loopback mix.
struct Mix {
    std::vector<float> samples;  // interleaved left, right

    double Rms(int channel) const {
        double sum = 0.0;
        size_t n = samples.size() / 2;
        for (size_t i = 0; i < n; ++i) sum += samples[2 * i + channel] * samples[2 * i + channel];
        return n ? std::sqrt(sum / n) : 0.0;
    }
    double Left() const { return Rms(0); }
    double Right() const { return Rms(1); }
    double Level() const { return Left() + Right(); }
    float Peak() const {
        float peak = 0.0f;
        for (float s : samples) peak = std::max(peak, std::fabs(s));
        return peak;
    }
};

inline Mix Render(snd::Device& device, uint32_t frames) {
    Mix mix;
    mix.samples.resize(frames * 2);
    EXPECT_EQ(device.RenderSamples(mix.samples.data(), frames), S_OK);
    return mix;
}

// A loopback device for the test's lifetime; the target goes back to the default after.
class LoopbackTest : public ::testing::Test {
protected:
    void SetUp() override {
        snd::SetDeviceTarget(snd::DeviceTarget::Loopback);
        ASSERT_EQ(snd::CreateDevice(&device), S_OK);
        snd::SetDeviceTarget(snd::DeviceTarget::Default);
        ASSERT_FALSE(device->IsSilent());
    }
    // Lets gain changes settle, then measures a stretch.
    Mix Settled(uint32_t frames = 4410) {
        Render(*device, 2205);
        return Render(*device, frames);
    }
    std::unique_ptr<snd::Device> device;
};

}  // namespace soundtest
