#include "render/YSkeleton.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "support/TestSupport.h"

namespace {

using math::Matrix;
using math::Vec3;

// A 32-bit value in the host's order, which the tests assume is little-endian like the files.
template <typename T>
void Put(std::string& s, T v) {
    s.append(reinterpret_cast<const char*>(&v), 4);
}
void Put32(std::string& s, uint32_t v) { Put(s, v); }
void PutF(std::string& s, float f) { Put(s, f); }

// One bone record: child count, then the bind matrix column by column (rows 0 to 3).
std::string Bone(uint32_t children, const Matrix& bind) {
    std::string s;
    Put32(s, children);
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 4; ++r) PutF(s, bind.m[r][c]);
    return s;
}

struct Key {
    Vec3 root;                   // as stored: a, b, c
    std::vector<math::Quat> q;   // one a bone
};

std::string Sequence(float length, float frameDuration, const std::vector<Key>& keys) {
    std::string s(16, '\0');
    PutF(s, length);
    Put32(s, static_cast<uint32_t>(keys.size()));
    PutF(s, frameDuration);
    Put32(s, keys.empty() ? 0 : static_cast<uint32_t>(keys[0].q.size()));
    for (const Key& k : keys) {
        for (float f : {k.root.x, k.root.y, k.root.z}) PutF(s, f);
        for (const math::Quat& q : k.q)
            for (float f : {q.w, q.x, q.y, q.z}) PutF(s, f);
    }
    return s;
}

// A plain sequence of n frames, one second each, one bone at rest.
std::string Plain(int frames) {
    return Sequence(float(frames - 1), 1.0f, std::vector<Key>(size_t(frames), Key{{}, {math::Quat{}}}));
}

math::Quat AboutZ(float degrees) {
    const float h = degrees * 3.14159265f / 360.0f;
    return {0, 0, std::sin(h), std::cos(h)};
}

void ExpectPoint(const Vec3& p, const Matrix& m, const Vec3& expected) {
    const Vec3 got = math::Vec3TransformCoord(p, m);
    EXPECT_TRUE(math::Vec3Length(got - expected) < 1e-4f) << got.x << ", " << got.y << ", " << got.z;
}

bool LoadBones(CYSkeleton& s, const std::string& bytes, int count) {
    return s.Load(reinterpret_cast<const uint8_t*>(bytes.data()), uint32_t(bytes.size()), count);
}

void ReadTable(CYSkeleton& s, const std::string& table, const std::map<std::string, std::string>& files) {
    s.ReadAnimationTable(reinterpret_cast<const uint8_t*>(table.data()), uint32_t(table.size()),
                         [&](const std::string& name, std::vector<uint8_t>& bytes) {
                             const auto it = files.find(name);
                             if (it == files.end()) return false;
                             bytes.assign(it->second.begin(), it->second.end());
                             return true;
                         });
}

struct SkeletonTest : ::testing::Test {
    std::string LogText() const { return test::ReadFile("YLog.log"); }
    test::TempDir dir_;
    CYSkeleton skeleton_{nullptr};
};

// ---- Bone data ------------------------------------------------------------------------------

TEST_F(SkeletonTest, TwoBonesPosedByASequenceGiveTheHandWorkedSkinMatrices) {
    // Root at rest, its child 2 up the z axis; the child turns 90 degrees about z.
    ASSERT_TRUE(LoadBones(skeleton_, Bone(1, math::MatrixIdentity()) + Bone(0, math::MatrixTranslation(0, 0, 2)), 2));
    EXPECT_EQ(skeleton_.GetInverseBindMatrices()[1], math::MatrixTranslation(0, 0, -2));
    EXPECT_EQ(skeleton_.GetSkinMatrices(), nullptr);  // not posed yet
    const Key key{{1, 0, 0}, {math::Quat{}, AboutZ(90)}};
    ReadTable(skeleton_, "turn = turn.seq\n", {{"turn.seq", Sequence(1, 1, {key, key})}});
    skeleton_.Update(0, math::MatrixTranslation(10, 0, 0));
    const Matrix* skin = skeleton_.GetSkinMatrices();
    ASSERT_NE(skin, nullptr);
    ASSERT_EQ(skeleton_.GetBoneCount(), 2);
    // The stored root (1, 0, 0) is (0, -1, 0) in the model: the root bone only moves.
    ExpectPoint({0, 0, 0}, skin[0], {10, -1, 0});
    // A point on the child's x axis: back to the bone (1, 0, 0), turned by the transposed
    // rotation to (0, -1, 0), then out to the child's place (10, -1, 2).
    ExpectPoint({1, 0, 2}, skin[1], {10, -2, 2});
    ExpectPoint({0, 0, 2}, skin[1], {10, -1, 2});
    EXPECT_NE(LogText().find("Skeleton bonesCount - 2\n"), std::string::npos);
    // A sequence of fewer bones leaves the others in their bind pose.
    ReadTable(skeleton_, "one = one.seq\n", {{"one.seq", Plain(2)}});
    skeleton_.Update(0, math::MatrixIdentity());
    EXPECT_EQ(skeleton_.GetSkinMatrices()[1], math::MatrixIdentity());
}

