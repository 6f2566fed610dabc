#include <cmath>
#include <limits>

#include "components/series_stats.h"

namespace zeb {

double SeriesSum(const RingSeries& series, int32_t n) {
  double sum = 0.0;
  for (int32_t k = 0; k < n; ++k) sum += series.Get(k);
  return sum;
}

double SeriesAverage(const RingSeries& series, int32_t n) {
  return SeriesSum(series, n) / static_cast<double>(n);
}

double SeriesHighest(const RingSeries& series, int32_t n) {
  if (n < 1) return 0.0;
  double best = series.Get(0);
  for (int32_t k = 1; k < n; ++k) {
    const double v = series.Get(k);
    if (v > best) best = v;
  }
  return best;
}

double SeriesLowest(const RingSeries& series, int32_t n) {
  if (n < 1) return 0.0;
  double best = series.Get(0);
  for (int32_t k = 1; k < n; ++k) {
    const double v = series.Get(k);
    if (v < best) best = v;
  }
  return best;
}

double SeriesWeightedAverage(const RingSeries& series, int32_t n) {
  double weighted = 0.0;
  for (int32_t k = 0; k < n; ++k) weighted += series.Get(k) * static_cast<double>(n - k);
  // n * (n + 1) as a 32-bit product; formed in 64 bits and wrapped so that no
  // window length can overflow a signed integer.
  const int64_t product = static_cast<int64_t>(n) * (static_cast<int64_t>(n) + 1);
  const auto wrapped = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(product)));
  const double divisor = static_cast<double>(wrapped) * 0.5;
  return weighted / divisor;
}

void SeriesMeanStdDev(const RingSeries& series, int32_t n, double& mean, double& stdDev) {
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

int32_t ClampInt(int32_t value, int32_t lo, int32_t hi) {
  if (value < lo) return lo;
  if (value > hi) return hi;
  return value;
}

double ClampDouble(double value, double lo, double hi) {
  if (lo > value) return lo;
  return hi < value ? hi : value;
}

int32_t ParameterToInt(double value) {
  // Truncation of anything in (-2^31 - 1, 2^31) fits; the rest, NaN included,
  // fails both comparisons or one of them.
  if (value > -2147483649.0 && value < 2147483648.0) return static_cast<int32_t>(value);
  return std::numeric_limits<int32_t>::min();
}

}  // namespace zeb
