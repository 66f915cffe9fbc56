// Vertex effects: a change an object applies to its vertices while they are copied into
// a sink's buffer: a texture sheet stepped frame by frame ("anim"), a flickering grey
// level ("flick"), a scrolling texture ("movingtex") and a fade to transparent ("fade").
// An object owns at most one; it calls Update once a frame and Apply whenever it writes
// its vertices.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/YLiveCounts.h"
#include "platform/graphics/Device.h"

class CYVertexEffect {
public:
    CYVertexEffect() { ++g_live.vertexEffects; }
    virtual ~CYVertexEffect() { --g_live.vertexEffects; }
    CYVertexEffect(const CYVertexEffect&) = delete;
    CYVertexEffect& operator=(const CYVertexEffect&) = delete;

    // Advances the effect by the frame time in seconds. A time that is not finite is
    // ignored.
    virtual void Update(float frameTime) = 0;
    // Copies count vertices from source to destination whole, changing one field of each.
    // Nothing happens for null arrays or a count below 1.
    virtual void Apply(gfx::Vertex* destination, const gfx::Vertex* source, int count) = 0;
};

// Steps through a sheet of columns x rows equal cells at speed frames a second; the
// object's texture coordinates 0..1 are mapped onto the current cell.
class CYFrameAnimation : public CYVertexEffect {
public:
    // Columns and rows are at least 1 (CreateVertexEffect refuses others; here they are
    // raised to 1); the first frame is a random one.
    CYFrameAnimation(int columns, int rows, float speed);
    ~CYFrameAnimation() override;
    void Update(float frameTime) override;
    void Apply(gfx::Vertex* destination, const gfx::Vertex* source, int count) override;

    int GetCurrentFrame() const { return currentFrame_; }
    int GetFrameCount() const { return frameCount_; }
    float GetFrameU(int frame) const { return frameU_[frame]; }
    float GetFrameV(int frame) const { return frameV_[frame]; }

private:
    int columns_;
    int rows_;
    float speed_;
    float time_ = 0.0f;
    float* frameU_ = nullptr;
    float* frameV_ = nullptr;
    float du_;
    float dv_;
    int currentFrame_ = 0;
    int frameCount_;
};

// Sets the diffuse colour to a grey level that swings between minimum and maximum as a
// sine of frequency f; alpha 0. White (0xFFFFFF) until the first Update.
class CYFlickEffect : public CYVertexEffect {
public:
    CYFlickEffect(float frequency, uint8_t minimum, uint8_t maximum);
    void Update(float frameTime) override;
    void Apply(gfx::Vertex* destination, const gfx::Vertex* source, int count) override;

    uint32_t GetLevel() const { return level_; }

private:
    float frequency_;
    uint8_t base_;
    uint8_t maximum_;
    uint32_t level_ = 0xFFFFFF;
    float amplitude_;
    float phase_;
    uint8_t minimum_;  // kept to hold the level inside the range whatever the rounding
};

// Scrolls the first texture coordinates by speed units a second, from a random start;
// the offsets stay within 0..1.
class CYMovingTextureEffect : public CYVertexEffect {
public:
    CYMovingTextureEffect(float speedU, float speedV);
    void Update(float frameTime) override;
    void Apply(gfx::Vertex* destination, const gfx::Vertex* source, int count) override;

    float GetOffsetU() const { return offsetU_; }
    float GetOffsetV() const { return offsetV_; }

private:
    float speedU_;
    float speedV_;
    float offsetU_;
    float offsetV_;
};

// Makes the object white with an alpha that falls from 255 by rate a second to 0.
class CYFadeEffect : public CYVertexEffect {
public:
    explicit CYFadeEffect(float rate);
    void Update(float frameTime) override;
    void Apply(gfx::Vertex* destination, const gfx::Vertex* source, int count) override;

    float GetAlpha() const { return alpha_; }

private:
    float rate_;
    float alpha_ = 255.0f;
};

// Builds the effect of that name (any case) from its parameter texts, or null. A
// rejected text logs one line at level 1; an unknown name yields null silently.
CYVertexEffect* CreateVertexEffect(const std::string& name, const std::vector<std::string>& parameters);
// The same from one text: the name followed by its parameters, separated by blanks.
CYVertexEffect* CreateVertexEffect(const std::string& text);
