// Shared by the room, level and path tests: small level templates written into the
// working directory, a stand-in game world, and the text of level grids.
#pragma once
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/YEvents.h"
#include "render/YComplexObject.h"
#include "support/TestSupport.h"
#include "world/YLevel.h"
#include "world/YRoom.h"

namespace leveltest {

struct Block {
    float lo[3], hi[3];
};

inline void Put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}
inline void PutFloat(std::string& s, float f) {
    uint32_t b;
    std::memcpy(&b, &f, 4);
    Put32(s, b);
}

// A part drawn as one quad over the first block, with one box record per block.
inline std::string Part(const std::string& name, const std::vector<Block>& blocks) {
    std::string s;
    Put32(s, 0);
    std::string padded = name;
    padded.resize(260, '\0');
    s += padded;
    const Block& b = blocks.front();
    const float corners[4][3] = {
        {b.lo[0], b.lo[1], b.hi[2]}, {b.hi[0], b.lo[1], b.hi[2]}, {b.hi[0], b.hi[1], b.hi[2]}, {b.lo[0], b.hi[1], b.hi[2]}};
    Put32(s, 4);
    for (const auto& c : corners) {
        for (float f : {c[0], c[1], c[2], 0.0f, 0.0f, 1.0f}) PutFloat(s, f);
        Put32(s, 0xFFFFFFFFu);
        Put32(s, 0);
        for (int k = 0; k < 4; ++k) PutFloat(s, 0.0f);
    }
    Put32(s, 6);
    s += std::string("\0\0\1\0\2\0\0\0\2\0\3\0", 12);
    Put32(s, static_cast<uint32_t>(blocks.size()));
    for (const Block& k : blocks) {
        for (int i = 0; i < 3; ++i) PutFloat(s, (k.lo[i] + k.hi[i]) * 0.5f);
        PutFloat(s, 1.0f);
        for (int i = 0; i < 3; ++i) PutFloat(s, (k.hi[i] - k.lo[i]) * 0.5f);
        PutFloat(s, 1.0f);
        s.append(64, '\0');
    }
    Put32(s, 0);
    return s;
}

inline std::string Mesh(const std::vector<std::string>& parts) {
    std::string s;
    Put32(s, 0);
    Put32(s, static_cast<uint32_t>(parts.size()));
    for (const std::string& p : parts) s += p;
    return s;
}

inline std::string Description(const std::string& mesh, const std::vector<std::string>& parts) {
    std::string text = "object = " + mesh + "\n";
    for (const std::string& p : parts) text += "[" + p + "]\ntexturefile1 = t.tga\ncollision = 1\nvisible = 1\n";
    return text;
}

// The five templates: walls across x = 0 with halves "left" and "right" (the door wall
// with a doorway |y| < 1), a column, a floor and a floor with a "shaft".
inline void WriteTemplates(bool wallSides = true) {
    const float t = 0.125f, h = 4.125f, z = 2.5f;
    const std::string left = wallSides ? "left" : "west", right = wallSides ? "right" : "east";
    test::WriteFile("data/meshes/w.a3d", Mesh({Part(left, {{{-t, -h, 0}, {0, h, z}}}),
                                                Part(right, {{{0, -h, 0}, {t, h, z}}})}));
    test::WriteFile("data/meshes/wall.adf", Description("w.a3d", {left, right}));
    test::WriteFile("data/meshes/d.a3d",
                    Mesh({Part(left, {{{-t, -h, 0}, {0, -1, z}}, {{-t, 1, 0}, {0, h, z}}}),
                          Part(right, {{{0, -h, 0}, {t, -1, z}}, {{0, 1, 0}, {t, h, z}}})}));
    test::WriteFile("data/meshes/wallDoor.adf", Description("d.a3d", {left, right}));
    test::WriteFile("data/meshes/c.a3d", Mesh({Part("column", {{{-0.3f, -0.3f, 0}, {0.3f, 0.3f, 2.6f}}})}));
    test::WriteFile("data/meshes/column.adf", Description("c.a3d", {"column"}));
    test::WriteFile("data/meshes/f.a3d", Mesh({Part("floor", {{{-h, -h, -0.01f}, {h, h, 0}}})}));
    test::WriteFile("data/meshes/floor.adf", Description("f.a3d", {"floor"}));
    test::WriteFile("data/meshes/fh.a3d", Mesh({Part("floor", {{{-h, -h, -0.01f}, {1, h, 0}}}),
                                                 Part("shaft", {{{1, -1, -3}, {3, 1, 0}}})}));
    test::WriteFile("data/meshes/floorHole.adf", Description("fh.a3d", {"floor", "shaft"}));
    test::WriteFile("data/meshes/b.a3d", Mesh({Part("box", {{{-0.5f, -0.5f, 0}, {0.5f, 0.5f, 1}}})}));
    test::WriteFile("data/meshes/box.adf", Description("b.a3d", {"box"}));
    test::WriteFile("data/meshes/door.adf", Description("b.a3d", {"box"}));
}

