"""The component for weeks in a web server's worker process, compressed.

Under load: pages that create the object, list files and zip, from eight
clients at once, both on a pool of long-lived apartments (as IIS runs pages)
and on an apartment per request; the server answers every request and its
resident memory stays flat. One script process creates and releases objects
in a loop, with the same bound.

The soak: one `asphost serve` process takes 1,000 requests (10,000 with --long) from eight
clients, mixing zips with and without a password and with recursion, file
listings and clean-ups. Its handle count, private bytes and thread count
after a warm-up and at the end must stay within small margins; every zip is
a sound archive or the busy message; no busy flag and no temporary file is
left behind. A control run first sends the same requests to the same page
with a stand-in in script for the component, so that what the host and
the script engine grow by alone is printed beside the component's.

With BusyWaitSeconds set, eight clients asking for a zip at once all get
their archive: each doZip waits its turn instead of answering busy."""

import os
import random
import shutil
import subprocess
import time
from pathlib import Path

from harness import resident_kib, text, win_path
from http_load import drive
from served_site import ServedSite
from zipcheck import READERS, verify_zip

HERE = Path(__file__).resolve().parent
# Resident memory may grow this much after the warm-up (KiB): heaps settle
# in steps, but a leak of a few hundred bytes a request would pass it.
GROWTH_LIMIT_KIB = 4096
PLANS = [
    # (label, serve options, warm-up requests, measured requests, architectures)
    ("pool", (), 500, 9500, ("x64", "x86")),
    # The component's side of this pattern is the same in both; x64 alone
    # keeps the suite inside its time.
    ("apartment per request", ("--thread-per-request",), 500, 2000, ("x64",)),
]


def targets(count):
    """Mostly creating and listing, with a small zip now and then."""
    return ["/zip.asp" if i % 25 == 0 else "/list.asp" if i % 2 else "/make.asp" for i in range(count)]


def answered(target, body):
    marker = {"/make.asp": b"<p id=made>5</p>", "/list.asp": b"<p id=listed>2</p>"}.get(target)
    if marker:
        return marker in body
    return b"<p id=zipped>" in body or b"<p id=busy>" in body


def under_load(h, arch, label, options, warm, measured):
    site_root = h.scratch("soak", arch, "load", label.replace(" ", "-"))
    shutil.copytree(HERE / "pool_site", site_root, dirs_exist_ok=True)
    (site_root / "dl").mkdir()
    name = f"{arch} {label}"
    with ServedSite(h, arch, site_root, options) as site:
        failures = drive(site, targets(warm), check=answered)
        time.sleep(1)
        before = site.resident_kib()
        failures += drive(site, targets(measured), check=answered)
        time.sleep(1)
        after = site.resident_kib()
        alive = site.proc.poll() is None
        log = "".join(list(site.log)[-20:])
    print(f"soak: {name}: {warm + measured} requests, resident {before / 1024:.1f} -> {after / 1024:.1f} MiB",
          flush=True)
    h.record(f"{name}: the server stays up", alive, log)
    h.record(f"{name}: every request gets its page", not failures,
             f"{len(failures)} failed, the first: " + "\n".join(failures[:5]))
    h.record(f"{name}: memory stays flat", after - before <= GROWTH_LIMIT_KIB,
             f"resident memory grew from {before} to {after} KiB")


WAIT_KEY = "HKLM\\SOFTWARE\\Kestrelbay\\Crateload\\BusyWaitSeconds"


def waiting_zips(h, arch, clients=8):
    """Eight zips at once with a wait of 10 seconds: every one is zipped,
    none busy, and every archive is sound."""
    site_root = h.scratch("soak", arch, "busy-wait")
    shutil.copytree(HERE / "pool_site", site_root, dirs_exist_ok=True)
    (site_root / "dl").mkdir()
    # Large enough that the zips overlap: a few tenths of a second each.
    rng = random.Random(5)
    words = [f"w{i:04d}" for i in range(2000)]
    source = site_root / "files" / "a.txt"
    source.write_text("\n".join(" ".join(rng.choice(words) for _ in range(100)) for _ in range(6000)))
    zipped, busy = [], []

    def answer(target, body):
        if b"<p id=busy>" in body:
            busy.append(target)
        start = body.find(b"<p id=zipped>")
        if start >= 0:
            zipped.append(body[start + 13:body.find(b"</p>", start)].decode())
        return start >= 0

    h.reg(arch, "add", WAIT_KEY, "/ve", "/t", "REG_DWORD", "/d", "10", "/f")
    try:
        with ServedSite(h, arch, site_root) as site:
            started = time.monotonic()
            failures = drive(site, ["/zip.asp"] * clients, clients=clients, check=answer)
            elapsed = time.monotonic() - started
    finally:
        h.reg(arch, "delete", WAIT_KEY, "/f")
    print(f"soak: {arch} busy wait: {clients} zips at once, {len(zipped)} zipped, {len(busy)} busy "
          f"in {elapsed:.1f} s", flush=True)
    h.record(f"{arch} busy wait: {clients} zips at once all get their archive", len(zipped) == clients and not busy,
             f"{len(zipped)} zipped, {len(busy)} busy; " + "\n".join(failures[:3]))
    bad = [f"{href}: {problems}" for href in zipped
           if (problems := verify_zip(site_root / href.lstrip("/"), None, {"a.txt": source}, readers=("zipfile",)))]
    h.record(f"{arch} busy wait: every archive is sound", zipped and not bad, "\n".join(bad[:3]))


