#!/usr/bin/env python3
r"""Checks that dependencies run one way, as the folders say:

- common/ includes nothing from the three products;
- lspzipx/ and asphost/ include nothing from component/;
- inside component/, the operations (zip/, maintenance/, compressor/,
  policy/, status/, page/) and the log (log/) include nothing from the COM
  layer (component/component/);
- inside lspzipx/, a folder includes only itself and the folders below it,
  in the order of LIBRARY_LAYERS;
- one thing has one name: no product file is named "spec" for the source
  list (PRODUCTS below);
- the settings key (Kestrelbay\Crateload, with one backslash or two) is
  spelled in exactly one source file of common/ and the three products, so
  that every setting's path is built from that one spelling;
- of lspzipx/, component/ includes only its public header lspzipx/lspzipx.h,
  which includes no file of ours, so that every folder may include it;
- that header is the one place the DLL's calls (the names its .def file
  exports) are declared: no other header declares them, and a source file
  that declares or defines one includes the header, so that the compiler
  holds both sides to one signature.

Prints one line per broken rule and exits non-zero when there is any.
usage: tools/check_layout.py [ROOT]
"""

import re
import sys
from pathlib import Path

LIBRARY_LAYERS = ["base", "format", "crypto", "io", "source", "deflate", "archive", "check", "api", "cli"]
PRODUCTS = ["common", "component", "lspzipx", "asphost"]
OPERATIONS = ["zip", "maintenance", "compressor", "policy", "status", "page", "log"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)
SETTINGS_KEY = re.compile(r"Kestrelbay\\+Crateload")
PUBLIC_HEADER = "lspzipx/lspzipx.h"
EXPORT_LIST = "lspzipx/api/lspzipx.def"
COMMENT = re.compile(r"//[^\n]*|/\*.*?\*/", re.DOTALL)


def includes(path):
    return INCLUDE.findall(path.read_text(errors="replace"))


def sources(folder):
    return sorted(p for p in folder.rglob("*") if p.suffix in (".h", ".cpp", ".c"))


def settings_key_spellings(root):
    """The source files, resources and interface files that spell the settings key."""
    return [path.relative_to(root).as_posix()
            for folder in PRODUCTS for path in sorted((root / folder).rglob("*"))
            if path.suffix in (".h", ".cpp", ".c", ".rc", ".idl", ".mc")
            and SETTINGS_KEY.search(path.read_text(errors="replace"))]


def tree_sources(root):
    """Every source file of the tree, the build's fetched sources left out."""
    return [p for p in sources(root)
            if not any(part == "build" or part.startswith(".") for part in p.relative_to(root).parts)]


def declaration(names):
    """A line that declares or defines one of names: a type before the name,
    a parenthesis after it, and no call's syntax (=, (, return) before it."""
    alternatives = "|".join(sorted(map(re.escape, names), key=len, reverse=True))
    return re.compile(r'^[ \t]*(?:extern[ \t]+"C"[ \t]+)?(?!return\b|else\b|case\b)'
                      rf'[A-Za-z_][\w \t\n*]*?[\s*]({alternatives})[ \t]*\(', re.MULTILINE)


def check_exports(root):
    export_list = root / EXPORT_LIST
    header = root / PUBLIC_HEADER
    if not export_list.exists() or not header.exists():
        return [f"{PUBLIC_HEADER} and {EXPORT_LIST} are where the library's calls are declared and exported"]
    lines = export_list.read_text().splitlines()
    names = [n.strip() for n in lines[lines.index("EXPORTS") + 1:] if n.strip()]
    declares = declaration(names)
    broken = []
    declared = set(declares.findall(COMMENT.sub("", header.read_text(errors="replace"))))
    broken += [f"{PUBLIC_HEADER} does not declare {n}, which {EXPORT_LIST} exports"
               for n in names if n not in declared]
    for path in tree_sources(root):
        if path == header or not declares.search(COMMENT.sub("", path.read_text(errors="replace"))):
            continue
        relative = path.relative_to(root)
        if path.suffix == ".h":
            broken.append(f"{relative} declares the library's calls: {PUBLIC_HEADER} alone does")
        elif not any(c == header for t in includes(path)
                     for c in (path.parent / t, root / t, root / "lspzipx" / t)):
            broken.append(f"{relative} declares the library's calls without including {PUBLIC_HEADER}")
    return broken


def where(root, path, target):
    return f"{path.relative_to(root)} includes {target}"


def check(root):
    broken = []
    for path in sources(root / "common"):
        broken += [where(root, path, t) + ": common/ knows no product"
                   for t in includes(path) if not t.startswith("common/")]

    for product in ("lspzipx", "asphost"):
        base = root / product
        for path in sources(base):
            for t in includes(path):
                if t.startswith("common/") or (base / t).exists():
                    continue
                broken.append(where(root, path, t) + f": {product}/ includes only itself and common/")

    component = root / "component"
    for folder in OPERATIONS:
        for path in sources(component / folder):
            broken += [where(root, path, t) + ": an operation does not reach into the COM layer"
                       for t in includes(path) if t.startswith("component/")]
    for path in sources(component):
        broken += [where(root, path, t) + f": of lspzipx/, the component includes only {PUBLIC_HEADER}"
                   for t in includes(path) if t.startswith("lspzipx/") and t != PUBLIC_HEADER]
    header = root / PUBLIC_HEADER
    if header.exists():
        broken += [where(root, header, t) + ": the public header includes no file of ours"
                   for t in includes(header)]

    library = root / "lspzipx"
    for path in sources(library):
        own = path.relative_to(library).parts[0]
        if own not in LIBRARY_LAYERS:
            continue
        for t in includes(path):
            layer = t.split("/")[0]
            if layer in LIBRARY_LAYERS and LIBRARY_LAYERS.index(layer) > LIBRARY_LAYERS.index(own):
                broken.append(where(root, path, t) + f": {own}/ lies below {layer}/")

    for product in PRODUCTS:
        broken += [f"{p.relative_to(root)}: a source list is called a source list, not a spec"
                   for p in (root / product).rglob("*") if "spec" in p.name.lower()]
    spelled = settings_key_spellings(root)
    if len(spelled) != 1:
        broken.append(f"the settings key is spelled in {len(spelled)} files ({', '.join(spelled) or 'none'}): "
                      "spell it once (common/registry.h) and build every setting's path from it")
    return broken + check_exports(root)


def main():
    root = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent)
    broken = check(root)
    for line in broken:
        print(line)
    print(f"layout: {len(broken)} broken")
    return 1 if broken else 0


if __name__ == "__main__":
    sys.exit(main())
