"""Companion of hostile.vbs: makes what a script cannot (names outside the
ANSI code page, Unix symbolic links) and checks what it leaves behind."""

import os

from harness import unix_path
from zipcheck import verify_zip

# Read by the script from a UTF-16 file, one per line, in this order.
NAMES = [
    "..\uff3c..\uff3cevil.asp",   # fullwidth reverse solidus
    "..\uff0f..\uff0fevil.asp",   # fullwidth solidus
    "..\u2215..\u2215evil.asp",   # division slash
    "..\u2216..\u2216evil.asp",   # set minus
    "evil\uff1astream.zip",       # fullwidth colon
    "\u65e5.txt",                 # a source name no Western code page holds
    "\u043f\u0430\u0440\u043e\u043b\u044c",  # a Cyrillic password
]
OLD = "CL20200101-101500-"
# Each must go in with its own bytes or be refused, never read as another.
ODD = {"rep": b"plain", "rep.": b"trailing dot", "rep ": b"trailing blank", "nul.txt": b"no device",
       "com1.log": b"no port"}


def prepare(h, arch, scratch):
    (scratch / "names.txt").write_bytes("\ufeff".encode("utf-16-le") + "\r\n".join(NAMES).encode("utf-16-le"))
    uni = scratch / "site" / "uni"
    uni.mkdir(parents=True)
    for name, content in ((NAMES[5], "sun"), ("a.txt", "alpha"), ("b.txt", "bravo")):
        (uni / name).write_text(content)

    outside = scratch / "outside"
    outside.mkdir()
    (outside / "keep1.txt").write_text("never deleted through a directory link")
    (outside / "keep2.txt").write_text("never deleted through a file link")
    (outside / "secret.txt").write_text("never zipped or deleted through dot segments")
    # Names a Windows listing can give but Windows cannot hold.
    weird = scratch / "site" / "weird"
    weird.mkdir(parents=True)
    # The same size and time as the file its name spells, so that only the
    # name, not a changed file, keeps that one from being deleted.
    spelled = weird / "a\\..\\..\\..\\outside\\secret.txt"
    spelled.write_bytes((outside / "secret.txt").read_bytes())
    stamp = (outside / "secret.txt").stat()
    os.utime(spelled, ns=(stamp.st_atime_ns, stamp.st_mtime_ns))
    odd = scratch / "site" / "odd"
    odd.mkdir()
    for name, content in ODD.items():
        (odd / name).write_bytes(content)
    dl = scratch / "site" / "dl"
    dl.mkdir(parents=True)
    os.symlink(outside, dl / f"{OLD}1")
    (dl / f"{OLD}2").mkdir()
    os.symlink(outside / "keep2.txt", dl / f"{OLD}2" / "link.txt")
    # A library run that was killed left its hidden temporary archive.
    (dl / f"{OLD}3").mkdir()
    (dl / f"{OLD}3" / "out.zip").write_text("zip")
    (dl / f"{OLD}3" / ".out.zip.0badcafe.tmp").write_text("half an archive")
    # A hidden file that is not the library's stays, and so does its folder.
    (dl / f"{OLD}4").mkdir()
    (dl / f"{OLD}4" / ".keep").write_text("hidden")
    # Names that only look like ours.
    for name in ("CL20200101_my_archive", f"{OLD}017", f"{OLD}10000", "CL20200101-101500", "CL20200101-246000-1"):
        (dl / name).mkdir()
        (dl / name / "important.doc").write_text("not a download")


def verify(h, arch, scratch, out):
    label = "page hostile" if "script-page" in str(scratch) else "hostile"
    outside = scratch / "outside"
    for name in ("keep1.txt", "keep2.txt"):
        h.record(f"{arch} {label}: nothing deleted through a link ({name})", (outside / name).is_file())
    h.record(f"{arch} {label}: nothing written outside the download folder",
             not any(p.name.startswith("evil") for p in (scratch / "site").rglob("*")) and
             not any(p.name.startswith("evil") for p in scratch.parent.glob("*")),
             "\n".join(str(p) for p in scratch.rglob("evil*")))
    for line in out.splitlines():
        if line.startswith("hostile-odd\t"):
            _, number, path = line.split("\t")
            problems = [] if number != "0" else verify_zip(unix_path(path, h.prefix), "", ODD)
            h.record(f"{arch} {label}: names Windows cannot hold go in as themselves or not at all ({number})",
                     not problems, "\n".join(problems))
        if not line.startswith("hostile-archive\t"):
            continue
        _, name, path, password = (line.split("\t") + [""])[:4]
        archive = unix_path(path, h.prefix)
        folder = scratch / "site" / ("files" if name == "mixed list" else "uni")
        expected = {"a.txt": folder / "a.txt", "b.txt": folder / "b.txt"}
        if name == "unicode source":
            expected = {NAMES[5]: b"sun"}
        problems = verify_zip(archive, NAMES[6] if password == "cyrillic" else "", expected)
        h.record(f"{arch} {label}: {name}: the archive", not problems, "\n".join(problems))
