#!/usr/bin/env bash
# Runs the benchmarks behind the floor table of docs/performance.md and writes
# the table anew. Each benchmark runs alone in processes of its own, ROUNDS of
# them with REPETITIONS runs each, and the fastest run stands: a process that
# has run other benchmarks first carries their memory (the turn detectors'
# histories alone grow by hundreds of megabytes), and where a process's memory
# happens to lie moves some keywords for the whole life of the process.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/native
rounds=${ROUNDS:-5}
repetitions=${REPETITIONS:-3}
# What the table reads: the latencies, the bar store, and every keyword at its
# defaults and at its heaviest settings.
filter='^(Latency|Throughput)/|^BarStore/NoCalc$|^Defaults/[A-Z]+/after_1k$|^Heaviest/'

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j "${JOBS:-2}" --target zeb_bench
bench="$build/bench/zeb_bench"
out="$build/bench-runs"
rm -rf "$out"
mkdir -p "$out"
mapfile -t names < <("$bench" --benchmark_list_tests --benchmark_filter="$filter")
for round in $(seq "$rounds"); do
  for name in "${names[@]}"; do
    "$bench" --benchmark_filter="^${name}\$" --benchmark_repetitions="$repetitions" \
      --benchmark_out="$out/$round-${name//\//_}.json" --benchmark_out_format=json >/dev/null
  done
done
python3 bench/floor_table.py "$out"/*.json docs/performance.md
