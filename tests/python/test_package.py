"""The .deb and .tar.gz that CPack makes from the build: control fields, file lists, what lintian and
appstreamcli find, the packaged launcher starting the studio, and (as root in CI only) a real install
and removal with apt."""

import gzip
import os
import re
import shutil
import subprocess
import tarfile
import tempfile
import unittest
from xml.etree import ElementTree

from test_install import (BUILD, BUNDLE, EXECUTABLE_IN_BUNDLE, ICON_SIZES, SOURCE, assert_studio_started_from,
                          linux_only, source_resources, start_with_recording_studio)

CPACK = shutil.which("cpack")
DPKG_DEB = shutil.which("dpkg-deb")
LINTIAN = shutil.which("lintian")
APPSTREAMCLI = shutil.which("appstreamcli")
BUNDLE_IN_PACKAGE = "usr/lib/vellmora/Vellmora.app"
COMMAND_LINK = "../lib/vellmora/Vellmora.app/Contents/MacOS/Vellmora"
# What the launcher runs or loads by name rather than by linking; the test asks dpkg who owns each.
USED_BY_NAME = ("/usr/bin/curl", "/usr/bin/tar", "/usr/bin/xdg-open", "*/qt6/plugins/imageformats/libqicns.so")
# Only by name: interpreters that defer to the system's Python run the bootstrap and its venv.
REQUIRED_BY_NAME = ("python3", "python3-venv")
APT_INSTALLED_FILES = ("/usr/bin/vellmora", "/usr/lib/vellmora", "/usr/share/applications/vellmora.desktop",
                       "/usr/share/icons/hicolor/48x48/apps/vellmora.png", "/usr/share/man/man1/vellmora.1.gz",
                       "/usr/share/metainfo/com.vellmora.launcher.metainfo.xml")
METAINFO = "usr/share/metainfo/com.vellmora.launcher.metainfo.xml"
CHANGELOG = "usr/share/doc/vellmora/changelog.Debian.gz"


def run(arguments, timeout=60, **options):
    return subprocess.run(arguments, capture_output=True, text=True, timeout=timeout, **options)


def project_version():
    with open(os.path.join(SOURCE, "CMakeLists.txt"), encoding="utf-8") as handle:
        return re.search(r"project\(Vellmora VERSION ([0-9.]+)", handle.read()).group(1)


def expected_files():
    """Every non-directory entry of the package, relative to the root."""
    files = {"usr/bin/vellmora", "usr/share/applications/vellmora.desktop", METAINFO, CHANGELOG,
             "usr/share/doc/vellmora/copyright", "usr/share/man/man1/vellmora.1.gz",
             "usr/share/lintian/overrides/vellmora",
             BUNDLE_IN_PACKAGE + "/Contents/Info.plist", BUNDLE_IN_PACKAGE + "/" + EXECUTABLE_IN_BUNDLE}
    files.update(BUNDLE_IN_PACKAGE + "/Contents/Resources/" + relative for relative in source_resources())
    files.update("usr/share/icons/hicolor/{0}x{0}/apps/vellmora.png".format(size) for size in ICON_SIZES)
    return files


def parse_listing(text):
    """dpkg-deb -c lines as {path: (mode, owner, link target or None)}."""
    entries = {}
    for line in text.splitlines():
        mode, owner, _, _, _, rest = line.split(None, 5)
        path, _, target = rest.partition(" -> ")
        entries[path[2:].rstrip("/")] = (mode, owner, target or None)
    return entries


def owning_package(path):
    """The Debian package that ships `path`, trying both sides of the merged /usr."""
    candidates = [path]
    if path.startswith("/usr/"):
        candidates.append(path[len("/usr"):])
    elif path.startswith("/"):
        candidates.append("/usr" + path)
    for candidate in candidates:
        result = run(["dpkg", "-S", candidate])
        if result.returncode == 0:
            return result.stdout.split(":", 1)[0].split(",")[0].strip()
    return None


def linked_library_paths(executable):
    needed = re.findall(r"\(NEEDED\)\s+Shared library: \[([^\]]+)\]", run(["readelf", "-d", executable]).stdout)
    resolved = {}
    for line in run(["ldd", executable]).stdout.splitlines():
        parts = line.split()
        if len(parts) >= 3 and parts[1] == "=>":
            resolved[parts[0]] = parts[2]
        elif parts and parts[0].startswith("/"):
            resolved[os.path.basename(parts[0])] = parts[0]
    return {name: os.path.realpath(resolved[name]) if name in resolved else None for name in needed}


def depends_names(field):
    return {re.split(r"[\s(]", alternative.strip(), maxsplit=1)[0]
            for item in field.split(",") for alternative in item.split("|")}


