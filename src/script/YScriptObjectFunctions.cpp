// Script functions for complex objects and their parts: creating, finding, placing,
// moving, turning, showing, naming, parameters, snapping, sprites, skeletons, and three
// vector functions. A null (or destroyed) object does nothing and reads as the defaults.
#include <lua.hpp>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/YCommandManager.h"
#include "core/YEvents.h"
#include "core/YLog.h"
#include "core/YTokenizer.h"
#include "core/YTriggerRegistry.h"
#include "render/YMeshLoader.h"
#include "render/YSkeleton.h"
#include "render/YSprite.h"
#include "render/YVertexEffect.h"
#include "script/YScriptFunctions.h"
#include "script/YScriptObjects.h"

namespace {

// Name and handler name of objects that scripts create.
const char* const kCreatedName = "temp";
// Most keys one parameter table of an object may hold.
constexpr size_t kMaxObjectParams = 4096;
// Heading 0 of CObjRotateAbsolute points along -y: the angle is taken a quarter turn back.
constexpr float kQuarterTurn = 1.5707964f;
// Distance GetCObjsDistance answers when an object is missing.
constexpr float kNoDistance = 100000.0f;

// The entry of a key, entered with the default when absent; null (logged) when the table
// is full, so that a script cannot grow it without bound.
template <class Map>
typename Map::mapped_type* ParamEntry(Map& map, const char* key) {
    auto it = map.find(key);
    if (it != map.end()) return &it->second;
    if (map.size() >= kMaxObjectParams) {
        Log(3, "Object parameter - %s refused: the object holds %d parameters\n", key,
            static_cast<int>(kMaxObjectParams));
        return nullptr;
    }
    return &map[key];
}

// Reads three strict numbers from index on as a position; false (logged) beyond the range
// positions may take.
bool ArgPosition(lua_State* L, int index, math::Vec3* out, const char* function) {
    *out = math::Vec3(ArgFloat(L, index), ArgFloat(L, index + 1), ArgFloat(L, index + 2));
    if (ScriptPlaceOk(*out)) return true;
    Log(3, "%s: position out of range, refused\n", function);
    return false;
}

// Places the object and rebuilds its placement; false when the position was refused.
bool PlaceAt(CYComplexObject* object, const math::Vec3& p) {
    if (!object->SetPosition(p)) return false;
    object->UpdatePlacement();
    return true;
}

// Hands a new object to the world as scripts' objects are (event 13, "temp"), names its
// script handler "temp", registers it for commands and places it.
void RegisterCreatedObject(CYComplexObject* object, const math::Vec3& p) {
    SendEvent(YEVENT_REGISTER_OBJECT, reinterpret_cast<intptr_t>(object), reinterpret_cast<intptr_t>(kCreatedName));
    CYScriptHandler& handler = object->ScriptHandler();
    handler.SetName(kCreatedName);
    // Its "_" states switch on their triggers, as those of the objects a level places do.
    CYTriggerRegistry::RegisterWatchers(&handler);
    if (g_commandManager) g_commandManager->Register(&handler);
    PlaceAt(object, p);
}

// Turns the object by the angle; refused (logged) when the angle or the result is unusable.
void TurnBy(CYComplexObject* object, float angle, const char* function) {
    if (!ScriptAngleOk(angle) || !ScriptAngleOk(object->GetHeading() + angle)) {
        Log(3, "%s: angle out of range, refused\n", function);
        return;
    }
    object->SetHeading(object->GetHeading() + angle);
}

// Moves with the collision test; 1 when the object's position changed, else 0.
int PushMoveResult(lua_State* L, CYComplexObject* object, float distance, bool forward) {
    if (!object) {
        lua_pushnumber(L, 0);
        return 1;
    }
    const math::Vec3 before = object->Position();
    if (ScriptPlaceOk(distance)) {
        if (forward) object->MoveForward(distance);
        else object->MoveBackward(distance);
    } else {
        Log(3, "Object - %s: move by %g refused\n", object->GetName().c_str(), double(distance));
    }
    const math::Vec3 after = object->Position();
    lua_pushnumber(L, before.x != after.x || before.y != after.y || before.z != after.z ? 1 : 0);
    return 1;
}

// Hands the part a local matrix built from script numbers; the pivot and the move must lie
// within the positions' range and the angles within kMaxScriptAngle.
void SetPartTransform(CYObject* part, const math::Matrix& m, std::initializer_list<float> places,
                      std::initializer_list<float> angles, const char* function) {
    for (float v : places)
        if (!ScriptPlaceOk(v)) return (void)Log(3, "%s: offset out of range, refused\n", function);
    for (float a : angles)
        if (!ScriptAngleOk(a)) return (void)Log(3, "%s: angle out of range, refused\n", function);
    part->SetLocalTransform(m);
}

math::Matrix RotationXYZ(float ax, float ay, float az) {
    return math::MatrixRotationX(ax) * math::MatrixRotationY(ay) * math::MatrixRotationZ(az);
}

int PushVector(lua_State* L, const math::Vec4& v) {
    lua_pushnumber(L, v.x);
    lua_pushnumber(L, v.y);
    lua_pushnumber(L, v.z);
    return 3;
}

void PushText(lua_State* L, const std::string& text) { lua_pushlstring(L, text.data(), text.size()); }

}  // namespace

