"""Download sources for engine wheels besides each lock's own URL: package indexes and folders.

    https://host/simple      an index in the simple repository API: the wheel is the link on
                             <index>/<normalized project>/ whose file name is the lock's (PEP 503
                             HTML, or PEP 691 JSON where the server answers with it)
    file:///path/to/folder   a folder holding wheels by file name, read and never written

Any source is safe: what comes from it is checked against the lock's size and SHA-256 like the
origin's file. An entry that is neither is named once in the log and left out."""

import collections
import html.parser
import json
import os
import re
import urllib.parse

Source = collections.namedtuple("Source", "kind location url")  # kind: INDEX (location a URL) or FOLDER (a path)
INDEX = "index"
FOLDER = "folder"
# PEP 691: JSON where the index has it, HTML otherwise.
ACCEPT = "application/vnd.pypi.simple.v1+json, application/vnd.pypi.simple.v1+html;q=0.2, text/html;q=0.01"
JSON_TYPE = "application/vnd.pypi.simple.v1+json"


class NotOffered(Exception):
    """The source does not have this wheel; the text says why, for the log."""


def usable_sources(entries):
    """The entries that can be used, in their order; each other one is named once in the log."""
    sources = []
    for entry in entries:
        source, problem = classified(entry)
        if problem:
            print("Skipping the download source {}: {}".format(entry, problem), flush=True)
        else:
            sources.append(source)
    return sources


def classified(entry):
    """(Source, None) for a usable entry, or (None, why not)."""
    try:
        parts = urllib.parse.urlsplit(entry.strip())
    except ValueError:
        return None, "not a URL"
    scheme = parts.scheme.lower()
    if scheme == "https":
        if not parts.hostname:
            return None, "an https: URL without a host"
        return Source(INDEX, entry.strip().rstrip("/"), entry.strip()), None
    if scheme == "file":
        folder = urllib.parse.unquote(parts.path)
        if parts.netloc not in ("", "localhost") or not os.path.isabs(folder):
            return None, "a file: URL must name a folder on this machine"
        if not os.path.isdir(folder):
            return None, "no such folder"
        return Source(FOLDER, folder, entry.strip()), None
    if not scheme:
        return None, "not a URL (a folder is given as a file: URL)"
    return None, "{}: is not allowed (https: and file: only)".format(scheme)


def normalized(project):
    return re.sub(r"[-_.]+", "-", project).lower()


def project_page(index, project):
    return "{}/{}/".format(index, normalized(project))


def folder_file(folder, wheel):
    return os.path.join(folder, wheel.filename)


def wheel_link(page, content_type, page_url, wheel):
    """The https URL of the wheel on an index page; raises NotOffered."""
    if content_type.split(";")[0].strip().lower() == JSON_TYPE:
        links, base = json_links(page), page_url
    else:
        links, base = html_links(page, page_url)
    for filename, href, digest in links:
        if filename != wheel.filename:
            continue
        if digest is not None and digest.lower() != wheel.sha256:
            raise NotOffered("the index gives it another sha256 ({})".format(digest))
        url = urllib.parse.urljoin(base, urllib.parse.urldefrag(href).url)
        if not url.startswith("https://"):
            raise NotOffered("the index links it at {}, which is not https".format(url))
        return url
    raise NotOffered("not on the index page {}".format(page_url))


def json_links(page):
    try:
        files = json.loads(page.decode("utf-8")).get("files", [])
        return [(entry["filename"], entry["url"], entry.get("hashes", {}).get("sha256")) for entry in files]
    except (ValueError, AttributeError, KeyError, TypeError) as error:
        raise NotOffered("the index page is not the simple API's JSON: {}".format(error)) from None


def html_links(page, page_url):
    """(file name, href, sha256 or None) of each link, and the URL the links are relative to."""
    reader = LinkReader()
    reader.feed(page.decode("utf-8", errors="replace"))
    reader.close()
    base = urllib.parse.urljoin(page_url, reader.base) if reader.base else page_url
    links = []
    for href in reader.hrefs:
        target, fragment = urllib.parse.urldefrag(href)
        filename = urllib.parse.unquote(urllib.parse.urlsplit(target).path.rsplit("/", 1)[-1])
        digest = fragment[len("sha256="):] if fragment.startswith("sha256=") else None
        links.append((filename, href, digest))
    return links, base


class LinkReader(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.hrefs = []
        self.base = None

    def handle_starttag(self, tag, attrs):
        href = dict(attrs).get("href")
        if tag == "a" and href:
            self.hrefs.append(href)
        elif tag == "base" and href and self.base is None:
            self.base = href
