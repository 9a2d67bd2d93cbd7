#!/usr/bin/env python3
"""Builds runtime archives for setup tests.

    python3 make_runtime_archive.py OUT.tar.gz [--relocatable] [--python PATH] [--size-padding BYTES]
                                    [--cache DIR] [--fail-bootstrap] [--fail-message TEXT]

--relocatable lays out the real interpreter PATH (default /usr/bin/python3.11) as a standalone
build does: python/bin/python3.11, python/bin/python3 a relative link to it, and its standard
library (with lib-dynload, the wheels ensurepip installs and pip itself in site-packages; without
__pycache__, the test packages and the files for building extensions) under python/lib/python3.11. CPython finds that library from
its own location, so the tree runs from any folder and through any link beside it, and
`python -m venv` makes environments with pip. --cache DIR keeps the library part between runs.

Without --relocatable, python/bin/python3 is a small sh script that runs PATH (default
/usr/bin/python3) with all its arguments: for tests that must see how the interpreter was started.
--fail-bootstrap makes that interpreter exit with status 3 instead; --fail-message TEXT also makes
it write a "failed" progress record with TEXT to the path given after "--progress".

--size-padding adds python/lib/padding.bin with that many incompressible bytes (the same bytes on
every run), for archives of a chosen size. Prints {"path", "sha256", "size"} of the archive as JSON.
"""

import argparse
import contextlib
import gzip
import hashlib
import io
import json
import os
import random
import shlex
import shutil
import subprocess
import sys
import tarfile
import tempfile
import time
import zipfile

RELOCATABLE_PYTHON = "/usr/bin/python3.11"
# Folders a standalone build leaves out or that tie the tree to this machine's packages.
LEFT_OUT_FOLDERS = {"__pycache__", "test", "tests", "idle_test", "site-packages", "dist-packages"}
# EXTERNALLY-MANAGED makes pip refuse the interpreter; sitecustomize.py is a link to the machine's
# /etc. A standalone build has neither.
LEFT_OUT_FILES = {"EXTERNALLY-MANAGED", "sitecustomize.py"}
# Bumped whenever the layout changes, so a cached library part is never reused across layouts.
LAYOUT_VERSION = "2"

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


def add_padding(archive, padding):
    info = tarfile.TarInfo("python/lib/padding.bin")
    info.size = padding
    info.mode = 0o644
    info.mtime = int(time.time())
    archive.addfile(info, io.BufferedReader(Padding(padding), 1 << 20))


# --- the relocatable interpreter -----------------------------------------------------------------

def interpreter_facts(python):
    """Where the interpreter keeps its library and the wheels its ensurepip installs."""
    code = ("import json, os, site, sys, sysconfig; print(json.dumps({"
            "'version': '%d.%d' % sys.version_info[:2], 'stdlib': sysconfig.get_path('stdlib'), "
            "'site': [os.path.relpath(path, sys.prefix) for path in site.getsitepackages()], "
            "'wheels': sysconfig.get_config_var('WHEEL_PKG_DIR') or '', "
            "'sysconfigdata': sysconfig._get_sysconfigdata_name()}))")
    result = subprocess.run([python, "-I", "-c", code], check=True, capture_output=True, text=True, timeout=60)
    return json.loads(result.stdout)


def library_sources(stdlib):
    """(path inside the library, source path) of every file and folder the layout takes, sorted."""
    entries = []
    for folder, folders, files in os.walk(stdlib):
        folders[:] = sorted(name for name in folders
                            if name not in LEFT_OUT_FOLDERS and not name.startswith("config-"))
        relative = os.path.relpath(folder, stdlib)
        entries.append(("" if relative == "." else relative, folder))
        for name in sorted(files):
            if name not in LEFT_OUT_FILES and not name.endswith((".pyc", ".pyo")):
                entries.append((os.path.normpath(os.path.join(relative, name)), os.path.join(folder, name)))
    return entries


