// Script functions for missions, the player's progress, saved games, the screen fade and
// the video. They find the game world with event 10; without one they do nothing and
// push their defaults. GetGlobalSParam and SetGlobalSParam reach the world through the
// reference scripts hold instead.
#include <lua.hpp>

#include <string>

#include "core/YEvents.h"
#include "render/YRenderer.h"
#include "script/YScriptArgs.h"
#include "script/YScriptFunctions.h"
#include "script/YScriptResults.h"
#include "world/YGameWorld.h"

namespace {

CYGameWorld* World() { return QuerySingleton<CYGameWorld>(YEVENT_GET_GAME_WORLD); }

}  // namespace

// GetMissionResults(): the ten mission results in order (zeros without a world).
int GetMissionResults(lua_State* L) {
    CYGameWorld* world = World();
    for (int i = 0; i < kMissionResults; ++i) lua_pushnumber(L, world ? world->MissionResults()[i] : 0);
    return kMissionResults;
}

// LoadMission(file, number): loads the mission; its result is not reported.
int LoadMission(lua_State* L) {
    const std::string file = ArgText(L, 1);
    const int32_t number = ArgInt(L, 2);
    if (CYGameWorld* world = World()) world->LoadMission(file, number);
    return 0;
}

// GetGlobalSParam(world, key): the world's global text parameter of the key; a key not yet
// present is entered with the empty text.
int GetGlobalSParam(lua_State* L) {
    CYGameWorld* world = ArgObject<CYGameWorld>(L, 1);
    const std::string key = ArgText(L, 2);
    if (!world) {
        lua_pushstring(L, "");
        return 1;
    }
    const std::string value = world->ScriptHandler().textParams[key];
    lua_pushlstring(L, value.data(), value.size());
    return 1;
}

// SetGlobalSParam(world, key, value).
int SetGlobalSParam(lua_State* L) {
    CYGameWorld* world = ArgObject<CYGameWorld>(L, 1);
    const std::string key = ArgText(L, 2);
    const std::string value = ArgText(L, 3);
    if (world) world->ScriptHandler().textParams[key] = value;
    return 0;
}

// RestoreScore(): live score = fixed score.
int RestoreScore(lua_State*) {
    if (CYGameWorld* world = World()) world->RestoreScore();
    return 0;
}

// FixState(): snapshot of the progress with the last level = mission number + 1.
int FixState(lua_State*) {
    if (CYGameWorld* world = World()) world->FixState();
    return 0;
}

// FixState2(): the same with the last level = mission number.
int FixState2(lua_State*) {
    if (CYGameWorld* world = World()) world->FixState2();
    return 0;
}

// InitialState(): a new game's progress (last level 1, fixed score 0, no fixed droids).
int InitialState(lua_State*) {
    if (CYGameWorld* world = World()) world->InitialState();
    return 0;
}

// GetLastLevel(): the last level reached; 1 without a world.
int GetLastLevel(lua_State* L) {
    CYGameWorld* world = World();
    lua_pushnumber(L, world ? world->GetLastLevel() : 1);
    return 1;
}

// SaveGame(slot, name): writes the fixed state to the slot's file; no result (a file that
// cannot be written is logged).
int SaveGame(lua_State* L) {
    const int32_t slot = ArgInt(L, 1);
    const std::string name = ArgText(L, 2);
    if (CYGameWorld* world = World()) world->SaveGame(slot, name);
    return 0;
}

// LoadGame(slot): reads the slot's file into the fixed state; no result (a missing file
// empties the fixed roster, a damaged one changes nothing and is logged).
int LoadGame(lua_State* L) {
    const int32_t slot = ArgInt(L, 1);
    if (CYGameWorld* world = World()) world->LoadGame(slot);
    return 0;
}

// GetSaveName(slot): the name stored in the slot's file; empty when there is none.
int GetSaveName(lua_State* L) {
    const int32_t slot = ArgInt(L, 1);
    CYGameWorld* world = World();
    const std::string name = world ? world->GetSaveName(slot) : std::string();
    lua_pushlstring(L, name.data(), name.size());
    return 1;
}

// GetBriefing(): the loaded mission's briefing.
int GetBriefing(lua_State* L) {
    CYGameWorld* world = World();
    const std::string text = world ? world->MissionBriefing() : std::string();
    lua_pushlstring(L, text.data(), text.size());
    return 1;
}

// GetMissionName(): the loaded mission's name.
int GetMissionName(lua_State* L) {
    CYGameWorld* world = World();
    const std::string text = world ? world->MissionName() : std::string();
    lua_pushlstring(L, text.data(), text.size());
    return 1;
}

// SetMissionResults(r1, ..., r10): each truncated toward zero; missing ones read as 0.
int SetMissionResults(lua_State* L) {
    int32_t values[kMissionResults];
    for (int i = 0; i < kMissionResults; ++i) values[i] = ArgIntLenient(L, i + 1);
    if (CYGameWorld* world = World())
        for (int i = 0; i < kMissionResults; ++i) world->MissionResults()[i] = values[i];
    return 0;
}

// SetFade(f): the renderer's gamma ramp scaled by the fade factor.
int SetFade(lua_State* L) {
    const float fade = ArgFloat(L, 1);
    if (CYRenderer* renderer = QuerySingleton<CYRenderer>(YEVENT_GET_RENDERER)) renderer->SetFade(fade);
    return 0;
}

// PlayVideo(): the texture manager starts its video.
int PlayVideo(lua_State*) {
    SendEvent(YEVENT_PLAY_VIDEO, 0, 0);
    return 0;
}

// StopVideo(): the texture manager stops it.
int StopVideo(lua_State*) {
    SendEvent(YEVENT_STOP_VIDEO, 0, 0);
    return 0;
}