// ---- Finding and making objects -----------------------------------------------------------

// GetCurrentComplexObject(script): the object whose script is running (a complex object,
// the game world or its camera), or null.
int GetCurrentComplexObject(lua_State* L) {
    CYScript* script = ArgObject<CYScript>(L, 1);
    CYScriptHandler* handler = script ? script->Handler() : nullptr;
    const void* owner = handler ? handler->Owner() : nullptr;
    if (CYComplexObject* object = CYComplexObject::FromOwner(owner)) {
        PushReference(L, object);
        return 1;
    }
    CYGameWorld* world = owner ? QueryGameWorld() : nullptr;
    if (world && owner == static_cast<const void*>(world))
        PushReference(L, world);
    else if (world && owner == static_cast<const void*>(&world->GetCamera()))
        lua_pushlightuserdata(L, world->CameraReference());
    else
        PushNull(L);
    return 1;
}

// GetComplexObject(name): the object registered under the name (event 17), or null.
int GetComplexObject(lua_State* L) {
    const char* name = ArgText(L, 1);
    CYComplexObject* object = nullptr;
    SendEvent(YEVENT_GET_COMPLEX_OBJECT, reinterpret_cast<intptr_t>(name), reinterpret_cast<intptr_t>(&object));
    PushReference(L, object);
    return 1;
}

// CreateComplexObject(file, x, y, z): true and the new object, or false without a world,
// for a description that cannot be loaded or a position out of range.
int CreateComplexObject(lua_State* L) {
    const char* file = ArgText(L, 1);
    math::Vec3 p;
    const bool placeOk = ArgPosition(L, 2, &p, "CreateComplexObject");
    CYComplexObject* object = nullptr;
    CYMeshLoader loader;
    if (!placeOk || !QueryGameWorld() || FAILED(loader.LoadObject(file, &object)) || !object) {
        lua_pushboolean(L, false);
        return 1;
    }
    RegisterCreatedObject(object, p);
    lua_pushboolean(L, true);
    PushReference(L, object);
    return 2;
}

// GetComplexObjectClone(object, x, y, z): a copy registered as "temp" and placed there;
// null for a null object, without a world, or for a position out of range.
int GetComplexObjectClone(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    math::Vec3 p;
    const bool placeOk = ArgPosition(L, 2, &p, "GetComplexObjectClone");
    if (!object || !placeOk || !QueryGameWorld()) {
        PushNull(L);
        return 1;
    }
    CYComplexObject* clone = object->Clone(object->GetName());
    RegisterCreatedObject(clone, p);
    PushReference(L, clone);
    return 1;
}

