// Vertex effects: a change an object applies to its vertices while they are copied into
// a sink's buffer (texture sheets, flicker, scrolling, fading). An object owns at most
// one. Only the base the objects call lives here so far; the effects derive from it.
#pragma once
#include "core/YLiveCounts.h"
#include "platform/graphics/Device.h"

class CYVertexEffect {
public:
    CYVertexEffect() { ++g_live.vertexEffects; }
    virtual ~CYVertexEffect() { --g_live.vertexEffects; }
    CYVertexEffect(const CYVertexEffect&) = delete;
    CYVertexEffect& operator=(const CYVertexEffect&) = delete;

    // Advances the effect by the frame time in seconds.
    virtual void Update(float frameTime) = 0;
    // Copies count vertices from source to destination whole, changing one field of each.
    virtual void Apply(gfx::Vertex* destination, const gfx::Vertex* source, int count) = 0;
};