TEST_F(SkeletonTest, BadBoneDataIsRefused) {
    const std::string one = Bone(0, math::MatrixIdentity());
    EXPECT_FALSE(LoadBones(skeleton_, Bone(1, math::MatrixIdentity()) + one, 1));  // more bones than counted
    EXPECT_FALSE(LoadBones(skeleton_, Bone(2, math::MatrixIdentity()) + one + one, 2));
    EXPECT_FALSE(LoadBones(skeleton_, (Bone(1, math::MatrixIdentity()) + one).substr(0, 80), 2));  // ends early
    EXPECT_FALSE(LoadBones(skeleton_, one, 0));
    EXPECT_FALSE(LoadBones(skeleton_, one, -1));
    Matrix nan = math::MatrixIdentity();
    nan.m[3][1] = NAN;
    EXPECT_FALSE(LoadBones(skeleton_, Bone(0, nan), 1));
    EXPECT_EQ(skeleton_.GetBoneCount(), 0);
    // Fewer bones than counted: the skeleton has the bones the tree has.
    EXPECT_TRUE(LoadBones(skeleton_, one + one, 2));
    EXPECT_EQ(skeleton_.GetBoneCount(), 1);
}

TEST_F(SkeletonTest, BoneWithoutAnInverseKeepsTheSkeletonWithTheIdentityInItsPlace) {
    // The first child's bind matrix flattens z: it has no inverse. Its sibling after it
    // is read and inverted as usual.
    Matrix flat = math::MatrixIdentity();
    flat.m[2][2] = 0;
    const std::string tree = Bone(2, math::MatrixTranslation(1, 0, 0)) + Bone(0, flat) +
                             Bone(0, math::MatrixTranslation(0, 0, 2));
    ASSERT_TRUE(LoadBones(skeleton_, tree, 3));
    ASSERT_EQ(skeleton_.GetBoneCount(), 3);
    EXPECT_EQ(skeleton_.GetInverseBindMatrices()[0], math::MatrixTranslation(-1, 0, 0));
    EXPECT_EQ(skeleton_.GetInverseBindMatrices()[1], math::MatrixIdentity());
    EXPECT_EQ(skeleton_.GetInverseBindMatrices()[2], math::MatrixTranslation(-1, 0, -2));
    EXPECT_NE(LogText().find("Skeleton: bone 1 has no inverse bind matrix"), std::string::npos);
    EXPECT_NE(LogText().find("Skeleton bonesCount - 3\n"), std::string::npos);
    // Posed at rest, the bones with an inverse are undone exactly; the singular one is not.
    ReadTable(skeleton_, "rest = rest.seq\n",
              {{"rest.seq", Sequence(1, 1, std::vector<Key>(2, Key{{}, {{}, {}, {}}}))}});
    skeleton_.Update(0, math::MatrixIdentity());
    ASSERT_NE(skeleton_.GetSkinMatrices(), nullptr);
    ExpectPoint({3, 4, 5}, skeleton_.GetSkinMatrices()[0], {3, 4, 5});
    ExpectPoint({3, 4, 5}, skeleton_.GetSkinMatrices()[1], {4, 4, 0});
}

TEST_F(SkeletonTest, TreeOfFewerBonesThanTheCountIsReadAsItIs) {
    // The data ends with the tree: two bones where five are counted, and a count far
    // beyond what the data could hold, which must not size anything.
    const std::string tree = Bone(1, math::MatrixIdentity()) + Bone(0, math::MatrixTranslation(0, 0, 2));
    ASSERT_TRUE(LoadBones(skeleton_, tree, 5));
    EXPECT_EQ(skeleton_.GetBoneCount(), 2);
    EXPECT_EQ(skeleton_.GetInverseBindMatrices()[1], math::MatrixTranslation(0, 0, -2));
    EXPECT_NE(LogText().find("Skeleton bonesCount - 2\n"), std::string::npos);
    ASSERT_TRUE(LoadBones(skeleton_, Bone(0, math::MatrixIdentity()), 1 << 30));
    EXPECT_EQ(skeleton_.GetBoneCount(), 1);
}

