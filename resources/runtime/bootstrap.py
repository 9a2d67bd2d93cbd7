#!/usr/bin/env python3
"""Installs the voice engines into the studio runtime and writes its receipt.

Run by the runtime's own interpreter once per setup attempt:

    python -u bootstrap.py --runtime-root DIR --resources DIR --progress FILE --runtime-id HEX

Each attempt builds a generation of its own: the "python-<UUID>" folder the launcher unpacked for
it (the one whose python/bin holds this interpreter) receives the engine environments "main",
"seedvc" and "mlx" under envs/, and its generation.lock. Nothing the current receipt names is ever
changed, so until the last step a failed, cancelled or killed attempt leaves the working runtime
as it was. The last step replaces DIR/runtime.json atomically; from then on the attempt has
succeeded and cancel signals are ignored. Then every other generation whose lock can be taken
exclusively without waiting is retired: renamed out of sight inside DIR, then removed. A running
studio holds a shared lock on its generation's lock file (named in the receipt under
"generation_lock"), so its files stay until a later setup. Archives in DIR/downloads other than
the one the packaged manifest names are removed. A clean-up that fails costs space, not the setup.

Progress goes to the record file as whole JSON objects, replaced atomically. Exit status 0 means
the runtime is installed; any failure leaves a "failed" record with a sentence for the user.

pip hears only the product: it runs isolated (-I, --isolated), without any PIP_* variable of the
caller and with its configuration files switched off, so neither the user's nor the machine's
settings redirect or break the install; proxy variables pass through. Requirement lists use pip's
requirements format and may name their own index (--index-url, --extra-index-url). With a "wheels"
folder next to the lists, pip installs from that folder only, unless the list names an index: then
that index is asked too, with the folder as an extra source. Without either, pip asks its default
index.

Standard library only: this runs before anything else is installed.
"""

import argparse
import contextlib
import fcntl
import json
import os
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time
import traceback
import uuid

ENVIRONMENTS = ("main", "seedvc", "mlx")
TOTAL_STEPS = 4

GENERATION_PREFIX = "python-"
LEGACY_ENVIRONMENTS = "envs"  # the old layout kept the environments beside the generations
LOCK_NAME = "generation.lock"
RETIRED_PREFIX = ".retired-"

CREATING = "Creating the engine environments…"
INSTALLING = "Installing the voice engines: {name} ({place} of {count})…"
FINISHING = "Finishing the studio runtime…"
READY = "The studio runtime is ready."

CREATE_FAILED = "The engine environments could not be created. Choose Show details for the log, then retry."
INSTALL_FAILED = "The voice engines could not be installed. Choose Show details for the log, then retry."
FINISH_FAILED = "The studio runtime could not be recorded. Choose Show details for the log, then retry."
UNEXPECTED = "Setup could not finish. Choose Show details for the log, then retry."

# Tests set this to collect every record as one JSON line; the product never does.
RECORD_LOG_VARIABLE = "VLMR_BOOTSTRAP_RECORD_LOG"

CANCEL_SIGNALS = (signal.SIGTERM, signal.SIGINT, signal.SIGHUP)
STOP_GRACE_SECONDS = 0.5
POLL_SECONDS = 0.05


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

# Children that have not been reaped: only these may be signalled, as a reaped pid can be reused.
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
    """Runs in the forked child before exec: default signals, and on Linux it dies with us.

    The child stays in our process group, so the launcher's cancel and lifeline, which signal that
    group, reach it and everything it starts even when we die without a word."""
    for number in CANCEL_SIGNALS:
        signal.signal(number, signal.SIG_DFL)
    signal.pthread_sigmask(signal.SIG_SETMASK, set())
    if _libc is not None:
        _libc.prctl(PR_SET_PDEATHSIG, int(signal.SIGTERM), 0, 0, 0)
        if os.getppid() != parent:  # we died before the request took effect
            os.kill(os.getpid(), signal.SIGTERM)


def child_environment():
    environment = {key: value for key, value in os.environ.items() if not key.startswith("PIP_")}
    environment.pop("PYTHONHOME", None)
    environment.pop("PYTHONPATH", None)
    environment.pop(RECORD_LOG_VARIABLE, None)
    environment["PYTHONNOUSERSITE"] = "1"
    # Isolated mode still reads the machine's and the environment's pip.conf; this switches them off.
    environment["PIP_CONFIG_FILE"] = os.devnull
    return environment


