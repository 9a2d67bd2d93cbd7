#!/usr/bin/env python3
"""Installs the voice engines into the studio runtime and writes its receipt.

Run by the runtime's own interpreter once per setup attempt:

    python -u bootstrap.py --runtime-root DIR --resources DIR --progress FILE --runtime-id HEX

It creates the engine environments "main", "seedvc" and "mlx" under DIR/envs, installs each
environment's requirement list (engines/<name>.txt in the resources folder) with pip, writes
DIR/runtime.json and finally removes "python-*" staging folders that the new runtime no longer
uses. Progress goes to the record file as whole JSON objects, replaced atomically. Exit status 0
means the runtime is installed; any failure leaves a "failed" record with a sentence for the user.

Requirement lists use pip's requirements format. With a "wheels" folder next to the lists, pip
installs from that folder only (no index); without it, pip uses the index its own configuration
names. Standard library only: this runs before anything else is installed.
"""

import argparse
import contextlib
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback

ENVIRONMENTS = ("main", "seedvc", "mlx")
TOTAL_STEPS = 4

CREATING = "Creating the engine environments…"
INSTALLING = "Installing the voice engines…"
FINISHING = "Finishing the studio runtime…"
READY = "The studio runtime is ready."

CREATE_FAILED = "The engine environments could not be created. Choose Show details for the log, then retry."
INSTALL_FAILED = "The voice engines could not be installed. Choose Show details for the log, then retry."
FINISH_FAILED = "The studio runtime could not be recorded. Choose Show details for the log, then retry."
UNEXPECTED = "Setup could not finish. Choose Show details for the log, then retry."

# Tests set this to collect every record as one JSON line; the product never does.
RECORD_LOG_VARIABLE = "VLMR_BOOTSTRAP_RECORD_LOG"

CANCEL_SIGNALS = (signal.SIGTERM, signal.SIGINT, signal.SIGHUP)


class Cancelled(BaseException):
    """Raised by the signal handler; a BaseException so no stage turns it into a failure."""


class StageFailed(Exception):
    def __init__(self, sentence, step):
        super().__init__(sentence)
        self.sentence = sentence
        self.step = step


class CommandFailed(Exception):
    pass


# --- files ---------------------------------------------------------------------------------------

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


class Progress:
    def __init__(self, path):
        self.path = path
        self.record_log = os.environ.get(RECORD_LOG_VARIABLE)

    def write(self, label, percent, state="running", message="", step=2, download_path="", download_total=0):
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
        data = json.dumps(record, ensure_ascii=False, separators=(",", ":")).encode("utf-8")
        # A lost progress update must never end the installation.
        with contextlib.suppress(OSError):
            replace_file(self.path, data)
        if self.record_log:
            with contextlib.suppress(OSError), open(self.record_log, "ab") as log:
                log.write(data + b"\n")


# --- child processes -----------------------------------------------------------------------------

_running = []
_libc = None
if sys.platform.startswith("linux"):
    try:
        import ctypes

        _libc = ctypes.CDLL(None, use_errno=True)
    except (ImportError, OSError):
        _libc = None

PR_SET_PDEATHSIG = 1


def _prepare_child(parent):
    """Runs in the forked child before exec: own process group, default signals, dies with us."""
    os.setpgid(0, 0)
    for number in CANCEL_SIGNALS:
        signal.signal(number, signal.SIG_DFL)
    signal.pthread_sigmask(signal.SIG_SETMASK, set())
    if _libc is not None:
        _libc.prctl(PR_SET_PDEATHSIG, int(signal.SIGTERM), 0, 0, 0)
        if os.getppid() != parent:  # we died before the request took effect
            os.kill(os.getpid(), signal.SIGTERM)


def child_environment():
    environment = dict(os.environ)
    environment.pop("PYTHONHOME", None)
    environment.pop("PYTHONPATH", None)
    environment.pop(RECORD_LOG_VARIABLE, None)
    environment["PYTHONNOUSERSITE"] = "1"
    return environment


