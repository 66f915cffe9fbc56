#include "render/YSkeleton.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/YEndian.h"
#include "core/YFile.h"
#include "core/YLog.h"
#include "core/YNumbers.h"
#include "core/YTextParser.h"
#include "core/YTokenizer.h"
#include "core/YUtils.h"

namespace {

constexpr uint32_t kBoneBytes = 4 + 12 * 4;     // child count and 12 matrix floats
constexpr uint32_t kSequenceHeader = 16 + 4 * 4;  // 16 unread bytes, then four fields
// Loop passes after which a long run of steps is done in one go: hostile timings (a tiny
// frame duration, a huge frame time) must not turn a frame into billions of steps.
constexpr int kStepLimit = 64;
constexpr int kBlendLimit = 64;

// while v > step (and fewer than limit steps): v -= step. Returns the steps taken.
double Consume(float& v, float step, double limit) {
    double n = 0;
    while (v > step && n < limit) {
        if (n >= kStepLimit) {
            const double q = std::floor(double(v) / step);
            if (q >= limit - n) {
                v = static_cast<float>(double(v) - (limit - n) * step);
                if (!(v >= 0)) v = 0;
                return limit;
            }
            v = std::fmod(v, step);
            return n + q;
        }
        v -= step;
        n += 1;
    }
    return n;
}

// Frame f advanced by n steps in a cycle over frames 0 .. cycle - 1.
int Wrap(int f, double n, int cycle) {
    const int64_t k = static_cast<int64_t>(std::fmod(n, double(cycle)));
    return static_cast<int>((int64_t(f) + k) % cycle);
}

math::Quat Slerp(const math::Quat& q0, math::Quat q1, float t) {
    float d = q0.x * q1.x + q0.y * q1.y + q0.z * q1.z + q0.w * q1.w;
    if (d < 0) {
        q1 = {-q1.x, -q1.y, -q1.z, -q1.w};
        d = -d;
    }
    float w0 = 1 - t, w1 = t;
    if (1 - d > 0.0001f) {
        const float theta = std::acos(d);
        const float s = std::sin(theta);
        w0 = std::sin((1 - t) * theta) / s;
        w1 = std::sin(t * theta) / s;
    }
    return {w0 * q0.x + w1 * q1.x, w0 * q0.y + w1 * q1.y, w0 * q0.z + w1 * q1.z, w0 * q0.w + w1 * q1.w};
}

}  // namespace

bool ReadSequenceFile(const uint8_t* data, uint32_t size, YSequence& sequence) {
    if (size < kSequenceHeader) return false;
    const float length = LoadLEFloat(data + 16);
    const uint32_t frameCount = LoadLE32(data + 20);
    const float frameDuration = LoadLEFloat(data + 24);
    const uint32_t boneCount = LoadLE32(data + 28);
    if (!std::isfinite(length) || !(length > 0) || !std::isfinite(frameDuration) || !(frameDuration > 0) ||
        frameCount < 1)
        return false;
    const uint64_t frameBytes = 12 + 16 * uint64_t(boneCount);
    if (uint64_t(frameCount) * frameBytes > size - kSequenceHeader) return false;

    std::vector<math::Quat> rotations(size_t(frameCount) * boneCount);
    std::vector<math::Vec3> roots(frameCount);
    const uint8_t* p = data + kSequenceHeader;
    bool finite = true;
    auto next = [&] {
        const float f = LoadLEFloat(p);
        p += 4;
        finite = finite && std::isfinite(f);
        return f;
    };
    for (uint32_t f = 0; f < frameCount; ++f) {
        const float a = next(), b = next(), c = next();
        roots[f] = math::Vec3(b, -a, c);
        for (uint32_t i = 0; i < boneCount; ++i) {
            math::Quat& q = rotations[size_t(f) * boneCount + i];
            q.w = next();
            q.x = next();
            q.y = next();
            q.z = next();
        }
    }
    if (!finite) return false;
    sequence.boneCount = static_cast<int>(boneCount);
    sequence.frameCount = static_cast<int>(frameCount);
    sequence.frame = 0;
    sequence.frameDuration = frameDuration;
    sequence.length = length;
    sequence.rotations = std::move(rotations);
    sequence.rootPositions = std::move(roots);
    return true;
}

