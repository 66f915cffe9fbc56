// Script functions for sounds, sound volume and quality, and the two music channels. They
// reach the audio system and the music channels directly; before those exist (or after
// they are gone) the functions do nothing and getters push null.
#include <lua.hpp>

#include <string>

#include "audio/YAudioSystem.h"
#include "audio/YMusic.h"
#include "audio/YSound.h"
#include "core/YSettings.h"
#include "render/YComplexObject.h"
#include "script/YScriptArgs.h"
#include "script/YScriptFunctions.h"
#include "script/YScriptResults.h"
#include "world/YGameWorld.h"

namespace {

enum : uint32_t { kPlain = 0, k3D = 1 };

// A shared sound of the file name argument, of the kind asked for on first use.
int PushSharedSound(lua_State* L, uint32_t is3D) {
    const std::string file = ArgTextLenient(L, 1);
    PushReference(L, g_audioSystem ? g_audioSystem->GetSound(file, is3D) : nullptr);
    return 1;
}

// A new sound of the caller's own; flags of an earlier sound of that name win.
int PushSoundClone(lua_State* L, uint32_t is3D, bool loop) {
    const std::string file = ArgTextLenient(L, 1);
    PushReference(L, g_audioSystem ? g_audioSystem->GetSoundClone(file, is3D, loop) : nullptr);
    return 1;
}

// Opens the file on the channel, stopped; the channel loops its music. The second
// argument is read and has no effect.
int OpenMusic(lua_State* L, CYMusic* channel) {
    const std::string file = ArgTextLenient(L, 1);
    ArgBool(L, 2);
    if (channel) channel->Open(file, true);
    return 0;
}

// The channel's volume level; the one music volume setting follows it.
int SetChannelVolume(lua_State* L, CYMusic* channel) {
    const float volume = ArgFloatLenient(L, 1);
    if (channel) channel->SetVolume(volume);
    g_settings.musicVolume = volume;
    return 0;
}

}  // namespace

// PlaySoundSimple(sound): starts the sound unless it is playing.
int PlaySoundSimple(lua_State* L) {
    CYSound* sound = ArgObject<CYSound>(L, 1);
    if (sound && !sound->IsPlaying()) sound->Play();
    return 0;
}

// StopSound(object, sound): stops and rewinds the sound; the object is only tested for null.
int StopSound(lua_State* L) {
    const bool object = ArgReferenceId(L, 1) != 0;
    CYSound* sound = ArgObject<CYSound>(L, 2);
    if (object && sound) sound->Stop();
    return 0;
}

// ResetSound(object, sound): rewinds the sound; the object is only tested for null.
int ResetSound(lua_State* L) {
    const bool object = ArgReferenceId(L, 1) != 0;
    CYSound* sound = ArgObject<CYSound>(L, 2);
    if (object && sound) sound->Reset();
    return 0;
}

int GetSound3D(lua_State* L) { return PushSharedSound(L, k3D); }
int GetSoundSimple(lua_State* L) { return PushSharedSound(L, kPlain); }
int GetSoundClone3D(lua_State* L) { return PushSoundClone(L, k3D, false); }
int GetSoundClone3Dl(lua_State* L) { return PushSoundClone(L, k3D, true); }
int GetSoundCloneSimple(lua_State* L) { return PushSoundClone(L, kPlain, false); }

// NRPlaySound3D(object, sound): places the sound at the object and starts it unless it is
// playing; a playing sound is only moved.
int NRPlaySound3D(lua_State* L) {
    CYComplexObject* object = ArgObject<CYComplexObject>(L, 1);
    CYSound* sound = ArgObject<CYSound>(L, 2);
    if (!object || !sound) return 0;
    CYAudioSystem::SetSoundPosition3D(sound, object->GetPosition(), math::Vec3{0.0f, 0.0f, 0.0f});
    if (!sound->IsPlaying()) sound->Play();
    return 0;
}

