#include "render/YObjectLoader.h"

#include <memory>

#include "core/YLog.h"
#include "core/YNumbers.h"
#include "core/YTextParser.h"
#include "core/YTokenizer.h"
#include "core/YUtils.h"
#include "render/YComplexObject.h"
#include "render/YObject.h"
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
        if (values.size() == count || !ParseFloat(token, YNumberMode::Strict, &f)) return false;
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

// Three reals separated by ",", each read as atof reads it; a missing one is 0. False when
// a component holds no number (it is then 0 as well).
bool ReadTriple(const std::string& text, math::Vec3* out) {
    CYTokenizer tokens(text, ",", false);
    std::string token;
    float v[3] = {0.0f, 0.0f, 0.0f};
    bool good = true;
    for (float& f : v)
        if (tokens.NextToken(token) && !ParseFloat(token, YNumberMode::Leading, &f)) f = 0.0f, good = false;
    *out = math::Vec3(v[0], v[1], v[2]);
    return good;
}

// A 32-bit mask written as a decimal, signed or unsigned: -1 and 4294967295 are one mask.
// Read as atoi reads, beyond 32 bits held to the nearest end.
bool ReadMask(const std::string& text, uint32_t* out) {
    int64_t v = 0;
    if (!ParseInteger(text, YNumberMode::Leading, INT32_MIN, UINT32_MAX, &v)) return false;
    *out = static_cast<uint32_t>(v);
    return true;
}

