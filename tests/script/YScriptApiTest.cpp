#include "script/YScriptApi.h"

#include <gtest/gtest.h>

#include <lua.hpp>

#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

int First(lua_State* L) { return lua_pushstring(L, "first"), 1; }
int Second(lua_State* L) { return lua_pushstring(L, "second"), 1; }

TEST(ScriptRegistration, ANameInBothTablesIsBoundToTheSecondTablesFunction) {
    const YScriptFunction table1[] = {{"Shared", First}, {"OnlyFirst", First}, {nullptr, nullptr}};
    const YScriptFunction table2[] = {{"Shared", Second}, {nullptr, nullptr}, {"PastTheEnd", Second}};
    lua_State* L = luaL_newstate();
    RegisterScriptFunctionTable(L, table1);
    RegisterScriptFunctionTable(L, table2);
    ASSERT_EQ(luaL_dostring(L, "return Shared(), OnlyFirst(), PastTheEnd"), 0);
    EXPECT_STREQ(lua_tostring(L, 1), "second");
    EXPECT_STREQ(lua_tostring(L, 2), "first");
    EXPECT_TRUE(lua_isnil(L, 3));
    lua_close(L);
}

// The registration tables are a contract with every game's scripts: each name in its row,
// in this order.
const char* const kFirstTable[] = {
    "GetDeltaTime", "CreateGameWorld", "SetGameOver", "InitGameWorld", "UpdateGameWorld",
    "TestValue", "GetCurrentComplexObject", "CObjRotate", "CObjMoveForward", "CObjMoveBackward",
    "PlaySound3D", "PlaySoundSimple", "StopSound", "ResetSound", "GetSound3D", "GetSoundSimple",
    "GetSoundClone3D", "GetSoundClone3Dl", "GetSoundCloneSimple", "SetTrigger", "GetTrigger",
    "GetChildObject", "RotateChildObjectZ", "RotateObjectZ", "SetMusic", "PlayMusic", "StopMusic",
    "SetMusicVolume", "SetMusic2", "PlayMusic2", "StopMusic2", "SetMusicVolume2", "SetSoundsVolume",
    "GetScriptInitData", "ExecuteObjectScript", "CheckCollision", "GetComplexObjectPos",
    "GetObjectName", "UpdateMusic", "UpdateMusic2", "ComparePointers", "GetScriptParam",
    "UpdateObjectScript", "UpdateVisibleRooms", "FindPath", "GetMovingObject",
    "GetMovingObjectsCount", "GetMove", "DeleteMoves", "GetObjectPos", "CObjMoveForwardWithoutCD",
    "CObjRotateAbsolute", "GetObjectAngle", "SaveLog", "SaveLogInt", "GetObjectInfo",
    "GetObjectParent", "KillObject", "IsValidObject", "InitInterface", "SetRadioGroupActiveButton",
    "GetRadioGroupActiveButton", "SetWindowVisible", "SetWindowActive", "GetWindow",
    "SetWindowPosition", "GetWindowPosition", "IsWindowActive", "IsButtonPressed",
    "GetWindowDimensions", "SetText", "AddText", "GetText", "SetTextForEdit", "GetAction",
    "SetAction", "CalculateNumber", "ParseCommand", "GetLog", "GetProductInfo",
    "GetProductInfoCount", "GetPointsCount", "SetPointsCount", "BuyDroid", "SellDroid", "SetEdit",
    "GetProductInfoID", "SellItem", "BuyItem", "SetInterfaceMode",
    "CreateComplexObjectForInterface", "ComplexObjectUpdate", "SetInterfaceCameraParams",
    "SetRadioGroupActiveButtonInactive", "SetSliderPos", "NewWindow", "GetBoundingPoints",
    "NewTextbox", "GetCurrentDroid", "GetDroidName", "ToInt", "CloneChild", "AddChild",
    "GetLevelsCount", "GetLevelDimensions", "GetRoom", "SetObjectName", "GetActiveObjectsInRoom",
    "TransformIntoWorld", "CrossRayInterface", "GetCameraPos", "IsDroidDeployed", "DeployDroid",
    "GetRoomCenter", "GetDisplayModes", "SetDisplayMode", "GetCurrentScreen", "SetBrightnessLevel",
    "GetBrightnessLevel", "GetSliderPos", "SetCurrentDroid", "GetTextSize", "SetCursorType",
    "GetMissionResults", "GetTrilinearFiltration", "SetTrilinearFiltration", "SetCheckBox",
    "GetCheckBox", "GetSoundVolume", "GetMusicVolume", "GetSoundQuality", "SetSoundQuality",
    "GetMouseSpeed", "SetMouseSpeed", "GetEnemyInfo", "GetDroid", "SetMusicFade", "SetMusicFade2",
    "GetDoors",
};