// ---- Animation tables ---------------------------------------------------------------------

TEST_F(SkeletonTest, TableReadsSequencesAndTransitionsInOrder) {
    test::WriteFile("data/meshes/droid.txt",
                    "stand = stand.seq\nwalk=walk.seq\nlost = none.seq\n[transitions]\n"
                    "stand,s,0;walk,F,0.25\nstand,c,0.5;nobody,x,nan\n");
    test::WriteFile("data/meshes/stand.seq", Plain(2));
    test::WriteFile("data/meshes/walk.seq", Plain(3));
    skeleton_.LoadAnimationTable("droid.txt");
    ASSERT_EQ(skeleton_.GetSequenceCount(), 2);  // the missing file leaves its line without effect
    ASSERT_NE(skeleton_.GetAnimation(), nullptr);
    EXPECT_EQ(skeleton_.GetAnimation()->name, "stand");
    EXPECT_EQ(skeleton_.GetSequence(1)->frameCount, 3);
    EXPECT_EQ(skeleton_.GetTransition(0, 1).target, 1);
    EXPECT_EQ(skeleton_.GetTransition(0, 1).type, 4);
    EXPECT_FLOAT_EQ(skeleton_.GetTransition(0, 1).value, 0.25f);
    EXPECT_EQ(skeleton_.GetTransition(0, 0).type, 1);
    EXPECT_EQ(skeleton_.GetTransition(1, 0).type, 3);
    // An unknown target is sequence 0; an unknown letter changes from the start; NaN is 0.
    EXPECT_EQ(skeleton_.GetTransition(1, 1).target, 0);
    EXPECT_EQ(skeleton_.GetTransition(1, 1).type, 3);
    EXPECT_EQ(skeleton_.GetTransition(1, 1).value, 0.0f);
    const std::string log = LogText();
    EXPECT_NE(log.find("sequence - walk\nBones count - 1, frames - 3\n"), std::string::npos);

    skeleton_.LoadAnimationTable("missing.txt");  // changes nothing
    EXPECT_EQ(skeleton_.GetSequenceCount(), 2);

    // A short line shifts the entries after it; entries no line gave mean no change.
    ReadTable(skeleton_, "a=p\nb=p\n[t]\nb,c,1\nb,s,2;a,s,3\n", {{"p", Plain(2)}});
    EXPECT_EQ(skeleton_.GetTransition(0, 1).type, 1);
    EXPECT_EQ(skeleton_.GetTransition(1, 0).type, 1);
    EXPECT_EQ(skeleton_.GetTransition(1, 1).type, 0);
    // A negative blend time is kept; the change then ends in the first update.
    ReadTable(skeleton_, "a=p\nb=p\n[t]\na,c,0;b,c,-0.5\n", {{"p", Plain(4)}});
    EXPECT_FLOAT_EQ(skeleton_.GetTransition(0, 1).value, -0.5f);
    skeleton_.SetAnimation("b");
    skeleton_.Update(0.2f, math::MatrixIdentity());  // 0.1 s, and 0.5 s carried: still frame 0
    EXPECT_EQ(skeleton_.GetAnimation()->name, "b");
    EXPECT_EQ(skeleton_.GetAnimation()->frame, 0);
    skeleton_.Update(1.0f, math::MatrixIdentity());  // 1.1 s: frame 1
    EXPECT_EQ(skeleton_.GetAnimation()->frame, 1);
}

TEST_F(SkeletonTest, MalformedSequenceFilesAreRefused) {
    YSequence s;
    auto read = [&](const std::string& bytes) {
        return ReadSequenceFile(reinterpret_cast<const uint8_t*>(bytes.data()), uint32_t(bytes.size()), s);
    };
    const std::string good = Plain(3);
    EXPECT_TRUE(read(good));
    for (size_t n = 0; n < good.size(); ++n) EXPECT_FALSE(read(good.substr(0, n))) << n;
    const Key rest{{}, {math::Quat{}}};
    EXPECT_FALSE(read(Plain(1)));                          // no length
    EXPECT_FALSE(read(Sequence(1, 1, {})));                // no frame
    EXPECT_FALSE(read(Sequence(1, 0, {rest, rest})));      // frames of no time
    EXPECT_FALSE(read(Sequence(0, 1, {rest, rest})));      // no length
    EXPECT_FALSE(read(Sequence(NAN, 1, {rest, rest})));
    EXPECT_FALSE(read(Sequence(1, 1, {rest, {{NAN, 0, 0}, {math::Quat{}}}})));
    std::string huge = good;
    huge[28] = huge[29] = huge[30] = '\xFF';  // bone count far beyond the data
    EXPECT_FALSE(read(huge));
    EXPECT_EQ(s.frameCount, 3);  // refusals leave the record as it was
}

