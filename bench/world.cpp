// The game world's frame on the recording device: a floor of 8 x 8 rooms joined by door
// walls, with 50, 200 or 800 complex objects moving through it. One frame is the main
// loop's end-of-frame event, the world's update (objects, rooms, camera, drawing by
// visibility) and the renderer's prepare and render passes. Prints the CPU time per
// frame of each and the ratio 800 / 200, which stays near 4 when the cost grows with the
// objects and no faster.
#include <benchmark/benchmark.h>

#include <algorithm>

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/YEvents.h"
#include "core/YSettings.h"
#include "core/YTextParser.h"
#include "core/YTimer.h"
#include "platform/system/System.h"
#include "render/YComplexObject.h"
#include "render/YRenderer.h"
#include "world/YGameWorld.h"
#include "world/YLevel.h"
#include "world/YRoom.h"

namespace {

constexpr int kRooms = 8;
constexpr float kFrameTime = 1.0f / 60.0f;

// ---- A small data tree: level templates, an effect and a texture ----------------------------

void Put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void PutFloat(std::string& s, float f) {
    uint32_t b;
    std::memcpy(&b, &f, 4);
    Put32(s, b);
}

struct Box {
    float lo[3], hi[3];
};

// A mesh-file part: the top face of the box as a quad, with the box as its one record.
std::string Part(const std::string& name, const Box& b) {
    std::string s;
    Put32(s, 0);
    std::string padded = name;
    padded.resize(260, '\0');
    s += padded;
    const float corners[4][2] = {{b.lo[0], b.lo[1]}, {b.hi[0], b.lo[1]}, {b.hi[0], b.hi[1]}, {b.lo[0], b.hi[1]}};
    Put32(s, 4);
    for (const auto& c : corners) {
        for (float f : {c[0], c[1], b.hi[2], 0.0f, 0.0f, 1.0f}) PutFloat(s, f);
        Put32(s, 0xFFFFFFFFu);
        Put32(s, 0);
        for (int k = 0; k < 4; ++k) PutFloat(s, 0.0f);
    }
    Put32(s, 6);
    s += std::string("\0\0\1\0\2\0\0\0\2\0\3\0", 12);
    Put32(s, 1);
    for (int i = 0; i < 3; ++i) PutFloat(s, (b.lo[i] + b.hi[i]) * 0.5f);
    PutFloat(s, 1.0f);
    for (int i = 0; i < 3; ++i) PutFloat(s, (b.hi[i] - b.lo[i]) * 0.5f);
    PutFloat(s, 1.0f);
    s.append(64, '\0');
    Put32(s, 0);
    return s;
}

std::string Mesh(const std::vector<std::string>& parts) {
    std::string s;
    Put32(s, 0);
    Put32(s, static_cast<uint32_t>(parts.size()));
    for (const std::string& p : parts) s += p;
    return s;
}

void Write(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

void WriteDescription(const std::string& name, const std::string& mesh, const std::vector<std::string>& parts) {
    std::string text = "object = " + mesh + "\n";
    for (const std::string& p : parts)
        text += "[" + p + "]\ntexturefile1 = t.tga\neffectfile = flat.fx\ncollision = 1\nvisible = 1\n";
    Write("data/meshes/" + name, text);
}

void WriteData() {
    const float t = 0.125f, h = 4.125f, z = 2.5f;
    Write("data/meshes/w.a3d", Mesh({Part("left", {{-t, -h, 0}, {0, h, z}}), Part("right", {{0, -h, 0}, {t, h, z}})}));
    WriteDescription("wall.adf", "w.a3d", {"left", "right"});
    // The door wall's halves leave a doorway |y| < 1.
    Write("data/meshes/d.a3d", Mesh({Part("left", {{-t, 1, 0}, {0, h, z}}), Part("right", {{0, -h, 0}, {t, -1, z}})}));
    WriteDescription("wallDoor.adf", "d.a3d", {"left", "right"});
    Write("data/meshes/c.a3d", Mesh({Part("column", {{-0.3f, -0.3f, 0}, {0.3f, 0.3f, 2.6f}})}));
    WriteDescription("column.adf", "c.a3d", {"column"});
    Write("data/meshes/f.a3d", Mesh({Part("floor", {{-h, -h, -0.01f}, {h, h, 0}})}));
    WriteDescription("floor.adf", "f.a3d", {"floor"});
    WriteDescription("floorHole.adf", "f.a3d", {"floor"});
    Write("data/effects/flat.fx",
          "texture tex0;\ntechnique T { pass P {\nLighting = true;\nZEnable = true;\nTexture[0] = <tex0>;\n"
          "ColorOp[0] = Modulate;\nColorArg1[0] = Texture;\nColorArg2[0] = Diffuse;\n} }\n");
    std::string tga(18, '\0');
    tga[2] = 2, tga[12] = 1, tga[14] = 1, tga[16] = 24;
    Write("data/textures/t.tga", tga + std::string("\x80\x80\x80", 3));
}

// Every inner wall a door wall, so that every room is reachable and lit.
std::string LevelText() {
    const int rows = 2 * kRooms + 1, columns = 2 * kRooms + 1;
    std::string s;
    for (int c = 0; c < columns; ++c)
        for (int r = 0; r < rows; ++r) {
            if (r % 2 == c % 2) continue;
            const bool outer = r == 0 || c == 0 || r == rows - 1 || c == columns - 1;
            s += std::string("[wall]\ntype = ") + (outer ? "1" : "2") + "\nleft = t.tga\nright = t.tga\n";
        }
    for (int c = 1; c < columns; c += 2)
        for (int r = 1; r < rows; r += 2) s += "[floor]\ntype = 1\ntexture = t.tga\n[/floor]\n";
    return s;
}

// A movable object: a box of six quads, 24 vertices.
CYComplexObject* MakeMover(int index) {
    auto* object = new CYComplexObject("mover");
    std::vector<gfx::Vertex> v(24);
    std::vector<uint16_t> indices;
    for (int face = 0; face < 6; ++face) {
        for (int k = 0; k < 4; ++k) {
            gfx::Vertex& x = v[face * 4 + k];
            const float a = (k & 1) ? 0.3f : -0.3f, b = (k & 2) ? 0.3f : -0.3f, c = (face & 1) ? 0.3f : -0.3f;
            const int axis = face / 2;
            x.x = axis == 0 ? c : a;
            x.y = axis == 1 ? c : (axis == 0 ? a : b);
            x.z = 0.3f + (axis == 2 ? c : b);
            x.diffuse = 0xFFFFFFFF;
        }
        for (uint16_t i : {0, 1, 3, 0, 3, 2}) indices.push_back(uint16_t(face * 4 + i));
    }
    CYObject* body = object->CreatePart(nullptr, "body", nullptr, v, indices, 0, nullptr, {}, {});
    body->SetNameAndTextures("flat.fx", {"t.tga"});
    object->SetMoving(true);
    object->SetRadius(0.3f);
    // A script name keeps the room from updating it a second time: the world updates it.
    object->ScriptHandler().SetName("mover");
    const std::string name = "mover" + std::to_string(index);
    SendEvent(YEVENT_REGISTER_OBJECT, reinterpret_cast<intptr_t>(object), reinterpret_cast<intptr_t>(name.c_str()));
    object->CreateRenderNodes();
    return object;
}

struct Frame {
    std::string dir;
    std::unique_ptr<CYRenderer> renderer;
    CYGameWorld* world = nullptr;
    std::vector<CYComplexObject*> movers;
    std::string text;
    bool ok = false;

    explicit Frame(int objects) {
        char pattern[] = "/tmp/kestrune-bench-XXXXXX";
        if (!mkdtemp(pattern) || chdir(pattern) != 0) return;
        dir = pattern;
        WriteData();
        g_settings.fullScreen = 0;
        g_settings.screenWidth = 800;
        g_settings.screenHeight = 600;
        g_settings.logLevel = -100;
        gfx::SelectBackend(gfx::Backend::Recording);
        renderer = std::make_unique<CYRenderer>();
        if (FAILED(renderer->Init())) return;
        world = new CYGameWorld();
        if (FAILED(world->Init())) return;
        text = LevelText();
        auto level = std::make_unique<CYLevel>(world, kRooms, kRooms);
        CYTextParser parser(text.data(), static_cast<uint32_t>(text.size()));
        if (FAILED(level->Load(&parser, 0.0f))) return;
        CYLevel* floor = level.get();
        world->Floors().push_back(std::move(level));
        world->SetCurrentFloor(floor);
        for (int i = 0; i < objects; ++i) {
            CYComplexObject* mover = MakeMover(i);
            CYRoom* room = floor->RoomAtIndex(i % kRooms, (i / kRooms) % kRooms);
            room->AddObject(mover, float(i % 5) - 2.0f, float(i % 3) - 1.0f, 0.7f * float(i));
            movers.push_back(mover);
            homes.push_back(mover->GetPosition());
        }
        // The whole floor in view from above its centre; every room reachable and lit.
        world->GetCamera().SetLookAt(math::Vec3(kRooms * 4.125f, kRooms * 4.125f, 0.0f));
        world->GetCamera().SetViewVector(60.0f, 0.3f, 0.0f);
        SendEvent(YEVENT_FRAME, 0, 0);
        SendEvent(YEVENT_UPDATE_VISIBLE_ROOMS, 0, 0);
        ok = true;
    }
    ~Frame() {
        delete world;
        if (renderer) renderer->Shutdown();
        renderer.reset();
        PurgeUnsubscribedEvents();
        if (!dir.empty()) {
            if (chdir("/tmp") != 0) return;
            std::filesystem::remove_all(dir);
        }
    }
    // One frame. Each object circles its place in its room (moved without collision
    // tests, so that the frame's cost is the world's and the renderer's).
    void Step(int frame) {
        for (size_t i = 0; i < movers.size(); ++i) {
            const float angle = 0.05f * float(frame) + float(i);
            const math::Vec3& home = homes[i];
            movers[i]->SetPosition(math::Vec3(home.x + std::cos(angle), home.y + std::sin(angle), home.z));
            movers[i]->SetHeading(angle);
        }
        ++g_timer.frameCounter;
        SendEvent(YEVENT_FRAME, 0, 0);
        PurgeUnsubscribedEvents();
        world->Update(kFrameTime);
        roomsDrawn = renderer->GetRoomsDrawn();
        triangles = renderer->GetDynamicIndexTotal() / 3;
        renderer->PrepareFrame();
        renderer->RenderFrame();
    }
    std::vector<math::Vec3> homes;
    int roomsDrawn = 0;
    int triangles = 0;
};

void BM_WorldFrame(benchmark::State& state) {
    sys::SetDebugOutput(false);
    Frame frame(static_cast<int>(state.range(0)));
    if (!frame.ok) {
        state.SkipWithError("the world could not be built");
        return;
    }
    int n = 0;
    for (auto _ : state) frame.Step(n++);
    state.counters["rooms"] = frame.roomsDrawn;
    state.counters["triangles"] = frame.triangles;
}
BENCHMARK(BM_WorldFrame)->Arg(50)->Arg(200)->Arg(800)->Repetitions(3)->Unit(benchmark::kMicrosecond);

// The console report, keeping each benchmark's CPU time per frame (the least of its
// repetitions, the one other work on the machine disturbed least).
class FrameReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            std::string name = run.benchmark_name();
            name = name.substr(0, name.find("/repeats:"));
            auto [it, added] = times.emplace(name, run.GetAdjustedCPUTime());
            if (!added) it->second = std::min(it->second, run.GetAdjustedCPUTime());
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    FrameReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const auto& [name, time] : reporter.times) std::printf("%s: %.1f us CPU per frame\n", name.c_str(), time);
    auto large = reporter.times.find("BM_WorldFrame/800"), medium = reporter.times.find("BM_WorldFrame/200");
    if (large != reporter.times.end() && medium != reporter.times.end() && medium->second > 0)
        std::printf("800 / 200 objects: %.2f\n", large->second / medium->second);
    benchmark::Shutdown();
    return 0;
}
