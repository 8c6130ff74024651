"""The googletest executables, run once per architecture."""


def run(h):
    for arch in h.arches:
        build = h.bin_dir(arch).parent
        for exe in sorted(list(build.glob("bin/*_tests.exe")) + list(build.glob("unit/*_tests.exe"))):
            h.run_gtest(arch, exe)