// ---- Playing --------------------------------------------------------------------------------

TEST_F(SkeletonTest, PoseInterpolatesBetweenKeysAtHalfTheFrameTime) {
    ASSERT_TRUE(LoadBones(skeleton_, Bone(0, math::MatrixIdentity()), 1));
    ReadTable(skeleton_, "s=s\n", {{"s", Sequence(1, 1, {{{0, 0, 0}, {AboutZ(0)}}, {{0, 4, 0}, {AboutZ(90)}}})}});
    skeleton_.Update(0.1f, math::MatrixIdentity());  // 0.05 s into the frame
    ExpectPoint({0, 0, 0}, skeleton_.GetSkinMatrices()[0], {0.2f, 0, 0});
    skeleton_.Update(0.9f, math::MatrixIdentity());  // half way: 45 degrees, root (2, 0, 0)
    const float h = std::sqrt(0.5f);
    ExpectPoint({1, 0, 0}, skeleton_.GetSkinMatrices()[0], {2 + h, -h, 0});
}

TEST_F(SkeletonTest, ThreeFramesCycleOverTheFirstTwo) {
    ReadTable(skeleton_, "s=s\n", {{"s", Plain(3)}});
    skeleton_.Update(2.0f, math::MatrixIdentity());  // exactly one frame: still inside frame 0
    EXPECT_EQ(skeleton_.GetAnimation()->frame, 0);
    skeleton_.Update(0.2f, math::MatrixIdentity());
    EXPECT_EQ(skeleton_.GetAnimation()->frame, 1);
    skeleton_.Update(2.0f, math::MatrixIdentity());  // past frame 1: frame 2 is the start again
    EXPECT_EQ(skeleton_.GetAnimation()->frame, 0);
}

TEST_F(SkeletonTest, SingleFrameSequenceLoadsKeepsItsPlaceAndHoldsItsPose) {
    ASSERT_TRUE(LoadBones(skeleton_, Bone(0, math::MatrixIdentity()), 1));
    ReadTable(skeleton_, "still=still\nwalk=walk\n[t]\nstill,s,0;walk,c,0.5\nstill,f,0.25;walk,s,0\n",
              {{"still", Sequence(1, 1, {{{0, 4, 0}, {AboutZ(90)}}})}, {"walk", Plain(3)}});
    ASSERT_EQ(skeleton_.GetSequenceCount(), 2);
    EXPECT_EQ(skeleton_.GetSequence(1)->name, "walk");
    EXPECT_EQ(skeleton_.GetTransition(0, 1).type, 3);
    EXPECT_NE(LogText().find("Bones count - 1, frames - 1\n"), std::string::npos);
    for (float dt : {0.5f, 3.0f, 7.0f}) {
        skeleton_.Update(dt, math::MatrixIdentity());
        EXPECT_EQ(skeleton_.GetAnimation()->frame, 0);
        ExpectPoint({1, 0, 0}, skeleton_.GetSkinMatrices()[0], {4, -1, 0});
    }
}

TEST_F(SkeletonTest, SynchronisedChangeStartsAtTheSameFraction) {
    ReadTable(skeleton_, "walk=walk\nrun=run\n[t]\nwalk,s,0;run,s,0.5\nwalk,s,0.5;run,s,0\n",
              {{"walk", Plain(5)}, {"run", Plain(3)}});
    skeleton_.Update(4.8f, math::MatrixIdentity());  // frame 2, 0.4 s in: 2.4 of 4 s
    skeleton_.SetAnimation("run");
    skeleton_.Update(0, math::MatrixIdentity());
    // 0.6 of run's 2 s is 1.2 s: frame 1; the blend is 0.4 of 0.5 s through.
    EXPECT_EQ(skeleton_.GetState(), 2);
    EXPECT_EQ(skeleton_.GetNext()->frame, 1);
    skeleton_.Update(0.4f, math::MatrixIdentity());
    EXPECT_EQ(skeleton_.GetAnimation()->name, "run");
    EXPECT_EQ(skeleton_.GetState(), 0);
}

