#!/usr/bin/env python3
"""Turns the benchmark output into the floor table of docs/performance.md.

    zeb_bench --benchmark_format=json > bench.json
    bench/floor_table.py bench.json [more.json ...] docs/performance.md

With several outputs (runs in separate processes, as scripts/bench.sh makes
them), the fastest run of each benchmark across all of them stands for it.

Each keyword's floor is the time its serial chain takes: the floating-point
operations whose order the algorithm fixes, one depending on the next, so that
neither reassociation nor vector units can shorten them, priced at the
latencies that bench/latency_bench.cpp measures on the same machine in the same
run. Where a keyword does many independent divisions (the per-bar and per-bin
divisions of a volume profile), the divider's throughput bounds it instead,
and the floor is the larger of the two. The chains below are counted from the
algorithms as specified, which compute every value on every bar; where the
library skips work that cannot reach an output (the detector's 50-update mean
is needed only at a turn, equal bins share one division), it can run below
its floor, and the ratio then falls under 1.

The table goes between the two marker lines in the markdown file.
"""

import collections
import json
import sys

BEGIN = "<!-- floor-table:begin -->"
END = "<!-- floor-table:end -->"
BARS_PER_DATE = 78  # bench/bench_bars.h


class Chain:
    """Operation counts of a serial chain."""

    def __init__(self, add=0.0, mul=0.0, div=0.0, sqrt=0.0, log=0.0):
        self.ops = {"add": add, "mul": mul, "div": div, "sqrt": sqrt, "log": log}

    def __add__(self, other):
        return Chain(**{k: self.ops[k] + other.ops[k] for k in self.ops})

    def scaled(self, factor):
        return Chain(**{k: v * factor for k, v in self.ops.items()})

    def time(self, lat):
        return sum(v * lat[k] for k, v in self.ops.items())

    def text(self):
        parts = []
        for k, v in self.ops.items():
            if v:
                parts.append(f"{v:.4g} {k}")
        return ", ".join(parts) if parts else "none"


def longest(lat, *chains):
    return max(chains, key=lambda c: c.time(lat))


# The turn detector as specified, per update: midpoint (add, mul), change
# (add), Wilder step (add, subtract, divide), RSI (add, divide), the 50-update
# mean summed newest first (50 adds, divide) and the lower band (add, divide,
# add) that the turn codes compare with.
DETECTOR = Chain(add=57, mul=1, div=4)


def pivot_per_date():
    # ((L + H) + C) / 3, then four adds to the outermost level, once a date.
    return Chain(add=6, div=1).scaled(1 / BARS_PER_DATE)


def wall_per_date():
    # pivot (2 adds, divide), its distance (add), the mean distance (2 adds,
    # divide), width (2 multiplies), once a date.
    return Chain(add=5, mul=2, div=2).scaled(1 / BARS_PER_DATE)


def ratio(lookback, sum_length, signal_length):
    # range (add), summed newest first, divided, scaled and centred (mul,
    # add), then the signal average.
    return Chain(add=1 + sum_length + 1 + signal_length, mul=1, div=2)


def vixdiff(smooth, detrend, signal):
    # overlap ratio (add, divide), flow (2 multiplies), position in the
    # reference range (add, divide), the smoothed difference (adds, divide,
    # subtract), detrended (adds, divide, subtract), the signal (adds, divide).
    return Chain(add=1 + 1 + smooth + 1 + detrend + 1 + signal, mul=2, div=5)


def voldelta(window):
    # difference (add), window sum, exponential step (add, mul, add).
    return Chain(add=1 + window + 2, mul=1)


def vdvrs(lat, window, average, lookback_sum):
    stochastic = Chain(add=1 + lookback_sum + 1, div=1)  # range sum, quotient, q - 0.5
    imbalance = Chain(add=1 + window + 2, mul=1)  # volume difference, sum, smoothing
    logarithm = Chain(log=1)
    head = longest(lat, stochastic + Chain(mul=1, add=1, div=1), logarithm + Chain(
        mul=1, add=1, div=1), imbalance)
    # weighted difference (multiply, subtract), then its average.
    return head + Chain(mul=1, add=1 + average, div=1)


