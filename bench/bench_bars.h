#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "zeb_indicators.h"

namespace zeb::bench {

// Synthetic intraday bars (78 per date, a random walk with two volume figures)
// that the benchmarks replay in a loop, numbering the bars on from `next`.
struct BenchBar {
  int32_t date;
  double open, high, low, close, volume1, volume2;
};

inline std::vector<BenchBar> MakeBars(size_t count) {
  std::vector<BenchBar> bars;
  bars.reserve(count);
  uint64_t state = 88172645463325252ULL;
  auto uniform = [&state]() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return static_cast<double>(state >> 11) * (1.0 / 9007199254740992.0);
  };
  double price = 100.0;
  for (size_t i = 0; i < count; ++i) {
    const double open = price;
    price *= 1.0 + (uniform() - 0.5) * 0.004;
    const double high = std::fmax(open, price) * (1.0 + uniform() * 0.001);
    const double low = std::fmin(open, price) * (1.0 - uniform() * 0.001);
    bars.push_back({20240000 + static_cast<int32_t>(i / 78), open, high, low, price,
                    500.0 + 1000.0 * uniform(), 500.0 + 1000.0 * uniform()});
  }
  return bars;
}

// Feeds `bars` once through ZEB_IndicatorSetBar, continuing the bar numbers.
inline void FeedAll(int32_t handle, const std::vector<BenchBar>& bars, int32_t& barNumber) {
  for (const BenchBar& b : bars) {
    ZEB_IndicatorSetBar(handle, ++barNumber, b.date, 0, b.open, b.high, b.low, b.close, b.volume1,
                        b.volume2);
  }
}

}  // namespace zeb::bench
