// The skeleton of a skinned complex object: a bone tree and its animation sequences,
// posed once a frame against the object's world matrix. Only what the complex object
// and its skinned parts call lives here so far.
#pragma once
#include "platform/math/Math.h"

class CYComplexObject;

class CYSkeleton {
public:
    explicit CYSkeleton(CYComplexObject* owner) : owner_(owner) {}
    virtual ~CYSkeleton() = default;
    CYSkeleton(const CYSkeleton&) = delete;
    CYSkeleton& operator=(const CYSkeleton&) = delete;

    // Advances the current sequence by the frame time and computes the skinning
    // matrices against the world matrix.
    virtual void Update(float frameTime, const math::Matrix& world) {
        (void)frameTime;
        (void)world;
    }
    // One skinning matrix a bone (model space to world space), GetBoneCount() of them;
    // null until the skeleton has been posed.
    virtual const math::Matrix* GetSkinMatrices() const { return nullptr; }
    virtual int GetBoneCount() const { return 0; }

    CYComplexObject* GetOwner() const { return owner_; }

private:
    CYComplexObject* owner_;
};
