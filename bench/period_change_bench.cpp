// The cost of a period change after a long session. Setting a turn
// detector's period recomputes its gain and loss averages over every midpoint
// change recorded since the instance was created, so the cost grows with the
// history; this measures it per change and per million bars of history.

#include <benchmark/benchmark.h>

#include <vector>

#include "bench_bars.h"

namespace {

// One period change per iteration (alternately 6 and 5, so every change
// recomputes) on a FLOATPCL instance that has seen `range(0)` bars.
void PeriodChange(benchmark::State& state) {
  const auto history = static_cast<size_t>(state.range(0));
  static const std::vector<zeb::bench::BenchBar> bars = zeb::bench::MakeBars(1 << 16);
  const int32_t handle = ZEB_IndicatorInit(nullptr, "FLOATPCL", "BENCH");
  int32_t barNumber = 0;
  for (size_t fed = 0; fed < history; fed += bars.size()) {
    zeb::bench::FeedAll(handle, bars, barNumber);
  }
  double period = 5.0;
  for (auto _ : state) {
    period = period == 5.0 ? 6.0 : 5.0;
    ZEB_IndicatorSetParameter(handle, 0, period);
  }
  // Time per change divided by the millions of bars it re-read.
  const double millions = static_cast<double>(barNumber) / 1e6;
  state.counters["per_1M_bars"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * millions,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(PeriodChange)
    ->Name("PeriodChange/FLOATPCL/after_100k")
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(PeriodChange)
    ->Name("PeriodChange/FLOATPCL/after_1M")
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(PeriodChange)
    ->Name("PeriodChange/FLOATPCL/after_10M")
    ->Arg(10000000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
