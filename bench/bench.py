#!/usr/bin/env python3
"""Times lspzip.exe and the component's doZip (under Wine) against Info-ZIP
zip and 7-Zip's zip writer, natively and as Windows builds under the same
Wine (bench/windows_peers.sh builds those), side by side in one run, and
writes bench/RESULTS.md and bench/scaling.png.

usage: bench.py [--runs N] [--small] [--no-scaling]

Every tool runs on the same inputs (see corpora.py), runs alternating
between the tools so that a change in the machine's load falls on all of
them alike; each figure is the median of --runs runs.
"""

import argparse
import subprocess
import sys
import time
import zlib
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import corpora  # noqa: E402
import report  # noqa: E402
from peers import (DOZIP, ENV, LSPZIP, READ_1, READ_2, SEVENZIP, SEVENZIP_WINE, WINDOWS_PEERS, WINE64, WORK, ZIP,  # noqa: E402
                   ZIP_WINE, register_component)

RATES = (1, 5, 9)


def measure(results, set_name, source, rates, tools, runs):
    """Adds {(set, rate, tool): [(wall, peak, size), ...]}, the tools'
    order rotated from one run to the next."""
    out = WORK / "out"
    out.mkdir(parents=True, exist_ok=True)
    # One untimed read of the files first: the cold caches of a set's first
    # run would otherwise fall on the first tool of the rotation alone.
    READ_2.run(0, source, out)
    for rate in rates:
        for run in range(runs):
            order = tools[run % len(tools):] + tools[:run % len(tools)]
            for tool in order:
                key = (set_name, rate, tool.name)
                results.setdefault(key, []).append(tool.run(rate, source, out))
                print(f"  {set_name} rate {rate} run {run + 1} {tool.name}: {results[key][-1][0]:.2f} s", flush=True)


def zlib_one_core(path, rate):
    """Raw deflate of the file in memory on one core: Python's zlib."""
    data = Path(path).read_bytes()
    start = time.perf_counter()
    c = zlib.compressobj(rate, zlib.DEFLATED, -15)
    c.compress(data)
    c.flush()
    return len(data) / (time.perf_counter() - start) / 1e6


def large_file_peak():
    """Peak memory of lspzip on one sparse file of 4 GiB at rate 1."""
    folder = WORK / "sparse"
    folder.mkdir(parents=True, exist_ok=True)
    with open(folder / "sparse-4GiB.bin", "wb") as f:
        f.truncate(4 << 30)
    try:
        return LSPZIP.run(1, folder, WORK / "out")[1]
    finally:
        (folder / "sparse-4GiB.bin").unlink()


def load():
    return " ".join(Path("/proc/loadavg").read_text().split()[:3])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--small", action="store_true", help="inputs of a twentieth the size, for trying out")
    parser.add_argument("--no-scaling", action="store_true", help="leave out time against file count and size")
    parser.add_argument("--output", default=str(Path(__file__).resolve().parent / "RESULTS.md"))
    args = parser.parse_args()
    scale = 20 if args.small else 1
    missing = [str(tool.exe) for tool in WINDOWS_PEERS if not tool.exe.exists()]
    if missing:
        raise SystemExit(f"missing {', '.join(missing)}: run bench/windows_peers.sh")

    print("building the inputs", flush=True)
    corpus, joined, thumbnails, counts = corpora.build_all(WORK, scale)
    facts = {"runs": args.runs, "scale": scale}
    facts["files"], facts["total"] = corpora.stats(corpus)
    facts["text_files"], facts["text_total"] = corpora.stats(corpus / "text")
    facts["thumb_files"], facts["thumb_total"] = corpora.stats(thumbnails)

    quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # One server for all runs, and Wine's own services started now, so that
    # no run pays for them.
    subprocess.run(["wineserver", "-p"], env=ENV, **quiet)
    subprocess.run([WINE64, "cmd", "/c", "exit"], env=ENV, **quiet)
    register_component()
    facts["windows_peers"] = {tool.name: tool.version() for tool in WINDOWS_PEERS}
    facts["load_before"] = load()
    started = time.time()
    results = {}
    DOZIP.start()
    try:
        # The Windows peers at rate 5 only: at rate 9, 7-Zip under Wine alone
        # would take longer than the rest of the corpus's runs.
        measure(results, "corpus", corpus, (1, 9), [LSPZIP, ZIP, SEVENZIP], args.runs)
        measure(results, "corpus", corpus, (5,), [LSPZIP, ZIP, SEVENZIP, *WINDOWS_PEERS], args.runs)
        measure(results, "corpus", corpus, (0,), [LSPZIP, READ_1, READ_2], args.runs)
        measure(results, "corpus", corpus, (5,), [DOZIP], args.runs)
        measure(results, "thumbnails", thumbnails, (5,), [DOZIP, LSPZIP, ZIP, READ_2, *WINDOWS_PEERS], args.runs)
        measure(results, "joined", joined, RATES, [LSPZIP], args.runs)
        facts["large_peak"] = large_file_peak()
        if not args.no_scaling:
            for count, folder in counts.items():
                # zip.exe pays Wine's volume query for every file: past 10,000
                # files it would take longer than the rest of the benchmark.
                peers = [SEVENZIP_WINE] + ([ZIP_WINE] if count <= 10_000 else [])
                measure(results, f"count {count}", folder, (5,), [LSPZIP, ZIP, READ_2, *peers], args.runs)
            for size in corpora.FILE_SIZES:
                folder = corpora.size_set(WORK, size // scale)
                try:
                    measure(results, f"size {size // scale}", folder, (5,), [LSPZIP, ZIP],
                            args.runs if size < 4_000_000_000 else 1)
                finally:
                    if size >= 1_000_000_000:
                        for path in (folder, WORK / f"size-{size // scale}.done"):
                            subprocess.run(["rm", "-rf", str(path)])
    finally:
        DOZIP.stop()
        subprocess.run(["wineserver", "-k"], env=ENV, **quiet)
    facts["load_after"] = load()
    facts["minutes"] = (time.time() - started) / 60
    facts["zlib"] = {rate: zlib_one_core(joined / "text.joined", rate) for rate in RATES}

    Path(args.output).write_text(report.render(results, facts))
    if not args.no_scaling:
        report.plot(results, Path(args.output).with_name("scaling.png"))
    print(Path(args.output).read_text())


if __name__ == "__main__":
    sys.exit(main())
