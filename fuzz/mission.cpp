// Mission files on arbitrary text: the game world loads the text as a mission, with small
// level templates, a droid model and a mission script at hand. Whatever the text, the
// floors stay within the header's limits, the current floor is one of them or none (none
// after a failed load), and a second load clears everything the first one made.
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
#include "FuzzMeshes.h"

namespace {

std::string g_scratch;

void RemoveScratch() {
    std::error_code error;
    std::filesystem::remove_all(g_scratch, error);
}

// A mesh of one-triangle parts named by the list, each with one box from lo to hi.
std::string Mesh(std::initializer_list<const char*> names, const float lo[3], const float hi[3]) {
    std::string s;
    Put32(s, 0);
    Put32(s, static_cast<uint32_t>(names.size()));
    for (const char* name : names) s += MeshPart(name, lo, hi);
    return s;
}

void WriteContent() {
    std::filesystem::create_directories("data/meshes");
    std::filesystem::create_directories("data/scripts");
    const float wl[3] = {-0.125f, -4.125f, 0}, wh[3] = {0.125f, 4.125f, 2.5f};
    const float lo[3] = {-0.5f, -0.5f, 0}, hi[3] = {0.5f, 0.5f, 1};
    const float fl[3] = {-4.125f, -4.125f, -0.01f}, fh[3] = {4.125f, 4.125f, 0};
    WriteBytes("data/meshes/w.a3d", Mesh({"left", "right"}, wl, wh));
    WriteBytes("data/meshes/b.a3d", Mesh({"box"}, lo, hi));
    WriteBytes("data/meshes/f.a3d", Mesh({"floor", "shaft"}, fl, fh));
    WriteBytes("data/meshes/d.a3d", Mesh({"shassis1", "shassis2", "armor1", "armor3", "weapon2", "weapon3"}, lo, hi));
    for (const char* name : {"wall.adf", "wallDoor.adf"}) WriteBytes(std::string("data/meshes/") + name, "object = w.a3d\n");
    WriteBytes("data/meshes/column.adf", "object = b.a3d\n");
    WriteBytes("data/meshes/box.adf", "object = b.a3d\n");
    WriteBytes("data/meshes/floor.adf", "object = f.a3d\n");
    WriteBytes("data/meshes/floorHole.adf", "object = f.a3d\n");
    WriteBytes("data/meshes/droids.adf", "object = d.a3d\n");
    WriteBytes("data/scripts/m.lua", "while true do Update() end\n");
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
    WriteBytes("data/m.txt", std::string(reinterpret_cast<const char*>(data), size));
    const HRESULT hr = world->LoadMission("data\\m.txt", 1 + (size % 7));
    const auto& floors = world->Floors();
    if (floors.size() > static_cast<size_t>(kMaxMissionSize)) __builtin_trap();
    // A loaded mission starts on floor 0, and its last step moves the current floor to the
    // camera target's floor (none when the target stands on no floor).
    const CYLevel* current = world->GetCurrentFloor();
    bool known = current == nullptr;
    for (const auto& floor : floors) known = known || floor.get() == current;
    if (SUCCEEDED(hr) ? !known : current != nullptr) __builtin_trap();
    // A missing mission clears every floor and object of the last one.
    world->LoadMission("data\\none.txt", 1);
    if (!floors.empty() || !world->RegisteredObjects().empty() || !world->Rosters().Placed().empty())
        __builtin_trap();
    return 0;
}
