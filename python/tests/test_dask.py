"""zebindicators.dask.run on a LocalCluster of two worker processes equals ``run`` per symbol."""

import logging

import numpy as np
import pandas as pd
import pytest

import zebindicators as zi
from conftest import same_bits

dd = pytest.importorskip("dask.dataframe")
distributed = pytest.importorskip("distributed")
import zebindicators.dask as zdask  # noqa: E402

SYMBOLS = 120
BARS_PER_SYMBOL = 240
SECONDS = 300  # bound on every wait, so a stuck cluster fails the test instead of hanging


@pytest.fixture(scope="module")
def client(tmp_path_factory):
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None, silence_logs=logging.ERROR,
                                  local_directory=str(tmp_path_factory.mktemp("dask")),
                                  timeout=SECONDS) as cluster:
        with distributed.Client(cluster, timeout=SECONDS) as client:
            yield client


@pytest.fixture(scope="module")
def universe(sample):
    """SYMBOLS symbols, each a different stretch of the sample, rows shuffled across symbols
    and out of time order, with a unique index label per row."""
    pieces = []
    for s in range(SYMBOLS):
        start = (s * 37) % (len(sample) - BARS_PER_SYMBOL)
        rows = sample.iloc[start:start + BARS_PER_SYMBOL].drop(columns=["bar"])
        pieces.append(rows.assign(symbol=f"S{s:03d}"))
    frame = pd.concat(pieces, ignore_index=True)
    return frame.sample(frac=1.0, random_state=11)


@pytest.mark.parametrize("keyword,parameters", [("COMBO", {}), ("SWINGMAP", {"binCount": 40}),
                                                ("FLOATPCL", {"period": 7})])
def test_dask_run_equals_run_per_symbol(client, universe, keyword, parameters):
    frame = dd.from_pandas(universe, npartitions=7, sort=False)
    result = client.compute(zdask.run(frame, keyword, **parameters)).result(timeout=SECONDS)
    assert list(result.columns) == ["symbol"] + zi.describe(keyword)["columns"]
    assert len(result) == len(universe)
    for symbol, rows in universe.groupby("symbol"):
        rows = rows.sort_index()  # the original time order
        expected = zi.run(keyword, rows, symbol=symbol, **parameters)
        got = result.loc[expected.index]
        assert (got["symbol"] == symbol).all()
        assert same_bits(got[expected.columns].to_numpy(), expected.to_numpy()), symbol


def test_dask_run_refuses_bad_names_before_computing(universe):
    frame = dd.from_pandas(universe.iloc[:100], npartitions=2, sort=False)
    with pytest.raises(ValueError, match="unknown keyword"):
        zdask.run(frame, "NOPE")
    with pytest.raises(ValueError, match="no parameter"):
        zdask.run(frame, "RATIO", period=3)
    with pytest.raises(KeyError, match="'ticker'"):
        zdask.run(frame, "RATIO", by="ticker")


def test_dask_run_with_a_datetime_index_and_categorical_symbols(client, universe):
    stamps = pd.to_datetime(universe["date"].astype(str) +
                            universe["time"].astype(str).str.zfill(4), format="%Y%m%d%H%M")
    indexed = universe.drop(columns=["date", "time"]).set_index(pd.DatetimeIndex(stamps))
    indexed["symbol"] = indexed["symbol"].astype("category")
    frame = dd.from_pandas(indexed, npartitions=3, sort=False)
    result = client.compute(zdask.run(frame, "RATIO")).result(timeout=SECONDS)
    for symbol in ("S000", "S077"):
        rows = universe[universe["symbol"] == symbol].sort_index()
        got = result[result["symbol"] == symbol].sort_index()
        assert same_bits(got[["ratio", "signal"]].to_numpy(), zi.run("RATIO", rows).to_numpy())
    assert np.isfinite(result["ratio"].to_numpy()).all()
