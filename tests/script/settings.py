"""Companion of settings.vbs: tells it where this architecture's lspzip is."""

from harness import win_path


def prepare(h, arch, scratch):
    (scratch / "lspzip.txt").write_text(win_path(h.bin_dir(arch) / "lspzip.exe") + "\r\n")
