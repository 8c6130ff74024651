"""The release package: tools/package.sh builds it, our own lspzip zips it
soundly and its SHA-256 list holds. In a fresh Wine prefix its install.cmd
installs both architectures, a sample page zips through each, uninstall.cmd
takes x64 away and the x86 build still zips; a changed package, a mistyped
architecture or folder fail with a message and a non-zero exit, and a
second run of either script does no harm. The chapter's steps by hand
install and uninstall too. An architecture the machine cannot run is left
out (h.arches); a fresh prefix costs about ten seconds, so the area makes
one."""

import os
import re
import shutil
import subprocess
import time

from harness import ROOT, WINE64, text
from zipcheck import verify_zip

CHAPTER = ROOT / "docs" / "ADMINISTRATION.md"
CLSID = "{185101C5-B533-4889-B37D-D83C320D43AB}"
BINARIES = ("kbaycl20.dll", "lspzip.exe", "lspzipx.dll")


def steps(name):
    """The commands of the chapter's block marked <!-- steps: name -->."""
    m = re.search(r"<!-- steps: " + name + r" -->\s*```bat\n(.*?)```", CHAPTER.read_text(), re.S)
    return m.group(1).replace("\n", "\r\n") if m else ""


def expected_contents(version):
    files = {f"{arch}/{b}" for arch in ("x64", "x86") for b in BINARIES}
    files |= {"SHA256SUMS", "crateload-policy.reg", "install.cmd", "uninstall.cmd"}
    files |= {f"docs/{p.name}" for p in (ROOT / "docs").glob("*.md")}
    for p in (ROOT / "examples").rglob("*"):
        rel = p.relative_to(ROOT / "examples").as_posix()
        if p.is_file() and p.name != ".gitignore" and rel != "crateload-policy.reg":
            files.add(f"samples/{rel}")
    return {f"crateload-{version}/{f}" for f in files}


def build_package(h, base):
    r = h.run(["bash", str(ROOT / "tools" / "package.sh"), "--build", str(h.build_root), "--no-build"], timeout=600)
    archive = next((h.build_root / "package").glob("crateload-*.zip"), None)
    h.record("tools/package.sh builds the package", r.returncode == 0 and archive is not None,
             text(r)[-1000:] + r.stderr.decode("utf-8", "replace")[-2000:])
    if archive is None:
        return None, None
    version = archive.stem.split("-", 1)[1]
    stage = h.build_root / "package" / archive.stem
    expected = {f"{archive.stem}/{p.relative_to(stage).as_posix()}": p for p in stage.rglob("*") if p.is_file()}
    h.check_equal("the package holds the binaries, samples (the download folder's web.config among them), "
                  "documents and policy file, and no test program",
                  sorted(expected), sorted(expected_contents(version)))
    h.record("the package's download folder holds its web.config",
             f"{archive.stem}/samples/downloads/web.config" in expected)
    problems = verify_zip(archive, "", expected)
    h.record("our lspzip zipped the package soundly", not problems, "\n".join(problems))
    sums = subprocess.run(["sha256sum", "-c", archive.name + ".sha256"], cwd=archive.parent, capture_output=True)
    h.record("the package's .sha256 holds", sums.returncode == 0, sums.stdout.decode() + sums.stderr.decode())
    return archive, version


# Per architecture: where install.cmd puts it without a folder, and
# reg.exe's switch for its registry view.
TARGETS = {"x64": ("Program Files", "/reg:64"), "x86": ("Program Files (x86)", "/reg:32")}


class Prefix:
    """The fresh prefix and the extracted package in it."""

    def __init__(self, h, prefix, version):
        self.h, self.prefix, self.version = h, prefix, version
        self.env = {"WINEPREFIX": str(prefix)}
        self.drive = prefix / "drive_c"
        self.package = self.drive / "Install" / f"crateload-{version}"
        self.package_win = f"C:\\Install\\crateload-{version}"

    def script(self, name, *args):
        return self.h.run([WINE64, "cmd", "/c", f"{self.package_win}\\{name}", *args], env=self.env)

    def target(self, arch):
        return self.drive / TARGETS[arch][0] / "Kestrelbay" / "Crateload"

    def target_win(self, arch):
        return f"C:\\{TARGETS[arch][0]}\\Kestrelbay\\Crateload"

    def query(self, key, arch):
        """The default value of an HKCR key in arch's view, or None."""
        r = self.h.run([WINE64, "reg", "query", f"HKCR\\{key}", "/ve", TARGETS[arch][1]], env=self.env)
        return text(r).split("REG_SZ", 1)[-1].strip() if r.returncode == 0 else None

    def server(self, arch):
        return self.query(f"CLSID\\{CLSID}\\InprocServer32", arch)

    def zips(self, arch):
        """A sample page zips through arch's component, asphost standing in
        for IIS; what went wrong, or nothing."""
        site = self.drive / "inetpub" / "crateload"
        if not site.exists():
            shutil.copytree(self.package / "samples", site)
        r = self.h.run([self.h.loader(arch), str(self.h.bin_dir(arch) / "asphost.exe"), "run", "--root",
                        "C:\\inetpub\\crateload", "zip.asp", "--form", "file=report.txt&file=notes.txt&password=x"],
                       env=self.env)
        m = re.search(r'HREF="(/downloads/CL[^"]+)"', text(r))
        if not m:
            return [text(r)[-2000:]]
        return verify_zip(site / m.group(1).lstrip("/"), "x",
                          {n: site / "samples" / n for n in ("report.txt", "notes.txt")})


def outcome(r):
    return f"exit {r.returncode}\n{text(r)[-2000:]}\n{r.stderr.decode('utf-8', 'replace')[-1000:]}"


