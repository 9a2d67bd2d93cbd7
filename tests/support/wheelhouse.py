#!/usr/bin/env python3
"""Builds wheels for setup tests, and the engine lock that names them.

    python3 wheelhouse.py FOLDER [--name vellmora_demo_engine ...] [--version 1.0] [--padding BYTES]
                                 [--modules N] [--lock FILE --url BASE]

The wheel holds one module package and its dist-info (METADATA, WHEEL, RECORD), with fixed
timestamps, so the same arguments always give the same bytes; --padding adds a data file of that
many incompressible bytes, for a wheel of a chosen size; --modules adds that many small modules, for
an install with as many files to write and compile as a real one. Each --name makes one wheel. --lock writes
a lock (pylock.toml) naming the wheels at BASE + their file names. Prints the wheels' paths.
"""

import argparse
import base64
import hashlib
import os
import random
import re
import shutil
import sys
import zipfile

DEMO_ENGINE = "vellmora_demo_engine"
DEMO_VERSION = "1.0"
# Zip entries carry a local time; a fixed one keeps the wheel's bytes the same on every build.
FIXED_TIME = (2024, 1, 1, 0, 0, 0)


def record_digest(data):
    return "sha256=" + base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()


def small_module(name, index):
    return "# Part {} of {}.\n\nSCALE = {}\n\n\ndef apply(samples):\n    return [SCALE * x for x in samples]\n".format(
        index, name, index)


def wheel_files(name, version, padding=0, modules=0):
    dist_info = "{}-{}.dist-info".format(name, version)
    module = ('"""A stand-in voice engine: something for pip to install and for the studio to import."""\n'
              "\nVERSION = {!r}\n\n\ndef describe():\n    return {!r}\n").format(version, name + " " + version)
    files = {
        name + "/__init__.py": module.encode(),
        dist_info + "/METADATA": "Metadata-Version: 2.1\nName: {}\nVersion: {}\nSummary: Stand-in voice engine\n"
                                 .format(name, version).encode(),
        dist_info + "/WHEEL": b"Wheel-Version: 1.0\nGenerator: vellmora-tests\nRoot-Is-Purelib: true\n"
                              b"Tag: py3-none-any\n",
        dist_info + "/top_level.txt": (name + "\n").encode(),
    }
    for index in range(modules):
        files["{}/part{:05d}.py".format(name, index)] = small_module(name, index).encode()
    if padding:
        files[name + "/voices.bin"] = random.Random(name).randbytes(padding)
    record = "".join("{},{},{}\n".format(path, record_digest(data), len(data)) for path, data in files.items())
    files[dist_info + "/RECORD"] = (record + dist_info + "/RECORD,,\n").encode()
    return files


def build_wheel(folder, name=DEMO_ENGINE, version=DEMO_VERSION, padding=0, modules=0):
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "{}-{}-py3-none-any.whl".format(name, version))
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as wheel:
        for entry, data in wheel_files(name, version, padding, modules).items():
            info = zipfile.ZipInfo(entry, FIXED_TIME)
            info.compress_type = zipfile.ZIP_STORED if entry.endswith(".bin") else zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            wheel.writestr(info, data)
    return path


def write_lock(path, wheels, base_url):
    """A lock naming each wheel, served at base_url plus its file name."""
    lines = ['lock-version = "1.0"', 'created-by = "vellmora-tests"']
    for wheel in wheels:
        name, version = os.path.basename(wheel).split("-")[:2]
        with open(wheel, "rb") as handle:
            digest = hashlib.sha256(handle.read()).hexdigest()
        lines += ["", "[[packages]]", 'name = "{}"'.format(name), 'version = "{}"'.format(version), "",
                  "[[packages.wheels]]", 'url = "{}{}"'.format(base_url, os.path.basename(wheel)),
                  "size = {}".format(os.path.getsize(wheel)), 'hashes = {{sha256 = "{}"}}'.format(digest)]
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as handle:
        handle.write("\n".join(lines) + "\n")


def write_index(folder, wheels, digest=None):
    """A static package index as mirrors lay it out: simple/<project>/index.html with relative
    links carrying #sha256= (or `digest` instead of each wheel's own), the wheels in packages/."""
    for wheel in wheels:
        name = os.path.basename(wheel)
        project = re.sub(r"[-_.]+", "-", name.split("-")[0]).lower()
        with open(wheel, "rb") as handle:
            fragment = digest or hashlib.sha256(handle.read()).hexdigest()
        os.makedirs(os.path.join(folder, "packages"), exist_ok=True)
        shutil.copy(wheel, os.path.join(folder, "packages"))
        page = os.path.join(folder, "simple", project, "index.html")
        os.makedirs(os.path.dirname(page), exist_ok=True)
        with open(page, "w", encoding="utf-8") as handle:
            handle.write('<!DOCTYPE html>\n<html><body>\n<a href="../../packages/{0}#sha256={1}">{0}</a>\n'
                         '</body></html>\n'.format(name, fragment))
    return folder


def main(argv=None):
    parser = argparse.ArgumentParser(description="Builds a stand-in engine wheel and its lock.")
    parser.add_argument("folder")
    parser.add_argument("--name", action="append")
    parser.add_argument("--version", default=DEMO_VERSION)
    parser.add_argument("--padding", type=int, default=0)
    parser.add_argument("--modules", type=int, default=0)
    parser.add_argument("--lock")
    parser.add_argument("--url", default="https://127.0.0.1:9/")
    arguments = parser.parse_args(argv)
    wheels = [build_wheel(arguments.folder, name, arguments.version, arguments.padding, arguments.modules)
              for name in arguments.name or [DEMO_ENGINE]]
    if arguments.lock:
        write_lock(arguments.lock, wheels, arguments.url)
    print("\n".join(wheels))
    return 0


if __name__ == "__main__":
    sys.exit(main())
