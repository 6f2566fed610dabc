"""The three ways in, over the bundled sample split into four symbols.

Run from the repository root: .venv/bin/python python/examples/tour.py
"""

import numpy as np
import pandas as pd

import zebindicators as zi

# The sample is one symbol's 5-minute bars; four consecutive stretches of it
# stand in for four symbols.
bars = pd.read_csv("data/sample_bars.csv").drop(columns="bar")
names = ["AAA", "BBB", "CCC", "DDD"]
symbols = dict(zip(names, np.array_split(bars, len(names))))

# What an indicator takes and gives.
print(zi.keywords())
print([(p["name"], p["default"]) for p in zi.describe("FLOATPCL")["parameters"]])

# Batch: a whole frame at once, one column per output, on the frame's index.
levels = {name: zi.run("FLOATPCL", frame, period=7) for name, frame in symbols.items()}
print(levels["BBB"][["S1", "pivot", "R1"]].tail(3))

# Streaming: one bar at a time, as bars arrive.
ratio = zi.Indicator("RATIO", symbol="CCC", lookback=9)
for bar, row in enumerate(symbols["CCC"].itertuples(index=False), start=1):
    time = int(row.time.replace(":", ""))
    ratio.update(bar, int(row.date), time, row.open, row.high, row.low, row.close,
                 row.volume1, row.volume2)
print(ratio.values())

# Dask: every symbol in one frame, rows in any order and any partition.
import dask.dataframe as dd  # noqa: E402

import zebindicators.dask  # noqa: E402

everything = pd.concat(frame.assign(symbol=name) for name, frame in symbols.items())
frame = dd.from_pandas(everything.sample(frac=1.0, random_state=1), npartitions=4, sort=False)
combo = zebindicators.dask.run(frame, "COMBO").compute()
print(combo.groupby("symbol")["squeeze"].sum())
