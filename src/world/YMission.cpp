#include "world/YMission.h"

#include "core/YNumbers.h"
#include "core/YTextParser.h"
#include "core/YTokenizer.h"
#include "core/YUtils.h"

namespace {

// A header line split at "=": the key lower-cased and the value. The briefing keeps every
// "=" after the first and its quotes; the other values are tokens (quotes group "=").
bool ReadHeaderLine(CYTextParser& parser, bool wholeValue, std::string* key, std::string* value) {
    std::string line;
    if (!parser.GetLine(line) || !parser.IsValueLine()) return false;
    key->clear();
    value->clear();
    if (wholeValue) {
        const size_t equals = line.find('=');
        *key = line.substr(0, equals);
        if (equals != std::string::npos) *value = line.substr(equals + 1);
        Trim(*key);
        Trim(*value);
    } else {
        CYTokenizer tokens(line, "=", true);
        tokens.NextToken(*key);
        tokens.NextToken(*value);
    }
    ToLower(*key);
    return true;
}

// A floor count or grid side: integer text within 1 .. kMaxMissionSize.
bool ReadSize(const std::string& value, int32_t* out) {
    int64_t number = 0;
    if (!IsIntString(value) || !ParseInteger(value, YNumberMode::Strict, 1, kMaxMissionSize, &number)) return false;
    *out = static_cast<int32_t>(number);
    return true;
}

}  // namespace

bool ReadMissionHeader(CYTextParser& parser, YMissionHeader* out) {
    struct Line {
        const char* key;
        bool keepCase;
        bool wholeValue;
    };
    static const Line kLines[] = {{"height", false, false}, {"width", false, false},  {"depth", false, false},
                                  {"script", false, false}, {"number", false, false}, {"name", true, false},
                                  {"briefing", true, true}};
    std::string values[7];
    for (int i = 0; i < 7; ++i) {
        std::string key;
        if (!ReadHeaderLine(parser, kLines[i].wholeValue, &key, &values[i]) || key != kLines[i].key) return false;
        if (!kLines[i].keepCase) ToLower(values[i]);
    }
    if (!ReadSize(values[0], &out->height) || !ReadSize(values[1], &out->width) || !ReadSize(values[2], &out->depth))
        return false;
    out->script = values[3];
    out->number = values[4];
    out->name = values[5];
    out->briefing = values[6];
    return true;
}

bool ReadLevelSection(CYTextParser& parser) {
    std::string line;
    if (!parser.GetLine(line) || parser.IsValueLine()) return false;
    Trim(line);
    ToLower(line);
    return line == "level";
}
