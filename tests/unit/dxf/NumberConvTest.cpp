#include "NumberConv.h"
#include "FpTraps.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>

using namespace figurant;

TEST(NumberConv, AtofLikeTheCLibrary) {
    test::NoFpTraps traps;
    struct Case {
        const char* text;
        double value;
    };
    for (const Case c : {Case{"  1.5xyz", 1.5}, Case{"+2", 2}, Case{"-.5", -0.5}, Case{"1e", 1},
                         Case{"1e+", 1}, Case{"abc", 0}, Case{"", 0}, Case{"0x10", 16}, Case{"0x", 0},
                         Case{"1e-400", 0}, Case{"+-1", 0}, Case{"3.", 3}, Case{"\t\n7", 7}}) {
        EXPECT_DOUBLE_EQ(CAtof(c.text), c.value) << c.text;
    }
    EXPECT_DOUBLE_EQ(CAtof("1.5D2", true), 150);
    EXPECT_DOUBLE_EQ(CAtof("1.5D2"), 1.5);
    EXPECT_TRUE(std::isinf(CAtof("1e400")));
    EXPECT_TRUE(std::isinf(CAtof("-inf")));
    EXPECT_TRUE(std::isnan(CAtof("nan")));
    EXPECT_TRUE(std::signbit(CAtof("-0")));
    EXPECT_FALSE(std::signbit(CAtof("-")));
    EXPECT_FALSE(std::signbit(CAtof("-x")));
    // The short-decimal path and the general one agree, correctly rounded.
    for (const char* t :
         {"0.1", "-0.123456", "123456789012345", "1.5e-4", "9.87654e+21", "0.000001", "-2.5E-003"})
        EXPECT_EQ(CAtof(t), std::strtod(t, nullptr)) << t;
}

// The exact short-decimal path against the C library, over many formatted values.
TEST(NumberConv, MatchesStrtodOnFormattedValues) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> mantissa(-1, 1);
    std::uniform_int_distribution<int> exponent(-30, 30);
    char buf[64];
    for (int i = 0; i < 20000; ++i) {
        const double v = mantissa(rng) * std::pow(10.0, exponent(rng));
        for (const char* format : {"%.6g", "%.9g", "%.5e", "%.17g", "%.3f"}) {
            std::snprintf(buf, sizeof buf, format, v);
            ASSERT_EQ(CAtof(buf), std::strtod(buf, nullptr)) << buf;
        }
    }
}

TEST(NumberConv, AtolAndAtoi) {
    EXPECT_EQ(CAtol(" -42abc"), -42);
    EXPECT_EQ(CAtol("1.9"), 1);
    EXPECT_EQ(CAtol("x"), 0);
    EXPECT_EQ(CAtol("99999999999999999999999"), std::numeric_limits<long>::max());
    EXPECT_EQ(CAtol("-99999999999999999999999"), std::numeric_limits<long>::min());
    EXPECT_EQ(CAtol("-9223372036854775808"), std::numeric_limits<long>::min());
    EXPECT_EQ(CAtoi("4294967297"), 1);
    EXPECT_EQ(CAtoi("  62 "), 62);
}
