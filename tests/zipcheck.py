"""The one archive checker of every test area. Tools we did not write read
the archive: Info-ZIP's unzip tests it, 7-Zip tests it and extracts it,
bsdtar extracts it, Python's zipfile lists and reads it, and on request
the JDK's jar extracts it. Every extracted tree is compared with the
sources: each file byte for byte, AES entries included (AE-2 stores no CRC,
so a test that only checks would pass a wrong keystream), each folder entry
as a folder, and nothing else."""

import re
import shutil
import subprocess
import tempfile
import zipfile
from pathlib import Path

AES_METHOD = 99


def source_bytes(source):
    return source if isinstance(source, bytes) else Path(source).read_bytes()


def run(args, cwd=None):
    result = subprocess.run(args, capture_output=True, timeout=900, cwd=cwd)
    return result.returncode, (result.stdout + result.stderr).decode("utf-8", "replace")


def extracted_problems(tool, out, expected):
    """What differs between the tree a tool extracted into out and expected:
    every file with its source's bytes, every folder entry (a name ending in
    "/") as a folder, and no file or folder beyond them and their parents."""
    out = Path(out)
    problems = []
    wanted_dirs = set()
    for name, source in expected.items():
        parts = name.rstrip("/").split("/")
        wanted_dirs.update("/".join(parts[:i]) for i in range(1, len(parts)))
        got = out / name
        if name.endswith("/"):
            wanted_dirs.add(name.rstrip("/"))
            if not got.is_dir():
                problems.append(f"{tool} made no folder {name}")
        elif not got.is_file() or got.read_bytes() != source_bytes(source):
            problems.append(f"{tool} gives {name} other than its source")
    for item in out.rglob("*"):
        rel = item.relative_to(out).as_posix()
        if (item.is_dir() and rel not in wanted_dirs) or (not item.is_dir() and rel not in expected):
            problems.append(f"{tool} extracts {rel}, which is not among the sources")
    return problems


READERS = ("zipfile", "unzip", "7z", "bsdtar")


def verify_zip(path, password, expected, cipher=None, jar=False, readers=READERS):
    """expected maps entry names to source files (or bytes), and folder
    entries (names ending in "/") to None; cipher, when given, is the method
    7-Zip must report for every file entry ("ZipCrypto", "AES-256"); jar
    asks the JDK's jar to extract it too (slow to start, and it reads no
    encrypted entry). readers picks the tools that read the data, for
    checking many archives quickly: zipfile (slow on encrypted entries),
    unzip, 7z, bsdtar; the entry names are always checked. Returns a list of problems, empty when the archive is
    sound and holds exactly those entries with exactly that content."""
    path = Path(path)
    if not path.is_file():
        return [f"no archive at {path}"]
    problems = []
    try:
        with zipfile.ZipFile(path) as archive:
            infos = archive.infolist()
            names = [i.filename for i in infos]
            aes = any(i.compress_type == AES_METHOD for i in infos)
            if sorted(names) != sorted(expected):
                problems.append(f"entries {sorted(names)}, expected {sorted(expected)}")
            unflagged = [i.filename for i in infos if bool(i.flag_bits & 0x800) != (not i.filename.isascii())]
            if unflagged:
                problems.append(f"the UTF-8 flag is wrong on {unflagged}")
            if not aes and "zipfile" in readers:
                for info in infos:
                    if info.filename in expected and not info.is_dir():
                        data = archive.read(info, pwd=password.encode() if password else None)
                        if data != source_bytes(expected[info.filename]):
                            problems.append(f"zipfile reads {info.filename} other than its source")
    except (zipfile.BadZipFile, RuntimeError, NotImplementedError, OSError) as e:
        return problems + [f"zipfile: {e!r}"]
    if not aes and "unzip" in readers:
        rc, out = run(["unzip", "-t", *(["-P", password] if password else []), str(path)])
        if rc != 0:
            problems.append("unzip -t: " + out[-600:])
    if "7z" not in readers:
        return problems
    rc, out = run(["7z", "t", f"-p{password}", str(path)])
    if rc != 0:
        problems.append("7z t: " + out[-600:])
    if password and run(["7z", "t", "-pnot-the-password", str(path)])[0] == 0:
        problems.append("7z t opens it with a wrong password")
    if cipher:
        listing = run(["7z", "l", "-slt", f"-p{password}", str(path)])[1]
        # Folder entries carry no data and no cipher, as other zip tools write them.
        methods = set()
        for block in listing.split("\n\n"):
            fields = dict(re.findall(r"^(\w+) = (\S*)", block, re.M))
            if fields.get("Folder") == "-" and "Method" in fields:
                methods.add(fields["Method"])
        if not methods or any(m != cipher for m in methods):
            problems.append(f"methods {methods}, expected {cipher}")
    extractors = [("7z x", lambda out: ["7z", "x", "-y", f"-p{password}", f"-o{out}", str(path)], None)]
    if "bsdtar" in readers:
        extractors.append(("bsdtar", lambda out: ["bsdtar", "-xf", str(path), "-C", out]
                           + (["--passphrase", password] if password else []), None))
    if jar and shutil.which("jar"):
        extractors.append(("jar", lambda out: ["jar", "xf", str(path.resolve())], "cwd"))
    for tool, command, where in extractors:
        with tempfile.TemporaryDirectory() as out:
            rc, log = run(command(out), cwd=out if where else None)
            if rc != 0:
                problems.append(f"{tool}: " + log[-600:])
            problems += extracted_problems(tool, out, expected)
    return problems


def zip_names(path):
    """The sorted entry names of an archive, or None when it cannot be read."""
    try:
        with zipfile.ZipFile(path) as archive:
            return sorted(archive.namelist())
    except (OSError, zipfile.BadZipFile):
        return None
