#include "render/YCamera.h"

#include <cmath>

#include "core/YLog.h"
#include "core/YSettings.h"
#include "render/YNode.h"
#include "render/YRenderer.h"

HRESULT (*g_placeListener)(const math::Vec3& position, const math::Vec3& front, const math::Vec3& top) = nullptr;
bool (*g_isWorldInInterfaceMode)(const CYGameWorld* world) = nullptr;

namespace {

constexpr float kHalfPi = 1.5707964f;
constexpr float kPi = 3.1415927f;
constexpr float kNear = 1.0f;
constexpr float kTurnRate = 2.0f;  // radians a second

// Action indices the camera answers.
constexpr intptr_t kActionCamLeft = 6;
constexpr intptr_t kActionCamRight = 7;
constexpr intptr_t kActionCamMode = 8;

// (x, y, z, 1) M divided by w.
math::Vec3 TransformPoint(float x, float y, float z, const math::Matrix& m) {
    math::Vec4 r = math::Vec4Transform(math::Vec4{x, y, z, 1.0f}, m);
    return math::Vec3(r.x, r.y, r.z) / r.w;
}

}  // namespace

CYCamera::CYCamera() : scriptHandler_(this) {
    if (g_settings.screenWidth > 0 && g_settings.screenHeight > 0) {
        aspect_ = float(g_settings.screenWidth) / float(g_settings.screenHeight);
    } else {
        Log(0, "CYCamera: screen size %dx%d, aspect 1.0 used\n", g_settings.screenWidth, g_settings.screenHeight);
    }
    SubscribeOnce(YEVENT_GET_CAMERA, this, &CYCamera::OnGetCamera);
    SubscribeOnce(YEVENT_ACTION, this, &CYCamera::OnAction);
}

CYCamera::~CYCamera() {
    UnsubscribeAll();
    if (node_) node_->SetHolder(nullptr);
    node_ = nullptr;
}

HRESULT CYCamera::CreateNode() {
    RebuildView();
    if (!node_) {
        CYRenderer* renderer = nullptr;
        SendEvent(YEVENT_GET_RENDERER, reinterpret_cast<intptr_t>(&renderer), 0);
        if (!renderer) return E_FAIL;
        node_ = renderer->AddCameraNode();
        if (!node_) return E_FAIL;
        node_->SetHolder(&node_);
    }
    node_->SetView(view_);
    node_->SetProjection(projection_);
    return S_OK;
}

void CYCamera::SetViewVector(float distance, float pitch, float yaw) {
    if (!std::isfinite(distance) || !std::isfinite(pitch) || !std::isfinite(yaw) || distance == 0.0f) {
        Log(0, "CYCamera: view vector (%g, %g, %g) refused\n", distance, pitch, yaw);
        return;
    }
    distance_ = distance;
    pitch_ = pitch;
    yaw_ = yaw;
    viewDirty_ = 1;
}

void CYCamera::SetLookAt(const math::Vec3& point) {
    if (!math::IsFinite(point)) {
        Log(0, "CYCamera: look-at point (%g, %g, %g) refused\n", point.x, point.y, point.z);
        return;
    }
    lookAt_ = point;
    viewDirty_ = 1;
}

void CYCamera::SetProjection(float fieldOfView, float farDistance) {
    // A field of view outside (0, pi) or a far plane not beyond the near one gives no
    // usable projection (and divisions by zero).
    if (!(fieldOfView > 0.0f && fieldOfView < kPi) || !(farDistance > kNear) || !std::isfinite(farDistance)) {
        Log(0, "CYCamera: projection (%g, %g) refused\n", fieldOfView, farDistance);
        return;
    }
    fieldOfView_ = fieldOfView;
    farDistance_ = farDistance;
    projectionDirty_ = 1;
}

void CYCamera::Update(float frameTime) {
    // The camera's script may delete the world and with it this camera.
    std::weak_ptr<void> life = scriptHandler_.LifeToken();
    scriptHandler_.Step(frameTime);
    if (life.expired()) return;

    if (g_settings.cameraMode > 0 && rotation_ > 0 && std::isfinite(frameTime)) {
        yaw_ += (rotation_ == 1 ? kTurnRate : -kTurnRate) * frameTime;
        viewDirty_ = 1;
    }
    if (target_) {
        const math::Vec3 position = target_->GetPosition();
        if (math::IsFinite(position) && position != lookAt_) SetLookAt(position);
        const float heading = target_->GetHeading();
        if (g_settings.cameraMode == 0 && heading != yaw_ && std::isfinite(heading)) {
            yaw_ = heading;
            viewDirty_ = 1;
        }
    }
    if (viewDirty_) {
        RebuildView();
        viewProjection_ = view_ * projection_;
        if (node_) node_->SetView(view_);
    }
    if (projectionDirty_) {
        RebuildProjection();
        viewProjection_ = view_ * projection_;
        // The frustum follows a new field of view or far distance at once.
        RebuildFrustum();
        if (node_) node_->SetProjection(projection_);
    }
}