def run(arguments):
    """Runs a command in its own process group; a cancel signal stops the whole group."""
    print("$ " + " ".join(arguments), flush=True)
    parent = os.getpid()
    # Blocked until the child is registered, so a cancel can never miss it.
    previous = signal.pthread_sigmask(signal.SIG_BLOCK, set(CANCEL_SIGNALS))
    try:
        child = subprocess.Popen(arguments, stdin=subprocess.DEVNULL, env=child_environment(),
                                 preexec_fn=lambda: _prepare_child(parent))
        _running.append(child)
    finally:
        signal.pthread_sigmask(signal.SIG_SETMASK, previous)
    status = child.wait()
    _running.remove(child)
    if status < 0 and -status in CANCEL_SIGNALS:
        raise Cancelled()  # the launcher signalled our group and the child went first
    if status != 0:
        raise CommandFailed("{} ended with status {}".format(arguments[0], status))


def stop_children():
    for child in _running:
        with contextlib.suppress(OSError):
            os.killpg(child.pid, signal.SIGTERM)
    deadline = time.monotonic() + 0.5
    for child in _running:
        try:
            child.wait(timeout=max(0.0, deadline - time.monotonic()))
        except subprocess.TimeoutExpired:
            with contextlib.suppress(OSError):
                os.killpg(child.pid, signal.SIGKILL)
            child.wait()
    _running.clear()


def _on_cancel_signal(number, frame):
    # Ignored from the first one on: a second signal (a cancel, then the launcher's own end) must
    # not interrupt the clean-up that stops our children.
    for cancel in CANCEL_SIGNALS:
        signal.signal(cancel, signal.SIG_IGN)
    raise Cancelled()


# --- environments --------------------------------------------------------------------------------

def requirement_lines(path):
    """The lines pip would act on; a missing list means nothing to install."""
    try:
        with open(path, encoding="utf-8") as handle:
            lines = handle.read().splitlines()
    except FileNotFoundError:
        return []
    return [line.strip() for line in lines if line.strip() and not line.strip().startswith("#")]


def env_python(root, name):
    return os.path.join(root, "envs", name, "bin", "python")


def create_environment(root, name, with_pip):
    arguments = [sys.executable, "-I", "-m", "venv", "--clear"]
    if not with_pip:
        arguments.append("--without-pip")
    run(arguments + [os.path.join(root, "envs", name)])
    if not os.access(env_python(root, name), os.X_OK):
        raise CommandFailed("no executable interpreter in the {} environment".format(name))


def install_requirements(root, name, requirements, wheels):
    arguments = [env_python(root, name), "-I", "-m", "pip", "install", "--no-input",
                 "--disable-pip-version-check"]
    if os.path.isdir(wheels):
        arguments += ["--no-index", "--find-links", wheels]
    run(arguments + ["-r", requirements])


def find_ffmpeg(main_bin):
    search = [main_bin] + os.environ.get("PATH", "").split(os.pathsep)
    search += ["/opt/homebrew/bin", "/usr/local/bin", "/usr/bin", "/bin"]
    return shutil.which("ffmpeg", path=os.pathsep.join(entry for entry in search if entry))


# --- receipt and staging folders -----------------------------------------------------------------

def build_receipt(root, runtime_id):
    main_bin = os.path.dirname(env_python(root, "main"))
    receipt = {
        "runtime_id": runtime_id,
        "main_python": env_python(root, "main"),
        "seedvc_python": env_python(root, "seedvc"),
        "mlx_python": env_python(root, "mlx"),
        "main_bin": main_bin,
    }
    ffmpeg = find_ffmpeg(main_bin)
    if ffmpeg:
        receipt["ffmpeg_path"] = os.path.abspath(ffmpeg)
    return receipt


def venv_home(environment):
    with contextlib.suppress(OSError), open(os.path.join(environment, "pyvenv.cfg"), encoding="utf-8") as cfg:
        for line in cfg:
            key, _, value = line.partition("=")
            if key.strip() == "home":
                return value.strip()
    return None


def paths_in_use(root, receipt):
    """Every place the new runtime or this very interpreter may load from, resolved."""
    paths = [sys.executable, sys.prefix, sys.exec_prefix, sys.base_prefix, sys.base_exec_prefix]
    paths += [value for key, value in receipt.items() if key != "runtime_id"]
    for name in ENVIRONMENTS:
        home = venv_home(os.path.join(root, "envs", name))
        if home:
            paths.append(home)
    return {os.path.realpath(path) for path in paths if path}