// IsNull(reference): true for null, for a destroyed object and for anything not a reference.
int IsNull(lua_State* L) {
    lua_pushboolean(L, ArgReferenceId(L, 1) == 0);
    return 1;
}

// ---- Position, heading, radius --------------------------------------------------------------

// GetComplexObjectPos(object): x, y, z and heading.
int GetComplexObjectPos(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    const math::Vec3 p = object ? object->Position() : math::Vec3();
    lua_pushnumber(L, p.x);
    lua_pushnumber(L, p.y);
    lua_pushnumber(L, p.z);
    lua_pushnumber(L, object ? object->GetHeading() : 0.0f);
    return 4;
}

// GetObjectPos(object): x, y, z.
int GetObjectPos(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    const math::Vec3 p = object ? object->Position() : math::Vec3();
    return PushVector(L, math::Vec4{p.x, p.y, p.z, 1.0f});
}

// GetObjectAngle(object): the heading.
int GetObjectAngle(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    lua_pushnumber(L, object ? object->GetHeading() : 0.0f);
    return 1;
}

// SetCObjPosition(object, x, y, z): places the object, then the visible rooms follow (event 12).
int SetCObjPosition(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    const math::Vec3 p(ArgFloatLenient(L, 2), ArgFloatLenient(L, 3), ArgFloatLenient(L, 4));
    if (!object || !PlaceAt(object, p)) return 0;
    SendEvent(YEVENT_UPDATE_VISIBLE_ROOMS, 0, 0);
    return 0;
}

// SetComplexObjectPosition(object, x, y, z, heading): the numbers are read only for an object.
int SetComplexObjectPosition(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    if (!object) return 0;
    math::Vec3 p;
    const bool placeOk = ArgPosition(L, 2, &p, "SetComplexObjectPosition");
    const float heading = ArgFloat(L, 5);
    if (!placeOk) return 0;
    if (!ScriptAngleOk(heading)) {
        Log(3, "SetComplexObjectPosition: angle out of range, refused\n");
        return 0;
    }
    object->SetPosition(p);
    object->SetHeading(heading);
    object->UpdatePlacement();
    return 0;
}

// MoveComplexObject(object, dx, dy, dz): moves by the vector without a collision test.
int MoveComplexObject(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    const math::Vec3 d(ArgFloat(L, 2), ArgFloat(L, 3), ArgFloat(L, 4));
    if (object) object->Move(d);
    return 0;
}

// CObjMoveForward(object, distance): moves along the heading with the collision test; the
// number 1 when the object moved, else 0.
int CObjMoveForward(lua_State* L) { return PushMoveResult(L, ArgComplexObject(L, 1), ArgFloatLenient(L, 2), true); }

int CObjMoveBackward(lua_State* L) { return PushMoveResult(L, ArgComplexObject(L, 1), ArgFloatLenient(L, 2), false); }

// CObjMoveForwardWithoutCD(object, distance): along the heading, through whatever is there.
int CObjMoveForwardWithoutCD(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    const float d = ArgFloatLenient(L, 2);
    if (!object) return 0;
    const float h = object->GetHeading();
    const math::Vec3 p = object->Position();
    PlaceAt(object, math::Vec3(p.x + std::cos(h) * d, p.y + std::sin(h) * d, p.z));
    return 0;
}

// CObjRotate(object, angle), RotateComplexObject(object, angle): heading += angle.
int CObjRotate(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    const float angle = ArgFloatLenient(L, 2);
    if (object) TurnBy(object, angle, "CObjRotate");
    return 0;
}

int RotateComplexObject(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    const float angle = ArgFloat(L, 2);
    if (object) TurnBy(object, angle, "RotateComplexObject");
    return 0;
}

