#pragma once

#include <cmath>
#include <cstdint>

#include "components/series_stats.h"
#include "core/ring_series.h"

namespace zeb::test {

// Window statistics written the plain way, one RingSeries::Get per element,
// newest first: the definitions the tuned window code is checked against.
// A window longer than the values stored so far counts the missing ones as
// zeros.

inline double SeriesSum(const RingSeries& series, int32_t n) {
  double sum = 0.0;
  for (int32_t k = 0; k < n; ++k) sum += series.Get(k);
  return sum;
}

inline double SeriesAverage(const RingSeries& series, int32_t n) {
  return SeriesSum(series, n) / static_cast<double>(n);
}

// Linearly weighted: the newest element has weight n, the oldest weight 1.
inline double SeriesWeightedAverage(const RingSeries& series, int32_t n) {
  double weighted = 0.0;
  for (int32_t k = 0; k < n; ++k) weighted += series.Get(k) * static_cast<double>(n - k);
  return weighted / WeightedAverageDivisor(n);
}

// Population mean and standard deviation (divisor n); both 0 for n < 1.
inline void SeriesMeanStdDev(const RingSeries& series, int32_t n, double& mean, double& stdDev) {
  if (n <= 0) {
    mean = 0.0;
    stdDev = 0.0;
    return;
  }
  const double m = SeriesSum(series, n) / static_cast<double>(n);
  double squares = 0.0;
  for (int32_t k = 0; k < n; ++k) {
    const double d = series.Get(k) - m;
    squares += d * d;
  }
  mean = m;
  stdDev = std::sqrt(squares / static_cast<double>(n));
}

}  // namespace zeb::test
