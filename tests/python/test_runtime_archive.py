"""tests/support/make_runtime_archive.py: stand-in runtimes the setup tests download and unpack."""

import json
import os
import subprocess
import sys
import tempfile
import unittest

SOURCE = os.environ.get("VLMR_SOURCE_DIR") or os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(SOURCE, "tests", "support"))

import make_runtime_archive  # noqa: E402


class RuntimeArchive(unittest.TestCase):
    def setUp(self):
        self.temp = tempfile.TemporaryDirectory(prefix="vlmr-archive-")
        self.addCleanup(self.temp.cleanup)

    def unpack(self, **options):
        """Builds, extracts with tar as setup does, and adds the branded link; returns the link."""
        archive = make_runtime_archive.build(os.path.join(self.temp.name, "a.tar.gz"), **options)
        staging = os.path.join(self.temp.name, "python-STAGE")
        os.makedirs(staging)
        subprocess.run(["/usr/bin/tar", "-xzf", archive["path"], "-C", staging], check=True, timeout=120)
        link = os.path.join(staging, "python", "bin", "Vellmora Setup")
        os.symlink(os.path.join(staging, "python", "bin", "python3"), link)
        return archive, link

    def test_branded_link_runs_the_real_interpreter_with_every_argument(self):
        _, link = self.unpack()
        result = subprocess.run([link, "-c", "import sys, json; print(json.dumps(sys.argv[1:]))", "a b", ""],
                                capture_output=True, text=True, timeout=60)
        self.assertEqual(json.loads(result.stdout), ["a b", ""])

    def test_padding_sets_the_size_and_the_cli_reports_it(self):
        out = os.path.join(self.temp.name, "p.tar.gz")
        result = subprocess.run([sys.executable, make_runtime_archive.__file__, out, "--size-padding", "500000"],
                                capture_output=True, text=True, timeout=120)
        report = json.loads(result.stdout)
        self.assertEqual(report["size"], os.path.getsize(out))
        self.assertGreaterEqual(report["size"], 500_000)
        self.assertRegex(report["sha256"], "^[0-9a-f]{64}$")

    def test_failing_interpreters(self):
        record = os.path.join(self.temp.name, "setup-progress.json")
        rows = {
            "exit only": ({"fail": True}, None),
            "exit with a failure record": ({"message": "The engines are broken."}, "The engines are broken."),
        }
        for name, (options, message) in rows.items():
            with self.subTest(name):
                self.temp.cleanup()
                os.makedirs(self.temp.name)
                _, link = self.unpack(**options)
                result = subprocess.run([link, "-u", "bootstrap.py", "--progress", record],
                                        capture_output=True, timeout=60)
                self.assertEqual(result.returncode, 3)
                if message is None:
                    self.assertFalse(os.path.exists(record))
                else:
                    with open(record, encoding="utf-8") as handle:
                        written = json.load(handle)
                    self.assertEqual((written["state"], written["message"]), ("failed", message))


if __name__ == "__main__":
    unittest.main()
