// The turn detector's update cost after a short and a long history (it must
// not grow with the history), and FloatPCL through the exported SetBar over a
// million bars.

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "bench_bars.h"
#include "components/rsi_turn_detector.h"

namespace {

using zeb::RsiTurnDetector;
using zeb::bench::BenchBar;

const std::vector<BenchBar>& Bars() {
  static const std::vector<BenchBar> bars = zeb::bench::MakeBars(1 << 16);
  return bars;
}

std::unique_ptr<RsiTurnDetector> Prefilled(size_t history) {
  auto detector = std::make_unique<RsiTurnDetector>();
  const auto& bars = Bars();
  for (size_t i = 0; i < history; ++i) {
    const BenchBar& b = bars[i % bars.size()];
    detector->Update(b.open, b.high, b.low, b.close);
  }
  return detector;
}

// One new-bar update per iteration, a fixed number of them. The short-history
// case moves to a fresh 1,000-update detector every 1,000 updates (untimed),
// so its history stays between 1,000 and 2,000; the long one grows on from
// 1,000,000. Every detector is kept alive, so both cases write their history
// into newly allocated memory alike: on a virtual machine the first touch of
// a page can cost more than the updates that fill it.
void DetectorUpdate(benchmark::State& state) {
  const auto history = static_cast<size_t>(state.range(0));
  const bool refill = history < 1000000;
  const auto& bars = Bars();
  std::vector<std::unique_ptr<RsiTurnDetector>> detectors;
  detectors.push_back(Prefilled(history));
  RsiTurnDetector* detector = detectors.back().get();
  size_t i = history % bars.size();
  size_t sinceFill = 0;
  for (auto _ : state) {
    const BenchBar& b = bars[i];
    benchmark::DoNotOptimize(detector->Update(b.open, b.high, b.low, b.close));
    if (++i == bars.size()) i = 0;
    if (refill && ++sinceFill == history) {
      state.PauseTiming();
      detectors.push_back(Prefilled(history));
      detector = detectors.back().get();
      i = history % bars.size();
      sinceFill = 0;
      state.ResumeTiming();
    }
  }
  state.SetItemsProcessed(state.iterations());
}
constexpr benchmark::IterationCount kUpdates = 2000000;
BENCHMARK(DetectorUpdate)->Name("RsiTurnDetector/Update/after_1k")->Arg(1000)->Iterations(kUpdates);
BENCHMARK(DetectorUpdate)
    ->Name("RsiTurnDetector/Update/after_1M")
    ->Arg(1000000)
    ->Iterations(kUpdates);

// A million bars per iteration through ZEB_IndicatorSetBar into one FLOATPCL
// instance at its defaults; bar numbers run on across iterations.
void FloatPclMillionBars(benchmark::State& state) {
  static const std::vector<BenchBar> bars = zeb::bench::MakeBars(1000000);
  const int32_t handle = ZEB_IndicatorInit(nullptr, "FLOATPCL", "BENCH");
  int32_t barNumber = 0;
  for (auto _ : state) zeb::bench::FeedAll(handle, bars, barNumber);
  const auto processed = static_cast<double>(state.iterations()) * 1e6;
  state.SetItemsProcessed(static_cast<int64_t>(processed));
  state.counters["time_per_bar"] =
      benchmark::Counter(processed, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(FloatPclMillionBars)->Name("FloatPCL/SetBar/1M_bars")->Unit(benchmark::kMillisecond);

}  // namespace