def is_essential(package):
    return run(["dpkg-query", "-W", "-f=${Essential}", package]).stdout.strip() == "yes"


def findings(output, severities):
    """The lines of a checker's report that start with one of the severity letters ("E: ", "W: ")."""
    return [line.strip() for line in output.splitlines()
            if line.strip()[:3] in {letter + ": " for letter in severities}]


@linux_only("the .deb and .tar.gz, and installing with apt")
@unittest.skipUnless(CPACK and DPKG_DEB and shutil.which("readelf") and BUNDLE
                     and os.path.isfile(os.path.join(BUILD, "CPackConfig.cmake")),
                     "needs cpack, dpkg-deb, readelf and a configured build (VLMR_BUNDLE_DIR)")
class PackageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="vlmr-package-")
        output = os.path.join(cls.work, "out")
        result = run([CPACK, "-G", "DEB;TGZ", "-B", output, "--config", os.path.join(BUILD, "CPackConfig.cmake")],
                     timeout=240, cwd=BUILD)
        if result.returncode != 0:
            shutil.rmtree(cls.work, ignore_errors=True)
            raise AssertionError("cpack failed:\n" + result.stdout + result.stderr)
        packages = [name for name in os.listdir(output) if name.endswith(".deb")]
        archives = [name for name in os.listdir(output) if name.endswith(".tar.gz")]
        if len(packages) != 1 or len(archives) != 1:
            raise AssertionError("expected one .deb and one .tar.gz, got {}".format(os.listdir(output)))
        cls.deb = os.path.join(output, packages[0])
        cls.tgz = os.path.join(output, archives[0])
        cls.control = {}
        for line in run([DPKG_DEB, "-f", cls.deb]).stdout.splitlines():
            if line and not line.startswith(" "):
                key, _, value = line.partition(": ")
                cls.control[key] = value
        cls.listing = parse_listing(run([DPKG_DEB, "-c", cls.deb]).stdout)
        cls.root = os.path.join(cls.work, "root")
        extracted = run([DPKG_DEB, "-x", cls.deb, cls.root])
        if extracted.returncode != 0:
            raise AssertionError("dpkg-deb -x failed: " + extracted.stderr)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def test_control_fields(self):
        architecture = run(["dpkg", "--print-architecture"]).stdout.strip()
        for key, value in (("Package", "vellmora"), ("Version", project_version() + "-1"),
                           ("Architecture", architecture), ("Section", "sound")):
            with self.subTest(key):
                self.assertEqual(self.control.get(key), value)
        self.assertTrue(self.control.get("Maintainer"))
        self.assertTrue(self.control.get("Description"))
        self.assertEqual(os.path.basename(self.deb),
                         "vellmora_{}-1_{}.deb".format(project_version(), architecture))

    def test_depends_on_the_owner_of_every_linked_library(self):
        depends = depends_names(self.control.get("Depends", ""))
        libraries = linked_library_paths(os.path.join(self.root, BUNDLE_IN_PACKAGE, EXECUTABLE_IN_BUNDLE))
        self.assertIn("libQt6Widgets.so.6", libraries)
        for name, path in sorted(libraries.items()):
            with self.subTest(name):
                self.assertIsNotNone(path, name + " is not found on this machine")
                package = owning_package(path)
                self.assertIsNotNone(package, path + " belongs to no package")
                self.assertIn(package, depends, path)

    def test_depends_on_what_the_launcher_runs_or_loads_by_name(self):
        depends = depends_names(self.control.get("Depends", ""))
        for path in USED_BY_NAME:
            with self.subTest(path):
                package = owning_package(path)
                self.assertIsNotNone(package, path + " belongs to no package")
                # Essential packages are always there, and Debian forbids unversioned dependencies on them.
                if is_essential(package):
                    self.assertNotIn(package, depends)
                else:
                    self.assertIn(package, depends)
        for name in REQUIRED_BY_NAME:
            self.assertIn(name, depends)

    def test_file_list(self):
        files = {path for path, (mode, _, _) in self.listing.items() if not mode.startswith("d")}
        self.assertEqual(files, expected_files())
        self.assertTrue(all(path == "usr" or path.startswith("usr/") for path in self.listing), sorted(self.listing))
        self.assertEqual({owner for _, owner, _ in self.listing.values()}, {"root/root"})
        mode, _, target = self.listing["usr/bin/vellmora"]
        self.assertEqual((mode[0], target), ("l", COMMAND_LINK))
        self.assertEqual(self.listing[BUNDLE_IN_PACKAGE + "/" + EXECUTABLE_IN_BUNDLE][0], "-rwxr-xr-x")
        self.assertEqual(self.listing[BUNDLE_IN_PACKAGE + "/Contents/Info.plist"][0], "-rw-r--r--")
        self.assertEqual(self.listing[BUNDLE_IN_PACKAGE + "/Contents/Resources/runtime/bootstrap.py"][0], "-rwxr-xr-x")

    def test_lintian_reports_no_error_or_warning(self):
        if not LINTIAN:
            self.skipTest("lintian is not installed")
        result = run([LINTIAN, "--fail-on", "error,warning", self.deb], timeout=240)
        self.assertEqual(findings(result.stdout, "EW"), [], result.stdout)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def test_appstream_metadata_validates_with_the_desktop_entry(self):
        if not APPSTREAMCLI:
            self.skipTest("appstreamcli is not installed (Debian package appstream)")
        # validate-tree also checks that the desktop file the metadata launches is in the package.
        for arguments in (["validate", "--no-net", os.path.join(self.root, METAINFO)],
                          ["validate-tree", "--no-net", self.root]):
            with self.subTest(arguments[0]):
                result = run([APPSTREAMCLI] + arguments)
                self.assertEqual(findings(result.stdout + result.stderr, "EW"), [], result.stdout)
                self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def test_changelog_and_metadata_name_the_packaged_version(self):
        with gzip.open(os.path.join(self.root, CHANGELOG), "rt", encoding="utf-8") as handle:
            entries = re.findall(r"(?m)^vellmora \(([^)]+)\) ", handle.read())
        self.assertEqual(entries[0], self.control["Version"])
        releases = [release.get("version")
                    for release in ElementTree.parse(os.path.join(self.root, METAINFO)).iter("release")]
        # One release per packaged upstream version, newest first.
        self.assertEqual(releases, list(dict.fromkeys(entry.rsplit("-", 1)[0] for entry in entries)))

    def test_archive_holds_the_same_tree_without_the_prefix(self):
        with tarfile.open(self.tgz) as archive:
            members = archive.getmembers()
        top = os.path.basename(self.tgz)[:-len(".tar.gz")]
        self.assertTrue(all(member.name.split("/")[0] == top for member in members))
        files = {member.name[len(top) + 1:]: member for member in members if not member.isdir()}
        self.assertEqual(set(files), {path[len("usr/"):] for path in expected_files()})
        self.assertTrue(files["bin/vellmora"].issym())
        self.assertEqual(files["bin/vellmora"].linkname, COMMAND_LINK)

    def test_packaged_launcher_starts_the_studio(self):
        work = tempfile.mkdtemp(prefix="run-", dir=self.work)
        bundle = os.path.join(self.root, BUNDLE_IN_PACKAGE)
        status, output, recorded = start_with_recording_studio(os.path.join(self.root, "usr", "bin", "vellmora"),
                                                               bundle, work)
        self.assertEqual(status, 0, output)
        assert_studio_started_from(self, bundle, recorded)

    def test_apt_installs_starts_and_removes_the_package(self):
        if os.geteuid() != 0 or os.environ.get("CI") != "true":
            # The one test that changes the machine itself: a system-wide apt install and removal.
            self.skipTest("installs the package system-wide with apt: runs only on a throwaway CI machine "
                          "(root and CI=true)")
        if run(["dpkg-query", "-W", "-f=${Status}", "vellmora"]).stdout.startswith("install ok"):
            self.skipTest("a vellmora package is already installed; not replacing it")
        environment = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
        try:
            result = run(["apt-get", "install", "-y", "-q", "--no-install-recommends", self.deb],
                         timeout=240, env=environment)
            self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
            for path in APT_INSTALLED_FILES:
                self.assertTrue(os.path.lexists(path), path)
            work = tempfile.mkdtemp(prefix="run-", dir=self.work)
            status, output, recorded = start_with_recording_studio("/usr/bin/vellmora", "/" + BUNDLE_IN_PACKAGE, work)
            self.assertEqual(status, 0, output)
            assert_studio_started_from(self, "/" + BUNDLE_IN_PACKAGE, recorded)
        finally:
            removed = run(["apt-get", "remove", "-y", "-q", "vellmora"], timeout=120, env=environment)
        self.assertEqual(removed.returncode, 0, removed.stdout + removed.stderr)
        self.assertFalse(run(["dpkg-query", "-W", "-f=${Status}", "vellmora"]).stdout.startswith("install ok"))
        for path in APT_INSTALLED_FILES:
            self.assertFalse(os.path.lexists(path), path)


if __name__ == "__main__":
    unittest.main()
