"""Shared fixtures: the bundled sample bars and the native library's seven
exports, driven bar by bar through ctypes as the reference."""

import ctypes
import os
import pathlib

import numpy as np
import pandas as pd
import pytest

import zebindicators as zi

ROOT = pathlib.Path(__file__).resolve().parents[2]
SAMPLE = ROOT / "data" / "sample_bars.csv"
LIBRARY = pathlib.Path(os.environ.get("ZEB_SHARED_LIBRARY",
                                      ROOT / "build" / "python" / "libZEBIndicators.so"))


class Exports:
    """The shared library's C functions (a fresh registry of its own)."""

    def __init__(self, path):
        lib = ctypes.CDLL(str(path))
        i32, f64 = ctypes.c_int32, ctypes.c_double
        lib.ZEB_IndicatorInit.argtypes = [ctypes.c_char_p] * 3
        lib.ZEB_IndicatorInit.restype = i32
        bar_args = [i32] * 4 + [f64] * 6
        for name in ("ZEB_IndicatorSetBar", "ZEB_IndicatorSetBarNoCalc"):
            getattr(lib, name).argtypes = bar_args
            getattr(lib, name).restype = i32
        lib.ZEB_IndicatorSetParameter.argtypes = [i32, i32, f64]
        lib.ZEB_IndicatorSetParameter.restype = i32
        lib.ZEB_IndicatorValue.argtypes = [i32, i32]
        lib.ZEB_IndicatorValue.restype = f64
        self.lib = lib

    def create(self, keyword, parameters=None, symbol=None):
        """A handle with ``parameters`` (by name) set through their indices."""
        handle = self.lib.ZEB_IndicatorInit(None, keyword.encode(),
                                            symbol.encode() if symbol else None)
        assert handle >= 35
        index = {p["name"]: p["index"] for p in zi.describe(keyword)["parameters"]}
        for name, value in (parameters or {}).items():
            self.lib.ZEB_IndicatorSetParameter(handle, index[name], float(value))
        return handle

    def set_bar(self, handle, bar, calculate=True):
        call = self.lib.ZEB_IndicatorSetBar if calculate else self.lib.ZEB_IndicatorSetBarNoCalc
        return call(handle, *(int(v) for v in bar[:3]), *(float(v) for v in bar[3:]))

    def value(self, handle, index):
        return self.lib.ZEB_IndicatorValue(handle, index)

    def run(self, keyword, bars, parameters=None):
        """Every run column after every bar, read through ZEB_IndicatorValue."""
        handle = self.create(keyword, parameters)
        indices = run_indices(keyword)
        out = np.empty((len(bars), len(indices)))
        for row, bar in enumerate(bars):
            self.set_bar(handle, bar)
            out[row] = [self.value(handle, i) for i in indices]
        return out


def output_indices(keyword):
    """Output index by column name, from the metadata's runs of outputs."""
    indices = {}
    for o in zi.describe(keyword)["outputs"]:
        first, last = o["first_index"], o["last_index"]
        for index in range(first, last + 1):
            indices[o["name"] if first == last else f"{o['name']}[{index - first}]"] = index
    return indices


def run_indices(keyword):
    """Output indices of the columns ``run`` gives by default, in order."""
    indices = output_indices(keyword)
    return [indices[name] for name in zi.describe(keyword)["columns"]]


def bar_tuples(frame):
    """(bar, date, time, open, high, low, close, volume1, volume2) per row of the sample."""
    return list(frame[["bar", "date", "time", "open", "high", "low", "close", "volume1",
                       "volume2"]].itertuples(index=False, name=None))


def same_bits(a, b):
    """Exact equality, NaN equal to NaN."""
    a, b = np.asarray(a, dtype=np.float64), np.asarray(b, dtype=np.float64)
    return a.shape == b.shape and a.tobytes() == b.tobytes()


def other_setting(keyword):
    """One non-default setting of a keyword: its first plain parameter moved off its default."""
    for p in zi.describe(keyword)["parameters"]:
        if p["use"] in ("download", "inert") or p["minimum"] is None:
            continue
        start = p["default"] if p["default"] is not None else p["minimum"]
        value = start + 2 if start + 2 <= p["maximum"] else p["minimum"]
        return {p["name"]: value}
    return {}


@pytest.fixture(scope="session")
def exports():
    if not LIBRARY.exists():
        pytest.fail(f"{LIBRARY} is missing: build it with scripts/python-install.sh")
    return Exports(LIBRARY)


@pytest.fixture(scope="session")
def sample():
    """The bundled sample with the time as the integer HHMM the zebi tool reads."""
    frame = pd.read_csv(SAMPLE)
    frame["time"] = frame["time"].str.replace(":", "").astype(np.int32)
    return frame
