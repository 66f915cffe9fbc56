// Mission files on arbitrary text: the game world loads the text as a mission, with small
// level templates, a droid model and a mission script at hand. Whatever the text, the
// floors stay within the header's limits, the current floor is either the first floor or
// none, and a second load clears everything the first one made.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "world/YGameWorld.h"
#include "world/YMission.h"

namespace {

std::string g_scratch;

void RemoveScratch() {
    std::error_code error;
    std::filesystem::remove_all(g_scratch, error);
}

void Put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void PutFloat(std::string& s, float f) {
    uint32_t b;
    std::memcpy(&b, &f, 4);
    Put32(s, b);
}

// A mesh of one-triangle parts named by the list, each with one box from lo to hi.
std::string Mesh(std::initializer_list<const char*> names, const float lo[3], const float hi[3]) {
    std::string s;
    Put32(s, 0);
    Put32(s, static_cast<uint32_t>(names.size()));
    for (const char* name : names) {
        Put32(s, 0);
        std::string padded = name;
        padded.resize(260, '\0');
        s += padded;
        Put32(s, 3);
        const float corners[3][3] = {{lo[0], lo[1], lo[2]}, {hi[0], lo[1], lo[2]}, {hi[0], hi[1], hi[2]}};
        for (const auto& c : corners) {
            for (float f : {c[0], c[1], c[2], 0.0f, 0.0f, 1.0f}) PutFloat(s, f);
            Put32(s, 0xFFFFFFFFu);
            Put32(s, 0);
            for (int k = 0; k < 4; ++k) PutFloat(s, 0.0f);
        }
        Put32(s, 3);
        s += std::string("\0\0\1\0\2\0", 6);
        Put32(s, 1);
        for (int i = 0; i < 3; ++i) PutFloat(s, (lo[i] + hi[i]) * 0.5f);
        PutFloat(s, 1.0f);
        for (int i = 0; i < 3; ++i) PutFloat(s, (hi[i] - lo[i]) * 0.5f);
        PutFloat(s, 1.0f);
        s.append(64, '\0');
        Put32(s, 0);
    }
    return s;
}

void Write(const std::string& path, const std::string& bytes) {
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

void WriteContent() {
    std::filesystem::create_directories("data/meshes");
    std::filesystem::create_directories("data/scripts");
    const float wl[3] = {-0.125f, -4.125f, 0}, wh[3] = {0.125f, 4.125f, 2.5f};
    const float lo[3] = {-0.5f, -0.5f, 0}, hi[3] = {0.5f, 0.5f, 1};
    const float fl[3] = {-4.125f, -4.125f, -0.01f}, fh[3] = {4.125f, 4.125f, 0};
    Write("data/meshes/w.a3d", Mesh({"left", "right"}, wl, wh));
    Write("data/meshes/b.a3d", Mesh({"box"}, lo, hi));
    Write("data/meshes/f.a3d", Mesh({"floor", "shaft"}, fl, fh));
    Write("data/meshes/d.a3d", Mesh({"shassis1", "shassis2", "armor1", "armor3", "weapon2", "weapon3"}, lo, hi));
    for (const char* name : {"wall.adf", "wallDoor.adf"}) Write(std::string("data/meshes/") + name, "object = w.a3d\n");
    Write("data/meshes/column.adf", "object = b.a3d\n");
    Write("data/meshes/box.adf", "object = b.a3d\n");
    Write("data/meshes/floor.adf", "object = f.a3d\n");
    Write("data/meshes/floorHole.adf", "object = f.a3d\n");
    Write("data/meshes/droids.adf", "object = d.a3d\n");
    Write("data/scripts/m.lua", "while true do Update() end\n");
}

CYGameWorld* EnterScratch() {
    char pattern[] = "/tmp/fuzz_mission_XXXXXX";
    if (!mkdtemp(pattern) || chdir(pattern) != 0) return nullptr;
    g_scratch = pattern;
    std::atexit(RemoveScratch);
    WriteContent();
    auto* world = new CYGameWorld();
    world->Init();  // no renderer: the world answers its events without scene nodes
    return world;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static CYGameWorld* const world = EnterScratch();
    if (!world) return 0;
    Write("data/m.txt", std::string(reinterpret_cast<const char*>(data), size));
    const HRESULT hr = world->LoadMission("data\\m.txt", 1 + (size % 7));
    const auto& floors = world->Floors();
    if (floors.size() > static_cast<size_t>(kMaxMissionSize)) __builtin_trap();
    if (SUCCEEDED(hr) ? world->GetCurrentFloor() != floors.at(0).get() : world->GetCurrentFloor() != nullptr)
        __builtin_trap();
    // A missing mission clears every floor and object of the last one.
    world->LoadMission("data\\none.txt", 1);
    if (!floors.empty() || !world->RegisteredObjects().empty() || !world->Rosters().Placed().empty())
        __builtin_trap();
    return 0;
}