def bundled_wheels(wheel_folder):
    """The pip and setuptools wheels that Debian keeps outside the library for ensurepip."""
    if not wheel_folder or not os.path.isdir(wheel_folder):
        return []
    return [os.path.join(wheel_folder, name) for name in sorted(os.listdir(wheel_folder))
            if name.endswith(".whl") and name.startswith(("pip-", "setuptools-"))]


def wheel_folder_line():
    # The distribution's sysconfig names an absolute wheel folder; this one moves with the tree.
    return ("\n# Relocatable layout: ensurepip's wheels travel with the library.\n"
            "build_time_vars['WHEEL_PKG_DIR'] = __import__('os').path.join("
            "__import__('os').path.dirname(__file__), 'ensurepip', '_bundled')\n").encode()


def add_file(archive, name, source, data=None):
    """Adds `source` under `name`; a link is stored as what it points to, which may lie outside."""
    info = archive.gettarinfo(os.path.realpath(source), name)
    info.uid = info.gid = 0
    info.uname = info.gname = ""
    if data is not None:
        info.size = len(data)
        archive.addfile(info, io.BytesIO(data))
    elif info.isreg():
        with open(source, "rb") as handle:
            archive.addfile(info, handle)
    else:
        archive.addfile(info)


def write_interpreter_tree(archive, python):
    """python/bin and python/lib/pythonX.Y of a standalone build, made from `python`."""
    executable = os.path.realpath(python)
    facts = interpreter_facts(executable)
    version = facts["version"]
    library = "python/lib/python" + version
    for folder in ("python", "python/bin", "python/lib"):
        add_folder(archive, folder)
    add_file(archive, "python/bin/python" + version, executable)
    link = tarfile.TarInfo("python/bin/python3")
    link.type = tarfile.SYMTYPE
    link.linkname = "python" + version
    link.mtime = int(time.time())
    archive.addfile(link)
    sysconfigdata = facts["sysconfigdata"] + ".py"
    wheels = bundled_wheels(facts["wheels"])
    for relative, source in library_sources(facts["stdlib"]):
        name = library + ("/" + relative if relative else "")
        if relative == sysconfigdata and wheels:
            with open(source, "rb") as handle:
                add_file(archive, name, source, handle.read() + wheel_folder_line())
        else:
            add_file(archive, name, source)
    if wheels:
        add_folder(archive, library + "/ensurepip/_bundled")
        for wheel in wheels:
            add_file(archive, library + "/ensurepip/_bundled/" + os.path.basename(wheel), wheel)
    # Where this interpreter's site module looks (Debian's says dist-packages), inside the library.
    site = next(folder for folder in facts["site"] if folder.startswith("lib/python" + version + "/"))
    add_pip(archive, "python/" + site, [wheel for wheel in wheels if os.path.basename(wheel).startswith("pip-")])


def add_pip(archive, folder, pip_wheels):
    """pip in the library's site packages, as a standalone build carries it."""
    add_folder(archive, folder)
    for path in pip_wheels[:1]:
        with zipfile.ZipFile(path) as wheel:
            for entry in wheel.infolist():
                if not entry.is_dir():
                    add_bytes(archive, folder + "/" + entry.filename, wheel.read(entry), 0o644)


def tree_key(python):
    """Changes whenever the interpreter, its library or this layout changes."""
    executable = os.path.realpath(python)
    facts = interpreter_facts(executable)
    digest = hashlib.sha256(LAYOUT_VERSION.encode())
    sources = [("", executable)] + library_sources(facts["stdlib"])
    sources += [("", wheel) for wheel in bundled_wheels(facts["wheels"])]
    for relative, source in sources:
        status = os.lstat(source)
        digest.update("{}\0{}\0{}\0{}\n".format(relative, source, status.st_size, status.st_mtime_ns).encode())
    return digest.hexdigest()[:24]


