"""The layout keeps its promises: dependencies run one way (common/ below the
three products, the component's operations below its COM layer, the
library's folders in their order, the component reaching the library only
through its public header), the library's calls are declared in that header
alone, no product file is named spec, the settings key is spelled once, and
no product file outgrows a room."""

import subprocess
import sys

from harness import ROOT

MAX_LINES = 300

DECLARED = "int32_t LSZIP_CALL LSZIP_EXECUTE(const char* zip_path, int32_t mode, int32_t rate, int32_t options)"
# The type on the line above the name, as C headers often write it.
SPLIT = 'extern "C" int32_t __stdcall\nLSZIP_EXECUTE(const char*, int32_t, int32_t, int32_t);\n'

# A tree that breaks each rule about the library's calls once, beside a file
# that keeps them: {path: text}.
BROKEN_TREE = {
    "lspzipx/api/lspzipx.def": "LIBRARY lspzipx.dll\nEXPORTS\n    LSZIP_EXECUTE\n    LSZIP_INCLUDE\n",
    "lspzipx/lspzipx.h": DECLARED + ";\n",
    "lspzipx/api/exports.cpp": '#include "lspzipx.h"\n' + DECLARED + " { return 0; }\n",
    "component/compressor/calls.h": "// its own copy\n" + DECLARED + ";\n",
    "component/compressor/binding.cpp": '#include "lspzipx/api/calls.h"\n',
    "tests/doubles/double.cpp": SPLIT,
    "common/source_spec.h": 'L"SOFTWARE\\\\Kestrelbay\\\\Crateload\\\\"\n',
    "lspzipx/api/options.cpp": 'L"SOFTWARE\\\\Kestrelbay\\\\Crateload\\\\ZipEncryption"\n',
}
BROKEN_LINES = [
    "component/compressor/binding.cpp includes lspzipx/api/calls.h",
    "lspzipx/lspzipx.h does not declare LSZIP_INCLUDE",
    "component/compressor/calls.h declares the library's calls",
    "tests/doubles/double.cpp declares the library's calls without including",
    "common/source_spec.h: a source list is called a source list",
    "the settings key is spelled in 2 files",
]


def check_layout(root):
    return subprocess.run([sys.executable, str(ROOT / "tools" / "check_layout.py"), str(root)],
                          capture_output=True, text=True, timeout=120)


def run(h):
    result = check_layout(ROOT)
    h.record("includes run one way; the settings key is spelled once", result.returncode == 0, result.stdout[-3000:] + result.stderr[-1000:])
    tree = h.scratch("layout", "broken")
    for name, text in BROKEN_TREE.items():
        (tree / name).parent.mkdir(parents=True, exist_ok=True)
        (tree / name).write_text(text)
    result = check_layout(tree)
    lines = result.stdout.splitlines()[:-1]
    h.record("a broken tree is caught, rule by rule", result.returncode == 1 and len(lines) == len(BROKEN_LINES)
             and all(any(line.startswith(b) for line in lines) for b in BROKEN_LINES), result.stdout + result.stderr)
    large = []
    for folder in ("common", "component", "lspzipx", "asphost"):
        for path in sorted((ROOT / folder).rglob("*")):
            if path.suffix in (".cpp", ".h") and len(path.read_text(errors="replace").splitlines()) > MAX_LINES:
                large.append(str(path.relative_to(ROOT)))
    h.record(f"no product file over {MAX_LINES} lines", not large, ", ".join(large))
