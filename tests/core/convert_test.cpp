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
