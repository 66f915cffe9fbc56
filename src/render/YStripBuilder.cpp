#include "render/YStripBuilder.h"

#include <cstddef>

#include "core/YLog.h"

namespace {
YStripOptions g_stripOptions;
}  // namespace

void SetListOutputOnly(bool value) { g_stripOptions.listOutputOnly = value; }
void SetStripCacheSize(int size) { g_stripOptions.cacheSize = size; }
void SetJoinStrips(bool value) { g_stripOptions.joinStrips = value; }
void SetMinimumStripLength(int length) { g_stripOptions.minimumStripLength = length; }
const YStripOptions& GetStripOptions() { return g_stripOptions; }

std::vector<PrimitiveGroup> RemapPrimitiveGroups(const std::vector<PrimitiveGroup>& groups, uint32_t vertexCount) {
    // 16-bit indices never name more than 65536 vertices; a larger count needs no table.
    const uint32_t tableSize = vertexCount > 65536u ? 65536u : vertexCount;
    std::vector<int32_t> table(tableSize, -1);
    int32_t next = 0;
    std::vector<PrimitiveGroup> result(groups.size());
    for (size_t g = 0; g < groups.size(); ++g) {
        result[g].type = groups[g].type;
        result[g].indices.reserve(groups[g].indices.size());
        for (uint16_t index : groups[g].indices) {
            if (index >= tableSize) {
                Log(0, "RemapPrimitiveGroups: index %u past %u vertices\n", index, vertexCount);
                return {};
            }
            if (table[index] < 0) table[index] = next++;
            result[g].indices.push_back(static_cast<uint16_t>(table[index]));
        }
    }
    return result;
}