@contextlib.contextmanager
def cancels_deferred():
    previous = signal.pthread_sigmask(signal.SIG_BLOCK, set(CANCEL_SIGNALS))
    try:
        yield
    finally:
        signal.pthread_sigmask(signal.SIG_SETMASK, previous)


def wait_for_exit(child):
    """Waits until the child has ended, reaping it and dropping it from _running as one step."""
    if hasattr(os, "waitid"):
        os.waitid(os.P_PID, child.pid, os.WEXITED | os.WNOWAIT)  # a cancel may interrupt it
        with cancels_deferred():
            status = child.wait()
            _running.remove(child)
        return status
    while True:  # macOS before Python 3.13 has no waitid: poll, reaping only with cancels deferred
        with cancels_deferred():
            status = child.poll()
            if status is not None:
                _running.remove(child)
                return status
        time.sleep(POLL_SECONDS)


def run(arguments):
    """Runs a command; a cancel signal stops it before we end."""
    print("$ " + " ".join(arguments), flush=True)
    parent = os.getpid()
    # Deferred until the child is registered, so a cancel can never miss it.
    with cancels_deferred():
        child = subprocess.Popen(arguments, stdin=subprocess.DEVNULL, env=child_environment(),
                                 preexec_fn=lambda: _prepare_child(parent))
        _running.append(child)
    status = wait_for_exit(child)
    if status < 0 and -status in CANCEL_SIGNALS:
        raise Cancelled()  # the launcher signalled our group and the child went first
    if status != 0:
        raise CommandFailed("{} ended with status {}".format(arguments[0], status))


def stop_children():
    for child in _running:
        with contextlib.suppress(OSError):
            os.kill(child.pid, signal.SIGTERM)
    deadline = time.monotonic() + STOP_GRACE_SECONDS
    for child in _running:
        try:
            child.wait(timeout=max(0.0, deadline - time.monotonic()))
        except subprocess.TimeoutExpired:
            with contextlib.suppress(OSError):
                os.kill(child.pid, signal.SIGKILL)
            child.wait()
    _running.clear()


def _on_cancel_signal(number, frame):
    # Ignored from the first one on: a second signal (a cancel, then the launcher's own end) must
    # not interrupt the clean-up that stops our children.
    ignore_cancels()
    raise Cancelled()


def ignore_cancels():
    for number in CANCEL_SIGNALS:
        signal.signal(number, signal.SIG_IGN)


# --- generations ---------------------------------------------------------------------------------

def generation_folders(root):
    names = sorted(name for name in os.listdir(root) if name.startswith(GENERATION_PREFIX))
    return [os.path.join(root, name) for name in names if is_real_directory(os.path.join(root, name))]


def receipt_paths(receipt):
    """Every path a receipt names, as written and resolved."""
    if not receipt:
        return set()
    paths = {value for key, value in receipt.items() if key != "runtime_id" and isinstance(value, str)}
    paths = {os.path.normpath(path) for path in paths if os.path.isabs(path)}
    return paths | {os.path.realpath(path) for path in paths}


def holds_any(folder, paths):
    places = {os.path.normpath(folder), os.path.realpath(folder)}
    return any(is_inside(path, place) for path in paths for place in places)


def interpreter_folder(root):
    """The generation whose python/bin holds this interpreter, as the launcher started it."""
    interpreter_bin = os.path.dirname(os.path.abspath(sys.executable))
    for folder in generation_folders(root):
        if os.path.join(folder, "python", "bin") == interpreter_bin:
            return folder
    return None


def choose_generation(root, current_receipt):
    """This attempt's generation: never one the current receipt names.

    An interpreter started through a wrapper script does not show its folder in sys.executable;
    then the newest folder that no attempt has built in yet is the one the launcher unpacked."""
    named = receipt_paths(current_receipt)
    folder = interpreter_folder(root)
    if folder is None:
        unbuilt = [candidate for candidate in generation_folders(root)
                   if not os.path.lexists(os.path.join(candidate, "envs")) and not holds_any(candidate, named)]
        folder = max(unbuilt, key=lambda candidate: os.stat(candidate).st_mtime, default=None)
    if folder is None or holds_any(folder, named):
        folder = os.path.join(root, GENERATION_PREFIX + str(uuid.uuid4()).upper())
        os.mkdir(folder, 0o700)
    return folder


