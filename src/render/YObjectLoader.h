// Object descriptions (.adf under data\meshes): the text that says how to build one
// complex object. The first line names the mesh ("object = box.a3d"), "empty" or
// "particles"; the rest are object settings, script entries, sprites and blocks of
// keys, one block a part (or a particle system). CYMeshLoader::LoadObject (declared in
// YMeshLoader.h) reads a description and builds the object from it.
//
// The text is untrusted: every number goes through a checked conversion, counts are
// capped, and a bad line is logged and skipped without stopping the load.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

class CYObject;

// Caps on what one description may hold; lines beyond them are logged and dropped.
constexpr int kMaxDescriptionBlocks = 1024;
constexpr int kMaxDescriptionBlockKeys = 64;
constexpr int kMaxDescriptionScripts = 64;
constexpr int kMaxDescriptionSprites = 256;
// Deepest part tree the blocks are applied to.
constexpr int kMaxDescriptionPartDepth = 64;

using YDescriptionBlock = std::map<std::string, std::string>;

// A sprite ("sprite": two numbers) or auto-sprite ("autosprite2": 3 + 3 + 1 numbers)
// waiting to be added to the object.
struct YPendingSprite {
    bool autoSprite = false;
    int number = 0;  // sprites and auto-sprites pending before it: the suffix of its name
    std::vector<float> values;
};

// One particle system's settings, with the defaults of a block that omits them.
struct YParticleSettings {
    std::string name;
    float position[3] = {0, 0, 0};
    float velocity[3] = {0, 0, 0};
    float emitDir[3] = {0, 0, 0};
    float wind[3] = {0, 0, 0};
    float gravity[3] = {0, 0, 0};
    float scale = 1.0f;
    int perSecond = 1;
    float timeToLive = 1.0f;
    int coneAngle = 0;
    int frames = 1;
    int types = 1;
    int color = -1;
    int emitCount = -1;
    int particlesToEmit = 50;
};

struct YObjectDescription {
    std::string name;  // the description's file name, for log lines
    std::string mesh;  // mesh file name, "empty" or "particles"
    float weight = 0.0f;
    bool moving = false;
    std::string animationTable;
    std::vector<std::pair<std::string, std::string>> scripts;  // state name, file name
    std::map<std::string, YDescriptionBlock> blocks;
    std::vector<YPendingSprite> sprites;
};

// Reads a description from size bytes of text. False (with "Undefined mesh object, in
// file - %s" logged) when the first line is not "object = <name>".
bool ParseObjectDescription(const void* data, uint32_t size, YObjectDescription* out);

// Applies the block named like the part (none: an empty block) to the part, then to
// its children the same way.
void ApplyPartBlocks(CYObject* part, const YObjectDescription& description);

// The particle system a block describes; bad values are logged and keep their default.
YParticleSettings ReadParticleSettings(const YObjectDescription& description, const std::string& blockName);

// Checked conversions of a whole (trimmed) text: false for anything else, for values
// out of range and, for reals, for infinities and NaN.
bool ParseInt(const std::string& text, int* out);
bool ParseReal(const std::string& text, float* out);
