"""VBScript tests run by the system's cscript against the registered
component, in both architectures.

Each tests/script/*.vbs runs with lib/harness.vbs in front of it, in a fresh
scratch folder. It prints "ok NAME" or "not ok NAME # DETAIL" per case,
"verify-zip ..." for archives to check with outside tools, and "done" at its
end; a script that stops early (Wine's cscript prints no script errors) is a
failure. An optional NAME.py beside a script may define prepare(h, arch,
scratch) and verify(h, arch, scratch, output).
"""

import importlib.util
import os
import random
import subprocess
import threading
import time
import urllib.parse
from pathlib import Path

from harness import text, unix_path, win_path
from zipcheck import verify_zip, zip_names

HERE = Path(__file__).resolve().parent
POLICY_KEY = "HKLM\\SOFTWARE\\Kestrelbay"


def clear_policy(h):
    for view in ("/reg:64", "/reg:32"):
        h.reg("x64", "delete", POLICY_KEY, "/f", view)


def companion(script):
    path = script.with_suffix(".py")
    if not path.exists():
        return None
    spec = importlib.util.spec_from_file_location(f"companion_{script.stem}", path)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def run_script(h, arch, script):
    scratch = h.scratch("script", arch, script.stem)
    combined = scratch.parent / f"{script.stem}.vbs"
    combined.write_text((HERE / "lib" / "harness.vbs").read_text() + "\n" + script.read_text())
    helper = companion(script)
    if helper and hasattr(helper, "prepare"):
        helper.prepare(h, arch, scratch)
    clear_policy(h)
    try:
        result = h.run(h.system_tool(arch, "cscript.exe") + ["//nologo", win_path(combined), win_path(scratch), arch],
                       timeout=900)
    finally:
        clear_policy(h)
    out = text(result)
    record_output(h, arch, script.stem, out)
    if helper and hasattr(helper, "verify"):
        helper.verify(h, arch, scratch, out)


def record_output(h, arch, label, out):
    """Records the cases a test script printed."""
    done = False
    for line in out.splitlines():
        if line.startswith("ok "):
            h.record(f"{arch} {label}: {line[3:]}", True)
        elif line.startswith("not ok "):
            name, _, detail = line[7:].partition(" # ")
            h.record(f"{arch} {label}: {name}", False, detail)
        elif line.startswith("verify-zip\t"):
            _, name, zip_path, password, entries = (line.split("\t") + [""] * 5)[:5]
            expected = {}
            for item in filter(None, entries.split("|")):
                entry, _, source = item.partition("=")
                expected[entry] = unix_path(source, h.prefix)
            problems = verify_zip(unix_path(zip_path, h.prefix), password, expected)
            h.record(f"{arch} {label}: {name}", not problems, "\n".join(problems))
        elif line.startswith("zip-entries\t"):
            _, zip_path, names = line.split("\t")
            listed = zip_names(unix_path(zip_path, h.prefix))
            h.record(f"{arch} {label}: entries of {Path(zip_path.replace(chr(92), '/')).name}",
                     listed == sorted(names.split("|")), f"{listed}")
        elif line == "done":
            done = True
    h.record(f"{arch} {label}: reached its end", done,
             "the script stopped early; its last lines:\n" + "\n".join(out.splitlines()[-5:]))


def race(h, arch):
    """Two processes call doZip at the same instant: exactly one zips, the
    other is told the machine is busy, and neither archive is harmed."""
    scratch = h.scratch("script", arch, "race")
    big = scratch / "site" / "big"
    big.mkdir(parents=True)
    (scratch / "site" / "dl").mkdir()
    words = [f"word{i:05d} " for i in range(4096)]
    rng = random.Random(7)
    with open(big / "data.txt", "w") as f:
        for _ in range(4000):
            f.write("".join(rng.choice(words) for _ in range(1000)) + "\n")
    racer = scratch / "racer.vbs"
    racer.write_text((HERE / "lib" / "harness.vbs").read_text() + "\n" + (HERE / "lib" / "racer.vbs").read_text())
    go = scratch / "go"
    procs = []
    for name in ("first", "second"):
        out = open(scratch / f"{name}.out", "wb")
        procs.append((name, out, subprocess.Popen(
            h.system_tool(arch, "cscript.exe") + ["//nologo", win_path(racer), win_path(scratch), arch,
                                                 win_path(go), name],
            env=h.env, stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL)))
    time.sleep(3)
    go.write_text("go")
    results = {}
    report = []
    for name, out, proc in procs:
        try:
            proc.wait(timeout=600)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
        out.close()
        output = (scratch / f"{name}.out").read_text(errors="replace")
        report.append(f"{name}: exit {proc.returncode}, output {output[-400:]!r}")
        for line in output.splitlines():
            if line.startswith("result\t"):
                _, who, result, number, href = (line.split("\t") + [""] * 5)[:5]
                results[who] = (result, number, href)
    h.record(f"{arch} race: both racers answered", len(results) == 2, "\n".join(report))
    if len(results) != 2:
        return
    winners = [w for w, r in results.items() if r[0] == "True"]
    busy = [w for w, r in results.items() if r[0] == "False" and r[1] == "-1"]
    h.record(f"{arch} race: one zips and the other is busy", len(winners) == 1 and len(busy) == 1, str(results))
    for who in winners:
        href = results[who][2]
        archive = scratch / "site" / href.strip("/").replace("/", os.sep)
        problems = verify_zip(archive, "", {"data.txt": big / "data.txt"})
        h.record(f"{arch} race: the winner's archive is sound", not problems, "\n".join(problems))


