"""Faults from outside the component: a disk that fills, a library that is
missing or broken, and clean-ups running while zips write, in one process
and across two servers sharing one download folder."""

import importlib.util
import os
import shutil
import subprocess
import threading
from pathlib import Path

from harness import ROOT, text, text_err, win_path
from http_load import drive
from served_site import ServedSite

HERE = Path(__file__).resolve().parent
SCRIPT_LIB = ROOT / "tests" / "script" / "lib" / "harness.vbs"
LOG_KEY = r"HKLM\SOFTWARE\Kestrelbay\Crateload\LogFile"


def script_suite():
    spec = importlib.util.spec_from_file_location("script_suite_for_faults", ROOT / "tests" / "script" / "suite.py")
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def run_vbs(h, arch, script, scratch, label, env=None):
    """Runs a test script with the shared script harness and records its cases."""
    combined = scratch / f"{script.stem}.vbs"
    combined.write_text(SCRIPT_LIB.read_text() + "\n" + script.read_text())
    result = h.run(h.system_tool(arch, "cscript.exe") + ["//nologo", win_path(combined), win_path(scratch), arch],
                   timeout=300, env=env)
    script_suite().record_output(h, arch, label, text(result))


def broken_library(h, arch):
    """A copy of the component registered in a folder of its own, beside no
    library, the library of the other architecture (status 50, and the log
    gives the system's reason 193 for the library beside it, not the search's
    126 that follows) or a library without LSZIP_EXECUTE (status 50, and the
    process lives on), or one that faults in it, on the calling thread or on
    a worker: then nothing is caught, the log gets one line naming the
    library, and the process ends."""
    doubles = h.build_root / arch / "doubles"
    other = h.bin_dir("x86" if arch == "x64" else "x64") / "lspzipx.dll"
    cases = [("no library", None, {}),
             ("library of the other architecture", other, {}),
             ("library without its execute call", doubles / "partial" / "lspzipx.dll", {}),
             ("library faulting in execute", doubles / "full" / "lspzipx.dll", {"LSZIP_DOUBLE_CRASH": "1"}),
             ("wide library faulting on a worker thread", doubles / "wide" / "lspzipx.dll", {"LSZIP_DOUBLE_CRASH": "2"})]
    try:
        for label, library, env in cases:
            scratch = h.scratch("faults", arch, label.replace(" ", "-"))
            folder = scratch / "component"
            folder.mkdir()
            shutil.copy(h.bin_dir(arch) / "kbaycl20.dll", folder)
            if library and not library.exists():
                h.record(f"{arch} {label}: {library} is built", False, "build both architectures (tools/build.sh)")
                continue
            if library:
                shutil.copy(library, folder)
            if h.regsvr32(arch, folder / "kbaycl20.dll") != 0:
                h.record(f"{arch} {label}: registered", False)
                continue
            calls = scratch / "calls.log"
            env = dict(env, LSZIP_DOUBLE_LOG=win_path(calls))
            if library == other:
                logged = scratch / "crateload.log"
                h.reg(arch, "add", LOG_KEY, "/ve", "/d", win_path(logged), "/f")
                try:
                    run_vbs(h, arch, HERE / "library.vbs", scratch, label, env)
                finally:
                    h.reg(arch, "delete", LOG_KEY, "/f")
                lines = logged.read_text(errors="replace").splitlines() if logged.exists() else []
                fields = [line.split("\t") for line in lines]
                h.record(f"{arch} {label}: the log names the library beside the component and the reason 193",
                         len(fields) == 2 and all(len(f) == 8 and f[6] == win_path(folder / "lspzipx.dll")
                                                  and f[7].endswith("(193)") for f in fields), "\n".join(lines))
                report = text(h.run_exe(arch, h.bin_dir(arch) / "lspzip.exe", ["--settings"]))
                h.record(f"{arch} {label}: lspzip --settings tells why",
                         f"  its library: {win_path(folder / 'lspzipx.dll')}, version " in report
                         and f", {other.parent.parent.name}: not the component's architecture, so it cannot load (193)"
                         in report, report)
                continue
            if "LSZIP_DOUBLE_CRASH" not in env:
                run_vbs(h, arch, HERE / "library.vbs", scratch, label, env)
                continue
            crash_log = scratch / "crateload.log"
            h.reg(arch, "add", LOG_KEY, "/ve", "/d", win_path(crash_log), "/f")
            try:
                combined = scratch / "library.vbs"
                combined.write_text(SCRIPT_LIB.read_text() + "\n" + (HERE / "library.vbs").read_text())
                result = h.run(h.system_tool(arch, "cscript.exe") + ["//nologo", win_path(combined), win_path(scratch),
                                                                     arch], timeout=300, env=dict(h.env, **env))
            finally:
                h.reg(arch, "delete", LOG_KEY, "/f")
            out = text(result)
            h.record(f"{arch} {label}: the process ends at the fault", result.returncode != 0 and "done" not in out,
                     f"exit {result.returncode}: {out[-500:]}")
            executes = [c for c in calls.read_text().split() if c.startswith("EXECUTE")] if calls.exists() else []
            h.check_equal(f"{arch} {label}: one call reached execute", len(executes), 1)
            lines = crash_log.read_text(errors="replace").splitlines() if crash_log.exists() else []
            h.record(f"{arch} {label}: one log line names the faulting library",
                     len(lines) == 1 and "Fault 0xC0000005 in lspzipx.dll" in lines[0], "\n".join(lines))
    finally:
        h.regsvr32(arch, h.bin_dir(arch) / "kbaycl20.dll")


