"""The local HTTPS test server: ranges, faults and its request log, seen through curl and urllib."""

import os
import ssl
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.error
import urllib.request

SOURCE = os.environ.get("VLMR_SOURCE_DIR") or os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(SOURCE, "tests", "support"))

import https_server  # noqa: E402

CURL = "/usr/bin/curl"
SIZE = 200_000


class ServerCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.temp = tempfile.TemporaryDirectory(prefix="vlmr-https-")
        cls.payload = os.urandom(SIZE)
        cls.file = os.path.join(cls.temp.name, "runtime.tar.gz")
        with open(cls.file, "wb") as handle:
            handle.write(cls.payload)
        cls.cert, _ = https_server.ensure_certificate(os.path.join(cls.temp.name, "cert"))

    @classmethod
    def tearDownClass(cls):
        cls.temp.cleanup()

    def serve(self, *faults, root=None):
        work = tempfile.mkdtemp(dir=self.temp.name)
        os.symlink(os.path.join(self.temp.name, "cert"), os.path.join(work, "cert"))
        server = https_server.ServerProcess(root or self.file, work, *faults, timeout=60)
        self.addCleanup(server.stop)
        return server

    def curl(self, url, output, *options):
        environment = dict(os.environ, CURL_CA_BUNDLE=self.cert, HOME=self.temp.name)
        return subprocess.run([CURL, "--silent", "--show-error", "--fail", "--output", output, *options, url],
                              env=environment, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                              timeout=60).returncode

    def fetch(self, url, range_header=None):
        """(status, headers, body) through urllib, HTTP errors included."""
        request = urllib.request.Request(url, headers={"Range": range_header} if range_header else {})
        context = ssl.create_default_context(cafile=self.cert)
        try:
            with urllib.request.urlopen(request, context=context, timeout=30) as response:
                return response.status, response.headers, response.read()
        except urllib.error.HTTPError as error:
            return error.code, error.headers, error.read()

    def output(self, name="out"):
        return os.path.join(tempfile.mkdtemp(dir=self.temp.name), name)

    def read(self, path):
        with open(path, "rb") as handle:
            return handle.read()


class Ranges(ServerCase):
    def test_range_answers(self):
        server = self.serve()
        rows = {
            "no range": (None, 200, None, self.payload),
            "from the middle": ("bytes=1000-", 206, "bytes 1000-{}/{}".format(SIZE - 1, SIZE), self.payload[1000:]),
            "last byte only": ("bytes={}-".format(SIZE - 1), 206, "bytes {0}-{0}/{1}".format(SIZE - 1, SIZE),
                               self.payload[-1:]),
            "closed range": ("bytes=10-19", 206, "bytes 10-19/{}".format(SIZE), self.payload[10:20]),
            "start at the end": ("bytes={}-".format(SIZE), 416, "bytes */{}".format(SIZE), b""),
            "start past the end": ("bytes={}-".format(SIZE + 5), 416, "bytes */{}".format(SIZE), b""),
            "malformed range is ignored": ("lines=1-", 200, None, self.payload),
        }
        for name, (header, status, content_range, body) in rows.items():
            with self.subTest(name):
                got_status, headers, got_body = self.fetch(server.url("/runtime.tar.gz"), header)
                self.assertEqual(got_status, status)
                self.assertEqual(headers.get("Content-Range"), content_range)
                self.assertEqual(got_body, body)
                self.assertEqual(int(headers["Content-Length"]), len(body))

    def test_curl_resumes_a_partial_file_with_a_range_request(self):
        server = self.serve()
        target = self.output()
        with open(target, "wb") as handle:
            handle.write(self.payload[:12345])
        self.assertEqual(self.curl(server.url("/x.tar.gz"), target, "--continue-at", "-"), 0)
        self.assertEqual(self.read(target), self.payload)
        self.assertEqual([(entry["path"], entry["range"], entry["status"]) for entry in server.requests()],
                         [("/x.tar.gz", "bytes=12345-", 206)])

    def test_folder_root_serves_its_files_and_nothing_outside(self):
        folder = os.path.join(self.temp.name, "site")
        os.makedirs(os.path.join(folder, "sub"), exist_ok=True)
        with open(os.path.join(folder, "sub", "a.bin"), "wb") as handle:
            handle.write(b"inside")
        server = self.serve(root=folder)
        self.assertEqual(self.fetch(server.url("/sub/a.bin"))[::2], (200, b"inside"))
        self.assertEqual(self.fetch(server.url("/missing.bin"))[0], 404)
        self.assertEqual(self.fetch(server.url("/sub/%2e%2e/%2e%2e/runtime.tar.gz"))[0], 404)


class Faults(ServerCase):
    def test_fail_first_answers_500_then_recovers(self):
        server = self.serve("--fail-first", 2)
        target = self.output()
        self.assertEqual(self.curl(server.url("/a"), target), 22)
        self.assertEqual(self.fetch(server.url("/a"))[0], 500)
        self.assertEqual(self.curl(server.url("/a"), target), 0)
        self.assertEqual(self.read(target), self.payload)
        self.assertEqual([entry["status"] for entry in server.requests()], [500, 500, 200])

    def test_drop_cuts_the_first_answers_and_a_resume_completes(self):
        server = self.serve("--drop-after", 5000, "--drop-count", 2)
        target = self.output()
        self.assertNotEqual(self.curl(server.url("/a"), target), 0)
        self.assertEqual(self.read(target), self.payload[:5000])
        self.assertNotEqual(self.curl(server.url("/a"), target, "--continue-at", "-"), 0)
        self.assertEqual(self.read(target), self.payload[:10000])
        self.assertEqual(self.curl(server.url("/a"), target, "--continue-at", "-"), 0)
        self.assertEqual(self.read(target), self.payload)
        self.assertEqual([entry["range"] for entry in server.requests()], [None, "bytes=5000-", "bytes=10000-"])

    def test_wrong_bytes_keep_the_length_and_change_every_byte(self):
        server = self.serve("--wrong-bytes")
        status, headers, body = self.fetch(server.url("/a"))
        self.assertEqual((status, len(body)), (200, SIZE))
        self.assertTrue(all(served != real for served, real in zip(body, self.payload)))
        self.assertEqual(self.fetch(server.url("/a"), "bytes=7-")[2], body[7:])

    def test_slow_server_outlasts_a_short_transfer_limit(self):
        server = self.serve("--slow", 20_000)
        target = self.output()
        self.assertEqual(self.curl(server.url("/a"), target, "--max-time", "1"), 28)
        self.assertLess(os.path.getsize(target), SIZE)


class Lifetime(ServerCase):
    def test_stops_by_itself_after_max_seconds(self):
        work = tempfile.mkdtemp(dir=self.temp.name)
        port_file = os.path.join(work, "port")
        process = subprocess.Popen([sys.executable, https_server.__file__, "--root", self.file,
                                    "--cert-dir", os.path.join(self.temp.name, "cert"), "--port-file", port_file,
                                    "--log", os.path.join(work, "log"), "--max-seconds", "1"])
        self.addCleanup(lambda: process.poll() is None and process.kill())
        self.assertEqual(process.wait(timeout=60), 0)
        self.assertTrue(os.path.exists(port_file))

    def test_sigterm_stops_it_cleanly(self):
        server = self.serve()
        started = time.monotonic()
        server.stop()
        self.assertEqual(server.process.returncode, 0)
        self.assertLess(time.monotonic() - started, 5)


if __name__ == "__main__":
    unittest.main()
