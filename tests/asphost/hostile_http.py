"""`asphost serve` under hostile HTTP: malformed and oversized heads,
traversal in every encoding, device and short names, conflicting lengths,
many connections at once, idle and slow clients, a huge form and a page
that never ends. The server answers 4xx (or 503 when full), keeps serving
everyone else, and never serves a file outside its root or one it hides."""

import shutil
import socket
import threading
import time
from pathlib import Path

from served_site import ServedSite

SITE = Path(__file__).resolve().parent / "hostile_site"
OUTSIDE = b"OUTSIDE-MARKER"
HIDDEN = b"SECRET-MARKER"

# Requests sent as they are; each must get a 4xx answer that shows nothing
# from outside the root or from a hidden file.
REFUSED = [
    b"GET /%2e%2e/outside.txt HTTP/1.1\r\n\r\n",
    b"GET /files/..%2f..%2foutside.txt HTTP/1.1\r\n\r\n",
    b"GET /..%5coutside.txt HTTP/1.1\r\n\r\n",
    b"GET /files/%2e%2e%5c%2e%2e%5coutside.txt HTTP/1.1\r\n\r\n",
    b"GET /%252e%252e/outside.txt HTTP/1.1\r\n\r\n",
    b"GET /%c0%ae%c0%ae/outside.txt HTTP/1.1\r\n\r\n",
    b"GET Z:/outside.txt HTTP/1.1\r\n\r\n",
    b"GET http://127.0.0.1/../outside.txt HTTP/1.1\r\n\r\n",
    b"GET /Z:%5coutside.txt HTTP/1.1\r\n\r\n",
    b"GET //?/Z:/outside.txt HTTP/1.1\r\n\r\n",
    b"GET /CON HTTP/1.1\r\n\r\n",
    b"GET /files/aux.txt HTTP/1.1\r\n\r\n",
    b"GET /files/COM1 HTTP/1.1\r\n\r\n",
    b"GET /secret.config HTTP/1.1\r\n\r\n",
    b"GET /SECR~WDK.CON HTTP/1.1\r\n\r\n",
    b"GET /secr~wdk.con HTTP/1.1\r\n\r\n",
    b"GET /secret.config%20 HTTP/1.1\r\n\r\n",
    b"GET /secret.config::$DATA HTTP/1.1\r\n\r\n",
    b"GET /%zz HTTP/1.1\r\n\r\n",
    b"GET /% HTTP/1.1\r\n\r\n",
    b"GET /%e2%82 HTTP/1.1\r\n\r\n",
    b"GET /%00secret.config HTTP/1.1\r\n\r\n",
    b"GARBAGE\r\n\r\n",
    b"GET\r\n\r\n",
    b"GET / HTTP/9.9\r\n\r\n",
    b"\x00\xff / HTTP/1.1\r\n\r\n",
    b"GET /files/a.txt HTTP/1.1\r\nX: a\rb\r\n\r\n",
    b"GET /files/a.txt HTTP/1.1\r\n: empty name\r\n\r\n",
    b"GET /files/a.txt HTTP/1.1\r\nX-Big: " + b"x" * 40000 + b"\r\n\r\n",
    b"POST /form.asp HTTP/1.1\r\nContent-Length: 3\r\nContent-Length: 30\r\n\r\nf0=",
    b"POST /form.asp HTTP/1.1\r\nContent-Length: -1\r\n\r\n",
    b"POST /form.asp HTTP/1.1\r\nContent-Length: 99999999999999999999999\r\n\r\n",
]


def status_of(answer):
    try:
        return int(answer.split(b" ", 2)[1])
    except (IndexError, ValueError):
        return None


def idle(port, count):
    """Connections that send nothing and read nothing."""
    return [socket.create_connection(("127.0.0.1", port), timeout=10) for _ in range(count)]


def answer_within(port, data, seconds):
    """The whole answer to data, or None when none came in time."""
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=seconds) as s:
            s.sendall(data)
            chunks = []
            while chunk := s.recv(65536):
                chunks.append(chunk)
            return b"".join(chunks)
    except OSError:
        return None


