"""Reading bar columns from a pandas DataFrame or a dict of NumPy arrays.

Column names are matched in any case, ignoring blanks, '_' and '-', with the
same aliases the zebi tool accepts. Dates become YYYYMMDD integers and times
HHMM integers (HHMMSS when any bar has seconds), as the tool reads them.
"""

import numpy as np
import pandas as pd

_ALIASES = {
    "bar": "bar", "barnumber": "bar", "date": "date", "time": "time",
    "open": "open", "high": "high", "low": "low", "close": "close",
    "volume": "volume", "vol": "volume", "volume1": "volume1", "volume2": "volume2",
    "upvolume": "volume1", "downvolume": "volume2", "upvol": "volume1",
    "downvol": "volume2", "up": "volume1", "down": "volume2",
}

LAYOUTS = (
    "accepted layouts: columns open, high, low, close with either date (and optionally time) "
    "columns or a DatetimeIndex; volume, or volume1 and volume2 (optional, 0 when absent); "
    "optionally bar; names in any case, '_', '-' and blanks ignored"
)

_PRICES = ("open", "high", "low", "close")


def _fold(name):
    return "".join(c for c in str(name).lower() if c not in " _-\t")


def find_columns(names):
    """Maps each canonical column (date, open, ...) to the caller's name for it."""
    found = {}
    for name in names:
        canonical = _ALIASES.get(_fold(name))
        if canonical is None:
            continue
        if canonical in found:
            raise ValueError(f"columns {found[canonical]!r} and {name!r} both name {canonical!r}")
        found[canonical] = name
    if "volume" in found and ("volume1" in found or "volume2" in found):
        raise ValueError("give either one volume column or volume1/volume2, not both")
    return found


def _missing(column):
    return KeyError(f"no {column!r} column; {LAYOUTS}")


def _floats(values):
    if isinstance(values, pd.Series):
        return values.to_numpy(dtype=np.float64, na_value=np.nan)
    return np.asarray(values, dtype=np.float64)


def _int32(values, what):
    array = np.asarray(values)
    if array.dtype.kind not in "iu":
        raise ValueError(f"{what} must be integers")
    if array.dtype != np.int32 and array.size and (array.min() < -2**31 or array.max() >= 2**31):
        raise ValueError(f"{what} do not fit in 32 bits")
    return array.astype(np.int32, copy=False)


def _timestamps(values, what):
    stamps = pd.DatetimeIndex(pd.to_datetime(values))
    if stamps.hasnans:
        row = int(np.flatnonzero(stamps.isna())[0])
        raise ValueError(f"row {row} has no {what}")
    return stamps


def _date_ints(stamps):
    return (stamps.year * 10000 + stamps.month * 100 + stamps.day).to_numpy(np.int32)


def _time_ints(hours, minutes, seconds):
    hours, minutes, seconds = (np.asarray(v, dtype=np.int64) for v in (hours, minutes, seconds))
    if seconds.any():
        return (hours * 10000 + minutes * 100 + seconds).astype(np.int32)
    return (hours * 100 + minutes).astype(np.int32)


def _time_column(values):
    array = np.asarray(values)
    if array.dtype.kind in "iu":
        return _int32(array, "times")
    if array.dtype.kind == "m":
        seconds = pd.to_timedelta(array).total_seconds().to_numpy().astype(np.int64)
        return _time_ints(seconds // 3600, seconds // 60 % 60, seconds % 60)
    stamps = _timestamps(pd.Series(array).astype(str), "time")
    return _time_ints(stamps.hour, stamps.minute, stamps.second)


def date_and_time(columns, found, index):
    """Date and time integers from the date/time columns or the DatetimeIndex."""
    if "date" in found:
        dates = np.asarray(columns[found["date"]])
        if dates.dtype.kind in "iu":
            date = _int32(dates, "dates")
            time = None
        else:
            stamps = _timestamps(dates, "date")
            date = _date_ints(stamps)
            time = _time_ints(stamps.hour, stamps.minute, stamps.second)
    elif isinstance(index, pd.DatetimeIndex):
        stamps = _timestamps(index, "date")
        date = _date_ints(stamps)
        time = _time_ints(stamps.hour, stamps.minute, stamps.second)
    else:
        raise _missing("date")
    if "time" in found:
        time = _time_column(columns[found["time"]])
    if time is None:
        time = np.zeros(len(date), dtype=np.int32)
    return date, time


def first_out_of_order(date, time):
    """Position of the first bar whose date and time come before its predecessor's, or None."""
    if len(date) < 2:
        return None
    earlier_date = date[1:] < date[:-1]
    earlier_time = (date[1:] == date[:-1]) & (time[1:] < time[:-1])
    backwards = np.flatnonzero(earlier_date | earlier_time)
    return int(backwards[0]) + 1 if backwards.size else None


def time_order(frame):
    """Row positions of a DataFrame in time order (date, time, then bar number), equal
    timestamps kept in their row order."""
    found = find_columns(frame.columns)
    date, time = date_and_time(frame, found, frame.index)
    keys = [time, date]
    if "bar" in found:
        keys.insert(0, _int32(frame[found["bar"]], "bar numbers"))
    return np.lexsort(keys)


def read_bars(data):
    """The nine bar arrays (bar, date, time, open, high, low, close, volume1, volume2) and the
    index the results align to."""
    if isinstance(data, pd.DataFrame):
        columns, index = data, data.index
    elif isinstance(data, dict):
        columns, index = data, None
    else:
        raise TypeError("data must be a pandas DataFrame or a dict of NumPy arrays")
    found = find_columns(columns.keys())
    for price in _PRICES:
        if price not in found:
            raise _missing(price)
    n = len(columns[found["close"]])
    if index is None:
        index = pd.RangeIndex(n)
    date, time = date_and_time(columns, found, index)
    bars = {
        "bar": (_int32(columns[found["bar"]], "bar numbers") if "bar" in found
                else np.arange(1, n + 1, dtype=np.int32)),
        "date": date,
        "time": time,
    }
    for price in _PRICES:
        bars[price] = _floats(columns[found[price]])
    zeros = np.zeros(n, dtype=np.float64)
    bars["volume1"] = _floats(columns[found["volume"]]) if "volume" in found else (
        _floats(columns[found["volume1"]]) if "volume1" in found else zeros)
    bars["volume2"] = _floats(columns[found["volume2"]]) if "volume2" in found else zeros
    for name, values in bars.items():
        if len(values) != n:
            raise ValueError(f"column {name!r} has {len(values)} rows, 'close' has {n}")
    row = first_out_of_order(date, time)
    if row is not None:
        raise ValueError(
            f"dates out of order: row {row} (index {index[row]!r}) at {date[row]} {time[row]} "
            f"comes before row {row - 1} at {date[row - 1]} {time[row - 1]}")
    return bars, index
