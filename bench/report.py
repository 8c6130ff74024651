"""RESULTS.md and the scaling plot, from the benchmark's measurements."""

import os
import platform
import statistics
import subprocess
import tempfile
from pathlib import Path

from peers import DOZIP, LSPZIP, READ_1, READ_2, SEVENZIP, WINDOWS_PEERS, WINE64, ZIP

OURS = LSPZIP.name
ON_WINE = [tool.name for tool in WINDOWS_PEERS]


def median(results, key, field=0):
    return statistics.median(r[field] for r in results[key])


def peak(results, key):
    return max(r[1] for r in results[key])


def machine():
    model = "unknown"
    for line in Path("/proc/cpuinfo").read_text().splitlines():
        if line.startswith("model name"):
            model = line.split(":", 1)[1].strip()
            break
    mem = Path("/proc/meminfo").read_text().split("\n")[0].split()[1]
    versions = []
    for args in ([WINE64, "--version"], ["zip", "-v"], ["7z"]):
        try:
            out = subprocess.run(args, capture_output=True, text=True).stdout
            versions.append(next((line.strip() for line in out.splitlines() if line.strip()), "?"))
        except OSError:
            versions.append("?")
    return (f"{os.cpu_count()} cores ({model}), {int(mem) // 1024} MiB memory, Linux {platform.release()}; "
            f"Wine: {versions[0]}; zip: {versions[1]}; 7-Zip: {versions[2]}")


class Sheet:
    def __init__(self, results, facts):
        self.r, self.f = results, facts
        self.lines = []
        self.targets = []

    def add(self, *lines):
        self.lines.extend(lines)

    def wall(self, set_name, rate, tool):
        return median(self.r, (set_name, rate, tool))

    def size(self, set_name, rate, tool):
        return median(self.r, (set_name, rate, tool), 2)

    def speedup(self, set_name, rate, peer, ours=OURS):
        return self.wall(set_name, rate, peer) / self.wall(set_name, rate, ours)

    def target(self, text, measured, met, before):
        self.targets.append(f"| {text} | {before} | {measured} | {'yes' if met else 'no'} |")

    def compare(self, set_name, amount, rate, tools, ours=OURS):
        self.add("| Rate | Tool | Median wall (s) | Output (bytes) | Throughput (MB/s) | Peak memory (MiB) | "
                 f"{ours} speed-up | {ours} size ratio |", "|---|---|---|---|---|---|---|---|")
        for tool in tools:
            key = (set_name, rate, tool)
            speed = "" if tool == ours else f"{self.speedup(set_name, rate, tool, ours):.2f}x"
            ratio = "" if tool == ours else f"{self.size(set_name, rate, ours) / self.size(set_name, rate, tool) * 100:.1f}%"
            self.add(f"| {rate} | {tool} | {self.wall(set_name, rate, tool):.2f} | {self.size(set_name, rate, tool):.0f} | "
                     f"{amount / self.wall(set_name, rate, tool) / 1e6:.1f} | {peak(self.r, key) / 1024:.1f} | "
                     f"{speed} | {ratio} |")


