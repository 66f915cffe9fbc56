// The media layer over FFmpeg: music and videos decoded from a file's bytes in memory, their
// sound played through the sound layer's device. While sound runs, a thread inside this layer
// keeps its stream fed, so it plays on while the engine sleeps; everything here is called
// from the engine's thread, and video frames are decoded there when asked for. Volumes are
// hundredths of a decibel.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/sound/Sound.h"
#include "platform/system/Result.h"

namespace media {

namespace detail {
class SampleSource;
}

// Pixels of a copied video frame: 32 bits B, G, R, 255 (the X8R8G8B8 layout), or 16 bits
// R5 G6 B5 in a little-endian word (the R5G6B5 layout).
enum class PixelFormat { Bgrx32, Rgb565 };

// FFmpeg's libraries load when the first compressed stream opens, which takes tens of
// milliseconds (and holds the dynamic loader, which any first call into a graphics
// driver's function may need). A caller that need not wait starts the load early, on a
// thread of its own, and opens once CodecsReady says the libraries are in (or found
// missing): opening then no longer waits.
void LoadCodecs();
bool CodecsReady();

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
    // Opens plain PCM samples in the format (tag 1, mono or stereo, 8-bit unsigned or 16-bit
    // signed, 8000..192000 Hz) as music, with no decoder: the samples of a WAV file's data.
    // VFW_E_CANNOT_RENDER for another format or less than one frame; else as Open.
    static HRESULT OpenPcm(snd::Device* device, const snd::WaveFormat& format, std::vector<uint8_t> samples,
                           std::unique_ptr<Music>* out);
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
    friend class Video;
    struct Impl;
    explicit Music(std::unique_ptr<Impl> impl);
    // Opens the sound of bytes that the given containers (FFmpeg's whitelist) may read.
    static HRESULT OpenTrack(snd::Device* device, std::shared_ptr<const std::vector<uint8_t>> bytes,
                             const char* containers, std::unique_ptr<Music>* out);
    // Plays the source through the device (silent without one).
    static HRESULT Start(snd::Device* device, std::unique_ptr<detail::SampleSource> source,
                         std::unique_ptr<Music>* out);
    std::unique_ptr<Impl> impl_;
};

// A video stream: pictures decoded on demand to the frame due at the video's clock, and its
// sound track playing through the device. The clock is the sound track's while it plays;
// without one (no track, no device, a silent device, a track that does not decode) and once
// the track has played out, it is the wall clock. Stopped at its start when opened.
class Video {
public:
    // Opens the bytes of a video file (AVI). Pictures up to 4096 x 4096. Results: S_OK;
    // VFW_E_UNSUPPORTED_STREAM for bytes that are no video container; VFW_E_CANNOT_RENDER
    // when no picture stream decodes.
    static HRESULT Open(snd::Device* device, std::vector<uint8_t> bytes, std::unique_ptr<Video>* out);
    ~Video();
    Video(const Video&) = delete;
    Video& operator=(const Video&) = delete;

    // The size of the first picture.
    uint32_t Width() const;
    uint32_t Height() const;
    // True when the sound track plays through the device and drives the clock.
    bool HasSound() const;

    // Runs the clock and the sound from the current position.
    HRESULT Play();
    // Holds the clock and the sound at the current position.
    HRESULT Stop();
    // Back to the first frame with the clock at 0; a running video plays on from there.
    HRESULT Rewind();
    bool IsRunning() const;
    // Seconds on the video's clock.
    double Position();
    // Decodes up to the frame due at the clock now; true when that frame is another than
    // the one CopyFrame gave before. At most a bounded number of frames are decoded a call,
    // so a video far behind its clock catches up over several calls.
    bool Advance();
    // Writes the current frame scaled to width x height (1..4096 each) in the pixel format,
    // rows pitch bytes apart; at the video's own size it is copied unscaled. VFW_E_WRONG_STATE
    // before the first Advance that gave a frame; E_INVALIDARG for bad sizes or a pitch
    // shorter than a row; E_FAIL when the frame cannot be converted.
    HRESULT CopyFrame(uint8_t* out, uint32_t width, uint32_t height, uint32_t pitch,
                      PixelFormat format = PixelFormat::Bgrx32);
    // True once every frame was due and has had its time, and the sound track played out.
    bool IsFinished();
    // Volume of the sound track -10000..0; other values are refused with E_INVALIDARG.
    HRESULT SetVolume(int32_t hundredthsOfDecibel);
    int32_t Volume() const;

    // Tests: the wall clock reads seconds from this function from now on, continuing from
    // where it stands.
    void SetWallClockForTesting(std::function<double()> seconds);
    // Tests: returns once the sound track's thread has fed its stream again.
    void WaitForFeedForTesting();

private:
    struct Impl;
    explicit Video(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace media
