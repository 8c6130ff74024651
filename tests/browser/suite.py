"""The sample site through `asphost serve`: a real browser zips two files
with a password and downloads the archive, and several visitors zip at the
same moment. Archives are opened with 7-Zip, not with our code."""

import json
import re
import shutil
import subprocess
import threading
import urllib.parse
from pathlib import Path

from served_site import ServedSite
from zipcheck import verify_zip

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent.parent
EXAMPLES = ROOT / "examples"


def install_playwright(h):
    """playwright-core from the lock file; Debian's chromium does the browsing."""
    if (HERE / "node_modules" / "playwright-core").exists():
        return True
    result = subprocess.run(["npm", "ci", "--no-audit", "--no-fund", "--prefix", str(HERE)],
                            capture_output=True, timeout=900)
    h.record("npm ci installs playwright-core", result.returncode == 0,
             result.stdout.decode(errors="replace")[-2000:] + result.stderr.decode(errors="replace")[-2000:])
    return result.returncode == 0


def fresh_site(h, *parts):
    site = h.scratch(*parts)
    shutil.copytree(EXAMPLES, site, dirs_exist_ok=True)
    return site


def browser_flow(h, arch):
    site = fresh_site(h, "browser", arch, "site")
    downloads = h.scratch("browser", arch, "downloads")
    profile = h.scratch("browser", arch, "profile")
    picked = ["report.txt", "price list.csv"]
    with ServedSite(h, arch, site) as served:
        result = subprocess.run(["node", str(HERE / "zip_flow.mjs"), served.base, str(downloads), str(profile),
                                 "s3cret", *picked], capture_output=True, timeout=600, cwd=str(HERE))
    out = result.stdout.decode(errors="replace")
    h.record(f"{arch} browser: the flow ran", result.returncode == 0,
             out[-2000:] + result.stderr.decode(errors="replace")[-3000:])
    if result.returncode != 0:
        return
    report = json.loads(out.strip().splitlines()[-1])
    h.check_equal(f"{arch} browser: the listing offers every sample with its name shown",
                  (report["listed"], report["labels"]),
                  (["notes.txt", "price list.csv", "readme.html", "report.txt"],
                   ["notes.txt", "price list.csv", "readme.html", "report.txt"]))
    h.record(f"{arch} browser: the page shows progress and success",
             report["status"] == "0" and report["progressShown"] and "2 file(s) zipped" in report["outcome"], str(report))
    h.record(f"{arch} browser: the link points into the download area",
             re.fullmatch(r"/downloads/CL\d{8}-\d{6}-\d+/selection\.zip", report["href"] or "") is not None, report["href"])
    problems = verify_zip(Path(report["download"]), "s3cret", {n: site / "samples" / n for n in picked})
    h.record(f"{arch} browser: the download opens in 7-Zip with the password and holds exactly the two files",
             not problems, "\n".join(problems))
    h.record(f"{arch} browser: the housekeeping page refuses an anonymous visitor", report["housekeepingStatus"] == 401
             and "signed-in accounts only" in report["housekeeping"], str(report))


def concurrent_zips(h, arch):
    """Visitors press Zip at the same moment. Each gets a sound archive of
    its own files behind its own password, or the busy message."""
    site = fresh_site(h, "browser", arch, "concurrent")
    samples = ["notes.txt", "price list.csv", "readme.html", "report.txt"]
    # Large enough that compressions overlap.
    big = site / "samples" / "big.txt"
    with open(big, "w") as f:
        for i in range(60000):
            f.write(f"line {i} of the shared sample, {i * 7919 % 104729}\n")
    samples.append("big.txt")
    visitors = []
    for i in range(6):
        files = [samples[(i + k) % len(samples)] for k in range(1 + i % 3)]
        if "big.txt" not in files:
            files.append("big.txt")
        visitors.append((files, f"pw{i}x"))
    results = [None] * len(visitors)
    with ServedSite(h, arch, site) as served:
        start = threading.Barrier(len(visitors))

        def visit(i):
            files, password = visitors[i]
            body = urllib.parse.urlencode([("file", f) for f in files] + [("password", password)]).encode()
            start.wait()
            try:
                results[i] = served.request("POST", "/zip.asp", body, {"Content-Type": "application/x-www-form-urlencoded"},
                                            timeout=600)
            except Exception as e:  # recorded below
                results[i] = e

        threads = [threading.Thread(target=visit, args=(i,)) for i in range(len(visitors))]
        for t in threads:
            t.start()
        for t in threads:
            t.join(700)

        zipped = busy = 0
        for i, ((files, password), result) in enumerate(zip(visitors, results)):
            if not isinstance(result, tuple):
                h.record(f"{arch} concurrent: visitor {i} answered", False, repr(result))
                continue
            status, headers, page = result
            page = page.decode(errors="replace")
            link = re.search(r'<A HREF="([^"]+)">selection\.zip</A>', page)
            if status == 200 and 'data-status="0"' in page and link:
                zipped += 1
                got_status, got_headers, data = served.request("GET", link.group(1))
                archive = h.scratch("browser", arch, "concurrent-downloads", str(i)) / "selection.zip"
                archive.write_bytes(data)
                ok = got_status == 200 and got_headers.get("Content-Type") == "application/zip" \
                    and got_headers.get("Content-Length") == str(len(data))
                problems = verify_zip(archive, password, {f: site / "samples" / f for f in files})
                h.record(f"{arch} concurrent: visitor {i} gets its own files behind its own password", ok and not problems,
                         "\n".join(problems) + f"\n{got_status} {got_headers}")
            elif status == 200 and "Busy at present, please try again later." in page:
                busy += 1
            else:
                h.record(f"{arch} concurrent: visitor {i} gets a zip or the busy message", False, f"{status}\n{page[-1500:]}")
        h.record(f"{arch} concurrent: at least one visitor got a zip", zipped >= 1, f"{zipped} zipped, {busy} busy")


def run(h):
    h.register_component()
    for arch in h.arches:
        concurrent_zips(h, arch)
    if not install_playwright(h):
        return
    for arch in h.arches:
        browser_flow(h, arch)
