"""scripts/make-manifest: the manifest a packager ships for a runtime archive."""

import hashlib
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

SOURCE = os.environ.get("VLMR_SOURCE_DIR") or os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
TOOL = os.path.join(SOURCE, "scripts", "make-manifest")
PINNED = [os.path.join(SOURCE, "resources", "runtime-manifests", name)
          for name in ("aarch64-apple-darwin.json", "x86_64-unknown-linux-gnu.json")]
sys.path.insert(0, os.path.join(SOURCE, "tests", "support"))

import make_runtime_archive  # noqa: E402


class MakeManifest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.temp = tempfile.TemporaryDirectory(prefix="vlmr-manifest-")
        cls.archive = make_runtime_archive.build(os.path.join(cls.temp.name, "runtime.tar.gz"), padding=300_000)

    @classmethod
    def tearDownClass(cls):
        cls.temp.cleanup()

    def run_tool(self, *arguments):
        return subprocess.run([TOOL, *arguments], capture_output=True, text=True, timeout=60)

    def test_manifest_names_the_archive_exactly(self):
        url = "https://downloads.example.invalid/runtime.tar.gz"
        result = self.run_tool(self.archive["path"], url)
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(self.archive["path"], "rb") as handle:
            digest = hashlib.sha256(handle.read()).hexdigest()
        manifest = json.loads(result.stdout)
        self.assertEqual(manifest, {"python": {"url": url, "sha256": digest,
                                               "size": os.path.getsize(self.archive["path"])}})
        self.assertIs(type(manifest["python"]["size"]), int)
        self.assertEqual((digest, manifest["python"]["size"]), (self.archive["sha256"], self.archive["size"]))

    def test_refuses_what_the_launcher_would_refuse(self):
        rows = {
            "plain http": ("http://downloads.example.invalid/a.tar.gz", 2),
            "scheme in capitals": ("HTTPS://downloads.example.invalid/a.tar.gz", 2),
            "no scheme": ("downloads.example.invalid/a.tar.gz", 2),
        }
        for name, (url, status) in rows.items():
            with self.subTest(name):
                result = self.run_tool(self.archive["path"], url)
                self.assertEqual(result.returncode, status)
                self.assertEqual(result.stdout, "")
                self.assertIn("https://", result.stderr)

    def test_missing_archive_prints_no_manifest(self):
        result = self.run_tool(os.path.join(self.temp.name, "absent.tar.gz"), "https://a.invalid/x")
        self.assertNotEqual(result.returncode, 0)
        self.assertEqual(result.stdout, "")
        self.assertIn("absent.tar.gz", result.stderr)

    def test_check_passes_the_pinned_manifests_and_nothing_no_user_could_download(self):
        self.assertEqual(self.run_tool("--check", *PINNED).returncode, 0)
        path = os.path.join(self.temp.name, "check.json")
        rows = {
            "a name under .test": ("https://cdn.a.test/r.tar.gz", "reserved domain .test"),
            "a name under .invalid": ("https://downloads.vellmora.invalid/r.tar.gz", "reserved domain .invalid"),
            "localhost, capitals and dot": ("https://LocalHost./r.tar.gz", "reserved domain .localhost"),
            "short loopback": ("https://127.1/r.tar.gz", "loopback"),
            "IPv6 loopback with a port": ("https://[::1]:8443/r.tar.gz", "loopback"),
            "plain http": ("http://github.com/r.tar.gz", "not an https:// URL"),
        }
        for name, (url, problem) in rows.items():
            with self.subTest(name):
                with open(path, "w", encoding="utf-8") as handle:
                    json.dump({"python": {"url": url, "sha256": "ab" * 32, "size": 5}}, handle)
                result = self.run_tool("--check", path)
                self.assertEqual(result.returncode, 1)
                self.assertIn("{}: no user could download this runtime: ".format(path), result.stderr)
                self.assertIn(problem, result.stderr)

    def bundle_manifest(self, runtime, change=None):
        """The manifest the build writes for a copy of the packaged runtime folder, after `change`."""
        result, output = self.bundle(runtime, change)
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(output, "rb") as handle:
            return handle.read()

    def bundle(self, runtime, change=None):
        folder = os.path.join(self.temp.name, runtime)
        shutil.copytree(os.path.join(SOURCE, "resources", "runtime"), folder)
        os.makedirs(os.path.join(folder, "wheels"))
        with open(os.path.join(folder, "wheels", "engine-1.0-py3-none-any.whl"), "wb") as handle:
            handle.write(b"wheel bytes")
        if change:
            change(folder)
        output = os.path.join(self.temp.name, runtime + ".json")
        return self.run_tool("--bundle", PINNED[0], folder, output), output

    def test_bundle_manifest_changes_with_whatever_setup_installs(self):
        def append(relative, text):
            return lambda folder: open(os.path.join(folder, relative), "a", encoding="utf-8").write(text)

        def rename_wheel(folder):
            wheels = os.path.join(folder, "wheels")
            os.rename(os.path.join(wheels, "engine-1.0-py3-none-any.whl"),
                      os.path.join(wheels, "engine-1.1-py3-none-any.whl"))

        same = self.bundle_manifest("same")
        self.assertEqual(self.bundle_manifest("same-again"), same)
        manifest = json.loads(same)
        with open(PINNED[0], encoding="utf-8") as handle:
            self.assertEqual(manifest["python"], json.load(handle)["python"])
        self.assertRegex(manifest["bootstrap_digest"], "^[0-9a-f]{64}$")
        rows = {
            "one more engine line": append("engines/main.txt", "vellmora_demo_engine\n"),
            "another bootstrap": append("bootstrap.py", "\n"),
            "a module beside it": append("enginecache.py", "\n"),
            "another lock": append("engines/pylock.seedvc.toml", "\n"),
            "a renamed wheel": rename_wheel,
        }
        for name, change in rows.items():
            with self.subTest(name):
                self.assertNotEqual(self.bundle_manifest(name.replace(" ", "-"), change), same)

    def test_refuses_a_lock_a_user_could_not_install(self):
        wheel = '[[packages]]\nname = "torch"\n[[packages.wheels]]\n'
        good = {"url": 'url = "https://files.example/torch-2-py3-none-any.whl"', "size": "size = 5",
                "hashes": 'hashes = {{sha256 = "{}"}}'.format("ab" * 32)}
        whole = wheel + "\n".join(good.values())

        def marked(marker):
            return whole.replace('name = "torch"\n', 'name = "torch"\nmarker = {}\n'.format(marker))
        rows = {
            "not TOML": ("packages = [", "TOML"),
            "a package without a wheel": ('[[packages]]\nname = "torch"\n[packages.sdist]\nname = "t.tar.gz"', "no wheel"),
            "a wheel without a size": (wheel + "\n".join([good["url"], good["hashes"]]), "size"),
            "a wheel without sha256": (wheel + "\n".join([good["url"], good["size"]]), "sha256"),
            "a url that is not https": (wheel + "\n".join([good["url"].replace("https", "http"), good["size"],
                                                           good["hashes"]]), "https"),
            "a wheel file name without tags": (whole.replace("torch-2-py3-none-any.whl", "x.whl"), "x.whl"),
            "a marker that is a number": (marked("5"), "marker"),
            "a marker cut short": (marked('"os_name =="'), "os_name =="),
            "a marker naming dependency groups": (marked('"\'dev\' in dependency_groups"'), "dependency_groups"),
            "environments as one string": ('environments = "os_name == \'posix\'"\n' + whole, "environments"),
        }
        for name, (lock, problem) in rows.items():
            with self.subTest(name):
                def write(folder, text='lock-version = "1.0"\ncreated-by = "t"\n' + lock):
                    with open(os.path.join(folder, "engines", "pylock.main.toml"), "w") as handle:
                        handle.write(text)
                result, output = self.bundle("refused-" + name.replace(" ", "-"), write)
                self.assertFalse(os.path.exists(output))
                manifest = os.path.join(output.removesuffix(".json"), "runtime-manifest.json")
                checked = self.run_tool("--check", shutil.copy(PINNED[0], manifest))
                for result in (result, checked):
                    self.assertEqual(result.returncode, 1)
                    self.assertIn("pylock.main.toml", result.stderr)
                    self.assertIn(problem, result.stderr)
                    if name not in ("not TOML", "environments as one string"):
                        self.assertIn('"torch"', result.stderr)


if __name__ == "__main__":
    unittest.main()