CYSkeleton::~CYSkeleton() = default;

void CYSkeleton::ClearBones() {
    boneCounter_ = 0;
    posed_ = false;
    skinMatrices_.clear();
    bindMatrices_.clear();
    inverseBindMatrices_.clear();
    boneFrames_.clear();
    parents_.clear();
}

bool CYSkeleton::Load(const uint8_t* data, uint32_t size, int boneCount) {
    ClearBones();
    // Every bone takes kBoneBytes: the arrays are sized for the bones the data can hold,
    // however many the count promises. A tree may hold fewer bones than its count.
    const size_t capacity = boneCount > 0 ? std::min<size_t>(size_t(boneCount), size / kBoneBytes) : 0;
    if (capacity == 0) {
        Log(3, "Skeleton: no bone in %u bytes for a count of %d\n", size, boneCount);
        return false;
    }
    bindMatrices_.resize(capacity);
    inverseBindMatrices_.resize(capacity);
    boneFrames_.resize(capacity);
    parents_.resize(capacity);
    if (!ReadBoneTree(data, size, boneCount)) {
        Log(3, "Skeleton: bad bone %d of %d\n", boneCounter_, boneCount);
        ClearBones();
        return false;
    }
    const size_t n = size_t(boneCounter_);
    bindMatrices_.resize(n);
    inverseBindMatrices_.resize(n);
    boneFrames_.resize(n);
    parents_.resize(n);
    skinMatrices_.assign(n, math::MatrixIdentity());
    Log(0, "Skeleton bonesCount - %d\n", boneCounter_);
    return true;
}

bool CYSkeleton::ReadBoneTree(const uint8_t* data, uint32_t size, int boneCount) {
    // Depth first from the root, without recursion: each open bone with the children it
    // has still to read. A bone's parent is always read before it.
    std::vector<std::pair<int, uint32_t>> open;
    uint32_t position = 0;
    uint32_t childCount = 0;
    if (!ReadBone(data, size, &position, -1, boneCount, &childCount)) return false;
    open.emplace_back(0, childCount);
    while (!open.empty()) {
        auto& [bone, remaining] = open.back();
        if (remaining == 0) {
            open.pop_back();
            continue;
        }
        --remaining;
        const int index = boneCounter_;
        if (!ReadBone(data, size, &position, bone, boneCount, &childCount)) return false;
        open.emplace_back(index, childCount);
    }
    return true;
}

bool CYSkeleton::ReadBone(const uint8_t* data, uint32_t size, uint32_t* position, int parent, int boneCount,
                          uint32_t* childCount) {
    // The arrays hold every bone the data has room for: a bone beyond them lies past the end.
    if (size_t(boneCounter_) >= bindMatrices_.size() || size - *position < kBoneBytes) return false;
    const int index = boneCounter_++;
    const uint8_t* p = data + *position;
    *childCount = LoadLE32(p);
    // More bones than the count is an error.
    if (*childCount > uint32_t(boneCount - boneCounter_)) return false;
    math::Matrix bind = math::MatrixIdentity();
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 4; ++r) bind.m[r][c] = LoadLEFloat(p + 4 + 4 * (c * 4 + r));
    if (!math::IsFinite(bind)) return false;
    *position += kBoneBytes;
    const math::Matrix a = bind * (parent < 0 ? math::MatrixIdentity() : boneFrames_[size_t(parent)]);
    // Finite entries whose product overflows are as corrupt as a bind matrix that is not a number.
    if (!math::IsFinite(a)) return false;
    // A bone placed by a singular matrix keeps its place in the skeleton, undone by nothing.
    if (!math::MatrixInverse(a, &inverseBindMatrices_[size_t(index)])) {
        Log(3, "Skeleton: bone %d has no inverse bind matrix, the identity stands for it\n", index);
        inverseBindMatrices_[size_t(index)] = math::MatrixIdentity();
    }
    bindMatrices_[size_t(index)] = bind;
    boneFrames_[size_t(index)] = a;
    parents_[size_t(index)] = parent;
    return true;
}

