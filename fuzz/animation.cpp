// Fuzzes the skeleton's readers and player: the bone data, the animation table and its
// sequence files, then a few frames of play with every sequence requested in turn.
// Input: a 32-bit table length, the table text, then bytes that serve as the bone data
// (first byte: bone count) and as every sequence file (each from the offset that its file
// name gives: a name of digits is the offset), so that one input shapes them all.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/YEndian.h"
#include "core/YSettings.h"
#include "render/YSkeleton.h"

namespace {

void CheckSequence(const YSequence* s) {
    // A one-frame sequence holds its pose: frame 0 against itself.
    if (s->frameCount < 1 || s->frame < 0 || s->frame > std::max(0, s->frameCount - 2)) __builtin_trap();
    if (s->rotations.size() != size_t(s->frameCount) * size_t(s->boneCount)) __builtin_trap();
    if (s->rootPositions.size() != size_t(s->frameCount)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    g_settings.logLevel = -1000;
    if (size < 4) return 0;
    const size_t tableSize = LoadLE32(data);
    if (tableSize > size - 4) return 0;
    const uint8_t* table = data + 4;
    const uint8_t* rest = table + tableSize;
    const size_t restSize = size - 4 - tableSize;

    CYSkeleton skeleton(nullptr);
    if (restSize > 0) {
        const bool loaded = skeleton.Load(rest + 1, static_cast<uint32_t>(restSize - 1), rest[0]);
        if (loaded && (skeleton.GetBoneCount() < 1 || skeleton.GetBoneCount() > rest[0])) __builtin_trap();
        if (!loaded && skeleton.GetBoneCount() != 0) __builtin_trap();
    }
    skeleton.ReadAnimationTable(table, static_cast<uint32_t>(tableSize),
                                [&](const std::string& file, std::vector<uint8_t>& bytes) {
                                    if (restSize == 0) return false;
                                    // A name of digits is the offset itself; other names are hashed.
                                    size_t offset = 0;
                                    for (unsigned char c : file)
                                        offset = c >= '0' && c <= '9' ? offset * 10 + (c - '0') : offset * 31 + c;
                                    offset %= restSize;
                                    bytes.assign(rest + offset, rest + restSize);
                                    return true;
                                });
    const int count = skeleton.GetSequenceCount();
    if (count > CYSkeleton::kMaxSequences) __builtin_trap();
    if ((count == 0) != (skeleton.GetAnimation() == nullptr)) __builtin_trap();
    for (int i = 0; i < count; ++i) CheckSequence(skeleton.GetSequence(i));
    if (count == 0) return 0;

    const float steps[] = {0.0f, 0.1f, 3.7f, 1e30f, NAN, 0.02f};
    for (int i = 0; i < count + 1; ++i) {
        if (i < count) skeleton.SetAnimation(skeleton.GetSequence((i * 7 + 3) % count)->name);
        for (float dt : steps) {
            skeleton.Update(dt, math::MatrixIdentity());
            CheckSequence(skeleton.GetAnimation() ? skeleton.GetAnimation() : skeleton.GetSequence(0));
            if (skeleton.GetNext()) CheckSequence(skeleton.GetNext());
        }
        if (i >= 8) break;
    }
    return 0;
}
