"""The googletest executables, run once per architecture."""


def run(h):
    for arch in h.arches:
        for exe in sorted(h.bin_dir(arch).glob("*_tests.exe")):
            h.run_gtest(arch, exe)