def install(h, base, archive, version):
    prefix = base / "prefix"
    p = Prefix(h, prefix, version)
    arches = [a for a in ("x64", "x86") if a in h.arches]
    which = "both" if len(arches) == 2 else arches[0]
    started = time.monotonic()
    subprocess.run(["wineserver", "-p"], env=dict(h.env, **p.env), stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
    try:
        h.run([WINE64, "wineboot", "-i"], env=p.env, timeout=600)
        print(f"   a fresh prefix took {time.monotonic() - started:.0f} s", flush=True)
        # Extracting stands for Explorer's Extract All into C:\Install.
        subprocess.run(["unzip", "-q", str(archive), "-d", str(p.drive / "Install")], check=True)
        sums = subprocess.run(["sha256sum", "-c", "--quiet", "SHA256SUMS"], cwd=p.package, capture_output=True)
        h.record("every file of the extracted package matches SHA256SUMS", sums.returncode == 0,
                 sums.stdout.decode() + sums.stderr.decode())

        library = p.package / "x64" / "lspzipx.dll"
        released = library.read_bytes()
        library.write_bytes(released + b"\0")
        r = p.script("install.cmd", which)
        library.write_bytes(released)
        h.record("install.cmd refuses a changed package, naming the file, and installs nothing",
                 r.returncode == 1 and "is incomplete or changed" in text(r)
                 and f"{p.package_win}\\x64\\lspzipx.dll: changed" in r.stderr.decode("utf-8", "replace")
                 and not any(p.target(a).exists() for a in arches), outcome(r))

        runs = [p.script("install.cmd", which) for _ in range(2)]
        lines = [f"{a}: Crateload {version} is installed in {p.target_win(a)} and registered." for a in arches]
        for label, r in zip(("install.cmd installs", "a second install.cmd does no harm"), runs):
            h.record(f"{label} ({which})", r.returncode == 0 and all(line in text(r) for line in lines)
                     and all(sorted(os.listdir(p.target(a))) == sorted(BINARIES) for a in arches)
                     and all(p.server(a) == f"{p.target_win(a)}\\kbaycl20.dll" for a in arches), outcome(r))
        for arch in arches:
            problems = p.zips(arch)
            h.record(f"a sample page zips through the installed {arch} component", not problems, "\n".join(problems))

        mistakes = {"an architecture": (p.script("install.cmd", "x46"), 2, "usage: install.cmd"),
                    "a folder that cannot be made": (p.script("install.cmd", "x64", "R:\\Crateload"), 1,
                                                     "cannot create the folder R:\\Crateload\\x64"),
                    "the folder to uninstall": (p.script("uninstall.cmd", "x64", p.target_win("x64") + "a"), 1,
                                                f"registered from\n{p.target_win('x64')}\\kbaycl20.dll.")}
        wrong = {k: outcome(r) for k, (r, code, message) in mistakes.items()
                 if r.returncode != code or message not in text(r)}
        h.record("a mistyped architecture or folder fails with a message and a non-zero exit, changing nothing",
                 not wrong and p.server("x64") == f"{p.target_win('x64')}\\kbaycl20.dll"
                 and sorted(os.listdir(p.target("x64"))) == sorted(BINARIES), str(wrong))

        runs = [p.script("uninstall.cmd", "x64") for _ in range(2)]
        h.record("uninstall.cmd takes x64 away, and again does no harm",
                 [r.returncode for r in runs] == [0, 0] and p.server("x64") is None and not p.target("x64").exists()
                 and f"x64: Crateload is removed from {p.target_win('x64')}." in text(runs[0])
                 and "nothing to do" in text(runs[1]), outcome(runs[0]) + outcome(runs[1]))
        if "x86" in arches:
            problems = p.zips("x86")
            h.record("with x64 uninstalled, a sample page still zips through x86", not problems, "\n".join(problems))
            r = p.script("uninstall.cmd", "x86")
            h.record("uninstall.cmd takes x86 away", r.returncode == 0 and p.server("x86") is None, outcome(r))
        left = {f"{a} {what}": v for a in ("x64", "x86")
                for what, v in (("ProgID", p.query("Kestrelbay.Crateload2\\CLSID", a)), ("class", p.server(a)))
                if v is not None}
        h.record("nothing of the component stays registered, no Kestrelbay folder stays",
                 not left and not any((p.drive / TARGETS[a][0] / "Kestrelbay").exists() for a in TARGETS), str(left))

        for name in ("install", "uninstall"):
            (p.drive / "Install" / f"{name}.bat").write_text(steps(name))
        r = h.run([WINE64, "cmd", "/c", "C:\\Install\\install.bat"], env=p.env)
        # cmd echoes each command; only the echo's own output starts a line.
        failed = any(line.startswith("Install failed") for line in text(r).splitlines())
        h.record("the chapter's install steps by hand run", r.returncode == 0 and not failed
                 and f"lspzip {version}" in text(r).splitlines()
                 and p.server("x64") == f"{p.target_win('x64')}\\kbaycl20.dll", outcome(r))
        r = h.run([WINE64, "cmd", "/c", "C:\\Install\\uninstall.bat"], env=p.env)
        h.record("the chapter's uninstall steps by hand take it away",
                 r.returncode == 0 and p.server("x64") is None and not p.target("x64").exists(), outcome(r))
    finally:
        subprocess.run(["wineserver", "-k"], env=dict(h.env, **p.env), stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
        shutil.rmtree(prefix, ignore_errors=True)


def run(h):
    if "x64" not in h.arches:
        return
    base = h.scratch("package")
    archive, version = build_package(h, base)
    if archive:
        install(h, base, archive, version)
