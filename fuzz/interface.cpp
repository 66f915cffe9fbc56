// The description-file reader on arbitrary text: the bytes are written as a description
// in a scratch directory and read; every window tree built must stay within the depth
// and size the reader allows.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "interface/YInterfaceLoader.h"
#include "interface/YWindow.h"

namespace {

std::string g_scratch;

void RemoveScratch() {
    std::error_code error;
    std::filesystem::remove_all(g_scratch, error);
}

bool EnterScratch() {
    char pattern[] = "/tmp/fuzz_interface_XXXXXX";
    if (!mkdtemp(pattern) || chdir(pattern) != 0) return false;
    g_scratch = pattern;
    std::atexit(RemoveScratch);
    std::filesystem::create_directories("data/interface/Data");
    std::filesystem::create_directories("data/interface/masks");
    std::filesystem::create_directories("data/scripts");
    // A mask and a script the descriptions may name.
    FILE* f = std::fopen("data/interface/masks/m.msk", "wb");
    if (!f) return false;
    std::fputs("\1\1\1\1", f);
    std::fclose(f);
    f = std::fopen("data/scripts/idle.lua", "wb");
    if (!f) return false;
    std::fclose(f);
    return true;
}

// Counts the windows of a tree, trapping on one deeper than the reader allows (the
// widgets themselves may add a level or two below an element).
size_t Walk(const CYWindow* w, int depth) {
    if (depth > kMaxInterfaceDepth + 3) __builtin_trap();
    size_t n = 1;
    for (const CYObject* child : w->Children()) {
        const auto* window = dynamic_cast<const CYWindow*>(child);
        if (!window || window->GetParentWindow() != w) __builtin_trap();
        n += Walk(window, depth + 1);
    }
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = EnterScratch();
    if (!ready) return 0;
    FILE* f = std::fopen("data/interface/Data/fuzz", "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    size_t total = 0;
    for (const auto& window : ParseInterfaceFile("fuzz")) {
        if (!window || window->GetParentWindow()) __builtin_trap();
        total += Walk(window.get(), 0);
    }
    if (total > 4 * kMaxInterfaceElements) __builtin_trap();
    std::remove("YLog.log");
    return 0;
}
