// Per-bar cost through ZEB_IndicatorSetBar of the profile indicators:
// MarketMap at its defaults and over its widest window at its finest
// resolution, and Vega with both sides trading.

#include <benchmark/benchmark.h>

#include <utility>
#include <vector>

#include "bench_bars.h"

namespace {

using Parameters = std::vector<std::pair<int32_t, double>>;

void ProfileBar(benchmark::State& state, const char* keyword, const Parameters& parameters) {
  static const std::vector<zeb::bench::BenchBar> bars = zeb::bench::MakeBars(1 << 12);
  const int32_t handle = ZEB_IndicatorInit(nullptr, keyword, "BENCH");
  for (const auto& p : parameters) ZEB_IndicatorSetParameter(handle, p.first, p.second);
  int32_t barNumber = 0;
  zeb::bench::FeedAll(handle, bars, barNumber);  // fill the 300-bar history
  size_t i = 0;
  for (auto _ : state) {
    const auto& b = bars[i];
    benchmark::DoNotOptimize(ZEB_IndicatorSetBar(handle, ++barNumber, b.date, 0, b.open, b.high,
                                                 b.low, b.close, b.volume1, b.volume2));
    if (++i == bars.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK_CAPTURE(ProfileBar, MarketMapDefaults, "MARKETMAP", Parameters{});
BENCHMARK_CAPTURE(ProfileBar, MarketMap199Bins299Bars, "MARKETMAP",
                  Parameters{{0, 199}, {1, 0}, {2, 299}});
BENCHMARK_CAPTURE(ProfileBar, VegaBothSides, "VEGA", Parameters{{6, 1}, {7, 1}});

}  // namespace
