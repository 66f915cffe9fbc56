// Strip-builder options and the renumbering of primitive groups.
#include "render/YStripBuilder.h"

#include <gtest/gtest.h>

namespace {

TEST(StripOptions, StartWithTheLoaderValuesAndKeepWhatIsSet) {
    const YStripOptions saved = GetStripOptions();
    EXPECT_FALSE(saved.listOutputOnly);
    EXPECT_EQ(saved.cacheSize, 16);
    EXPECT_TRUE(saved.joinStrips);
    EXPECT_EQ(saved.minimumStripLength, 0);
    SetListOutputOnly(true);
    SetStripCacheSize(24);
    SetJoinStrips(false);
    SetMinimumStripLength(3);
    EXPECT_TRUE(GetStripOptions().listOutputOnly);
    EXPECT_EQ(GetStripOptions().cacheSize, 24);
    EXPECT_FALSE(GetStripOptions().joinStrips);
    EXPECT_EQ(GetStripOptions().minimumStripLength, 3);
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
