#!/usr/bin/env python3
"""Builds a stand-in runtime archive for setup tests.

    python3 make_runtime_archive.py OUT.tar.gz [--python /usr/bin/python3] [--size-padding BYTES]
                                    [--fail-bootstrap] [--fail-message TEXT]

The archive has the layout of a standalone Python build: python/bin/python3 is a small sh script
that runs the given real interpreter with all its arguments, so a link to it (the branded
"… Setup" link) behaves like the interpreter. --size-padding adds python/lib/padding.bin with
that many incompressible bytes (the same bytes on every run), for archives of a chosen size.
--fail-bootstrap makes the interpreter exit with status 3 instead; --fail-message TEXT also makes
it write a "failed" progress record with TEXT to the path given after "--progress".

Prints {"path", "sha256", "size"} of the archive as JSON.
"""

import argparse
import hashlib
import io
import json
import os
import random
import shlex
import sys
import tarfile
import time

FAILING_SCRIPT = r'''import json, os, sys
arguments = sys.argv[1:]
if "--progress" in arguments:
    path = arguments[arguments.index("--progress") + 1]
    record = {"label": "Installing the voice engines…", "percent": 0, "state": "failed",
              "message": MESSAGE, "step": 2, "total_steps": 4, "download_path": "",
              "download_total": 0}
    with open(path + ".tmp", "w", encoding="utf-8") as handle:
        json.dump(record, handle, ensure_ascii=False)
    os.replace(path + ".tmp", path)
print("stand-in interpreter refuses to run", file=sys.stderr)
sys.exit(3)
'''


def interpreter_script(python, fail, message):
    if message is not None:
        return ('#!/bin/sh\nexec {} "$(dirname "$0")/../lib/fail_bootstrap.py" "$@"\n'.format(shlex.quote(python))).encode()
    if fail:
        return b'#!/bin/sh\necho "stand-in interpreter refuses to run" >&2\nexit 3\n'
    return '#!/bin/sh\nexec {} "$@"\n'.format(shlex.quote(python)).encode()


def add_bytes(archive, name, data, mode):
    info = tarfile.TarInfo(name)
    info.size = len(data)
    info.mode = mode
    info.mtime = int(time.time())
    archive.addfile(info, io.BytesIO(data))


def add_folder(archive, name):
    info = tarfile.TarInfo(name)
    info.type = tarfile.DIRTYPE
    info.mode = 0o755
    info.mtime = int(time.time())
    archive.addfile(info)


class Padding(io.RawIOBase):
    """Seeded random bytes, produced a chunk at a time so large paddings stay out of memory."""

    def __init__(self, size):
        self.left = size
        self.generator = random.Random(20240611)

    def readable(self):
        return True

    def readinto(self, buffer):
        count = min(len(buffer), self.left, 1 << 20)
        buffer[:count] = self.generator.randbytes(count)
        self.left -= count
        return count


def build(out, python="/usr/bin/python3", padding=0, fail=False, message=None):
    with tarfile.open(out, "w:gz", compresslevel=1) as archive:
        for folder in ("python", "python/bin", "python/lib"):
            add_folder(archive, folder)
        add_bytes(archive, "python/bin/python3", interpreter_script(python, fail, message), 0o755)
        if message is not None:
            script = FAILING_SCRIPT.replace("MESSAGE", json.dumps(message))
            add_bytes(archive, "python/lib/fail_bootstrap.py", script.encode("utf-8"), 0o644)
        if padding:
            info = tarfile.TarInfo("python/lib/padding.bin")
            info.size = padding
            info.mode = 0o644
            info.mtime = int(time.time())
            archive.addfile(info, io.BufferedReader(Padding(padding), 1 << 20))
    digest = hashlib.sha256()
    with open(out, "rb") as handle:
        for chunk in iter(lambda: handle.read(1 << 20), b""):
            digest.update(chunk)
    return {"path": os.path.abspath(out), "sha256": digest.hexdigest(), "size": os.path.getsize(out)}


def main(argv=None):
    parser = argparse.ArgumentParser(description="Builds a stand-in runtime archive for setup tests.")
    parser.add_argument("out")
    parser.add_argument("--python", default="/usr/bin/python3")
    parser.add_argument("--size-padding", type=int, default=0)
    parser.add_argument("--fail-bootstrap", action="store_true")
    parser.add_argument("--fail-message")
    arguments = parser.parse_args(argv)
    result = build(arguments.out, arguments.python, arguments.size_padding, arguments.fail_bootstrap,
                   arguments.fail_message)
    print(json.dumps(result))
    return 0


if __name__ == "__main__":
    sys.exit(main())
