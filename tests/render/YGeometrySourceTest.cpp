// The sinks' queues and the objects in them: counts, and unlinking on either side's end.
#include "render/YGeometrySource.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>

#include "RenderTestSupport.h"

using rtest::TestSource;

namespace {

TEST(GeometryQueueTest, CountsFollowTheQueuedObjects) {
    CYPolygonQueue queue;
    TestSource a(24, 36), b(8, 12);
    queue.Add(&a);
    queue.Add(&b);
    queue.Add(&a);
    EXPECT_EQ(queue.Size(), 3);
    EXPECT_EQ(queue.Vertices(), 56);
    EXPECT_EQ(queue.Indices(), 84);
    EXPECT_EQ(a.QueueCount(), 1);
    queue.Remove(&a);
    EXPECT_EQ(queue.Size(), 1);
    EXPECT_EQ(queue.Vertices(), 8);
    EXPECT_EQ(queue.Indices(), 12);
    EXPECT_EQ(a.QueueCount(), 0);
    queue.Clear();
    EXPECT_EQ(b.QueueCount(), 0);
    EXPECT_EQ(queue.Vertices(), 0);
}

TEST(GeometryQueueTest, DestroyedObjectLeavesEveryQueue) {
    CYPolygonQueue one, two;
    TestSource kept(3, 3);
    auto gone = std::make_unique<TestSource>(24, 36);
    one.Add(gone.get());
    one.Add(&kept);
    two.Add(gone.get());
    gone.reset();
    EXPECT_EQ(one.Size(), 1);
    EXPECT_EQ(one.Data()[0], &kept);
    EXPECT_EQ(one.Vertices(), 3);
    EXPECT_TRUE(two.Empty());
}

TEST(GeometryQueueTest, CountSumsCannotOverflow) {
    EXPECT_EQ(AddCounts(INT_MAX, INT_MAX), 0x3FFFFFFF);
    EXPECT_EQ(AddCounts(-5, 7), 7);
}

}  // namespace
