"""The sample site's pages, run by asphost as IIS runs them: what the
visitor reads, and the archive each page makes checked by the outside
readers; and its download folder's web.config, read by Python's XML
parser. The browser area drives zip.asp through a real browser."""

import re
import shutil
from pathlib import Path
from xml.etree import ElementTree

from harness import text, win_path
from zipcheck import verify_zip

EXAMPLES = Path(__file__).resolve().parent.parent.parent / "examples"


def page(h, arch, site, name, *extra):
    r = h.run_exe(arch, h.bin_dir(arch) / "asphost.exe", ["run", "--root", win_path(site), name, *extra], timeout=120)
    out = text(r)
    if r.returncode != 0:
        out += "\n[asphost exit %d] %s" % (r.returncode, r.stderr.decode("utf-8", "replace"))
    return out


def archive_of(site, out):
    """The archive the page links to, on disk."""
    m = re.search(r'(?i)href="(/downloads/CL[^"]+\.zip)"', out)
    return site / m.group(1).lstrip("/") if m else site / "no-link-in-page"


def zip_page(h, arch, site):
    samples = site / "samples"
    for password, note in (("s3cret", "and encrypted (it opens only with your password)"), ("", ", not encrypted")):
        out = page(h, arch, site, "zip.asp", "--form", f"file=report.txt&file=price+list.csv&password={password}")
        h.record(f"{arch} zip.asp says {note.strip(' ,')!r} and lists the files",
                 f'data-status="0">2 file(s) zipped{"" if note.startswith(",") else " "}{note}:' in out
                 and '<ul id="zipped"><li>report.txt</li><li>price list.csv</li></ul>' in out, out[-1500:])
        problems = verify_zip(archive_of(site, out), password,
                              {n: samples / n for n in ("report.txt", "price list.csv")},
                              "ZipCrypto" if password else None)
        h.record(f"{arch} zip.asp: the archive holds the two files", not problems, "\n".join(problems))


def folder_page(h, arch, site):
    samples = site / "samples"
    (samples / "empty").mkdir(exist_ok=True)
    out = page(h, arch, site, "folder.asp", "--form", "password=")
    h.record(f"{arch} folder.asp zips the folder", 'data-status="0">The whole folder is zipped, not encrypted.' in out,
             out[-1500:])
    expected = {p.relative_to(samples).as_posix(): p for p in samples.rglob("*") if p.is_file()}
    expected["empty/"] = None
    problems = verify_zip(archive_of(site, out), "", expected)
    h.record(f"{arch} folder.asp: every file under its path, the empty folder kept", not problems,
             "\n".join(problems))


def quiet_page(h, arch, site):
    out = page(h, arch, site, "quiet.asp")
    h.record(f"{arch} quiet.asp: the page words the outcome, the component writes nothing",
             "Your report is ready: <a href=" in out and "Crateload 2 Compression Component" not in out
             and "Operation complete" not in out, out[-1500:])
    problems = verify_zip(archive_of(site, out), "", {"report.txt": site / "samples" / "report.txt"})
    h.record(f"{arch} quiet.asp: its archive", not problems, "\n".join(problems))
    out = page(h, arch, site, "quiet.asp", "--query", "name=a/b")
    h.record(f"{arch} quiet.asp: a failure in the page's own words",
             'data-status="151">Sorry, the report could not be made. Error 151: Invalid Zip file name.</p>' in out
             and "ERROR:" not in out, out[-1500:])


