#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "core/convert.h"

TEST(Convert, DoubleToIntTruncatesTowardZero) {
    EXPECT_EQ(double_to_int(2.9), 2);
    EXPECT_EQ(double_to_int(-0.7), 0);
    EXPECT_EQ(double_to_int(-2.9), -2);
    EXPECT_EQ(double_to_int(2147483647.9), INT_MAX);
    EXPECT_EQ(double_to_int(-2147483648.9), INT_MIN);
}

TEST(Convert, DoubleToIntOutsideTheRangeGivesTheSmallestInt) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(double_to_int(std::nan("")), INT_MIN);
    EXPECT_EQ(double_to_int(inf), INT_MIN);
    EXPECT_EQ(double_to_int(-inf), INT_MIN);
    EXPECT_EQ(double_to_int(2147483648.0), INT_MIN);
    EXPECT_EQ(double_to_int(-2147483649.0), INT_MIN);
    EXPECT_EQ(double_to_int(1e300), INT_MIN);
}

TEST(Convert, DoubleToInt64) {
    long long out = 5;
    EXPECT_TRUE(double_to_int64(-0.9, &out));
    EXPECT_EQ(out, 0);
    EXPECT_TRUE(double_to_int64(-9223372036854775808.0, &out));
    EXPECT_EQ(out, LLONG_MIN);
    EXPECT_TRUE(double_to_int64(9223372036854774784.0, &out));  // the largest double below 2^63
    EXPECT_EQ(out, 9223372036854774784LL);
    out = 5;
    EXPECT_FALSE(double_to_int64(9223372036854775808.0, &out));
    EXPECT_FALSE(double_to_int64(-9223372036854777856.0, &out));
    EXPECT_FALSE(double_to_int64(std::nan(""), &out));
    EXPECT_FALSE(double_to_int64(std::numeric_limits<double>::infinity(), &out));
    EXPECT_EQ(out, 5);
}

TEST(Convert, FinitenessAndClamp) {
    const double inf = std::numeric_limits<double>::infinity();
    for (double v : {0.0, -0.0, 1e308, -1e308, 4.9e-324, std::numeric_limits<double>::max()}) {
        EXPECT_TRUE(is_finite_value(v)) << v;
    }
    for (double v : {inf, -inf, std::nan(""), -std::nan("")}) EXPECT_FALSE(is_finite_value(v)) << v;
    EXPECT_EQ(clamp_int(INT_MIN, 1, 31), 1);
    EXPECT_EQ(clamp_int(0, 1, 31), 1);
    EXPECT_EQ(clamp_int(7, 1, 31), 7);
    EXPECT_EQ(clamp_int(32, 1, 31), 31);
    EXPECT_EQ(clamp_int(INT_MAX, 1, 31), 31);
}
