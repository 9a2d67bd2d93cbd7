"""The engine cache: wheels kept by their SHA-256 in the runtime directory, fetched with the system's curl.

    downloads/engines/<sha256>.part          a download in progress, resumed by the next try or attempt
    downloads/engines/<sha256>/<file>.whl    a whole wheel, moved there only once its size and digest held

Every file is checked again before it is used. A wheel that the bundle carries with the lock's
digest is used where it is, without a download, so an offline bundle needs no network. Others come
from the download sources (enginesources.py) in their order, then from the lock's own URL.
Index pages and wheels alike are fetched by curl(), the one place that runs curl."""

import collections
import contextlib
import errno
import hashlib
import os
import shutil
import time
import urllib.parse

import children
import enginesources
import proxies
from records import is_real_directory, is_regular_file

CURL = "/usr/bin/curl"
# Each try resumes what the one before it fetched; curl's own retry would throw that away.
RETRY_PAUSES = (1, 2, 4)
CURL_WRITE_ERROR = 23
CURL_RANGE_REFUSED = 33  # asked to resume, the server sent the whole file
# No retry mends these: a malformed URL, a redirect to http:, a certificate that cannot be verified,
# a proxy that refuses us.
LASTING_CURL_STATUSES = {1, 3, 51, 58, 60, 77, 83, 90, 91, 97}
TRANSIENT_HTTP_STATUSES = {408, 425, 429}
RANGE_NOT_SATISFIABLE = 416
PROXY_AUTHENTICATION_REQUIRED = 407
NEARLY_FULL = 1 << 20

# curl's exit status, and each response's (HTTP status, {lower-case header: value}), redirects included.
Answer = collections.namedtuple("Answer", "status responses")


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


def curl_arguments(output, url, headers, resume=True, accept=None):
    """HTTPS only, also after redirects; a stall, not a slow line, ends a try; a download resumes.
    -q comes first, so that no ~/.curlrc adds to it."""
    resuming = ["--continue-at", "-"] if resume else []
    asking = ["--header", "Accept: " + accept] if accept else []
    return [CURL, "-q", "--fail", "--location", "--proto", "=https", "--proto-redir", "=https",
            "--connect-timeout", "30", "--speed-limit", "1024", "--speed-time", "60", *resuming, *asking,
            "--silent", "--show-error", "--dump-header", headers, "--output", output, url]


def curl(output, url, resume=True, accept=None):
    """Every curl the bootstrap runs: one try at url. Its error line stays in the log."""
    headers = output + ".headers"
    status = 0
    try:
        children.run(curl_arguments(output, url, headers, resume, accept), proxies.curl_environment(url))
    except children.CommandFailed as error:
        print(error, flush=True)
        if error.status == CURL_WRITE_ERROR and volume_full(output):
            # curl does not say why it could not write; the volume, at that very moment, does.
            raise OSError(errno.ENOSPC, os.strerror(errno.ENOSPC), output) from None
        status = error.status
    finally:
        responses = dumped_responses(headers)
    return Answer(status, responses)


def dumped_responses(path):
    """What curl's --dump-header wrote, one entry per response; the file goes."""
    try:
        with open(path, "rb") as handle:
            lines = handle.read().decode("latin-1").splitlines()
        os.remove(path)
    except OSError:
        return []
    responses = []
    for line in lines:
        if line.startswith("HTTP/"):
            fields = line.split()
            responses.append((int(fields[1]) if len(fields) > 1 and fields[1].isdigit() else 0, {}))
        elif ":" in line and responses:
            name, value = line.split(":", 1)
            responses[-1][1][name.strip().lower()] = value.strip()
    return responses


def http_status(answer):
    return answer.responses[-1][0] if answer.responses else None


def refused_resume(answer):
    return answer.status == CURL_RANGE_REFUSED or http_status(answer) == RANGE_NOT_SATISFIABLE


def lasting(answer):
    status = http_status(answer) or 0
    return (answer.status in LASTING_CURL_STATUSES or status == PROXY_AUTHENTICATION_REQUIRED
            or (400 <= status < 500 and status not in TRANSIENT_HTTP_STATUSES))


def failure(answer):
    status = http_status(answer) or 0
    return "HTTP status {}".format(status) if status >= 400 else "curl status {}".format(answer.status)


