#include "render/YObjectLoader.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>

#include "core/YFile.h"
#include "core/YLog.h"
#include "core/YTextParser.h"
#include "core/YTokenizer.h"
#include "core/YUtils.h"
#include "render/YComplexObject.h"
#include "render/YMeshLoader.h"
#include "render/YObject.h"
#include "render/YParticleSystem.h"
#include "render/YSkeleton.h"
#include "render/YSprite.h"
#include "render/YVertexEffect.h"

namespace {

// Keys that configure a part, in the order they are applied.
const char* const kPartKeys[] = {"texturefile1", "texturefile2", "texturefile3", "effectfile", "type",
                                 "collision",    "count",        "visible",      "vertexeffect"};
const char* const kParticleKeys[] = {"position",   "velocity", "emitdir", "wind",  "gravity",
                                     "scale",      "persecond", "timetolive", "coneangle", "frames",
                                     "types",      "color",    "emitcount", "particlestoemit"};

template <size_t N>
bool Among(const std::string& key, const char* const (&keys)[N]) {
    for (const char* k : keys)
        if (key == k) return true;
    return false;
}

// Splits "key = value" at the "=", both sides trimmed; the value is empty when absent.
void SplitValueLine(const std::string& line, std::string* key, std::string* value) {
    CYTokenizer tokens(line, "=", false);
    key->clear();
    value->clear();
    tokens.NextToken(*key);
    tokens.NextToken(*value);
}

// The numbers of one line separated by blanks; false unless there are exactly count.
bool ReadNumbers(CYTextParser& parser, size_t count, std::vector<float>* out) {
    std::string token;
    std::vector<float> values;
    while (parser.NextToken(token)) {
        float f;
        if (values.size() == count || !ParseReal(token, &f)) return false;
        values.push_back(f);
    }
    if (values.size() != count) return false;
    out->insert(out->end(), values.begin(), values.end());
    return true;
}

void BadValue(const YObjectDescription& d, const std::string& block, const std::string& key,
              const std::string& value) {
    Log(3, "Bad value \"%s\" for %s in [%s] of %s\n", value.c_str(), key.c_str(), block.c_str(), d.name.c_str());
}

bool ReadTriple(const std::string& text, float out[3]) {
    CYTokenizer tokens(text, ",", false);
    std::string token;
    float v[3];
    int n = 0;
    while (tokens.NextToken(token)) {
        if (n == 3 || !ParseReal(token, &v[n])) return false;
        ++n;
    }
    if (n != 3) return false;
    for (int i = 0; i < 3; ++i) out[i] = v[i];
    return true;
}

void ApplyBlocks(CYObject* part, const YObjectDescription& d, int depth) {
    if (depth > kMaxDescriptionPartDepth) {
        Log(3, "Parts of %s nest too deep; deeper parts keep their settings\n", d.name.c_str());
        return;
    }
    static const YDescriptionBlock kEmpty;
    auto found = d.blocks.find(part->GetName());
    const YDescriptionBlock& block = found == d.blocks.end() ? kEmpty : found->second;
    auto value = [&](const char* key) -> const std::string* {
        auto it = block.find(key);
        return it == block.end() ? nullptr : &it->second;
    };
    auto integer = [&](const char* key, int* out) {
        const std::string* v = value(key);
        if (!v) return false;
        if (ParseInt(*v, out)) return true;
        BadValue(d, part->GetName(), key, *v);
        return false;
    };

    if (const std::string* v = value("texturefile1"))
        part->SetTexture(0, *v);
    else
        Log(3, "Error in %s!!!\n", d.name.c_str());
    if (const std::string* v = value("texturefile2")) part->SetTexture(1, *v);
    if (const std::string* v = value("texturefile3")) part->SetTexture(2, *v);
    if (const std::string* v = value("effectfile"))
        part->SetName2(*v);
    else
        Log(3, "Error in %s!!!\n", d.name.c_str());
    int n;
    if (integer("type", &n)) part->SetMode(n);
    if (integer("collision", &n)) part->SetCollision(n == 1);
    if (integer("count", &n)) {
        // A negative count would draw nothing and then underflow in the sink's arithmetic.
        if (n >= 0)
            part->SetDrawCount(n);
        else
            BadValue(d, part->GetName(), "count", *value("count"));
    }
    // Collision tests skip invisible parts; the collision flag itself stays as set above.
    if (integer("visible", &n)) part->SetVisible(n == 1);
    if (const std::string* v = value("vertexeffect")) {
        if (CYVertexEffect* effect = CreateVertexEffect(*v))
            part->SetVertexEffect(effect);
        else
            Log(3, "Vertex effect \"%s\" of part %s in %s cannot be built\n", v->c_str(), part->GetName().c_str(),
                d.name.c_str());
    }
    for (CYObject* child : part->Children()) ApplyBlocks(child, d, depth + 1);
}

}  // namespace

