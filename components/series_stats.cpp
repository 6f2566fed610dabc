#include "components/series_stats.h"

#include <cmath>
#include <limits>

namespace zeb {

double SeriesSum(const RingSeries& series, int32_t n) {
  double sum = 0.0;
  series.ForEachBack(0, n, [&sum](double v) { sum += v; });
  return sum;
}

double SeriesAverage(const RingSeries& series, int32_t n) {
  return SeriesSum(series, n) / static_cast<double>(n);
}

double SeriesHighest(const RingSeries& series, int32_t n) {
  if (n < 1) return 0.0;
  double best = series.Get(0);
  series.ForEachBack(1, n - 1, [&best](double v) {
    if (v > best) best = v;
  });
  return best;
}

double SeriesLowest(const RingSeries& series, int32_t n) {
  if (n < 1) return 0.0;
  double best = series.Get(0);
  series.ForEachBack(1, n - 1, [&best](double v) {
    if (v < best) best = v;
  });
  return best;
}

void SeriesHighestLowest(const RingSeries& high, const RingSeries& low, int32_t n, double& highest,
                         double& lowest) {
  if (n < 1) {
    highest = 0.0;
    lowest = 0.0;
    return;
  }
  // A value replaces the best only when strictly beyond it, so ties, a NaN on
  // either side and +0/-0 keep the earlier value exactly as the element-wise
  // tests above do. Written as selects so that no branch is taken per element.
  double hi = high.Newest();
  double lo = low.Newest();
  high.ForEachBackWith(low, 1, n - 1, [&hi, &lo](double h, double l) {
    hi = h > hi ? h : hi;
    lo = l < lo ? l : lo;
  });
  highest = hi;
  lowest = lo;
}

double SeriesWeightedAverage(const RingSeries& series, int32_t n) {
  double weighted = 0.0;
  int32_t weight = n;  // n - k for the element k bars back
  series.ForEachBack(0, n, [&weighted, &weight](double v) {
    weighted += v * static_cast<double>(weight);
    --weight;
  });
  return weighted / WeightedAverageDivisor(n);
}

void SeriesMeanStdDev(const RingSeries& series, int32_t n, double& mean, double& stdDev) {
  if (n <= 0) {
    mean = 0.0;
    stdDev = 0.0;
    return;
  }
  const double m = SeriesSum(series, n) / static_cast<double>(n);
  double squares = 0.0;
  series.ForEachBack(0, n, [&squares, m](double v) {
    const double d = v - m;
    squares += d * d;
  });
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
