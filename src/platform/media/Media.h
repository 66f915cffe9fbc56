// The media layer over FFmpeg: music decoded from a file's bytes in memory and played
// through the sound layer's device. While music runs, a thread inside this layer keeps its
// stream fed, so it plays on while the engine sleeps; everything here is called from the
// engine's thread. Volumes are hundredths of a decibel.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/system/Result.h"

namespace snd {
class Device;
}

namespace media {

// A music stream: stopped at its start when opened; Play runs it, the end of the music is
// reported by IsFinished, and it stays running until Stop or Pause.
class Music {
public:
    // Opens the bytes of a music file (WAV, MP3, Ogg Vorbis or Opus, FLAC, AAC/M4A, WMA,
    // AIFF, Matroska audio). The music plays through the device; without one, or with a
    // silent one, it runs without a sound and never finishes. Results: S_OK;
    // VFW_E_UNSUPPORTED_STREAM for bytes that are no known container; VFW_E_CANNOT_RENDER
    // when no audio stream decodes; a sound-layer code when no stream can be made.
    static HRESULT Open(snd::Device* device, std::vector<uint8_t> bytes, std::unique_ptr<Music>* out);
    ~Music();
    Music(const Music&) = delete;
    Music& operator=(const Music&) = delete;

    // Runs from the current position.
    HRESULT Play();
    // Holds at the current position.
    HRESULT Pause();
    // Stops at the current position (Rewind goes back to the start).
    HRESULT Stop();
    // Back to the start; running music plays on from there.
    HRESULT Rewind();
    // True from Play until Pause or Stop, also after the end was reached.
    bool IsRunning() const;
    // True once the music was played to its end, until Rewind.
    bool IsFinished() const;
    // Seconds played from the start.
    double Position() const;
    // Seconds the file declares; 0 when it declares none.
    double Duration() const;
    // Volume -10000..0; other values are refused with E_INVALIDARG and the volume stays.
    HRESULT SetVolume(int32_t hundredthsOfDecibel);
    // The volume last set; 0 at first.
    int32_t Volume() const;
    // Tests: returns once the streaming thread has fed the stream again (at once when the
    // music does not run or has no thread).
    void WaitForFeedForTesting();

private:
    struct Impl;
    explicit Music(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace media
