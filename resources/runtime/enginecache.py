"""The engine cache: wheels kept by their SHA-256 in the runtime directory, fetched with the system's curl.

    downloads/engines/<sha256>.part          a download in progress, resumed by the next try or attempt
    downloads/engines/<sha256>/<file>.whl    a whole wheel, moved there only once its size and digest held

Every file is checked again before it is used. A wheel that the bundle carries with the lock's
digest is used where it is, without a download, so an offline bundle needs no network."""

import contextlib
import errno
import hashlib
import os
import shutil
import time

import children
import proxies
from records import is_real_directory, is_regular_file

CURL = "/usr/bin/curl"
# Each try resumes what the one before it fetched; curl's own retry would throw that away.
RETRY_PAUSES = (1, 2, 4)
CURL_WRITE_ERROR = 23
NEARLY_FULL = 1 << 20


class DownloadFailed(Exception):
    pass


class VerificationFailed(Exception):
    pass


def cache_folder(root):
    return os.path.join(root, "downloads", "engines")


def cached_path(cache, wheel):
    return os.path.join(cache, wheel.sha256, wheel.filename)


def partial_path(cache, wheel):
    return os.path.join(cache, wheel.sha256 + ".part")


def curl_arguments(partial, url):
    """HTTPS only, also after redirects; a stall, not a slow line, ends a try; the file is resumed."""
    return [CURL, "--fail", "--location", "--proto", "=https", "--proto-redir", "=https",
            "--connect-timeout", "30", "--speed-limit", "1024", "--speed-time", "60",
            "--continue-at", "-", "--silent", "--show-error", "--output", partial, url]


def sha256_of(path):
    digest = hashlib.sha256()
    with open(path, "rb") as handle:
        for chunk in iter(lambda: handle.read(1 << 20), b""):
            digest.update(chunk)
    return digest.hexdigest()


def holds(path, wheel):
    """Whether the file at path is this wheel: its size, then its digest."""
    return is_regular_file(path) and os.path.getsize(path) == wheel.size and sha256_of(path) == wheel.sha256


def locate(wheel, cache, bundled):
    """The verified file of a wheel this machine already has, or None. A cached file that fails goes."""
    cached = cached_path(cache, wheel)
    if holds(cached, wheel):
        return cached
    if os.path.lexists(cached):
        print("Removing a cached file that failed verification: " + cached, flush=True)
        remove_entry(os.path.dirname(cached))
    carried = os.path.join(bundled, wheel.filename)
    return carried if holds(carried, wheel) else None


def download(wheel, cache):
    """Fetches a wheel into the cache; a file that fails verification is fetched once more."""
    partial = partial_path(cache, wheel)
    os.makedirs(cache, exist_ok=True)
    for _ in range(2):
        fetch(wheel, partial)
        if holds(partial, wheel):
            final = cached_path(cache, wheel)
            os.makedirs(os.path.dirname(final), exist_ok=True)
            os.replace(partial, final)
            return final
        print("{} failed verification ({} bytes); fetching it again".format(wheel.url, os.path.getsize(partial)),
              flush=True)
        os.remove(partial)
    raise VerificationFailed(wheel.package)


def fetch(wheel, partial):
    for pause in RETRY_PAUSES + (None,):
        if os.path.exists(partial) and os.path.getsize(partial) >= wheel.size:
            return  # nothing left to ask for; verification tells whether it is right
        try:
            children.run(curl_arguments(partial, wheel.url), env=proxies.curl_environment(wheel.url))
            return
        except children.CommandFailed as error:
            print(error, flush=True)
            if error.status == CURL_WRITE_ERROR and volume_full(partial):
                # curl does not say why it could not write; the volume, at that very moment, does.
                raise OSError(errno.ENOSPC, os.strerror(errno.ENOSPC), partial) from None
        if pause is not None:
            time.sleep(pause)
    raise DownloadFailed(wheel.package)


def volume_full(path):
    status = os.statvfs(os.path.dirname(path))
    return status.f_bavail * status.f_frsize < NEARLY_FULL


def prune(cache, keep):
    """Removes whatever the current locks do not name, partial downloads included."""
    if not is_real_directory(cache):
        return
    for name in sorted(os.listdir(cache)):
        path = os.path.join(cache, name)
        if name in keep and is_real_directory(path):
            continue
        print("Removing an engine file no lock names " + path, flush=True)
        remove_entry(path)


def remove_entry(path):
    """A folder with its files, or a file or link itself: never what a link points to."""
    if is_real_directory(path):
        shutil.rmtree(path)
    else:
        with contextlib.suppress(FileNotFoundError):
            os.remove(path)
