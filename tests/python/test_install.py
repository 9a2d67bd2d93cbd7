"""`cmake --install` of the built launcher: the installed tree file by file, and the installed
command starting the studio from the installed bundle."""

import configparser
import gzip
import hashlib
import json
import os
import plistlib
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

SOURCE = os.path.abspath(os.environ.get("VLMR_SOURCE_DIR") or os.path.join(os.path.dirname(__file__), "..", ".."))
BUNDLE = os.environ.get("VLMR_BUNDLE_DIR", "")
BUILD = os.path.dirname(os.path.abspath(BUNDLE)) if BUNDLE else ""
CMAKE = shutil.which("cmake")
DESKTOP_FILE_VALIDATE = shutil.which("desktop-file-validate")
GROFF = shutil.which("groff")
# Debian 12's desktop-file-validate (0.26) knows the desktop entry keys up to version 1.4 of the
# format and reports SingleMainWindow, a key of version 1.5, as an error; only that one is tolerated.
VALIDATOR_WITHOUT_SINGLE_MAIN_WINDOW = ('file contains key "SingleMainWindow" in group "Desktop Entry", '
                                        'but keys extending the format should start with "X-"')

BUNDLE_UNDER_PREFIX = os.path.join("lib", "vellmora", "Vellmora.app")
EXECUTABLE_IN_BUNDLE = os.path.join("Contents", "MacOS", "Vellmora")
ICON_SIZES = (16, 32, 48, 64, 128, 256, 512)


def linux_only(what):
    """Skips a suite about the Linux install on macOS, where the bundle alone is installed (the macOS
    workflow checks it inside the disk image)."""
    return unittest.skipIf(sys.platform == "darwin", "Linux only: " + what)


def source_resources():
    """Relative paths of what the bundle carries, as the build collects them, and the manifest it writes."""
    found = {"Tarnwick.icns", os.path.join("runtime", "runtime-manifest.json")}
    for top in ("runtime", "app"):
        for folder, folders, files in os.walk(os.path.join(SOURCE, "resources", top)):
            folders[:] = [name for name in folders if name != "__pycache__"]
            for name in files:
                if not name.endswith(".pyc"):
                    found.add(os.path.relpath(os.path.join(folder, name), os.path.join(SOURCE, "resources")))
    return found


def files_under(root):
    found = set()
    for folder, _, files in os.walk(root):
        found.update(os.path.relpath(os.path.join(folder, name), root) for name in files)
    return found


def install(destdir, prefix):
    environment = dict(os.environ, DESTDIR=destdir)
    result = subprocess.run([CMAKE, "--install", BUILD, "--prefix", prefix], env=environment,
                            capture_output=True, text=True, timeout=120)
    if result.returncode != 0:
        raise AssertionError("cmake --install failed:\n" + result.stdout + result.stderr)
    return os.path.join(destdir, prefix.lstrip("/"))


