#include "core/YNumbers.h"

#include <gtest/gtest.h>

namespace {

TEST(Numbers, StrictWantsOneWholeDecimalNumberInRange) {
    int64_t v = 7;
    EXPECT_TRUE(ParseInteger(" -12 \r", YNumberMode::Strict, -100, 100, &v));
    EXPECT_EQ(v, -12);
    v = 7;
    EXPECT_FALSE(ParseInteger("12x", YNumberMode::Strict, -100, 100, &v));
    EXPECT_FALSE(ParseInteger("0x10", YNumberMode::Strict, -100, 100, &v));
    EXPECT_FALSE(ParseInteger("101", YNumberMode::Strict, -100, 100, &v));
    EXPECT_FALSE(ParseInteger("99999999999999999999", YNumberMode::Strict, INT64_MIN, INT64_MAX, &v));
    EXPECT_FALSE(ParseInteger("", YNumberMode::Strict, -100, 100, &v));
    EXPECT_EQ(v, 7);

    double d = 0;
    EXPECT_TRUE(ParseReal("2.5e1", YNumberMode::Strict, &d));
    EXPECT_EQ(d, 25.0);
    EXPECT_TRUE(ParseReal(".5", YNumberMode::Strict, &d));
    EXPECT_EQ(d, 0.5);
    EXPECT_FALSE(ParseReal("nan", YNumberMode::Strict, &d));
    EXPECT_FALSE(ParseReal("inf", YNumberMode::Strict, &d));
    EXPECT_FALSE(ParseReal("1e39", YNumberMode::Strict, &d));
    EXPECT_FALSE(ParseReal("1.5.2", YNumberMode::Strict, &d));
}

TEST(Numbers, LeadingReadsAsFarAsANumberGoesAndHoldsTheRange) {
    EXPECT_EQ(TextToInt("42abc", YNumberMode::Leading), 42);
    EXPECT_EQ(TextToInt("  -3.9", YNumberMode::Leading), -3);
    EXPECT_EQ(TextToInt("abc", YNumberMode::Leading, -1), -1);
    EXPECT_EQ(TextToInt("99999999999", YNumberMode::Leading), INT32_MAX);
    EXPECT_EQ(TextToInt("-99999999999999999999999", YNumberMode::Leading), INT32_MIN);
    EXPECT_EQ(TextToFloat("1.5e", YNumberMode::Leading), 1.5f);
    EXPECT_EQ(TextToFloat("-1e300", YNumberMode::Leading), -3.4028234663852886e38f);
    EXPECT_EQ(TextToFloat("nan", YNumberMode::Leading, 2.0f), 2.0f);
}

TEST(Numbers, ThirtyTwoBitFormsLeaveTheTargetAloneWithoutANumber) {
    int32_t i = 5;
    float f = 5.0f;
    EXPECT_FALSE(ParseInt32("2147483648", YNumberMode::Strict, &i));
    EXPECT_FALSE(ParseFloat("x", YNumberMode::Leading, &f));
    EXPECT_EQ(i, 5);
    EXPECT_EQ(f, 5.0f);
    EXPECT_TRUE(ParseInt32("2147483648", YNumberMode::Leading, &i));
    EXPECT_EQ(i, INT32_MAX);
    EXPECT_TRUE(ParseFloat("-0.25", YNumberMode::Strict, &f));
    EXPECT_EQ(f, -0.25f);
}

}  // namespace
