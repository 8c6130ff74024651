"""The programs the benchmark runs side by side, and how one run is timed."""

import http.client
import os
import re
import shutil
import subprocess
import threading
import time
import urllib.parse
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
BUILD = ROOT / "build"
WORK = BUILD / "bench"
WINE64 = "/usr/lib/wine/wine64"
ENV = dict(os.environ, WINEPREFIX=str(BUILD / "wineprefix"), WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
BIN = BUILD / "x64" / "bin"
PEERS = BUILD / "peers"  # made by bench/windows_peers.sh


def win_path(path):
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def timed(args, cwd):
    """Runs args under /usr/bin/time -v; returns (wall seconds, peak KiB,
    output). Output goes to files, not pipes: a Wine helper process that
    outlives the program would hold a pipe open and keep us waiting."""
    report = WORK / "time.txt"
    log = WORK / "run.log"
    # What the last tool wrote reaches the disk first, untimed: its write-back
    # would otherwise fall on whichever tool runs next.
    subprocess.run(["sync"], check=True)
    with open(log, "wb") as out:
        start = time.perf_counter()
        r = subprocess.run(["/usr/bin/time", "-v", "-o", str(report), *args], cwd=cwd, env=ENV,
                           stdin=subprocess.DEVNULL, stdout=out, stderr=out)
        wall = time.perf_counter() - start
    said = log.read_text(errors="replace")
    if r.returncode != 0:
        raise SystemExit(f"{args[0]} failed ({r.returncode}):\n{said[-3000:]}")
    peak = re.search(r"Maximum resident set size \(kbytes\): (\d+)", report.read_text())
    return wall, int(peak.group(1)) if peak else 0, said


class Tool:
    """A program that zips a folder (or only reads it): run() gives wall
    seconds, peak KiB and the archive's size (0 when it makes none)."""

    def __init__(self, name, command, archive=True):
        self.name = name
        self.command = command  # (rate, archive, source folder) -> argv
        self.archive = archive

    def run(self, rate, source, out):
        archive = out / f"{self.name.split()[0]}-{rate}.zip"
        archive.unlink(missing_ok=True)
        wall, peak, _ = timed(self.command(rate, archive, source), cwd=source.parent)
        size = 0
        if self.archive:
            size = archive.stat().st_size
            archive.unlink()
        return wall, peak, size


class WindowsPeer(Tool):
    """zip or 7-Zip built for Windows, run under the same Wine as lspzip, so
    that both sides pay for Wine alike."""

    def __init__(self, name, exe, arguments, version_arguments):
        super().__init__(name, lambda r, a, s: [WINE64, str(self.exe), *arguments(r, a, s)])
        self.exe = PEERS / exe
        self.version_arguments = version_arguments

    def version(self):
        """The first line of its banner that gives a version number."""
        _, _, said = timed([WINE64, str(self.exe), *self.version_arguments], cwd=WORK)
        lines = [line.strip() for line in said.splitlines() if not line.startswith("wine:")]
        return next((line.rstrip(".") for line in lines if re.search(r"\d+\.\d+", line)), "?")


class DoZip(Tool):
    """The component's doZip as a page on a running site calls it: one request
    for bench/dozip.asp to `asphost serve`, the stand-in for IIS, which runs
    for the whole benchmark as a web server's worker process does. Each run
    pays for the request, the page's script, the COM object and a new download
    folder, not for starting a script host: cscript took 0.1 s of its own and
    of Wine's desktop process on every call, which no page on a server pays."""

    def __init__(self):
        super().__init__("doZip (page)", None)
        self.site = WORK / "site"
        self.server = None
        self.port = None

    def start(self):
        shutil.rmtree(self.site, ignore_errors=True)
        self.site.mkdir(parents=True)
        shutil.copy(ROOT / "bench" / "dozip.asp", self.site)
        self.server = subprocess.Popen([WINE64, str(BIN / "asphost.exe"), "serve", "--root", win_path(self.site),
                                        "--port", "0"], env=ENV, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                       stderr=subprocess.STDOUT)
        said = []
        for line in iter(self.server.stdout.readline, b""):
            said.append(line.decode("utf-8", "replace"))
            found = re.search(r"http://127\.0\.0\.1:(\d+)", said[-1])
            if found:
                self.port = int(found.group(1))
                break
        if self.port is None:
            self.stop()
            raise SystemExit("asphost serve did not start:\n" + "".join(said))
        # It logs every request: read on, or its pipe fills and the page waits.
        threading.Thread(target=lambda: self.server.stdout.read(), daemon=True).start()
        # An untimed first call, as a site has had before: it loads the script
        # engine, the component and the library.
        first = WORK / "first-call"
        first.mkdir(parents=True, exist_ok=True)
        (first / "one.txt").write_text("one\n")
        self.run(5, first, WORK)

    def stop(self):
        if self.server and self.server.poll() is None:
            self.server.terminate()
            self.server.wait(timeout=60)
        self.server = None

    def clear_downloads(self):
        for folder in self.site.glob("CL*"):
            shutil.rmtree(folder)

    def run(self, rate, source, out):
        self.clear_downloads()
        subprocess.run(["sync"], check=True)
        # The server's peak resident set, counted from here (see proc(5)).
        Path(f"/proc/{self.server.pid}/clear_refs").write_text("5")
        query = urllib.parse.urlencode({"source": win_path(source), "rate": rate})
        start = time.perf_counter()
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=3600)
        try:
            connection.request("GET", f"/dozip.asp?{query}")
            said = connection.getresponse().read().decode("utf-8", "replace")
        finally:
            connection.close()
        wall = time.perf_counter() - start
        if "status 0 " not in said:
            raise SystemExit(f"doZip failed: {said[-2000:]}")
        status = Path(f"/proc/{self.server.pid}/status").read_text()
        peak = int(re.search(r"VmHWM:\s+(\d+)", status).group(1))
        archives = list(self.site.glob("CL*/bench.zip"))
        size = archives[0].stat().st_size
        self.clear_downloads()
        return wall, peak, size