bool ParseInt(const std::string& text, int* out) {
    std::string s = text;
    Trim(s);
    if (s.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(s.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        return false;
    *out = static_cast<int>(v);
    return true;
}

bool ParseReal(const std::string& text, float* out) {
    std::string s = text;
    Trim(s);
    if (s.empty()) return false;
    // Decimal numbers only: no hexadecimal floats, no "inf" or "nan" words.
    for (char c : s)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) return false;
    errno = 0;
    char* end = nullptr;
    const float v = std::strtof(s.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(v)) return false;
    *out = v;
    return true;
}

bool ParseObjectDescription(const void* data, uint32_t size, YObjectDescription* d) {
    CYTextParser parser(data, size);
    std::string line;
    std::string key;
    std::string value;

    // The first line: "object = <mesh>".
    const bool read = parser.GetLine(line);
    if (read && parser.IsValueLine()) {
        ToLower(line);
        SplitValueLine(line, &key, &value);
    }
    if (!read || !parser.IsValueLine() || key != "object" || value.empty()) {
        Log(0, "Undefined mesh object, in file - %s\n", d->name.c_str());
        return false;
    }
    d->mesh = value;
    const bool particles = d->mesh == "particles";

    std::string block;       // the block opened by the last header; empty before any
    bool inBlock = false;
    bool inScripts = false;
    bool reread = false;     // the current line is still to be handled
    bool droppedBlocks = false;
    for (;;) {
        if (!reread && !parser.GetLine(line)) break;
        reread = false;
        const int lineNumber = parser.GetLineNumber();
        ToLower(line);
        if (!parser.IsValueLine()) {
            inScripts = false;
            if (line == "scripts") {
                inScripts = true;
            } else if (line == "sprite" || line == "autosprite2") {
                YPendingSprite sprite;
                sprite.autoSprite = line == "autosprite2";
                sprite.number = static_cast<int>(d->sprites.size());
                const size_t counts[3] = {sprite.autoSprite ? 3u : 2u, 3u, 1u};
                const int lines = sprite.autoSprite ? 3 : 1;
                bool good = true;
                for (int i = 0; i < lines && good; ++i) {
                    if (!parser.GetLine(line)) {
                        good = false;
                    } else if (!parser.IsValueLine()) {
                        good = false;
                        reread = true;  // a header ends the data early; it is handled as usual
                    } else {
                        good = ReadNumbers(parser, counts[i], &sprite.values);
                    }
                }
                if (!good) {
                    Log(3, "Bad %s data in %s, line %d\n", sprite.autoSprite ? "autosprite2" : "sprite",
                        d->name.c_str(), lineNumber);
                } else if (static_cast<int>(d->sprites.size()) >= kMaxDescriptionSprites) {
                    Log(3, "Too many sprites in %s, line %d\n", d->name.c_str(), lineNumber);
                } else {
                    d->sprites.push_back(std::move(sprite));
                }
            } else if (line.empty()) {
                Log(3, "Empty block name in %s, line %d\n", d->name.c_str(), lineNumber);
                inBlock = false;
            } else if (d->blocks.count(line) == 0 && static_cast<int>(d->blocks.size()) >= kMaxDescriptionBlocks) {
                if (!droppedBlocks) Log(3, "Too many blocks in %s, line %d\n", d->name.c_str(), lineNumber);
                droppedBlocks = true;
                inBlock = false;
            } else {
                block = line;
                inBlock = true;
                d->blocks[block];
            }
            continue;
        }

        SplitValueLine(line, &key, &value);
        if (key.empty() || value.empty()) {
            Log(3, "Line %d of %s is not \"key = value\"\n", lineNumber, d->name.c_str());
            continue;
        }
        if (key == "weight") {
            float w;
            if (ParseReal(value, &w) && w >= 0.0f)
                d->weight = w;
            else
                BadValue(*d, block, key, value);
        } else if (key == "moving") {
            d->moving = value == "1";
        } else if (key == "animationtable") {
            d->animationTable = value;
        } else if (inScripts) {
            if (static_cast<int>(d->scripts.size()) >= kMaxDescriptionScripts)
                Log(3, "Too many scripts in %s, line %d\n", d->name.c_str(), lineNumber);
            else
                d->scripts.emplace_back(key, value);
        } else if (!inBlock) {
            Log(3, "Key %s outside any block in %s, line %d\n", key.c_str(), d->name.c_str(), lineNumber);
        } else {
            YDescriptionBlock& keys = d->blocks[block];
            if (!Among(key, kPartKeys) && !(particles && Among(key, kParticleKeys)))
                Log(3, "Unknown key %s in [%s] of %s, line %d\n", key.c_str(), block.c_str(), d->name.c_str(),
                    lineNumber);
            if (keys.count(key) == 0 && static_cast<int>(keys.size()) >= kMaxDescriptionBlockKeys)
                Log(3, "Too many keys in [%s] of %s, line %d\n", block.c_str(), d->name.c_str(), lineNumber);
            else
                keys[key] = value;
        }
    }
    return true;
}

void ApplyPartBlocks(CYObject* part, const YObjectDescription& description) { ApplyBlocks(part, description, 0); }

YParticleSettings ReadParticleSettings(const YObjectDescription& d, const std::string& blockName) {
    YParticleSettings s;
    s.name = blockName;
    auto found = d.blocks.find(blockName);
    if (found == d.blocks.end()) return s;
    const YDescriptionBlock& block = found->second;
    auto triple = [&](const char* key, float* out) {
        auto it = block.find(key);
        if (it != block.end() && !ReadTriple(it->second, out)) BadValue(d, blockName, key, it->second);
    };
    auto real = [&](const char* key, float* out) {
        auto it = block.find(key);
        if (it != block.end() && !ParseReal(it->second, out)) BadValue(d, blockName, key, it->second);
    };
    auto integer = [&](const char* key, int* out) {
        auto it = block.find(key);
        if (it != block.end() && !ParseInt(it->second, out)) BadValue(d, blockName, key, it->second);
    };
    triple("position", s.position);
    triple("velocity", s.velocity);
    triple("emitdir", s.emitDir);
    triple("wind", s.wind);
    triple("gravity", s.gravity);
    real("scale", &s.scale);
    integer("persecond", &s.perSecond);
    real("timetolive", &s.timeToLive);
    integer("coneangle", &s.coneAngle);
    integer("frames", &s.frames);
    integer("types", &s.types);
    integer("color", &s.color);
    integer("emitcount", &s.emitCount);
    integer("particlestoemit", &s.particlesToEmit);
    return s;
}

HRESULT CYMeshLoader::LoadObject(const std::string& name, CYComplexObject** object) {
    *object = nullptr;
    CYFile file("data\\meshes\\" + name);
    YObjectDescription d;
    d.name = name;
    if (FAILED(file.Load())) {
        Log(0, "Undefined mesh object, in file - %s\n", name.c_str());
        return E_FAIL;
    }
    if (!ParseObjectDescription(file.GetData(), file.GetSize(), &d)) return E_FAIL;

    if (d.mesh == "particles") {
        auto built = std::make_unique<CYComplexObject>("particles");
        built->SetActive();
        for (const auto& entry : d.blocks) {
            const YParticleSettings s = ReadParticleSettings(d, entry.first);
            YParticleParams p;
            p.position = math::Vec3(s.position[0], s.position[1], s.position[2]);
            p.velocity = math::Vec3(s.velocity[0], s.velocity[1], s.velocity[2]);
            p.emitDir = math::Vec3(s.emitDir[0], s.emitDir[1], s.emitDir[2]);
            p.wind = math::Vec3(s.wind[0], s.wind[1], s.wind[2]);
            p.gravity = math::Vec3(s.gravity[0], s.gravity[1], s.gravity[2]);
            p.scale = s.scale;
            p.perSecond = s.perSecond;
            p.timeToLive = s.timeToLive;
            p.coneAngle = s.coneAngle;
            p.frames = s.frames;
            p.types = s.types;
            p.color = static_cast<uint32_t>(s.color);
            p.emitCount = s.emitCount;
            p.particlesToEmit = s.particlesToEmit;
            auto system = std::make_unique<CYParticleSystem>(s.name, p);
            system->GetVisual()->SetStaticGeometry(false);
            // A point-sized box at the emitter until the first particles give it a size.
            system->AddBoundingRecord(CYBoundingBox(math::Vec4{p.position.x, p.position.y, p.position.z, 1},
                                                    math::Vec4{0, 0, 0, 1}));
            if (built->AddChild(system.get())) system.release();
        }
        for (const auto& script : d.scripts) built->AddScript(script.first, script.second);
        for (CYObject* part : built->Parts()) ApplyPartBlocks(part, d);
        *object = built.release();
        return S_OK;
    }

    std::unique_ptr<CYComplexObject> built;
    if (d.mesh == "empty")
        built = std::make_unique<CYComplexObject>("empty");
    else
        built.reset(LoadMesh(d.mesh));
    if (!built) {
        Log(0, "Cannot load mesh file - %s", d.mesh.c_str());
        return E_FAIL;
    }
    if (d.moving) built->SetMoving(true);
    built->SetWeight(d.weight);
    if (!d.animationTable.empty() && built->GetSkeleton()) built->GetSkeleton()->LoadAnimationTable(d.animationTable);
    for (const YPendingSprite& pending : d.sprites) {
        const std::vector<float>& v = pending.values;
        std::unique_ptr<CYObject> sprite;
        if (pending.autoSprite && v.size() >= 7)
            sprite = std::make_unique<CYAutoSprite>("autosprite" + std::to_string(pending.number),
                                                    math::Vec3(v[0], v[1], v[2]), math::Vec3(v[3], v[4], v[5]), v[6]);
        else if (!pending.autoSprite && v.size() >= 2)
            sprite = std::make_unique<CYSprite>("sprite" + std::to_string(pending.number), v[0], v[1]);
        if (!sprite) continue;
        sprite->GetVisual()->SetStaticGeometry(false);
        if (built->AddChild(sprite.get())) sprite.release();
    }
    for (const auto& script : d.scripts) built->AddScript(script.first, script.second);
    for (CYObject* part : built->Parts()) ApplyPartBlocks(part, d);
    if (!built->Parts().empty()) built->ComputeRadius();
    *object = built.release();
    return S_OK;
}