// The keys of one block applied to one part, in the order of kPartKeys.
void ApplyBlock(CYObject* part, const YDescriptionBlock& block, const YObjectDescription& d) {
    auto value = [&](const char* key) -> const std::string* {
        auto it = block.find(key);
        return it == block.end() ? nullptr : &it->second;
    };
    // Integers are read as atoi reads them: "0.0" is 0, and a value with no number is 0 too.
    auto integer = [&](const char* key, int* out) {
        const std::string* v = value(key);
        if (!v) return false;
        if (!ParseInt32(*v, YNumberMode::Leading, out)) {
            BadValue(d, part->GetName(), key, *v);
            *out = 0;
        }
        return true;
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
    // A count of 0 or less draws nothing.
    if (integer("count", &n)) part->SetDrawCount(n);
    // Collision tests skip invisible parts; the collision flag itself stays as set above.
    if (integer("visible", &n)) part->SetVisible(n == 1);
    if (const std::string* v = value("vertexeffect")) {
        if (CYVertexEffect* effect = CreateVertexEffect(*v))
            part->SetVertexEffect(effect);
        else
            Log(3, "Vertex effect \"%s\" of part %s in %s cannot be built\n", v->c_str(), part->GetName().c_str(),
                d.name.c_str());
    }
}

// The block named like the part (none: an empty one), then the same for its children.
void ApplyBlocks(CYObject* part, const YObjectDescription& d, int depth) {
    if (depth > kMaxDescriptionPartDepth) {
        Log(3, "Parts of %s nest too deep; deeper parts keep their settings\n", d.name.c_str());
        return;
    }
    static const YDescriptionBlock kEmpty;
    auto found = d.blocks.find(part->GetName());
    ApplyBlock(part, found == d.blocks.end() ? kEmpty : found->second, d);
    for (CYObject* child : part->Children()) ApplyBlocks(child, d, depth + 1);
}

// The first line, "object = <mesh>": the mesh name (lowercased) into the description.
bool ReadFirstLine(CYTextParser& parser, YObjectDescription* d) {
    std::string line, key, value;
    if (!parser.GetLine(line) || !parser.IsValueLine()) return false;
    ToLower(line);
    SplitValueLine(line, &key, &value);
    if (key != "object" || value.empty()) return false;
    d->mesh = value;
    return true;
}

// The lines after the first: headers open blocks, the script section and sprites; value
// lines are object settings, script entries or keys of the open block.
class CYDescriptionReader {
public:
    CYDescriptionReader(CYTextParser& parser, YObjectDescription* d)
        : parser_(parser), d_(*d), particles_(d->mesh == "particles") {}

    void ReadRest() {
        std::string line;
        for (;;) {
            if (ended_ || (!reread_ && !parser_.GetLine(line))) break;
            reread_ = false;
            const int lineNumber = parser_.GetLineNumber();
            ToLower(line);
            if (parser_.IsValueLine())
                ReadValueLine(line, lineNumber);
            else
                ReadHeader(line, lineNumber);
        }
    }

private:
    void ReadHeader(std::string& line, int lineNumber) {
        inScripts_ = false;
        if (line == "scripts") {
            inScripts_ = true;
        } else if (line == "sprite" || line == "autosprite2") {
            ReadSprite(line == "autosprite2", line, lineNumber);
        } else if (line.empty()) {
            Log(3, "Empty block name in %s, line %d\n", d_.name.c_str(), lineNumber);
            inBlock_ = false;
        } else if (d_.blocks.count(line) == 0 && static_cast<int>(d_.blocks.size()) >= kMaxDescriptionBlocks) {
            if (!droppedBlocks_) Log(3, "Too many blocks in %s, line %d\n", d_.name.c_str(), lineNumber);
            droppedBlocks_ = true;
            inBlock_ = false;
        } else {
            block_ = line;
            inBlock_ = true;
            d_.blocks[block_];
        }
    }

    // The data lines of a sprite (one line of 2 numbers) or an auto-sprite (lines of 3, 3
    // and 1). A header among them ends the data early and is handled as usual; line is
    // left holding it.
    void ReadSprite(bool autoSprite, std::string& line, int lineNumber) {
        YPendingSprite sprite;
        sprite.autoSprite = autoSprite;
        sprite.number = static_cast<int>(d_.sprites.size());
        const size_t counts[3] = {autoSprite ? 3u : 2u, 3u, 1u};
        const int lines = autoSprite ? 3 : 1;
        bool good = true;
        for (int i = 0; i < lines && good; ++i) {
            if (!parser_.GetLine(line)) {
                // The end of the text, or a "[]" line that ends it: nothing after it is read.
                good = false;
                ended_ = true;
            } else if (!parser_.IsValueLine()) {
                good = false;
                reread_ = true;
            } else {
                good = ReadNumbers(parser_, counts[i], &sprite.values);
            }
        }
        if (!good)
            Log(3, "Bad %s data in %s, line %d\n", autoSprite ? "autosprite2" : "sprite", d_.name.c_str(), lineNumber);
        else if (static_cast<int>(d_.sprites.size()) >= kMaxDescriptionSprites)
            Log(3, "Too many sprites in %s, line %d\n", d_.name.c_str(), lineNumber);
        else
            d_.sprites.push_back(std::move(sprite));
    }

    void ReadValueLine(const std::string& line, int lineNumber) {
        std::string key, value;
        SplitValueLine(line, &key, &value);
        // A key without a value (a line without "=" or with nothing after it) is read with
        // the empty value; a line without a key names nothing.
        if (key.empty()) {
            Log(3, "Line %d of %s is not \"key = value\"\n", lineNumber, d_.name.c_str());
        } else if (key == "weight") {
            // Any real number, as atof reads it.
            float w = 0.0f;
            if (!ParseFloat(value, YNumberMode::Leading, &w)) BadValue(d_, block_, key, value);
            d_.weight = w;
        } else if (key == "moving") {
            d_.moving = value == "1";
            d_.movingGiven = true;
        } else if (key == "animationtable") {
            d_.animationTable = value;
        } else if (inScripts_) {
            if (static_cast<int>(d_.scripts.size()) >= kMaxDescriptionScripts)
                Log(3, "Too many scripts in %s, line %d\n", d_.name.c_str(), lineNumber);
            else
                d_.scripts.emplace_back(key, value);
        } else if (!inBlock_) {
            Log(3, "Key %s outside any block in %s, line %d\n", key.c_str(), d_.name.c_str(), lineNumber);
        } else {
            StoreBlockKey(key, value, lineNumber);
        }
    }

    void StoreBlockKey(const std::string& key, const std::string& value, int lineNumber) {
        YDescriptionBlock& keys = d_.blocks[block_];
        if (!Among(key, kPartKeys) && !(particles_ && Among(key, kParticleKeys)))
            Log(3, "Unknown key %s in [%s] of %s, line %d\n", key.c_str(), block_.c_str(), d_.name.c_str(),
                lineNumber);
        if (keys.count(key) == 0 && static_cast<int>(keys.size()) >= kMaxDescriptionBlockKeys)
            Log(3, "Too many keys in [%s] of %s, line %d\n", block_.c_str(), d_.name.c_str(), lineNumber);
        else
            keys[key] = value;
    }

    CYTextParser& parser_;
    YObjectDescription& d_;
    const bool particles_;
    std::string block_;  // the block opened by the last header; empty before any
    bool inBlock_ = false;
    bool inScripts_ = false;
    bool reread_ = false;  // the current line is still to be handled
    bool ended_ = false;   // the reading of the text has ended
    bool droppedBlocks_ = false;
};

}  // namespace

