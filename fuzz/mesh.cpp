// The mesh loader on arbitrary bytes: the bytes are written as a mesh file in a scratch
// directory and loaded; an accepted mesh must only hold parts whose indices name their
// own vertices.
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

namespace {

void CheckPart(const CYObject* part) {
    for (int i = 0; i < part->GetIndexCount(); ++i)
        if (part->GetIndices()[i] >= part->GetVertexCount()) __builtin_trap();
    if (part->GetBoundingRecords().empty()) __builtin_trap();
    for (const CYObject* child : part->Children()) CheckPart(child);
}

std::string g_scratch;

void RemoveScratch() {
    std::error_code error;
    std::filesystem::remove_all(g_scratch, error);
}

bool EnterScratch() {
    char pattern[] = "/tmp/fuzz_mesh_XXXXXX";
    if (!mkdtemp(pattern) || chdir(pattern) != 0) return false;
    g_scratch = pattern;
    std::atexit(RemoveScratch);
    std::filesystem::create_directories("data/meshes");
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = EnterScratch();
    if (!ready) return 0;
    FILE* f = std::fopen("data/meshes/fuzz.a3d", "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    CYMeshLoader loader;
    CYComplexObject* object = loader.LoadMesh("fuzz.a3d");
    if (object) {
        for (const CYObject* part : object->Parts()) CheckPart(part);
        delete object;
    }
    return 0;
}
