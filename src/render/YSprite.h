// Camera-facing quads: a sprite is a rectangle centred on its position that always
// faces the camera; an auto-sprite is a beam between two points that turns about its
// own axis to face the camera. Both ask for the camera (event 9) every frame.
#pragma once
#include <string>

#include "platform/math/Math.h"
#include "render/YObject.h"

class CYCamera;

// The camera answering event 9, or null.
CYCamera* QueryCamera();

class CYSprite : public CYObject {
public:
    // Half-width and half-height; bad sizes (not finite, negative) become 0 with a log line.
    CYSprite(const std::string& name, float halfWidth, float halfHeight);
    // Rebuilds the template and its bounding record; bad sizes are refused with a log line.
    bool SetSize(float halfWidth, float halfHeight);
    // The template turned to the camera at the sprite's world position, then the vertex
    // effect. Without a camera the template keeps its own orientation.
    void ApplyVertexEffect(gfx::Vertex* destination) override;
    void Update() override;
    void UpdateVertexEffect(float frameTime) override;

    float GetHalfWidth() const { return halfWidth_; }
    float GetHalfHeight() const { return halfHeight_; }

private:
    void Build();
    float halfWidth_ = 0.0f;
    float halfHeight_ = 0.0f;
};

class CYAutoSprite : public CYObject {
public:
    // End points and half-width; bad values become 0 with a log line.
    CYAutoSprite(const std::string& name, const math::Vec3& a, const math::Vec3& b, float halfWidth);
    // Refused (false, logged) for non-finite values or a negative width.
    bool SetPosition(const math::Vec3& a, const math::Vec3& b, float halfWidth);
    // The vertex effect and children, then the four corners turned to the camera. When
    // the end points coincide on the screen (or no camera answers) the corners stay.
    void UpdateVertexEffect(float frameTime) override;

    const math::Vec3& GetA() const { return a_; }
    const math::Vec3& GetB() const { return b_; }
    float GetHalfWidth() const { return halfWidth_; }

private:
    void Build();
    math::Vec3 a_;
    math::Vec3 b_;
    float halfWidth_ = 0.0f;
};