def combo(lat, squeeze, rwi):
    tsi = Chain(add=9, mul=5, div=1)
    band = Chain(add=3 + squeeze + 1 + squeeze + 1, mul=3, div=2, sqrt=1)
    # true range, its average, the two index legs, the 3-point smoothing,
    # mean and deviation of the smoothed index, the breakout band.
    walk = Chain(add=7 + 3 * rwi, mul=4, div=5, sqrt=1)
    return longest(lat, tsi, band, walk)


def profile(bars, bins, segment):
    """Serial chain and independent divisions of one profile build."""
    # total volume (adds), a bin's share of it (divide), rescaled (multiply,
    # divide); for the nodes, the percentage (divide, multiply) and their mean
    # (adds, divide).
    chain = Chain(add=bars, mul=1, div=2)
    divides = 3 * bars + 2 * bins
    if segment:
        chain = chain + Chain(add=bins, mul=1, div=2)
        divides += bins
    return chain, divides


def profile_floor(lat, bars, bins, segment):
    chain, divides = profile(bars, bins, segment)
    by_divider = divides * lat["div_throughput"]
    if by_divider > chain.time(lat):
        return by_divider, f"{divides:.4g} independent div"
    return chain.time(lat), chain.text()


def floor(keyword, setting, counters, lat):
    """(floor in ns, description of what bounds it)."""
    if keyword == "STATICPCL":
        c = pivot_per_date()
    elif keyword in ("FLOATPCL", "SWINGPCL"):
        c = DETECTOR
    elif keyword == "WALLIND":
        c = wall_per_date() if setting == "defaults" else DETECTOR
    elif keyword == "RATIO":
        c = ratio(5, 5, 5) if setting == "defaults" else ratio(299, 299, 299)
    elif keyword == "VIXDIFF":
        c = vixdiff(5, 20, 9) if setting == "defaults" else vixdiff(299, 299, 299)
    elif keyword == "VOLDELTA":
        c = voldelta(5) if setting == "defaults" else voldelta(299)
    elif keyword == "VDVRS":
        c = vdvrs(lat, 10, 5, 10) if setting == "defaults" else vdvrs(lat, 299, 299, 100)
    elif keyword == "COMBO":
        c = combo(lat, 10, 30) if setting == "defaults" else combo(lat, 100, 100)
    elif keyword in ("SWINGRSI", "VEGA"):
        # The box is rebuilt after the detector's code, at the turns that
        # reach the threshold.
        t, _ = profile_floor(lat, counters["window_bars"], 10, False)
        turns = counters["turns_per_bar"]
        return DETECTOR.time(lat) + turns * t, f"detector + {turns:.3f} x profile"
    elif keyword in ("MARKETMAP", "SWINGMAP"):
        bars, bins = counters["window_bars"], counters["bins"]
        t, what = profile_floor(lat, bars, bins, True)
        if keyword == "SWINGMAP":
            # The window ends on the detector's turns, so each bar's profile
            # waits for that bar's detector update.
            return DETECTOR.time(lat) + t, f"detector + {what}"
        return t, what
    else:
        raise KeyError(keyword)
    return c.time(lat), c.text()


def latencies(results):
    ns = {r["name"]: r["ns_per_op"] for r in results if "ns_per_op" in r}
    return {
        "add": ns["Latency/add"],
        "mul": ns["Latency/mul"],
        "div": ns["Latency/div"],
        "sqrt": ns["Latency/sqrt_mul"] - ns["Latency/mul"],
        "log": ns["Latency/log_add"] - ns["Latency/add"],
        "div_throughput": ns["Throughput/div"],
    }


def cpu_ns(result):
    scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}[result.get("time_unit", "ns")]
    return result["cpu_time"] * scale


def iterations(data):
    return [r for r in data["benchmarks"] if r.get("run_type", "iteration") == "iteration"]