void CYSkeleton::ClearAnimations() {
    sequenceIndex_.clear();
    sequences_.clear();
    transitions_.clear();
    current_ = next_ = nullptr;
    queuedName_.clear();
    state_ = 0;
    blendTime_ = 0;
    time_ = 0;
}

int CYSkeleton::IndexOf(const std::string& name) const {
    // A name that no sequence has (or whose file did not load) stands for sequence 0.
    const auto it = sequenceIndex_.find(name);
    return it == sequenceIndex_.end() ? 0 : it->second;
}

void CYSkeleton::LoadAnimationTable(const std::string& name) {
    CYFile table("data\\meshes\\" + name);
    if (table.Load() != S_OK) return;
    ReadAnimationTable(table.GetData(), table.GetSize(), [](const std::string& file, std::vector<uint8_t>& bytes) {
        CYFile sequence("data\\meshes\\" + file);
        if (sequence.Load() != S_OK) return false;
        bytes.assign(sequence.GetData(), sequence.GetData() + sequence.GetSize());
        return true;
    });
}

void CYSkeleton::ReadAnimationTable(const uint8_t* text, uint32_t size, const FileReader& loadFile) {
    ClearAnimations();
    CYTextParser parser(text, size);
    std::string line;
    bool more = parser.GetLine(line);
    std::vector<uint8_t> bytes;
    for (; more && parser.IsValueLine(); more = parser.GetLine(line)) {
        CYTokenizer tokens(line, "=", false);
        std::string name, file;
        if (!tokens.NextToken(name) || !tokens.NextToken(file)) continue;
        if (static_cast<int>(sequences_.size()) >= kMaxSequences) {
            Log(3, "Too many sequences, %s skipped\n", name.c_str());
            continue;
        }
        if (!loadFile(file, bytes)) continue;
        Log(0, "sequence - %s\n", name.c_str());
        auto sequence = std::make_unique<YSequence>();
        if (!ReadSequenceFile(bytes.data(), static_cast<uint32_t>(bytes.size()), *sequence)) {
            Log(3, "Bad sequence file - %s\n", file.c_str());
            continue;
        }
        sequence->name = name;
        Log(0, "Bones count - %d, frames - %d\n", sequence->boneCount, sequence->frameCount);
        sequenceIndex_[name] = static_cast<int>(sequences_.size());
        sequences_.push_back(std::move(sequence));
    }

    // Entries fill the table in reading order, whatever line they stand on; entries past
    // its end are dropped, and entries no line gave keep "no change".
    const size_t count = sequences_.size();
    transitions_.assign(count * count, YTransition{});
    size_t k = 0;
    if (more) {
        while (parser.GetLine(line) && k < transitions_.size()) {
            CYTokenizer entries(line, ";", false);
            std::string entry;
            while (k < transitions_.size() && entries.NextToken(entry)) {
                CYTokenizer fields(entry, ",", false);
                std::string target, letter, value;
                (void)(fields.NextToken(target) && fields.NextToken(letter) && fields.NextToken(value));
                YTransition& t = transitions_[k++];
                t.target = IndexOf(target);
                ToLower(letter);
                t.type = letter == "s" ? 1 : letter == "f" ? 4 : 3;
                const float v = TextToFloat(value, YNumberMode::Leading);
                // Any real, a negative one included: a blend of less than nothing ends at once,
                // and the time it stands for is carried into the next sequence.
                t.value = std::isfinite(v) ? v : 0.0f;
            }
        }
    }
    current_ = count ? sequences_[0].get() : nullptr;
}

