"""Fuzzing of everything that parses outside input, and the zip writer as a
round trip.

Natively, with libFuzzer: the source list parser, the HTML escaper, asphost's
request reading (head, length, percent-decoding, path check), its page
parser and its reading of a folder's web.config. Each runs its corpus
(corpus/<target>: seeds and the inputs that once found faults) and then a
bounded number of new inputs from a seed that is printed; --long runs each
for minutes.

Under Wine, seeded random drivers: random trees zipped by lspzip at random
rates, with and without a password, in both architectures, extracted by
7-Zip and compared byte for byte; and random source lists (quotes, pipes,
wildcards, blanks, traversal, device names) that must give a library code,
never a crash, and never an archive holding a file from outside the tree.
FUZZ_SEED=N repeats a run."""

import concurrent.futures
import os
import random
import shutil
import subprocess
import time
import zipfile
from pathlib import Path

from harness import ROOT, win_path
from zipcheck import verify_zip

HERE = Path(__file__).resolve().parent
TARGETS = {
    "source_list": ["common/source_list.cpp"],
    "html_escape": ["common/html_escape.cpp"],
    "http_request": ["asphost/web/http_request.cpp", "asphost/web/percent_encoding.cpp",
                     "asphost/paths/virtual_path.cpp", "common/file_names.cpp"],
    "page_parser": ["asphost/page/page_parser.cpp", "asphost/paths/virtual_path.cpp", "common/file_names.cpp"],
    "web_config": ["asphost/config/web_config.cpp", "asphost/config/xml_document.cpp"],
}
# The library's codes: anything else from lspzip is a crash.
LIBRARY_CODES = {0, 151, 152, 153, 158, 159, 162, 163, 167, 169, 178, 182, 183, 184, 189}


def build_target(h, name):
    """The fuzzer binary, rebuilt when a source is newer. None when clang
    cannot build it (recorded)."""
    out = h.build_root / "fuzz" / name
    sources = [HERE / "targets" / f"{name}.cpp"] + [ROOT / s for s in TARGETS[name]]
    headers = [p for s in TARGETS[name] for p in (ROOT / s).parent.glob("*.h")]
    if out.exists() and all(p.stat().st_mtime < out.stat().st_mtime for p in sources + headers):
        return out
    out.parent.mkdir(parents=True, exist_ok=True)
    result = subprocess.run(["clang++", "-std=c++20", "-O1", "-g", "-fsanitize=fuzzer,address,undefined",
                             "-fno-sanitize-recover=undefined", f"-I{ROOT}", f"-I{ROOT / 'asphost'}",
                             *map(str, sources), "-o", str(out)], capture_output=True, timeout=600)
    if result.returncode != 0:
        h.record(f"native {name}: builds with libFuzzer", False, result.stderr.decode(errors="replace")[-2000:])
        return None
    return out


def native(h, seed):
    # Two at a time: clang with the sanitizers takes most of this area's time.
    with concurrent.futures.ThreadPoolExecutor(2) as pool:
        binaries = dict(zip(TARGETS, pool.map(lambda name: build_target(h, name), TARGETS)))
    for name, binary in binaries.items():
        if binary is None:
            continue
        work = h.scratch("fuzz", "native", name)
        corpus = work / "corpus"
        shutil.copytree(HERE / "corpus" / name, corpus)
        budget = ["-max_total_time=300"] if h.long else ["-runs=50000"]
        started = time.monotonic()
        result = subprocess.run([str(binary), f"-seed={seed}", "-max_len=4096", "-timeout=10", "-rss_limit_mb=4096",
                                 f"-artifact_prefix={work}/", *budget, str(corpus)],
                                capture_output=True, timeout=900)
        log = result.stderr.decode(errors="replace")
        runs = next((line.split()[1] for line in log.splitlines() if line.startswith("Done ")), "?")
        print(f"fuzz: native {name}: {runs} runs in {time.monotonic() - started:.0f} s, seed {seed}", flush=True)
        crashes = sorted(str(p) for p in work.glob("crash-*")) + sorted(str(p) for p in work.glob("timeout-*"))
        h.record(f"native {name}: no input breaks it", result.returncode == 0 and not crashes,
                 f"seed {seed}; keep the input in tests/fuzz/corpus/{name} once fixed: {crashes}\n{log[-1500:]}")


# -- round trip under Wine ---------------------------------------------------

LETTERS = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
ODD = " &'-_()[]{}~!@#$%^+=,;" + "\u00e9\u00df\u00f8\u00fc\u0416\u0444\u03bb\u65e5\u6587"


DEVICES = {"con", "prn", "aux", "nul"} | {f"{d}{n}" for d in ("com", "lpt") for n in range(10)}


def random_name(rng, length):
    chars = [rng.choice(LETTERS if rng.random() < 0.7 else ODD) for _ in range(length)]
    # Windows drops trailing blanks and dots; a leading blank is kept.
    while chars and chars[-1] in " .":
        chars[-1] = rng.choice(LETTERS)
    name = "".join(chars) or "x"
    # No Windows program can make a file named like a device: the library
    # fails on one with 178, as it should, and a random tree has none.
    return name + "_" if name.split(".")[0].lower() in DEVICES else name


