"""The examples docs/python.md shows still run and still print what it shows."""

import subprocess
import sys

from conftest import ROOT


def test_the_tour_prints_what_the_docs_show():
    tour = subprocess.run([sys.executable, "python/examples/tour.py"], cwd=ROOT, timeout=300,
                          capture_output=True, text=True, check=True).stdout
    docs = (ROOT / "docs" / "python.md").read_text()
    for line in ("2573  100.426667  101.063333  102.196667",
                 "{'ratio': 33.42541436464103, 'signal': 32.78950504586355}",
                 "AAA    661.0", "DDD    667.0"):
        assert line in tour and line in docs, line
