"""asphost under Wine: real pages through `asphost run`, then the same site
through `asphost serve` with real HTTP requests."""

import shutil
import sys
import zipfile
from pathlib import Path

from harness import text, win_path
from served_site import ServedSite

sys.path.insert(0, str(Path(__file__).resolve().parent))
from hostile_http import hostile_checks, limit_checks  # noqa: E402

SITE = Path(__file__).resolve().parent / "site"
DOWNLOAD_CONFIG = Path(__file__).resolve().parents[2] / "examples" / "downloads" / "web.config"
QUERY = "q=x%20y&q=2"
FORM = "pick=a.txt&pick=b+c.txt&pw=secret"


def run_page(h, arch, root, page, *extra):
    result = h.run_exe(arch, h.bin_dir(arch) / "asphost.exe", ["run", "--root", win_path(root), page, *extra], timeout=120)
    return result.returncode, text(result), result.stderr.decode("utf-8", "replace")


def run(h):
    h.register_component()
    for arch in h.arches:
        root = win_path(SITE)
        code, out, err = run_page(h, arch, SITE, "intrinsics.asp", "--query", QUERY, "--form", FORM)
        expected = "\n".join([
            "buffer=True",
            "type=text/plain",
            "html=&lt;a href=&quot;x&quot;&gt;&amp;&#39;",
            "url=a+b%2Fc",
            f"map-rel={root}\\files\\a.txt",
            f"map-root={root}",
            f"map-up={root}\\files",
            "q=x y, 2|2|q=x%20y&q=2",
            "pick1=a.txt",
            "pick2=b c.txt",
            "form=a.txt, b c.txt||0",
            "item=x y, 2/secret",
            "method=POST script=/intrinsics.asp",
            "session=42 app=demo",
            "",
            "footer 42",
            "",
            "",
        ])
        h.record(f"{arch} intrinsics page", code == 0 and out == expected, f"exit {code}\n{out}\n{err}")
        h.record(f"{arch} Response.End stops the page", "after end" not in out, out)

        code, out, err = run_page(h, arch, SITE, "jscript.asp", "--query", "q=7")
        h.check_equal(f"{arch} JScript page", (code, out), (0, f"a%>b|it's \"%>\"|{root}\\files|7|&lt;&amp;&gt;\n"))

        # Errors: exit code 1, the file and line on stderr, the text in the page as IIS shows it.
        for page, where, words, before in [
            ("climb.asp", "/climb.asp(5)", "'..'", "<p>before</p>"),
            ("include_error.asp", "/sub/broken.inc(5)", "Division by zero", "<p>in the include</p>"),
            ("unclosed.asp", "/unclosed.asp(3)", "Missing close of script delimiter", None),
            ("badobject.asp", "/badobject.asp(2)", "No.Such.Thing", None),
        ]:
            code, out, err = run_page(h, arch, SITE, page)
            ok = code == 1 and f"asphost: {where}: " in err and words in err and words.replace("'", "&#39;") in out
            if before:
                ok = ok and before in out and "not reached" not in out
            h.record(f"{arch} error in {page}", ok, f"exit {code}\nstdout: {out}\nstderr: {err}")

        code, out, err = run_page(h, arch, SITE, "redirect.asp")
        h.record(f"{arch} Redirect", code == 0 and 'HREF="/next.asp?a=1"' in out and "gone" not in out
                 and "not reached" not in out, out + err)
        code, out, err = run_page(h, arch, SITE, "nothing-here.asp")
        h.record(f"{arch} a missing page", code == 2 and "page not found" in err, f"{code} {err}")

        # A component gets the page's context through OnStartPage, by value.
        for buffering in ("on", "off"):
            code, out, err = run_page(h, arch, SITE, "component.asp", "--query", f"buffer={buffering}")
            h.check_equal(f"{arch} component writes through the context (buffer {buffering})",
                          (code, out), (0, "[a.txt]\n[b.txt]\ncount=2\n"))

        serve_checks(h, arch)
        hostile_checks(h, arch)
        limit_checks(h, arch)


