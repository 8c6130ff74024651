"""lspzip.exe under Wine, its archives checked by tools we did not write:
Info-ZIP unzip, 7-Zip and Python's zipfile, with contents compared byte for
byte with the files that went in."""

import importlib.util
import hashlib
import os
import random
import re
import shutil
import stat
import struct
import subprocess
import time
import zipfile
from pathlib import Path

from harness import text, win_path
from zipcheck import verify_zip

CHUNK = 512 * 1024  # the library's chunk size: large files are deflated in pieces of this size
AES_SWITCH = r"HKLM\SOFTWARE\Kestrelbay\Crateload\ZipEncryption"
MEMORY_LIMIT_KB = 64 * 1024

WORDS = [b"zip ", b"archive ", b"deflate ", b"stream\n", b"chunk ", b"header, ", b"entry. ", b"crc "]


def compressible(size, seed):
    rnd = random.Random(seed)
    out = bytearray()
    while len(out) < size:
        out += WORDS[rnd.randrange(8)]
        if rnd.randrange(5) == 0:
            out += str(rnd.randrange(1000)).encode()
    return bytes(out[:size])


def noise(size, seed):
    return random.Random(seed).randbytes(size)


def write_tree(root, files):
    for name, data in files.items():
        path = Path(root, name)
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data)


def sample_tree():
    """Names with blanks and outside ASCII, empty and one-byte files, files of
    one and of several chunks, noise, and a type that is compressed already."""
    return {
        "plain.txt": compressible(20000, 1),
        "empty.txt": b"",
        "one.bin": b"\x01",
        "big.txt": compressible(3 * CHUNK + 4321, 2),
        "noise.bin": noise(100000, 3),
        "photo.png": noise(30000, 4),
        "my docs/a b.txt": compressible(5000, 5),
        "café.txt": "crème brûlée\n".encode(),
        "日本語/ファイル.txt": compressible(3000, 6),
        "sub/deeper/x.c": b"int main(void) { return 0; }\n" * 50,
    }


def lspzip(h, arch, *args, **kw):
    return h.run_exe(arch, h.bin_dir(arch) / "lspzip.exe", args, **kw)


def outcome(result):
    return f"exit {result.returncode}\n{text(result)}{result.stderr.decode('utf-8', 'replace')[-2000:]}"


def leftovers(folder):
    """Temporary files the library left in folder."""
    return sorted(p.name for p in Path(folder).iterdir() if p.name.startswith(".") and p.name.endswith(".tmp"))


def run_tool(args, timeout=900):
    try:
        r = subprocess.run(args, capture_output=True, timeout=timeout)
        return r.returncode, r.stdout.decode("utf-8", "replace") + r.stderr.decode("utf-8", "replace")
    except subprocess.TimeoutExpired:
        return -1, "timeout"


def check_archive(h, label, archive, expected, password=None, cipher=None):
    """The outside readers agree that archive holds exactly expected."""
    problems = verify_zip(archive, password or "", expected, cipher)
    h.record(f"{label}: the archive", not problems, "\n".join(problems))


