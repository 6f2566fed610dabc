// Per-bar cost of every keyword through ZEB_IndicatorSetBar, at its defaults
// and at its heaviest parameters, after a short and a long history; and the
// cost of handle lookup with 1 and with 10,000 live instances.

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "bench_bars.h"
#include "components/rsi_turn_detector.h"
#include "interface/keyword_table.h"
#include "interface/registry.h"

namespace {

using Parameters = std::vector<std::pair<int32_t, double>>;

// Keywords without defaults run with these typical values (documented in
// docs/performance.md); the others start from their defaults.
const std::map<std::string, Parameters>& TypicalParameters() {
  static const std::map<std::string, Parameters> kTypical = {
      {"VDVRS", {{0, 10}, {1, 5}, {2, 5}, {3, 14}, {4, 10}}},
      {"VIXDIFF", {{0, 3}, {1, 5}, {2, 20}, {3, 5}, {4, 9}}},
  };
  return kTypical;
}

// The most expensive settings of each keyword: widest windows, most bins, and
// for the signal-driven ones the lowest threshold so that every turn counts.
const std::map<std::string, Parameters>& HeaviestParameters() {
  static const std::map<std::string, Parameters> kHeaviest = {
      {"RATIO", {{0, 299}, {1, 299}, {2, 299}}},
      {"FLOATPCL", {{0, 299}}},
      {"SWINGPCL", {{0, 299}, {2, 10}}},
      {"WALLIND", {{0, 1}, {1, 299}}},
      {"MARKETMAP", {{0, 199}, {1, 0}, {2, 299}}},
      {"SWINGMAP", {{0, 199}, {1, 0}, {2, 19}}},
      {"SWINGRSI", {{2, 299}}},
      {"VEGA", {{0, 1}, {1, 299}, {6, 1}, {7, 1}}},
      {"COMBO", {{4, 100}, {7, 100}}},
      {"VDVRS", {{0, 299}, {1, 299}, {2, 299}, {3, 299}, {4, 100}}},
      {"VIXDIFF", {{0, 299}, {1, 299}, {2, 299}, {3, 19}, {4, 299}}},
      {"VOLDELTA", {{0, 299}, {1, 299}}},
  };
  return kHeaviest;
}

const std::vector<zeb::bench::BenchBar>& Bars() {
  static const std::vector<zeb::bench::BenchBar> bars = zeb::bench::MakeBars(1 << 14);
  return bars;
}

struct Prepared {
  int32_t handle;
  int32_t barNumber;
};

// One instance per benchmark, fed its history once however often the
// benchmark is run to settle its iteration count.
Prepared& Prepare(const std::string& name, const std::string& keyword, const Parameters& parameters,
                  size_t history) {
  static std::map<std::string, Prepared> prepared;
  auto it = prepared.find(name);
  if (it != prepared.end()) return it->second;
  Prepared p{ZEB_IndicatorInit(nullptr, keyword.c_str(), "BENCH"), 0};
  for (const auto& parameter : parameters) {
    ZEB_IndicatorSetParameter(p.handle, parameter.first, parameter.second);
  }
  for (size_t fed = 0; fed < history; fed += Bars().size()) {
    zeb::bench::FeedAll(p.handle, Bars(), p.barNumber);
  }
  return prepared.emplace(name, p).first->second;
}

double Parameter(const Parameters& parameters, int32_t index, double fallback) {
  for (const auto& p : parameters) {
    if (p.first == index) return p.second;
  }
  return fallback;
}

int32_t Clamped(double value, int32_t lo, int32_t hi) {
  const auto v = static_cast<int32_t>(value);
  return v < lo ? lo : (v > hi ? hi : v);
}

// What the floor of a profile keyword depends on besides its parameters, from
// the bench bars themselves: how often its turn detector rebuilds (turns per
// bar at the keyword's threshold) and, for SWINGMAP, the mean number of bars
// its window spans. Reported as counters for bench/floor_table.py.
struct Workload {
  double turnsPerBar = 0.0;
  double windowBars = 0.0;
};

Workload MeasureWorkload(int32_t period, int32_t threshold, int32_t fromSwing, int32_t toSwing) {
  zeb::RsiTurnDetector detector;
  detector.Restart(period);
  std::vector<int64_t> ends;  // swing end bar numbers, newest last
  const auto& bars = Bars();
  int64_t turns = 0;
  double windows = 0.0;
  const int64_t total = 2 * static_cast<int64_t>(bars.size());
  for (int64_t bar = 1; bar <= total; ++bar) {
    const auto& b = bars[static_cast<size_t>(bar - 1) % bars.size()];
    const int32_t code = detector.Update(b.open, b.high, b.low, b.close);
    const bool turn = (code < 0 ? -code : code) >= threshold;
    if (turn) ends.push_back(bar);
    if (bar <= total / 2) continue;  // the first pass settles the detector
    turns += turn ? 1 : 0;
    auto back = [&](int32_t swing) -> int64_t {
      if (swing == 0) return 0;
      if (static_cast<int64_t>(ends.size()) < swing) return 298;
      const int64_t offset = bar - ends[ends.size() - static_cast<size_t>(swing)];
      return offset < 298 ? offset : 298;
    };
    const int64_t a = back(fromSwing);
    const int64_t b2 = back(toSwing);
    windows += static_cast<double>((a > b2 ? a - b2 : b2 - a) + 1);
  }
  const auto measured = static_cast<double>(total / 2);
  return {static_cast<double>(turns) / measured, windows / measured};
}

// Counters describing the work of the profile keywords at `parameters`.
void ReportWorkload(benchmark::State& state, const std::string& keyword,
                    const Parameters& parameters) {
  Workload w;
  double bins = 10;
  if (keyword == "MARKETMAP") {
    bins = Clamped(Parameter(parameters, 0, 100), 1, 199);
    const int32_t a = Clamped(Parameter(parameters, 1, 0), 0, 298);
    const int32_t b = Clamped(Parameter(parameters, 2, 0), 0, 298);
    w.windowBars = (a > b ? a - b : b - a) + 1;
    w.turnsPerBar = 1.0;
  } else if (keyword == "SWINGMAP") {
    bins = Clamped(Parameter(parameters, 0, 100), 1, 199);
    w = MeasureWorkload(
        Clamped(Parameter(parameters, 3, 5), 1, 299), Clamped(Parameter(parameters, 4, 1), 1, 3),
        Clamped(Parameter(parameters, 1, 0), 0, 19), Clamped(Parameter(parameters, 2, 1), 0, 19));
  } else if (keyword == "SWINGRSI") {
    w = MeasureWorkload(Clamped(Parameter(parameters, 0, 5), 1, 299),
                        Clamped(Parameter(parameters, 1, 1), 1, 3), 0, 0);
    w.windowBars = Clamped(Parameter(parameters, 2, 10), 1, 298) + 1;
  } else if (keyword == "VEGA") {
    const int32_t lookback = Clamped(Parameter(parameters, 1, 7), 1, 298);
    const int32_t period = Clamped(Parameter(parameters, 1, 5), 1, 299);
    w = MeasureWorkload(period, Clamped(Parameter(parameters, 0, 2), 1, 299), 0, 0);
    w.windowBars = lookback + 1;
  } else {
    return;
  }
  state.counters["turns_per_bar"] = w.turnsPerBar;
  state.counters["window_bars"] = w.windowBars;
  state.counters["bins"] = bins;
}

// The signature of ZEB_IndicatorSetBar and ZEB_IndicatorSetBarNoCalc.
using SetBarExport = int32_t(ZEB_CALL*)(int32_t, int32_t, int32_t, int32_t, double, double, double,
                                        double, double, double);

// One bar per iteration through `setBar`: the reported time is the cost of
// one bar. The loop keeps the bar array's address and the bar number in
// locals, so that it adds only a few instructions of its own to each call.
template <SetBarExport setBar>
void FeedEachIteration(benchmark::State& state, Prepared& p) {
  const int32_t handle = p.handle;
  int32_t barNumber = p.barNumber;
  const zeb::bench::BenchBar* const bars = Bars().data();
  const size_t count = Bars().size();
  size_t i = 0;
  for (auto _ : state) {
    const auto& b = bars[i];
    benchmark::DoNotOptimize(setBar(handle, ++barNumber, b.date, 0, b.open, b.high, b.low, b.close,
                                    b.volume1, b.volume2));
    if (++i == count) i = 0;
  }
  p.barNumber = barNumber;
  state.SetItemsProcessed(state.iterations());
}

void PerBar(benchmark::State& state, const std::string& name, const std::string& keyword,
            const Parameters& parameters, size_t history) {
  FeedEachIteration<ZEB_IndicatorSetBar>(state, Prepare(name, keyword, parameters, history));
  ReportWorkload(state, keyword, parameters);
}

// What every keyword pays before its own work: the export, the handle lookup
// and the bar store, measured on an instance that calculates nothing.
void BarStoreOnly(benchmark::State& state) {
  FeedEachIteration<ZEB_IndicatorSetBarNoCalc>(
      state, Prepare("BarStore", "STATICPCL", Parameters{}, size_t{1000}));
}

// Reads one output of the oldest instance while `range(0)` instances live.
// Registered after the keyword benchmarks: it replaces the registry's contents.
void HandleLookup(benchmark::State& state) {
  zeb::registry::DestroyAllForTesting();
  const int32_t first = ZEB_IndicatorInit(nullptr, "RATIO", "BENCH");
  for (int64_t i = 1; i < state.range(0); ++i) ZEB_IndicatorInit(nullptr, "RATIO", "BENCH");
  for (auto _ : state) benchmark::DoNotOptimize(ZEB_IndicatorValue(first, 0));
}

// One benchmark per keyword and setting, registered from the keyword table so
// every keyword is covered.
int RegisterKeywordBenchmarks() {
  for (int32_t row = 0; row < zeb::KeywordCount(); ++row) {
    const std::string keyword = zeb::KeywordTable()[row].info->keyword;
    const auto typical = TypicalParameters().find(keyword);
    const Parameters defaults =
        typical == TypicalParameters().end() ? Parameters{} : typical->second;
    for (size_t history : {size_t{1000}, size_t{1000000}}) {
      const std::string suffix = history == 1000 ? "/after_1k" : "/after_1M";
      const std::string name = "Defaults/" + keyword + suffix;
      benchmark::RegisterBenchmark(name.c_str(), PerBar, name, keyword, defaults, history);
    }
    const auto heavy = HeaviestParameters().find(keyword);
    if (heavy != HeaviestParameters().end()) {
      const std::string name = "Heaviest/" + keyword;
      benchmark::RegisterBenchmark(name.c_str(), PerBar, name, keyword, heavy->second,
                                   size_t{1000});
    }
  }
  // Settings worth their own figure besides defaults and heaviest.
  const std::string vega = "Settings/VEGA/both_sides";
  benchmark::RegisterBenchmark(vega.c_str(), PerBar, vega, "VEGA", Parameters{{6, 1}, {7, 1}},
                               size_t{1000});
  benchmark::RegisterBenchmark("BarStore/NoCalc", BarStoreOnly);
  benchmark::RegisterBenchmark("HandleLookup", HandleLookup)->Arg(1)->Arg(10000);
  return 0;
}
const int registered = RegisterKeywordBenchmarks();

}  // namespace