def interpreter_tree_part(python, cache):
    """A gzip member holding the interpreter tree's tar entries, without the end-of-archive blocks,
    so that further members can follow it in one .tar.gz. Kept in `cache` when given."""
    cached = os.path.join(cache, "relocatable-{}.part".format(tree_key(python))) if cache else None
    if cached and os.path.exists(cached):
        return cached
    folder = cache or tempfile.mkdtemp(prefix="vlmr-runtime-part-")
    os.makedirs(folder, exist_ok=True)
    descriptor, temporary = tempfile.mkstemp(prefix=".part-", dir=folder)
    with os.fdopen(descriptor, "wb") as raw, \
            gzip.GzipFile(filename="", fileobj=raw, mode="wb", compresslevel=1, mtime=0) as zipped:
        archive = tarfile.TarFile(fileobj=zipped, mode="w", format=tarfile.PAX_FORMAT)
        write_interpreter_tree(archive, python)
        # Not closed: closing would end the tar stream, and the caller's member continues it.
    if not cached:
        return temporary
    os.replace(temporary, cached)
    # A part made from an older interpreter or layout is never asked for again.
    for name in os.listdir(cache):
        if name.startswith("relocatable-") and name != os.path.basename(cached):
            with contextlib.suppress(OSError):
                os.remove(os.path.join(cache, name))
    return cached


def build_relocatable(out, python, padding, cache):
    part = interpreter_tree_part(python, cache)
    try:
        with open(out, "wb") as raw:
            with open(part, "rb") as handle:
                shutil.copyfileobj(handle, raw, 1 << 20)
            with gzip.GzipFile(filename="", fileobj=raw, mode="wb", compresslevel=1, mtime=0) as zipped, \
                    tarfile.TarFile(fileobj=zipped, mode="w", format=tarfile.PAX_FORMAT) as archive:
                if padding:
                    add_padding(archive, padding)
    finally:
        if not cache:
            shutil.rmtree(os.path.dirname(part), ignore_errors=True)


def build_script_runtime(out, python, padding, fail, message):
    with tarfile.open(out, "w:gz", compresslevel=1) as archive:
        for folder in ("python", "python/bin", "python/lib"):
            add_folder(archive, folder)
        add_bytes(archive, "python/bin/python3", interpreter_script(python, fail, message), 0o755)
        if message is not None:
            script = FAILING_SCRIPT.replace("MESSAGE", json.dumps(message))
            add_bytes(archive, "python/lib/fail_bootstrap.py", script.encode("utf-8"), 0o644)
        if padding:
            add_padding(archive, padding)


def build(out, python=None, padding=0, fail=False, message=None, relocatable=False, cache=None):
    if relocatable:
        build_relocatable(out, python or RELOCATABLE_PYTHON, padding, cache)
    else:
        build_script_runtime(out, python or "/usr/bin/python3", padding, fail, message)
    digest = hashlib.sha256()
    with open(out, "rb") as handle:
        for chunk in iter(lambda: handle.read(1 << 20), b""):
            digest.update(chunk)
    return {"path": os.path.abspath(out), "sha256": digest.hexdigest(), "size": os.path.getsize(out)}


def main(argv=None):
    parser = argparse.ArgumentParser(description="Builds runtime archives for setup tests.")
    parser.add_argument("out")
    parser.add_argument("--relocatable", action="store_true")
    parser.add_argument("--python")
    parser.add_argument("--size-padding", type=int, default=0)
    parser.add_argument("--cache")
    parser.add_argument("--fail-bootstrap", action="store_true")
    parser.add_argument("--fail-message")
    arguments = parser.parse_args(argv)
    if arguments.relocatable and (arguments.fail_bootstrap or arguments.fail_message is not None):
        parser.error("--fail-bootstrap and --fail-message make a script interpreter, not a relocatable one")
    result = build(arguments.out, arguments.python, arguments.size_padding, arguments.fail_bootstrap,
                   arguments.fail_message, arguments.relocatable, arguments.cache)
    print(json.dumps(result))
    return 0


if __name__ == "__main__":
    sys.exit(main())
