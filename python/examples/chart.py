"""Draws docs/python-floatpcl.png: FLOATPCL levels over five days of the sample's closes.

Run from the repository root: .venv/bin/python python/examples/chart.py
"""

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import pandas as pd  # noqa: E402

import zebindicators as zi  # noqa: E402

bars = pd.read_csv("data/sample_bars.csv")
bars.index = pd.to_datetime(bars["date"].astype(str) + " " + bars["time"])
levels = zi.run("FLOATPCL", bars, period=7)

days = bars.index.normalize().unique()[10:15]
shown = (bars.index.normalize() >= days[0]) & (bars.index.normalize() <= days[-1])
x = range(shown.sum())  # bar positions: no gaps over nights

fig, ax = plt.subplots(figsize=(10, 5), dpi=110)
ax.plot(x, bars["close"][shown], color="black", linewidth=1, label="close")
for name, color in (("R2", "#1a7f37"), ("R1", "#4caf50"), ("pivot", "#1f5fbf"),
                    ("S1", "#e57373"), ("S2", "#b71c1c")):
    ax.step(x, levels[name][shown], where="post", color=color, linewidth=1.2, label=name)
starts = [i for i, day in enumerate(bars.index[shown].normalize()) if i == 0 or
          day != bars.index[shown].normalize()[i - 1]]
ax.set_xticks(starts, [bars.index[shown][i].strftime("%d %b") for i in starts])
for start in starts[1:]:
    ax.axvline(start, color="#cccccc", linewidth=0.8, zorder=0)
ax.set_title("FLOATPCL (period 7): pivot levels of the last swing, five days of 5-minute bars")
ax.set_ylabel("price")
ax.legend(loc="upper left", ncol=6, fontsize=8, frameon=False)
ax.margins(x=0.01)
fig.tight_layout()
fig.savefig("docs/python-floatpcl.png")
print("wrote docs/python-floatpcl.png")
