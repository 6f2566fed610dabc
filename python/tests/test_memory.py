"""Indicator objects free their memory when they go away."""

import gc
import os

import zebindicators as zi


def resident_bytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


def test_100000_indicators_created_and_dropped_leave_resident_memory_where_it_was():
    keywords = zi.keywords()
    for keyword in keywords:  # first use of each class settles the allocator
        zi.Indicator(keyword).update(1, 20240102, 930, 1, 2, 0.5, 1.5, 10, 10)
    gc.collect()
    before = resident_bytes()
    for n in range(100_000):
        indicator = zi.Indicator(keywords[n % len(keywords)], symbol="MEM")
        indicator.update(1, 20240102, 930, 1, 2, 0.5, 1.5, 10, 10)
        del indicator
    gc.collect()
    after = resident_bytes()
    assert after <= before * 1.10, f"resident memory grew from {before} to {after} bytes"
