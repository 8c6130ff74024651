"""The component under load, in the page host's worker process: pages that
create the object, list files and zip, from eight clients at once, both on a
pool of long-lived apartments (as IIS runs pages) and on an apartment per
request. The server must answer every request and keep its memory flat.
Then one script process creates and releases objects in a loop."""

import shutil
import subprocess
import time
from pathlib import Path

from harness import resident_kib, win_path
from http_load import drive
from served_site import ServedSite

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
    site_root = h.scratch("load", arch, label.replace(" ", "-"))
    shutil.copytree(HERE / "site", site_root, dirs_exist_ok=True)
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
    print(f"load: {name}: {warm + measured} requests, resident {before / 1024:.1f} -> {after / 1024:.1f} MiB",
          flush=True)
    h.record(f"{name}: the server stays up", alive, log)
    h.record(f"{name}: every request gets its page", not failures,
             f"{len(failures)} failed, the first: " + "\n".join(failures[:5]))
    h.record(f"{name}: memory stays flat", after - before <= GROWTH_LIMIT_KIB,
             f"resident memory grew from {before} to {after} KiB")


def object_loop(h, arch, count=10000):
    """cscript creates and releases objects: memory after the loop is what it
    was after the warm-up."""
    scratch = h.scratch("load", arch, "objects")
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
    print(f"load: {arch} cscript: {count} objects, resident {before} -> {after} KiB", flush=True)
    h.record(f"{arch} cscript: the loop runs to its end", "done" in said, said[-500:])
    h.record(f"{arch} cscript: memory stays flat over {count} objects",
             before is not None and after is not None and after - before <= GROWTH_LIMIT_KIB,
             f"resident memory grew from {before} to {after} KiB")


def run(h):
    h.register_component()
    for arch in h.arches:
        for label, options, warm, measured, arches in PLANS:
            if arch in arches:
                under_load(h, arch, label, options, warm, measured)
        object_loop(h, arch)
