// Makes the sample game's sounds from code: "button.wav" (a short click) and
// "explosion.wav" (a burst of noise with a low rumble), mono 16-bit at 44100 Hz.
// Usage: make_sounds <directory>
#include "ContentFiles.h"
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr uint32_t kRate = 44100;
constexpr float kPi = 3.14159265f;

// A RIFF/WAVE file of mono 16-bit PCM; samples are clipped to -1..1.
std::string Wave(const std::vector<float>& samples) { return content::Wave16(samples, 1, kRate); }

// A click: two decaying tones over 60 ms.
std::vector<float> Button() {
    std::vector<float> out(kRate * 60 / 1000);
    for (size_t i = 0; i < out.size(); ++i) {
        const float t = static_cast<float>(i) / kRate;
        const float envelope = std::exp(-t * 90.0f) * std::fmin(1.0f, t * 2000.0f);
        out[i] = 0.6f * envelope * (std::sin(2 * kPi * 1200.0f * t) + 0.4f * std::sin(2 * kPi * 2750.0f * t));
    }
    return out;
}

// An explosion: low-passed noise and a falling rumble over 1.5 s. The noise comes from
// a fixed generator, so every build makes the same file.
std::vector<float> Explosion() {
    std::vector<float> out(kRate * 3 / 2);
    uint32_t seed = 0x2545F491u;
    float low = 0.0f, lower = 0.0f;
    for (size_t i = 0; i < out.size(); ++i) {
        const float t = static_cast<float>(i) / kRate;
        seed = seed * 1664525u + 1013904223u;
        const float noise = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
        low += 0.18f * (noise - low);
        lower += 0.05f * (low - lower);
        const float envelope = std::exp(-t * 2.8f) * std::fmin(1.0f, t * 400.0f);
        const float rumble = std::sin(2 * kPi * (55.0f - 20.0f * t) * t);
        out[i] = 0.75f * envelope * (1.6f * lower + 0.9f * low + 0.35f * rumble);
    }
    return out;
}

}  // namespace

using content::WriteFile;

int main(int argc, char** argv) {
    std::filesystem::path dir;
    if (int status = content::OutputDirectory(argc, argv, "make_sounds", dir)) return status;
    if (!WriteFile(dir / "button.wav", Wave(Button())) || !WriteFile(dir / "explosion.wav", Wave(Explosion()))) {
        std::fprintf(stderr, "make_sounds: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