def table(results):
    # With repetitions, the fastest run of each benchmark stands for it.
    best = {}
    for r in results:
        if r["name"] not in best or cpu_ns(r) < cpu_ns(best[r["name"]]):
            best[r["name"]] = r
    lat = latencies(best.values())
    lines = [
        "| Operation | Measured |",
        "|---|---|",
        f"| dependent add | {lat['add']:.2f} ns |",
        f"| dependent multiply | {lat['mul']:.2f} ns |",
        f"| dependent divide | {lat['div']:.2f} ns |",
        f"| dependent square root | {lat['sqrt']:.2f} ns |",
        f"| dependent natural logarithm | {lat['log']:.2f} ns |",
        f"| independent divides (throughput) | {lat['div_throughput']:.2f} ns |",
    ]
    store = best.get("BarStore/NoCalc")
    if store:
        lines.append(f"| a bar through the export and the bar store, no calculation | "
                     f"{cpu_ns(store):.1f} ns |")
    lines += [
        "",
        "| Keyword | Setting | Floor bounded by | Floor | Measured | Ratio | Target | "
        "Ratio without the bar store |",
        "|---|---|---|---|---|---|---|---|",
    ]
    keywords = []
    for name in best:
        parts = name.split("/")
        if parts[0] == "Defaults" and parts[2] == "after_1k":
            keywords.append(parts[1])
    profile_keywords = ("MARKETMAP", "SWINGMAP", "SWINGRSI", "VEGA")
    for kw in keywords:
        for setting, name in (("defaults", f"Defaults/{kw}/after_1k"), ("heaviest",
                                                                        f"Heaviest/{kw}")):
            r = best.get(name)
            if r is None:
                continue
            f, what = floor(kw, setting, r, lat)
            measured = cpu_ns(r)
            target = 1.5 if setting == "defaults" else (2.0 if kw in profile_keywords else None)
            ratio_text = f"{measured / f:.2f}" if f > 0 else "—"
            target_text = "—"
            if target is not None and f > 0:
                target_text = f"{target}x: {'met' if measured <= target * f else 'not met'}"
            # What is left after the cost every keyword pays before its own work.
            own = measured - (cpu_ns(store) if store else 0.0)
            own_text = f"{own / f:.2f}" if f > 0 else "—"
            if own <= 0:
                own_text = "0 (within the noise)"
            lines.append(f"| {kw} | {setting} | {what} | {f:.1f} ns | {measured:.1f} ns | "
                         f"{ratio_text} | {target_text} | {own_text} |")
    return "\n".join(lines)


def header(outputs):
    """When, where and how the table was measured."""
    contexts = [data.get("context", {}) for data in outputs]
    first = min(contexts, key=lambda c: c.get("date", ""))
    runs = max(collections.Counter(r["name"] for data in outputs
                                   for r in iterations(data)).values())
    # The processes that ran one benchmark, and whether every process ran one alone.
    names = [{r["name"] for r in iterations(data)} for data in outputs]
    processes = max(collections.Counter(n for ran in names for n in ran).values())
    alone = all(len(ran) <= 1 for ran in names)
    loads = [c.get("load_avg", [float("nan")])[0] for c in contexts]
    load_text = (", ".join(f"{x:.2f}" for x in loads) if len(loads) <= 4 else
                 f"{min(loads):.2f} to {max(loads):.2f}")
    if alone and len(outputs) > 1:
        where = f"{processes} processes that ran that benchmark alone"
    elif processes > 1:
        where = f"{processes} processes"
    else:
        where = "one process"
    return (f"Generated by bench/floor_table.py from `zeb_bench` run on {first.get('date', '?')}"
            f" ({first.get('num_cpus', '?')} CPUs at {first.get('mhz_per_cpu', '?')} MHz; "
            f"load average over the last minute as the processes started: {load_text}; "
            f"CPU time, fastest of {runs} runs in {where}).")


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    outputs = []
    for name in sys.argv[1:-1]:
        with open(name) as f:
            outputs.append(json.load(f))
    doc_name = sys.argv[-1]
    with open(doc_name) as f:
        doc = f.read()
    start, end = doc.find(BEGIN), doc.find(END)
    if start < 0 or end < start:
        sys.exit(f"{doc_name}: no {BEGIN} ... {END} section")
    results = [r for data in outputs for r in iterations(data)]
    doc = (doc[:start + len(BEGIN)] + "\n" + header(outputs) + "\n\n" + table(results) + "\n" +
           doc[end:])
    with open(doc_name, "w") as f:
        f.write(doc)


if __name__ == "__main__":
    main()
