#include "platform/media/AvLibrary.h"

#include <dlfcn.h>

#include <atomic>
#include <string>
#include <system_error>
#include <thread>

namespace media::detail {
namespace {

std::atomic<bool> g_loaded{false};
std::atomic<bool> g_tried{false};  // set once loading succeeded or failed

// The library of the major version the layer was built against. Loaded libraries stay for
// the life of the process.
void* OpenLibrary(const char* name, int major) {
    const std::string file = std::string("lib") + name + ".so." + std::to_string(major);
    return dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
}

const AvFunctions* Load() {
    struct Libraries {
        void* avutil = OpenLibrary("avutil", LIBAVUTIL_VERSION_MAJOR);
        void* swresample = OpenLibrary("swresample", LIBSWRESAMPLE_VERSION_MAJOR);
        void* swscale = OpenLibrary("swscale", LIBSWSCALE_VERSION_MAJOR);
        void* avcodec = OpenLibrary("avcodec", LIBAVCODEC_VERSION_MAJOR);
        void* avformat = OpenLibrary("avformat", LIBAVFORMAT_VERSION_MAJOR);
    } libraries;
    static AvFunctions table;
    bool complete = true;
#define KESTRUNE_AV_LOOKUP(library, name)                                                              \
    table.name = libraries.library                                                                     \
                     ? reinterpret_cast<decltype(&::name)>(dlsym(libraries.library, #name)) : nullptr; \
    complete = complete && table.name != nullptr;
    KESTRUNE_AV_FUNCTIONS(KESTRUNE_AV_LOOKUP)
#undef KESTRUNE_AV_LOOKUP
    if (!complete) return nullptr;
    table.av_log_set_level(AV_LOG_QUIET);
    g_loaded = true;
    return &table;
}

}  // namespace

const AvFunctions* Av() {
    static const AvFunctions* const table = Load();
    g_tried = true;
    return table;
}

bool AvLoadedForTesting() { return g_loaded; }

namespace {

// The thread that loads the libraries ahead of their first use; the process waits for it
// at exit rather than unload anything under it.
struct BackgroundLoad {
    std::thread thread{[] { Av(); }};
    ~BackgroundLoad() { thread.join(); }
};

}  // namespace

}  // namespace media::detail

namespace media {

void LoadCodecs() {
    try {
        static detail::BackgroundLoad load;
    } catch (const std::system_error&) {
        // No thread to spare: they load here and now.
        detail::Av();
    }
}

bool CodecsReady() { return detail::g_tried; }

}  // namespace media
