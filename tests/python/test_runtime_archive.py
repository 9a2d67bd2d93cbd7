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

    def unpack(self, staging_name="python-STAGE", **options):
        """Builds, extracts with tar as setup does, and adds the branded link; returns the link."""
        archive = make_runtime_archive.build(os.path.join(self.temp.name, "a.tar.gz"), **options)
        staging = os.path.join(self.temp.name, staging_name)
        os.makedirs(staging)
        subprocess.run(["/usr/bin/tar", "-xzf", archive["path"], "-C", staging], check=True, timeout=120)
        link = os.path.join(staging, "python", "bin", "Vellmora Setup")
        os.symlink(os.path.join(staging, "python", "bin", "python3"), link)
        return archive, link

    def test_branded_link_runs_the_real_interpreter_with_every_argument(self):
        for name, options in {"script": {}, "relocatable": {"relocatable": True}}.items():
            with self.subTest(name):
                _, link = self.unpack(staging_name=name, **options)
                result = subprocess.run([link, "-c", "import sys, json; print(json.dumps(sys.argv[1:]))", "a b", ""],
                                        capture_output=True, text=True, timeout=60)
                self.assertEqual(json.loads(result.stdout), ["a b", ""])

    def test_relocatable_tree_uses_only_itself_wherever_it_lies(self):
        # As under "Application Support" on a Mac, from another working folder, without PATH.
        _, link = self.unpack(staging_name="Application Support/Välja/python-STAGE", relocatable=True)
        tree = os.path.join(os.path.dirname(os.path.dirname(link)))
        code = ("import json, sys, sysconfig, ensurepip, ssl, sqlite3, ctypes, tkinter; print(json.dumps([sys.prefix, "
                "sys.exec_prefix, sys.path, sysconfig.get_config_var('WHEEL_PKG_DIR'), ensurepip.version()]))")
        result = subprocess.run([link, "-I", "-c", code], capture_output=True, text=True, timeout=60,
                                cwd="/", env={"LANG": "C.UTF-8"})
        self.assertEqual(result.returncode, 0, result.stderr)
        prefix, exec_prefix, path, wheels, pip_version = json.loads(result.stdout)
        self.assertEqual((prefix, exec_prefix), (tree, tree))
        self.assertTrue(all(entry.startswith(tree + os.sep) for entry in path), path)
        self.assertTrue(wheels.startswith(tree + os.sep), wheels)
        self.assertRegex(pip_version, r"^\d+\.")
        self.assertFalse(os.path.islink(os.path.join(tree, "bin", "python3.11")))
        self.assertEqual(os.readlink(os.path.join(tree, "bin", "python3")), "python3.11")

    def test_cached_relocatable_archives_differ_only_in_padding(self):
        cache = os.path.join(self.temp.name, "cache")
        first = make_runtime_archive.build(os.path.join(self.temp.name, "1.tar.gz"), relocatable=True, cache=cache)
        padded = make_runtime_archive.build(os.path.join(self.temp.name, "2.tar.gz"), relocatable=True, cache=cache,
                                            padding=100_000)
        self.assertEqual(len(os.listdir(cache)), 1)
        listings = [subprocess.run(["/usr/bin/tar", "-tzf", archive["path"]], capture_output=True, text=True,
                                   check=True, timeout=60).stdout.splitlines() for archive in (first, padded)]
        self.assertEqual(listings[1], listings[0] + ["python/lib/padding.bin"])
        self.assertIn("python/lib/python3.11/lib-dynload/", listings[0])
        library = [name.split("/", 3)[3] for name in listings[0] if name.startswith("python/lib/python3.11/")]
        for left_out in ("test/", "__pycache__/", "EXTERNALLY-MANAGED", "unittest/test/", "config-", "sitecustomize"):
            self.assertFalse([name for name in library if "/" + left_out in "/" + name], left_out)

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