def png_size(path):
    with open(path, "rb") as handle:
        header = handle.read(24)
    if header[:8] != b"\x89PNG\r\n\x1a\n" or header[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", header[16:24])


def sha256(path):
    with open(path, "rb") as handle:
        return hashlib.sha256(handle.read()).hexdigest()


def start_with_recording_studio(command, bundle, work, timeout=60):
    """Starts `command` offscreen with a valid receipt for `bundle` whose studio only records how it
    was started. Returns (launcher exit status, launcher output, the record or None)."""
    data = os.path.join(work, "data")
    home = os.path.join(work, "home")
    runtime = os.path.join(data, "Vellmora", "runtime")
    os.makedirs(runtime)
    os.makedirs(home)
    record = os.path.join(work, "studio-record.json")
    studio = os.path.join(work, "studio")
    with open(studio, "w", encoding="utf-8") as handle:
        handle.write("#!{}\nimport json, os, sys\n"
                     "with open({!r}, 'w', encoding='utf-8') as out:\n"
                     "    json.dump({{'arguments': sys.argv[1:], 'cwd': os.getcwd(),\n"
                     "               'launcher': os.environ.get('VLMR_LAUNCHER'),\n"
                     "               'pythonpath': os.environ.get('PYTHONPATH')}}, out)\n"
                     .format(sys.executable, record))
    os.chmod(studio, 0o755)
    manifest = os.path.join(bundle, "Contents", "Resources", "runtime", "runtime-manifest.json")
    receipt = {"runtime_id": sha256(manifest), "main_python": studio, "seedvc_python": studio,
               "mlx_python": studio}
    with open(os.path.join(runtime, "runtime.json"), "w", encoding="utf-8") as handle:
        json.dump(receipt, handle)
    environment = {key: value for key, value in os.environ.items()
                   if key not in ("DISPLAY", "WAYLAND_DISPLAY", "PYTHONHOME", "PYTHONPATH")}
    environment.update({"QT_QPA_PLATFORM": "offscreen", "QT_LOGGING_RULES": "qt.qpa.*=false",
                        "XDG_DATA_HOME": data, "HOME": home})
    result = subprocess.run([command], env=environment, cwd=work, capture_output=True, text=True,
                            timeout=timeout)
    recorded = None
    if os.path.exists(record):
        with open(record, encoding="utf-8") as handle:
            recorded = json.load(handle)
    return result.returncode, result.stdout + result.stderr, recorded


def assert_studio_started_from(test, bundle, recorded):
    test.assertIsNotNone(recorded, "the studio never ran")
    app = os.path.join(bundle, "Contents", "Resources", "app")
    test.assertEqual(recorded["arguments"], ["-B", "-m", "sonaric.app.main"])
    test.assertEqual(os.path.realpath(recorded["cwd"]), os.path.realpath(app))
    test.assertEqual(recorded["pythonpath"], app)
    test.assertEqual(recorded["launcher"], os.path.realpath(os.path.join(bundle, EXECUTABLE_IN_BUNDLE)))


@linux_only("the install tree under lib/vellmora with bin/vellmora, the desktop entry and icons")
@unittest.skipUnless(CMAKE and BUNDLE and os.path.isfile(os.path.join(BUNDLE, EXECUTABLE_IN_BUNDLE)),
                     "needs cmake and a built bundle (VLMR_BUNDLE_DIR)")
class InstallTreeTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="vlmr-install-")
        cls.prefix = install(os.path.join(cls.work, "destdir"), "/usr")
        cls.bundle = os.path.join(cls.prefix, BUNDLE_UNDER_PREFIX)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def test_nothing_lands_outside_the_prefix(self):
        self.assertEqual(os.listdir(os.path.join(self.work, "destdir")), ["usr"])
        self.assertEqual(sorted(os.listdir(self.prefix)), ["bin", "lib", "share"])

    def test_bundle_executable_and_info_plist(self):
        executable = os.path.join(self.bundle, EXECUTABLE_IN_BUNDLE)
        self.assertTrue(os.access(executable, os.X_OK), executable)
        with open(executable, "rb") as handle:
            self.assertEqual(handle.read(4), b"\x7fELF")
        with open(os.path.join(self.bundle, "Contents", "Info.plist"), "rb") as handle:
            info = plistlib.load(handle)
        self.assertEqual(info["CFBundleIdentifier"], "com.vellmora.launcher")
        self.assertEqual(info["CFBundleExecutable"], "Vellmora")
        self.assertEqual(info["CFBundleDisplayName"], "Vellmora")
        self.assertEqual(info["CFBundleIconFile"], "Tarnwick")

    def test_resources_are_exactly_the_bundled_sources(self):
        installed = os.path.join(self.bundle, "Contents", "Resources")
        self.assertEqual(files_under(installed), source_resources())
        generated = os.path.join("runtime", "runtime-manifest.json")
        for relative in sorted(source_resources() - {generated}):
            with self.subTest(relative):
                self.assertEqual(sha256(os.path.join(installed, relative)),
                                 sha256(os.path.join(SOURCE, "resources", relative)))
        # The build's manifest, with the digest of what setup installs, not the source one.
        self.assertEqual(sha256(os.path.join(installed, generated)),
                         sha256(os.path.join(BUNDLE, "Contents", "Resources", generated)))
        with open(os.path.join(installed, generated), encoding="utf-8") as handle:
            self.assertRegex(json.load(handle)["bootstrap_digest"], "^[0-9a-f]{64}$")
        self.assertTrue(os.access(os.path.join(installed, "runtime", "bootstrap.py"), os.X_OK))
        self.assertFalse(os.access(os.path.join(installed, "runtime", "runtime-manifest.json"), os.X_OK))

    def test_command_is_a_relative_link_to_the_bundle_executable(self):
        command = os.path.join(self.prefix, "bin", "vellmora")
        self.assertTrue(os.path.islink(command))
        self.assertFalse(os.path.isabs(os.readlink(command)), os.readlink(command))
        self.assertEqual(os.path.realpath(command), os.path.realpath(os.path.join(self.bundle, EXECUTABLE_IN_BUNDLE)))

    def test_desktop_entry(self):
        path = os.path.join(self.prefix, "share", "applications", "vellmora.desktop")
        with open(path, encoding="utf-8") as handle:
            self.assertEqual(handle.readline(), "[Desktop Entry]\n")
        desktop = configparser.ConfigParser(interpolation=None)
        desktop.optionxform = str
        desktop.read(path, encoding="utf-8")
        entry = desktop["Desktop Entry"]
        for key, value in (("Type", "Application"), ("Name", "Vellmora"), ("Exec", "vellmora"),
                           ("Icon", "vellmora"), ("Terminal", "false"), ("SingleMainWindow", "true")):
            with self.subTest(key):
                self.assertEqual(entry.get(key), value)
        self.assertIn("AudioVideo", entry["Categories"].split(";"))
        self.assertEqual([name for name in entry["Actions"].split(";") if name], ["repair"])
        self.assertEqual(desktop["Desktop Action repair"].get("Exec"), "vellmora --repair")
        if not DESKTOP_FILE_VALIDATE:
            self.skipTest("desktop-file-validate is not installed (Debian package desktop-file-utils)")
        result = subprocess.run([DESKTOP_FILE_VALIDATE, path], capture_output=True, text=True, timeout=30)
        findings = [line for line in (result.stdout + result.stderr).splitlines()
                    if not line.endswith(VALIDATOR_WITHOUT_SINGLE_MAIN_WINDOW)]
        self.assertEqual(findings, [])

    def test_manual_page_renders_without_warnings(self):
        path = os.path.join(self.prefix, "share", "man", "man1", "vellmora.1.gz")
        with gzip.open(path, "rt", encoding="ascii") as handle:
            page = handle.read()
        if not GROFF:
            self.skipTest("groff is not installed (Debian package groff-base)")
        result = subprocess.run([GROFF, "-man", "-ww", "-z"], input=page, capture_output=True, text=True,
                                timeout=30)
        self.assertEqual((result.returncode, result.stdout + result.stderr), (0, ""))

    def test_icons_in_every_theme_size(self):
        themed = os.path.join(self.prefix, "share", "icons", "hicolor")
        self.assertEqual(files_under(themed), {"{0}x{0}/apps/vellmora.png".format(size) for size in ICON_SIZES})
        for size in ICON_SIZES:
            with self.subTest(size=size):
                self.assertEqual(png_size(os.path.join(themed, "{0}x{0}".format(size), "apps", "vellmora.png")),
                                 (size, size))

    def test_no_path_of_the_build_machine_in_installed_files(self):
        needles = {os.path.realpath(SOURCE).encode(), os.path.realpath(BUILD).encode()}
        for folder, _, files in os.walk(self.prefix):
            for name in files:
                path = os.path.join(folder, name)
                if os.path.islink(path):
                    self.assertFalse(os.path.isabs(os.readlink(path)), path)
                    continue
                with open(path, "rb") as handle:
                    content = handle.read()
                for needle in needles:
                    self.assertNotIn(needle, content, "{} names {}".format(path, needle.decode()))

    def test_installed_command_starts_the_studio_from_the_installed_bundle(self):
        work = tempfile.mkdtemp(prefix="run-", dir=self.work)
        status, output, recorded = start_with_recording_studio(os.path.join(self.prefix, "bin", "vellmora"),
                                                               self.bundle, work)
        self.assertEqual(status, 0, output)
        assert_studio_started_from(self, self.bundle, recorded)


