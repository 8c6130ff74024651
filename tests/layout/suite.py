"""The layout keeps its promises: dependencies run one way (common/ below the
three products, the component's operations below its COM layer, the
library's folders in their order), the settings key is spelled once, and no
product file outgrows a room."""

import subprocess
import sys

from harness import ROOT

MAX_LINES = 300


def run(h):
    result = subprocess.run([sys.executable, str(ROOT / "tools" / "check_layout.py"), str(ROOT)],
                            capture_output=True, text=True, timeout=120)
    h.record("includes run one way; the settings key is spelled once", result.returncode == 0,
             result.stdout[-3000:] + result.stderr[-1000:])
    large = []
    for folder in ("common", "component", "lspzipx", "asphost"):
        for path in sorted((ROOT / folder).rglob("*")):
            if path.suffix in (".cpp", ".h") and len(path.read_text(errors="replace").splitlines()) > MAX_LINES:
                large.append(str(path.relative_to(ROOT)))
    h.record(f"no product file over {MAX_LINES} lines", not large, ", ".join(large))
