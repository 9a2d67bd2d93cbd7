#!/usr/bin/env python3
"""Builds a wheelhouse for setup tests: one small pure-Python wheel that pip installs offline.

    python3 wheelhouse.py FOLDER [--name vellmora_demo_engine] [--version 1.0]

The wheel holds one module package and its dist-info (METADATA, WHEEL, RECORD), with fixed
timestamps, so the same name and version always give the same bytes. Prints the wheel's path.
"""

import argparse
import base64
import hashlib
import os
import sys
import zipfile

DEMO_ENGINE = "vellmora_demo_engine"
DEMO_VERSION = "1.0"
# Zip entries carry a local time; a fixed one keeps the wheel's bytes the same on every build.
FIXED_TIME = (2024, 1, 1, 0, 0, 0)


def record_digest(data):
    return "sha256=" + base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()


def wheel_files(name, version):
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
    record = "".join("{},{},{}\n".format(path, record_digest(data), len(data)) for path, data in files.items())
    files[dist_info + "/RECORD"] = (record + dist_info + "/RECORD,,\n").encode()
    return files


def build_wheel(folder, name=DEMO_ENGINE, version=DEMO_VERSION):
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "{}-{}-py3-none-any.whl".format(name, version))
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as wheel:
        for entry, data in wheel_files(name, version).items():
            info = zipfile.ZipInfo(entry, FIXED_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            wheel.writestr(info, data)
    return path


def main(argv=None):
    parser = argparse.ArgumentParser(description="Builds a wheelhouse with one stand-in engine wheel.")
    parser.add_argument("folder")
    parser.add_argument("--name", default=DEMO_ENGINE)
    parser.add_argument("--version", default=DEMO_VERSION)
    arguments = parser.parse_args(argv)
    print(build_wheel(arguments.folder, arguments.name, arguments.version))
    return 0


if __name__ == "__main__":
    sys.exit(main())