@linux_only("the install tree under any prefix, with the link in bin/")
@unittest.skipUnless(CMAKE and BUNDLE and os.path.isfile(os.path.join(BUNDLE, EXECUTABLE_IN_BUNDLE)),
                     "needs cmake and a built bundle (VLMR_BUNDLE_DIR)")
class OtherPrefixTest(unittest.TestCase):
    def test_any_prefix_gets_the_same_tree_and_a_working_link(self):
        with tempfile.TemporaryDirectory(prefix="vlmr-install-") as work:
            usr = install(os.path.join(work, "a"), "/usr")
            opt = install(os.path.join(work, "b"), "/opt/vellmora")
            self.assertEqual(os.listdir(os.path.join(work, "b")), ["opt"])
            self.assertEqual(files_under(opt), files_under(usr))
            command = os.path.join(opt, "bin", "vellmora")
            self.assertEqual(os.path.realpath(command),
                             os.path.realpath(os.path.join(opt, BUNDLE_UNDER_PREFIX, EXECUTABLE_IN_BUNDLE)))

    def test_a_placeholder_manifest_stops_the_install_before_it_copies_anything(self):
        with tempfile.TemporaryDirectory(prefix="vlmr-placeholder-") as work:
            manifest, build = os.path.join(work, "placeholder.json"), os.path.join(work, "build")
            with open(manifest, "w", encoding="utf-8") as handle:
                json.dump({"python": {"url": "https://downloads.vellmora.invalid/r.tar.gz", "sha256": "0" * 64,
                                      "size": 0}}, handle)
            for arguments in (["-S", SOURCE, "-B", build, "-DVLMR_TESTS=OFF", "-DVLMR_RUNTIME_MANIFEST=" + manifest],
                              ["--build", build, "--target", "bundle_resources"]):
                subprocess.run([CMAKE] + arguments, check=True, capture_output=True, timeout=120)
            result = subprocess.run([CMAKE, "--install", build, "--prefix", "/usr"], capture_output=True, text=True,
                                    env=dict(os.environ, DESTDIR=os.path.join(work, "destdir")), timeout=120)
            self.assertFalse(os.path.exists(os.path.join(work, "destdir")))
        self.assertNotEqual(result.returncode, 0)
        bundled = os.path.join(build, "Vellmora.app", "Contents", "Resources", "runtime", "runtime-manifest.json")
        self.assertIn("make-manifest: {}: no user could download this runtime: the host downloads.vellmora.invalid is "
                      "in the reserved domain .invalid, which never resolves; the sha256 is all zeros; the size is 0\n"
                      .format(bundled), result.stderr)
        self.assertIn(manifest, result.stderr)


if __name__ == "__main__":
    unittest.main()