def hostile_checks(h, arch):
    base = h.scratch("asphost", f"hostile-{arch}")
    root = base / "site"
    shutil.copytree(SITE, root)
    (base / "outside.txt").write_bytes(OUTSIDE)
    get = b"GET /files/a.txt HTTP/1.1\r\n\r\n"

    (root / "my dir").mkdir()
    with ServedSite(h, arch, root, ("--threads", "4")) as site:
        leaked = []
        for request in REFUSED:
            answer = site.raw(request, timeout=10)
            if not (status_of(answer) or 0) in range(400, 500) or OUTSIDE in answer or HIDDEN in answer:
                leaked.append(f"{request[:60]!r} -> {answer[:80]!r}")
        h.record(f"{arch} hostile: every bad request gets a 4xx and nothing hidden", not leaked, "\n".join(leaked))

        # A folder without its slash is sent to the folder's normalised path:
        # a Location starting "//" would send the browser to another host.
        moved = []
        for target, location in [
            (b"//evil.example/../files", "/files/"),
            (b"///files?x=1", "/files/?x=1"),
            (b"/./files/../files", "/files/"),
            (b"/%66iles", "/files/"),
            (b"/my%20dir", "/my%20dir/"),
        ]:
            answer = site.raw(b"GET " + target + b" HTTP/1.1\r\n\r\n", timeout=10)
            got = next((line[10:].strip().decode(errors="replace") for line in answer.split(b"\r\n")
                        if line.lower().startswith(b"location: ")), None)
            if status_of(answer) != 301 or got != location:
                moved.append(f"{target!r}: {status_of(answer)} {got!r}, not {location!r}")
        h.record(f"{arch} hostile: a folder redirect goes to its normalised path", not moved, "\n".join(moved))

        started = time.monotonic()
        answer = answer_within(site.port, b"GET /files/a.txt HTTP/1.1\nHost: x\n\n", 5)
        h.record(f"{arch} hostile: bare LF line ends are answered at once",
                 answer is not None and status_of(answer) == 200 and time.monotonic() - started < 3, repr(answer))
        answer = site.raw(b"POST /form.asp HTTP/1.1\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                          b"Content-Length: 5\r\ncontent-length: 5\r\n\r\nf0=xy")
        h.record(f"{arch} hostile: equal repeated lengths are one length", b"1 fields, last xy" in answer, answer[-200:])

        # Fifty at once, all served.
        results = []
        threads = [threading.Thread(target=lambda: results.append(answer_within(site.port, get, 60))) for _ in range(50)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        served = sum(1 for a in results if a and status_of(a) == 200 and a.endswith(b"alpha\n"))
        h.check_equal(f"{arch} hostile: fifty connections at once are all served", served, 50)

        # A client sending a byte a second holds one worker; the others serve on.
        slow = socket.create_connection(("127.0.0.1", site.port), timeout=30)
        delays = []
        for byte in get[:4]:
            slow.send(bytes([byte]))
            started = time.monotonic()
            quick = answer_within(site.port, get, 10)
            delays.append(time.monotonic() - started if quick and status_of(quick) == 200 else None)
            time.sleep(max(0.0, 1 - (time.monotonic() - started)))
        slow.sendall(get[4:])
        slow_answer = slow.recv(65536)
        slow.close()
        h.record(f"{arch} hostile: a slow client holds up no one and is answered",
                 all(d is not None and d < 2 for d in delays) and status_of(slow_answer) == 200,
                 f"{delays} {slow_answer[:80]!r}")

        # Every worker and every place in the queue taken by idle clients,
        # then one that neither sends nor reads: it and the next are told
        # 503 at once, and once the idle ones go everyone is served again.
        parked = idle(site.port, 4 + 64)
        time.sleep(1)
        mute = socket.create_connection(("127.0.0.1", site.port), timeout=10)
        started = time.monotonic()
        full = answer_within(site.port, get, 5)
        full_delay = time.monotonic() - started
        for s in parked:
            s.close()
        time.sleep(0.5)
        after = answer_within(site.port, get, 10)
        mute.close()
        h.record(f"{arch} hostile: a full server refuses at once and serves again",
                 status_of(full) == 503 and full_delay < 3 and status_of(after) == 200,
                 f"{full!r} after {full_delay:.1f} s; then {after!r}")

        # Three megabytes of form fields, each name new: the page gets them
        # all in seconds, not minutes.
        fields = b"&".join(b"f%d=v" % i for i in range(400000))
        started = time.monotonic()
        answer = answer_within(site.port, b"POST /form.asp HTTP/1.1\r\nContent-Type: application/x-www-form-urlencoded"
                               b"\r\nContent-Length: %d\r\n\r\n" % len(fields) + fields, 60)
        took = time.monotonic() - started
        h.record(f"{arch} hostile: a form of 400,000 fields takes seconds",
                 answer is not None and b"400000 fields, last v" in answer and took < 20, f"{took:.1f} s {answer!r:.200}")

        started = time.monotonic()
        answer = answer_within(site.port, b"GET /timeout.asp HTTP/1.1\r\n\r\n", 30)
        took = time.monotonic() - started
        h.record(f"{arch} hostile: Server.ScriptTimeout ends the page",
                 answer is not None and b"Script timed out" in answer and took < 5, f"{took:.1f} s {answer!r:.300}")
        h.record(f"{arch} hostile: the server is still up", site.proc.poll() is None and
                 status_of(answer_within(site.port, get, 10)) == 200, "".join(list(site.log)[-10:]))
