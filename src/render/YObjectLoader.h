// Object descriptions (.adf under data\meshes): the text that says how to build one
// complex object. The first line names the mesh ("object = box.a3d"), "empty" or
// "particles"; the rest are object settings, script entries, sprites and blocks of
// keys, one block a part (or a particle system). CYMeshLoader::LoadObject reads a
// description with these functions and builds the object from it.
//
// The text is untrusted: every number goes through a checked conversion, counts are
// capped, and a bad line is logged and skipped without stopping the load.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "render/YParticleSystem.h"

class CYComplexObject;
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

// One particle system's name and settings, with the defaults of a block that omits them.
struct YParticleSettings {
    std::string name;
    YParticleParams params;
};

struct YObjectDescription {
    std::string name;  // the description's file name, for log lines
    std::string mesh;  // mesh file name, "empty" or "particles"
    float weight = 0.0f;
    bool moving = false;       // "moving" is "1"
    bool movingGiven = false;  // a "moving" line was read
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

// The steps of building a described object: an object of particle systems, one a block;
// the sprites and auto-sprites added as parts; the scripts added and every part's block
// applied.
std::unique_ptr<CYComplexObject> BuildParticleObject(const YObjectDescription& description);
// "moving" given: every part and its descendants are static geometry unless the object moves.
void ApplyMovingToParts(CYComplexObject* object, const YObjectDescription& description);
void AddDescribedSprites(CYComplexObject* object, const YObjectDescription& description);
void AddScriptsAndPartBlocks(CYComplexObject* object, const YObjectDescription& description);
