// Mission files: seven header lines "key = value" in a fixed order (height, width, depth,
// script, number, name, briefing; keys compared lower-cased), then one "[level]" section
// line per floor, each followed by that floor's level block. This file reads the header
// lines and the section lines; the game world applies each header line as it is read and
// builds the floors (YGameWorldMissions.cpp).
#pragma once
#include <cstdint>
#include <string>

class CYTextParser;

// Largest number of floors, room rows and room columns a mission may have.
constexpr int32_t kMaxMissionSize = 64;

// The header lines, in the order the file holds them.
enum YMissionHeaderLine : int {
    kHeaderHeight,    // floors
    kHeaderWidth,     // room rows of every floor
    kHeaderDepth,     // room columns of every floor
    kHeaderScript,    // lower-cased script file name
    kHeaderNumber,    // lower-cased mission number text
    kHeaderName,      // as written
    kHeaderBriefing,  // as written, up to a second "="
    kHeaderLineCount
};

// The key of a header line ("height" ... "briefing").
const char* MissionHeaderKey(int line);

// Reads the parser's next line as the header line given: split at "=" (quotes group
// characters, except on the briefing line), key lower-cased, value lower-cased except for
// the name and the briefing. False on a missing line or a key that is not the line's.
bool ReadMissionHeaderLine(CYTextParser& parser, int line, std::string* value);

// A height, width or depth value: integer text (digits and "-" only, the empty text
// reading 0) taken as its decimal value. False for other text, and (logged with the key)
// for a value outside 1 .. kMaxMissionSize.
bool ReadMissionSize(const std::string& value, int line, int32_t* out);

// The whole header at once, for readers that need no line applied on its own.
struct YMissionHeader {
    int32_t height = 0;
    int32_t width = 0;
    int32_t depth = 0;
    std::string script;
    std::string number;
    std::string name;
    std::string briefing;
};
bool ReadMissionHeader(CYTextParser& parser, YMissionHeader* out);

// Reads the next line; true when it is the section line "level" (any case).
bool ReadLevelSection(CYTextParser& parser);
