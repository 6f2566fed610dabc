"""``run``: one indicator over a whole frame of bars, the loop in C++."""

import pandas as pd

from . import _core
from .bars import read_bars


def run(keyword, data, *, symbol=None, profiles=False, **parameters):
    """Feeds every row of ``data`` to one new ``keyword`` instance, in row order, and returns a
    DataFrame with one column per output, aligned to the input's index.

    ``data`` is a pandas DataFrame or a dict of NumPy arrays with the columns open, high, low,
    close, the date (date and time columns, or a DatetimeIndex) and the volume (volume, or
    volume1 and volume2). Each row is one bar, numbered from 1 unless a bar column is given.
    ``parameters`` are set by name before the first bar. The profile bins of the volume-profile
    keywords are left out unless ``profiles`` is true.
    """
    bars, index = read_bars(data)
    names, values = _core.run_arrays(keyword, symbol, parameters, profiles=profiles, **bars)
    return pd.DataFrame(values, index=index, columns=names)