SWAPPED_ZIPS = """
Dim i, swapCtx, swapper, n, t
For i = 1 To 5
    Set swapCtx = NewContext(gScratch & "\\site")
    Set swapper = NewComponent(swapCtx)
    swapper.sourceFileList = gScratch & "\\site\\files\\*.*"
    swapper.zipFileName = "data.zip"
    swapper.virtualTargetRoot = "/dl"
    WScript.Echo "swapped" & vbTab & swapper.doZip(n, t) & vbTab & n
Next
Done
"""


def swap_race(h, arch):
    """The moment doZip's new download folder appears, it is moved aside and
    a link to another folder put in its place: the archive never lands in
    the link's target, whoever wins the race."""
    scratch = h.scratch("script", arch, "swap")
    (scratch / "site" / "files").mkdir(parents=True)
    (scratch / "site" / "files" / "a.txt").write_text("alpha")
    dl = scratch / "site" / "dl"
    dl.mkdir()
    victim = scratch / "victim"
    victim.mkdir()
    (victim / "data.zip").write_text("the victim's own file")
    script = scratch / "swap.vbs"
    script.write_text((HERE / "lib" / "harness.vbs").read_text() + "\n" + SWAPPED_ZIPS)
    stop = threading.Event()
    swapped = []

    def swapper():
        while not stop.is_set():
            for entry in os.scandir(dl):
                if entry.name.startswith("CL") and not entry.is_symlink() and not entry.name.endswith("-real"):
                    try:
                        os.rename(entry.path, entry.path + "-real")
                        os.symlink(victim, entry.path)
                        swapped.append(entry.name)
                    except OSError:
                        pass

    thread = threading.Thread(target=swapper, daemon=True)
    thread.start()
    try:
        out = text(h.run(h.system_tool(arch, "cscript.exe") + ["//nologo", win_path(script), win_path(scratch), arch],
                         timeout=300))
    finally:
        stop.set()
        thread.join()
    answers = [line.split("\t")[1:] for line in out.splitlines() if line.startswith("swapped\t")]
    h.record(f"{arch} swapped download folder: every call answered", len(answers) == 5 and "done" in out, out[-800:])
    h.record(f"{arch} swapped download folder: folders were swapped", len(swapped) >= 1, str(swapped))
    left = sorted(p.name for p in victim.iterdir())
    h.record(f"{arch} swapped download folder: nothing lands in the link's target",
             left == ["data.zip"] and (victim / "data.zip").read_bytes() == b"the victim's own file",
             f"{left} {answers}")


# Stands in for cscript's WScript object when a test script runs as a page.
PAGE_PROLOGUE = """<%@ LANGUAGE="VBScript" %>
<%
Option Explicit
Class PageScriptHost
    Private args
    Public Sub Init(values)
        args = values
    End Sub
    Public Function Arguments(i)
        Arguments = args(i)
    End Function
    Public Sub Echo(line)
        Response.Write line & vbLf
    End Sub
End Class
Dim WScript
Set WScript = New PageScriptHost
WScript.Init Array(Request.QueryString("scratch").Item, Request.QueryString("arch").Item)
"""


def run_as_page(h, arch, script):
    """The same test script, run again as a real .asp page by asphost: the
    page's own engine, objects and threading instead of cscript's."""
    scratch = h.scratch("script-page", arch, script.stem)
    site = scratch.parent / f"{script.stem}-site"
    site.mkdir(exist_ok=True)
    harness_text = (HERE / "lib" / "harness.vbs").read_text().replace("Option Explicit\n", "", 1)
    (site / "test.asp").write_text(PAGE_PROLOGUE + harness_text + "\n" + script.read_text() + "\n%>\n")
    helper = companion(script)
    if helper and hasattr(helper, "prepare"):
        helper.prepare(h, arch, scratch)
    clear_policy(h)
    query = urllib.parse.urlencode({"scratch": win_path(scratch), "arch": arch})
    try:
        result = h.run_exe(arch, h.bin_dir(arch) / "asphost.exe", ["run", "--root", win_path(site), "test.asp", "--query", query],
                           timeout=900)
    finally:
        clear_policy(h)
    out = text(result)
    if result.returncode != 0:
        out += "\nnot ok page ran without a script error # " + result.stderr.decode("utf-8", "replace")
    record_output(h, arch, f"page {script.stem}", out)
    if helper and hasattr(helper, "verify"):
        helper.verify(h, arch, scratch, out)


def run(h):
    h.register_component()
    for arch in h.arches:
        for script in sorted(HERE.glob("*.vbs")):
            run_script(h, arch, script)
            run_as_page(h, arch, script)
        race(h, arch)
        swap_race(h, arch)
