// The skeleton of a skinned complex object: the bone tree read from the end of its mesh
// file and the named animation sequences of its animation table. Once a frame it advances
// the playing sequence, blends into a requested one, and computes one skinning matrix per
// bone for the skinned parts.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/math/Math.h"

class CYComplexObject;

// One animation sequence: frameCount poses of boneCount rotations and a root position.
struct YSequence {
    std::string name;
    int boneCount = 0;
    int frameCount = 0;
    int frame = 0;              // the current frame, below frameCount - 1 (0 for a single frame)
    float frameDuration = 0;    // seconds per frame
    float length = 0;           // seconds
    std::vector<math::Quat> rotations;      // frameCount * boneCount, frame by frame
    std::vector<math::Vec3> rootPositions;  // frameCount
    const math::Quat* Rotations(int f) const { return rotations.data() + size_t(f) * size_t(boneCount); }
    // The frames the current frame cycles over: all but the last, or the one frame there is.
    int Cycle() const { return frameCount > 1 ? frameCount - 1 : 1; }
    // The frame a pose interpolates towards; a single frame is posed against itself.
    int After(int f) const { return f + 1 < frameCount ? f + 1 : f; }
};

// What to do when changing from one sequence to another.
struct YTransition {
    int32_t target = 0;  // the sequence to play next (may be an intermediate one)
    int32_t type = 0;    // 1 synchronised, 3 from the start, 4 after the cycle
    float value = 0;     // blend time, seconds
};

// Reads a sequence file (header, length, frame count, frame duration, bone count, frames).
// False, with the record untouched, when the data is short, a count does not fit, a
// value is not finite, or the timing could not be played (no frame, a length or frame
// duration not above 0).
bool ReadSequenceFile(const uint8_t* data, uint32_t size, YSequence& sequence);

class CYSkeleton {
public:
    // At most this many sequences are read from one table (the transition table is square).
    static constexpr int kMaxSequences = 256;

    explicit CYSkeleton(CYComplexObject* owner) : owner_(owner) {}
    virtual ~CYSkeleton();
    CYSkeleton(const CYSkeleton&) = delete;
    CYSkeleton& operator=(const CYSkeleton&) = delete;

    // Reads the bone tree of at most boneCount bones from the size bytes of data (the rest
    // of a mesh file); a tree of fewer bones is whole. False when the data ends inside the
    // tree, the tree holds more bones than the count, or a bind matrix is not finite or
    // cannot be inverted.
    virtual bool Load(const uint8_t* data, uint32_t size, int boneCount);
    // Reads "data\meshes\<name>" and the sequence files it names; the first sequence plays.
    // A missing table changes nothing.
    void LoadAnimationTable(const std::string& name);
    // The same from the table's text; loadFile reads the bytes of one named sequence file.
    using FileReader = std::function<bool(const std::string& file, std::vector<uint8_t>& bytes)>;
    void ReadAnimationTable(const uint8_t* text, uint32_t size, const FileReader& loadFile);
    // Requests a sequence by name; nothing happens before a table is loaded or for a
    // name the table does not hold.
    void SetAnimation(const std::string& name);
    // The playing sequence; null before a table is loaded.
    const YSequence* GetAnimation() const { return current_; }
    // Advances the current sequence by the frame time and computes the skinning
    // matrices against the world matrix.
    virtual void Update(float frameTime, const math::Matrix& world);
    // One skinning matrix a bone (model space to world space), GetBoneCount() of them;
    // null until the skeleton has been posed.
    virtual const math::Matrix* GetSkinMatrices() const { return posed_ ? skinMatrices_.data() : nullptr; }
    virtual int GetBoneCount() const { return static_cast<int>(skinMatrices_.size()); }

    CYComplexObject* GetOwner() const { return owner_; }
    int GetBonesRead() const { return boneCounter_; }
    const math::Matrix* GetBindMatrices() const { return bindMatrices_.data(); }
    const math::Matrix* GetInverseBindMatrices() const { return inverseBindMatrices_.data(); }
    int GetSequenceCount() const { return static_cast<int>(sequences_.size()); }
    const YSequence* GetSequence(int i) const { return sequences_[size_t(i)].get(); }
    const YTransition& GetTransition(int from, int to) const {
        return transitions_[size_t(from) * sequences_.size() + size_t(to)];
    }
    const YSequence* GetNext() const { return next_; }
    int GetState() const { return state_; }
    const std::string& GetQueuedName() const { return queuedName_; }

private:
    void ClearBones();
    // The tree from the root, depth first; false at the first bad bone.
    bool ReadBoneTree(const uint8_t* data, uint32_t size, int boneCount);
    // One bone record at *position (moved past it) under parent (-1: the root); its child
    // count goes to childCount.
    bool ReadBone(const uint8_t* data, uint32_t size, uint32_t* position, int parent, int boneCount,
                  uint32_t* childCount);
    int IndexOf(const std::string& name) const;
    void ClearAnimations();
    // Poses the bones from frame fa of a and frame fb of b at t, then walks the tree.
    void Pose(const YSequence& a, int fa, const YSequence& b, int fb, float t, const math::Matrix& world);

    CYComplexObject* owner_;
    std::map<std::string, int> sequenceIndex_;
    std::vector<std::unique_ptr<YSequence>> sequences_;
    std::vector<YTransition> transitions_;
    std::vector<math::Matrix> skinMatrices_, bindMatrices_, inverseBindMatrices_;
    std::vector<math::Matrix> boneFrames_;  // scratch: each bone's matrix for its children
    std::vector<int32_t> parents_;          // each bone's parent, -1 for the root; parents come first
    int boneCounter_ = 0;
    YSequence* current_ = nullptr;
    YSequence* next_ = nullptr;
    std::string queuedName_;
    int state_ = 0;  // 0 play, 1 synchronised change, 2 blend, 3 change from the start, 4 finish the cycle
    float blendTime_ = 0;
    float time_ = 0;
    bool posed_ = false;
};
