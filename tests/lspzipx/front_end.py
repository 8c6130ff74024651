"""lspzip as a zip user drives it: help and version, options that combine,
errors that name what they could not use, a line per file and a summary,
passwords asked for twice, AES-256 per archive, empty folders kept, an
archive replaced rather than updated, and the check of a SHA-256 list."""

import contextlib
import hashlib
import os
import re
import shutil
import subprocess
import zipfile
from pathlib import Path

from harness import ROOT, text, win_path
from zipcheck import verify_zip

RELEASE = re.search(r'KB_RELEASE_TEXT "([^"]+)"', (ROOT / "common" / "release.h").read_text()).group(1)


def lspzip(h, arch, *args, **kw):
    return h.run_exe(arch, h.bin_dir(arch) / "lspzip.exe", args, **kw)


def err(result):
    return result.stderr.decode("utf-8", "replace").replace("\r\n", "\n")


def outcome(result):
    return f"exit {result.returncode}\nstdout: {text(result)[-1500:]}\nstderr: {err(result)[-1500:]}"


@contextlib.contextmanager
def read_only_folder(path):
    """A folder nobody may write in, root included: a read-only tmpfs."""
    path.mkdir(parents=True)
    subprocess.run(["mount", "-t", "tmpfs", "-o", "size=1m,ro", "tmpfs", str(path)], check=True)
    try:
        yield path
    finally:
        subprocess.run(["umount", str(path)], check=False)


def make_tree(base):
    tree = base / "tree"
    files = {"words.txt": b"the quick brown fox jumps over the lazy dog\n" * 400,
             "noise.bin": os.urandom(4096), "deep/inner/café.txt": "crème\n".encode() * 50}
    for name, data in files.items():
        (tree / name).parent.mkdir(parents=True, exist_ok=True)
        (tree / name).write_bytes(data)
    (tree / "empty").mkdir()
    (tree / "deep" / "hollow" / "er").mkdir(parents=True)
    expected = dict(files)
    expected.update({"empty/": None, "deep/hollow/er/": None})
    return tree, expected


def help_and_usage(h, arch, base):
    for flag in ("-h", "--help", "-rh"):
        r = lspzip(h, arch, flag)
        h.record(f"{arch} {flag} prints the help to stdout and exits 0",
                 r.returncode == 0 and text(r).startswith("usage: lspzip") and "--aes" in text(r) and not err(r),
                 outcome(r))
    r = lspzip(h, arch, "--version")
    h.check_equal(f"{arch} --version prints the release", (r.returncode, text(r)), (0, f"lspzip {RELEASE}\n"))
    for args, message in ((["-x", "*.o", "a.zip", "src"], "no zipfile and no source given (-x and -i take"),
                          (["-d", "a.zip", "src"], "-d deletes entries from an archive in zip"),
                          (["-u", "a.zip", "src"], "-u updates an archive in zip, and lspzip writes new archives only"),
                          (["-f", "a.zip", "src"], "-f freshens an archive in zip"),
                          (["-", "src"], "- (standard output or input in zip) is refused"),
                          (["-r9k", "a.zip", "src"], "unknown option -k"),
                          (["--frobnicate", "a.zip", "src"], "unknown option --frobnicate"),
                          (["a.zip", "src", "-t"], "option -t needs a value"),
                          (["-t", "65", "a.zip", "src"], "-t takes a number from 1 to 64"),
                          (["--aes", "a.zip", "src"], "--aes needs -e or -p"),
                          (["a.zip"], "no source given")):
        r = lspzip(h, arch, *args)
        h.record(f"{arch} {' '.join(args)}: exit 2 and says {message!r}",
                 r.returncode == 2 and f"lspzip: {message}" in err(r) and "--help" in err(r), outcome(r))


def version_resources(h, arch):
    """7-Zip reads the version resource of each binary."""
    for name in ("lspzip.exe", "lspzipx.dll", "kbaycl20.dll"):
        listing = subprocess.run(["7z", "l", "-slt", str(h.bin_dir(arch) / name)], capture_output=True,
                                 text=True).stdout
        fields = dict(re.findall(r"^(\w+): (.*)$", listing, re.M))
        h.record(f"{arch} {name} carries its version resource",
                 fields.get("FileVersion") == RELEASE and fields.get("OriginalFilename") == name
                 and fields.get("FileDescription", "").startswith("Crateload 2"), str(fields))