// CObjRotateAbsolute(object, angle): heading = angle - pi/2.
int CObjRotateAbsolute(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    const float angle = ArgFloatLenient(L, 2);
    if (!object) return 0;
    if (!ScriptAngleOk(angle)) {
        Log(3, "CObjRotateAbsolute: angle out of range, refused\n");
        return 0;
    }
    object->SetHeading(angle - kQuarterTurn);
    return 0;
}

// GetCObjsDistance(a, b): the distance of the two positions in the floor plane; 100000
// when either is missing.
int GetCObjsDistance(lua_State* L) {
    CYComplexObject* a = ArgComplexObject(L, 1);
    CYComplexObject* b = ArgComplexObject(L, 2);
    if (!a || !b) {
        lua_pushnumber(L, kNoDistance);
        return 1;
    }
    // The positions as GetObjectPos gives them (a snapped object's is relative).
    const math::Vec3 pa = a->Position(), pb = b->Position();
    const float dx = pa.x - pb.x, dy = pa.y - pb.y;
    lua_pushnumber(L, std::sqrt(dx * dx + dy * dy));
    return 1;
}

int GetRadius(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    lua_pushnumber(L, object ? object->GetRadius() : 0.0f);
    return 1;
}

// SetRadius(object, radius): refused (logged) when negative or beyond the positions' range.
int SetRadius(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    const float radius = ArgFloat(L, 2);
    if (!object) return 0;
    if (!ScriptPlaceOk(radius)) {
        Log(3, "SetRadius: radius out of range, refused\n");
        return 0;
    }
    object->SetRadius(radius);
    return 0;
}

// ---- Showing and drawing --------------------------------------------------------------------

int SetCollision(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    const bool flag = ArgBool(L, 2);
    if (object) object->SetCollidable(flag);
    return 0;
}

int SetCObjVisible(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    const bool flag = ArgBool(L, 2);
    if (object) object->SetVisible(flag);
    return 0;
}

int SetObjectVisible(lua_State* L) {
    CYObject* part = ArgPart(L, 1);
    const bool flag = ArgBool(L, 2);
    if (part) part->SetVisible(flag);
    return 0;
}

int IsObjectVisible(lua_State* L) {
    CYObject* part = ArgPart(L, 1);
    lua_pushboolean(L, part && part->IsVisible());
    return 1;
}

// SetBBoxVisible(part, flag): the part's bounding boxes and those of every part below it.
int SetBBoxVisible(lua_State* L) {
    CYObject* part = ArgPart(L, 1);
    const bool flag = ArgBool(L, 2);
    if (!part) return 0;
    std::vector<CYObject*> tree;
    part->CollectTree(&tree);
    for (CYObject* p : tree) p->SetShowBounds(flag);
    return 0;
}

int DrawComplexObject(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    if (object) object->Draw();
    return 0;
}

// ---- Names and parts ------------------------------------------------------------------------

int GetObjectName(lua_State* L) {
    CYObject* part = ArgPart(L, 1);
    PushText(L, part ? part->GetName() : std::string());
    return 1;
}

int SetObjectName(lua_State* L) {
    CYObject* part = ArgPart(L, 1);
    const char* name = ArgTextLenient(L, 2);
    if (part) part->SetName(name);
    return 0;
}

// GetCObjName(object): the name its script handler is registered under.
int GetCObjName(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    PushText(L, object ? object->ScriptHandler().Name() : std::string());
    return 1;
}

// GetObjectParent(part): the complex object the part belongs to, or null.
int GetObjectParent(lua_State* L) {
    CYObject* part = ArgPart(L, 1);
    PushReference(L, part ? part->GetOwner() : nullptr);
    return 1;
}

// GetChildObject(object, name): the part of that name anywhere in the object, or null. The
// name is not read for a null object.
int GetChildObject(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    if (!object) {
        PushNull(L);
        return 1;
    }
    PushPart(L, object->FindChild(ArgText(L, 2)));
    return 1;
}

