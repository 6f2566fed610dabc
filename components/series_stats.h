#pragma once

#include <cstdint>

#include "core/ring_series.h"

namespace zeb {

// The highest and the lowest of the newest n elements, read newest first. A
// value replaces the best only when strictly beyond it, so ties, NaN and
// +0/-0 keep the newer value; 0 for n < 1. A window longer than the values
// stored so far counts the missing ones as zeros; n is kept within the
// series capacity by the caller.
double SeriesHighest(const RingSeries& series, int32_t n);
double SeriesLowest(const RingSeries& series, int32_t n);
// SeriesHighest(high, n) and SeriesLowest(low, n) in one walk over both series.
void SeriesHighestLowest(const RingSeries& high, const RingSeries& low, int32_t n, double& highest,
                         double& lowest);
// The divisor of a linearly weighted average over n elements (weights n
// for the newest down to 1 for the oldest): the 32-bit
// product n * (n + 1), converted to double, times 0.5. The product is formed
// in 64 bits and wrapped, so that no window length overflows a signed integer.
constexpr double WeightedAverageDivisor(int32_t n) {
  const int64_t product = static_cast<int64_t>(n) * (static_cast<int64_t>(n) + 1);
  const auto wrapped = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(product)));
  return static_cast<double>(wrapped) * 0.5;
}
// Moves `lowest` down to `low` when low is strictly below it, and `highest` up
// to `high` when high is strictly above it (a NaN moves neither). Selects
// rather than branches: whether a bar makes a new extreme is unpredictable.
inline void WidenRange(double& lowest, double& highest, double low, double high) {
  lowest = low < lowest ? low : lowest;
  highest = high > highest ? high : highest;
}

// Lower bound tested first: with lo > hi a value below lo yields lo, any other hi.
int32_t ClampInt(int32_t value, int32_t lo, int32_t hi);
// A value that is not a number passes through unchanged.
double ClampDouble(double value, double lo, double hi);

// Converts a parameter value to an integer by truncation toward zero. A value
// that is not a number or lies outside the 32-bit range gives INT32_MIN, which
// any following ClampInt raises to its lower bound.
int32_t ParameterToInt(double value);

// ParameterToInt followed by ClampInt: the rule for clamped integer parameters.
inline int32_t ClampedParameter(double value, int32_t lo, int32_t hi) {
  return ClampInt(ParameterToInt(value), lo, hi);
}

}  // namespace zeb
