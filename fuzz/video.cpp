// Video files on arbitrary bytes: the sound track decoded for a bounded stretch; the
// pictures opened, decoded and scaled on a clock the fuzzer cannot run away with for a
// bounded number of frames, then rewound and decoded from the start again. No sound device
// is needed.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/media/AudioDecoder.h"
#include "platform/media/Media.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The sound track, as the video's music stream reads it.
    media::detail::AudioDecoder sound;
    if (SUCCEEDED(sound.Open(std::make_shared<const std::vector<uint8_t>>(data, data + size),
                             media::detail::kVideoContainers))) {
        std::vector<int16_t> samples(4096 * 2);
        for (int i = 0; i < 16 && sound.Read(samples.data(), 4096) == 4096; ++i) {
        }
    }

    std::unique_ptr<media::Video> video;
    if (FAILED(media::Video::Open(nullptr, std::vector<uint8_t>(data, data + size), &video))) {
        if (video) __builtin_trap();
        return 0;
    }
    if (video->Width() < 1 || video->Width() > 4096 || video->Height() < 1 || video->Height() > 4096) __builtin_trap();
    double seconds = 0.0;
    video->SetWallClockForTesting([&] { return seconds; });
    video->Play();
    constexpr uint32_t kSide = 16;
    std::vector<uint8_t> pixels(kSide * kSide * 4);
    for (int step = 0; step < 32 && !video->IsFinished(); ++step, seconds += 0.25) {
        if (!video->Advance()) continue;
        const HRESULT hr = video->CopyFrame(pixels.data(), kSide, kSide, kSide * 4);
        if (hr != S_OK && hr != E_FAIL) __builtin_trap();
    }
    if (FAILED(video->Rewind())) return 0;
    if (video->Position() != 0.0) __builtin_trap();
    video->Advance();
    return 0;
}
