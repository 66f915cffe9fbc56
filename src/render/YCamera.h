// The game world's camera: it orbits a look-at point at a distance, a pitch and a yaw,
// may follow a target object, keeps its view and projection matrices, their product and
// the six planes of its view frustum, and feeds one camera node under the renderer's
// root. Each update also places the 3D-sound listener. It answers event 9 with itself
// and turns on the camera actions of event 7.
#pragma once
#include <cstdint>

#include "core/YEvents.h"
#include "core/YScript.h"
#include "platform/math/Math.h"
#include "platform/system/Result.h"

class CYCameraNode;
class CYGameWorld;

// What the camera reads of an object it follows or draws; the complex object provides it.
class YCameraSubject {
public:
    virtual math::Vec3 GetPosition() const = 0;
    // Heading about z, in radians.
    virtual float GetHeading() const = 0;
    // Minimum and maximum corners of the object's bounding box in world space.
    virtual void GetBounds(math::Vec3* min, math::Vec3* max) const = 0;
    virtual void Draw() = 0;

protected:
    ~YCameraSubject() = default;
};

// What the camera needs from the subsystems above it; null when there is none.
// Moves and turns the 3D-sound listener (set by the audio system).
extern HRESULT (*g_placeListener)(const math::Vec3& position, const math::Vec3& front, const math::Vec3& top);
// Whether the game world that answered event 10 is in interface mode (set by the world).
extern bool (*g_isWorldInInterfaceMode)(const CYGameWorld* world);

class CYCameraBase {
public:
    virtual ~CYCameraBase() = default;
    virtual void Update(float frameTime) = 0;
};

class CYCamera : public CYCameraBase, public CYEventListener {
public:
    // Defaults, aspect from the screen size, subscriptions to events 9 and 7.
    CYCamera();
    // Lets go of the node (the tree keeps it) and cancels the subscriptions.
    ~CYCamera() override;

    // Rebuilds the view and hangs a camera node under the renderer's root (one node a
    // camera: a second call refreshes the node it has). E_FAIL without a renderer.
    HRESULT CreateNode();
    // The orbit: distance from the look-at point, pitch from the vertical, yaw about z.
    // Non-finite values and a distance of 0 are refused with a log line.
    void SetViewVector(float distance, float pitch, float yaw);
    // Non-finite points are refused with a log line.
    void SetLookAt(const math::Vec3& point);
    // Vertical field of view (0 < fov < pi) and far distance (beyond the near plane at
    // 1.0); other values are refused with a log line. Takes effect at the next update.
    void SetProjection(float fieldOfView, float farDistance);
    // Once a frame: the script, the turning, the target, then the dirty matrices.
    void Update(float frameTime) override;

    // True unless the box spanned by the two corners lies wholly outside a frustum plane.
    bool IsBoxInFrustum(const math::Vec3& a, const math::Vec3& b) const;
    bool IsInFrustum(const math::Vec3& a, const math::Vec3& b) const { return IsBoxInFrustum(a, b); }
    // Draws the object when its bounding box is in the frustum; false for null or unseen.
    bool DrawIfVisible(YCameraSubject* object);

    static void OnGetCamera(void* context, intptr_t a, intptr_t b);
    static void OnAction(void* context, intptr_t a, intptr_t b);

    CYScriptHandler& ScriptHandler() { return scriptHandler_; }
    // The followed object (not owned): whoever destroys it clears it here first.
    void SetTarget(YCameraSubject* target) { target_ = target; }
    YCameraSubject* GetTarget() const { return target_; }
    CYCameraNode* GetNode() const { return node_; }

    const math::Matrix& GetView() const { return view_; }
    const math::Matrix& GetInverseView() const { return inverseView_; }
    const math::Matrix& GetProjection() const { return projection_; }
    const math::Matrix& GetViewProjection() const { return viewProjection_; }
    const math::Vec3& GetEye() const { return eye_; }
    const math::Vec3& GetLookAt() const { return lookAt_; }
    float GetFieldOfView() const { return fieldOfView_; }
    float GetAspect() const { return aspect_; }
    float GetFarDistance() const { return farDistance_; }
    float GetDistance() const { return distance_; }
    float GetPitch() const { return pitch_; }
    float GetYaw() const { return yaw_; }
    // 0 none, 1 turning left, 2 turning right.
    int GetRotation() const { return rotation_; }
    // Near, far, left, right, top, bottom; inside points give positive values.
    const math::Plane* GetFrustumPlanes() const { return planes_; }

private:
    void RebuildView();
    void RebuildProjection();
    void RebuildFrustum();
    void PlaceListener();

    CYScriptHandler scriptHandler_;
    math::Matrix view_ = math::MatrixIdentity();
    math::Matrix inverseView_ = math::MatrixIdentity();
    math::Matrix projection_ = math::MatrixIdentity();
    math::Matrix viewProjection_ = math::MatrixIdentity();
    CYCameraNode* node_ = nullptr;
    math::Vec3 eye_;
    math::Vec3 lookAt_;
    float fieldOfView_ = 1.5707964f;
    float aspect_ = 1.0f;
    float farDistance_ = 100.0f;
    float distance_ = 10.0f;
    float pitch_ = 0.7853982f;
    float yaw_ = 0.0f;
    uint8_t viewDirty_ = 1;
    uint8_t projectionDirty_ = 1;
    YCameraSubject* target_ = nullptr;
    math::Plane planes_[6];
    int rotation_ = 0;
};