def progress_and_entries(h, arch, base, tree, expected):
    archive = base / f"{arch}.zip"
    r = lspzip(h, arch, "-r9", win_path(archive), win_path(tree))
    h.record(f"{arch} -r9: exit 0", r.returncode == 0, outcome(r))
    problems = verify_zip(archive, "", expected, jar=True)
    h.record(f"{arch} -r9: unzip, 7-Zip, bsdtar and jar extract the tree, empty folders included",
             not problems, "\n".join(problems))
    with zipfile.ZipFile(archive) as z:
        wanted = []
        for info in z.infolist():
            if info.is_dir() or info.compress_type == zipfile.ZIP_STORED:
                wanted.append(f"  adding: {info.filename} (stored 0%)")
            else:
                wanted.append(f"  adding: {info.filename} (deflated "
                              f"{round(100 - 100 * info.compress_size / info.file_size)}%)")
    lines = text(r).splitlines()
    h.check_equal(f"{arch} -r9: a line per entry, as the archive holds it", lines[:-1], wanted)
    total = sum(len(v) for v in expected.values() if v is not None)
    summary = (f"lspzip: {win_path(archive)}: 3 files and 2 empty folders, {total} bytes in, "
               f"{archive.stat().st_size} bytes out, ")
    h.record(f"{arch} -r9: the summary counts files, folders, bytes and time",
             lines[-1].startswith(summary) and re.search(r", \d+\.\d\d s$", lines[-1]) is not None,
             f"{lines[-1]!r}, expected it to start with {summary!r}")

    # Quiet, and the archive is replaced, not updated: only the new source is in it.
    r = lspzip(h, arch, "-qr", win_path(archive), win_path(tree / "deep"))
    h.record(f"{arch} -qr: exit 0 and nothing printed", r.returncode == 0 and not text(r) and not err(r),
             outcome(r))
    h.check_equal(f"{arch} an existing archive is replaced", sorted(zipfile.ZipFile(archive).namelist()),
                  ["hollow/er/", "inner/café.txt"])


def failures_name_their_paths(h, arch, base, tree):
    missing = tree / "missing.txt"
    r = lspzip(h, arch, win_path(base / "m.zip"), win_path(tree / "words.txt"), win_path(missing))
    h.record(f"{arch} a missing source is named", r.returncode == 159 and
             f"lspzip: {win_path(missing)}: no such file or folder (159 Filename not matched.)" in err(r), outcome(r))
    nowhere = base / "no such folder"
    r = lspzip(h, arch, win_path(nowhere / "a.zip"), win_path(tree))
    h.record(f"{arch} a missing output folder is named", r.returncode == 169 and
             f"the output folder {win_path(nowhere)} does not exist" in err(r), outcome(r))
    if os.geteuid() != 0:
        return
    with read_only_folder(base / f"ro-{arch}") as locked:
        r = lspzip(h, arch, win_path(locked / "a.zip"), win_path(tree / "words.txt"))
        h.record(f"{arch} an output folder that cannot be written is named", r.returncode == 169 and
                 f"cannot write in the output folder {win_path(locked)}: " in err(r), outcome(r))


def passwords(h, arch, base, tree):
    source = tree / "words.txt"
    archive = base / f"{arch}-e.zip"
    r = lspzip(h, arch, "-qe", win_path(archive), win_path(source), input="hush hush\r\nhush hush\r\n".encode())
    h.record(f"{arch} -qe asks twice on the error stream, nothing on the output",
             r.returncode == 0 and err(r) == "Enter password: Verify password: " and not text(r), outcome(r))
    problems = verify_zip(archive, "hush hush", {"words.txt": source}, "ZipCrypto")
    h.record(f"{arch} -e: the archive opens with the password typed", not problems, "\n".join(problems))
    r = lspzip(h, arch, "-qe", win_path(base / "x.zip"), win_path(source), input=b"one\ntwo\n")
    h.record(f"{arch} -e: passwords that differ are refused", r.returncode == 3 and "do not match" in err(r)
             and not (base / "x.zip").exists(), outcome(r))
    # AES-256 for this archive, though the machine's setting asks for nothing.
    archive = base / f"{arch}-aes.zip"
    r = lspzip(h, arch, "-q", "--aes", "-p", "s3cret", win_path(archive), win_path(source))
    problems = [outcome(r)] if r.returncode else verify_zip(archive, "s3cret", {"words.txt": source}, "AES-256")
    h.record(f"{arch} --aes -p: AES-256", not problems, "\n".join(problems))