bool ParseObjectDescription(const void* data, uint32_t size, YObjectDescription* d) {
    CYTextParser parser(data, size);
    if (!ReadFirstLine(parser, d)) {
        Log(0, "Undefined mesh object, in file - %s\n", d->name.c_str());
        return false;
    }
    CYDescriptionReader reader(parser, d);
    reader.ReadRest();
    return true;
}

void ApplyPartBlocks(CYObject* part, const YObjectDescription& description) { ApplyBlocks(part, description, 0); }

YParticleSettings ReadParticleSettings(const YObjectDescription& d, const std::string& blockName) {
    YParticleSettings s;
    s.name = blockName;
    YParticleParams& p = s.params;
    p.coneAngle = 0;  // a description's default; the system raises it to its least
    auto found = d.blocks.find(blockName);
    if (found == d.blocks.end()) return s;
    const YDescriptionBlock& block = found->second;
    // Numbers are read as atoi and atof read them: a value with no number gives 0.
    auto read = [&](const char* key, auto* out, auto parse) {
        auto it = block.find(key);
        if (it != block.end() && !parse(it->second, out)) BadValue(d, blockName, key, it->second);
    };
    const auto triple = [](const std::string& t, math::Vec3* out) { return ReadTriple(t, out); };
    const auto real = [](const std::string& t, float* out) {
        if (ParseFloat(t, YNumberMode::Leading, out)) return true;
        *out = 0.0f;
        return false;
    };
    const auto integer = [](const std::string& t, int* out) {
        if (ParseInt32(t, YNumberMode::Leading, out)) return true;
        *out = 0;
        return false;
    };
    const auto mask = [](const std::string& t, uint32_t* out) {
        if (ReadMask(t, out)) return true;
        *out = 0;
        return false;
    };
    read("position", &p.position, triple);
    read("velocity", &p.velocity, triple);
    read("emitdir", &p.emitDir, triple);
    read("wind", &p.wind, triple);
    read("gravity", &p.gravity, triple);
    read("scale", &p.scale, real);
    read("persecond", &p.perSecond, integer);
    read("timetolive", &p.timeToLive, real);
    read("coneangle", &p.coneAngle, integer);
    read("frames", &p.frames, integer);
    read("types", &p.types, integer);
    read("color", &p.color, mask);
    read("emitcount", &p.emitCount, integer);
    read("particlestoemit", &p.particlesToEmit, integer);
    return s;
}

std::unique_ptr<CYComplexObject> BuildParticleObject(const YObjectDescription& d) {
    auto built = std::make_unique<CYComplexObject>("particles");
    built->SetActive();
    for (const auto& entry : d.blocks) {
        const YParticleSettings s = ReadParticleSettings(d, entry.first);
        auto system = std::make_unique<CYParticleSystem>(s.name, s.params);
        system->GetVisual()->SetStaticGeometry(false);
        // A point-sized box at the emitter until the first particles give it a size.
        const math::Vec3& at = s.params.position;
        system->AddBoundingRecord(CYBoundingBox(math::Vec4{at.x, at.y, at.z, 1}, math::Vec4{0, 0, 0, 1}));
        if (built->AddChild(system.get())) system.release();
    }
    return built;
}

void ApplyMovingToParts(CYComplexObject* object, const YObjectDescription& d) {
    if (!d.movingGiven) return;
    std::vector<CYObject*> tree;
    for (CYObject* part : object->Parts()) part->CollectTree(&tree);
    for (CYObject* part : tree) part->GetVisual()->SetStaticGeometry(!d.moving);
}

void AddDescribedSprites(CYComplexObject* object, const YObjectDescription& d) {
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
        if (object->AddChild(sprite.get())) sprite.release();
    }
}

void AddScriptsAndPartBlocks(CYComplexObject* object, const YObjectDescription& d) {
    for (const auto& script : d.scripts) object->AddScript(script.first, script.second);
    for (CYObject* part : object->Parts()) ApplyPartBlocks(part, d);
}
