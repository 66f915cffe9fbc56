// Mission files: seven header lines "key = value" in a fixed order (height, width, depth,
// script, number, name, briefing; keys compared lower-cased), then one "[level]" section
// line per floor, each followed by that floor's level block. This file reads the header
// and the section lines; the game world builds the floors (YGameWorldMissions.cpp).
#pragma once
#include <cstdint>
#include <string>

class CYTextParser;

// Largest number of floors, room rows and room columns a mission may have.
constexpr int32_t kMaxMissionSize = 64;

struct YMissionHeader {
    int32_t height = 0;    // floors
    int32_t width = 0;     // room rows of every floor
    int32_t depth = 0;     // room columns of every floor
    std::string script;    // lower-cased script file name
    std::string number;    // lower-cased mission number text
    std::string name;      // as written
    std::string briefing;  // as written, every "=" after the first kept
};

// Reads the seven header lines from the parser's next lines. False on a missing line, a
// section line, a wrong key, or a height, width or depth that is not integer text or lies
// outside 1 .. kMaxMissionSize. The caller logs the error.
bool ReadMissionHeader(CYTextParser& parser, YMissionHeader* out);

// Reads the next line; true when it is the section line "level" (any case).
bool ReadLevelSection(CYTextParser& parser);