// AddChild(object, part): the object takes a part made by CloneChild; parts that belong to
// something already are refused.
int AddChild(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    CYObject* part = ArgPart(L, 2);
    if (!object || !part) return 0;
    if (!IsFreePart(part)) {
        Log(3, "AddChild: part - %s belongs to an object already, refused\n", part->GetName().c_str());
        return 0;
    }
    if (object->AddChild(part)) ReleaseFreePart(part);
    return 0;
}

// CloneChild(part): a copy of the part and everything below it, belonging to nothing until
// AddChild gives it to an object.
int CloneChild(lua_State* L) {
    CYObject* part = ArgPart(L, 1);
    PushPart(L, part ? KeepFreePart(std::unique_ptr<CYObject>(part->Clone())) : nullptr);
    return 1;
}

// DeleteChildObject(object, name): deletes the part of that name with everything below it.
int DeleteChildObject(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    const char* name = ArgText(L, 2);
    if (object) object->DeletePart(name);
    return 0;
}

// ---- Parameters -----------------------------------------------------------------------------

// GetObjectSParam(object, key): the text parameter; an absent key is entered empty.
int GetObjectSParam(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    const char* key = ArgText(L, 2);
    const std::string* value = object ? ParamEntry(object->ScriptHandler().textParams, key) : nullptr;
    PushText(L, value ? *value : std::string());
    return 1;
}

int SetObjectSParam(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    const char* key = ArgText(L, 2);
    const char* value = ArgText(L, 3);
    if (!object) return 0;
    if (std::string* entry = ParamEntry(object->ScriptHandler().textParams, key)) *entry = value;
    return 0;
}

// GetObjectParam(object, key): the object parameter (null once its object is gone); an
// absent key is entered as null.
int GetObjectParam(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    const char* key = ArgText(L, 2);
    const int32_t* id = object ? ParamEntry(object->ScriptHandler().objectParams, key) : nullptr;
    PushReference(L, id ? FindReferenced(static_cast<uint32_t>(*id)) : nullptr);
    return 1;
}

int SetObjectParam(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    const char* key = ArgText(L, 2);
    const uint32_t id = ArgReferenceId(L, 3);
    if (!object) return 0;
    if (int32_t* entry = ParamEntry(object->ScriptHandler().objectParams, key)) *entry = static_cast<int32_t>(id);
    return 0;
}

// GetObjectTrigger(object, key): the flag parameter of an object the world still holds
// (event 71); false otherwise, without reading the parameters. An absent key is entered false.
int GetObjectTrigger(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    const char* key = ArgText(L, 2);
    uint8_t live = 0;
    if (object)
        SendEvent(YEVENT_IS_VALID_OBJECT, reinterpret_cast<intptr_t>(object), reinterpret_cast<intptr_t>(&live));
    const bool* flag = live ? ParamEntry(object->ScriptHandler().flagParams, key) : nullptr;
    lua_pushboolean(L, flag && *flag);
    return 1;
}

int SetObjectTrigger(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    const char* key = ArgText(L, 2);
    const bool value = ArgBool(L, 3);
    if (!object) return 0;
    if (bool* entry = ParamEntry(object->ScriptHandler().flagParams, key)) *entry = value;
    return 0;
}

// SetSnapObject(object, target): the object rides on the target from now on (null: on
// nothing) and stays where it stands. Snapping to itself or to an object that rides on it
// is refused: the snap stays as it was.
int SetSnapObject(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    CYComplexObject* target = ArgComplexObject(L, 2);
    if (object && !object->SetCarrier(target))
        Log(3, "SetSnapObject: object - %s cannot ride on - %s, refused\n", object->GetName().c_str(),
            target->GetName().c_str());
    return 0;
}

// ---- Looks: textures, effects, sprites --------------------------------------------------------

