#include "core/YConfig.h"

#include <cstdio>
#include <cstdlib>

#include "core/YFile.h"
#include "core/YLog.h"
#include "core/YNumbers.h"
#include "core/YSettings.h"
#include "core/YTextParser.h"
#include "platform/files/Files.h"

namespace {

const char* const kConfigFile = "YConfig.cfg";

// The leading number of a value (0 when there is none), as atoi and atof read it but held
// to the range and decimal only.
int32_t ToInt(const std::string& v) { return TextToInt(v, YNumberMode::Leading); }
float ToFloat(const std::string& v) { return TextToFloat(v, YNumberMode::Leading); }
uint8_t ToBool(const std::string& v) { return ToInt(v) != 0 ? 1 : 0; }

enum class Section { None, Common, Video, Audio };

}  // namespace

bool ParseCommonSetting(const std::string& key, const std::string& value) {
    if (key == "LOG_LEVEL") g_settings.logLevel = ToInt(value);
    else if (key == "MOUSE_SPEED") g_settings.mouseSpeed = ToFloat(value);
    else if (key == "MOUSE_WHEEL_SPEED") g_settings.mouseWheelSpeed = ToFloat(value);
    else if (key == "CAMERA_MODE") g_settings.cameraMode = ToInt(value);
    else return false;
    return true;
}

bool ParseVideoSetting(const std::string& key, const std::string& value) {
    if (key == "SCREEN_WIDTH") g_settings.screenWidth = ToInt(value);
    else if (key == "SCREEN_HEIGHT") g_settings.screenHeight = ToInt(value);
    else if (key == "SCREEN_BPP") g_settings.bitsPerPixel = ToInt(value);
    else if (key == "FULL_SCREEN") g_settings.fullScreen = ToBool(value);
    else if (key == "TRILINEAR") g_settings.trilinear = ToBool(value);
    else if (key == "BRIGHTNESS_LEVEL") g_settings.brightness = ToFloat(value);
    else if (key == "STATISTIC") g_settings.statistics = ToBool(value);
    else return false;
    return true;
}

bool ParseAudioSetting(const std::string& key, const std::string& value) {
    if (key == "SOUND_VOLUME") g_settings.soundVolume = ToFloat(value);
    else if (key == "MUSIC_VOLUME") g_settings.musicVolume = ToFloat(value);
    else if (key == "CHANNELS") g_settings.channels = ToInt(value);
    else if (key == "BITRATE") g_settings.bitsPerSample = ToInt(value);
    else if (key == "FREQUENCY") g_settings.frequency = ToInt(value);
    else return false;
    return true;
}

void LoadConfig() {
    Log(0, "\nConfig parsing started\t---------\n");
    CYFile file(kConfigFile);
    if (SUCCEEDED(file.Load())) {
        CYTextParser parser(file.GetData(), file.GetSize());
        Section section = Section::None;
        while (parser.ReadLine()) {
            const int line = parser.GetLineNumber();
            if (!parser.IsValueLine()) {
                std::string name;
                parser.NextToken(name);
                if (name == "VIDEO") section = Section::Video;
                else if (name == "AUDIO") section = Section::Audio;
                else if (name == "COMMON") section = Section::Common;
                else Log(0, "Error in config file on line - %d\n", line);
                continue;
            }
            std::string key, value;
            if (!parser.NextToken(key) || !parser.NextToken(value)) {
                Log(0, "Error in log file on line - %d\n", line);
                Log(0, "Error in config file on line - %d\n", line);
                continue;
            }
            bool known = false;
            switch (section) {
            case Section::Common: known = ParseCommonSetting(key, value); break;
            case Section::Video: known = ParseVideoSetting(key, value); break;
            case Section::Audio: known = ParseAudioSetting(key, value); break;
            case Section::None: break;
            }
            if (!known) Log(0, "Error in config file on line - %d\n", line);
        }
    }
    g_settings.fullScreen = 1;
    g_settings.statistics = 0;
    Log(0, "Config parsing finished\t---------\n");
}

void SaveConfig() {
    // A file that cannot be opened for writing (made read-only, or not a file) is left
    // as it is, without a word.
    if (!fs::CanOpenForWriting(kConfigFile)) return;
    const YSettings& s = g_settings;
    std::string out;
    char line[256];
    auto add = [&](int n) {
        if (n > 0) out.append(line, static_cast<size_t>(n) < sizeof line ? static_cast<size_t>(n) : sizeof line - 1);
    };
    add(std::snprintf(line, sizeof line, "[COMMON]\n"));
    add(std::snprintf(line, sizeof line, "LOG_LEVEL %d\n", s.logLevel));
    add(std::snprintf(line, sizeof line, "MOUSE_SPEED %.3f\n", s.mouseSpeed));
    add(std::snprintf(line, sizeof line, "MOUSE_WHEEL_SPEED %.3f\n", s.mouseWheelSpeed));
    add(std::snprintf(line, sizeof line, "CAMERA_MODE %d\n\n", s.cameraMode));
    add(std::snprintf(line, sizeof line, "[VIDEO]\n"));
    add(std::snprintf(line, sizeof line, "SCREEN_WIDTH %d\n", s.screenWidth));
    add(std::snprintf(line, sizeof line, "SCREEN_HEIGHT %d\n", s.screenHeight));
    add(std::snprintf(line, sizeof line, "SCREEN_BPP %d\n", s.bitsPerPixel));
    add(std::snprintf(line, sizeof line, "FULL_SCREEN %d\n", s.fullScreen ? 1 : 0));
    add(std::snprintf(line, sizeof line, "BRIGHTNESS_LEVEL %.3f\n", s.brightness));
    add(std::snprintf(line, sizeof line, "STATISTIC %d\n", s.statistics ? 1 : 0));
    add(std::snprintf(line, sizeof line, "TRILINEAR %d\n\n", s.trilinear ? 1 : 0));
    add(std::snprintf(line, sizeof line, "[AUDIO]\n"));
    add(std::snprintf(line, sizeof line, "SOUND_VOLUME %.3f\n", s.soundVolume));
    add(std::snprintf(line, sizeof line, "MUSIC_VOLUME %.3f\n", s.musicVolume));
    add(std::snprintf(line, sizeof line, "CHANNELS %d\n", s.channels));
    add(std::snprintf(line, sizeof line, "BITRATE %d\n", s.bitsPerSample));
    add(std::snprintf(line, sizeof line, "FREQUENCY %d\n", s.frequency));
    Log(0, "SaveConfig\n");
    // Written as one step, so a failure leaves the old file as it was.
    fs::WriteFileAtomic(kConfigFile, out.data(), out.size());
}
