"""`asphost serve` under hostile HTTP: malformed and oversized heads,
traversal in every encoding, device and short names, conflicting lengths,
many connections at once, idle and slow clients, a huge form and a page
that never ends. The server answers 4xx (or 503 when full), keeps serving
everyone else, and never serves a file outside its root or one it hides.
Then the limits of a request: clients that trickle a head, a body or bytes
after their answer are cut off in a fixed time, and bodies beyond the
entity limit are refused unread."""

import select
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
    except (AttributeError, IndexError, ValueError):
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
    # Raised from the default: the form of 400,000 fields below is 3 MB.
    with ServedSite(h, arch, root, ("--threads", "4", "--max-request-entity", "4000000")) as site:
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


FORM_HEAD = b"POST /form.asp HTTP/1.1\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: %d\r\n\r\n"
GET_A = b"GET /files/a.txt HTTP/1.1\r\n\r\n"

# Hostile clients and how many of each: what each sends at once, before it
# trickles a byte every half second, far inside the socket's own timeout.
TRICKLERS = [
    ("a head a byte at a time", b"", 6),
    ("a body a byte at a time", FORM_HEAD % 1000, 5),
    ("bytes after the answer", GET_A, 5),
]


def trickle(port, first, give_up):
    """Sends first, then a byte each half second, reading what comes;
    the seconds until the server let the connection go, or None."""
    started = time.monotonic()
    with socket.create_connection(("127.0.0.1", port), timeout=10) as s:
        try:
            s.sendall(first)
            # The end of the answer is not the end of the connection: only
            # a reset of a byte sent after it says the server let go.
            answered = False
            while time.monotonic() - started < give_up:
                if answered:
                    time.sleep(0.5)
                elif select.select([s], [], [], 0.5)[0]:
                    answered = not s.recv(65536)
                s.send(b"x")
        except OSError:
            return time.monotonic() - started
    return None


def post_unread(port, length, body, seconds):
    """Sends a head declaring length, and body beside it from a thread;
    the answer, however the sending ended."""
    with socket.create_connection(("127.0.0.1", port), timeout=seconds) as s:
        s.sendall(FORM_HEAD % length)
        sender = threading.Thread(target=lambda: _send_quietly(s, body), daemon=True)
        sender.start()
        chunks = []
        try:
            while chunk := s.recv(65536):
                chunks.append(chunk)
        except OSError:
            pass
        sender.join(seconds)
        return b"".join(chunks)


def _send_quietly(s, data):
    try:
        s.sendall(data)
    except OSError:
        pass


def limit_checks(h, arch):
    """A head must arrive within --head-timeout of the connection and a body
    within --body-timeout of its head, however slowly it trickles, and the
    close lingers only briefly; the entity is refused past its default limit."""
    root = h.scratch("asphost", f"limits-{arch}")
    shutil.copytree(SITE, root, dirs_exist_ok=True)
    with ServedSite(h, arch, root, ("--head-timeout", "2", "--body-timeout", "2")) as site:
        # As many tricklers as there are workers (16 by default), then a
        # request of an honest client behind them.
        closed = {name: [None] * count for name, _, count in TRICKLERS}
        threads = []
        for name, first, count in TRICKLERS:
            for i in range(count):
                def one(name=name, first=first, i=i):
                    closed[name][i] = trickle(site.port, first, 8)
                threads.append(threading.Thread(target=one))
        for t in threads:
            t.start()
        time.sleep(0.5)
        started = time.monotonic()
        honest = answer_within(site.port, GET_A, 8)
        honest_delay = time.monotonic() - started
        for t in threads:
            t.join()
        for name, times in closed.items():
            h.record(f"{arch} limits: {name} is cut off in a fixed time",
                     all(t is not None and t < 6 for t in times), f"closed after {times} s")
        h.record(f"{arch} limits: a request behind sixteen tricklers is served",
                 status_of(honest) == 200 and honest_delay < 5, f"{honest!r:.80} after {honest_delay:.1f} s")

        # The entity limit, 200,000 bytes by default. Past it, the head alone
        # is answered at once, the connection closed, the body never kept.
        exact = b"f0=" + b"v" * (200000 - 3)
        answer = answer_within(site.port, FORM_HEAD % len(exact) + exact, 30)
        h.record(f"{arch} limits: a body of exactly the limit is served",
                 status_of(answer) == 200 and b"1 fields, last vvv" in (answer or b""), f"{answer!r:.200}")
        started = time.monotonic()
        answer = answer_within(site.port, FORM_HEAD % 200001, 5)
        h.record(f"{arch} limits: one byte over the limit is refused unread",
                 status_of(answer) == 413 and b"Connection: close" in (answer or b"") and time.monotonic() - started < 3,
                 f"{answer!r:.200}")

        # Eight posts of 8 MB of empty fields at once: each is refused, and
        # the server's memory does not notice them.
        flood = b"a=&" * (8 * 1024 * 1024 // 3)
        before = peak = site.resident_kib()
        answers = [None] * 8
        posts = [threading.Thread(target=lambda i=i: answers.__setitem__(i, post_unread(site.port, len(flood), flood, 60)))
                 for i in range(8)]
        for t in posts:
            t.start()
        # The peak, not the end: the heap gives large blocks back at once.
        while any(t.is_alive() for t in posts):
            peak = max(peak, site.resident_kib() or 0)
            time.sleep(0.05)
        print(f"asphost: {arch} eight 8 MB posts: resident {before / 1024:.0f} MiB, at most {peak / 1024:.0f} MiB",
              flush=True)
        h.record(f"{arch} limits: eight 8 MB posts are each refused, memory flat",
                 all(status_of(a) == 413 for a in answers) and peak - before < 16 * 1024,
                 f"{[status_of(a) for a in answers]}, resident {before} -> at most {peak} KiB")
        h.record(f"{arch} limits: the server is still up", site.proc.poll() is None and
                 status_of(answer_within(site.port, GET_A, 10)) == 200, "".join(list(site.log)[-10:]))
