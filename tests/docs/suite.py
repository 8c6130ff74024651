"""The documents hold to the code: the reference's status table is the
code's own, its table of option bits is the library header's, every
member of the interface has its section, the defaults it states are what a
fresh object reads, and its examples run in a real page of the sample site
without a script error."""

import re
import shutil
import subprocess
import sys

from harness import ROOT, text, win_path

REFERENCE = ROOT / "docs" / "REFERENCE.md"
IDL = ROOT / "component" / "component" / "kbaycl20.idl"
FILE_NAMES = ROOT / "common" / "file_names.cpp"
LIBRARY_HEADER = ROOT / "lspzipx" / "lspzipx.h"


def members_table(reference):
    """(member, default) for each row of the members table."""
    rows = []
    for line in re.findall(r"^\| \d+ \| \[`\w+`\].*\|$", reference, re.M):
        cells = [c.strip() for c in line.strip("|").split("|")]
        rows.append((re.match(r"\[`(\w+)`\]", cells[1]).group(1), cells[4].strip("`")))
    return rows


def page(h, arch, site, name, body):
    (site / name).write_text('<%@ LANGUAGE="VBScript" %>\n<%\n' + body + "\n%>\n")
    r = h.run_exe(arch, h.bin_dir(arch) / "asphost.exe", ["run", "--root", win_path(site), name], timeout=120)
    return r.returncode, text(r) + r.stderr.decode("utf-8", "replace")


def run(h):
    result = subprocess.run([sys.executable, str(ROOT / "tools" / "status_table.py"), str(ROOT)],
                            capture_output=True, text=True, timeout=60)
    h.record("the reference's status table is the code's", result.returncode == 0, result.stdout[-3000:])

    reference = REFERENCE.read_text()
    table_code = re.search(r"kActiveContentExtensions\[\] = \{(.*?)\};", FILE_NAMES.read_text(), re.S).group(1)
    printed = re.search(r"<!-- active-extensions -->(.*?)<!-- /active-extensions -->", reference, re.S).group(1)
    h.check_equal("the reference prints the code's table of refused archive extensions",
                  re.findall(r"`\.(\w+)`", printed), re.findall(r'L"(\w+)"', table_code))
    bits = re.findall(r"LSZIP_OPTION_(\w+) = 0x([0-9A-Fa-f]{4})", LIBRARY_HEADER.read_text())
    h.check_equal("the reference's option bits are the library header's",
                  re.findall(r"^\| 0x([0-9A-F]{4}) \| `(\w+)` \|", reference, re.M), [(v, n) for n, v in bits])
    declared = sorted(set(re.findall(r"HRESULT (\w+)\(", IDL.read_text())))
    documented = sorted(set(re.findall(r"^### (\w+)$", reference, re.M)))
    h.check_equal("every member of the interface has its section", documented, declared)
    table = members_table(reference)
    h.check_equal("the members table lists every member", sorted(n for n, _ in table), declared)

    h.register_component()
    arch = h.arches[0]
    site = h.scratch("docs", arch)
    shutil.copytree(ROOT / "examples", site, dirs_exist_ok=True)

    # A fresh object reads the defaults the reference states, compared by the script engine itself.
    checks = [f'Response.Write "{name}=" & (zip.{name} = {default}) & vbLf'
              for name, default in table if default and default != "computed"]
    code, out = page(h, arch, site, "defaults.asp",
                     'Set zip = Server.CreateObject("Kestrelbay.Crateload2")\n' + "\n".join(checks))
    wrong = [line for line in out.splitlines() if "=" in line and not line.endswith("=True")]
    h.record(f"{arch} the stated defaults are a fresh object's ({len(checks)})",
             code == 0 and not wrong and out.count("=True") == len(checks), out[-2000:])

    # The redirect after doZip that hideResponse allows, as the reference words it.
    redirect = next((b for b in re.findall(r"```asp\n(.*?)```", reference, re.S) if "Response.Redirect" in b), "")
    code, out = page(h, arch, site, "redirect.asp", 'Dim zip, errorNumber, errorText\n'
                     'Set zip = Server.CreateObject("Kestrelbay.Crateload2")\n'
                     'zip.sourceFileList = "samples/report.txt"\nzip.zipFileName = "r"\n'
                     'zip.virtualTargetRoot = "/downloads"\n' + "\n".join(
                         line.strip() for line in redirect.splitlines()))
    h.record(f"{arch} the reference's redirect after doZip works", bool(redirect) and code == 0
             and re.search(r'HREF="/downloads/CL[^"]+/r\.zip"', out) is not None, out[-1500:])

    examples = re.findall(r"```vbscript\n(.*?)```", reference, re.S)
    body = []
    for i, example in enumerate(examples):
        body += ['Set zip = Server.CreateObject("Kestrelbay.Crateload2")', example.rstrip(),
                 f'Response.Write vbLf & "example {i} ran" & vbLf']
    code, out = page(h, arch, site, "examples.asp", "\n".join(body))
    ran = len(re.findall(r"^example \d+ ran$", out, re.M))
    h.record(f"{arch} the reference's {len(examples)} examples run in a page",
             code == 0 and ran == len(examples) and "<p>Failed:" not in out,
             out[-3000:])
