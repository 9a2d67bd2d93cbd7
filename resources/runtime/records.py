"""Files that another process reads: written whole and renamed into place, read without failing loudly."""

import contextlib
import json
import os
import stat
import tempfile

TOTAL_STEPS = 4

# Tests set this to collect every record as one JSON line; the product never does.
RECORD_LOG_VARIABLE = "VLMR_BOOTSTRAP_RECORD_LOG"


def replace_file(path, data):
    """Writes data next to path and renames it over path, so readers see old or new, never a mix."""
    directory = os.path.dirname(path) or "."
    descriptor, temporary = tempfile.mkstemp(prefix="." + os.path.basename(path) + ".", dir=directory)
    try:
        with os.fdopen(descriptor, "wb") as handle:
            handle.write(data)
            handle.flush()
            os.fsync(handle.fileno())
        os.chmod(temporary, 0o644)
        os.replace(temporary, path)
    except BaseException:
        with contextlib.suppress(OSError):
            os.unlink(temporary)
        raise


def read_json_object(path):
    """The object in a small JSON file, or None when it is missing, unreadable or something else."""
    try:
        with open(path, encoding="utf-8") as handle:
            value = json.load(handle)
    except (OSError, ValueError):
        return None
    return value if isinstance(value, dict) else None


def is_real_directory(path):
    """A directory itself, not a link to one: the clean-up never reaches through a link."""
    try:
        return stat.S_ISDIR(os.lstat(path).st_mode)
    except OSError:
        return False


def is_regular_file(path):
    try:
        return stat.S_ISREG(os.lstat(path).st_mode)
    except OSError:
        return False


def is_inside(path, folder):
    return path == folder or path.startswith(folder.rstrip(os.sep) + os.sep)


class Progress:
    """The progress record the launcher's window polls."""

    def __init__(self, path):
        self.path = path
        self.record_log = os.environ.get(RECORD_LOG_VARIABLE)
        self.launcher = os.getppid()

    def orphaned(self):
        """Whether the launcher that started us is gone, and with it its setup.lock."""
        return os.getppid() != self.launcher

    def write(self, label, percent, state="running", message="", step=2, download_path="", download_total=0,
              download_done=None):
        """download_done: bytes of several downloads together, whose total is download_total and
        whose files lie in the folder download_path; the window shows it instead of a file's size."""
        record = {
            "label": str(label),
            "percent": int(percent),
            "state": str(state),
            "message": str(message),
            "step": int(step),
            "total_steps": TOTAL_STEPS,
            "download_path": str(download_path),
            "download_total": int(download_total),
        }
        if download_done is not None:
            record["download_done"] = int(download_done)
        data = json.dumps(record, ensure_ascii=False, separators=(",", ":")).encode("utf-8")
        if self.orphaned():
            return  # after the switch: the record may belong to a new attempt by now
        # A lost progress update must never end the installation.
        with contextlib.suppress(OSError):
            replace_file(self.path, data)
        if self.record_log:
            with contextlib.suppress(OSError), open(self.record_log, "ab") as log:
                log.write(data + b"\n")