def random_content(rng):
    """Empty, small or (rarely) a few MiB; random or compressible."""
    kind = rng.random()
    if kind < 0.15:
        return b""
    size = rng.randint(1, 3 * 1024 * 1024) if kind > 0.97 else rng.randint(1, 20000)
    if rng.random() < 0.5:
        return rng.randbytes(size)
    words = [rng.randbytes(rng.randint(1, 8)) for _ in range(20)]
    block = b"".join(rng.choice(words) for _ in range(4096))
    return (block * (size // len(block) + 1))[:size]


def random_tree(rng, root, limit):
    """Up to 200 files; some folders nested until the path is near limit
    characters. Returns {stored name: bytes}."""
    files = {}
    folders = [""]
    seen = set()
    for _ in range(rng.randint(0, 200)):
        if rng.random() < 0.2:
            parent = rng.choice(folders)
            folders.append(f"{parent}{random_name(rng, rng.randint(1, 12))}/")
        folder = rng.choice(folders)
        if rng.random() < 0.05:
            # Deep: folders of long names until the full Windows path is
            # just under the limit.
            base = len(win_path(root)) + 1 + len(folder)
            while base + 40 < limit:
                part = random_name(rng, min(30, limit - base - 35))
                folder += part + "/"
                base += len(part) + 1
        name = folder + random_name(rng, rng.randint(1, 20)) + rng.choice(["", ".txt", ".bin", ".zip", ".jpg"])
        if len(win_path(root)) + 1 + len(name) >= limit or name.lower() in seen:
            continue
        seen.add(name.lower())
        path = root / name
        path.parent.mkdir(parents=True, exist_ok=True)
        files[name] = random_content(rng)
        path.write_bytes(files[name])
    return files


def round_trips(h, arch, seed, count):
    rng = random.Random(seed)
    bad = []
    for i in range(count):
        work = h.scratch("fuzz", arch, f"tree{i}")
        tree = work / "tree"
        tree.mkdir()
        files = random_tree(rng, tree, 259)
        rate = rng.randint(0, 9)
        password = random_name(rng, rng.randint(1, 16)).replace('"', "") if rng.random() < 0.4 else ""
        args = [f"-{rate}", "-r", "-q", *(["-p", password] if password else []), win_path(work / "t.zip"), win_path(tree)]
        result = h.run_exe(arch, h.bin_dir(arch) / "lspzip.exe", args, timeout=300)
        want = 167 if not files else 0
        if result.returncode != want:
            bad.append(f"tree {i} (seed {seed}): lspzip exit {result.returncode}, expected {want}: "
                       f"{result.stderr.decode(errors='replace')[-300:]}")
            continue
        if files:
            # 7-Zip extracts and every file is compared; Python's zipfile
            # would take minutes to decrypt a few MiB.
            problems = verify_zip(work / "t.zip", password, files, readers=("7z",))
            if problems:
                bad.append(f"tree {i} (seed {seed}, rate {rate}, password {password!r}): {problems[:3]}")
                continue
        shutil.rmtree(work)
    h.record(f"{arch} round trip: {count} random trees come back byte for byte", not bad, "\n".join(bad[:5]))


PIECES = ['"', "|", "*", "?", "*.*", " ", "..\\", "\\", ":", "CON", "nul.txt", "\u65e5", "a.txt", "sub\\",
          "*.txt", "\\\\?\\", "&", "'", "\t", "/", "%", ".", "~1"]


def random_lists(h, arch, seed, count):
    """Random source lists against a small tree beside a file that must
    never be zipped."""
    rng = random.Random(seed)
    work = h.scratch("fuzz", arch, "lists")
    tree = work / "tree"
    (tree / "sub").mkdir(parents=True)
    (tree / "a.txt").write_text("alpha")
    (tree / "sub" / "b.txt").write_text("bravo")
    (tree / "\u65e5.txt").write_text("sun")
    (work / "outside.txt").write_text("outside")
    bad = []
    for i in range(count):
        spec = win_path(tree) + "\\" + "".join(rng.choice(PIECES) for _ in range(rng.randint(1, 6)))
        if rng.random() < 0.3:
            spec = '"' + spec + '"|' + win_path(tree) + "\\" + rng.choice(PIECES)
        target = work / "out" / f"{i}.zip"
        target.parent.mkdir(exist_ok=True)
        args = ["-q", *(["-r"] if rng.random() < 0.5 else []), win_path(target), spec]
        result = h.run_exe(arch, h.bin_dir(arch) / "lspzip.exe", args, timeout=120)
        if result.returncode not in LIBRARY_CODES:
            bad.append(f"{spec!r}: exit {result.returncode} (seed {seed})")
        elif target.exists():
            try:
                with zipfile.ZipFile(target) as z:
                    contents = [z.read(n) for n in z.namelist()]
                # Only a list that climbs out of the tree may reach the file beside it.
                if b"outside" in contents and ".." not in spec:
                    bad.append(f"{spec!r}: zipped a file outside the tree (seed {seed})")
            except zipfile.BadZipFile as e:
                bad.append(f"{spec!r}: unreadable archive {e} (seed {seed})")
        leftover = [p.name for p in (work / "out").glob(".*.tmp")]
        if leftover:
            bad.append(f"{spec!r}: left {leftover}")
    h.record(f"{arch} random source lists: a code, never a crash, nothing from outside", not bad, "\n".join(bad[:5]))


def run(h):
    seed = int(os.environ.get("FUZZ_SEED", random.randrange(1 << 31)))
    print(f"fuzz: seed {seed} (FUZZ_SEED={seed} repeats this run)", flush=True)
    native(h, seed)
    trees = 1000 if h.long else 25
    for arch in h.arches:
        started = time.monotonic()
        round_trips(h, arch, seed, trees)
        random_lists(h, arch, seed, 400 if h.long else 20)
        print(f"fuzz: {arch}: {trees} trees and the source lists in {time.monotonic() - started:.0f} s", flush=True)
