#include "core/text/number_text.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <limits>

namespace ds {

namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Skips white space and one sign; returns true for '-'.
bool SkipSpaceAndSign(const char*& p) {
  while (IsSpace(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  return negative;
}

}  // namespace

int ParseIntPrefix(const char* text) {
  if (text == nullptr) return 0;
  const char* p = text;
  const bool negative = SkipSpaceAndSign(p);
  // INT_MAX + 1 is the largest magnitude that matters (INT_MIN); stop growing beyond it.
  const long long limit = static_cast<long long>(INT_MAX) + 1;
  long long magnitude = 0;
  for (; IsDigit(*p); ++p) {
    if (magnitude <= limit) magnitude = magnitude * 10 + (*p - '0');
  }
  if (negative) return magnitude >= limit ? INT_MIN : static_cast<int>(-magnitude);
  return magnitude >= INT_MAX ? INT_MAX : static_cast<int>(magnitude);
}

double ParseDoublePrefix(const char* text) {
  if (text == nullptr) return 0.0;
  const char* p = text;
  const bool negative = SkipSpaceAndSign(p);
  const char* start = p;

  // Measure the prefix, and the decimal magnitude of its first significant digit, which decides
  // between overflow and underflow when the value does not fit a double.
  int integer_digits = 0;        // significant digits before the point
  int leading_fraction_zeros = 0;
  bool any_digit = false;
  bool significant = false;
  for (; IsDigit(*p); ++p) {
    any_digit = true;
    if (*p != '0') significant = true;
    if (significant) ++integer_digits;
  }
  if (*p == '.') {
    ++p;
    for (; IsDigit(*p); ++p) {
      any_digit = true;
      if (*p != '0') significant = true;
      if (!significant) ++leading_fraction_zeros;
    }
  }
  if (!any_digit) return 0.0;

  long long exponent = 0;
  if (*p == 'e' || *p == 'E') {
    const char* q = p + 1;
    bool exponent_negative = false;
    if (*q == '+' || *q == '-') {
      exponent_negative = *q == '-';
      ++q;
    }
    if (IsDigit(*q)) {
      for (; IsDigit(*q); ++q) {
        if (exponent < 1000000000LL) exponent = exponent * 10 + (*q - '0');
      }
      if (exponent_negative) exponent = -exponent;
      p = q;
    }
  }
  if (!significant) return negative ? -0.0 : 0.0;

  double value = 0.0;
  const std::from_chars_result result = std::from_chars(start, p, value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    const long long magnitude =
        (integer_digits > 0 ? integer_digits - 1 : -(leading_fraction_zeros + 1)) + exponent;
    value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (result.ec != std::errc()) {
    value = 0.0;
  }
  return negative ? -value : value;
}

float ParseFloatPrefix(const char* text) {
  return static_cast<float>(ParseDoublePrefix(text));
}

std::string FormatInt(int value) {
  char buffer[16];
  const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof(buffer), value);
  return std::string(buffer, result.ptr);
}

std::string FormatFloatFixed(double value) {
  if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  // The largest double has 309 integer digits; six decimals, a sign and a point follow.
  char buffer[400];
  const std::to_chars_result result =
      std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::fixed, 6);
  if (result.ec != std::errc()) return "0.000000";
  return std::string(buffer, result.ptr);
}

}  // namespace ds