def mounted_disk(h, arch, size="2m"):
    """A tmpfs of size mounted below the work tree and shown to Wine as drive
    T:, or None (with a recorded failure) when it cannot be mounted. The
    caller unmounts it with unmount()."""
    mount = h.work_root / f"tmpfs-{arch}"
    mount.mkdir(parents=True, exist_ok=True)
    subprocess.run(["umount", str(mount)], capture_output=True)
    result = subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={size}", "tmpfs", str(mount)], capture_output=True)
    if result.returncode != 0:
        h.record(f"{arch} disk full: a small disk can be mounted", False,
                 "mount -t tmpfs failed (the test needs root): " + result.stderr.decode(errors="replace"))
        return None
    link = h.prefix / "dosdevices" / "t:"
    if link.is_symlink() or link.exists():
        link.unlink()
    link.symlink_to(mount)
    return mount


def unmount(h, mount):
    link = h.prefix / "dosdevices" / "t:"
    if link.is_symlink():
        link.unlink()
    subprocess.run(["umount", str(mount)], capture_output=True)


def leftovers(folder):
    return sorted(str(p.relative_to(folder)) for p in folder.rglob("*") if p.is_file())


def disk_full(h, arch):
    """doZip and lspzip writing to a disk too small for the archive: the
    library's write-failure code, no archive, no temporary file, and every
    original kept although deleting them was asked for."""
    scratch = h.scratch("faults", arch, "disk-full")
    sources = scratch / "src"
    sources.mkdir()
    originals = {}
    for name in ("one.bin", "two.bin"):
        originals[name] = os.urandom(1536 * 1024)
        (sources / name).write_bytes(originals[name])
    mount = mounted_disk(h, arch)
    if mount is None:
        return
    try:
        site = mount / "site"
        (site / "dl").mkdir(parents=True)
        shutil.copy(HERE / "site_full.asp", site / "full.asp")
        spec = win_path(sources) + "\\*.bin"
        result = h.run_exe(arch, h.bin_dir(arch) / "asphost.exe",
                           ["run", "--root", "T:\\site", "full.asp", "--query", "src=" + spec.replace("\\", "%5C")])
        page = text(result)
        h.record(f"{arch} disk full: doZip reports the write failure", "<p id=result>False|182|Zipping error.</p>" in page,
                 page[-500:] + text_err(result))
        h.check_equal(f"{arch} disk full: doZip leaves an empty download folder",
                      [p.name for p in (site / "dl").rglob("*") if p.is_file()], [])
        h.record(f"{arch} disk full: doZip deletes no original",
                 all((sources / n).is_file() and (sources / n).read_bytes() == b for n, b in originals.items()))

        result = h.run_exe(arch, h.bin_dir(arch) / "lspzip.exe", ["-0", "-m", "T:\\out.zip", spec])
        h.check_equal(f"{arch} disk full: lspzip exits with the write failure", result.returncode, 182)
        h.check_equal(f"{arch} disk full: lspzip leaves nothing on the disk", leftovers(mount), ["site/full.asp"])
        h.record(f"{arch} disk full: lspzip deletes no original",
                 all((sources / n).is_file() and (sources / n).read_bytes() == b for n, b in originals.items()))
    finally:
        unmount(h, mount)


def clean_up_during_zips(h, arch):
    """Two servers of a farm share one site and its download folder: zips
    and clean-ups with days=0 run on both at once. No zip fails because a
    clean-up took its folder; no clean-up fails because the other took an
    entry first; nothing but download folders is touched."""
    root = h.scratch("faults", arch, "farm")
    for page in ("zip.asp", "clean.asp"):
        shutil.copy(HERE / "site" / page, root / page)
    (root / "files").mkdir()
    for i in range(3):
        (root / "files" / f"{i}.bin").write_bytes(os.urandom(300 * 1024))
    dl = root / "dl"
    (dl / "notes").mkdir(parents=True)
    keep = [dl / "keep.txt", dl / "notes" / "n.txt"]
    for path in keep:
        path.write_text("not a download")
    targets = ["/clean.asp" if i % 2 else "/zip.asp" for i in range(120)]
    results = {}
    counts = {"zipped": 0, "busy": 0, "removed": 0}
    lock = threading.Lock()

    def answered(target, body):
        with lock:
            if b"<p id=removed>" in body:
                counts["removed"] += int(body.split(b"<p id=removed>")[1].split(b"<")[0] or 0)
            counts["zipped"] += b"<p id=zipped>" in body
            counts["busy"] += b"<p id=busy>" in body
        if target == "/clean.asp":
            return b"<p id=removed>" in body and b"Error" not in body
        return b"<p id=zipped>" in body or b"<p id=busy>" in body

    with ServedSite(h, arch, root) as one, ServedSite(h, arch, root) as two:
        servers = [threading.Thread(target=lambda s=s: results.setdefault(s.port, drive(s, targets, 8, answered)))
                   for s in (one, two)]
        for t in servers:
            t.start()
        for t in servers:
            t.join()
        alive = one.proc.poll() is None and two.proc.poll() is None
    failures = [f for port in results for f in results[port]]
    print(f"faults: {arch} farm: {counts['zipped']} zipped, {counts['busy']} busy, {counts['removed']} folders "
          "removed", flush=True)
    h.record(f"{arch} farm: both servers stay up", alive)
    h.record(f"{arch} farm: 240 zips and clean-ups all succeed or are busy", len(results) == 2 and not failures,
             f"{len(failures)} failed, the first: " + "\n".join(failures[:5]))
    h.record(f"{arch} farm: nothing but download folders is touched", all(p.is_file() for p in keep))
    h.check_equal(f"{arch} farm: no temporary archive is left", [p.name for p in dl.rglob("*.tmp")], [])


def run(h):
    h.register_component()
    for arch in h.arches:
        broken_library(h, arch)
        disk_full(h, arch)
        clean_up_during_zips(h, arch)
