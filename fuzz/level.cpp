// The level grid reader on arbitrary text: the first two bytes give the room rows and
// columns (1 to 4 each), the rest is the level block. A level that loads (or fails half
// way) is then lit, its passage map searched, and collision and ray queries run inside
// and outside it; everything must stay within the grid and free what it made.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "core/YEvents.h"
#include "core/YTextParser.h"
#include "render/YComplexObject.h"
#include "world/YLevel.h"
#include "world/YPathFinder.h"
#include "world/YRoom.h"
#include "FuzzMeshes.h"

namespace {

std::string g_scratch;
std::vector<CYComplexObject*> g_registered;

void RemoveScratch() {
    std::error_code error;
    std::filesystem::remove_all(g_scratch, error);
}

// Two-part walls, a column, floors and a box, as the level reader expects them.
void WriteTemplates() {
    const float wl[3] = {-0.125f, -4.125f, 0}, wm[3] = {0, 4.125f, 2.5f}, wr[3] = {0.125f, 4.125f, 2.5f};
    const float wm0[3] = {0, -4.125f, 0};
    std::string wall;
    Put32(wall, 0);
    Put32(wall, 2);
    wall += MeshPart("left", wl, wm) + MeshPart("right", wm0, wr);
    WriteBytes("data/meshes/w.a3d", wall);
    const float lo[3] = {-0.5f, -0.5f, 0}, hi[3] = {0.5f, 0.5f, 1};
    std::string box;
    Put32(box, 0);
    Put32(box, 1);
    box += MeshPart("box", lo, hi);
    WriteBytes("data/meshes/b.a3d", box);
    const float fl[3] = {-4.125f, -4.125f, -0.01f}, fh[3] = {4.125f, 4.125f, 0};
    std::string floor;
    Put32(floor, 0);
    Put32(floor, 2);
    floor += MeshPart("floor", fl, fh) + MeshPart("shaft", lo, hi);
    WriteBytes("data/meshes/f.a3d", floor);
    for (const char* name : {"wall.adf", "wallDoor.adf"})
        WriteBytes(std::string("data/meshes/") + name, "object = w.a3d\n[left]\ncollision = 1\n[right]\ncollision = 1\n");
    WriteBytes("data/meshes/column.adf", "object = b.a3d\n");
    WriteBytes("data/meshes/box.adf", "object = b.a3d\n[box]\ncollision = 1\n");
    WriteBytes("data/meshes/floor.adf", "object = f.a3d\n");
    WriteBytes("data/meshes/floorHole.adf", "object = f.a3d\n");
}

bool EnterScratch() {
    char pattern[] = "/tmp/fuzz_level_XXXXXX";
    if (!mkdtemp(pattern) || chdir(pattern) != 0) return false;
    g_scratch = pattern;
    std::atexit(RemoveScratch);
    std::filesystem::create_directories("data/meshes");
    WriteTemplates();
    SubscribeEvent(YEVENT_REGISTER_OBJECT, nullptr, [](void*, intptr_t a, intptr_t) {
        g_registered.push_back(reinterpret_cast<CYComplexObject*>(a));
    });
    return true;
}

class World : public YLevelWorld {
public:
    YObjectRoom* FindObjectRoom(CYComplexObject* o) override { return level ? level->GetRoomAt(o->Position()) : nullptr; }
    bool CheckCollision(CYComplexObject* mover, const math::Vec3& p, float r, const math::Vec3& d, float* distance,
                        math::Vec3* contact, CYObject** part) override {
        return level && level->CheckCollision(mover, p, r, d, distance, contact, part);
    }
    void AddLight(const gfx::Light&) override {}
    CYComplexObject* SetupDroidModel(const std::string&) override { return nullptr; }
    CYNode* GetLevelWorldNode() override { return nullptr; }
    CYLevel* level = nullptr;
};

void Probe(CYLevel& level) {
    const float points[][2] = {{4, 4}, {12, 5}, {-3, 2}, {40, 40}, {1e30f, 3}};
    for (const auto& p : points) {
        level.UpdateLitRooms(math::Vec3(p[0], p[1], 0));
        level.Update(0.016f);
        float distance = 20.0f;
        math::Vec3 contact;
        CYObject* part = nullptr;
        level.CheckCollision(nullptr, math::Vec3(p[0], p[1], 0.5f), 0.3f, math::Vec3(1, 0, 0), &distance, &contact,
                             &part);
        math::Vec4 point;
        math::Plane plane;
        distance = 30.0f;
        level.CrossRay(math::Vec4{p[0], p[1], 0.5f, 1}, math::Vec4{0.6f, 0.8f, 0, 1}, &point, &distance, &part, &plane);
    }
    std::vector<uint8_t> map = level.PassageMap();
    if (map.size() >= 2) {
        map.front() = kPathStart;
        map.back() = kPathGoal;
        std::vector<YMove> moves;
        g_pathFinder.FindPath(map.data(), level.PassageMapWidth(), level.PassageMapHeight(), 2.75f, &moves);
    }
    CYComplexObject walker("walker");
    walker.SetPosition(math::Vec3(4, 4, 0));
    std::vector<YMove> moves;
    FindObjectPath(&level, level.RoomAtIndex(0, 0), &walker, nullptr, level.RoomRows() - 1, level.RoomColumns() - 1,
                   2.0f, 2.0f, &moves);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = EnterScratch();
    if (!ready || size < 2) return 0;
    World world;
    {
        CYLevel level(&world, 1 + data[0] % 4, 1 + data[1] % 4);
        world.level = &level;
        CYTextParser parser(data + 2, static_cast<uint32_t>(size - 2));
        level.Load(&parser, 0.0f);
        Probe(level);
        // The world deletes its objects before its floors.
        for (CYComplexObject* o : g_registered) {
            level.ForgetObject(o);
            delete o;
        }
        g_registered.clear();
    }
    return 0;
}
