// Mesh files: parts, geometry and boxes as stored, file bounds, skeletons, and files
// that are missing, truncated or hostile.
#include "render/YMeshLoader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "core/YFile.h"
#include "render/YComplexObject.h"
#include "render/YObject.h"
#include "render/YSkeleton.h"
#include "support/TestSupport.h"

namespace {

void Put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void PutF(std::string& s, float f) {
    uint32_t b;
    std::memcpy(&b, &f, 4);
    Put32(s, b);
}

// One node record without its child count: a triangle over vertices at x = 0, size, 0.
std::string Node(uint32_t kind, const std::string& name, float size = 1.0f, int boxes = 0) {
    std::string s;
    Put32(s, kind);
    std::string padded = name;
    padded.resize(260, '\0');
    s += padded;
    Put32(s, 3);
    const float pos[3][3] = {{0, 0, 0}, {size, 0, 0}, {0, size, 1}};
    for (const auto& p : pos) {
        for (float f : {p[0], p[1], p[2], 0.0f, 0.0f, 1.0f}) PutF(s, f);
        Put32(s, 0x80402010u);  // diffuse, replaced on load
        Put32(s, 0);
        for (int k = 0; k < 4; ++k) PutF(s, 0.5f);
    }
    Put32(s, 3);
    s += std::string("\0\0\1\0\2\0", 6);
    Put32(s, static_cast<uint32_t>(boxes));
    for (int b = 0; b < boxes; ++b) {
        for (float f : {1.0f, 2.0f, 3.0f, 1.0f, 4.0f, 5.0f, 6.0f, 1.0f}) PutF(s, f);
        s.append(64, '\x7F');
    }
    if (kind == 1 || kind == 2)
        for (float f : {1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f}) PutF(s, f);
    if (kind == 3)
        for (int v = 0; v < 3; ++v) {
            Put32(s, 1);
            Put32(s, 7);
            PutF(s, 1.0f);
        }
    return s;
}

std::string Header(uint32_t nodes, bool bounds) {
    std::string s;
    Put32(s, bounds ? 1 : 0);
    if (bounds)
        for (uint32_t v = 1; v <= 7; ++v) Put32(s, v * 11);
    Put32(s, nodes);
    return s;
}

std::string Children(uint32_t n) {
    std::string s;
    Put32(s, n);
    return s;
}

struct MeshLoaderTest : ::testing::Test {
    std::unique_ptr<CYComplexObject> Load(const std::string& bytes) {
        test::WriteFile("data/meshes/m.a3d", bytes);
        CYMeshLoader loader;
        return std::unique_ptr<CYComplexObject>(loader.LoadMesh("m.a3d"));
    }
    std::string LogText() const { return test::ReadFile("YLog.log"); }
    test::TempDir dir_;
};

TEST_F(MeshLoaderTest, PartsTreeGeometryAndBoundsAreBuiltAsStored) {
    auto o = Load(Header(2, true) + Node(0, "Body", 1.0f, 1) + Children(1) + Node(0, "Arm") + Children(0) +
                  Node(1, "Head", 2.0f) + Children(0));
    ASSERT_TRUE(o);
    EXPECT_EQ(o->GetName(), "m.a3d");
    ASSERT_EQ(o->Parts().size(), 2u);
    CYObject* body = o->FindChild("body");
    ASSERT_EQ(body, o->Parts()[0]);
    ASSERT_EQ(body->Children().size(), 1u);
    EXPECT_EQ(body->Children()[0], o->FindChild("arm"));
    EXPECT_EQ(body->GetOwner(), o.get());
    EXPECT_EQ(o->FindChild("arm")->GetOwner(), o.get());
    ASSERT_EQ(body->GetVertexCount(), 3);
    ASSERT_EQ(body->GetIndexCount(), 3);
    EXPECT_EQ(body->GetIndices()[2], 2);
    EXPECT_FLOAT_EQ(body->GetVertices()[1].x, 1.0f);
    EXPECT_EQ(body->GetVertices()[0].diffuse, 0xFFFFFFFFu);
    ASSERT_EQ(body->GetBoundingRecords().size(), 1u);
    EXPECT_FLOAT_EQ(body->GetBoundingRecords()[0].origin.y, 2.0f);
    EXPECT_FLOAT_EQ(body->GetBoundingRecords()[0].extent.z, 6.0f);
    auto* head = dynamic_cast<CYObjectKind1*>(o->FindChild("head"));
    ASSERT_TRUE(head);
    EXPECT_FLOAT_EQ(head->vectorB.z, 6.0f);
    ASSERT_TRUE(o->HasFileBounds());
    EXPECT_EQ(o->GetFileBounds()[6], 77u);
    EXPECT_FALSE(o->GetSkeleton());
    EXPECT_FALSE(o->IsMoving());
}

TEST_F(MeshLoaderTest, PartWithoutBoxesGetsOneAroundItsVertices) {
    auto o = Load(Header(1, false) + Node(0, "tile", 4.0f) + Children(0));
    ASSERT_TRUE(o);
    EXPECT_FALSE(o->HasFileBounds());
    const CYBoundingBox& box = o->Parts()[0]->GetBoundingRecords().at(0);
    EXPECT_FLOAT_EQ(box.origin.x, 2.0f);
    EXPECT_FLOAT_EQ(box.extent.y, 2.0f);
}

TEST_F(MeshLoaderTest, SkinnedPartReadsItsSkinDataInPlaceOfVectors) {
    auto o = Load(Header(1, false) + Node(3, "skin") + Children(1) + Node(0, "tip") + Children(0));
    ASSERT_TRUE(o);
    EXPECT_TRUE(dynamic_cast<CYSkinnedObject*>(o->FindChild("skin")));
    EXPECT_TRUE(o->FindChild("tip"));
}

TEST_F(MeshLoaderTest, TwoPartsOfOneNameBothExistAndTheMapKeepsTheLast) {
    auto o = Load(Header(2, false) + Node(0, "same") + Children(0) + Node(0, "SAME") + Children(0));
    ASSERT_TRUE(o);
    ASSERT_EQ(o->Parts().size(), 2u);
    EXPECT_EQ(o->FindChild("same"), o->Parts()[1]);
}

TEST_F(MeshLoaderTest, BytesAfterTheLastNodeGiveAMovingSkinnedObject) {
    std::string bones;
    Put32(bones, 1);  // one bone: no children, 12 matrix floats
    Put32(bones, 0);
    for (int i = 0; i < 12; ++i) PutF(bones, i == 0 || i == 5 || i == 10 ? 1.0f : 0.0f);  // identity
    auto o = Load(Header(1, false) + Node(0, "a") + Children(0) + bones);
    ASSERT_TRUE(o);
    EXPECT_TRUE(o->GetSkeleton());
    EXPECT_TRUE(o->IsMoving());
}

TEST_F(MeshLoaderTest, BadSkeletonIsDiscardedAndTheObjectStands) {
    std::string bones;
    Put32(bones, 50);
    Put32(bones, 0);
    auto o = Load(Header(1, false) + Node(0, "a") + Children(0) + bones);
    ASSERT_TRUE(o);
    EXPECT_FALSE(o->GetSkeleton());
    EXPECT_FALSE(o->IsMoving());
    EXPECT_NE(LogText().find("Error in skeleton, file - m.a3d!"), std::string::npos);
}

TEST_F(MeshLoaderTest, MissingFileLogsAndGivesNull) {
    CYMeshLoader loader;
    EXPECT_EQ(loader.LoadMesh("none.a3d"), nullptr);
    EXPECT_NE(LogText().find("Loader: Can't find none.a3d or i/o error"), std::string::npos);
}

TEST_F(MeshLoaderTest, EveryTruncationIsRefused) {
    const std::string whole = Header(1, true) + Node(3, "s", 1.0f, 1) + Children(1) + Node(2, "c") + Children(0);
    ASSERT_TRUE(Load(whole));
    // Cutting inside the last child count leaves 1 to 3 bytes: refused as well.
    for (size_t n = 0; n < whole.size(); ++n) EXPECT_FALSE(Load(whole.substr(0, n))) << n;
}

TEST_F(MeshLoaderTest, HostileCountsIndicesAndValuesAreRefused) {
    const std::string good = Header(1, false) + Node(0, "a") + Children(0);
    auto patched = [&](size_t at, uint32_t v) {
        std::string s = good;
        std::string b;
        Put32(b, v);
        s.replace(at, 4, b);
        return s;
    };
    const size_t node = 8, vertices = node + 4 + 260, indices = vertices + 4 + 3 * 48;
    EXPECT_FALSE(Load(patched(4, 0xFFFFFFFFu)));           // node count
    EXPECT_FALSE(Load(patched(node, 4)));                   // kind
    EXPECT_FALSE(Load(patched(vertices, 0x7FFFFFFFu)));     // vertex count
    EXPECT_FALSE(Load(patched(indices, 0xFFFFFFFFu)));      // index count
    EXPECT_FALSE(Load(patched(indices + 4, 0x00030000u)));  // an index past the vertices
    EXPECT_FALSE(Load(patched(indices + 10, 0x7FFFFFFFu))); // box count
    EXPECT_FALSE(Load(patched(indices + 14, 0x10000000u))); // child count
    EXPECT_FALSE(Load(patched(vertices + 4, 0x7FC00000u))); // a position that is not a number
    EXPECT_TRUE(Load(patched(indices + 10, 0xFFFFFFFFu)));  // box count below 0: none
}

TEST_F(MeshLoaderTest, IndicesNotInWholeTrianglesLoseTheLastPartialOne) {
    // Five indices: one triangle and two more, the last of them past the vertices.
    std::string node = Node(0, "a");
    const size_t indices = 4 + 260 + 4 + 3 * 48;
    std::string five;
    Put32(five, 5);
    five += std::string("\0\0\1\0\2\0\1\0\x09\0", 10);
    node.replace(indices, 4 + 6, five);
    auto o = Load(Header(2, false) + node + Children(0) + Node(0, "b") + Children(0));
    ASSERT_TRUE(o);
    CYObject* a = o->FindChild("a");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->GetIndexArray(), (std::vector<uint16_t>{0, 1, 2}));
    EXPECT_TRUE(o->FindChild("b"));
    EXPECT_NE(LogText().find("the last 2 dropped"), std::string::npos);
}

TEST_F(MeshLoaderTest, NestingDeeperThanTheObjectLimitIsRefused) {
    auto chain = [](int depth) {
        std::string s = Header(1, false);
        for (int i = 0; i < depth; ++i) s += Node(0, "p" + std::to_string(i)) + Children(i + 1 < depth ? 1 : 0);
        return s;
    };
    EXPECT_TRUE(Load(chain(kMaxObjectDepth)));
    EXPECT_FALSE(Load(chain(kMaxObjectDepth + 1)));
}

}  // namespace
