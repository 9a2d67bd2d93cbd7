"""Engine locks: the wheels each environment installs, in the standard lock file format (pylock.toml).

A lock is checked before anything in it is used: every package names at least one wheel, and every
wheel an https URL, its size and its SHA-256. The build runs the same check and parses the markers,
"environments", "requires-python" and wheel file names as setup will, so a bundle never ships a
lock that a user's machine could not install. At setup a lock that cannot be read is one LockError
naming the file and the package, never a traceback.

Run by an engine environment's own interpreter, this file picks each package's wheel for that
interpreter, with the marker and tag code that the environment's pip carries:

    python -I enginelocks.py LOCK OUTPUT        writes the chosen wheels to OUTPUT as JSON

Standard library only (tomllib: Python 3.11 or later), apart from pip's own packaging code.
"""

import collections
import contextlib
import importlib
import json
import math
import os
import re
import sys
import tomllib
import types
import urllib.parse

Wheel = collections.namedtuple("Wheel", "package filename url size sha256")

SHA256 = re.compile(r"[0-9a-f]{64}")
# One file name, as pip needs it to read the wheel's tags: never a path.
WHEEL_FILE = re.compile(r"[A-Za-z0-9_][A-Za-z0-9_.+!-]*\.whl")


class LockError(Exception):
    pass


def lock_path(engines, environment):
    return os.path.join(engines, "pylock.{}.toml".format(environment))


def lock_files(engines):
    """Every lock in the folder, sorted."""
    try:
        names = sorted(os.listdir(engines))
    except FileNotFoundError:
        return []
    return [os.path.join(engines, name) for name in names if name.startswith("pylock.") and name.endswith(".toml")]


def read_lock(path):
    """The lock's document, checked; a missing lock locks nothing."""
    try:
        with open(path, "rb") as handle:
            document = tomllib.load(handle)
    except FileNotFoundError:
        return {"lock-version": "1.0", "packages": []}
    except (OSError, ValueError) as error:
        raise LockError("{}: not a readable TOML file: {}".format(path, error)) from error
    version = document.get("lock-version")
    if not isinstance(version, str) or version.split(".")[0] != "1":
        raise LockError("{}: lock-version {!r} is not one this setup can read".format(path, version))
    environments = document.get("environments", [])
    if not isinstance(environments, list) or not all(isinstance(marker, str) for marker in environments):
        raise LockError("{}: \"environments\" is not a list of marker texts".format(path))
    if not isinstance(document.get("requires-python", ""), str):
        raise LockError("{}: \"requires-python\" is not a version specifier text".format(path))
    packages = document.get("packages", [])
    if not isinstance(packages, list) or not all(isinstance(package, dict) for package in packages):
        raise LockError("{}: \"packages\" is not a list of tables".format(path))
    for package in packages:
        wheels_of(path, package)
    return document


def wheels_of(path, package):
    """A package's wheels, each checked; a problem names the lock and the package."""
    name = package.get("name")
    if not isinstance(name, str) or not name:
        raise LockError("{}: a package without a name".format(path))
    if not isinstance(package.get("marker", ""), str):
        raise LockError("{}: package \"{}\": \"marker\" is not a marker text".format(path, name))
    wheels = package.get("wheels")
    if not isinstance(wheels, list) or not wheels:
        raise LockError("{}: package \"{}\": no wheel (setup installs wheels only)".format(path, name))
    try:
        return [checked_wheel(name, wheel) for wheel in wheels]
    except ValueError as error:
        raise LockError("{}: package \"{}\": {}".format(path, name, error)) from error


def checked_wheel(package, wheel):
    if not isinstance(wheel, dict):
        raise ValueError("a wheel that is not a table")
    url = wheel.get("url")
    if not isinstance(url, str) or not url.startswith("https://"):
        raise ValueError("a wheel whose url is not https: {!r}".format(url))
    size = wheel.get("size")
    if type(size) is not int or size <= 0:
        raise ValueError("a wheel without a size: {}".format(url))
    hashes = wheel.get("hashes")
    digest = hashes.get("sha256") if isinstance(hashes, dict) else None
    if not isinstance(digest, str) or not SHA256.fullmatch(digest):
        raise ValueError("a wheel without a lower-case sha256: {}".format(url))
    filename = wheel.get("name") or urllib.parse.unquote(urllib.parse.urlsplit(url).path.rsplit("/", 1)[-1])
    if not isinstance(filename, str) or not WHEEL_FILE.fullmatch(filename):
        raise ValueError("a wheel without a wheel's file name: {!r}".format(filename))
    return Wheel(package, filename, url, size, digest)