def housekeeping_page(h, arch, site):
    old = site / "downloads" / "CL20000101-000000-1"
    old.mkdir()
    out = page(h, arch, site, "housekeeping.asp")
    h.record(f"{arch} housekeeping.asp refuses an anonymous caller", 'id="refused"' in out and old.exists(), out)
    user = ("--user", "HOST\\crateload-housekeeping")
    # A days value the component cannot take is the caller's mistake: 400, not a script error.
    for days in ("99999", "-1", "1.5", "7x"):
        out = page(h, arch, site, "housekeeping.asp", "--query", f"days={days}", *user)
        h.record(f"{arch} housekeeping.asp?days={days} is refused as a bad request",
                 'id="bad-days"' in out and "asphost exit" not in out and old.exists(), out)
    out = page(h, arch, site, "housekeeping.asp", "--query", "days=32767", *user)
    h.record(f"{arch} housekeeping.asp?days=32767 keeps a younger folder", 'data-count="0"' in out and old.exists(), out)
    out = page(h, arch, site, "housekeeping.asp", *user)
    h.record(f"{arch} housekeeping.asp removes old folders for a signed-in caller",
             'data-count="1"' in out and not old.exists(), out)


def download_config(h):
    """The download folder's web.config as an XML parser reads it, setting by
    setting: read-only handlers, only .zip served, and its two headers."""
    root = ElementTree.parse(EXAMPLES / "downloads" / "web.config").getroot()
    found = lambda path: [(e.tag, e.attrib) for e in root.findall(path)]
    h.check_equal("the download folder's web.config: a configuration with these three sections only",
                  (root.tag, [e.tag for e in root], [e.tag for e in root.findall("system.webServer/*")]),
                  ("configuration", ["system.webServer"], ["handlers", "staticContent", "httpProtocol"]))
    h.check_equal("the download folder's web.config: handlers read-only",
                  found("system.webServer/handlers"), [("handlers", {"accessPolicy": "Read"})])
    h.check_equal("the download folder's web.config: staticContent cleared, then .zip as application/zip",
                  found("system.webServer/staticContent/*"),
                  [("clear", {}), ("mimeMap", {"fileExtension": ".zip", "mimeType": "application/zip"})])
    h.check_equal("the download folder's web.config: nosniff and attachment, each replacing one the site may send",
                  found("system.webServer/httpProtocol/customHeaders/*"),
                  [("remove", {"name": "X-Content-Type-Options"}),
                   ("add", {"name": "X-Content-Type-Options", "value": "nosniff"}),
                   ("remove", {"name": "Content-Disposition"}),
                   ("add", {"name": "Content-Disposition", "value": "attachment"})])


def under_shipped_policy(h, arch, site):
    """With crateload-policy.reg imported, zip.asp still zips the ticked
    files (it names virtual items), and folder.asp says that it left the
    subfolders out."""
    samples = site / "samples"
    (samples / "sub").mkdir(exist_ok=True)
    (samples / "sub" / "inner.txt").write_text("inside")
    h.reg(arch, "import", win_path(EXAMPLES / "crateload-policy.reg"))
    try:
        out = page(h, arch, site, "zip.asp", "--form", "file=report.txt&file=price+list.csv&password=")
        problems = verify_zip(archive_of(site, out), "", {n: samples / n for n in ("report.txt", "price list.csv")}) \
            if 'data-status="0">2 file(s) zipped' in out else [out[-1500:]]
        h.record(f"{arch} under the shipped policy zip.asp zips the ticked files", not problems, "\n".join(problems))
        out = page(h, arch, site, "folder.asp", "--form", "password=")
        h.record(f"{arch} under the shipped policy folder.asp says the subfolders were left out",
                 'data-status="0">The folder\'s own files are zipped, not encrypted; subfolders are not allowed' in out,
                 out[-1500:])
        problems = verify_zip(archive_of(site, out), "",
                              {p.name: p for p in samples.iterdir() if p.is_file()})
        h.record(f"{arch} under the shipped policy folder.asp's archive holds the folder's own files",
                 not problems, "\n".join(problems))
    finally:
        for view in ("/reg:64", "/reg:32"):
            h.reg(arch, "delete", "HKLM\\SOFTWARE\\Kestrelbay", "/f", view)
        shutil.rmtree(samples / "sub")


def run(h):
    download_config(h)
    h.register_component()
    for arch in h.arches:
        site = h.scratch("samples", arch)
        shutil.copytree(EXAMPLES, site, dirs_exist_ok=True)
        for case in (zip_page, folder_page, quiet_page, housekeeping_page, under_shipped_policy):
            case(h, arch, site)
