#include "core/text/number_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <initializer_list>

namespace {

TEST(NumberTextTest, IntegerPrefix) {
  EXPECT_EQ(ds::ParseIntPrefix(" \t\n-12abc"), -12);
  EXPECT_EQ(ds::ParseIntPrefix("+7"), 7);
  EXPECT_EQ(ds::ParseIntPrefix("0042"), 42);
  EXPECT_EQ(ds::ParseIntPrefix("3.9"), 3);
  EXPECT_EQ(ds::ParseIntPrefix("abc"), 0);
  EXPECT_EQ(ds::ParseIntPrefix("- 5"), 0);
  EXPECT_EQ(ds::ParseIntPrefix(""), 0);
  EXPECT_EQ(ds::ParseIntPrefix(nullptr), 0);
  EXPECT_EQ(ds::ParseIntPrefix("2147483647"), INT_MAX);
  EXPECT_EQ(ds::ParseIntPrefix("2147483648"), INT_MAX);
  EXPECT_EQ(ds::ParseIntPrefix("-2147483648"), INT_MIN);
  EXPECT_EQ(ds::ParseIntPrefix("-2147483649"), INT_MIN);
  EXPECT_EQ(ds::ParseIntPrefix("99999999999999999999999999"), INT_MAX);
}

TEST(NumberTextTest, FloatPrefix) {
  EXPECT_DOUBLE_EQ(ds::ParseDoublePrefix("  -1.5e3x"), -1500.0);
  EXPECT_DOUBLE_EQ(ds::ParseDoublePrefix(".5"), 0.5);
  EXPECT_DOUBLE_EQ(ds::ParseDoublePrefix("+2."), 2.0);
  EXPECT_DOUBLE_EQ(ds::ParseDoublePrefix("1e"), 1.0);    // an exponent needs digits
  EXPECT_DOUBLE_EQ(ds::ParseDoublePrefix("1e+x"), 1.0);
  EXPECT_DOUBLE_EQ(ds::ParseDoublePrefix("2E-2"), 0.02);
  EXPECT_DOUBLE_EQ(ds::ParseDoublePrefix("1,5"), 1.0);   // the point is always '.'
  EXPECT_EQ(ds::ParseDoublePrefix("e5"), 0.0);
  EXPECT_EQ(ds::ParseDoublePrefix("."), 0.0);
  EXPECT_EQ(ds::ParseDoublePrefix("0x10"), 0.0);
  EXPECT_EQ(ds::ParseDoublePrefix("inf"), 0.0);
  EXPECT_EQ(ds::ParseDoublePrefix(nullptr), 0.0);
  EXPECT_EQ(ds::ParseDoublePrefix("1e400"), HUGE_VAL);
  EXPECT_EQ(ds::ParseDoublePrefix("-123.4e99999999999999"), -HUGE_VAL);
  EXPECT_EQ(ds::ParseDoublePrefix("0.0001e-400"), 0.0);
  EXPECT_EQ(ds::ParseDoublePrefix("0.000e999"), 0.0);
  EXPECT_EQ(ds::ParseFloatPrefix("0.1"), 0.1f);
  EXPECT_EQ(ds::ParseFloatPrefix("1e39"), HUGE_VALF);
}

TEST(NumberTextTest, FormatsAsTheCLocaleDoes) {
  EXPECT_EQ(ds::FormatInt(0), "0");
  EXPECT_EQ(ds::FormatInt(INT_MIN), "-2147483648");
  // printf in the C locale (the process locale of a test) is the reference.
  for (double value : std::initializer_list<double>{0.0, -0.0, 0.1, static_cast<double>(0.1f), -2.5, 1.0000005, 123456789.123,
                       1e-7, 3.4028234663852886e38, -1e300, NAN, INFINITY, -INFINITY}) {
    char expected[400];
    std::snprintf(expected, sizeof(expected), "%f", value);
    EXPECT_EQ(ds::FormatFloatFixed(value), expected) << value;
  }
}

}  // namespace
