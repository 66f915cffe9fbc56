// The sound layer's shared state: the OpenAL device and context, the listener, the pool
// of sources and the OpenAL buffers shared by buffers of equal content.
#pragma once
#include <cmath>
#include <cstdint>
#include <deque>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/sound/AlHandles.h"
#include "platform/sound/PcmConvert.h"
#include "platform/sound/Sound.h"

namespace snd::detail {

struct Core;
struct BufferState;

// Left-handed engine coordinates into OpenAL's right-handed ones: z is negated, here only.
inline void ToAl(const math::Vec3& v, ALfloat out[3]) {
    out[0] = v.x;
    out[1] = v.y;
    out[2] = -v.z;
}

// One OpenAL buffer per distinct content: the bytes as the buffers hold them, the format,
// and whether it is heard in mono.
struct SharedData {
    std::shared_ptr<Core> core;
    uint64_t hash = 0;
    WaveFormat format;
    bool mono = false;
    std::vector<uint8_t> bytes;
    uint32_t alFrames = 0;
    AlBuffer al;  // no name when silent or empty
    ~SharedData();
};

// Buffers and streams draw their OpenAL sources from one pool, made on demand up to the
// device's limit. A buffer holds a source from its first Play until another buffer or a
// stream needs one while this one is not playing; a stream holds its own until it is
// deleted. Buffers leave the last few sources to streams, so music and video sound tracks
// get one even while every buffer plays. Used from the engine's thread only.
class SourcePool {
public:
    // Streams the pool keeps a source for, whatever the buffers hold.
    static constexpr size_t kStreamReserve = 4;

    void SetLimit(size_t limit) { limit_ = limit; }
    // A source for the buffer, or 0 when every source buffers may hold is playing.
    ALuint Acquire(BufferState* owner);
    // A source for a stream, stopped and empty, or 0 when every source is playing or held
    // by a stream.
    ALuint AcquireForStream();
    // Stops the source, empties it and lets the next buffer or stream take it.
    void Release(ALuint source);
    // Calls f(owner, source) for every source a buffer holds.
    template <class F>
    void ForEachHeld(F f) const {
        for (const Slot& s : slots_)
            if (s.owner) f(s.owner, s.source.Get());
    }
    size_t Size() const { return slots_.size(); }

private:
    struct Slot {
        AlSource source;
        BufferState* owner = nullptr;  // the buffer holding it
        bool stream = false;           // held by a stream
        bool Free() const { return !owner && !stream; }
    };
    // A free slot, else a new one within the limit; null when there is neither.
    Slot* FreeSlot();
    // The slot of a buffer that is not playing, its source taken from it; null when
    // every buffer's source plays.
    Slot* SlotFromIdleBuffer();
    size_t BufferLimit() const;
    size_t HeldByBuffers() const;

    std::vector<Slot> slots_;
    size_t limit_ = 256;
};

struct Core {
    // Declared first, destroyed last.
    AlDevice device;
    AlContext context;
    bool loopback = false;
    ListenerParams listener;
    WaveFormat primaryFormat;
    SourcePool pool;
    std::unordered_multimap<uint64_t, std::weak_ptr<SharedData>> shared;

    ~Core();
    // Makes the context current; false when silent.
    bool Use() const;
    // Sends the listener parameters to OpenAL (and the rolloff to every 3D source).
    void ApplyListener();
    // The shared data for these bytes, made when new.
    std::shared_ptr<SharedData> Share(const std::shared_ptr<Core>& self, const WaveFormat& format,
                                      const PcmLayout& layout, bool mono, std::vector<uint8_t> bytes);
};

struct BufferState {
    std::shared_ptr<Core> core;
    uint32_t flags = 0;
    uint32_t bytes = 0;
    WaveFormat format;
    PcmLayout layout;
    Algorithm algorithm = Algorithm::Default;
    std::shared_ptr<SharedData> data;
    std::vector<uint8_t> staging;
    bool locked = false;
    bool lost = false;
    float gain = 1.0f;
    Buffer3DParams params3D;
    uint32_t pendingFrame = 0;
    ALuint source = 0;

    ~BufferState();
    bool Is3D() const { return (flags & kCapsCtrl3D) != 0; }
    // Sends everything a source plays to this buffer's source.
    void ApplyAll() const;
    void Apply3D() const;
    // Stops the source and gives it back to the pool.
    void DropSource();
};

// A core's context made current for the calling thread only while the object lives; the
// thread's earlier choice comes back after. False when the device is silent.
class ThreadContext {
public:
    explicit ThreadContext(const Core& core);
    ~ThreadContext();
    ThreadContext(const ThreadContext&) = delete;
    ThreadContext& operator=(const ThreadContext&) = delete;
    explicit operator bool() const { return ok_; }

private:
    ALCcontext* previous_;
    bool ok_;
    bool changed_ = false;
};

struct StreamState {
    struct Block {
        ALuint name = 0;
        uint32_t frames = 0;
    };
    std::shared_ptr<Core> core;
    ALenum alFormat = 0;
    uint32_t frequency = 0;
    uint32_t channels = 0;
    std::vector<AlBuffer> names;  // every block name made so far
    std::vector<ALuint> free;     // names not in the queue
    std::deque<Block> queued;     // oldest first
    uint64_t played = 0;          // frames of the blocks taken back since the last Flush
    // The source ran dry and holds only blocks queued since, none of them played: a stopped
    // source counts every block as played, so they are not taken back until it plays again.
    bool refilledDry = false;
    float gain = 1.0f;
    ALuint source = 0;            // the pool's, given back before the names are deleted

    ~StreamState();
    ALint SourceState() const;
    // Takes back the blocks played to their end (all of them once the source ran dry).
    void TakeBackPlayed();
    // Takes back the n oldest blocks as played.
    void TakeBack(size_t n);
};

}  // namespace snd::detail
