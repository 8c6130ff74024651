"""Sources and targets as someone who can write beside them arranges them:
names made on the Unix side that Windows could never hold, and a target
folder that is a link to somewhere else."""

import os
from pathlib import Path

from harness import text, win_path
from zipcheck import verify_zip


def lspzip(h, arch, *args, **kw):
    return h.run_exe(arch, h.bin_dir(arch) / "lspzip.exe", args, **kw)


def outcome(result):
    return f"exit {result.returncode}\nstdout: {text(result)[-1500:]}\nstderr: {result.stderr.decode('utf-8', 'replace')[-1500:]}"


# Each name, listed in tree/, would read or name something other than itself:
# folder/ or the tree's parent, or a drive or stream.
LEAVING_NAMES = [
    ("file climbing out", "a\\..\\..\\outside\\secret.txt", False),
    ("folder climbing out", "up\\..\\..\\outside", True),
    ("name from the root", "\\lead.txt", False),
    ("drive letter", "c:drive.txt", False),
    ("control character", "bell\x07.txt", False),
]

# Names Windows drops a part of, or takes for a device, beside the plain name
# they would be confused with.
EXACT_NAMES = {"rep": b"plain rep\n", "rep.": b"rep with a dot\n", "rep ": b"rep with a blank\n",
               "nul.txt": b"not the null device\n", "com1.log": b"not a serial port\n"}


def names_that_leave(h, base):
    for arch in h.arches:
        for label, name, folder in LEAVING_NAMES:
            case = base / arch / label.replace(" ", "-")
            tree, outside, out = case / "tree", case / "outside", case / "out"
            for d in (tree, outside, out):
                d.mkdir(parents=True)
            (outside / "secret.txt").write_bytes(b"outside the tree\n")
            (tree / "lead.txt").write_bytes(b"in the tree\n")
            if folder:
                (tree / name).mkdir()
                (tree / name / "x.txt").write_bytes(b"inside the odd folder\n")
            else:
                (tree / name).write_bytes(b"the odd name's own bytes\n")
            r = lspzip(h, arch, "-q", "-r", "-m", win_path(out / "t.zip"), win_path(tree), timeout=120)
            listed = win_path(tree) + "\\" + name
            h.record(f"{arch} {label}: refused with 152, naming it",
                     r.returncode == 152 and f"lspzip: {listed}: not a usable source" in
                     r.stderr.decode("utf-8", "replace"), outcome(r))
            h.check_equal(f"{arch} {label}: nothing written", sorted(os.listdir(out)), [])
            h.record(f"{arch} {label}: nothing deleted, inside or out",
                     (outside / "secret.txt").is_file() and (tree / "lead.txt").is_file() and
                     os.path.lexists(tree / name))


def names_read_as_themselves(h, base):
    for arch in h.arches:
        tree, out = base / arch / "tree", base / arch / "out"
        tree.mkdir(parents=True)
        out.mkdir()
        for name, data in EXACT_NAMES.items():
            (tree / name).write_bytes(data)
        archive = out / "t.zip"
        r = lspzip(h, arch, "-q", "-r", "-m", win_path(archive), win_path(tree), timeout=120)
        h.record(f"{arch} dots, blanks and device names: exit 0", r.returncode == 0, outcome(r))
        problems = verify_zip(archive, "", EXACT_NAMES, readers=("zipfile", "7z"))
        h.record(f"{arch} dots, blanks and device names: each entry holds its own file's bytes", not problems,
                 "\n".join(problems))
        h.check_equal(f"{arch} dots, blanks and device names: each original deleted", sorted(os.listdir(tree)), [])


def linked_target_folder(h, base):
    """The library asked for an exact folder refuses one that is a link and
    writes nothing where it leads; asked for nothing, it follows the link."""
    for arch in h.arches:
        victim = base / arch / "victim"
        victim.mkdir(parents=True)
        (victim / "t.zip").write_bytes(b"the victim's own file\n")
        link = base / arch / "dl"
        link.symlink_to(victim, target_is_directory=True)
        h.run_gtest(arch, h.bin_dir(arch) / "lspzipx_tests.exe",
                    args=["--gtest_filter=ApiTest.ExactFolderRefusesATargetFolderThatIsALink"],
                    env={"LSPZIPX_LINKED_FOLDER": win_path(link.parent) + "\\" + link.name})
        h.check_equal(f"{arch} linked target folder: the victim's folder holds the archive alone",
                      sorted(os.listdir(victim)), ["t.zip"])


def run_hostile(h, base):
    for name, case in (("leaving", names_that_leave), ("exact", names_read_as_themselves),
                       ("linked", linked_target_folder)):
        folder = base / name
        folder.mkdir()
        case(h, folder)
