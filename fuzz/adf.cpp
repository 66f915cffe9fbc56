// The object-description reader on arbitrary text: the bytes are written as a
// description in a scratch directory (next to a one-part mesh) and loaded; a built
// object must be whole and every part's draw count in range.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "render/YComplexObject.h"
#include "render/YMeshLoader.h"
#include "render/YObject.h"
#include "render/YObjectLoader.h"

namespace {

std::string g_scratch;

void RemoveScratch() {
    std::error_code error;
    std::filesystem::remove_all(g_scratch, error);
}

void Put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// "m.a3d": one part "body" holding a triangle, so that blocks reach a real part.
bool WriteMesh() {
    std::string s;
    Put32(s, 0);
    Put32(s, 1);
    Put32(s, 0);
    std::string name = "body";
    name.resize(260, '\0');
    s += name;
    Put32(s, 3);
    s.append(3 * 48, '\0');
    Put32(s, 3);
    s += std::string("\0\0\1\0\2\0", 6);
    Put32(s, 0);
    Put32(s, 0);
    FILE* f = std::fopen("data/meshes/m.a3d", "wb");
    if (!f) return false;
    std::fwrite(s.data(), 1, s.size(), f);
    std::fclose(f);
    return true;
}

bool EnterScratch() {
    char pattern[] = "/tmp/fuzz_adf_XXXXXX";
    if (!mkdtemp(pattern) || chdir(pattern) != 0) return false;
    g_scratch = pattern;
    std::atexit(RemoveScratch);
    std::filesystem::create_directories("data/meshes");
    return WriteMesh();
}

void CheckPart(const CYObject* part) {
    if (part->GetDrawCount() < 0) __builtin_trap();
    for (const CYObject* child : part->Children()) CheckPart(child);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = EnterScratch();
    if (!ready) return 0;
    FILE* f = std::fopen("data/meshes/fuzz.adf", "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    CYMeshLoader loader;
    CYComplexObject* object = nullptr;
    const HRESULT result = loader.LoadObject("fuzz.adf", &object);
    if ((result == S_OK) != (object != nullptr)) __builtin_trap();
    if (object) {
        for (const CYObject* part : object->Parts()) CheckPart(part);
        delete object;
    }
    return 0;
}