def render(results, f):
    s = Sheet(results, f)
    total = f["total"]
    s.add("# Benchmark: lspzip and doZip against zip and 7-Zip", "",
          f"Machine: {machine()}.", "",
          f"Median of {f['runs']} runs per tool, runs alternating between the tools, after one untimed read of "
          "each input and with the disk's write-back done before each run; load average "
          f"{f['load_before']} before and {f['load_after']} after ({f['minutes']:.0f} minutes). Throughput is input "
          "bytes over wall time (1 MB = 10^6 bytes); peak memory is the maximum resident set of the process as "
          "/usr/bin/time -v reports it (for the tools under Wine, the Wine process). lspzip and doZip use two "
          "worker threads here, one per processor.", "",
          "zip and 7z run natively; the rows marked (Wine) are the same kinds of tool built for Windows x64 from "
          "Debian's source packages (bench/windows_peers.sh) and run under the same Wine as lspzip: "
          + "; ".join(f"{name}: {version}" for name, version in f["windows_peers"].items()) + ".", "",
          f"## The corpus: {f['files']} files, {total / 1e6:.1f} MB", "",
          f"Text from /usr/include ({f['text_files']} files, {f['text_total'] / 1e6:.1f} MB), libraries from "
          "/usr/lib, and .gz files from /usr/share/doc.", "")
    for rate in (1, 5, 9):
        s.compare("corpus", total, rate, [OURS, ZIP.name, SEVENZIP.name] + (ON_WINE if rate == 5 else []))
        s.add("")
    s.add("Through the component: the same corpus zipped by doZip, called by a page on a running site "
          "(`asphost serve`, bench/dozip.asp): the request, the page's script, the COM object and a new download "
          "folder included. Its peak memory is the server's.", "")
    s.compare("corpus", total, 5, [DOZIP.name, ZIP.name], ours=DOZIP.name)
    s.add("", f"## A site's uploads: {f['thumb_files']} files, {f['thumb_total'] / 1e6:.1f} MB", "",
          "Files of 1 to 8 KB, four in five of them compressed already (random bytes named .jpg, .png, .gz "
          "and .zip), in 64 folders.", "")
    s.compare("thumbnails", f["thumb_total"], 5, [DOZIP.name, OURS, ZIP.name, *ON_WINE], ours=DOZIP.name)
    uploads_floor = s.wall("thumbnails", 5, READ_2.name)
    uploads_ratio = s.wall("thumbnails", 5, DOZIP.name) / uploads_floor
    s.add("", f"In the same runs the bare read loop (bench/read_loop.cpp, two threads) listed and read the uploads "
          f"in {uploads_floor:.2f} s: doZip took {uploads_ratio:.2f}x that, lspzip "
          f"{s.wall('thumbnails', 5, OURS) / uploads_floor:.2f}x.")

    floor = min(s.wall("corpus", 0, READ_1.name), s.wall("corpus", 0, READ_2.name))
    store = s.wall("corpus", 0, OURS)
    s.add("", "## Storing only", "",
          "lspzip -0 against a bare loop that lists the corpus and opens, reads and closes every file, built with "
          "the same toolchain (bench/read_loop.cpp).", "",
          "| Program | Median wall (s) |", "|---|---|",
          f"| lspzip -0 | {store:.2f} |", f"| read loop, 1 thread | {s.wall('corpus', 0, READ_1.name):.2f} |",
          f"| read loop, 2 threads | {s.wall('corpus', 0, READ_2.name):.2f} |")

    share = {}
    s.add("", "## One large compressible file against zlib", "",
          f"The text of the corpus as one file ({f['text_total'] / 1e6:.1f} MB), against raw deflate of it in "
          "memory on one core with Python's zlib. Twice zlib's throughput is the mark for two cores.", "",
          "| Rate | zlib, one core (MB/s) | lspzip (MB/s) | lspzip / (2 x zlib) |", "|---|---|---|---|")
    for rate in (1, 5, 9):
        ours = f["text_total"] / s.wall("joined", rate, OURS) / 1e6
        share[rate] = ours / (2 * f["zlib"][rate])
        s.add(f"| {rate} | {f['zlib'][rate]:.1f} | {ours:.1f} | {share[rate] * 100:.0f}% |")

    scaling = [k for k in results if k[0].startswith(("count ", "size "))]
    if scaling:
        s.add("", "## How cost grows", "", "Rate 5; the plot is bench/scaling.png. The Windows peers and the read "
              "loop run on the small files only, zip.exe (Wine) up to 10,000 of them.", "",
              "| Input | lspzip (s) | zip (s) | lspzip speed-up | read loop (s) | "
              + " | ".join(f"{name} (s)" for name in ON_WINE) + " |", "|---|---|---|---|---|" + "---|" * len(ON_WINE))
        for name in sorted({k[0] for k in scaling}, key=lambda n: (n.split()[0], int(n.split()[1]))):
            others = [f"{s.wall(name, 5, tool):.2f}" if (name, 5, tool) in results else ""
                      for tool in [READ_2.name, *ON_WINE]]
            s.add(f"| {describe(name)} | {s.wall(name, 5, OURS):.2f} | {s.wall(name, 5, ZIP.name):.2f} | "
                  f"{s.speedup(name, 5, ZIP.name):.2f}x | " + " | ".join(others) + " |")

    corpus_peak = max(r[1] for k, v in results.items() if k[2] == OURS and k[0] == "corpus" for r in v)
    size5 = s.size("corpus", 5, OURS) / s.size("corpus", 5, ZIP.name)
    s.target("rate 5, corpus: 2.5x the throughput of zip -5", f"{s.speedup('corpus', 5, ZIP.name):.2f}x",
             s.speedup("corpus", 5, ZIP.name) >= 2.5, "1.43x")
    s.target("rate 5, corpus: output at most 101% of zip -5", f"{size5 * 100:.1f}%", size5 <= 1.01, "99.3%")
    s.target("rate 5, uploads through doZip: 2.5x zip -5",
             f"{s.speedup('thumbnails', 5, ZIP.name, DOZIP.name):.2f}x",
             s.speedup("thumbnails", 5, ZIP.name, DOZIP.name) >= 2.5, "1.52x")
    s.target("rate 5: 3.5x 7z -mx=5 -mmt=2", f"{s.speedup('corpus', 5, SEVENZIP.name):.2f}x",
             s.speedup("corpus", 5, SEVENZIP.name) >= 3.5, "2.93x")
    s.target("rate 1: 2x zip -1", f"{s.speedup('corpus', 1, ZIP.name):.2f}x", s.speedup("corpus", 1, ZIP.name) >= 2,
             "not measured")
    for rate, before in zip((1, 5, 9), ("78%", "82%", "94%")):
        s.target(f"one large file, rate {rate}: 90% of twice zlib", f"{share[rate] * 100:.0f}%", share[rate] >= 0.9,
                 before)
    s.target("many small files (the uploads): doZip within 1.1x of the read loop", f"{uploads_ratio:.2f}x",
             uploads_ratio <= 1.1, "1.2x-1.4x")
    s.target("rate 5, corpus: at least the best peer under Wine",
             f"{min(s.speedup('corpus', 5, tool) for tool in ON_WINE):.2f}x",
             min(s.speedup("corpus", 5, tool) for tool in ON_WINE) >= 1, "not measured")
    s.target("store only: within 1.5x of the read loop", f"{store / floor:.2f}x", store / floor <= 1.5, "about 2-3x")
    s.target("peak memory under 64 MiB, corpus", f"{corpus_peak / 1024:.1f} MiB", corpus_peak < 64 * 1024,
             "35.9 MiB")
    s.target("peak memory under 64 MiB, one 4 GiB file", f"{f['large_peak'] / 1024:.1f} MiB",
             f["large_peak"] < 64 * 1024, "24.6 MiB")
    s.add("", "## Targets", "", "| Target | Before | Measured | Met |", "|---|---|---|---|", *s.targets)
    notes = Path(__file__).with_name("NOTES.md")
    if notes.exists():
        s.add("", notes.read_text().rstrip())
    return "\n".join(s.lines) + "\n"