def final_url(url, answer):
    for status, headers in answer.responses:
        if 300 <= status < 400 and "location" in headers:
            url = urllib.parse.urljoin(url, headers["location"])
    return url


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
        print("{} is in the engine cache".format(wheel.filename), flush=True)
        return cached
    if os.path.lexists(cached):
        print("Removing a cached file that failed verification: " + cached, flush=True)
        remove_entry(os.path.dirname(cached))
    carried = os.path.join(bundled, wheel.filename)
    if holds(carried, wheel):
        print("{} comes with the bundle".format(wheel.filename), flush=True)
        return carried
    return None


def download(wheel, cache, sources=()):
    """Fetches a wheel into the cache from the first source that has it right, its lock's URL last.

    A source that fails, or whose file fails the check, gives way to the next; a file that failed
    the check is deleted, never resumed. The lock's URL gets a second fetch after a failed check."""
    partial = partial_path(cache, wheel)
    os.makedirs(cache, exist_ok=True)
    failed = DownloadFailed
    for source in [*sources, None]:
        for _ in range(1 if source else 2):
            try:
                where = bring(source, wheel, partial, cache)
            except (DownloadFailed, enginesources.NotOffered) as why:
                print("{} not fetched from {}: {}".format(wheel.filename, source.url if source else wheel.url, why),
                      flush=True)
                failed = DownloadFailed
                break
            if holds(partial, wheel):
                final = cached_path(cache, wheel)
                os.makedirs(os.path.dirname(final), exist_ok=True)
                os.replace(partial, final)
                print("{} came from {}".format(wheel.filename, where), flush=True)
                return final
            print("{} from {} failed verification ({} bytes)".format(wheel.filename, where, size_of(partial)),
                  flush=True)
            with contextlib.suppress(FileNotFoundError):
                os.remove(partial)
            failed = VerificationFailed
    print("Every download source failed for " + wheel.filename, flush=True)
    raise failed("{} could not be fetched from any download source".format(wheel.package))


def bring(source, wheel, partial, cache):
    """Fills partial with the wheel from one source (None: the lock's URL); returns where it came from."""
    if source is None:
        fetch(wheel.url, partial, wheel.size)
        return wheel.url
    if source.kind == enginesources.FOLDER:
        copy_from_folder(source.location, wheel, partial)
        return source.url.rstrip("/") + "/" + urllib.parse.quote(wheel.filename)
    link = index_link(source.location, wheel, cache)
    fetch(link, partial, wheel.size)
    return link


def index_link(index, wheel, cache):
    page_url = enginesources.project_page(index, wheel.package)
    page = os.path.join(cache, ".page-" + wheel.sha256)
    try:
        answer = fetch(page_url, page, accept=enginesources.ACCEPT)
        data = b""  # curl makes no file for an empty answer
        with contextlib.suppress(FileNotFoundError), open(page, "rb") as handle:
            data = handle.read()
    finally:
        with contextlib.suppress(FileNotFoundError):
            os.remove(page)
    content_type = answer.responses[-1][1].get("content-type", "") if answer.responses else ""
    return enginesources.wheel_link(data, content_type, final_url(page_url, answer), wheel)


def copy_from_folder(folder, wheel, partial):
    """A local copy, whose growth the window shows as it shows a download's."""
    found = enginesources.folder_file(folder, wheel)
    if not os.path.isfile(found):
        raise enginesources.NotOffered("not in the folder")
    try:
        source = open(found, "rb")
    except OSError as error:
        raise enginesources.NotOffered("cannot be read: {}".format(error.strerror)) from None
    with source, open(partial, "wb") as target:
        shutil.copyfileobj(source, target, 1 << 20)


def fetch(url, output, size=None, accept=None):
    """Fetches url into output in up to four tries and returns the last try's answer.

    A download of `size` bytes resumes what an earlier try left, and starts again where the server
    refuses to resume; a page is fetched whole each time. Raises DownloadFailed at once where no
    retry can help."""
    resume = size is not None
    for pause in RETRY_PAUSES + (None,):
        if resume and size_of(output) >= size:
            return Answer(0, [])  # nothing left to ask for; verification tells whether it is right
        answer = curl(output, url, resume, accept)
        if resume and refused_resume(answer):
            print("{} refused to resume; fetching it from its first byte".format(url), flush=True)
            with contextlib.suppress(FileNotFoundError):
                os.remove(output)
            answer = curl(output, url, resume, accept)
        if answer.status == 0:
            return answer
        if lasting(answer):
            raise DownloadFailed(failure(answer))
        if pause is not None:
            time.sleep(pause)
    raise DownloadFailed(failure(answer))


def size_of(path):
    try:
        return os.path.getsize(path)
    except OSError:
        return 0


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
