#include "core/YReferences.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/YLog.h"
#include "support/TestSupport.h"

namespace {

struct Base : CYReferenced {
    ~Base() override = default;
};
struct Derived : Base {};
struct Unrelated : CYReferenced {
    ~Unrelated() override = default;
};
// A class whose referenced part is not at the start of the object.
struct Listener {
    virtual ~Listener() = default;
    int data = 0;
};
struct Mixed : Listener, Base {};

TEST(References, AnIdIsNeverGivenTwiceAndADestroyedObjectsIdResolvesToNull) {
    auto first = std::make_unique<Base>();
    const uint32_t id = first->ReferenceId();
    void* reference = first->Reference();
    EXPECT_NE(id, 0u);
    EXPECT_EQ(ResolveReference<Base>(reference), first.get());
    first.reset();
    auto second = std::make_unique<Base>();
    EXPECT_GT(second->ReferenceId(), id);
    EXPECT_EQ(FindReferenced(id), nullptr);
    EXPECT_EQ(ResolveReference<Base>(reference), nullptr);
}

TEST(References, AReferenceResolvesOnlyAsItsClassOrABaseOfIt) {
    Derived derived;
    Unrelated unrelated;
    EXPECT_EQ(ResolveReference<Base>(derived.Reference()), &derived);
    EXPECT_EQ(ResolveReference<Derived>(derived.Reference()), &derived);
    EXPECT_EQ(ResolveReference<Base>(unrelated.Reference()), nullptr);
    EXPECT_EQ(ResolveReference<Derived>(nullptr), nullptr);
    // Values beyond the id range (a real address, say) are no reference.
    EXPECT_EQ(ReferenceIdOf(&derived), 0u);
}

TEST(References, ACopyIsAnotherObjectWithItsOwnId) {
    Base original;
    Base copy(original);
    EXPECT_NE(copy.ReferenceId(), original.ReferenceId());
    EXPECT_EQ(ResolveReference<Base>(copy.Reference()), &copy);
    copy = original;
    EXPECT_EQ(ResolveReference<Base>(copy.Reference()), &copy);
}

TEST(References, ObjectAddressIsTheWholeObjectWhereverTheReferencedPartLies) {
    Mixed mixed;
    EXPECT_EQ(ObjectAddress(&mixed), static_cast<const void*>(&mixed));
    EXPECT_EQ(ResolveReference<Mixed>(mixed.Reference()), &mixed);
    EXPECT_EQ(dynamic_cast<Listener*>(ResolveReference<Base>(mixed.Reference())), &mixed);
}

TEST(References, WhenIdsRunOutNewObjectsAreNullRatherThanReusingAnId) {
    test::TempDir dir;
    const size_t live = LiveReferenceCount();
    const uint32_t saved = SetNextReferenceId(kMaxReferenceId);
    {
        Base last;
        Base beyond;
        EXPECT_EQ(last.ReferenceId(), kMaxReferenceId);
        EXPECT_EQ(beyond.ReferenceId(), 0u);
        EXPECT_EQ(ResolveReference<Base>(beyond.Reference()), nullptr);
    }
    SetNextReferenceId(saved);
    EXPECT_EQ(LiveReferenceCount(), live);
    EXPECT_NE(test::ReadFile("YLog.log").find("Script references exhausted"), std::string::npos);
}

}  // namespace
