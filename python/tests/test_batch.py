"""``run`` and ``Indicator`` against the exports, bit for bit."""

from concurrent.futures import ThreadPoolExecutor

import numpy as np
import pandas as pd
import pytest

import zebindicators as zi
from conftest import bar_tuples, other_setting, output_indices, same_bits

KEYWORDS = zi.keywords()


def test_keywords_and_describe_come_from_the_keyword_table():
    assert KEYWORDS == ["STATICPCL", "SWINGRSI", "FLOATPCL", "SWINGPCL", "RATIO", "VIXDIFF",
                        "VOLDELTA", "VDVRS", "MARKETMAP", "SWINGMAP", "WALLIND", "COMBO", "VEGA"]
    ratio = zi.describe("RATIO")
    assert [(p["name"], p["default"], p["minimum"], p["maximum"]) for p in ratio["parameters"]] == [
        ("lookback", 5, 1, 299), ("sumLength", 5, 1, 299), ("signalLength", 5, 1, 299)]
    assert [o["name"] for o in ratio["outputs"]] == ["ratio", "signal"]
    assert zi.describe("MARKETMAP")["columns"] == ["lowest", "highest"]
    assert zi.Indicator("MARKETMAP").outputs[2:4] == ["profile[0]", "profile[1]"]


@pytest.mark.parametrize("setting", ["defaults", "other"])
@pytest.mark.parametrize("keyword", KEYWORDS)
def test_run_over_the_sample_equals_the_exports(exports, sample, keyword, setting):
    parameters = other_setting(keyword) if setting == "other" else {}
    if setting == "other":
        assert parameters or keyword == "STATICPCL"
    result = zi.run(keyword, sample, symbol="SAMPLE", **parameters)
    assert list(result.columns) == zi.describe(keyword)["columns"]
    assert result.index.equals(sample.index)
    assert same_bits(result.to_numpy(), exports.run(keyword, bar_tuples(sample), parameters))


@pytest.mark.parametrize("keyword", KEYWORDS)
def test_update_with_revisions_equals_the_exports(exports, sample, keyword):
    """Every fifth bar is first sent unfinished and then revised; every ninth is stored without
    calculating; every output, profiles included, is compared after every call."""
    parameters = other_setting(keyword)
    handle = exports.create(keyword, parameters)
    streaming = zi.Indicator(keyword, **parameters)
    indices = output_indices(keyword)
    assert streaming.outputs == sorted(indices, key=indices.get)
    for row, bar in enumerate(bar_tuples(sample.iloc[:700])):
        calls = [(bar, True)]
        if row % 5 == 4:
            forming = bar[:6] + (bar[6] - 0.25,) + bar[7:]
            calls.insert(0, (forming, True))
        if row % 9 == 8:
            calls[-1] = (bar, False)
        for values, calculate in calls:
            assert streaming.update(*values, calculate=calculate) == exports.set_bar(
                handle, values, calculate)
            values = streaming.values()
            assert same_bits([values[name] for name in indices],
                             [exports.value(handle, i) for i in indices.values()]), (keyword, row)
    unnamed = (-1, 7, 99, 300, 10_000)
    assert same_bits([streaming.value(i) for i in unnamed],
                     [exports.value(handle, i) for i in unnamed])


def test_a_dict_of_arrays_a_datetime_index_and_other_column_names_give_the_same_bits(sample):
    expected = zi.run("COMBO", sample)
    arrays = {name: sample[name].to_numpy() for name in sample.columns}
    assert same_bits(zi.run("COMBO", arrays).to_numpy(), expected.to_numpy())

    stamps = pd.to_datetime(sample["date"].astype(str) + sample["time"].astype(str).str.zfill(4),
                            format="%Y%m%d%H%M")
    renamed = pd.DataFrame({"Open": sample["open"].to_numpy(), "HIGH": sample["high"].to_numpy(),
                            "Low": sample["low"].to_numpy(), "close": sample["close"].to_numpy(),
                            "Up_Volume": sample["volume1"].to_numpy(),
                            "down-volume": sample["volume2"].to_numpy()},
                           index=pd.DatetimeIndex(stamps, name="when"))
    result = zi.run("COMBO", renamed)
    assert result.index.equals(renamed.index)
    assert same_bits(result.to_numpy(), expected.to_numpy())

    strings = sample.assign(date=pd.to_datetime(sample["date"].astype(str)).dt.strftime("%Y-%m-%d"),
                            time=sample["time"].astype(str).str.zfill(4).str[:2] + ":" +
                            sample["time"].astype(str).str.zfill(4).str[2:])
    assert same_bits(zi.run("COMBO", strings).to_numpy(), expected.to_numpy())


