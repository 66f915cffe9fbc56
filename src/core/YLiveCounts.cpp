#include "core/YLiveCounts.h"

#include "core/YLog.h"

YLiveCounts g_live;

std::vector<std::string>& LiveObjectNames() {
    static std::vector<std::string> names;
    return names;
}

void LogLeakReport() {
    static const char* const kNodeTypes[11] = {
        "YNODE_CAMERA", "YNODE_EFFECT", "YNODE_TEXTURES", "YNODE_WORLD", "YNODE_LIGHTING",
        "YNODE_DYNAMICPOLYGONRENDERER", "YNODE_STATICPOLYGONRENDERER", "YNODE_TEXTURERENDERER",
        "YNODE_CLIP", "YNODE_BBOXRENDERER", "YNODE_NONE"};
    Log(0, "%d - complex objects lost\n", g_live.complexObjects);
    Log(0, "%d - objects lost\n", g_live.objects);
    Log(0, "%d - windows lost\n", g_live.windows);
    for (const std::string& name : LiveObjectNames()) Log(0, "object - %s\n", name.c_str());
    Log(0, "%d - scripts lost\n", g_live.scripts);
    Log(0, "%d - vertex effects lost\n", g_live.vertexEffects);
    Log(0, "%d - render nodes lost\n", g_live.nodes);
    for (int t = 0; t < 11; ++t)
        if (g_live.nodesByType[t] > 0) Log(0, "%s - %d\n", kNodeTypes[t], g_live.nodesByType[t]);
    if (g_live.nodesOfUnknownType > 0) Log(0, "unknown - %d\n", g_live.nodesOfUnknownType);
}
