#!/usr/bin/env python3
"""Runs every test area under tests/ against the builds in the build tree.

usage: run.py [--build DIR] [--arch x64|x86] [--area NAME ...] [--long] [-v]
--long runs the soak, the round trips and the fuzzing at full length.
Ends with "N passed, N failed" and exits non-zero when anything failed.
"""

import argparse
import importlib.util
import sys
import time
import traceback
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import ARCHES, ROOT, Harness  # noqa: E402

# Areas run in this order; any other area with a suite.py runs after them.
ORDER = ["layout", "unit", "registration", "script"]


def discover(selected):
    tests = ROOT / "tests"
    found = {p.parent.name: p for p in tests.glob("*/suite.py")}
    unknown = sorted(set(selected or []) - set(found))
    if unknown:
        raise SystemExit(f"run.py: no test area {', '.join(unknown)}; the areas are {', '.join(sorted(found))}")
    names = [n for n in ORDER if n in found] + sorted(n for n in found if n not in ORDER)
    if selected:
        names = [n for n in names if n in selected]
    return [(n, found[n]) for n in names]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=str(ROOT / "build"))
    parser.add_argument("--arch", action="append", choices=ARCHES)
    parser.add_argument("--area", action="append")
    parser.add_argument("--long", action="store_true", help="the full soak, round trip and fuzzing runs")
    parser.add_argument("-v", "--verbose", action="store_true")
    args = parser.parse_args()

    areas = discover(args.area)
    h = Harness(args.build, tuple(args.arch or ARCHES), args.area, args.verbose, args.long)
    h.start_wine()
    for arch in args.arch or ():
        if arch in h.unrunnable:
            h.record(f"{arch} was asked for", False, h.unrunnable[arch])
    try:
        for name, path in areas:
            h.area = name
            print(f"== {name}", flush=True)
            started, passed, failed = time.monotonic(), h.passed, len(h.failed)
            spec = importlib.util.spec_from_file_location(f"suite_{name}", path)
            module = importlib.util.module_from_spec(spec)
            try:
                spec.loader.exec_module(module)
                module.run(h)
            except Exception:
                h.record("suite raised", False, traceback.format_exc())
            print(f"== {name}: {h.passed - passed} passed, {len(h.failed) - failed} failed "
                  f"in {time.monotonic() - started:.0f} s", flush=True)
    finally:
        h.area = ""
        h.stop_wine()

    for arch, reason in h.unrunnable.items():
        if arch in (args.arch or ARCHES):
            print(f"{arch} not run: {reason}; its builds were made but none of its tests ran")
    print(f"{h.passed} passed, {len(h.failed)} failed")
    return 1 if h.failed else 0


if __name__ == "__main__":
    sys.exit(main())
