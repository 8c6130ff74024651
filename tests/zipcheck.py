"""The one archive checker of every test area. Tools we did not write read
the archive: Info-ZIP's unzip tests it, 7-Zip tests it and extracts it, and
Python's zipfile lists and reads it. Every extracted entry is compared byte
for byte with its source, AES entries included: AE-2 stores no CRC, so a
test that only checks would pass a wrong keystream."""

import re
import subprocess
import tempfile
import zipfile
from pathlib import Path

AES_METHOD = 99


def source_bytes(source):
    return source if isinstance(source, bytes) else Path(source).read_bytes()


def run(args):
    result = subprocess.run(args, capture_output=True, timeout=900)
    return result.returncode, (result.stdout + result.stderr).decode("utf-8", "replace")


READERS = ("zipfile", "unzip", "7z")


def verify_zip(path, password, expected, cipher=None, readers=READERS):
    """expected maps entry names to source files (or bytes); cipher, when
    given, is the method 7-Zip must report for every entry ("ZipCrypto",
    "AES-256"). readers picks the tools that read the data, for checking
    many archives quickly: zipfile (slow on encrypted entries), unzip, 7z;
    the entry names are always checked. Returns a list of problems, empty
    when the archive is sound and holds exactly those entries with exactly
    that content."""
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
        methods = set(re.findall(r"^Method = (\S+)", run(["7z", "l", "-slt", f"-p{password}", str(path)])[1], re.M))
        if not methods or any(m != cipher for m in methods):
            problems.append(f"methods {methods}, expected {cipher}")
    with tempfile.TemporaryDirectory() as out:
        rc, log = run(["7z", "x", "-y", f"-p{password}", f"-o{out}", str(path)])
        if rc != 0:
            problems.append("7z x: " + log[-600:])
        for name, source in expected.items():
            got = Path(out) / name
            if name.endswith("/"):
                if not got.is_dir():
                    problems.append(f"7z x made no folder {name}")
            elif not got.is_file() or got.read_bytes() != source_bytes(source):
                problems.append(f"7z x gives {name} other than its source")
    return problems


def zip_names(path):
    """The sorted entry names of an archive, or None when it cannot be read."""
    try:
        with zipfile.ZipFile(path) as archive:
            return sorted(archive.namelist())
    except (OSError, zipfile.BadZipFile):
        return None