def stale_staging_folders(root, receipt):
    used = paths_in_use(root, receipt)
    folders = [os.path.join(root, entry) for entry in sorted(os.listdir(root)) if entry.startswith("python-")]
    folders = [folder for folder in folders if os.path.isdir(folder) and not os.path.islink(folder)]
    if not folders:
        return []
    # The launcher unpacked the newest one for this very run; an interpreter started through a
    # wrapper script does not show that in sys.executable.
    newest = max(folders, key=lambda folder: os.stat(folder).st_mtime)
    stale = []
    for folder in folders:
        real = os.path.realpath(folder)
        if folder != newest and not any(path == real or path.startswith(real + os.sep) for path in used):
            stale.append(folder)
    return stale


def remove_stale_staging_folders(root, receipt):
    for folder in stale_staging_folders(root, receipt):
        print("Removing unused runtime folder " + folder, flush=True)
        shutil.rmtree(folder, ignore_errors=True)


# --- the installation ----------------------------------------------------------------------------

@contextlib.contextmanager
def stage(sentence, step):
    """Turns any error inside into the stage's sentence, keeping the details for the log."""
    try:
        yield
    except StageFailed:
        raise
    except CommandFailed as error:
        print(error, file=sys.stderr, flush=True)
        raise StageFailed(sentence, step) from error
    except Exception as error:
        traceback.print_exc()
        raise StageFailed(sentence, step) from error


def install(arguments, progress):
    root = os.path.abspath(arguments.runtime_root)
    resources = os.path.abspath(arguments.resources)
    engines = os.path.join(resources, "engines")
    wheels = os.path.join(resources, "wheels")
    receipt_path = os.path.join(root, "runtime.json")
    lists = {name: os.path.join(engines, name + ".txt") for name in ENVIRONMENTS}

    with stage(CREATE_FAILED, 2):
        # An old receipt must not outlive the environments this run rebuilds.
        with contextlib.suppress(FileNotFoundError):
            os.remove(receipt_path)
        wanted = {name: requirement_lines(path) for name, path in lists.items()}
        for index, name in enumerate(ENVIRONMENTS):
            progress.write(CREATING, 5 + 5 * index, step=2)
            create_environment(root, name, with_pip=bool(wanted[name]))

    with stage(INSTALL_FAILED, 3):
        for index, name in enumerate(ENVIRONMENTS):
            progress.write(INSTALLING, 20 + 70 * index // len(ENVIRONMENTS), step=3)
            if wanted[name]:
                install_requirements(root, name, lists[name], wheels)

    with stage(FINISH_FAILED, 4):
        progress.write(FINISHING, 95, step=4)
        receipt = build_receipt(root, arguments.runtime_id)
        data = (json.dumps(receipt, indent=2, ensure_ascii=False) + "\n").encode("utf-8")
        replace_file(receipt_path, data)

    # The receipt is written: a folder that cannot be removed costs space, not the setup.
    try:
        remove_stale_staging_folders(root, receipt)
    except OSError:
        traceback.print_exc()
    progress.write(READY, 100, state="complete", step=4)


def parse_arguments(argv):
    parser = argparse.ArgumentParser(description="Installs the studio's voice engines.")
    parser.add_argument("--runtime-root", required=True)
    parser.add_argument("--resources", required=True)
    parser.add_argument("--progress", required=True)
    parser.add_argument("--runtime-id", required=True)
    return parser.parse_args(argv)


def end_by_signal():
    """Leaves with the conventional status of a SIGTERM death."""
    sys.stdout.flush()
    sys.stderr.flush()
    signal.signal(signal.SIGTERM, signal.SIG_DFL)
    signal.pthread_sigmask(signal.SIG_UNBLOCK, {signal.SIGTERM})
    os.kill(os.getpid(), signal.SIGTERM)
    os._exit(128 + signal.SIGTERM)


def main(argv=None):
    arguments = parse_arguments(argv)
    progress = Progress(os.path.abspath(arguments.progress))
    for number in CANCEL_SIGNALS:
        signal.signal(number, _on_cancel_signal)
    try:
        try:
            install(arguments, progress)
        except StageFailed as failure:
            print(failure.sentence, file=sys.stderr, flush=True)
            progress.write(failure.sentence, 0, state="failed", message=failure.sentence, step=failure.step)
            return 1
        except Exception:
            traceback.print_exc()
            progress.write(UNEXPECTED, 0, state="failed", message=UNEXPECTED, step=2)
            return 1
    except Cancelled:
        # No failed record: the launcher shows its own cancellation text.
        stop_children()
        print("Setup was cancelled.", file=sys.stderr)
        end_by_signal()
    return 0


if __name__ == "__main__":
    sys.exit(main())