const char* const kSecondTable[] = {
    "GetObjectSParam", "SetObjectSParam", "GetObjectParam", "GetObjectTrigger", "SetObjectParam",
    "SetObjectTrigger", "TestNumber", "TestString", "TestComplexObject", "RegisterMovingObject",
    "GetRoomClosestMovingObject", "GetCObjsDistance", "SetCObjPosition", "GetComplexObject",
    "IsNull", "SetCollision", "SetObjectRoom", "DrawComplexObject", "GetCObjLevelRoom",
    "GetCObjName", "SetSnapObject", "SendCommandToAll", "SendCommandByName", "SendCommandByPointer",
    "SetNextCommand", "GetCurrentCommand", "GetCurrentParams", "CrossRay", "CreateComplexObject",
    "RotateComplexObject", "ExecuteComplexObjectScript", "SetObjectVisible", "SetCObjVisible",
    "DestroyObject", "RotateChildObjectYPR", "RotateChildObjectXYZ", "RotateAndMoveChildObjectXYZ",
    "GetRoomMovingObjectsCount", "GetRoomMovingObject", "GetObjectRoom", "MoveComplexObject",
    "RotateVectorXYZ", "GetArmorType", "GetWeaphonType", "GetChassisType", "GetArmorState",
    "SetArmorState", "GetWeaponState", "SetWeaponState", "GetWeaponsCount", "SetWeaponsCount",
    "PointerToString", "StringToPointer", "SetTexture", "SnapCameraToObject", "MirrorPoint",
    "GetComplexObjectClone", "SetVertexEffect", "SetEffect", "GetActiveObjectsInRect",
    "GetCameraZAngle", "SetCameraZAngle", "SetCameraLookAt", "GetCameraLookAt", "SetAutoSprite2Pos",
    "IsObjectVisible", "SplitString", "SetAnimation", "GetAnimation", "GetSkeleton",
    "GetRoomCenter", "DeleteGameWorld", "GetRoomPosition", "SetSpriteSize",
    "SetComplexObjectPosition", "DeleteChildObject", "SendCommandToDroids", "GetDroidDevices",
    "NextDroid", "PrevDroid", "LoadMission", "GetGlobalSParam", "SetGlobalSParam", "SecondsToTime",
    "RestoreScore", "FixState", "FixState2", "InitialState", "GetLastLevel", "SaveGame", "LoadGame",
    "GetSaveName", "IsUserDroid", "GetBriefing", "GetMissionName", "SetMissionResults",
    "ChangeBackground", "NRPlaySound3D", "ChangeDroid", "GetRoomDoor", "SetBBoxVisible", "SetFade",
    "PlayVideo", "StopVideo", "GetGameWorld", "AddDefaultUserDroid", "DeleteUserDroids",
    "DeleteSounds", "StopAllSounds", "SetRadius", "GetRadius", "GetUserDroidsCount",
    "GetDroidsCount", "UpdateSkeleton",
};

std::vector<std::string> NamesOf(const YScriptFunction* table) {
    std::vector<std::string> names;
    for (const YScriptFunction* row = table; row->name; ++row) names.push_back(row->name);
    return names;
}

TEST(ScriptRegistration, TablesHoldEveryFunctionInItsRow) {
    EXPECT_EQ(NamesOf(ScriptFunctions), std::vector<std::string>(std::begin(kFirstTable), std::end(kFirstTable)));
    EXPECT_EQ(NamesOf(ScriptFunctions2), std::vector<std::string>(std::begin(kSecondTable), std::end(kSecondTable)));
    std::set<std::string> unique(std::begin(kFirstTable), std::end(kFirstTable));
    unique.insert(std::begin(kSecondTable), std::end(kSecondTable));
    EXPECT_EQ(std::size(kFirstTable) + std::size(kSecondTable), 253u);
    EXPECT_EQ(unique.size(), 252u);
    for (const YScriptFunction* row = ScriptFunctions; row->name; ++row) EXPECT_NE(row->function, nullptr) << row->name;
    for (const YScriptFunction* row = ScriptFunctions2; row->name; ++row) EXPECT_NE(row->function, nullptr) << row->name;
}

TEST(ScriptRegistration, GetRoomCenterReachesTheSecondTablesFunction) {
    lua_State* L = luaL_newstate();
    RegisterScriptFunctions(L);
    lua_getglobal(L, "GetRoomCenter");
    const lua_CFunction bound = lua_tocfunction(L, -1);
    lua_close(L);
    const YScriptFunction* second = ScriptFunctions2;
    while (std::string(second->name) != "GetRoomCenter") ++second;
    EXPECT_EQ(bound, second->function);
}

}  // namespace