def sha256_list(h, arch, base, tree):
    """--check-sha256 against a list that Python's hashlib wrote, as
    sha256sum writes it."""
    folder = base / f"{arch}-sums"
    shutil.copytree(tree, folder)
    names = sorted(p.relative_to(folder).as_posix() for p in folder.rglob("*") if p.is_file())
    listing = "".join(f"{hashlib.sha256((folder / n).read_bytes()).hexdigest()}  {n}\n" for n in names)
    (folder / "SHA256SUMS").write_text(listing, encoding="utf-8")
    sums = win_path(folder / "SHA256SUMS")
    quiet, loud = lspzip(h, arch, "-q", "--check-sha256", sums), lspzip(h, arch, "--check-sha256", sums)
    h.record(f"{arch} --check-sha256: every file as listed, -q prints nothing",
             (quiet.returncode, text(quiet), err(quiet), loud.returncode) == (0, "", "", 0)
             and text(loud) == "".join(f"{n}: OK\n" for n in names) + f"lspzip: {sums}: {len(names)} files as listed\n",
             outcome(quiet) + outcome(loud))
    (folder / "words.txt").write_bytes(b"the quick brown fox\n")
    gone = folder / "deep" / "inner" / "caf\u00e9.txt"
    gone.unlink()
    r = lspzip(h, arch, "-q", "--check-sha256", sums)
    h.record(f"{arch} --check-sha256: a changed and a missing file are named, exit 4",
             r.returncode == 4 and f"{win_path(folder / 'words.txt')}: changed" in err(r)
             and f"{win_path(gone)}: cannot be read" in err(r)
             and f"2 of {len(names)} files missing or changed" in err(r), outcome(r))


def native_zip_names(folder, *args):
    """The file entries Info-ZIP zip stores, run in folder."""
    out = folder.parent / "native.zip"
    out.unlink(missing_ok=True)
    subprocess.run(["zip", "-q", str(out), *args], cwd=folder, capture_output=True)
    return sorted(n for n in zipfile.ZipFile(out).namelist() if not n.endswith("/")) if out.exists() else []


def zip_conventions(h, arch, base):
    """Selection and the small conventions, each beside what Info-ZIP zip
    does with the same words. Wine shows a name that starts with a dot as
    hidden, so .hidden.txt stands for a hidden file."""
    tree = base / f"{arch}-conv" / "tree"
    for name in ("a.txt", "b.bin", "deep/c.txt", "deep/inner/d.txt", "deep/inner/f.bin", "sub/E.TXT", ".hidden.txt"):
        (tree / name).parent.mkdir(parents=True, exist_ok=True)
        (tree / name).write_text(name)
    (tree / "empty").mkdir()
    out = tree.parent / "out.zip"

    def ours(*args, **kw):
        out.unlink(missing_ok=True)
        r = lspzip(h, arch, "-q", *args, **kw)
        names = sorted(n for n in zipfile.ZipFile(out).namelist() if not n.endswith("/")) if out.exists() else []
        return r, names

    no_hidden = ["-x", ".hidden.txt"]
    for ours_args, zip_args in ((["-r"], ["-r", "."] + no_hidden),
                                (["-rS"], ["-r", "."]),
                                (["-r", win_path(tree), "-x", "*.bin"], ["-r", ".", "-x", "*.bin", ".hidden.txt"]),
                                (["-r", win_path(tree), "-x", "deep/*"], ["-r", ".", "-x", "deep/*", ".hidden.txt"]),
                                # Case does not count in Windows names; native zip on Linux needs both.
                                (["-r", win_path(tree), "-i", "*.txt"],
                                 ["-r", ".", "-i", "*.txt", "*.TXT", "-x", ".hidden.txt"]),
                                (["-r", win_path(tree), "-i", "deep\\*", "-x", "*.BIN"],
                                 ["-r", ".", "-i", "deep/*", "-x", "*.bin"]),
                                (["-rj"], ["-rj", "."] + no_hidden),
                                (["-rj", win_path(tree), "-x", "?.txt", "[ab].*"],
                                 ["-rj", ".", "-x", "?.txt", "[ab].*", ".hidden.txt"])):
        args = list(ours_args)
        if win_path(tree) not in args:
            args[1:1] = [win_path(out), win_path(tree)]
        else:
            args.insert(1, win_path(out))
        r, names = ours(*args)
        h.check_equal(f"{arch} lspzip {' '.join(ours_args)} takes the files zip {' '.join(zip_args)} takes",
                      (r.returncode, names), (0, native_zip_names(tree, *zip_args)))
    # A pattern as zip users write it, with the folder's own name.
    r, names = ours("-r", win_path(out), "tree", "-x", "tree/deep/*", ".hidden.txt", cwd=tree.parent)
    h.check_equal(f"{arch} -x tree/deep/* matches as zip's does",
                  names, [n[5:] for n in native_zip_names(tree.parent, "-r", "tree", "-x", "tree/deep/*", "tree/.*")])

    # The hidden file is counted in the summary.
    out.unlink(missing_ok=True)
    r = lspzip(h, arch, "-r", win_path(out), win_path(tree))
    h.record(f"{arch} the summary counts the hidden file left out",
             text(r).rstrip().endswith("; 1 hidden file left out (-S takes them in)"), outcome(r))

    # -@ takes one name a line, CR LF or LF; an archive without an extension gets .zip.
    names = f"{win_path(tree / 'a.txt')}\r\n\n{win_path(tree / 'deep' / 'c.txt')}\n".encode()
    bare = tree.parent / "bare"
    r = lspzip(h, arch, "-q", "-@", win_path(bare), input=names)
    h.check_equal(f"{arch} -@ reads the names, and bare becomes bare.zip",
                  (r.returncode, sorted(zipfile.ZipFile(str(bare) + ".zip").namelist()) if Path(str(bare) + ".zip").exists()
                   else None), (0, ["a.txt", "c.txt"]))

    # -P is -p; -d deletes nothing and writes nothing.
    r, names = ours("-P", "s3cret", win_path(out), win_path(tree / "a.txt"))
    opened = zipfile.ZipFile(out).read("a.txt", pwd=b"s3cret") if out.exists() else None
    h.check_equal(f"{arch} -P encrypts as -p does", (r.returncode, opened), (0, b"a.txt"))
    out.unlink(missing_ok=True)
    r = lspzip(h, arch, "-d", win_path(out), win_path(tree / "b.bin"))
    h.record(f"{arch} -d deletes nothing, writes nothing, and names -m",
             r.returncode == 2 and "use -m" in err(r) and (tree / "b.bin").exists() and not out.exists(), outcome(r))


