// Latencies of the double-precision operations whose order the indicators'
// algorithms fix: a chain of dependent adds, multiplies, divides, square roots
// and natural logarithms, and the throughput of independent divides. The
// floor table in docs/performance.md (bench/floor_table.py) multiplies each
// keyword's serial chain by these figures, so the floors are measured on the
// machine the keywords are measured on. Each reports `ns_per_op`.

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

constexpr int kChain = 1000;

// Reports the time of one operation of a chain of kChain per iteration.
void ReportPerOperation(benchmark::State& state, int operationsPerStep) {
  const auto operations = static_cast<double>(state.iterations()) * kChain * operationsPerStep;
  state.counters["ns_per_op"] = benchmark::Counter(
      operations * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The operand is hidden from the compiler, so no operation can be folded;
// values stay normal (no slow subnormal paths) with full mantissas.
template <typename Step>
void Chain(benchmark::State& state, double start, double operand, Step step) {
  double y = operand;
  benchmark::DoNotOptimize(y);
  double x = start;
  for (auto _ : state) {
    for (int i = 0; i < kChain; ++i) x = step(x, y);
    benchmark::DoNotOptimize(x);
  }
  ReportPerOperation(state, 1);
}

void DependentAdd(benchmark::State& state) {
  Chain(state, 1.2345678901234567, 1e-20, [](double x, double y) { return x + y; });
}
void DependentMultiply(benchmark::State& state) {
  Chain(state, 1.2345678901234567, 1.0000000000000002, [](double x, double y) { return x * y; });
}
void DependentDivide(benchmark::State& state) {
  Chain(state, 1.2345678901234567, 1.0000000000000002, [](double x, double y) { return x / y; });
}
void DependentSqrt(benchmark::State& state) {
  // sqrt(x) * y keeps x away from 1.0; the multiply is measured separately.
  Chain(state, 1.2345678901234567, 1.7320508075688772,
        [](double x, double y) { return std::sqrt(x) * y; });
}
void DependentLog(benchmark::State& state) {
  Chain(state, 1234.5678901234567, 1000.0, [](double x, double y) { return std::log(x) + y; });
}

// Eight independent chains: the divider's throughput, what bounds the
// per-bin divisions of the volume profiles.
void IndependentDivides(benchmark::State& state) {
  double y = 1.0000000000000002;
  benchmark::DoNotOptimize(y);
  double x[8];
  for (int j = 0; j < 8; ++j) x[j] = 1.2345678901234567 + j;
  for (auto _ : state) {
    for (int i = 0; i < kChain; ++i) {
      for (double& v : x) v = v / y;
    }
    benchmark::DoNotOptimize(x);
  }
  ReportPerOperation(state, 8);
}

BENCHMARK(DependentAdd)->Name("Latency/add");
BENCHMARK(DependentMultiply)->Name("Latency/mul");
BENCHMARK(DependentDivide)->Name("Latency/div");
BENCHMARK(DependentSqrt)->Name("Latency/sqrt_mul");
BENCHMARK(DependentLog)->Name("Latency/log_add");
BENCHMARK(IndependentDivides)->Name("Throughput/div");

}  // namespace
