// Triangle-strip builder options and primitive groups. The mesh loader sets the options
// before it reads a mesh; meshes stay indexed triangle lists, so only the options and
// the renumbering of primitive groups are provided here.
#pragma once
#include <cstdint>
#include <vector>

enum class YPrimitiveType { TriangleList, TriangleStrip };

// One group of primitives: its type and its 16-bit indices (the count is indices.size()).
struct PrimitiveGroup {
    YPrimitiveType type = YPrimitiveType::TriangleStrip;
    std::vector<uint16_t> indices;
    uint32_t IndexCount() const { return static_cast<uint32_t>(indices.size()); }
};

// Process-wide options, each storing its one argument.
void SetListOutputOnly(bool value);
void SetStripCacheSize(int size);
void SetJoinStrips(bool value);
void SetMinimumStripLength(int length);

struct YStripOptions {
    bool listOutputOnly = false;
    int cacheSize = 16;
    bool joinStrips = true;
    int minimumStripLength = 0;
};
// The current options.
const YStripOptions& GetStripOptions();

// New groups whose indices are renumbered in order of first use (across all groups):
// the first index met becomes 0, the next new one 1, and so on. An index not below
// vertexCount makes the groups invalid: the result is empty, with a log line.
std::vector<PrimitiveGroup> RemapPrimitiveGroups(const std::vector<PrimitiveGroup>& groups, uint32_t vertexCount);
