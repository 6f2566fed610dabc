#include "components/series_stats.h"

#include <limits>

namespace zeb {

namespace {

// The newest of the n newest elements that no older one is `beyond`: the
// walk of SeriesHighest (beyond is >) and SeriesLowest (beyond is <).
template <typename Beyond>
double SeriesExtreme(const RingSeries& series, int32_t n, Beyond beyond) {
  if (n < 1) return 0.0;
  double best = series.Newest();
  series.ForEachBack(1, n - 1, [&best, beyond](double v) { best = beyond(v, best) ? v : best; });
  return best;
}

}  // namespace

double SeriesHighest(const RingSeries& series, int32_t n) {
  return SeriesExtreme(series, n, [](double v, double best) { return v > best; });
}

double SeriesLowest(const RingSeries& series, int32_t n) {
  return SeriesExtreme(series, n, [](double v, double best) { return v < best; });
}

void SeriesHighestLowest(const RingSeries& high, const RingSeries& low, int32_t n, double& highest,
                         double& lowest) {
  if (n < 1) {
    highest = 0.0;
    lowest = 0.0;
    return;
  }
  // Written as selects so that no branch is taken per element.
  double hi = high.Newest();
  double lo = low.Newest();
  high.ForEachBackWith(low, 1, n - 1, [&hi, &lo](double h, double l) {
    hi = h > hi ? h : hi;
    lo = l < lo ? l : lo;
  });
  highest = hi;
  lowest = lo;
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