void CYCamera::RebuildView() {
    viewDirty_ = 0;
    const math::Matrix turn = math::MatrixRotationZ(yaw_ - kHalfPi);
    const math::Vec3 up = TransformPoint(0.0f, 0.0f, 1.0f, math::MatrixRotationX(pitch_ - kHalfPi) * turn);
    const math::Vec3 offset = TransformPoint(0.0f, 0.0f, distance_, math::MatrixRotationX(pitch_) * turn);
    eye_ = lookAt_ + offset;
    view_ = math::MatrixLookAtLH(eye_, lookAt_, up);
    if (!math::MatrixInverse(view_, &inverseView_)) inverseView_ = math::MatrixIdentity();
    RebuildFrustum();
    PlaceListener();
}

void CYCamera::RebuildProjection() {
    projectionDirty_ = 0;
    projection_ = math::MatrixPerspectiveFovLH(fieldOfView_, aspect_, kNear, farDistance_);
}

void CYCamera::RebuildFrustum() {
    const math::Matrix p = math::MatrixPerspectiveFovLH(fieldOfView_, aspect_, kNear, farDistance_);
    math::Matrix m;
    if (!math::MatrixInverse(view_ * p, &m)) {
        // No frustum: every plane is zero and every box is rejected.
        for (math::Plane& plane : planes_) plane = math::Plane{};
        return;
    }
    // Corner i has x = bit 0, y = bit 1, z = bit 2 (x, y in -1/1, z in 0/1).
    math::Vec3 corners[8];
    math::Vec3 centre;
    for (int i = 0; i < 8; ++i) {
        corners[i] = TransformPoint(i & 1 ? 1.0f : -1.0f, i & 2 ? 1.0f : -1.0f, i & 4 ? 1.0f : 0.0f, m);
        centre += corners[i] * 0.125f;
    }
    // Near, far, left, right, top, bottom: three corners of each face.
    static const int kFaces[6][3] = {{0, 1, 2}, {4, 5, 6}, {0, 2, 4}, {1, 3, 5}, {2, 3, 6}, {0, 1, 4}};
    for (int f = 0; f < 6; ++f) {
        const math::Vec3& p1 = corners[kFaces[f][0]];
        math::Vec3 n = math::Cross(corners[kFaces[f][1]] - p1, corners[kFaces[f][2]] - p1);
        math::Plane plane{n.x, n.y, n.z, -math::Dot(n, p1)};
        // Inward: the frustum's centre lies on the positive side.
        if (math::PlaneDotCoord(plane, centre) < 0.0f) plane = math::Plane{-plane.a, -plane.b, -plane.c, -plane.d};
        planes_[f] = plane;
    }
}

void CYCamera::PlaceListener() {
    math::Vec3 front = math::Vec3Normalize(math::Vec3(lookAt_.x - eye_.x, lookAt_.y - eye_.y, 0.0f));
    if (front == math::Vec3()) {
        // Looking straight down: the top of the screen is the way ahead.
        const math::Vec3 up = TransformPoint(
            0.0f, 0.0f, 1.0f, math::MatrixRotationX(pitch_ - kHalfPi) * math::MatrixRotationZ(yaw_ - kHalfPi));
        front = math::Vec3Normalize(math::Vec3(up.x, up.y, 0.0f));
    }
    const math::Vec3 position = lookAt_ - front * 0.5f;
    CYGameWorld* world = nullptr;
    SendEvent(YEVENT_GET_GAME_WORLD, reinterpret_cast<intptr_t>(&world), 0);
    if (world && g_isWorldInInterfaceMode && g_isWorldInInterfaceMode(world)) return;
    if (g_placeListener) g_placeListener(position, front, math::Vec3(0.0f, 0.0f, 1.0f));
}

bool CYCamera::IsBoxInFrustum(const math::Vec3& a, const math::Vec3& b) const {
    for (const math::Plane& plane : planes_) {
        bool outside = true;
        for (int i = 0; i < 8 && outside; ++i) {
            const math::Vec3 corner(i & 1 ? b.x : a.x, i & 2 ? b.y : a.y, i & 4 ? b.z : a.z);
            if (math::PlaneDotCoord(plane, corner) > 0.0f) outside = false;
        }
        if (outside) return false;
    }
    return true;
}

bool CYCamera::DrawIfVisible(YCameraSubject* object) {
    if (!object) return false;
    math::Vec3 min, max;
    object->GetBounds(&min, &max);
    if (!IsBoxInFrustum(min, max)) return false;
    object->Draw();
    return true;
}

void CYCamera::OnGetCamera(void* context, intptr_t a, intptr_t) {
    if (a) *reinterpret_cast<CYCamera**>(a) = static_cast<CYCamera*>(context);
}

void CYCamera::OnAction(void* context, intptr_t a, intptr_t b) {
    auto* self = static_cast<CYCamera*>(context);
    const bool press = b == 0;
    const bool release = b == 1;
    if (g_settings.cameraMode == 0) {
        if (a == kActionCamMode && press) {
            g_settings.cameraMode = 1;
            self->rotation_ = 0;
        }
        return;
    }
    if (a == kActionCamLeft) {
        if (press) self->rotation_ = 1;
        if (release) self->rotation_ = 0;
    } else if (a == kActionCamRight) {
        if (press) self->rotation_ = 2;
        if (release) self->rotation_ = 0;
    } else if (a == kActionCamMode && press) {
        g_settings.cameraMode = 0;
        self->rotation_ = 0;
    }
}