def object_loop(h, arch, count=10000):
    """cscript creates and releases objects: memory after the loop is what it
    was after the warm-up."""
    scratch = h.scratch("soak", arch, "objects")
    go = scratch / "go"
    out = scratch / "out.txt"
    with open(out, "wb") as sink:
        proc = subprocess.Popen(h.system_tool(arch, "cscript.exe") + ["//nologo", win_path(HERE / "objects.vbs"),
                                                                        win_path(go), str(count)],
                                env=h.env, stdin=subprocess.DEVNULL, stdout=sink, stderr=subprocess.STDOUT)
        readings = {}
        deadline = time.time() + 600
        for phase in ("warm", "end"):
            while phase not in out.read_text(errors="replace") and proc.poll() is None and time.time() < deadline:
                time.sleep(0.05)
            readings[phase] = resident_kib(proc.pid)
            Path(f"{go}.{phase}").write_text("go")
        try:
            proc.wait(timeout=120)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
    said = out.read_text(errors="replace")
    before, after = readings.get("warm"), readings.get("end")
    print(f"soak: {arch} cscript: {count} objects, resident {before} -> {after} KiB", flush=True)
    h.record(f"{arch} cscript: the loop runs to its end", "done" in said, said[-500:])
    h.record(f"{arch} cscript: memory stays flat over {count} objects",
             before is not None and after is not None and after - before <= GROWTH_LIMIT_KIB,
             f"resident memory grew from {before} to {after} KiB")


WARM_UP = 200
# Growth allowed from the warm-up to the end: heaps settle in steps, and the
# pool's threads come and go with Wine's timer and service threads. Over the
# full run a handle lost every few hundred requests, or a kilobyte a request,
# goes past them. Private bytes are the server's committed private memory;
# under Wine the commit charge, printed beside them, also holds Wine's own
# Unix side, which grows here by about a megabyte a thousand requests while
# the process's own memory stays flat.
MARGINS = {"handles": 40, "private": 10 << 20, "threads": 4}
PASSWORD = "soak-pw"
# How much more than the control the component's pages may grow over the
# run: heaps settle in steps of their own, of up to a few megabytes (3 MiB
# over 1,000 requests, 64 KiB over 4,000, in two runs), while the control's
# private bytes do not move.
CONTROL_MARGIN = 8 << 20


def plan(count, seed, first=0, control=False):
    """Requests in a fixed random order: listings and clean-ups, and zips of
    three kinds; n numbers each request. The control plan is the same, for
    the page with a stand-in in the component's place."""
    rng = random.Random(seed)
    kinds = ["list"] * 4 + ["clean"] * 2 + ["zip", "zippw", "zipr"] * 1
    extra = "&control=1" if control else ""
    return [f"/op.asp?kind={rng.choice(kinds)}&n={first + i}{extra}" for i in range(count)]


def expected_entries(site_root, kind):
    files = site_root / "files"
    if kind == "zipr":
        return {str(p.relative_to(files)).replace("\\", "/"): p for p in files.rglob("*") if p.is_file()}
    return {p.name: p for p in files.glob("*.txt")}


class Answers:
    """Checks each answer as it comes and keeps the archives to verify."""

    def __init__(self):
        self.archives = []
        self.busy = 0

    def __call__(self, target, body):
        kind = target.split("kind=")[1].split("&")[0]
        if kind == "list":
            return b"<p id=listed>2</p>" in body
        if kind == "clean":
            # Its own old folder may still be on its way out under another
            # clean-up; the last, alone, shows that all of them went.
            return b"<p id=cleaned>" in body and b"Error" not in body
        if b"<p id=busy>" in body:
            self.busy += 1
            return True
        start = body.find(b"<p id=zipped>")
        if start < 0:
            return False
        self.archives.append((kind, body[start + 13:body.find(b"</p>", start)].decode()))
        return True


def measure(h, arch):
    """handles, private bytes, commit charge and threads of the one server
    process."""
    result = h.run_exe(arch, h.build_root / "x64" / "soak" / "procstat.exe", ["asphost.exe"])
    fields = dict(part.split("=") for part in text(result).split())
    return {name: int(fields[name]) for name in [*MARGINS, "commit"]} if result.returncode == 0 else None


