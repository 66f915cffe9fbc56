// OpenAL handles, each owned by one RAII wrapper. Nothing outside the sound layer sees them.
// Buffer and source names belong to the current context: their owners make their
// context current before they are destroyed.
#pragma once
#define AL_ALEXT_PROTOTYPES
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <memory>
#include <utility>

namespace snd::detail {

struct AlcDeviceCloser {
    void operator()(ALCdevice* device) const { alcCloseDevice(device); }
};
using AlDevice = std::unique_ptr<ALCdevice, AlcDeviceCloser>;

struct AlcContextDestroyer {
    void operator()(ALCcontext* context) const {
        if (alcGetCurrentContext() == context) alcMakeContextCurrent(nullptr);
        alcDestroyContext(context);
    }
};
using AlContext = std::unique_ptr<ALCcontext, AlcContextDestroyer>;

// One generated name (a buffer or a source), deleted with its owner.
template <void (*Gen)(ALsizei, ALuint*), void (*Delete)(ALsizei, const ALuint*)>
class AlName {
public:
    AlName() = default;
    ~AlName() { Reset(); }
    AlName(AlName&& other) noexcept : name_(std::exchange(other.name_, 0)) {}
    AlName& operator=(AlName&& other) noexcept {
        if (this != &other) {
            Reset();
            name_ = std::exchange(other.name_, 0);
        }
        return *this;
    }
    AlName(const AlName&) = delete;
    AlName& operator=(const AlName&) = delete;

    // Generates a name in the current context; false (and no name) on an OpenAL error.
    bool Generate() {
        Reset();
        alGetError();
        ALuint name = 0;
        Gen(1, &name);
        if (alGetError() != AL_NO_ERROR) return false;
        name_ = name;
        return true;
    }
    void Reset() {
        if (name_ != 0) Delete(1, &name_);
        name_ = 0;
    }
    ALuint Get() const { return name_; }

private:
    ALuint name_ = 0;
};

inline void GenBuffers(ALsizei n, ALuint* names) { alGenBuffers(n, names); }
inline void DeleteBuffers(ALsizei n, const ALuint* names) { alDeleteBuffers(n, names); }
inline void GenSources(ALsizei n, ALuint* names) { alGenSources(n, names); }
inline void DeleteSources(ALsizei n, const ALuint* names) { alDeleteSources(n, names); }

using AlBuffer = AlName<GenBuffers, DeleteBuffers>;
using AlSource = AlName<GenSources, DeleteSources>;

}  // namespace snd::detail
