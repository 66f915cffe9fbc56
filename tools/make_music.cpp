// Makes the sample game's music from code: "theme.wav", an eight-second tune of four bars
// (a plucked lead over a soft bass) that loops without a seam, stereo 16-bit at 22050 Hz.
// Usage: make_music <directory>
#include "ContentFiles.h"
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr uint32_t kRate = 22050;
constexpr float kPi = 3.14159265f;
constexpr uint32_t kEighth = kRate / 4;  // 120 beats a minute
constexpr int kBars = 4;

// A RIFF/WAVE file of stereo 16-bit PCM; samples are clipped to -1..1.
std::string Wave(const std::vector<float>& left, const std::vector<float>& right) {
    std::vector<float> interleaved;
    interleaved.reserve(left.size() * 2);
    for (size_t i = 0; i < left.size(); ++i) {
        interleaved.push_back(left[i]);
        interleaved.push_back(right[i]);
    }
    return content::Wave16(interleaved, 2, kRate);
}

float Frequency(int semitonesFromA4) { return 440.0f * std::pow(2.0f, static_cast<float>(semitonesFromA4) / 12.0f); }

// Adds a note: a tone with a short attack and an exponential decay, ending silent within
// its length, weighted into the two channels.
void AddNote(std::vector<float>& left, std::vector<float>& right, uint32_t start, uint32_t length, float frequency,
             float amplitude, float decay, float pan) {
    for (uint32_t i = 0; i < length && start + i < left.size(); ++i) {
        const float t = static_cast<float>(i) / kRate;
        const float fade = 1.0f - static_cast<float>(i) / length;
        const float envelope = std::fmin(1.0f, t * 200.0f) * std::exp(-t * decay) * fade;
        const float phase = 2 * kPi * frequency * t;
        const float x = amplitude * envelope * (std::sin(phase) + 0.3f * std::sin(2 * phase) + 0.1f * std::sin(3 * phase));
        left[start + i] += x * (1.0f - pan);
        right[start + i] += x * pan;
    }
}

void Tune(std::vector<float>& left, std::vector<float>& right) {
    // Lead in semitones from A4, eight eighths a bar; 99 is a rest.
    const int lead[kBars][8] = {{0, 3, 7, 3, 10, 7, 3, 99},
                                {-4, 0, 3, 0, 7, 3, 0, 99},
                                {-9, -5, -2, 3, 2, -2, -5, 99},
                                {-2, 2, 5, 2, 7, 5, 2, -2}};
    // One bass note a bar: A, F, C, G.
    const int bass[kBars] = {-24, -28, -21, -26};
    for (int bar = 0; bar < kBars; ++bar) {
        const uint32_t barStart = bar * 8 * kEighth;
        for (int half = 0; half < 2; ++half)
            AddNote(left, right, barStart + half * 4 * kEighth, 4 * kEighth, Frequency(bass[bar]), 0.30f, 1.5f, 0.5f);
        for (int n = 0; n < 8; ++n) {
            if (lead[bar][n] == 99) continue;
            AddNote(left, right, barStart + n * kEighth, kEighth, Frequency(lead[bar][n]), 0.22f, 6.0f, 0.35f);
        }
    }
}

}  // namespace

using content::WriteFile;

int main(int argc, char** argv) {
    std::filesystem::path dir;
    if (int status = content::OutputDirectory(argc, argv, "make_music", dir)) return status;
    std::vector<float> left(kBars * 8 * kEighth), right(kBars * 8 * kEighth);
    Tune(left, right);
    if (!WriteFile(dir / "theme.wav", Wave(left, right))) {
        std::fprintf(stderr, "make_music: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
