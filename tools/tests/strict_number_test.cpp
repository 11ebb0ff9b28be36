// The strict number reader of the tool's command lines.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "../StrictNumber.h"

using tool::parseCount;
using tool::parseFloat;

TEST(StrictNumber, PlainDecimalsAreRead) {
    const struct {
        const char* text;
        float value;
    } cases[] = {
        {"0", 0.0f},       {"1", 1.0f},       {"-1", -1.0f},          {"+2.5", 2.5f},    {".5", 0.5f},
        {"-.25", -0.25f},  {"3.", 3.0f},      {"1e3", 1000.0f},       {"1E+2", 100.0f},  {"25e-1", 2.5f},
        {"0.1", 0.1f},     {"007", 7.0f},     {"3.4028234e38", 3.4028234e38f},
        {"1e-40", 1e-40f},  // below the normal range, still held
    };
    for (const auto& c : cases) {
        float value = -99.0f;
        EXPECT_TRUE(parseFloat(c.text, value)) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
}

TEST(StrictNumber, TooSmallReadsAsZeroTooLargeIsRefused) {
    for (const char* tiny : {"1e-50", "-1e-50", "0.0000000000000000000000000000000000000000000000000001", "1e-999999"}) {
        float value = -99.0f;
        EXPECT_TRUE(parseFloat(tiny, value)) << tiny;
        EXPECT_EQ(value, 0.0f) << tiny;
        EXPECT_EQ(std::signbit(value), tiny[0] == '-') << tiny;
    }
    for (const char* huge : {"1e40", "-1e40", "3.5e38", "1e999999", "340282370000000000000000000000000000000000"}) {
        float value = -99.0f;
        EXPECT_FALSE(parseFloat(huge, value)) << huge;
        EXPECT_EQ(value, -99.0f) << huge;
    }
}

TEST(StrictNumber, AnythingButPlainDecimalsIsRefused) {
    for (const char* text : {"", "+", "-", ".", "e5", "1e", "1e+", "0x10", "inf", "-inf", "nan", "infinity", " 1", "1 ",
                             "1,5", "1.2.3", "--1", "+-1", "1f", "１"}) {
        float value = -99.0f;
        EXPECT_FALSE(parseFloat(text, value)) << text;
        EXPECT_EQ(value, -99.0f) << text;
    }
}

TEST(StrictNumber, CountsAreDigitsWithinTheirBounds) {
    unsigned value = 0;
    EXPECT_TRUE(parseCount("1", 1, 1024, value));
    EXPECT_EQ(value, 1u);
    EXPECT_TRUE(parseCount("1024", 1, 1024, value));
    EXPECT_EQ(value, 1024u);
    EXPECT_TRUE(parseCount("0007", 1, 1024, value));
    EXPECT_EQ(value, 7u);
    value = 5;
    for (const char* text : {"0", "1025", "99999", "", "+1", "-1", "1.0", "0x10", " 1", "1 ", "1234567890"}) {
        EXPECT_FALSE(parseCount(text, 1, 1024, value)) << text;
        EXPECT_EQ(value, 5u) << text;
    }
    EXPECT_TRUE(parseCount("999999999", 0, 4000000000u, value));
    EXPECT_EQ(value, 999999999u);
}
