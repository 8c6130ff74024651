"""Starts `asphost serve` on a free port for a test and stops it again."""

import collections
import http.client
import socket
import subprocess
import threading
import time

from harness import resident_kib, win_path


class ServedSite:
    def __init__(self, h, arch, root, options=()):
        self.h = h
        exe = h.bin_dir(arch) / "asphost.exe"
        self.proc = subprocess.Popen([h.loader(arch), str(exe), "serve", "--root", win_path(root), "--port", "0",
                                      *options],
                                     env=h.env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                     stdin=subprocess.DEVNULL)
        self.port = None
        deadline = time.time() + 60
        self.log = []
        while time.time() < deadline:
            line = self.proc.stdout.readline().decode("utf-8", "replace")
            if not line:
                break
            self.log.append(line)
            if "http://127.0.0.1:" in line:
                self.port = int(line.rsplit(":", 1)[1].strip().rstrip("/"))
                break
        if self.port is None:
            self.stop()
            raise RuntimeError("asphost serve did not start:\n" + "".join(self.log))
        # The server logs every request: read on, or its pipe fills and every
        # page waits on its log line.
        self.log = collections.deque(self.log, maxlen=2000)
        self.reader = threading.Thread(target=self._read_log, daemon=True)
        self.reader.start()

    def _read_log(self):
        for line in iter(self.proc.stdout.readline, b""):
            self.log.append(line.decode("utf-8", "replace"))

    def resident_kib(self):
        return resident_kib(self.proc.pid)

    @property
    def base(self):
        return f"http://127.0.0.1:{self.port}"

    def request(self, method, target, body=None, headers=None, timeout=120):
        """One request with the target sent exactly as given."""
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=timeout)
        try:
            conn.putrequest(method, target, skip_accept_encoding=True)
            for name, value in (headers or {}).items():
                conn.putheader(name, value)
            if body is not None:
                conn.putheader("Content-Length", str(len(body)))
            conn.endheaders(body)
            response = conn.getresponse()
            return response.status, dict(response.getheaders()), response.read()
        finally:
            conn.close()

    def raw(self, data, timeout=30):
        """Sends bytes as they are and returns the whole answer."""
        with socket.create_connection(("127.0.0.1", self.port), timeout=timeout) as s:
            s.sendall(data)
            chunks = []
            while True:
                chunk = s.recv(65536)
                if not chunk:
                    return b"".join(chunks)
                chunks.append(chunk)

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(timeout=30)
        if hasattr(self, "reader"):
            self.reader.join(timeout=30)
        self.proc.stdout.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()
