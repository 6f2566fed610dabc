"""``run`` over a Dask DataFrame: one indicator per symbol, computed on the cluster."""

import pandas as pd

from . import _core
from .bars import time_order
from .batch import run as _run_frame


def run(frame, keyword, by="symbol", *, profiles=False, **parameters):
    """Runs one ``keyword`` instance per value of the ``by`` column over a dask DataFrame.

    The rows of each symbol are brought into one partition (wherever they started out) and fed
    in time order: by date and time (columns, or the DatetimeIndex), then by bar number when a
    bar column is given. Returns a dask DataFrame with the ``by`` column and one column per
    output, each row keeping its input index label. Rows whose ``by`` value is missing are
    dropped. The columns and parameters are those of ``zebindicators.run``.
    """
    if by not in frame.columns:
        raise KeyError(f"no {by!r} column to group the bars by")
    _core.Indicator(keyword, **parameters)  # refuses bad names before any work is sent
    meta = _empty_result(frame._meta, by, keyword, profiles)
    return frame.shuffle(on=by).map_partitions(
        _run_partition, keyword, by, profiles, parameters, meta=meta)


def _empty_result(part, by, keyword, profiles):
    columns = _core.Indicator(keyword).outputs if profiles else _core.describe(keyword)["columns"]
    return part[[by]].iloc[:0].assign(**{name: pd.Series(dtype="float64") for name in columns})


def _run_partition(part, keyword, by, profiles, parameters):
    pieces = []
    for symbol, rows in part.groupby(by, sort=False, observed=True):
        ordered = rows.iloc[time_order(rows)]
        result = _run_frame(keyword, ordered, symbol=str(symbol), profiles=profiles,
                            **parameters)
        result.insert(0, by, ordered[by].to_numpy())
        pieces.append(result)
    return pd.concat(pieces) if pieces else _empty_result(part, by, keyword, profiles)
