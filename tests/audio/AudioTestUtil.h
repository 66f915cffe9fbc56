// Engine sound tests: a temporary game directory, a loopback device, and the mix read back.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "WavBuilder.h"
#include "core/YSettings.h"
#include "platform/sound/SoundTestUtil.h"
#include "support/TestSupport.h"

namespace audiotest {

// One second of tone.
constexpr uint32_t kSecond = 44100;

// A WAV file written under data/sounds.
inline void WriteSound(const std::string& name, const std::string& bytes) {
    test::WriteFile("data/sounds/" + name, bytes);
}

inline void WriteTone(const std::string& name, uint32_t frames = kSecond, float amplitude = 0.25f) {
    WriteSound(name, wav::Pcm(1, 16, wav::Tone16(frames, amplitude)));
}

// A temporary game directory as the working directory, settings put back after.
class GameDirTest : public ::testing::Test {
protected:
    void TearDown() override {
        g_settings = saved_;
        snd::SetDeviceTarget(snd::DeviceTarget::Default);
    }
    std::string LogText() const { return test::ReadFile("YLog.log"); }

    test::TempDir dir_;
    YSettings saved_ = g_settings;
};

// Levels of the next stretch of a loopback device's mix, after gain changes settle.
inline soundtest::Mix Settled(snd::Device& device, uint32_t frames = 4410) {
    soundtest::Render(device, 2205);
    return soundtest::Render(device, frames);
}

}  // namespace audiotest
