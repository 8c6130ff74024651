"""Test harness: runs the suites of every test area under Wine and counts.

Each area of tests/ that has a suite.py takes part. Its run(h) function gets a
Harness and reports each case through h.record(). Everything Windows runs in
the private prefix of the build tree, with one wineserver kept alive for the
whole run.
"""

import errno
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
WINE64 = "/usr/lib/wine/wine64"
WINE32 = "/usr/lib/wine/wine"
ARCHES = ("x64", "x86")


def unrunnable_reason(arch):
    """Why this machine cannot run the programs of arch, or None when it
    can. The x86 builds run under Wine's 32-bit loader, a 32-bit Linux
    program, which a kernel without 32-bit execution refuses."""
    if arch == "x64":
        return None
    try:
        subprocess.run([WINE32, "--version"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)
    except OSError as e:
        if e.errno == errno.ENOEXEC:
            return "this machine's kernel does not execute 32-bit programs, so Wine's 32-bit loader cannot start"
        return f"Wine's 32-bit loader cannot start: {e}"
    return None


def win_path(path):
    """The Wine (Z:) path of a Linux path."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


class Harness:
    def __init__(self, build_root, arches, selection=None, verbose=False, long=False):
        self.build_root = Path(build_root).resolve()
        # The architectures this machine can run, and why any other is not
        # run; the summary says so, so that a run without them is never
        # taken for a full one.
        self.unrunnable = {a: r for a in ARCHES if (r := unrunnable_reason(a))}
        self.runnable_arches = tuple(a for a in ARCHES if a not in self.unrunnable)
        self.arches = tuple(a for a in arches if a not in self.unrunnable)
        self.selection = selection
        self.verbose = verbose
        # The full-length soak, round trips and fuzzing instead of their
        # short forms.
        self.long = long
        self.prefix = self.build_root / "wineprefix"
        self.work_root = self.build_root / "testwork"
        self.passed = 0
        self.failed = []
        self.env = dict(os.environ, WINEPREFIX=str(self.prefix), WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")
        self.area = ""

    # -- reporting -------------------------------------------------------

    def record(self, name, ok, detail=""):
        full = f"{self.area}: {name}" if self.area else name
        if ok:
            self.passed += 1
            if self.verbose:
                print(f"ok {full}")
        else:
            self.failed.append(full)
            print(f"FAIL {full}" + (f"\n    {detail}".replace("\n", "\n    ") if detail else ""))
        sys.stdout.flush()

    def check_equal(self, name, actual, expected):
        self.record(name, actual == expected, f"expected {expected!r}, got {actual!r}")

    # -- paths -----------------------------------------------------------

    def bin_dir(self, arch):
        return self.build_root / arch / "bin"

    def drive_c(self):
        return self.prefix / "drive_c"

    def scratch(self, *parts):
        """A fresh, empty directory for one case."""
        path = self.work_root.joinpath(*parts)
        if path.exists():
            shutil.rmtree(path)
        path.mkdir(parents=True)
        return path

    # -- Wine ------------------------------------------------------------

    def loader(self, arch):
        return WINE64 if arch == "x64" else WINE32

    def system_tool(self, arch, name):
        """A Windows tool of the prefix for the given architecture."""
        if arch == "x64":
            return [WINE64, name]
        return [WINE32, f"C:\\windows\\syswow64\\{name}"]

    def run(self, args, timeout=600, cwd=None, env=None, input=None):
        """Runs a command with the Wine environment; returns CompletedProcess.

        Output goes through temporary files, not pipes: a Wine service that
        the command starts inherits its handles and outlives it, and would
        keep a pipe open long after the command itself has finished.
        """
        merged = dict(self.env, **(env or {}))
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            stdin = subprocess.PIPE if input is not None else subprocess.DEVNULL
            process = subprocess.Popen(args, cwd=cwd, env=merged, stdin=stdin, stdout=out, stderr=err)
            try:
                if input is not None:
                    process.stdin.write(input)
                    process.stdin.close()
                code = process.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
                code = -999
            out.seek(0)
            err.seek(0)
            stdout, stderr = out.read(), err.read()
        if code == -999:
            stderr += b"\n[timeout]"
        return subprocess.CompletedProcess(args, code, stdout, stderr)

    def run_exe(self, arch, exe, args=(), **kw):
        return self.run([self.loader(arch), str(exe), *map(str, args)], **kw)

    def reg(self, arch, *args):
        return self.run(self.system_tool(arch, "reg.exe") + list(args))

    def start_wine(self):
        self.prefix.mkdir(parents=True, exist_ok=True)
        # A persistent server makes each process start in a fraction of a
        # second. Its output goes nowhere: a server left holding our pipes
        # would keep the caller waiting.
        subprocess.run(["wineserver", "-p"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL, timeout=60)
        if not (self.prefix / "system.reg").exists():
            print("creating the Wine prefix", flush=True)
            subprocess.run([WINE64, "wineboot", "-i"], env=self.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=600)
        else:
            # The first program of a new server starts the prefix's services,
            # which inherit its output. Started here, they hold nothing of a
            # test's; started by a test, they would keep its pipes open and
            # the test waiting for ever.
            subprocess.run([WINE64, "cmd", "/c", "exit"], env=self.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL, timeout=600)

    def stop_wine(self):
        subprocess.run(["wineserver", "-k"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=120)

    def run_gtest(self, arch, exe, timeout=600, args=(), env=None):
        """Runs a googletest executable once and records each of its tests."""
        result = self.run_exe(arch, exe, ["--gtest_brief=0", *args], timeout=timeout, cwd=str(exe.parent), env=env)
        out = text(result)
        seen = 0
        for line in out.splitlines():
            if line.startswith("[       OK ] "):
                seen += 1
                self.record(f"{arch} {line[13:].split(' (')[0]}", True)
            elif line.startswith("[  FAILED  ] ") and "(" in line:
                seen += 1
                name = line[13:].split(" (")[0]
                self.record(f"{arch} {name}", False, failure_text(out, name))
        if result.returncode != 0 and not any(f.startswith(f"{self.area}: {arch} ") for f in self.failed):
            self.record(f"{arch} {exe.name} exit", False, f"exit code {result.returncode}\n{out[-3000:]}")
        if seen == 0:
            self.record(f"{arch} {exe.name} ran", False, out[-3000:] + text_err(result))

    # -- registration ----------------------------------------------------

    def regsvr32(self, arch, dll, unregister=False):
        args = self.system_tool(arch, "regsvr32.exe") + (["/u"] if unregister else []) + ["/s", win_path(dll)]
        return self.run(args).returncode

    def register_component(self):
        for arch in self.arches:
            rc = self.regsvr32(arch, self.bin_dir(arch) / "kbaycl20.dll")
            if rc != 0:
                raise SystemExit(f"regsvr32 of the {arch} component failed ({rc})")


def resident_kib(pid):
    """A process's resident memory in KiB, as Linux sees the Wine process;
    None once it has gone."""
    try:
        with open(f"/proc/{pid}/status") as status:
            for line in status:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return None


def unix_path(path, prefix):
    """The Linux path of a Wine path on Z: or C:."""
    drive, rest = path[0].upper(), path[2:].replace("\\", "/")
    if drive == "Z":
        return Path(rest)
    if drive == "C":
        return Path(prefix) / "drive_c" / rest.lstrip("/")
    raise ValueError(f"no Linux path for {path}")


def failure_text(out, name):
    """The output of one failed googletest case."""
    start = out.find(f"[ RUN      ] {name}")
    end = out.find(f"[  FAILED  ] {name}", start)
    return out[start:end].strip() if start >= 0 else ""


def text_err(completed):
    return completed.stderr.decode("utf-8", "replace")[-2000:] if completed.stderr else ""


def text(completed):
    out = completed.stdout.decode("utf-8", "replace") if isinstance(completed.stdout, bytes) else completed.stdout
    return out.replace("\r\n", "\n")
