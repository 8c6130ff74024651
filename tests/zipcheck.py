"""Checks an archive with tools we did not write: Info-ZIP's unzip, 7-Zip
and Python's zipfile, and compares every entry with its source file."""

import subprocess
import tempfile
import zipfile
from pathlib import Path


AES_METHOD = 99


def source_bytes(source):
    return source if isinstance(source, bytes) else Path(source).read_bytes()


def verify_zip(path, password, expected, tools=("unzip", "7z", "python")):
    """expected maps entry names to source files (or bytes). Returns a list
    of problems, empty when the archive is sound and holds exactly those."""
    path = Path(path)
    if not path.is_file():
        return [f"no archive at {path}"]
    problems = []
    pw = ["-P", password] if password else []
    if "unzip" in tools:
        r = subprocess.run(["unzip", "-t", *pw, str(path)], capture_output=True)
        if r.returncode != 0:
            problems.append("unzip -t: " + r.stdout.decode(errors="replace")[-600:])
    if "7z" in tools:
        r = subprocess.run(["7z", "t", f"-p{password}", str(path)], capture_output=True)
        if r.returncode != 0:
            problems.append("7z t: " + r.stdout.decode(errors="replace")[-600:])
        if password:
            r = subprocess.run(["7z", "t", "-pnot-the-password", str(path)], capture_output=True)
            if r.returncode == 0:
                problems.append("7z t opens it with a wrong password")
    try:
        with zipfile.ZipFile(path) as archive:
            names = [i.filename for i in archive.infolist()]
            if sorted(names) != sorted(expected):
                problems.append(f"entries {sorted(names)}, expected {sorted(expected)}")
            aes = any(i.compress_type == AES_METHOD for i in archive.infolist())
            if "python" in tools and not aes:
                for name, source in expected.items():
                    if name not in names:
                        continue
                    try:
                        data = archive.read(name, pwd=password.encode() if password else None)
                    except (RuntimeError, NotImplementedError, zipfile.BadZipFile) as e:
                        problems.append(f"zipfile cannot read {name}: {e}")
                        continue
                    if data != source_bytes(source):
                        problems.append(f"{name} differs from its source")
            elif aes:
                # zipfile has no AES: compare what 7-Zip extracts.
                with tempfile.TemporaryDirectory() as out:
                    extract_with_7z(path, password, out)
                    for name, source in expected.items():
                        got = Path(out) / name
                        if not got.is_file() or got.read_bytes() != source_bytes(source):
                            problems.append(f"{name} differs from its source after 7z x")
    except zipfile.BadZipFile as e:
        problems.append(f"zipfile: {e}")
    return problems


def zip_names(path):
    """The sorted entry names of an archive, or None when it cannot be read."""
    try:
        with zipfile.ZipFile(path) as archive:
            return sorted(archive.namelist())
    except (OSError, zipfile.BadZipFile):
        return None


def extract_with_7z(path, password, target):
    """Extracts with 7-Zip; returns the process result."""
    return subprocess.run(["7z", "x", "-y", f"-p{password}", f"-o{target}", str(path)], capture_output=True)