def describe(name):
    kind, amount = name.split()
    amount = int(amount)
    if kind == "count":
        return f"{amount:,} small files"
    return f"one file of {amount / 1e6:,.0f} MB"


def plot(results, png):
    """Time against file count (lspzip, zip, the read loop and the Windows
    peers) and against size (lspzip and zip), with gnuplot."""
    count_tools = [OURS, ZIP.name, READ_2.name, *ON_WINE]
    size_tools = [OURS, ZIP.name]
    titles = {OURS: "lspzip (Wine)", ZIP.name: "zip -5", READ_2.name: "read loop (Wine)"}
    with tempfile.TemporaryDirectory() as tmp:
        data = {}
        for kind, tools in (("count", count_tools), ("size", size_tools)):
            path = Path(tmp) / f"{kind}.dat"
            rows = sorted({int(k[0].split()[1]) for k in results if k[0].startswith(kind + " ")})
            with open(path, "w") as out:
                for amount in rows:
                    name = f"{kind} {amount}"
                    x = amount if kind == "count" else amount / 1e6
                    values = [f"{median(results, (name, 5, tool))}" if (name, 5, tool) in results else "NaN"
                              for tool in tools]
                    out.write(f"{x} {' '.join(values)}\n")
            data[kind] = path

        def lines(kind, tools):
            return ", ".join(f'"{data[kind]}" using 1:{i + 2} with linespoints lw 2 title "{titles.get(t, t)}"'
                             for i, t in enumerate(tools))
        script = f"""
set terminal pngcairo size 1200,500 font ",11"
set output "{png}"
set multiplot layout 1,2 title "Rate 5, two cores: wall time against input"
set logscale xy
set grid
set key top left
set datafile missing "NaN"
set xlabel "small files"
set ylabel "seconds"
plot {lines("count", count_tools)}
set xlabel "size of one file (MB)"
plot {lines("size", size_tools)}
unset multiplot
"""
        subprocess.run(["gnuplot"], input=script, text=True, check=True)
