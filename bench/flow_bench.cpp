// Cost of one bar through ZEB_IndicatorSetBar for the momentum and volume
// flow keywords at typical settings, after a history of 1000 bars. Each
// iteration stores and calculates one new bar: the reported time is ns per bar.

#include <benchmark/benchmark.h>

#include <utility>
#include <vector>

#include "bench_bars.h"

namespace {

using Parameters = std::vector<std::pair<int32_t, double>>;

void Flow(benchmark::State& state, const char* keyword, const Parameters& parameters) {
  static const std::vector<zeb::bench::BenchBar> bars = zeb::bench::MakeBars(1 << 12);
  const int32_t handle = ZEB_IndicatorInit(nullptr, keyword, "BENCH");
  for (const auto& p : parameters) ZEB_IndicatorSetParameter(handle, p.first, p.second);
  int32_t barNumber = 0;
  const std::vector<zeb::bench::BenchBar> history(bars.begin(), bars.begin() + 1000);
  zeb::bench::FeedAll(handle, history, barNumber);
  size_t i = 0;
  for (auto _ : state) {
    const auto& b = bars[i];
    benchmark::DoNotOptimize(ZEB_IndicatorSetBar(handle, ++barNumber, b.date, 0, b.open, b.high,
                                                 b.low, b.close, b.volume1, b.volume2));
    if (++i == bars.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["per_bar"] =
      benchmark::Counter(static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Defaults: TSI 25/10/1/5, squeeze 10 with 2.0 and 1.5, RWI 30.
BENCHMARK_CAPTURE(Flow, COMBO, "COMBO", Parameters{});
// No defaults: imbalance window 10, average 5, 5 dates, lookback 14, sum length 10.
BENCHMARK_CAPTURE(Flow, VDVRS, "VDVRS", Parameters{{0, 10}, {1, 5}, {2, 5}, {3, 14}, {4, 10}});
// No defaults: lag 3, smoothing 5, detrending 20, 5 dates, signal 9.
BENCHMARK_CAPTURE(Flow, VIXDIFF, "VIXDIFF", Parameters{{0, 3}, {1, 5}, {2, 20}, {3, 5}, {4, 9}});
// Defaults: window 5, smoothing 1.
BENCHMARK_CAPTURE(Flow, VOLDELTA, "VOLDELTA", Parameters{});

}  // namespace
