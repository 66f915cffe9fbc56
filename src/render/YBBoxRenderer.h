// The bounding-box drawer: a scene node that draws, as white-blue wire frames, the
// bounding records that objects announce (event 6) while their box display is on. Each
// record is drawn once, in the frame it was announced. The game world builds one node,
// calls Create and attaches it below its camera.
#pragma once
#include <vector>

#include "core/YEvents.h"
#include "platform/graphics/Device.h"
#include "render/YNode.h"

class CYBoundingBox;

class CYBBoxRenderer : public CYEventListener, public CYNode {
public:
    // The colour of every line vertex.
    static constexpr uint32_t kLineColour = 0x0098A9FF;
    // Records kept per frame at most, so that a drawer that is never drawn stays bounded.
    static constexpr size_t kMaxRecords = 16384;

    CYBBoxRenderer();

    // Subscribes event 6; 0.
    HRESULT Create() override;
    // Draws the records announced since the last Render as line lists (awake or idle),
    // forgets them, then draws the children as any node does.
    HRESULT Render() override;

    // Event 6: a = the announced CYBoundingBox. Keeps its corners and wakes the node.
    static void OnBoundsAnnounce(void* context, intptr_t a, intptr_t b);

    // The 24 vertices of the 12 edges of a box with these eight corners (in the corner
    // order of CYBoundingBox): the bottom ring, the top ring, then the four uprights.
    static void BuildLineList(const math::Vec4 corners[8], gfx::Vertex out[24]);

    size_t GetRecordCount() const { return records_.size(); }

private:
    // The corners are copied at the announcement: the announcing object may move, lose
    // or reallocate its records before the frame is drawn.
    struct Corners {
        math::Vec4 c[8];
    };
    std::vector<Corners> records_;
    bool overflowLogged_ = false;
};
