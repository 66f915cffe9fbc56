// The script functions, by family. Each reads its arguments from the Lua stack and returns
// the number of results it pushed.
#pragma once

struct lua_State;

// Scripts and small utilities.
int GetDeltaTime(lua_State* L);
int TestValue(lua_State* L);
int SetTrigger(lua_State* L);
int GetTrigger(lua_State* L);
int GetScriptInitData(lua_State* L);
int ComparePointers(lua_State* L);
int GetScriptParam(lua_State* L);
int SaveLog(lua_State* L);
int SaveLogInt(lua_State* L);
int CalculateNumber(lua_State* L);
int GetLog(lua_State* L);
int ToInt(lua_State* L);
int TestNumber(lua_State* L);
int TestString(lua_State* L);
int PointerToString(lua_State* L);
int StringToPointer(lua_State* L);
int SplitString(lua_State* L);
int SecondsToTime(lua_State* L);

// Commands.
int ParseCommand(lua_State* L);
int SendCommandToAll(lua_State* L);
int SendCommandByName(lua_State* L);
int SendCommandByPointer(lua_State* L);
int SetNextCommand(lua_State* L);
int GetCurrentCommand(lua_State* L);
int GetCurrentParams(lua_State* L);

// Sounds, volumes and quality, music channels.
int PlaySoundSimple(lua_State* L);
int StopSound(lua_State* L);
int ResetSound(lua_State* L);
int GetSound3D(lua_State* L);
int GetSoundSimple(lua_State* L);
int GetSoundClone3D(lua_State* L);
int GetSoundClone3Dl(lua_State* L);
int GetSoundCloneSimple(lua_State* L);
int NRPlaySound3D(lua_State* L);
int DeleteSounds(lua_State* L);
int StopAllSounds(lua_State* L);
int SetSoundsVolume(lua_State* L);
int GetSoundVolume(lua_State* L);
int GetMusicVolume(lua_State* L);
int GetSoundQuality(lua_State* L);
int SetSoundQuality(lua_State* L);
int SetMusic(lua_State* L);
int PlayMusic(lua_State* L);
int StopMusic(lua_State* L);
int UpdateMusic(lua_State* L);
int SetMusicVolume(lua_State* L);
int SetMusicFade(lua_State* L);
int SetMusic2(lua_State* L);
int PlayMusic2(lua_State* L);
int StopMusic2(lua_State* L);
int UpdateMusic2(lua_State* L);
int SetMusicVolume2(lua_State* L);
int SetMusicFade2(lua_State* L);
