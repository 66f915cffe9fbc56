// The skeleton of a skinned complex object: a bone tree and its animation sequences,
// posed once a frame against the object's world matrix. Only what the complex object
// and its skinned parts call lives here so far.
#pragma once
#include <cstdint>

#include "platform/math/Math.h"

class CYComplexObject;

class CYSkeleton {
public:
    explicit CYSkeleton(CYComplexObject* owner) : owner_(owner) {}
    virtual ~CYSkeleton() = default;
    CYSkeleton(const CYSkeleton&) = delete;
    CYSkeleton& operator=(const CYSkeleton&) = delete;

    // Reads the bone tree of boneCount bones from the size bytes of data (the rest of a
    // mesh file). False when the data cannot hold it; the skeleton is then discarded.
    // Each bone is at least a child count and 12 floats (52 bytes).
    virtual bool Load(const uint8_t* data, uint32_t size, int boneCount) {
        (void)data;
        return boneCount > 0 && static_cast<uint64_t>(boneCount) * 52 <= size;
    }
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
