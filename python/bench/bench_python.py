"""Benchmarks of the Python package (figures in docs/performance.md).

- ``run`` over 1,000,000 synthetic bars for RATIO, FLOATPCL and COMBO at their defaults: CPU
  and wall time per bar, best of several rounds, whole call (column checks, the C++ loop and
  the DataFrame that comes back);
- ``zebindicators.dask.run`` (COMBO) over 200 symbols x 50,000 bars on a LocalCluster with one
  worker process and with two: bars per second, wall time, including the shuffle that brings
  each symbol's rows together.

Usage: .venv/bin/python python/bench/bench_python.py [--rounds N] [--skip-dask]
"""

import argparse
import logging
import os
import tempfile
import time

import numpy as np
import pandas as pd

import zebindicators as zi

BARS = 1_000_000
KEYWORDS = ("RATIO", "FLOATPCL", "COMBO")
SYMBOLS, SYMBOL_BARS, SYMBOLS_PER_PARTITION = 200, 50_000, 5


def make_bars(count, seed=1):
    """Intraday random-walk bars, 78 per date, like the C++ benchmarks' bars."""
    rng = np.random.default_rng(seed)
    close = 100.0 * np.cumprod(1.0 + (rng.random(count) - 0.5) * 0.004)
    open_ = np.concatenate(([100.0], close[:-1]))
    return {
        "date": (20240000 + np.arange(count) // 78).astype(np.int32),
        "open": open_,
        "high": np.maximum(open_, close) * (1.0 + rng.random(count) * 0.001),
        "low": np.minimum(open_, close) * (1.0 - rng.random(count) * 0.001),
        "close": close,
        "volume1": 500.0 + 1000.0 * rng.random(count),
        "volume2": 500.0 + 1000.0 * rng.random(count),
    }


def bench_run(rounds):
    bars = make_bars(BARS)
    print(f"run over {BARS:,} bars (best of {rounds}):")
    for keyword in KEYWORDS:
        best_cpu = best_wall = float("inf")
        for _ in range(rounds):
            cpu, wall = time.process_time(), time.perf_counter()
            zi.run(keyword, bars)
            best_cpu = min(best_cpu, time.process_time() - cpu)
            best_wall = min(best_wall, time.perf_counter() - wall)
        print(f"  {keyword:9s} {best_cpu / BARS * 1e9:7.1f} ns/bar CPU, "
              f"{best_wall / BARS * 1e9:7.1f} ns/bar wall")


def symbol_partition(first_symbol):
    """SYMBOLS_PER_PARTITION symbols of SYMBOL_BARS bars each, made on the worker."""
    pieces = []
    for s in range(first_symbol, first_symbol + SYMBOLS_PER_PARTITION):
        frame = pd.DataFrame(make_bars(SYMBOL_BARS, seed=s + 1))
        pieces.append(frame.assign(symbol=f"S{s:03d}"))
    frame = pd.concat(pieces, ignore_index=True)
    frame.index = frame.index + first_symbol * SYMBOL_BARS
    return frame


def bench_dask(workers):
    import dask.dataframe as dd
    import distributed

    import zebindicators.dask as zdask

    meta = symbol_partition(0).iloc[:0]
    frame = dd.from_map(symbol_partition, range(0, SYMBOLS, SYMBOLS_PER_PARTITION), meta=meta)
    with tempfile.TemporaryDirectory() as scratch, distributed.LocalCluster(
            n_workers=workers, threads_per_worker=1, processes=True, dashboard_address=None,
            silence_logs=logging.ERROR, local_directory=scratch) as cluster, \
            distributed.Client(cluster) as client:
        client.run(lambda: None)  # workers up before the clock starts
        wall = time.perf_counter()
        rows = client.compute(zdask.run(frame, "COMBO")["tsi"].count())
        count = rows.result()
        wall = time.perf_counter() - wall
    total = SYMBOLS * SYMBOL_BARS
    assert count == total, count
    print(f"  dask, {workers} worker process(es): {total / wall:12,.0f} bars/s "
          f"({wall:.1f} s for {total:,} bars)")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--skip-dask", action="store_true")
    args = parser.parse_args()
    print(f"load average before: {os.getloadavg()}, cores: {os.cpu_count()}")
    bench_run(args.rounds)
    if not args.skip_dask:
        print(f"zebindicators.dask.run COMBO over {SYMBOLS} symbols x {SYMBOL_BARS:,} bars:")
        for workers in (1, 2):
            bench_dask(workers)
    print(f"load average after: {os.getloadavg()}")


if __name__ == "__main__":
    main()