def check_metadata(h, label, archive, tree):
    """Each entry's DOS time, extended timestamp and read-only attribute
    match its file."""
    wrong = []
    with zipfile.ZipFile(archive) as z:
        for info in z.infolist():
            st = (tree / info.filename).stat()
            local = time.localtime(st.st_mtime)
            dos = local[:5] + (local[5] // 2 * 2,)
            stamp = extended_mtime(info.extra)
            readonly = not (st.st_mode & stat.S_IWUSR)
            if info.date_time != dos or stamp != int(st.st_mtime) or bool(info.external_attr & 1) != readonly:
                wrong.append((info.filename, info.date_time, dos, stamp, int(st.st_mtime), hex(info.external_attr)))
    h.record(f"{label}: times and attributes", not wrong, str(wrong[:5]))


def extended_mtime(extra):
    at = 0
    while at + 4 <= len(extra):
        tag, length = struct.unpack_from("<HH", extra, at)
        if tag == 0x5455 and extra[at + 4] & 1:
            return struct.unpack_from("<i", extra, at + 5)[0]
        at += 4 + length
    return None


def round_trips(h, base):
    tree = base / "tree"
    files = sample_tree()
    write_tree(tree, files)
    (tree / "plain.txt").chmod(0o444)
    os.utime(tree / "one.bin", (0, 1_000_000_000))  # 2001, a date far from today's
    out = base / "out"
    out.mkdir()
    for arch in h.arches:
        for rate in range(10):
            archive = out / f"{arch}-{rate}.zip"
            r = lspzip(h, arch, "-q", "-r", f"-{rate}", win_path(archive), win_path(tree))
            h.record(f"{arch} rate {rate}: exit 0", r.returncode == 0, outcome(r))
            check_archive(h, f"{arch} rate {rate}", archive, files)
        check_metadata(h, f"{arch} rate 9", archive, tree)

        # Several items, one with blanks (quoted by lspzip), no recursion:
        # bare names only.
        archive = out / f"{arch}-items.zip"
        r = lspzip(h, arch, "-q", win_path(archive), win_path(tree / "my docs") + "\\*.txt",
                   win_path(tree / "plain.txt"), win_path(tree) + "\\*.BIN")
        h.record(f"{arch} items: exit 0", r.returncode == 0, outcome(r))
        check_archive(h, f"{arch} items", archive, {
            "a b.txt": files["my docs/a b.txt"], "plain.txt": files["plain.txt"],
            "one.bin": files["one.bin"], "noise.bin": files["noise.bin"]})

        # The archive inside the folder it zips is never one of its own inputs.
        inside = tree / "self.zip"
        for attempt in (1, 2):
            r = lspzip(h, arch, "-q", "-r", win_path(inside), win_path(tree))
            h.record(f"{arch} archive in its own tree, run {attempt}", r.returncode == 0, outcome(r))
        check_archive(h, f"{arch} archive in its own tree", inside, files)
        inside.unlink()
    (tree / "plain.txt").chmod(0o644)
    h.record("no temporary files left", not leftovers(out), str(leftovers(out)))


def encryption(h, base):
    tree = base / "tree"
    files = {k: v for k, v in sample_tree().items() if k != "noise.bin"}
    write_tree(tree, files)
    out = base / "out"
    out.mkdir()
    password = "s3cret pass"
    for arch in h.arches:
        for rate in (0, 6):
            archive = out / f"{arch}-zipcrypto-{rate}.zip"
            r = lspzip(h, arch, "-q", "-r", f"-{rate}", "-p", password, win_path(archive), win_path(tree))
            h.record(f"{arch} ZipCrypto rate {rate}: exit 0", r.returncode == 0, outcome(r))
            check_archive(h, f"{arch} ZipCrypto rate {rate}", archive, files, password, "ZipCrypto")
            # An entry of several chunks is not read twice for its CRC: its
            # check byte comes from the time, and the CRC follows its data.
            late = sorted(i.filename for i in zipfile.ZipFile(archive).infolist() if i.flag_bits & 0x08)
            h.check_equal(f"{arch} ZipCrypto rate {rate}: only big.txt has a data descriptor", late, ["big.txt"])

    # Only the exact value selects AES; it is read at every call, from
    # either registry view.
    try:
        for value, cipher in (("AES128", "ZipCrypto"), ("AES256", "AES-256")):
            h.reg("x64", "add", AES_SWITCH, "/ve", "/d", value, "/f")
            for arch in h.arches:
                archive = out / f"{arch}-{value}.zip"
                r = lspzip(h, arch, "-q", "-r", "-6", "-p", password, win_path(archive), win_path(tree))
                h.record(f"{arch} switch {value}: exit 0", r.returncode == 0, outcome(r))
                check_archive(h, f"{arch} switch {value}", archive, files, password, cipher)
    finally:
        h.reg("x64", "delete", AES_SWITCH, "/f")

    for arch in h.arches:
        r = lspzip(h, arch, "-q", "-p", "x" * 256, win_path(out / "long.zip"), win_path(tree / "plain.txt"))
        h.check_equal(f"{arch} a password of 256 bytes is refused", r.returncode, 3)


def thread_oracle(h, base):
    """The parallel path gives the single-thread bytes, at every boundary of
    the chunking, and the same bytes in both architectures."""
    tree = base / "tree"
    files = {
        "zero": b"",
        "one-byte": b"z",
        "one-chunk": compressible(CHUNK, 11),
        "one-chunk-plus-one": compressible(CHUNK + 1, 12),
        "many-chunks": compressible(7 * CHUNK + 999, 13),
        "noise-chunks": noise(3 * CHUNK + 5, 14),
        "text-then-noise": compressible(CHUNK, 15) + noise(2 * CHUNK, 16),
    }
    files.update({f"small/{i:03}.txt": compressible(200 + 97 * i, 100 + i) for i in range(60)})
    write_tree(tree, files)
    (tree / "small" / "void").mkdir()  # a folder entry among the files
    files["small/void/"] = None
    out = base / "out"
    out.mkdir()
    for rate in (1, 6, 9):
        reference = None
        for arch in h.arches:
            for threads in (1, 2, 4):
                archive = out / f"{arch}-{rate}-{threads}.zip"
                r = lspzip(h, arch, "-q", "-r", f"-{rate}", "-t", threads, win_path(archive), win_path(tree))
                h.record(f"{arch} rate {rate} {threads} threads: exit 0", r.returncode == 0, outcome(r))
                data = archive.read_bytes() if archive.exists() else b""
                if reference is None:
                    reference = (archive.name, data)
                    check_archive(h, f"{arch} rate {rate} single thread", archive, files)
                else:
                    h.record(f"{archive.name} equals {reference[0]}", data == reference[1],
                             f"{len(data)} bytes against {len(reference[1])}")


def memory_bound(h, base):
    """A file many times the buffer pool keeps the process small."""
    block = compressible(1 << 20, 21)
    path = base / "large.txt"
    with open(path, "wb") as f:
        for i in range(96):
            f.write(block[i:] + block[:i])
    out = base / "out"
    out.mkdir()
    for arch in h.arches:
        archive = out / f"{arch}.zip"
        zip_within_memory(h, f"{arch} 96 MiB file", arch, 6, archive, path)
        rc, log = run_tool(["unzip", "-t", str(archive)])
        h.record(f"{arch} 96 MiB file: unzip -t", rc == 0, log[-1000:])


def zip_within_memory(h, label, arch, rate, archive, source):
    """Zips source under /usr/bin/time -v and checks the exit code and the peak memory."""
    args = ["-q", f"-{rate}", win_path(archive), win_path(source)]
    r = h.run(["/usr/bin/time", "-v", h.loader(arch), str(h.bin_dir(arch) / "lspzip.exe"), *args], timeout=1800)
    m = re.search(r"Maximum resident set size \(kbytes\): (\d+)", r.stderr.decode("utf-8", "replace"))
    peak = int(m.group(1)) if m else -1
    h.record(f"{label}: exit 0", r.returncode == 0, outcome(r))
    h.record(f"{label}: peak memory {peak} KiB under {MEMORY_LIMIT_KB}", 0 < peak < MEMORY_LIMIT_KB, outcome(r))


def delete_originals(h, base):
    for arch in h.arches:
        files = {"a.txt": compressible(5000, 31), "sub/b.txt": compressible(900000, 32), "c.bin": noise(70, 33)}
        tree = base / arch / "tree"
        write_tree(tree, files)
        (tree / "hollow").mkdir()
        out = base / arch / "out"
        out.mkdir(parents=True)

        # A failure: every original stays.
        r = lspzip(h, arch, "-q", "-r", "-m", win_path(out / "t.zip"), win_path(tree), win_path(tree / "missing.txt"))
        h.check_equal(f"{arch} delete after failure: exit code", r.returncode, 159)
        kept = all((tree / n).read_bytes() == d for n, d in files.items())
        h.record(f"{arch} delete after failure: all originals kept", kept)
        h.check_equal(f"{arch} delete after failure: nothing in the target folder", sorted(os.listdir(out)), [])

        # A success: the archive holds them and they are gone.
        archive = out / "t.zip"
        r = lspzip(h, arch, "-q", "-r", "-m", win_path(archive), win_path(tree))
        h.record(f"{arch} delete after success: exit 0", r.returncode == 0, outcome(r))
        check_archive(h, f"{arch} delete after success", archive, dict(files, **{"hollow/": None}))
        left = sorted(str(p.relative_to(tree)) for p in tree.rglob("*") if p.is_file())
        h.check_equal(f"{arch} delete after success: originals gone", left, [])
        h.record(f"{arch} delete after success: folders stay", (tree / "hollow").is_dir() and (tree / "sub").is_dir())

        # An original that cannot be deleted stays, and so does the archive,
        # which is complete; the exit code and the message say which file.
        kept = tree / "kept.txt"
        kept.write_bytes(b"read-only\n")
        kept.chmod(0o444)
        archive = out / "kept.zip"
        r = lspzip(h, arch, "-q", "-m", win_path(archive), win_path(kept))
        h.record(f"{arch} delete of a read-only original: exit 190, naming it", r.returncode == 190 and
                 f"{win_path(kept)} (190 Zip file created, but not every original file was deleted.)" in
                 r.stderr.decode("utf-8", "replace"), outcome(r))
        check_archive(h, f"{arch} delete of a read-only original", archive, {"kept.txt": b"read-only\n"})
        h.record(f"{arch} delete of a read-only original: kept", kept.is_file())
        kept.chmod(0o644)


def zip64_large_file(h, base):
    """An entry over 4 GiB, from a sparse file, at rate 1."""
    path = base / "huge.bin"
    size = (4 << 30) + 3 * CHUNK + 17
    with open(path, "wb") as f:
        f.truncate(size)
        for at in (0, 1 << 31, (4 << 30) - 5, size - 100):
            f.seek(at)
            f.write(compressible(50, at))
    out = base / "out"
    out.mkdir()
    tested = None  # (arch, digest) of the archive the outside readers checked
    try:
        for arch in h.arches:
            archive = out / f"{arch}.zip"
            zip_within_memory(h, f"{arch} 4 GiB entry", arch, 1, archive, path)
            if not archive.exists():
                continue
            digest = hashlib.sha256(archive.read_bytes()).hexdigest()
            if tested:
                # Both architectures write the same bytes: what the readers
                # said of the first archive holds for this one.
                h.check_equal(f"{arch} 4 GiB entry: the same bytes as {tested[0]}", digest, tested[1])
            else:
                # 7-Zip reads it whole; a second reader would take as long again.
                for tool in (["7z", "t", str(archive)],):
                    rc, log = run_tool(tool)
                    h.record(f"{arch} 4 GiB entry: {tool[0]}", rc == 0, log[-1500:])
                tested = (arch, digest)
            with zipfile.ZipFile(archive) as z:
                info = z.infolist()[0]
                h.check_equal(f"{arch} 4 GiB entry: size", info.file_size, size)
                version, extra = local_header(archive, info.header_offset)
                h.record(f"{arch} 4 GiB entry: zip64 in the local header", version == 45 and 0x0001 in extra,
                         f"version {version}, extras {extra}")
            archive.unlink()
    finally:
        path.unlink()


def local_header(archive, offset):
    """The version needed and the extra field tags of one local header."""
    with open(archive, "rb") as f:
        f.seek(offset)
        fixed = f.read(30)
        version = struct.unpack_from("<H", fixed, 4)[0]
        name_len, extra_len = struct.unpack_from("<HH", fixed, 26)
        f.seek(name_len, 1)
        extra = f.read(extra_len)
    tags, at = [], 0
    while at + 4 <= len(extra):
        tag, length = struct.unpack_from("<HH", extra, at)
        tags.append(tag)
        at += 4 + length
    return version, tags


def zip64_many_entries(h, base):
    """More entries than the classic end record can count."""
    tree = base / "tree"
    count = 70000
    for d in range(70):
        folder = tree / f"d{d:02}"
        folder.mkdir(parents=True)
        for i in range(count // 70):
            (folder / f"f{i:04}.txt").write_bytes(b"%d\n" % (d * 1000 + i))
    out = base / "out"
    out.mkdir()
    tested = None  # (arch, digest) of the archive the outside readers checked
    for arch in h.arches:
        archive = out / f"{arch}.zip"
        r = lspzip(h, arch, "-q", "-r", "-1", win_path(archive), win_path(tree), timeout=1800)
        h.record(f"{arch} {count} entries: exit 0", r.returncode == 0, outcome(r))
        if not archive.exists():
            continue
        digest = hashlib.sha256(archive.read_bytes()).hexdigest()
        if tested:
            h.check_equal(f"{arch} {count} entries: the same bytes as {tested[0]}", digest, tested[1])
        else:
            rc, log = run_tool(["unzip", "-tq", str(archive)])
            h.record(f"{arch} {count} entries: unzip -t", rc == 0 and "No errors detected" in log, log[-800:])
            rc, log = run_tool(["7z", "t", str(archive)])
            h.record(f"{arch} {count} entries: 7z t", rc == 0 and f"Files: {count}" in log, log[-800:])
            tested = (arch, digest)
        with zipfile.ZipFile(archive) as z:
            infos = z.infolist()
            h.check_equal(f"{arch} {count} entries: zipfile count", len(infos), count)
            h.check_equal(f"{arch} {count} entries: last entry", z.read("d69/f0999.txt"), b"69999\n")
        tail = archive.read_bytes()[-200:]
        h.record(f"{arch} {count} entries: zip64 end records", b"PK\x06\x06" in tail and b"PK\x06\x07" in tail)
        archive.unlink()


def sibling(name):
    spec = importlib.util.spec_from_file_location(f"lspzipx_{name}", Path(__file__).with_name(f"{name}.py"))
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def front_end(h, base):
    sibling("front_end").run_front_end(h, base)


def hostile(h, base):
    sibling("hostile").run_hostile(h, base)


def run(h):
    base = h.scratch("lspzipx")
    for name, case in (("front end", front_end), ("hostile", hostile), ("round trips", round_trips), ("encryption", encryption), ("threads", thread_oracle),
                       ("memory", memory_bound), ("delete originals", delete_originals),
                       ("zip64 large file", zip64_large_file), ("zip64 many entries", zip64_many_entries)):
        folder = base / name.replace(" ", "-")
        folder.mkdir()
        started = time.monotonic()
        try:
            case(h, folder)
        except Exception as e:
            import traceback
            h.record(f"{name} raised", False, traceback.format_exc())
        print(f"  lspzipx: {name} took {time.monotonic() - started:.0f} s", flush=True)
        shutil.rmtree(folder, ignore_errors=True)