def damaged_copy(archive, copy, name, change):
    """A copy of archive in which change(bytes, local header offset, data
    offset, central header offset) has altered the entry called name."""
    data = bytearray(archive.read_bytes())
    info = zipfile.ZipFile(archive).getinfo(name)
    local = info.header_offset
    start = local + 30 + int.from_bytes(data[local + 26:local + 28], "little") + \
        int.from_bytes(data[local + 28:local + 30], "little")
    central = data.find(b"PK\x01\x02")
    while data[central + 46:central + 46 + len(name.encode())] != name.encode():
        central = data.find(b"PK\x01\x02", central + 1)
    change(data, local, start, central)
    copy.write_bytes(bytes(data))
    return copy


def test_and_list(h, arch, base, tree):
    """-T reads back what was written, -T alone tests an archive as it is,
    and -l lists as unzip -l does."""
    folder = base / f"{arch}-test"
    folder.mkdir()
    out = folder / "out.zip"
    r = lspzip(h, arch, "-rT", win_path(out), win_path(tree))
    h.record(f"{arch} -T: the written archive passes its test", r.returncode == 0
             and text(r).endswith(f"test of {win_path(out)} OK\n"), outcome(r))
    r = lspzip(h, arch, "-l", win_path(out))
    native = subprocess.run(["unzip", "-l", str(out)], capture_output=True, text=True).stdout
    h.check_equal(f"{arch} -l lists as unzip -l does", text(r).split("\n")[1:], native.split("\n")[1:])

    def flip(data, local, start, central):
        data[start + 5] ^= 0x20

    def wrong_crc(data, local, start, central):
        for at in (local + 14, central + 16):
            data[at] ^= 0x01

    for what, change in (("a flipped byte in its data", flip), ("a wrong CRC", wrong_crc)):
        copy = damaged_copy(out, folder / "damaged.zip", "words.txt", change)
        r = lspzip(h, arch, "-T", win_path(copy))
        h.record(f"{arch} -T catches {what}, naming the entry", r.returncode == 5
                 and f"test of {win_path(copy)} FAILED: words.txt: " in err(r), outcome(r))

    # Both ciphers, and the check byte another writer takes from the time
    # when it streams (the data descriptor).
    for cipher in ([], ["--aes"]):
        r = lspzip(h, arch, "-qrT", "-P", "pw", *cipher, win_path(out), win_path(tree))
        wrong = lspzip(h, arch, "-T", "-P", "nope", win_path(out))
        h.record(f"{arch} -T {' '.join(cipher)} -P: decrypted and tested; a wrong password exits 3",
                 r.returncode == 0 and wrong.returncode == 3 and "password" in err(wrong), outcome(r) + outcome(wrong))
    streamed = folder / "streamed.zip"
    with streamed.open("wb") as sink:
        subprocess.run(["zip", "-q", "-P", "pw", "-", "words.txt"], cwd=tree, stdout=sink, check=True)
    r = lspzip(h, arch, "-T", "-P", "pw", win_path(streamed))
    h.record(f"{arch} -T opens a streamed, encrypted archive of zip's", r.returncode == 0, outcome(r))


def run_front_end(h, base):
    tree, expected = make_tree(base)
    for arch in h.arches:
        help_and_usage(h, arch, base)
        version_resources(h, arch)
        progress_and_entries(h, arch, base, tree, expected)
        failures_name_their_paths(h, arch, base, tree)
        passwords(h, arch, base, tree)
        sha256_list(h, arch, base, tree)
        zip_conventions(h, arch, base)
        test_and_list(h, arch, base, tree)
