#include <gtest/gtest.h>

#include "engine/SetupFields.h"

TEST(ParseDecimal, AcceptsOnlyAnOptionalMinusAndDigits) {
    struct Case {
        const char* text;
        int32_t value;
    } cases[] = {
        {"0", 0},       {"12", 12},   {"-7", -7},      {"", 0},         {"-", 0},   {"1a", 0},
        {" 1", 0},      {"+1", 0},    {"--1", 0},      {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        // Beyond 32 bits the value wraps modulo 2^32 instead of overflowing.
        {"2147483648", INT32_MIN},  {"4294967297", 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseDecimal(c.text), c.value) << '"' << c.text << '"';
    }
    EXPECT_EQ(ParseDecimal(nullptr), 0);
}