int SetTexture(lua_State* L) {
    CYObject* part = ArgPart(L, 1);
    const char* name = ArgText(L, 2);
    if (part) part->SetTexture(0, name);
    return 0;
}

int SetEffect(lua_State* L) {
    CYObject* part = ArgPart(L, 1);
    const char* name = ArgText(L, 2);
    if (part) part->SetName2(name);
    return 0;
}

// SetVertexEffect(part, name, parameters): the effect built from the name and the blank-
// separated parameters replaces the part's (an unknown name removes it).
int SetVertexEffect(lua_State* L) {
    CYObject* part = ArgPart(L, 1);
    const char* name = ArgText(L, 2);
    const char* parameters = ArgText(L, 3);
    if (!part) return 0;
    std::vector<std::string> words;
    CYTokenizer tokenizer(parameters, " ", true);
    std::string word;
    while (tokenizer.NextToken(word)) words.push_back(word);
    part->SetVertexEffect(CreateVertexEffect(name, words));
    return 0;
}

// SetSpriteSize(sprite, size): both half-sizes become the size.
int SetSpriteSize(lua_State* L) {
    auto* sprite = dynamic_cast<CYSprite*>(ArgPart(L, 1));
    const float size = ArgFloatLenient(L, 2);
    if (!sprite) return 0;
    if (!ScriptPlaceOk(size)) {
        Log(3, "SetSpriteSize: size out of range, refused\n");
        return 0;
    }
    sprite->SetSize(size, size);
    return 0;
}

// SetAutoSprite2Pos(sprite, x1, y1, z1, x2, y2, z2): the beam's two end points.
int SetAutoSprite2Pos(lua_State* L) {
    auto* sprite = dynamic_cast<CYAutoSprite*>(ArgPart(L, 1));
    math::Vec3 a, b;
    // Both points are read (and checked) whatever the first one gives.
    const bool firstOk = ArgPosition(L, 2, &a, "SetAutoSprite2Pos");
    const bool secondOk = ArgPosition(L, 5, &b, "SetAutoSprite2Pos");
    if (sprite && firstOk && secondOk) sprite->SetPosition(a, b, sprite->GetHalfWidth());
    return 0;
}

// ---- Skeletons ------------------------------------------------------------------------------

int GetSkeleton(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    lua_pushlightuserdata(L, SkeletonReference(object ? object->GetSkeleton() : nullptr));
    return 1;
}

int SetAnimation(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    const char* name = ArgText(L, 2);
    if (object && object->GetSkeleton()) object->GetSkeleton()->SetAnimation(name);
    return 0;
}

// GetAnimation(object): the name of the sequence playing; empty without one.
int GetAnimation(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    const YSequence* sequence = object && object->GetSkeleton() ? object->GetSkeleton()->GetAnimation() : nullptr;
    PushText(L, sequence ? sequence->name : std::string());
    return 1;
}

int UpdateSkeleton(lua_State* L) {
    CYComplexObject* object = ArgComplexObject(L, 1);
    const float time = ArgFloat(L, 2);
    if (object && object->GetSkeleton()) object->GetSkeleton()->Update(time, object->GetWorldMatrix());
    return 0;
}

// ---- Turning parts, and vectors ---------------------------------------------------------------

// RotateChildObjectZ(part, x, y, z, angle): RotationZ(angle) x Translation(x, y, z).
int RotateChildObjectZ(lua_State* L) {
    CYObject* part = ArgPart(L, 1);
    const float x = ArgFloat(L, 2), y = ArgFloat(L, 3), z = ArgFloat(L, 4), angle = ArgFloat(L, 5);
    if (part)
        SetPartTransform(part, math::MatrixRotationZ(angle) * math::MatrixTranslation(x, y, z), {x, y, z}, {angle},
                         "RotateChildObjectZ");
    return 0;
}