void CYSkeleton::SetAnimation(const std::string& name) {
    if (!current_) return;
    const int from = IndexOf(current_->name);
    const int to = IndexOf(name);
    if (from == to) return;
    queuedName_ = name;
    const YTransition& e = transitions_[size_t(from) * sequences_.size() + size_t(to)];
    YSequence* target = sequences_[size_t(e.target)].get();
    if (target != next_) {
        next_ = target;
        if (queuedName_ == target->name) queuedName_.clear();
        state_ = e.type;
        blendTime_ = e.value;
    } else if (queuedName_ == next_->name) {
        queuedName_.clear();
    }
}

void CYSkeleton::Update(float frameTime, const math::Matrix& world) {
    if (!current_) return;
    if (std::isfinite(frameTime)) time_ += frameTime * 0.5f;
    int blends = 0;
    for (;;) {
        YSequence& cur = *current_;
        // A change with nothing to change into plays on.
        if (state_ != 0 && !next_) state_ = 0;
        switch (state_) {
            case 1: {
                YSequence& nx = *next_;
                double p = (cur.frame * double(cur.frameDuration) + time_) / cur.length * nx.length;
                if (!std::isfinite(p)) p = 0;
                float pf = static_cast<float>(p);
                Consume(pf, nx.length, INFINITY);
                nx.frame = Wrap(0, Consume(pf, nx.frameDuration, INFINITY), nx.Cycle());
                state_ = 2;
                continue;
            }
            case 2: {
                if (++blends > kBlendLimit && time_ > blendTime_) time_ = blendTime_;
                if (time_ <= blendTime_) {
                    const float t = blendTime_ > 0 ? time_ / blendTime_ : 1.0f;
                    Pose(cur, cur.frame, *next_, next_->frame, t, world);
                    return;
                }
                current_ = next_;
                next_ = nullptr;
                time_ -= blendTime_;
                state_ = 0;
                if (!queuedName_.empty()) {
                    SetAnimation(queuedName_);
                    // A request that is already playing is done.
                    if (!next_) queuedName_.clear();
                }
                continue;
            }
            case 3:
                next_->frame = 0;
                state_ = 2;
                continue;
            case 4: {
                const int last = cur.frameCount - 2;
                if (cur.frame < last) cur.frame += static_cast<int>(Consume(time_, cur.frameDuration, last - cur.frame));
                if (cur.frame >= last) {
                    next_->frame = 0;
                    state_ = 2;
                    continue;
                }
                Pose(cur, cur.frame, cur, cur.frame + 1, time_ / cur.frameDuration, world);
                return;
            }
            default:
                cur.frame = Wrap(cur.frame, Consume(time_, cur.frameDuration, INFINITY), cur.Cycle());
                Pose(cur, cur.frame, cur, cur.After(cur.frame), time_ / cur.frameDuration, world);
                return;
        }
    }
}

void CYSkeleton::Pose(const YSequence& a, int fa, const YSequence& b, int fb, float t, const math::Matrix& world) {
    const math::Vec3 root = math::Vec3Lerp(a.rootPositions[size_t(fa)], b.rootPositions[size_t(fb)], t);
    const math::Matrix rootFrame = math::MatrixTranslation(root.x, root.y, root.z) * world;
    const math::Quat* ra = a.Rotations(fa);
    const math::Quat* rb = b.Rotations(fb);
    // A bone a sequence has no rotation for keeps its bind pose.
    const math::Quat identity;
    for (size_t i = 0; i < skinMatrices_.size(); ++i) {
        const math::Quat& q0 = int(i) < a.boneCount ? ra[i] : identity;
        const math::Quat& q1 = int(i) < b.boneCount ? rb[i] : identity;
        const math::Matrix rotation = math::MatrixTranspose(math::MatrixRotationQuaternion(Slerp(q0, q1, t)));
        const int parent = parents_[i];
        const math::Matrix frame = rotation * bindMatrices_[i] * (parent < 0 ? rootFrame : boneFrames_[size_t(parent)]);
        boneFrames_[i] = frame;
        skinMatrices_[i] = inverseBindMatrices_[i] * frame;
    }
    posed_ = true;
}