TEST_F(SkeletonTest, RequestThroughAnIntermediateSequencePlaysAfterItsBlend) {
    ReadTable(skeleton_, "stand=p\nwalk=p\nrun=p\n[t]\n"
                         "stand,c,0;walk,c,0.5;walk,c,0.5\nstand,c,0;walk,c,0;run,c,0.5\nstand,c,0;walk,c,0;run,c,0\n",
              {{"p", Plain(4)}});
    skeleton_.SetAnimation("stand");  // already playing
    skeleton_.SetAnimation("zzz");    // no such sequence
    EXPECT_EQ(skeleton_.GetNext(), nullptr);
    skeleton_.SetAnimation("run");
    EXPECT_EQ(skeleton_.GetNext()->name, "walk");
    EXPECT_EQ(skeleton_.GetQueuedName(), "run");
    skeleton_.Update(1.2f, math::MatrixIdentity());  // 0.6 s: the walk blend is over
    EXPECT_EQ(skeleton_.GetAnimation()->name, "walk");
    ASSERT_NE(skeleton_.GetNext(), nullptr);
    EXPECT_EQ(skeleton_.GetNext()->name, "run");
    EXPECT_EQ(skeleton_.GetQueuedName(), "");
    skeleton_.Update(1.0f, math::MatrixIdentity());
    EXPECT_EQ(skeleton_.GetAnimation()->name, "run");
}

TEST_F(SkeletonTest, UnknownNamesAndSequencesWithoutFilesStandForSequenceZero) {
    // "lost" names a file that is not there: its line has no effect, and its name, like
    // any other unknown one, is sequence 0.
    ReadTable(skeleton_, "stand=p\nlost=none\nwalk=p\n[t]\nstand,c,0;walk,c,0.5\nstand,c,0.25;walk,c,0\n",
              {{"p", Plain(4)}});
    skeleton_.SetAnimation("zzz");  // sequence 0 is already playing
    EXPECT_EQ(skeleton_.GetNext(), nullptr);
    skeleton_.SetAnimation("walk");
    skeleton_.Update(2.0f, math::MatrixIdentity());
    ASSERT_EQ(skeleton_.GetAnimation()->name, "walk");
    for (const char* name : {"zzz", "lost"}) {
        skeleton_.SetAnimation(name);
        ASSERT_NE(skeleton_.GetNext(), nullptr) << name;
        EXPECT_EQ(skeleton_.GetNext()->name, "stand");
        EXPECT_EQ(skeleton_.GetState(), 3);
        EXPECT_EQ(skeleton_.GetQueuedName(), name);
    }
}

TEST_F(SkeletonTest, FinishTheCycleWaitsForTheLastFrame) {
    ReadTable(skeleton_, "a=a\nb=b\n[t]\na,f,0;b,f,1\na,f,1;b,f,0\n", {{"a", Plain(4)}, {"b", Plain(2)}});
    skeleton_.SetAnimation("b");
    skeleton_.Update(3.0f, math::MatrixIdentity());  // 1.5 s: frame 1
    EXPECT_EQ(skeleton_.GetState(), 4);
    EXPECT_EQ(skeleton_.GetAnimation()->frame, 1);
    skeleton_.Update(1.4f, math::MatrixIdentity());  // frame 2 reached with 0.2 s over
    EXPECT_EQ(skeleton_.GetState(), 2);
    EXPECT_EQ(skeleton_.GetAnimation()->frame, 2);
    EXPECT_EQ(skeleton_.GetNext()->frame, 0);
}

TEST_F(SkeletonTest, HostileTimingsAndTransitionCyclesEndWithinAFrame) {
    ASSERT_TRUE(LoadBones(skeleton_, Bone(0, math::MatrixIdentity()), 1));
    const Key rest{{}, {math::Quat{}}};
    // Frames of 1e-30 s, and a change from a to c that leads through b and back to a.
    ReadTable(skeleton_, "a=fast\nb=p\nc=p\n[t]\na,c,0;b,s,0;b,s,0\na,c,0;b,c,0;a,c,0\na,c,0;b,c,0;c,c,0\n",
              {{"fast", Sequence(1e-27f, 1e-30f, std::vector<Key>(7, rest))}, {"p", Plain(2)}});
    skeleton_.Update(1000.0f, math::MatrixIdentity());
    EXPECT_LT(skeleton_.GetAnimation()->frame, 6);
    skeleton_.SetAnimation("c");
    skeleton_.Update(1.0f, math::MatrixIdentity());
    skeleton_.Update(INFINITY, math::MatrixIdentity());
    EXPECT_TRUE(std::isfinite(skeleton_.GetSkinMatrices()[0].m[3][3]));
}

}  // namespace