// RotateChildObjectYPR(part, px, py, pz, yaw, pitch, roll): a turn about the pivot point.
int RotateChildObjectYPR(lua_State* L) {
    CYObject* part = ArgPart(L, 1);
    const float px = ArgFloat(L, 2), py = ArgFloat(L, 3), pz = ArgFloat(L, 4);
    const float yaw = ArgFloat(L, 5), pitch = ArgFloat(L, 6), roll = ArgFloat(L, 7);
    if (!part) return 0;
    const math::Matrix m = math::MatrixTranslation(-px, -py, -pz) * math::MatrixRotationYawPitchRoll(yaw, pitch, roll) *
                           math::MatrixTranslation(px, py, pz);
    SetPartTransform(part, m, {px, py, pz}, {yaw, pitch, roll}, "RotateChildObjectYPR");
    return 0;
}

// RotateChildObjectXYZ(part, px, py, pz, ax, ay, az): turns about x, y, z in that order
// about the pivot point.
int RotateChildObjectXYZ(lua_State* L) {
    CYObject* part = ArgPart(L, 1);
    const float px = ArgFloat(L, 2), py = ArgFloat(L, 3), pz = ArgFloat(L, 4);
    const float ax = ArgFloat(L, 5), ay = ArgFloat(L, 6), az = ArgFloat(L, 7);
    if (!part) return 0;
    const math::Matrix m =
        math::MatrixTranslation(-px, -py, -pz) * RotationXYZ(ax, ay, az) * math::MatrixTranslation(px, py, pz);
    SetPartTransform(part, m, {px, py, pz}, {ax, ay, az}, "RotateChildObjectXYZ");
    return 0;
}

// RotateAndMoveChildObjectXYZ(part, px, py, pz, mx, my, mz, ax, ay, az): moved first, then
// turned about the pivot point.
int RotateAndMoveChildObjectXYZ(lua_State* L) {
    CYObject* part = ArgPart(L, 1);
    const float px = ArgFloat(L, 2), py = ArgFloat(L, 3), pz = ArgFloat(L, 4);
    const float mx = ArgFloat(L, 5), my = ArgFloat(L, 6), mz = ArgFloat(L, 7);
    const float ax = ArgFloat(L, 8), ay = ArgFloat(L, 9), az = ArgFloat(L, 10);
    if (!part) return 0;
    const math::Matrix m = math::MatrixTranslation(mx, my, mz) * math::MatrixTranslation(-px, -py, -pz) *
                           RotationXYZ(ax, ay, az) * math::MatrixTranslation(px, py, pz);
    SetPartTransform(part, m, {px, py, pz, mx, my, mz}, {ax, ay, az}, "RotateAndMoveChildObjectXYZ");
    return 0;
}

// RotateObjectZ(object, x, y, z, angle): reads its arguments and changes nothing.
int RotateObjectZ(lua_State* L) {
    ArgComplexObject(L, 1);
    for (int i = 2; i <= 5; ++i) ArgNumber(L, i);
    return 0;
}

// RotateVectorXYZ(x, y, z, ax, ay, az): the vector turned about x, y, z in that order.
int RotateVectorXYZ(lua_State* L) {
    const math::Vec4 v{ArgFloat(L, 1), ArgFloat(L, 2), ArgFloat(L, 3), 1.0f};
    const math::Matrix m = RotationXYZ(ArgFloat(L, 4), ArgFloat(L, 5), ArgFloat(L, 6));
    return PushVector(L, math::Vec4Transform(v, m));
}

// MirrorPoint(a, b, c, d, x, y, z): the point reflected in the plane ax + by + cz + d = 0.
int MirrorPoint(lua_State* L) {
    const math::Plane plane{ArgFloat(L, 1), ArgFloat(L, 2), ArgFloat(L, 3), ArgFloat(L, 4)};
    const math::Vec4 v{ArgFloat(L, 5), ArgFloat(L, 6), ArgFloat(L, 7), 1.0f};
    return PushVector(L, math::Vec4Transform(v, math::MatrixReflect(plane)));
}