// DeleteSounds(): stops and deletes every sound; references scripts hold read as null.
int DeleteSounds(lua_State*) {
    if (g_audioSystem && g_audioSystem->SoundManager()) g_audioSystem->SoundManager()->DeleteSounds();
    return 0;
}

// StopAllSounds(): stops every sound.
int StopAllSounds(lua_State*) {
    if (g_audioSystem && g_audioSystem->SoundManager()) g_audioSystem->SoundManager()->StopAllSounds();
    return 0;
}

// SetSoundsVolume(v): the volume of every sound, kept as the sound volume setting.
int SetSoundsVolume(lua_State* L) {
    const float volume = ArgFloatLenient(L, 1);
    if (g_audioSystem) g_audioSystem->SetSoundsVolume(volume);
    g_settings.soundVolume = volume;
    return 0;
}

int GetSoundVolume(lua_State* L) {
    lua_pushnumber(L, g_settings.soundVolume);
    return 1;
}

int GetMusicVolume(lua_State* L) {
    lua_pushnumber(L, g_settings.musicVolume);
    return 1;
}

// GetSoundQuality(): true for 16-bit sound.
int GetSoundQuality(lua_State* L) {
    lua_pushboolean(L, g_settings.bitsPerSample == 16);
    return 1;
}

// SetSoundQuality(high): 16 bits at 44100 Hz, or 8 bits at 11025 Hz; the sounds are made
// again in the new format.
int SetSoundQuality(lua_State* L) {
    const bool high = ArgBool(L, 1);
    g_settings.bitsPerSample = high ? 16 : 8;
    g_settings.frequency = high ? 44100 : 11025;
    if (g_audioSystem) g_audioSystem->SetSoundQuality();
    return 0;
}

// Music channel 1.
int SetMusic(lua_State* L) { return OpenMusic(L, g_music1); }
int PlayMusic(lua_State*) {
    if (g_music1) g_music1->Play();
    return 0;
}
int StopMusic(lua_State*) {
    if (g_music1) g_music1->Stop();
    return 0;
}
int UpdateMusic(lua_State*) {
    if (g_music1) g_music1->Update();
    return 0;
}
int SetMusicVolume(lua_State* L) { return SetChannelVolume(L, g_music1); }
int SetMusicFade(lua_State* L) {
    const float factor = ArgFloatLenient(L, 1);
    if (g_music1) g_music1->SetFade(factor);
    return 0;
}

// Music channel 2.
int SetMusic2(lua_State* L) { return OpenMusic(L, g_music2); }
int PlayMusic2(lua_State*) {
    if (g_music2) g_music2->Play();
    return 0;
}
int StopMusic2(lua_State*) {
    if (g_music2) g_music2->Stop();
    return 0;
}
int UpdateMusic2(lua_State*) {
    if (g_music2) g_music2->Update();
    return 0;
}
int SetMusicVolume2(lua_State* L) { return SetChannelVolume(L, g_music2); }
int SetMusicFade2(lua_State* L) {
    const float factor = ArgFloatLenient(L, 1);
    if (g_music2) g_music2->SetFade(factor);
    return 0;
}

// PlaySound3D(object, sound): like NRPlaySound3D, but only where the room under the object
// (a little above its feet) is lit, and only while a game world exists.
int PlaySound3D(lua_State* L) {
    CYComplexObject* object = ArgObject<CYComplexObject>(L, 1);
    CYSound* sound = ArgObject<CYSound>(L, 2);
    if (!object || !sound) return 0;
    const math::Vec3 position = object->GetPosition();
    CYGameWorld* world = QuerySingleton<CYGameWorld>(YEVENT_GET_GAME_WORLD);
    if (!world || !world->GetRoomFlagAt(math::Vec3(position.x, position.y, position.z + 0.2f))) return 0;
    CYAudioSystem::SetSoundPosition3D(sound, position, math::Vec3{0.0f, 0.0f, 0.0f});
    if (!sound->IsPlaying()) sound->Play();
    return 0;
}
