// The sound layer over OpenAL Soft: a device with a primary format and a 3D listener,
// sound buffers filled once and played, and 3D buffers placed around the listener.
// Volumes are hundredths of a decibel; positions and directions are left-handed, as the
// engine keeps them. Without an output device every call succeeds and nothing is heard.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/math/Math.h"
#include "platform/system/Result.h"

namespace snd {

namespace detail {
struct Core;
struct BufferState;
struct StreamState;
}  // namespace detail

// Wave format tags.
constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
constexpr uint16_t kFormatExtensible = 0xFFFE;

// A wave format: the 18-byte header, then `extra` (as many bytes as its extra-size field says).
struct WaveFormat {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    std::vector<uint8_t> extra;
};

// Buffer capabilities.
constexpr uint32_t kCapsPrimaryBuffer = 0x01;
constexpr uint32_t kCapsCtrl3D = 0x10;
constexpr uint32_t kCapsCtrlVolume = 0x80;

// The 3D algorithm a buffer asks for; OpenAL Soft renders every one with its own configuration.
enum class Algorithm { Default, HrtfFull, HrtfLight };

// What CreateSoundBuffer makes: capabilities, size in bytes, the format of its data.
struct BufferDesc {
    uint32_t flags = 0;
    uint32_t bytes = 0;
    const WaveFormat* format = nullptr;
    Algorithm algorithm = Algorithm::Default;
};

// Buffer status bits.
constexpr uint32_t kStatusPlaying = 0x1;
constexpr uint32_t kStatusBufferLost = 0x2;

// Volume range in hundredths of a decibel; gain = 10^(volume / 2000).
constexpr int32_t kVolumeMin = -10000;
constexpr int32_t kVolumeMax = 0;

// Size range of a sound buffer in bytes.
constexpr uint32_t kBufferBytesMin = 4;
constexpr uint32_t kBufferBytesMax = 0x0FFFFFFF;

// 3D processing mode: the buffer's position is in world space.
constexpr uint32_t kMode3DNormal = 0;

// A 3D buffer's parameters. The distance law is the clamped inverse distance:
// gain = min / (min + rolloff * (clamp(d, min, max) - min)).
struct Buffer3DParams {
    math::Vec3 position;
    math::Vec3 velocity;
    float minDistance = 1.0f;
    float maxDistance = 1.0e9f;
    uint32_t mode = kMode3DNormal;
};

// The listener's parameters; the factors are 1 until changed.
struct ListenerParams {
    math::Vec3 position;
    math::Vec3 velocity;
    float distanceFactor = 1.0f;
    float rolloffFactor = 1.0f;
    float dopplerFactor = 1.0f;
    math::Vec3 front{0.0f, 0.0f, 1.0f};
    math::Vec3 top{0.0f, 1.0f, 0.0f};
};

// The listener of a device.
class Listener {
public:
    explicit Listener(std::shared_ptr<detail::Core> core);
    ~Listener();
    // Reads every parameter.
    HRESULT GetAllParameters(ListenerParams* out) const;
    // Sets every parameter at once. Non-finite values, a distance factor not above 0 and
    // rolloff or doppler factors outside 0..10 are refused and nothing changes.
    HRESULT SetAllParameters(const ListenerParams& params);

private:
    std::shared_ptr<detail::Core> core_;
};

// The primary buffer: the device's output format and, with kCapsCtrl3D, its listener.
class PrimaryBuffer {
public:
    PrimaryBuffer(std::shared_ptr<detail::Core> core, uint32_t flags);
    ~PrimaryBuffer();
    // Asks for a PCM output format. The frequency is applied to the device; channels and
    // bits are kept, the output's own configuration decides them.
    HRESULT SetFormat(const WaveFormat& format);
    // The device's listener; only for a primary buffer made with kCapsCtrl3D.
    HRESULT QueryListener(std::unique_ptr<Listener>* out);
    // The format last set.
    const WaveFormat& Format() const;

private:
    std::shared_ptr<detail::Core> core_;
    uint32_t flags_;
};

// The 3D side of a buffer made with kCapsCtrl3D.
class Buffer3D {
public:
    explicit Buffer3D(std::shared_ptr<detail::BufferState> state);
    ~Buffer3D();
    HRESULT GetAllParameters(Buffer3DParams* out) const;
    // Sets every parameter at once. Non-finite vectors, distances not above 0 and modes
    // other than kMode3DNormal are refused and nothing changes.
    HRESULT SetAllParameters(const Buffer3DParams& params);

private:
    std::shared_ptr<detail::BufferState> state_;
};

// A sound buffer: its bytes in its own format, filled through Lock and Unlock, played from
// a source of the device's pool. 3D buffers are heard in mono (stereo data is mixed down);
// plain buffers are heard at the listener, unattenuated.
class Buffer {
public:
    explicit Buffer(std::shared_ptr<detail::BufferState> state);
    ~Buffer();
    // Hands out the whole buffer with its current bytes; Unlock takes the bytes over (a
    // playing buffer whose bytes change stops).
    HRESULT Lock(void** data, uint32_t* bytes);
    HRESULT Unlock();
    // Starts playing from the current position; a playing buffer goes on. Flags must be 0.
    HRESULT Play(uint32_t priority, uint32_t flags);
    // Stops; the current position stays.
    HRESULT Stop();
    // kStatusPlaying while playing, kStatusBufferLost once lost.
    HRESULT GetStatus(uint32_t* status) const;
    // Moves the play position to a byte offset; a playing buffer plays on from there.
    HRESULT SetCurrentPosition(uint32_t byteOffset);
    // Volume in hundredths of a decibel (kCapsCtrlVolume only); a value outside
    // kVolumeMin..kVolumeMax is refused and the volume stays.
    HRESULT SetVolume(int32_t hundredthsOfDecibel);
    // Makes a lost buffer usable again; its bytes must be written again.
    HRESULT Restore();
    // The 3D side; only for a buffer made with kCapsCtrl3D.
    HRESULT Query3D(std::unique_ptr<Buffer3D>* out);
    // Tests: the buffer is lost, as if its memory had gone, and its bytes with it.
    void LoseForTesting();

private:
    std::shared_ptr<detail::BufferState> state_;
};

// Most blocks a stream holds queued at once.
constexpr uint32_t kStreamBlocksMax = 32;
// Frequencies a stream takes.
constexpr uint32_t kStreamFrequencyMin = 8000;
constexpr uint32_t kStreamFrequencyMax = 192000;

// A streaming source: blocks of interleaved 16-bit samples (mono or stereo) queued one after
// another and played in order, heard at the listener like a plain buffer. It touches only its
// own OpenAL names and makes its device's context current for the calling thread alone, so
// the media layer may feed it from a thread of its own; one thread at a time may use it.
class Stream {
public:
    explicit Stream(std::unique_ptr<detail::StreamState> state);
    ~Stream();
    // Appends a block. A stream that ran dry first lets go of the blocks it played, so only
    // new blocks sound at the next Play. Refused when kStreamBlocksMax blocks wait.
    HRESULT Queue(const int16_t* samples, uint32_t frames);
    // Blocks queued and not yet played to their end.
    uint32_t Pending();
    // Plays the queue from where it stands; a playing stream goes on, an empty one waits.
    HRESULT Play();
    // Holds the queue where it stands.
    HRESULT Pause();
    // Stops and drops every block; the count of frames played starts again at 0.
    HRESULT Flush();
    // True while the queue plays; false when paused, flushed or run dry.
    bool IsPlaying() const;
    // Frames played since the last Flush.
    uint64_t FramesPlayed();
    // Volume in hundredths of a decibel; a value outside kVolumeMin..kVolumeMax is refused
    // and the volume stays.
    HRESULT SetVolume(int32_t hundredthsOfDecibel);

private:
    std::unique_ptr<detail::StreamState> state_;
};

// Where CreateDevice opens its output.
enum class DeviceTarget {
    Default,   // the system's default output
    Loopback,  // rendered by the caller with RenderSamples: stereo, 32-bit float
    None,      // no output: every call succeeds and nothing is heard
};

// The sound device: creates buffers; owns the listener and the pool of sources.
class Device {
public:
    explicit Device(std::shared_ptr<detail::Core> core);
    ~Device();
    HRESULT CreatePrimaryBuffer(uint32_t flags, std::unique_ptr<PrimaryBuffer>* out);
    // Makes a secondary buffer. Formats: PCM 8 and 16 bits, 32-bit float, and the extensible
    // form of both; mono or stereo; 100..200000 samples a second.
    HRESULT CreateSoundBuffer(const BufferDesc& desc, std::unique_ptr<Buffer>* out);
    // Makes a streaming source of 16-bit samples: 1 or 2 channels (else DSERR_BADFORMAT),
    // kStreamFrequencyMin..kStreamFrequencyMax frames a second (else DSERR_INVALIDPARAM).
    // A silent device makes no streams: DSERR_NODRIVER. The stream's source comes from the
    // pool the buffers play from, taken from a buffer that is not playing when need be;
    // buffers leave a few sources to streams, so one is there while every buffer plays.
    // DSERR_ALLOCATED only when every source plays or belongs to another stream.
    HRESULT CreateStream(uint16_t channels, uint32_t frequency, std::unique_ptr<Stream>* out);
    // True when there is no output behind the device.
    bool IsSilent() const;
    // The output's name ("" when silent) and its frequency (0 when silent).
    std::string Name() const;
    uint32_t OutputFrequency() const;
    // Loopback only: mixes the next frames into out (interleaved stereo floats).
    HRESULT RenderSamples(float* out, uint32_t frames);

private:
    std::shared_ptr<detail::Core> core_;
};

// Opens a device on the current target. Succeeds always: a target that cannot be opened
// gives a silent device.
HRESULT CreateDevice(std::unique_ptr<Device>* out);
// Chooses where later CreateDevice calls open their output (Default at start).
void SetDeviceTarget(DeviceTarget target);
// Opening the system's output takes milliseconds: a program that will want a device starts
// opening it on the current target here, on a thread of its own, and goes on with other
// work; the next CreateDevice on that target takes the device so opened.
void OpenDeviceAhead();
// The frequency a loopback device starts with.
constexpr uint32_t kLoopbackFrequency = 44100;

}  // namespace snd
