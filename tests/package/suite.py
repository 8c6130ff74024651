"""The release package: tools/package.sh builds it, our own lspzip zips it
soundly, its SHA-256 list holds, and the administrator's chapter installs
it into a fresh Wine prefix by its own steps, after which a sample page
zips through the installed component and the chapter's uninstall steps
take it away again. A fresh prefix costs time, so this installs the x64
build only; the x86 steps differ in two paths."""

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
    files |= {"SHA256SUMS", "crateload-policy.reg"} | {f"docs/{p.name}" for p in (ROOT / "docs").glob("*.md")}
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


def install(h, base, archive, version):
    prefix = base / "prefix"
    env = {"WINEPREFIX": str(prefix)}
    started = time.monotonic()
    subprocess.run(["wineserver", "-p"], env=dict(h.env, **env), stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
    try:
        h.run([WINE64, "wineboot", "-i"], env=env, timeout=600)
        print(f"   a fresh prefix took {time.monotonic() - started:.0f} s", flush=True)
        drive = prefix / "drive_c"
        # Extracting stands for Explorer's Extract All into C:\Install.
        subprocess.run(["unzip", "-q", str(archive), "-d", str(drive / "Install")], check=True)
        package = drive / "Install" / f"crateload-{version}"
        sums = subprocess.run(["sha256sum", "-c", "--quiet", "SHA256SUMS"], cwd=package, capture_output=True)
        h.record("every file of the extracted package matches SHA256SUMS", sums.returncode == 0,
                 sums.stdout.decode() + sums.stderr.decode())

        for name in ("install", "uninstall"):
            (drive / "Install" / f"{name}.bat").write_text(steps(name))
        r = h.run([WINE64, "cmd", "/c", "C:\\Install\\install.bat"], env=env)
        target = drive / "Program Files" / "Kestrelbay" / "Crateload"
        installed = sorted(os.listdir(target)) if target.exists() else []
        # cmd echoes each command; only the echo's own output starts a line.
        failed = any(line.startswith("Registration failed") for line in text(r).splitlines())
        h.record("the chapter's install steps run", r.returncode == 0 and not failed
                 and installed == sorted(BINARIES), f"{installed}\n{text(r)[-2000:]}")
        server = h.run([WINE64, "reg", "query", f"HKCR\\CLSID\\{CLSID}\\InprocServer32", "/ve"], env=env)
        h.record("the class is registered from Program Files",
                 "Program Files\\Kestrelbay\\Crateload\\kbaycl20.dll" in text(server), text(server))
        r = h.run([WINE64, str(target / "lspzip.exe"), "--version"], env=env)
        h.check_equal("the installed lspzip reports the release", text(r).strip(), f"lspzip {version}")

        # The samples as a site, asphost standing in for IIS.
        site = drive / "inetpub" / "crateload"
        shutil.copytree(package / "samples", site)
        r = h.run([WINE64, str(h.bin_dir("x64") / "asphost.exe"), "run", "--root", "C:\\inetpub\\crateload", "zip.asp",
                   "--form", "file=report.txt&file=notes.txt&password=x"], env=env)
        m = re.search(r'HREF="(/downloads/CL[^"]+)"', text(r))
        problems = verify_zip(site / m.group(1).lstrip("/"), "x",
                              {n: site / "samples" / n for n in ("report.txt", "notes.txt")}) if m else [text(r)[-2000:]]
        h.record("a sample page zips through the installed component", not problems, "\n".join(problems))

        r = h.run([WINE64, "cmd", "/c", "C:\\Install\\uninstall.bat"], env=env)
        gone = h.run([WINE64, "reg", "query", f"HKCR\\CLSID\\{CLSID}"], env=env)
        h.record("the chapter's uninstall steps take it away",
                 r.returncode == 0 and gone.returncode != 0 and not target.exists(), text(r)[-2000:])
    finally:
        subprocess.run(["wineserver", "-k"], env=dict(h.env, **env), stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
        shutil.rmtree(prefix, ignore_errors=True)


def run(h):
    if "x64" not in h.arches:
        return
    base = h.scratch("package")
    archive, version = build_package(h, base)
    if archive:
        install(h, base, archive, version)
