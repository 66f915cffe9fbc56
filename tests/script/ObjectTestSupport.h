// A script host with a game world that answers the object events (10, 13, 17, 71) without
// a renderer, and complex objects scripts can be handed by reference.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "ScriptTestSupport.h"
#include "render/YPartReferences.h"
#include "world/YGameWorld.h"

namespace scripttest {

class ObjectFixture : public ScriptFixture {
protected:
    static constexpr struct {
        int event;
        EventCallback callback;
    } kEvents[] = {{YEVENT_GET_GAME_WORLD, CYGameWorld::OnGetGameWorld},
                   {YEVENT_REGISTER_OBJECT, CYGameWorld::OnObjectCreated},
                   {YEVENT_GET_COMPLEX_OBJECT, CYGameWorld::OnGetComplexObject},
                   {YEVENT_IS_VALID_OBJECT, CYGameWorld::OnIsValidObject}};

    std::unique_ptr<CYGameWorld> world = std::make_unique<CYGameWorld>();

    ObjectFixture() {
        for (const auto& e : kEvents) SubscribeEvent(e.event, world.get(), e.callback);
    }
    ~ObjectFixture() override {
        RemoveWorld();
        DeleteFreeParts();
    }
    void RemoveWorld() {
        if (!world) return;
        for (const auto& e : kEvents) UnsubscribeEvent(e.event, world.get(), e.callback);
        PurgeUnsubscribedEvents();
        world.reset();
    }
    // A complex object the world owns, registered under the name, at p, with a part
    // "body" that has a child "arm".
    CYComplexObject* NewObject(const std::string& name, math::Vec3 p = {}) {
        auto* o = new CYComplexObject(name);
        std::vector<gfx::Vertex> v(2);
        v[1].x = v[1].y = v[1].z = 1.0f;
        CYObject* body = o->CreatePart(nullptr, "body", nullptr, v, {}, 0, nullptr, {}, {});
        o->CreatePart(nullptr, "arm", body, v, {}, 0, nullptr, {}, {});
        world->RegisterObject(o, name.c_str());
        o->SetPosition(p);
        o->UpdatePlacement();
        return o;
    }
    // The Lua expression of an object's reference.
    static std::string Ref(const CYReferenced* o) { return "StringToPointer('" + std::to_string(o->ReferenceId()) + "')"; }
};

}  // namespace scripttest
