// Makes the sample game's sounds from code, mono 16-bit at 44100 Hz: "button.wav" (a short
// click), "explosion.wav" (a burst of noise with a low rumble), and the droids' sounds:
// "shot.wav" (the cannon), "zap.wav" (the arc gun), "flame.wav" (the flamer), "laser.wav"
// (the enemies' guns), "hit.wav" (a shot striking metal), "pickup.wav" (a rising chime),
// "lift.wav" (the lift's hum) and "alert.wav" (an enemy that has seen a droid).
// Usage: make_sounds <directory>
#include "ContentFiles.h"
#include <cmath>
#include <cstdint>
#include <algorithm>
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


// A fixed noise generator: every build makes the same files. Values in -1..1.
struct Noise {
    uint32_t seed;
    float Next() {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
    }
};

// Samples for the duration in seconds from a function of the time.
template <typename Voice>
std::vector<float> Make(float seconds, Voice voice) {
    std::vector<float> out(static_cast<size_t>(kRate * seconds));
    for (size_t i = 0; i < out.size(); ++i) out[i] = voice(static_cast<float>(i) / kRate);
    return out;
}

// The cannon: a sharp crack of noise over a falling thump, 0.35 s.
std::vector<float> Shot() {
    Noise noise{0x1234567u};
    float low = 0.0f;
    return Make(0.35f, [&](float t) {
        low += 0.35f * (noise.Next() - low);
        const float crack = low * std::exp(-t * 30.0f);
        const float thump = std::sin(2 * kPi * (140.0f - 200.0f * t) * t) * std::exp(-t * 12.0f);
        return 0.8f * (crack + 0.7f * thump) * std::fmin(1.0f, t * 3000.0f);
    });
}

// The arc gun: a buzzing saw of changing pitch with crackle, 0.45 s.
std::vector<float> Zap() {
    Noise noise{0x7654321u};
    return Make(0.45f, [&](float t) {
        const float f = 90.0f + 60.0f * std::sin(2 * kPi * 7.0f * t);
        const float saw = 2.0f * std::fmod(f * t, 1.0f) - 1.0f;
        const float crackle = noise.Next() * (noise.Next() > 0.7f ? 1.0f : 0.2f);
        return 0.45f * (saw + 0.5f * crackle) * std::exp(-t * 4.0f) * std::fmin(1.0f, t * 800.0f);
    });
}

// The flamer: a roar of low-passed noise swelling and dying, 0.5 s.
std::vector<float> Flame() {
    Noise noise{0xBADC0DEu};
    float low = 0.0f, lower = 0.0f;
    return Make(0.5f, [&](float t) {
        low += 0.25f * (noise.Next() - low);
        lower += 0.08f * (low - lower);
        return 1.6f * (lower + 0.4f * low) * std::sin(kPi * t / 0.5f);
    });
}

// The enemies' guns: a descending tone, 0.25 s.
std::vector<float> Laser() {
    return Make(0.25f, [](float t) {
        const float f = 1400.0f - 4000.0f * t;
        return 0.4f * std::sin(2 * kPi * f * t) * std::exp(-t * 10.0f) * std::fmin(1.0f, t * 2000.0f);
    });
}

// A shot striking metal: a ringing clank, 0.3 s.
std::vector<float> Hit() {
    Noise noise{0xFEEDu};
    return Make(0.3f, [&](float t) {
        const float ring = std::sin(2 * kPi * 620.0f * t) + 0.6f * std::sin(2 * kPi * 1730.0f * t);
        return 0.5f * (ring * std::exp(-t * 14.0f) + noise.Next() * std::exp(-t * 60.0f));
    });
}

// Something picked up: three rising notes, 0.36 s.
std::vector<float> Pickup() {
    return Make(0.36f, [](float t) {
        const int note = std::min(2, static_cast<int>(t / 0.12f));
        const float f = 660.0f * std::pow(1.26f, static_cast<float>(note));
        const float local = t - 0.12f * static_cast<float>(note);
        return 0.4f * std::sin(2 * kPi * f * t) * std::exp(-local * 18.0f);
    });
}

// The lift: a hum rising in pitch, 1.5 s.
std::vector<float> Lift() {
    return Make(1.5f, [](float t) {
        const float f = 70.0f + 50.0f * t;
        const float hum = std::sin(2 * kPi * f * t) + 0.3f * std::sin(2 * kPi * 2.0f * f * t);
        return 0.45f * hum * std::fmin(1.0f, t * 8.0f) * std::fmin(1.0f, (1.5f - t) * 8.0f);
    });
}

// An enemy has seen a droid: two short beeps, 0.3 s.
std::vector<float> Alert() {
    return Make(0.3f, [](float t) {
        const bool on = t < 0.1f || (t > 0.16f && t < 0.26f);
        return on ? 0.35f * std::sin(2 * kPi * 980.0f * t) : 0.0f;
    });
}

}  // namespace

using content::WriteFile;

int main(int argc, char** argv) {
    std::filesystem::path dir;
    if (int status = content::OutputDirectory(argc, argv, "make_sounds", dir)) return status;
    if (!WriteFile(dir / "button.wav", Wave(Button())) || !WriteFile(dir / "explosion.wav", Wave(Explosion())) ||
        !WriteFile(dir / "shot.wav", Wave(Shot())) || !WriteFile(dir / "zap.wav", Wave(Zap())) ||
        !WriteFile(dir / "flame.wav", Wave(Flame())) || !WriteFile(dir / "laser.wav", Wave(Laser())) ||
        !WriteFile(dir / "hit.wav", Wave(Hit())) || !WriteFile(dir / "pickup.wav", Wave(Pickup())) ||
        !WriteFile(dir / "lift.wav", Wave(Lift())) || !WriteFile(dir / "alert.wav", Wave(Alert()))) {
        std::fprintf(stderr, "make_sounds: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