def test_one_volume_column_is_volume1_with_volume2_zero(exports, sample):
    frame = sample.drop(columns=["volume1", "volume2"]).assign(Volume=sample["volume1"])
    zero = sample.assign(volume2=0.0)
    assert same_bits(zi.run("VOLDELTA", frame).to_numpy(),
                     exports.run("VOLDELTA", bar_tuples(zero)))


def test_runs_on_a_thread_pool_give_the_bits_of_runs_one_after_another(sample):
    frames = [sample.iloc[start:start + 2500] for start in range(0, 2500, 250)]
    jobs = [(keyword, frame) for frame in frames for keyword in ("COMBO", "FLOATPCL", "MARKETMAP")]
    sequential = [zi.run(k, f).to_numpy() for k, f in jobs]
    with ThreadPoolExecutor(max_workers=4) as pool:
        parallel = list(pool.map(lambda job: zi.run(*job).to_numpy(), jobs))
    assert all(same_bits(a, b) for a, b in zip(parallel, sequential))


def test_unknown_keyword_and_parameter_name_list_the_valid_names(sample):
    with pytest.raises(ValueError, match="unknown keyword 'ratio'.*STATICPCL, SWINGRSI"):
        zi.run("ratio", sample)
    with pytest.raises(ValueError, match="unknown keyword"):
        zi.Indicator("NOPE")
    with pytest.raises(ValueError, match="no parameter 'lookBack'.*lookback, sumLength"):
        zi.run("RATIO", sample, lookBack=3)
    with pytest.raises(ValueError, match="no parameter 'period'"):
        zi.Indicator("STATICPCL", period=3)


def test_missing_column_names_it_and_the_layouts(sample):
    with pytest.raises(KeyError, match="'low'.*accepted layouts"):
        zi.run("RATIO", sample.drop(columns=["low"]))
    with pytest.raises(KeyError, match="'date'.*DatetimeIndex"):
        zi.run("RATIO", sample.drop(columns=["date"]))


def test_dates_out_of_order_name_the_first_offending_row(sample):
    frame = sample.iloc[:50].copy()
    frame.loc[30, "time"] = 900
    with pytest.raises(ValueError, match="row 30 .*comes before row 29"):
        zi.run("RATIO", frame)
    frame = sample.iloc[:50].copy()
    frame.loc[10, "date"] = 20231229
    with pytest.raises(ValueError, match="row 10 "):
        zi.run("RATIO", frame)


def test_nan_prices_pass_through_as_the_exports_take_them(exports, sample):
    frame = sample.iloc[:400].copy()
    frame.loc[100:104, "close"] = np.nan
    frame.loc[200, "high"] = np.nan
    for keyword in ("RATIO", "FLOATPCL", "MARKETMAP", "COMBO"):
        result = zi.run(keyword, frame)
        assert same_bits(result.to_numpy(), exports.run(keyword, bar_tuples(frame))), keyword


def test_an_empty_frame_gives_an_empty_result_with_the_output_columns(sample):
    result = zi.run("FLOATPCL", sample.iloc[:0])
    assert result.empty and list(result.columns) == zi.describe("FLOATPCL")["columns"]
    assert zi.run("RATIO", {k: np.array([]) for k in ("date", "open", "high", "low",
                                                     "close")}).shape == (0, 2)


def test_profiles_on_request(exports, sample):
    frame = sample.iloc[:300]
    result = zi.run("MARKETMAP", frame, profiles=True, binCount=20)
    assert list(result.columns) == zi.Indicator("MARKETMAP").outputs
    last = zi.Indicator("MARKETMAP", binCount=20)
    for bar in bar_tuples(frame):
        last.update(*bar)
    assert same_bits(result.iloc[-1].to_numpy(), list(last.values().values()))


def test_columns_of_unequal_length_are_refused(sample):
    arrays = {name: sample[name].to_numpy() for name in ("date", "open", "high", "low", "close")}
    arrays["open"] = arrays["open"][:-1]
    with pytest.raises(ValueError, match="'open' has 5147 rows, 'close' has 5148"):
        zi.run("RATIO", arrays)
