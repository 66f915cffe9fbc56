// Strip-builder options and the renumbering of primitive groups.
#include "render/YStripBuilder.h"

#include <gtest/gtest.h>

#include <memory>

#include "render/YComplexObject.h"
#include "render/YMeshLoader.h"
#include "support/TestSupport.h"

namespace {

// The options are process-wide: the test sets every one it reads and puts them back.
TEST(StripOptions, KeepWhatIsSetUntilTheMeshLoaderSetsItsOwn) {
    const YStripOptions saved = GetStripOptions();
    SetListOutputOnly(true);
    SetStripCacheSize(24);
    SetJoinStrips(false);
    SetMinimumStripLength(3);
    EXPECT_TRUE(GetStripOptions().listOutputOnly);
    EXPECT_EQ(GetStripOptions().cacheSize, 24);
    EXPECT_FALSE(GetStripOptions().joinStrips);
    EXPECT_EQ(GetStripOptions().minimumStripLength, 3);
    {
        // A mesh without parts: the loader sets its values before reading any.
        test::TempDir dir;
        test::WriteFile("data/meshes/e.a3d", std::string(8, '\0'));
        CYMeshLoader loader;
        std::unique_ptr<CYComplexObject> mesh(loader.LoadMesh("e.a3d"));
        ASSERT_TRUE(mesh);
    }
    EXPECT_FALSE(GetStripOptions().listOutputOnly);
    EXPECT_EQ(GetStripOptions().cacheSize, 16);
    EXPECT_TRUE(GetStripOptions().joinStrips);
    EXPECT_EQ(GetStripOptions().minimumStripLength, 0);
    SetListOutputOnly(saved.listOutputOnly);
    SetStripCacheSize(saved.cacheSize);
    SetJoinStrips(saved.joinStrips);
    SetMinimumStripLength(saved.minimumStripLength);
}

TEST(RemapPrimitiveGroups, NumbersIndicesInOrderOfFirstUseAcrossGroups) {
    std::vector<PrimitiveGroup> groups(2);
    groups[0].type = YPrimitiveType::TriangleList;
    groups[0].indices = {7, 3, 7, 9};
    groups[1].indices = {9, 0, 3};
    const auto out = RemapPrimitiveGroups(groups, 10);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].type, YPrimitiveType::TriangleList);
    EXPECT_EQ(out[0].indices, (std::vector<uint16_t>{0, 1, 0, 2}));
    EXPECT_EQ(out[1].indices, (std::vector<uint16_t>{2, 3, 1}));
    EXPECT_EQ(out[1].IndexCount(), 3u);
    EXPECT_EQ(groups[0].indices[0], 7);
}

TEST(RemapPrimitiveGroups, IndexPastTheVerticesGivesNoGroups) {
    std::vector<PrimitiveGroup> groups(1);
    groups[0].indices = {0, 1, 5};
    EXPECT_TRUE(RemapPrimitiveGroups(groups, 5).empty());
    EXPECT_TRUE(RemapPrimitiveGroups({}, 0).empty());
}

}  // namespace