def all_wheels(paths):
    """Every wheel the locks at these paths name, for any interpreter."""
    return [wheel for path in paths for package in read_lock(path)["packages"] for wheel in wheels_of(path, package)]


def check_folder(engines, packaging):
    """The build's check: raises LockError for the first lock a user's machine could not install.

    packaging: the marker, specifier, tag and wheel-name code to parse with (packaging_modules)."""
    for path in lock_files(engines):
        document = read_lock(path)
        refusal(path, document, packaging)
        for package in document["packages"]:
            marker_holds(path, package, packaging)
            for wheel in wheels_of(path, package):
                wheel_tags(path, wheel, packaging)


# --- parsing as setup does, and choosing in the environment's own interpreter -------------------

def packaging_modules(name="pip._vendor.packaging"):
    """The modules of a copy of packaging (pip carries one) that markers and wheel names are read with."""
    parts = ("markers", "specifiers", "tags", "utils")
    return types.SimpleNamespace(**{part: importlib.import_module(name + "." + part) for part in parts})


@contextlib.contextmanager
def naming(path, package=None, item=None):
    """Whatever parsing a lock's text raises becomes a LockError naming the lock and the package."""
    try:
        yield
    except LockError:
        raise
    except Exception as error:
        where = path if package is None else "{}: package \"{}\"".format(path, package)
        where += "" if item is None else ": " + item
        raise LockError("{}: {}".format(where, str(error) or type(error).__name__)) from error


def refusal(path, document, packaging):
    """Why this interpreter may not install the lock, or None: its environments and requires-python."""
    with naming(path):
        # Every marker is evaluated, as any of them may be the one that holds somewhere.
        fits = [packaging.markers.Marker(marker).evaluate() for marker in document.get("environments", [])]
        requires = packaging.specifiers.SpecifierSet(document.get("requires-python", ""))
    if fits and not any(fits):
        return "{}: made for other systems: {}".format(path, document["environments"])
    version = "{}.{}.{}".format(*sys.version_info[:3])
    if version not in requires:
        return "{}: needs Python {}, this is {}".format(path, requires, version)
    return None


def marker_holds(path, package, packaging):
    with naming(path, package.get("name"), "marker"):
        return "marker" not in package or packaging.markers.Marker(package["marker"]).evaluate()


def wheel_tags(path, wheel, packaging):
    with naming(path, wheel.package, wheel.filename):
        return packaging.utils.parse_wheel_filename(wheel.filename)[3]


def choose(path, packaging):
    """The wheel of each package whose marker holds here, the one whose tags this interpreter prefers."""
    document = read_lock(path)
    reason = refusal(path, document, packaging)
    if reason:
        raise LockError(reason)
    preference = {tag: rank for rank, tag in enumerate(packaging.tags.sys_tags())}

    def rank(wheel):
        return min((preference.get(tag, math.inf) for tag in wheel_tags(path, wheel, packaging)), default=math.inf)

    chosen = []
    for package in document["packages"]:
        if not marker_holds(path, package, packaging):
            continue
        best = min(wheels_of(path, package), key=rank)
        if rank(best) == math.inf:
            raise LockError("{}: package \"{}\": no wheel for this interpreter (it takes {} first)".format(
                path, best.package, next(iter(packaging.tags.sys_tags()))))
        chosen.append(best)
    return chosen


def main(argv):
    lock, output = argv
    try:
        chosen = choose(lock, packaging_modules())
    except LockError as error:
        print(error, file=sys.stderr)
        return 1
    with open(output, "w", encoding="utf-8") as handle:
        json.dump([wheel._asdict() for wheel in chosen], handle)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