LSPZIP = Tool("lspzip (Wine)",
              lambda r, a, s: [WINE64, str(BIN / "lspzip.exe"), "-q", "-r", f"-{r}", win_path(a), win_path(s)])
ZIP = Tool("zip -r", lambda r, a, s: ["zip", "-q", "-r", f"-{r}", str(a), s.name])
SEVENZIP = Tool("7z -mmt=2", lambda r, a, s: ["7z", "a", "-tzip", f"-mx={r}", "-mmt=2", "-bso0", "-bsp0", str(a), s.name])
# zip.exe asks for the volume's information for every file it reads; Wine
# cannot read the label of the device behind Z: and says so on standard
# error each time, into the run's log.
ZIP_WINE = WindowsPeer("zip.exe (Wine)", "zip.exe", lambda r, a, s: ["-q", "-r", f"-{r}", win_path(a), s.name],
                       ["-v"])
# -ssc: on Windows 7-Zip compares names without case and stops at two in one
# folder that differ only in case ("Duplicate filename on disk"), which a
# Linux folder under Z: can hold: the headers in the corpus do.
SEVENZIP_WINE = WindowsPeer("7za.exe -mmt=2 (Wine)", "7za.exe",
                            lambda r, a, s: ["a", "-tzip", f"-mx={r}", "-mmt=2", "-ssc", "-bso0", "-bsp0", win_path(a),
                                             s.name], [])
WINDOWS_PEERS = [ZIP_WINE, SEVENZIP_WINE]
READ_1 = Tool("read loop, 1 thread", lambda r, a, s: [WINE64, str(BIN / "read_loop.exe"), "-t", "1", win_path(s)],
              archive=False)
READ_2 = Tool("read loop, 2 threads", lambda r, a, s: [WINE64, str(BIN / "read_loop.exe"), "-t", "2", win_path(s)],
              archive=False)
DOZIP = DoZip()


def register_component():
    quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run([WINE64, "regsvr32", "/s", win_path(BIN / "kbaycl20.dll")], env=ENV, **quiet, check=True)