// A wall block of a type with the textures of its sides.
inline std::string WallBlock(int type, const std::string& left = "l.tga", const std::string& right = "r.tga") {
    std::string s = "[wall]\ntype = " + std::to_string(type) + "\n";
    if (type == 1 || type == 2) s += "left = " + left + "\nright = " + right + "\n";
    return s;
}

// An object entry of a room block.
inline std::string Entry(const std::string& file, const std::string& position, const std::string& name = "",
                         const std::string& heading = "0") {
    return "[object]\nfile = " + file + "\nposition = " + position + "\nangle = " + heading + "\nname = " + name +
           "\n";
}

inline std::string RoomBlock(int type, const std::string& entries = "") {
    std::string s = "[floor]\ntype = " + std::to_string(type) + "\n";
    if (type != 0) s += "texture = \n";
    return s + entries + "[/floor]\n";
}

// The text of a level: wall types by cell (r, c) (default 1), room types and entries by
// room cell (default type 1, no entries), in the reader's order.
inline std::string LevelText(int roomRows, int roomColumns, const std::function<int(int, int)>& wallType,
                             const std::function<std::string(int, int)>& room) {
    const int rows = 2 * roomRows + 1, columns = 2 * roomColumns + 1;
    std::string s;
    for (int c = 0; c < columns; ++c)
        for (int r = 0; r < rows; ++r)
            if (r % 2 != c % 2) s += WallBlock(wallType(r, c));
    for (int c = 1; c < columns; c += 2)
        for (int r = 1; r < rows; r += 2) s += room(r, c);
    return s;
}

// A game world standing in for the real one: rooms from the level, lights counted,
// registered objects owned and deleted at the end.
class FakeWorld : public YLevelWorld {
public:
    FakeWorld() {
        SubscribeEvent(YEVENT_REGISTER_OBJECT, this, OnRegister);
        SubscribeEvent(YEVENT_REGISTER_MOVING_OBJECT, this, OnMoving);
    }
    ~FakeWorld() {
        UnsubscribeEvent(YEVENT_REGISTER_OBJECT, this, OnRegister);
        UnsubscribeEvent(YEVENT_REGISTER_MOVING_OBJECT, this, OnMoving);
        PurgeUnsubscribedEvents();
    }
    // Objects go before the level, as the world deletes them first.
    void Clear() {
        for (CYComplexObject* o : registered) delete o;
        registered.clear();
    }
    YObjectRoom* FindObjectRoom(CYComplexObject* object) override {
        if (onFind) onFind(object);
        if (useAnswer) return answer;
        return level ? level->GetRoomAt(object->AbsolutePosition()) : nullptr;
    }
    bool CheckCollision(CYComplexObject* mover, const math::Vec3& p, float radius, const math::Vec3& dir,
                        float* distance, math::Vec3* contact, CYObject** part) override {
        return level && level->CheckCollision(mover, p, radius, dir, distance, contact, part);
    }
    void AddLight(const gfx::Light& light) override { lights.push_back(light); }
    CYComplexObject* SetupDroidModel(const std::string& name) override {
        droidNames.push_back(name);
        return nullptr;
    }
    CYNode* GetLevelWorldNode() override { return nullptr; }

    static void OnRegister(void* context, intptr_t a, intptr_t b) {
        auto* world = static_cast<FakeWorld*>(context);
        world->registered.push_back(reinterpret_cast<CYComplexObject*>(a));
        world->names.push_back(b ? reinterpret_cast<const char*>(b) : "");
    }
    static void OnMoving(void* context, intptr_t a, intptr_t) {
        static_cast<FakeWorld*>(context)->moving.push_back(reinterpret_cast<CYComplexObject*>(a));
    }

    CYLevel* level = nullptr;
    std::vector<CYComplexObject*> registered;
    std::vector<std::string> names;
    std::vector<CYComplexObject*> moving;
    std::vector<gfx::Light> lights;
    std::vector<std::string> droidNames;
    std::function<void(CYComplexObject*)> onFind;
    // When set, FindObjectRoom answers this room instead of asking the level.
    bool useAnswer = false;
    YObjectRoom* answer = nullptr;
};

// Texture i of a part of an object, or "" when the part or texture is missing.
inline std::string TextureOf(const CYComplexObject* object, const char* part, size_t index) {
    const CYObject* p = object ? object->FindChild(part) : nullptr;
    if (!p) return "";
    const auto& names = const_cast<CYObject*>(p)->GetVisual()->GetTextureNames();
    return index < names.size() ? names[index] : "";
}

inline int LogCount(const std::string& text) {
    const std::string log = test::ReadFile("YLog.log");
    int n = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
}

}  // namespace leveltest
