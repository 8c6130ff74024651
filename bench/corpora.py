"""What the benchmark zips, built once under build/bench and kept:

- corpus: files every Debian machine of this kind has, the headers of
  /usr/include (text), shared and static libraries from /usr/lib (binaries)
  and the .gz files of /usr/share/doc (compressed already);
- joined: the same text as one large file, where only deflate counts;
- thumbnails: a tree of over 20,000 files of a few KB, most of them
  compressed already (images, archives), as a site's uploads would be;
- counts/N: N small text files, for time against file count;
- sizes/N: one compressible file of N bytes, for time against size.
"""

import functools
import os
import random
import shutil
from pathlib import Path

# Budgets per kind of data, in bytes; --small divides them by 20.
TEXT_BUDGET = 160_000_000
BINARY_BUDGET = 50_000_000
COMPRESSED_BUDGET = 60_000_000

THUMBNAILS = 20_480
FILE_COUNTS = (1_000, 10_000, 100_000)
FILE_SIZES = (100_000_000, 1_000_000_000, 4_000_000_000)


def regular_files(root, accept=lambda name: True):
    for folder, dirs, files in os.walk(root):
        dirs.sort()
        for name in sorted(files):
            path = os.path.join(folder, name)
            if not os.path.islink(path) and os.path.isfile(path) and accept(name):
                yield Path(path)


def stats(root):
    sizes = [p.stat().st_size for p in regular_files(root)]
    return len(sizes), sum(sizes)


def copy_kind(source, target, accept, budget):
    total = 0
    for path in regular_files(source, accept):
        size = path.stat().st_size
        if size == 0 or total + size > budget:
            continue
        dest = target / path.relative_to(source)
        dest.parent.mkdir(parents=True, exist_ok=True)
        try:
            shutil.copyfile(path, dest)
        except OSError:
            continue
        total += size
    return total


def once(work, name, build):
    """Builds work/name with build(path) unless a finished one is there."""
    path = work / name
    marker = work / f"{name}.done"
    if not (marker.exists() and path.exists()):
        shutil.rmtree(path, ignore_errors=True)
        build(path)
        marker.write_text("")
    return path


def build_corpus(path, scale):
    path.mkdir(parents=True)
    copy_kind(Path("/usr/include"), path / "text", lambda n: True, TEXT_BUDGET // scale)
    copy_kind(Path("/usr/lib"), path / "binaries", lambda n: n.endswith(".a") or ".so" in n, BINARY_BUDGET // scale)
    copy_kind(Path("/usr/share/doc"), path / "compressed", lambda n: n.endswith(".gz"), COMPRESSED_BUDGET // scale)


def build_joined(path, corpus):
    path.mkdir(parents=True)
    with open(path / "text.joined", "wb") as out:
        for file in regular_files(corpus / "text"):
            out.write(file.read_bytes())


def build_thumbnails(path, count):
    """Mostly compressed small files (random bytes under image and archive
    names), with some text among them."""
    rng = random.Random(20480)
    words = [b"thumbnail ", b"caption ", b"gallery ", b"upload\n", b"visitor ", b"album, "]
    for i in range(count):
        folder = path / f"album{i // 320:03}"
        folder.mkdir(parents=True, exist_ok=True)
        size = rng.randint(1_000, 8_000)
        if i % 5 == 4:
            data = b"".join(rng.choice(words) for _ in range(size // 7))[:size]
            name = f"note{i:05}.txt"
        else:
            data = rng.randbytes(size)
            name = f"img{i:05}.{('jpg', 'png', 'gz', 'zip')[i % 4]}"
        (folder / name).write_bytes(data)


@functools.lru_cache(maxsize=None)
def text_block(seed):
    """About 290 KB of word-like text, the same for the same seed."""
    rng = random.Random(seed)
    words = [b"archive ", b"deflate ", b"stream ", b"chunk\n", b"entry ", b"header, ", b"window. ", b"crc "]
    return b"".join(rng.choice(words) + str(rng.randint(0, 999)).encode() + b" " for _ in range(20_000))


def text_bytes(size, seed):
    block = text_block(seed)
    return (block * (size // len(block) + 1))[:size]


def build_counts(path, count):
    for i in range(count):
        folder = path / f"d{i // 1000:03}"
        folder.mkdir(parents=True, exist_ok=True)
        (folder / f"f{i:06}.txt").write_bytes(text_bytes(2_000 + (i * 37) % 6_000, i % 17))


def build_size(path, size):
    """One file of size bytes of text that deflates to about a fifth, written
    a block at a time."""
    path.mkdir(parents=True)
    rng = random.Random(size)
    with open(path / "large.txt", "wb") as out:
        written = 0
        blocks = [text_bytes(1 << 20, s) for s in range(8)]
        while written < size:
            block = blocks[rng.randrange(len(blocks))][: size - written]
            out.write(block)
            written += len(block)


def build_all(work, scale):
    small = "" if scale == 1 else f"-{scale}"
    corpus = once(work, "corpus" + small, lambda p: build_corpus(p, scale))
    joined = once(work, "joined" + small, lambda p: build_joined(p, corpus))
    thumbnails = once(work, "thumbnails" + small, lambda p: build_thumbnails(p, THUMBNAILS // scale))
    counts = {n // scale: once(work, f"counts-{n // scale}", lambda p, n=n: build_counts(p, n // scale))
              for n in FILE_COUNTS}
    return corpus, joined, thumbnails, counts


def size_set(work, size):
    """The single large file of one size; the larger ones are made when
    they are measured and removed after, to spare the disk."""
    return once(work, f"size-{size}", lambda p: build_size(p, size))
