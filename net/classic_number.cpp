#include "net/classic_number.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <system_error>

namespace zeb {
namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Decimal exponent of the leading significant digit (1 for "1" to "9.99",
// 0 for "0.1" to "0.999", ...) of a number that from_chars reported out of
// range: positive means overflow, negative underflow. Absurd exponents
// saturate instead of overflowing.
int64_t MagnitudeOf(const char* mantissa, const char* mantissaEnd, const char* exponent,
                    const char* exponentEnd) {
  int64_t magnitude = 0;
  bool significant = false;
  bool afterPoint = false;
  for (const char* p = mantissa; p != mantissaEnd; ++p) {
    if (*p == '.') {
      if (significant) break;
      afterPoint = true;
    } else if (afterPoint) {
      if (*p != '0') break;
      --magnitude;
    } else if (significant || *p != '0') {
      significant = true;
      ++magnitude;
    }
  }
  int64_t e = 0;
  bool negative = false;
  const char* p = exponent;
  if (p != exponentEnd && (*p == '+' || *p == '-')) negative = *p++ == '-';
  constexpr int64_t kLimit = int64_t{1} << 40;
  for (; p != exponentEnd; ++p) {
    if (e < kLimit) e = e * 10 + (*p - '0');
  }
  return magnitude + (negative ? -e : e);
}

}  // namespace

double ReadClassicDouble(const char* begin, const char* end, bool* overflowed) {
  const char* p = begin;
  while (p != end && IsSpace(*p)) ++p;

  bool negative = false;
  if (p != end && (*p == '+' || *p == '-')) negative = *p++ == '-';

  // The longest prefix the extractor would take: digits with at most one
  // decimal point, then an exponent once a digit has been seen.
  const char* mantissa = p;
  bool digit = false;
  bool point = false;
  while (p != end && (IsDigit(*p) || (*p == '.' && !point))) {
    if (*p == '.') point = true;
    digit = digit || IsDigit(*p);
    ++p;
  }
  const char* mantissaEnd = p;
  const char* exponent = p;  // digits after the 'e', with their sign
  bool exponentDigit = true;
  if (digit && p != end && (*p == 'e' || *p == 'E')) {
    ++p;
    exponent = p;
    if (p != end && (*p == '+' || *p == '-')) ++p;
    exponentDigit = false;
    while (p != end && IsDigit(*p)) {
      exponentDigit = true;
      ++p;
    }
  }
  // The extractor hands the whole prefix to its conversion and stores 0 unless
  // all of it is consumed: "+", "." and "1e" read as 0.
  if (!digit || !exponentDigit) return 0.0;

  double value = 0.0;
  const std::from_chars_result r = std::from_chars(mantissa, p, value);
  if (r.ec == std::errc::result_out_of_range) {
    const bool tooLarge = MagnitudeOf(mantissa, mantissaEnd, exponent, p) > 0;
    if (tooLarge && overflowed) *overflowed = true;
    value = tooLarge ? std::numeric_limits<double>::max() : 0.0;
  } else if (r.ec != std::errc() || r.ptr != p) {
    return 0.0;
  }
  return negative ? -value : value;
}

}  // namespace zeb