def open_lock(folder):
    """The generation's lock file, created when missing: a half-built generation has none yet."""
    return os.open(os.path.join(folder, LOCK_NAME),
                   os.O_RDWR | os.O_CREAT | os.O_NOFOLLOW | os.O_CLOEXEC, 0o600)


def hold_generation(folder):
    """A shared lock on our own generation for as long as we run, like a studio's."""
    descriptor = open_lock(folder)
    try:
        fcntl.flock(descriptor, fcntl.LOCK_SH | fcntl.LOCK_NB)
    except OSError:
        os.close(descriptor)
        raise
    return descriptor


def env_folder(generation, name):
    return os.path.join(generation, "envs", name)


def env_python(generation, name):
    return os.path.join(env_folder(generation, name), "bin", "python")


# --- environments --------------------------------------------------------------------------------

def list_lines(path):
    """The logical lines of a requirement list as pip reads them: continued, without comments."""
    try:
        with open(path, encoding="utf-8") as handle:
            text = handle.read()
    except FileNotFoundError:
        return []
    lines = []
    for line in text.replace("\\\n", "").splitlines():
        if line.lstrip().startswith("#"):
            continue
        line = line.split(" #", 1)[0].split("\t#", 1)[0].strip()
        if line:
            lines.append(line)
    return lines


def option_name(line):
    return line.split()[0].split("=", 1)[0] if line.startswith("-") else ""


def requirement_lines(path):
    """The lines that ask pip to install something; options such as an index only steer it."""
    installs = ("-r", "--requirement", "-c", "--constraint", "-e", "--editable")
    return [line for line in list_lines(path) if not line.startswith("-") or option_name(line) in installs]


def names_an_index(path):
    return any(option_name(line) in ("-i", "--index-url", "--extra-index-url") for line in list_lines(path))


def create_environment(generation, name, with_pip):
    arguments = [sys.executable, "-I", "-m", "venv", "--clear"]
    if not with_pip:
        arguments.append("--without-pip")
    run(arguments + [env_folder(generation, name)])
    if not os.access(env_python(generation, name), os.X_OK):
        raise CommandFailed("no executable interpreter in the {} environment".format(name))


def pip_arguments(python, requirements, wheels):
    arguments = [python, "-I", "-m", "pip", "install", "--isolated", "--no-input", "--disable-pip-version-check"]
    if os.path.isdir(wheels):
        if not names_an_index(requirements):
            arguments.append("--no-index")
        arguments += ["--find-links", wheels]
    return arguments + ["-r", requirements]


def install_requirements(generation, name, requirements, wheels):
    run(pip_arguments(env_python(generation, name), requirements, wheels))


def find_ffmpeg(main_bin):
    search = [main_bin] + os.environ.get("PATH", "").split(os.pathsep)
    search += ["/opt/homebrew/bin", "/usr/local/bin", "/usr/bin", "/bin"]
    return shutil.which("ffmpeg", path=os.pathsep.join(entry for entry in search if entry))


# --- receipt -------------------------------------------------------------------------------------

def build_receipt(generation, runtime_id):
    main_bin = os.path.dirname(env_python(generation, "main"))
    receipt = {
        "runtime_id": runtime_id,
        "main_python": env_python(generation, "main"),
        "seedvc_python": env_python(generation, "seedvc"),
        "mlx_python": env_python(generation, "mlx"),
        "main_bin": main_bin,
        "generation_lock": os.path.join(generation, LOCK_NAME),
    }
    ffmpeg = find_ffmpeg(main_bin)
    if ffmpeg:
        receipt["ffmpeg_path"] = os.path.abspath(ffmpeg)
    return receipt


def switch_receipt(path, receipt):
    """The attempt's last step: from this replace on it has succeeded, so a cancel no longer counts."""
    data = (json.dumps(receipt, indent=2, ensure_ascii=False) + "\n").encode("utf-8")
    with cancels_deferred():
        replace_file(path, data)
        ignore_cancels()  # also drops a cancel that arrived while deferred


# --- retiring ------------------------------------------------------------------------------------

