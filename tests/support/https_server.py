#!/usr/bin/env python3
"""A local HTTPS server for download tests, on 127.0.0.1 only.

    python3 https_server.py --root FILE_OR_DIR --cert-dir DIR --port-file FILE --log FILE [faults]

It makes a self-signed certificate for 127.0.0.1 in --cert-dir (cert.pem, key.pem; point curl at
cert.pem with CURL_CA_BUNDLE), listens on --port (0 picks a free port), writes the port to
--port-file once it is listening, and serves --root: a single file answers every path, a folder
answers the files inside it (a folder's own path its index.html). "Range: bytes=N-" (and
"bytes=N-M") gets 206 with Content-Range, a start at or past the end gets 416. Every request is appended to --log as one JSON line with
its method, path, Range header and status; every body sent, as a line with its path and the
bytes "sent", to the same file name with ".bodies" added.

Faults:
    --fail-first N       the first N requests get 500
    --drop-after BYTES   close the connection after BYTES body bytes ...
    --drop-count K       ... for the first K answers with a body (default 1)
    --slow BPS           send each body at about BPS bytes per second
    --slow-total BPS     send all bodies together at about BPS bytes per second
    --wrong-bytes        send other bytes of the same length
    --ignore-range       answer every request with the whole file, as servers without Range support do

It stops on SIGTERM or SIGINT, and by itself after --max-seconds (default 600), so a crashed
test never leaves it behind. `ServerProcess` runs it from Python tests.
"""

import argparse
import contextlib
import http.server
import json
import os
import re
import signal
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

OPENSSL = "/usr/bin/openssl"
CHUNK = 64 * 1024
INVERTED = bytes(255 - value for value in range(256))


def ensure_certificate(cert_dir):
    """Returns (cert, key) in cert_dir, making a fresh self-signed pair when either is missing."""
    os.makedirs(cert_dir, exist_ok=True)
    cert = os.path.join(cert_dir, "cert.pem")
    key = os.path.join(cert_dir, "key.pem")
    if not (os.path.isfile(cert) and os.path.isfile(key)):
        subprocess.run([OPENSSL, "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                        "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                        "-keyout", key, "-out", cert],
                       check=True, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.PIPE)
    return cert, key


def write_atomically(path, text):
    directory = os.path.dirname(os.path.abspath(path))
    descriptor, temporary = tempfile.mkstemp(prefix=".port.", dir=directory)
    with os.fdopen(descriptor, "w") as handle:
        handle.write(text)
    os.replace(temporary, path)


def parse_range(header, size):
    """(start, end) inclusive for a single "bytes=" range, "unsatisfiable", or None to ignore it."""
    match = re.fullmatch(r"\s*bytes\s*=\s*(\d+)\s*-\s*(\d*)\s*", header or "")
    if not match:
        return None
    start = int(match.group(1))
    end = int(match.group(2)) if match.group(2) else size - 1
    if start >= size:
        return "unsatisfiable"
    if end < start:
        return None
    return start, min(end, size - 1)


class Faults:
    """Counts requests and decides which ones misbehave; shared by every handler thread."""

    def __init__(self, fail_first=0, drop_after=None, drop_count=1, slow=None, wrong_bytes=False,
                 ignore_range=False, slow_total=None):
        self.lock = threading.Lock()
        self.requests = 0
        self.bodies = 0
        self.fail_first = fail_first
        self.drop_after = drop_after
        self.drop_count = drop_count
        self.slow = slow
        self.wrong_bytes = wrong_bytes
        self.ignore_range = ignore_range
        self.slow_total = slow_total
        self.line_free_at = 0.0  # when the shared line will have sent what it was given so far

    def next_request_fails(self):
        with self.lock:
            self.requests += 1
            return self.requests <= self.fail_first

    def next_body_drop(self):
        """Body bytes after which this answer is cut, or None."""
        with self.lock:
            self.bodies += 1
            if self.drop_after is not None and self.bodies <= self.drop_count:
                return self.drop_after
            return None

    def wait_for_line(self, sent):
        """Holds a connection back while the shared line is busy with earlier bytes."""
        if not self.slow_total:
            return
        with self.lock:
            now = time.monotonic()
            self.line_free_at = max(self.line_free_at, now) + sent / self.slow_total
            wait = self.line_free_at - now
        time.sleep(wait)


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "TestServer/1"

    timeout = 30  # a client that stalls never holds a thread for long

    def setup(self):
        super().setup()
        self.request.do_handshake()

    def log_message(self, format, *args):  # the JSON log replaces the default stderr lines
        pass

    def record(self, status):
        self.log({"method": self.command, "path": self.path, "range": self.headers.get("Range"),
                  "status": status, "time": time.time()})

    def log(self, entry, suffix=""):
        with self.server.log_lock, open(self.server.log_path + suffix, "a", encoding="utf-8") as log:
            log.write(json.dumps(entry) + "\n")

    def resolve(self):
        root = self.server.root
        if os.path.isfile(root):
            return root
        relative = urllib.parse.unquote(urllib.parse.urlsplit(self.path).path).lstrip("/")
        candidate = os.path.realpath(os.path.join(root, relative))
        if os.path.isdir(candidate):
            candidate = os.path.join(candidate, "index.html")  # as static mirrors serve simple/<project>/
        if not candidate.startswith(os.path.realpath(root) + os.sep) or not os.path.isfile(candidate):
            return None
        return candidate

    def answer_empty(self, status, headers=()):
        self.record(status)
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def do_HEAD(self):
        self.serve(body=False)

    def do_GET(self):
        self.serve(body=True)

    def serve(self, body):
        faults = self.server.faults
        if faults.next_request_fails():
            self.answer_empty(500)
            return
        path = self.resolve()
        if path is None:
            self.answer_empty(404)
            return
        size = os.path.getsize(path)
        wanted = None if faults.ignore_range else parse_range(self.headers.get("Range"), size)
        if wanted == "unsatisfiable":
            self.answer_empty(416, [("Content-Range", "bytes */{}".format(size))])
            return
        start, end = wanted if wanted else (0, size - 1)
        status = 206 if wanted else 200
        self.record(status)
        self.send_response(status)
        self.send_header("Content-Type", "text/html" if path.endswith(".html") else "application/octet-stream")
        self.send_header("Accept-Ranges", "bytes")
        self.send_header("Content-Length", str(end - start + 1))
        if wanted:
            self.send_header("Content-Range", "bytes {}-{}/{}".format(start, end, size))
        self.end_headers()
        if body and end >= start:
            self.send_body(path, start, end - start + 1, faults.next_body_drop())

    def send_body(self, path, start, length, drop_after):
        faults = self.server.faults
        limit = length if drop_after is None else min(length, drop_after)
        slowest = min(filter(None, (faults.slow, faults.slow_total)), default=None)
        chunk = CHUNK if not slowest else max(1, min(CHUNK, slowest // 10))
        began = time.monotonic()
        sent = 0
        with open(path, "rb") as source:
            source.seek(start)
            while sent < limit:
                data = source.read(min(chunk, limit - sent))
                if not data:
                    break
                if faults.wrong_bytes:
                    data = data.translate(INVERTED)
                try:
                    self.wfile.write(data)
                except OSError:
                    self.close_connection = True
                    break
                sent += len(data)
                faults.wait_for_line(len(data))
                if faults.slow:
                    ahead = sent / faults.slow - (time.monotonic() - began)
                    if ahead > 0:
                        time.sleep(ahead)
        self.log({"path": self.path, "sent": sent}, ".bodies")
        if sent < length:
            self.close_connection = True
            with contextlib.suppress(OSError):
                self.wfile.flush()
                self.connection.shutdown(socket.SHUT_RDWR)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, port, root, log_path, faults, cert, key):
        super().__init__(("127.0.0.1", port), Handler)
        self.root = os.path.abspath(root)
        self.log_path = log_path
        self.log_lock = threading.Lock()
        self.faults = faults
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert, key)
        # The handshake happens in the handler thread, so a silent client cannot stall accept().
        self.socket = context.wrap_socket(self.socket, server_side=True, do_handshake_on_connect=False)

    def handle_error(self, request, client_address):
        pass  # clients that hang up mid-answer are part of the tests


