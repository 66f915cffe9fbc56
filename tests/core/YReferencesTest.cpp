#include "core/YReferences.h"

#include <gtest/gtest.h>

#include <memory>

#include "support/TestSupport.h"

namespace {

struct Base : CYReferenced {
    ~Base() override = default;
};
struct Derived : Base {};
struct Unrelated : CYReferenced {
    ~Unrelated() override = default;
};
// The referenced part does not start the object.
struct Listener {
    virtual ~Listener() = default;
};
struct Mixed : Listener, Derived {};

TEST(References, IdsAreNeverReusedAndAGoneObjectOrAWrongClassResolvesToNull) {
    auto first = std::make_unique<Derived>();
    void* reference = first->Reference();
    Unrelated unrelated;
    EXPECT_EQ(ResolveReference<Base>(reference), first.get());
    EXPECT_EQ(ResolveReference<Derived>(reference), first.get());
    EXPECT_EQ(ResolveReference<Base>(unrelated.Reference()), nullptr);
    EXPECT_EQ(ReferenceIdOf(first.get()), 0u);  // a real address is no reference
    first.reset();
    Base second;
    Base copy(second);
    EXPECT_GT(second.ReferenceId(), ReferenceIdOf(reference));
    EXPECT_GT(copy.ReferenceId(), second.ReferenceId());
    EXPECT_EQ(ResolveReference<Base>(reference), nullptr);
    // Commands find a handler by the whole object's address.
    Mixed mixed;
    EXPECT_EQ(ObjectAddress(&mixed), static_cast<const void*>(&mixed));
    EXPECT_EQ(dynamic_cast<Listener*>(ResolveReference<Base>(mixed.Reference())), &mixed);
}

TEST(References, WhenIdsRunOutNewObjectsAreNullRatherThanReusingAnId) {
    test::TempDir dir;
    const uint32_t saved = SetNextReferenceId(kMaxReferenceId);
    {
        Base last;
        Base beyond;
        EXPECT_EQ(last.ReferenceId(), kMaxReferenceId);
        EXPECT_EQ(beyond.ReferenceId(), 0u);
    }
    SetNextReferenceId(saved);
    EXPECT_NE(test::ReadFile("YLog.log").find("Script references exhausted"), std::string::npos);
}

}  // namespace
