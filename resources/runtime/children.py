"""Child processes and cancellation: a cancel signal stops whatever runs, and nothing outlives us.

The launcher cancels by sending SIGTERM to our process group; the children stay in that group, so
the launcher's cancel and lifeline reach them and everything they start, even when we die without
a word. On Linux they also get SIGTERM when we die (the parent-death signal).

Worker threads may run children side by side (Workers): a cancel signal reaches the main thread
only, and stop_children stops every child of every thread and any a thread would start after it."""

import concurrent.futures
import contextlib
import os
import signal
import subprocess
import sys
import threading
import time

from records import RECORD_LOG_VARIABLE

CANCEL_SIGNALS = (signal.SIGTERM, signal.SIGINT, signal.SIGHUP)
STOP_GRACE_SECONDS = 0.5
POLL_SECONDS = 0.05
PR_SET_PDEATHSIG = 1


class Cancelled(BaseException):
    """Raised by the signal handler; a BaseException so no stage turns it into a failure."""


class CommandFailed(Exception):
    def __init__(self, message, status=None):
        super().__init__(message)
        self.status = status


# Children that have not been reaped: only these may be signalled, as a reaped pid can be reused.
# The lock makes starting and reaping one step with entering and leaving the list, in every thread.
_running = []
_running_lock = threading.Lock()
_stopping = False
_libc = None
if sys.platform.startswith("linux"):
    try:
        import ctypes

        _libc = ctypes.CDLL(None, use_errno=True)
    except (ImportError, OSError):
        _libc = None


def _prepare_child(parent):
    """Runs in the forked child before exec: default signals, and on Linux it dies with us."""
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
        with contextlib.suppress(ChildProcessError):  # stop_children may have reaped it already
            os.waitid(os.P_PID, child.pid, os.WEXITED | os.WNOWAIT)  # a cancel may interrupt it
        with cancels_deferred(), _running_lock:
            status = child.wait()
            _forget(child)
        return status
    while True:  # macOS before Python 3.13 has no waitid: poll, reaping only with cancels deferred
        with cancels_deferred(), _running_lock:
            status = child.poll()
            if status is not None:
                _forget(child)
                return status
        time.sleep(POLL_SECONDS)


def _forget(child):
    if child in _running:
        _running.remove(child)


def run(arguments, env=None):
    """Runs a command with its output in our log; a cancel signal stops it before we end. Without an
    environment it gets child_environment()."""
    print("$ " + " ".join(arguments), flush=True)
    parent = os.getpid()
    # Deferred until the child is registered, so a cancel can never miss it.
    with cancels_deferred(), _running_lock:
        if _stopping:
            raise Cancelled()
        child = subprocess.Popen(arguments, stdin=subprocess.DEVNULL, env=child_environment() if env is None else env,
                                 preexec_fn=lambda: _prepare_child(parent))
        _running.append(child)
    status = wait_for_exit(child)
    if status < 0 and -status in CANCEL_SIGNALS:
        raise Cancelled()  # the launcher signalled our group and the child went first
    if status != 0:
        raise CommandFailed("{} ended with status {}".format(arguments[0], status), status)


def stop_children():
    """Stops every running child; from now on run() starts none, in any thread."""
    global _stopping
    with _running_lock:
        _stopping = True
        stopping = list(_running)
    _signal_running(stopping, signal.SIGTERM)
    deadline = time.monotonic() + STOP_GRACE_SECONDS
    for child in stopping:
        try:
            child.wait(timeout=max(0.0, deadline - time.monotonic()))
        except subprocess.TimeoutExpired:
            _signal_running([child], signal.SIGKILL)
            child.wait()
    with _running_lock:
        _running.clear()


def _signal_running(stopping, number):
    with _running_lock:
        for child in stopping:
            if child in _running and child.returncode is None:
                with contextlib.suppress(OSError):
                    os.kill(child.pid, number)


class Workers(concurrent.futures.ThreadPoolExecutor):
    """Worker threads that leave cancel signals to the main thread: a thread keeps the signal mask
    of the submit that starts it, so a cancel never runs its handler while the main thread defers."""

    def submit(self, *arguments, **keywords):
        with cancels_deferred():
            return super().submit(*arguments, **keywords)


def side_by_side(calls):
    """Runs each call in a thread of its own, their children side by side, and returns the results
    in the calls' order. The first failure stops every other child and is the one raised."""
    with Workers(max(1, len(calls))) as pool:
        futures = [pool.submit(call) for call in calls]
        try:
            for done in concurrent.futures.as_completed(futures):
                done.result()
        except BaseException:
            stop_children()  # and no thread starts another one
            raise
        return [future.result() for future in futures]


def _on_cancel_signal(number, frame):
    # Ignored from the first one on: a second signal (a cancel, then the launcher's own end) must
    # not interrupt the clean-up that stops our children.
    ignore_cancels()
    raise Cancelled()


def raise_on_cancel():
    for number in CANCEL_SIGNALS:
        signal.signal(number, _on_cancel_signal)


def ignore_cancels():
    for number in CANCEL_SIGNALS:
        signal.signal(number, signal.SIG_IGN)


def end_by_signal():
    """Leaves with the conventional status of a SIGTERM death."""
    sys.stdout.flush()
    sys.stderr.flush()
    signal.signal(signal.SIGTERM, signal.SIG_DFL)
    signal.pthread_sigmask(signal.SIG_UNBLOCK, {signal.SIGTERM})
    os.kill(os.getpid(), signal.SIGTERM)
    os._exit(128 + signal.SIGTERM)