def parse_arguments(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", required=True)
    parser.add_argument("--cert-dir", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--max-seconds", type=float, default=600)
    parser.add_argument("--fail-first", type=int, default=0)
    parser.add_argument("--drop-after", type=int)
    parser.add_argument("--drop-count", type=int, default=1)
    parser.add_argument("--slow", type=int)
    parser.add_argument("--slow-total", type=int)
    parser.add_argument("--wrong-bytes", action="store_true")
    parser.add_argument("--ignore-range", action="store_true")
    return parser.parse_args(argv)


def main(argv=None):
    arguments = parse_arguments(argv)
    cert, key = ensure_certificate(arguments.cert_dir)
    faults = Faults(arguments.fail_first, arguments.drop_after, arguments.drop_count,
                    arguments.slow, arguments.wrong_bytes, arguments.ignore_range, arguments.slow_total)
    server = Server(arguments.port, arguments.root, os.path.abspath(arguments.log), faults, cert, key)
    open(arguments.log, "a").close()
    stop = threading.Event()
    for number in (signal.SIGTERM, signal.SIGINT):
        signal.signal(number, lambda *_: stop.set())
    serving = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.1}, daemon=True)
    serving.start()
    write_atomically(arguments.port_file, "{}\n".format(server.server_address[1]))
    stop.wait(arguments.max_seconds)
    server.shutdown()
    server.server_close()
    return 0


class ServerProcess:
    """Runs this server as a child process for a test; use as a context manager."""

    def __init__(self, root, work_dir, *faults, timeout=10):
        self.work_dir = work_dir
        self.cert_dir = os.path.join(work_dir, "cert")
        self.cert = os.path.join(self.cert_dir, "cert.pem")
        self.log = os.path.join(work_dir, "requests.jsonl")
        port_file = os.path.join(work_dir, "port")
        with contextlib.suppress(FileNotFoundError):
            os.remove(port_file)
        self.process = subprocess.Popen(
            [sys.executable, os.path.abspath(__file__), "--root", root, "--cert-dir", self.cert_dir,
             "--port-file", port_file, "--log", self.log, "--max-seconds", "300", *map(str, faults)],
            stdin=subprocess.DEVNULL)
        deadline = time.monotonic() + timeout
        while not os.path.exists(port_file):
            if self.process.poll() is not None or time.monotonic() > deadline:
                self.stop()
                raise RuntimeError("the HTTPS test server did not start")
            time.sleep(0.02)
        with open(port_file) as handle:
            self.port = int(handle.read())

    def url(self, path="/"):
        return "https://127.0.0.1:{}{}".format(self.port, path)

    def requests(self):
        return self.entries(self.log)

    def sent(self):
        """Body bytes sent, one number per answer with a body."""
        return [entry["sent"] for entry in self.entries(self.log + ".bodies")]

    @staticmethod
    def entries(path):
        with contextlib.suppress(FileNotFoundError), open(path, encoding="utf-8") as handle:
            return [json.loads(line) for line in handle if line.strip()]
        return []

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()


if __name__ == "__main__":
    sys.exit(main())
