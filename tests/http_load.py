"""Drives a served site from several clients at once, as visitors would:
each client keeps its session cookie, and every answer is checked."""

import http.client
import threading


def drive(site, targets, clients=8, check=None, timeout=120):
    """Requests every target of `targets` (a list of GET targets), spread
    over `clients` threads. Returns the failures, each a short description;
    an answer fails unless it is 200 and check(target, body) holds."""
    lock = threading.Lock()
    pending = list(reversed(targets))
    failures = []

    def client():
        cookie = None
        while True:
            with lock:
                if not pending:
                    return
                target = pending.pop()
            try:
                conn = http.client.HTTPConnection("127.0.0.1", site.port, timeout=timeout)
                conn.request("GET", target, headers={"Cookie": cookie} if cookie else {})
                response = conn.getresponse()
                body = response.read()
                conn.close()
                cookie = (response.getheader("Set-Cookie") or cookie or "").split(";")[0] or None
                if response.status != 200 or (check and not check(target, body)):
                    with lock:
                        failures.append(f"{target}: {response.status} {body[:200]!r}")
            except (OSError, http.client.HTTPException) as e:
                with lock:
                    failures.append(f"{target}: {e!r}")

    threads = [threading.Thread(target=client) for _ in range(clients)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    return failures
