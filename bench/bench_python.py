"""The Python half of bench-python: times kelvarin.open of ZONE, and column("LoadX")
of the units of UNITS beside building a list of as many floats in Python. Prints
one line: open_ms column_ms list_ms units (best of RUNS opens, and of 4 * RUNS
columns and lists, run in turns)."""

import sys
import time

import kelvarin


def best(runs, *functions):
    times = [float("inf")] * len(functions)
    for _ in range(runs):
        for i, function in enumerate(functions):
            start = time.perf_counter()
            function()
            times[i] = min(times[i], (time.perf_counter() - start) * 1000)
    return times


def main():
    path, units_path, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
    (open_ms,) = best(runs, lambda: kelvarin.open(path))
    units = kelvarin.open(units_path).units
    n = len(units)
    # Both take milliseconds: more turns, so that a busy moment of the machine counts less.
    column_ms, list_ms = best(runs * 4, lambda: units.column("LoadX"), lambda: [i * 0.5 for i in range(n)])
    print(f"{open_ms:.3f} {column_ms:.3f} {list_ms:.3f} {n}")


main()