def venv_home(environment):
    with contextlib.suppress(OSError), open(os.path.join(environment, "pyvenv.cfg"), encoding="utf-8") as cfg:
        for line in cfg:
            key, _, value = line.partition("=")
            if key.strip() == "home":
                return value.strip()
    return None


def paths_in_use(generation, receipt):
    """Every place the new runtime or this very interpreter may load from, resolved."""
    paths = [sys.executable, sys.prefix, sys.exec_prefix, sys.base_prefix, sys.base_exec_prefix]
    paths += [value for key, value in receipt.items() if key != "runtime_id"]
    paths += [venv_home(env_folder(generation, name)) for name in ENVIRONMENTS]
    return {os.path.realpath(path) for path in paths if path}


def retirement_candidates(root, generation, receipt):
    used = paths_in_use(generation, receipt)
    names = [name for name in sorted(os.listdir(root))
             if name.startswith(GENERATION_PREFIX) or name == LEGACY_ENVIRONMENTS]
    folders = [os.path.join(root, name) for name in names]
    return [folder for folder in folders
            if folder != generation and is_real_directory(folder) and not holds_any(folder, used)]


def retire(root, folder):
    """Renames an unlocked generation out of sight, then removes it; a locked one stays."""
    descriptor = open_lock(folder)
    try:
        try:
            fcntl.flock(descriptor, fcntl.LOCK_EX | fcntl.LOCK_NB)
        except BlockingIOError:
            print("Keeping runtime folder in use " + folder, flush=True)
            return
        trash = os.path.join(root, RETIRED_PREFIX + os.path.basename(folder))
        os.rename(folder, trash)
    finally:
        os.close(descriptor)
    print("Removing unused runtime folder " + folder, flush=True)
    shutil.rmtree(trash)


def remove_retired_leftovers(root):
    """Folders a killed clean-up renamed but did not finish removing."""
    for name in sorted(os.listdir(root)):
        folder = os.path.join(root, name)
        if name.startswith(RETIRED_PREFIX) and is_real_directory(folder):
            shutil.rmtree(folder)


def retire_generations(root, generation, receipt):
    for folder in retirement_candidates(root, generation, receipt):
        try:
            retire(root, folder)
        except OSError:
            traceback.print_exc()


def kept_archive(resources):
    """The archive name of the packaged manifest, or None when the manifest cannot tell."""
    manifest = read_json_object(os.path.join(resources, "runtime-manifest.json")) or {}
    python = manifest.get("python")
    digest = python.get("sha256") if isinstance(python, dict) else None
    return digest + ".tar.gz" if isinstance(digest, str) and digest else None


def remove_old_archives(root, resources):
    keep = kept_archive(resources)
    downloads = os.path.join(root, "downloads")
    if keep is None or not is_real_directory(downloads):
        return
    for name in sorted(os.listdir(downloads)):
        path = os.path.join(downloads, name)
        if name.endswith(".tar.gz") and name != keep and is_regular_file(path):
            print("Removing an earlier runtime archive " + path, flush=True)
            os.remove(path)


def clean_up(root, resources, generation, receipt):
    """After the switch: whatever fails here costs space, never the setup."""
    for step in (lambda: remove_retired_leftovers(root),
                 lambda: retire_generations(root, generation, receipt),
                 lambda: remove_old_archives(root, resources)):
        try:
            step()
        except Exception:
            traceback.print_exc()


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
        generation = choose_generation(root, read_json_object(receipt_path))
        hold_generation(generation)  # released when we end, however that happens
        wanted = {name: requirement_lines(path) for name, path in lists.items()}
        for index, name in enumerate(ENVIRONMENTS):
            progress.write(CREATING, 5 + 5 * index, step=2)
            create_environment(generation, name, with_pip=bool(wanted[name]))

    with stage(INSTALL_FAILED, 3):
        for index, name in enumerate(ENVIRONMENTS):
            label = INSTALLING.format(name=name, place=index + 1, count=len(ENVIRONMENTS))
            progress.write(label, 20 + 70 * index // len(ENVIRONMENTS), step=3)
            if wanted[name]:
                install_requirements(generation, name, lists[name], wheels)

    with stage(FINISH_FAILED, 4):
        progress.write(FINISHING, 95, step=4)
        receipt = build_receipt(generation, arguments.runtime_id)
        switch_receipt(receipt_path, receipt)

    clean_up(root, resources, generation, receipt)
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
