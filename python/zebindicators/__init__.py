"""The ZEBIndicators technical-analysis indicators from Python.

Three ways in, all computing exactly what the native library computes:

- ``Indicator``: one instance fed bar by bar (streaming);
- ``run``: a whole pandas DataFrame or dict of NumPy arrays at once (batch);
- ``zebindicators.dask.run``: many symbols on a Dask cluster.
"""

from ._core import Indicator, describe, keywords
from .batch import run

__all__ = ["Indicator", "describe", "keywords", "run"]
