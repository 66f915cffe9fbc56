// "YConfig.cfg": the settings record read at start-up and written back at shutdown.
#pragma once
#include <string>

// Reads "YConfig.cfg" into g_settings (defaults stay for what it does not set), then
// forces full screen on and the statistics display off.
void LoadConfig();
// Writes every setting to "YConfig.cfg" (replacing it in one step); silent on failure.
void SaveConfig();

// Apply one key of a section; true when the key belongs to the section.
bool ParseCommonSetting(const std::string& key, const std::string& value);
bool ParseVideoSetting(const std::string& key, const std::string& value);
bool ParseAudioSetting(const std::string& key, const std::string& value);