def leftovers(h, site_root):
    """Busy flags and temporary archives left anywhere they could be."""
    places = [site_root / "dl", h.drive_c() / "temp", *h.drive_c().glob("users/*/Temp")]
    found = []
    for place in places:
        if place.is_dir():
            found += [str(p) for p in place.rglob("*") if p.name.endswith(".~cl") or p.name.endswith(".tmp")]
    return found


def serve_plan(h, arch, site_root, count, seed, answers, control=False):
    """One server process through the warm-up and the measured requests:
    the failures, the readings before and after, and what the server said."""
    with ServedSite(h, arch, site_root) as site:
        started = time.monotonic()
        failures = drive(site, plan(WARM_UP, seed, control=control), check=answers)
        time.sleep(1)
        before = measure(h, arch)
        failures += drive(site, plan(count, seed + 1, WARM_UP, control=control), check=answers)
        time.sleep(1)
        after = measure(h, arch)
        if not control:
            failures += drive(site, [f"/op.asp?kind=clean&n={WARM_UP + count}"], check=answers)
        elapsed = time.monotonic() - started
        alive = site.proc.poll() is None
        log = "".join(list(site.log)[-20:])
    return failures, before, after, elapsed, alive, log


def growth(before, after, field="private"):
    return after[field] - before[field] if before and after else None


def soak(h, arch, count, seed):
    site_root = h.scratch("soak", arch, "soak")
    shutil.copytree(HERE / "site", site_root, dirs_exist_ok=True)
    (site_root / "dl").mkdir()
    name = f"{arch} soak"

    # The control: the same clients and requests, the same script work, no
    # component. What it grows by is the host's and the engine's own.
    control = Answers()
    c_failures, c_before, c_after, c_elapsed, _, _ = serve_plan(h, arch, site_root, count, seed, control, True)
    print(f"soak: {arch} control: {WARM_UP + count} requests in {c_elapsed:.0f} s; start {c_before}, end {c_after}",
          flush=True)
    h.record(f"{arch} soak control: every request gets its answer", not c_failures, "\n".join(c_failures[:5]))

    answers = Answers()
    failures, before, after, elapsed, alive, log = serve_plan(h, arch, site_root, count, seed, answers)
    print(f"soak: {name}: {WARM_UP + count} requests in {elapsed:.0f} s, {len(answers.archives)} archives, "
          f"{answers.busy} busy; start {before}, end {after}", flush=True)
    mine, theirs = growth(before, after), growth(c_before, c_after)
    print(f"soak: {arch} private bytes grew by {mine} with the component, {theirs} in the control", flush=True)
    h.record(f"{name}: the component's pages grow no more than the control's, within {CONTROL_MARGIN >> 20} MiB",
             mine is not None and theirs is not None and mine - theirs <= CONTROL_MARGIN, f"{mine} vs {theirs}")
    h.record(f"{name}: the server stays up", alive, log)
    h.record(f"{name}: every request gets its answer", not failures,
             f"{len(failures)} failed, the first: " + "\n".join(failures[:5]))
    for field, margin in MARGINS.items():
        ok = before is not None and after is not None and after[field] - before[field] <= margin
        h.record(f"{name}: {field} stay within {margin} of the warm-up", ok, f"{before} -> {after}")

    bad = []
    sampled = {}
    for kind, href in answers.archives:
        path = site_root / href.lstrip("/")
        password = PASSWORD if kind == "zippw" else None
        # Every archive is read back in full; one of each kind also goes
        # through the outside tools.
        problems = verify_zip(path, password, expected_entries(site_root, kind),
                              readers=READERS if kind not in sampled else ("zipfile",))
        sampled[kind] = True
        if problems:
            bad.append(f"{href}: {problems}")
    h.record(f"{name}: every archive is sound", bool(answers.archives) and not bad,
             f"{len(answers.archives)} archives; " + "\n".join(bad[:5]))
    old = sorted(p.name for p in (site_root / "dl").glob("CL2020*"))
    h.record(f"{name}: every old download folder went", not old, "\n".join(old[:10]))
    h.record(f"{name}: no busy flag or temporary file is left", not leftovers(h, site_root),
             "\n".join(leftovers(h, site_root)[:10]))


def run(h):
    h.register_component()
    for arch in h.arches:
        for label, options, warm, measured, arches in PLANS:
            if arch in arches:
                under_load(h, arch, label, options, warm, measured)
        waiting_zips(h, arch)
        object_loop(h, arch)
    count = 10000 if h.long else int(os.environ.get("SOAK_REQUESTS", 1000))
    arches = h.arches if h.long else h.arches[:1]
    for arch in arches:
        soak(h, arch, count, seed=15)