def serve_checks(h, arch):
    root = h.scratch("asphost", f"served-{arch}")
    shutil.copytree(SITE, root, dirs_exist_ok=True)
    archive = root / "files" / "pack.zip"
    with zipfile.ZipFile(archive, "w") as z:
        z.writestr("inside.txt", "x" * 5000)
    zip_bytes = archive.read_bytes()
    downloads = make_download_folder(root, zip_bytes)

    with ServedSite(h, arch, root) as site:
        download_folder_checks(h, arch, root, site, downloads, zip_bytes)
        status, headers, body = site.request("GET", "/files/pack.zip")
        h.check_equal(f"{arch} serve: a zip with its type and length",
                      (status, headers.get("Content-Type"), headers.get("Content-Length"), body == zip_bytes),
                      (200, "application/zip", str(len(zip_bytes)), True))
        status, headers, body = site.request("HEAD", "/files/a.txt")
        h.check_equal(f"{arch} serve: HEAD", (status, headers.get("Content-Length"), body), (200, "6", b""))

        refused = {
            "/files/": 403,               # no directory listing
            "/../etc/passwd": 403,        # above the root
            "/files/%2e%2e/%2e%2e/x": 403,
            "/intrinsics.asp.": 403,      # Windows would drop the dot and serve the source
            "/intrinsics.asp::$DATA": 403,
            "/sub/footer.inc": 404,       # includes are code, not content
            "/nothing.txt": 404,
            "/files": 301,
        }
        for target, want in refused.items():
            status, headers, body = site.request("GET", target)
            h.record(f"{arch} serve: {target} gives {want}", status == want and b"footer" not in body
                     and b"Response.Write" not in body, f"{status} {body[:200]!r}")

        status, headers, body = site.request("POST", "/intrinsics.asp?" + QUERY, FORM.encode(),
                                             {"Content-Type": "application/x-www-form-urlencoded"})
        h.record(f"{arch} serve: a posted form", status == 200 and b"pick2=b c.txt" in body
                 and b"method=POST" in body, f"{status} {body!r}")

        # Without buffering the page streams: no length known in advance.
        status, headers, body = site.request("GET", "/component.asp?buffer=off")
        h.check_equal(f"{arch} serve: unbuffered page streams",
                      (status, "Content-Length" in headers, body.replace(b"\r\n", b"\n")),
                      (200, False, b"[a.txt]\n[b.txt]\ncount=2\n"))

        status, headers, body = site.request("GET", "/session.asp")
        cookie = headers.get("Set-Cookie", "").split(";")[0]
        site.request("GET", "/session.asp", headers={"Cookie": cookie})
        status, headers, body = site.request("GET", "/session.asp", headers={"Cookie": cookie})
        h.check_equal(f"{arch} serve: a session follows its cookie", (cookie.startswith("ASPSESSIONID="), body), (True, b"visits=3\n"))

        answer = site.raw(b"GET / HTTP/1.1\r\nBroken header line\r\n\r\n")
        h.record(f"{arch} serve: a malformed request", answer.startswith(b"HTTP/1.1 400"), answer[:100])
        answer = site.raw(b"DELETE /files/a.txt HTTP/1.1\r\n\r\n")
        h.record(f"{arch} serve: other methods refused", answer.startswith(b"HTTP/1.1 405"), answer[:100])
        h.record(f"{arch} serve: the file survives", (root / "files" / "a.txt").exists())


def make_download_folder(root, zip_bytes):
    """The sample site's download folder with its web.config, holding what a
    visitor might try to get served; and a folder whose web.config is not
    XML."""
    folder = root / "downloads" / "CL20260101-000000-1"
    folder.mkdir(parents=True)
    shutil.copy(DOWNLOAD_CONFIG, root / "downloads" / "web.config")
    (folder / "a.zip").write_bytes(zip_bytes)
    for name in ("page.asp", "../top.asp"):
        (folder / name).write_text('<% Response.Write "RAN-HERE" %>')
    for name in ("note.txt", "a.html", "b.svg"):
        (folder / name).write_text("<script>RAN-HERE</script>")
    (root / "broken").mkdir()
    (root / "broken" / "web.config").write_text("<configuration>")
    (root / "broken" / "a.txt").write_text("RAN-HERE")
    (root / "broken" / "p.asp").write_text('<% Response.Write "RAN-HERE" %>')
    return "/downloads/CL20260101-000000-1"


def download_folder_checks(h, arch, root, site, downloads, zip_bytes):
    """Below the download folder's web.config, as IIS serves it: a .zip with
    its two headers, no page run, nothing else served."""
    answer = site.raw(f"GET {downloads}/a.zip HTTP/1.1\r\n\r\n".encode())
    head, _, body = answer.partition(b"\r\n\r\n")
    lines = head.decode("latin-1").split("\r\n")
    h.record(f"{arch} serve: a .zip of the download folder comes as a file to save, nosniff once",
             lines[0] == "HTTP/1.1 200 OK" and "Content-Type: application/zip" in lines
             and "Content-Disposition: attachment" in lines and lines.count("X-Content-Type-Options: nosniff") == 1
             and body == zip_bytes, head.decode("latin-1"))
    answers = {}
    for method, target in [("GET", f"{downloads}/page.asp"), ("POST", f"{downloads}/page.asp"),
                           ("HEAD", "/downloads/top.asp"), ("GET", f"{downloads}/note.txt"),
                           ("GET", f"{downloads}/a.html"), ("GET", f"{downloads}/b.svg"),
                           ("GET", "/downloads/web.config"), ("GET", "/broken/a.txt"), ("GET", "/broken/p.asp")]:
        status, headers, body = site.request(method, target, b"" if method == "POST" else None)
        answers[f"{method} {target}"] = status if b"RAN-HERE" not in body else "RAN-HERE"
    h.check_equal(f"{arch} serve: no page runs and nothing but a .zip is served below the download folder", answers, {
        f"GET {downloads}/page.asp": 403, f"POST {downloads}/page.asp": 403, "HEAD /downloads/top.asp": 403,
        f"GET {downloads}/note.txt": 404, f"GET {downloads}/a.html": 404, f"GET {downloads}/b.svg": 404,
        "GET /downloads/web.config": 404, "GET /broken/a.txt": 500, "GET /broken/p.asp": 500})
    code, out, err = run_page(h, arch, root, downloads.lstrip("/") + "/page.asp")
    h.record(f"{arch} run: a page below the download folder is refused", code != 0 and "RAN-HERE" not in out
             and "runs no scripts" in err, f"exit {code}\n{out}\n{err}")
