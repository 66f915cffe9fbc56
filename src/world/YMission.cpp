#include "world/YMission.h"

#include <limits>

#include "core/YLog.h"
#include "core/YNumbers.h"
#include "core/YTextParser.h"
#include "core/YTokenizer.h"
#include "core/YUtils.h"

namespace {

constexpr const char* kHeaderKeys[kHeaderLineCount] = {"height", "width", "depth",   "script",
                                                       "number", "name",  "briefing"};

}  // namespace

const char* MissionHeaderKey(int line) { return line >= 0 && line < kHeaderLineCount ? kHeaderKeys[line] : ""; }

bool ReadMissionHeaderLine(CYTextParser& parser, int line, std::string* value) {
    std::string text, key;
    value->clear();
    if (line < 0 || line >= kHeaderLineCount || !parser.GetLine(text)) return false;
    CYTokenizer tokens(text, "=", line != kHeaderBriefing);
    tokens.NextToken(key);
    tokens.NextToken(*value);
    ToLower(key);
    if (line != kHeaderName && line != kHeaderBriefing) ToLower(*value);
    return key == kHeaderKeys[line];
}

bool ReadMissionSize(const std::string& value, int line, int32_t* out) {
    if (!IsIntString(value)) return false;
    int64_t number = 0;
    if (!ParseInteger(value, YNumberMode::Leading, std::numeric_limits<int32_t>::min(),
                      std::numeric_limits<int32_t>::max(), &number))
        number = 0;
    if (number < 1 || number > kMaxMissionSize) {
        Log(3, "Mission: %s %lld outside 1 .. %d\n", MissionHeaderKey(line), static_cast<long long>(number),
            static_cast<int>(kMaxMissionSize));
        return false;
    }
    *out = static_cast<int32_t>(number);
    return true;
}

bool ReadMissionHeader(CYTextParser& parser, YMissionHeader* out) {
    std::string values[kHeaderLineCount];
    int32_t* sizes[] = {&out->height, &out->width, &out->depth};
    for (int line = 0; line < kHeaderLineCount; ++line) {
        if (!ReadMissionHeaderLine(parser, line, &values[line])) return false;
        if (line <= kHeaderDepth && !ReadMissionSize(values[line], line, sizes[line])) return false;
    }
    out->script = values[kHeaderScript];
    out->number = values[kHeaderNumber];
    out->name = values[kHeaderName];
    out->briefing = values[kHeaderBriefing];
    return true;
}

bool ReadLevelSection(CYTextParser& parser) {
    std::string line;
    if (!parser.GetLine(line) || parser.IsValueLine()) return false;
    // The name inside the brackets is compared as written, blanks included.
    ToLower(line);
    return line == "level";
}
