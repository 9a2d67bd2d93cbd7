"""The packaged bootstrap script, run as the launcher runs it, against temporary runtime roots."""

import base64
import hashlib
import json
import os
import signal
import socket
import subprocess
import tempfile
import threading
import time
import unittest
import zipfile

SOURCE = os.environ.get("VLMR_SOURCE_DIR") or os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
PACKAGED = os.path.join(SOURCE, "resources", "runtime")
SCRIPT = os.path.join(PACKAGED, "bootstrap.py")
PYTHON = "/usr/bin/python3"
ENVIRONMENTS = ("main", "seedvc", "mlx")

RECORD_TYPES = {"label": str, "percent": int, "state": str, "message": str, "step": int,
                "total_steps": int, "download_path": str, "download_total": int}
INSTALL_FAILED = "The voice engines could not be installed. Choose Show details for the log, then retry."
CREATE_FAILED = "The engine environments could not be created. Choose Show details for the log, then retry."


def sha256_file(path):
    with open(path, "rb") as handle:
        return hashlib.sha256(handle.read()).hexdigest()


def build_wheel(folder, name="vlmr_tiny", version="1.0", value="tiny"):
    """A pure-Python wheel made by hand: one module and its dist-info."""
    dist_info = "{}-{}.dist-info".format(name, version)
    files = {
        name + ".py": "VALUE = {!r}\n".format(value).encode(),
        dist_info + "/METADATA": "Metadata-Version: 2.1\nName: {}\nVersion: {}\n".format(
            name.replace("_", "-"), version).encode(),
        dist_info + "/WHEEL": b"Wheel-Version: 1.0\nGenerator: hand\nRoot-Is-Purelib: true\nTag: py3-none-any\n",
    }
    record = []
    for path, data in files.items():
        digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
        record.append("{},sha256={},{}".format(path, digest, len(data)))
    record.append(dist_info + "/RECORD,,")
    files[dist_info + "/RECORD"] = ("\n".join(record) + "\n").encode()
    wheel = os.path.join(folder, "{}-{}-py3-none-any.whl".format(name, version))
    with zipfile.ZipFile(wheel, "w") as archive:
        for path, data in files.items():
            archive.writestr(path, data)
    return wheel


class SilentIndex:
    """A TCP listener on 127.0.0.1 that accepts connections and never answers, so pip waits."""

    def __init__(self):
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]
        self.connected = threading.Event()
        self.clients = []
        threading.Thread(target=self.accept, daemon=True).start()

    def accept(self):
        while True:
            try:
                client, _ = self.listener.accept()
            except OSError:
                return
            self.clients.append(client)
            self.connected.set()

    def close(self):
        self.listener.close()
        for client in self.clients:
            client.close()


def children_of(pid):
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/{}/stat".format(entry)) as handle:
                fields = handle.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if int(fields[1]) == pid:
            found.append(int(entry))
    return found


def has_ended(pid):
    """Gone, or a zombie that only waits for a reaper."""
    try:
        with open("/proc/{}/stat".format(pid)) as handle:
            return handle.read().rsplit(")", 1)[1].split()[0] in ("Z", "X")
    except OSError:
        return True


class BootstrapCase(unittest.TestCase):
    def setUp(self):
        self.temp = tempfile.TemporaryDirectory(prefix="vlmr-bootstrap-")
        self.addCleanup(self.temp.cleanup)
        self.fresh_start()
        self.runtime_id = sha256_file(os.path.join(PACKAGED, "runtime-manifest.json"))

    def fresh_start(self):
        self.base = tempfile.mkdtemp(dir=self.temp.name)
        self.root = self.path("data", "Vellmora", "runtime")
        os.makedirs(self.root)
        self.progress = os.path.join(self.root, "setup-progress.json")
        self.records = self.path("records.jsonl")

    def path(self, *parts):
        return os.path.join(self.base, *parts)

    def environment(self, **extra):
        environment = {key: value for key, value in os.environ.items() if not key.startswith("PIP_")}
        environment.update(HOME=self.path("home"), XDG_CACHE_HOME=self.path("cache"),
                           XDG_CONFIG_HOME=self.path("config"), PIP_CONFIG_FILE=os.devnull,
                           VLMR_BOOTSTRAP_RECORD_LOG=self.records)
        environment.update(extra)
        return environment

    def resources(self, main="", seedvc="", mlx="", wheels=None):
        folder = self.path("resources")
        os.makedirs(os.path.join(folder, "engines"))
        for name, text in (("main", main), ("seedvc", seedvc), ("mlx", mlx)):
            with open(os.path.join(folder, "engines", name + ".txt"), "w") as handle:
                handle.write("# test list\n" + text)
        if wheels is not None:
            os.makedirs(os.path.join(folder, "wheels"))
            for make in wheels:
                make(os.path.join(folder, "wheels"))
        return folder

    def command(self, resources, python=PYTHON):
        return [python, "-u", SCRIPT, "--runtime-root", self.root, "--resources", resources,
                "--progress", self.progress, "--runtime-id", self.runtime_id]

    def bootstrap(self, resources, python=PYTHON, **extra):
        return subprocess.run(self.command(resources, python), env=self.environment(**extra),
                              stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=240)

    def written_records(self):
        with open(self.records, encoding="utf-8") as handle:
            return [json.loads(line) for line in handle if line.strip()]

    def record(self):
        with open(self.progress, encoding="utf-8") as handle:
            return json.load(handle)

    def receipt(self):
        with open(os.path.join(self.root, "runtime.json"), encoding="utf-8") as handle:
            return json.load(handle)

    def assertWellFormed(self, record):
        self.assertEqual(set(record), set(RECORD_TYPES), record)
        for key, kind in RECORD_TYPES.items():
            # bool is an int in Python, never in the record
            self.assertIs(type(record[key]), kind, "{} in {}".format(key, record))
        self.assertEqual(record["total_steps"], 4)
        self.assertIn(record["step"], (2, 3, 4))
        self.assertIn(record["state"], ("running", "failed", "complete"))


class SuccessfulSetup(BootstrapCase):
    def test_packaged_lists_set_up_offline_with_a_valid_receipt(self):
        result = self.bootstrap(PACKAGED, PIP_INDEX_URL="http://127.0.0.1:9/unreachable")
        self.assertEqual(result.returncode, 0, result.stderr)

        receipt = self.receipt()
        self.assertEqual(receipt["runtime_id"], self.runtime_id)
        for name in ENVIRONMENTS:
            interpreter = receipt[name + "_python"]
            self.assertIsInstance(interpreter, str)
            self.assertTrue(os.path.isabs(interpreter))
            self.assertTrue(os.path.isfile(interpreter) and os.access(interpreter, os.X_OK), interpreter)
            prefix = subprocess.run([interpreter, "-c", "import sys; print(sys.prefix)"],
                                    capture_output=True, text=True, timeout=60).stdout.strip()
            self.assertEqual(prefix, os.path.join(self.root, "envs", name))
        self.assertEqual(receipt["main_bin"], os.path.dirname(receipt["main_python"]))
        if "ffmpeg_path" in receipt:
            self.assertTrue(os.access(receipt["ffmpeg_path"], os.X_OK))

        final = self.record()
        self.assertWellFormed(final)
        self.assertEqual((final["state"], final["percent"], final["message"]), ("complete", 100, ""))

    def test_every_record_has_the_eight_members_and_running_ones_show_a_step(self):
        result = self.bootstrap(self.resources())
        self.assertEqual(result.returncode, 0, result.stderr)
        records = self.written_records()
        self.assertGreaterEqual(len(records), 3)
        for record in records:
            self.assertWellFormed(record)
        running = [record for record in records if record["state"] == "running"]
        self.assertEqual({record["step"] for record in running}, {2, 3, 4})
        for record in running:
            self.assertTrue(record["label"].endswith("\u2026"), record)
            self.assertEqual(record["message"], "", "a message would hide the step line")
        percents = [record["percent"] for record in records]
        self.assertEqual(percents, sorted(percents))
        self.assertEqual(records[-1]["state"], "complete")
        self.assertEqual(records[-1], self.record())

    def test_wheelhouse_installs_without_an_index_into_its_own_environment(self):
        resources = self.resources(main="vlmr-tiny==1.0\n", wheels=[build_wheel])
        result = self.bootstrap(resources, PIP_INDEX_URL="http://127.0.0.1:9/unreachable")
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertIn("--no-index", result.stdout)

        receipt = self.receipt()
        found = subprocess.run([receipt["main_python"], "-c", "import vlmr_tiny; print(vlmr_tiny.VALUE)"],
                               capture_output=True, text=True, timeout=60)
        self.assertEqual(found.stdout.strip(), "tiny", found.stderr)
        elsewhere = subprocess.run([receipt["seedvc_python"], "-c", "import vlmr_tiny"],
                                   capture_output=True, timeout=60)
        self.assertNotEqual(elsewhere.returncode, 0, "engines must stay in their own environment")

    def test_unused_staging_folders_go_and_the_running_one_stays(self):
        launchers = {
            "interpreter linked into the staging folder": lambda path: os.symlink(PYTHON, path),
            "interpreter wrapped by a script": lambda path: self.write_executable(
                path, '#!/bin/sh\nexec {} "$@"\n'.format(PYTHON)),
        }
        for name, install_interpreter in launchers.items():
            with self.subTest(name):
                self.fresh_start()
                old = os.path.join(self.root, "python-OLD")
                os.makedirs(os.path.join(old, "python", "bin"))
                os.utime(old, (time.time() - 3600, time.time() - 3600))
                current = os.path.join(self.root, "python-CURRENT")
                os.makedirs(os.path.join(current, "python", "bin"))
                interpreter = os.path.join(current, "python", "bin", "python3")
                install_interpreter(interpreter)
                branded = os.path.join(current, "python", "bin", "Vellmora Setup")
                os.symlink(interpreter, branded)
                kept = [current, os.path.join(self.root, "downloads"), os.path.join(self.root, "python-notes")]
                os.makedirs(kept[1])
                with open(kept[2], "w") as handle:
                    handle.write("a file, not a staging folder")

                result = self.bootstrap(self.resources(), python=branded)
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertFalse(os.path.exists(old))
                for path in kept:
                    self.assertTrue(os.path.exists(path), path)
                self.assertTrue(os.access(self.receipt()["main_python"], os.X_OK))

    @staticmethod
    def write_executable(path, text):
        with open(path, "w") as handle:
            handle.write(text)
        os.chmod(path, 0o755)


class FailedSetup(BootstrapCase):
    def test_missing_requirement_fails_with_a_sentence_and_drops_the_old_receipt(self):
        with open(os.path.join(self.root, "runtime.json"), "w") as handle:
            json.dump({"runtime_id": self.runtime_id, "main_python": PYTHON, "seedvc_python": PYTHON,
                       "mlx_python": PYTHON}, handle)
        resources = self.resources(seedvc="vlmr-absent-engine==9.9\n", wheels=[build_wheel])
        result = self.bootstrap(resources)

        self.assertNotEqual(result.returncode, 0)
        final = self.record()
        self.assertWellFormed(final)
        self.assertEqual(final["state"], "failed")
        self.assertEqual((final["message"], final["step"]), (INSTALL_FAILED, 3))
        self.assertFalse(os.path.exists(os.path.join(self.root, "runtime.json")))
        self.assertIn("vlmr-absent-engine", result.stdout + result.stderr, "pip's reason belongs in the log")
        for record in self.written_records():
            self.assertWellFormed(record)

    def test_blocked_environment_folder_fails_at_creation(self):
        with open(os.path.join(self.root, "envs"), "w") as handle:
            handle.write("not a folder")
        result = self.bootstrap(self.resources())
        self.assertNotEqual(result.returncode, 0)
        final = self.record()
        self.assertWellFormed(final)
        self.assertEqual((final["state"], final["message"], final["step"]), ("failed", CREATE_FAILED, 2))
        self.assertFalse(os.path.exists(os.path.join(self.root, "runtime.json")))


class Cancellation(BootstrapCase):
    """pip is kept waiting on a local index that never answers, then the script is stopped.

    pip leads its own process group, so a SIGTERM to the script's group reaches pip only
    through the script; a SIGKILL reaches it only through the parent-death signal."""

    def start_stuck_install(self):
        index = SilentIndex()
        self.addCleanup(index.close)
        resources = self.resources(main="vlmr-slow-engine\n")
        environment = self.environment(PIP_INDEX_URL="http://127.0.0.1:{}/simple".format(index.port),
                                       PIP_TIMEOUT="120", PIP_RETRIES="0")
        script = subprocess.Popen(self.command(resources), env=environment, stdin=subprocess.DEVNULL,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        self.addCleanup(self.reap, script)
        self.assertTrue(index.connected.wait(120), "pip never asked the index")
        pips = [pid for pid in children_of(script.pid) if b"pip" in self.cmdline(pid)]
        self.assertEqual(len(pips), 1)
        return script, pips[0]

    @staticmethod
    def cmdline(pid):
        try:
            with open("/proc/{}/cmdline".format(pid), "rb") as handle:
                return handle.read()
        except OSError:
            return b""

    @staticmethod
    def reap(script):
        if script.poll() is None:
            os.killpg(script.pid, signal.SIGKILL)
            script.wait()

    def test_a_stop_ends_the_script_and_its_pip_within_a_second(self):
        stops = {
            "SIGTERM to the process group": lambda pid: os.killpg(pid, signal.SIGTERM),
            "SIGKILL to the script alone": lambda pid: os.kill(pid, signal.SIGKILL),
        }
        for name, stop in stops.items():
            with self.subTest(name):
                self.fresh_start()
                script, pip = self.start_stuck_install()
                stop(script.pid)
                began = time.monotonic()
                status = script.wait(timeout=10)
                self.assertLess(time.monotonic() - began, 1.0)
                self.assertNotEqual(status, 0)
                while not has_ended(pip) and time.monotonic() - began < 1.0:
                    time.sleep(0.02)
                self.assertTrue(has_ended(pip), "pip outlived the script")
                # A cancel leaves no failure text, so the launcher's own "Setup cancelled." shows.
                self.assertNotEqual(self.record()["state"], "failed")


if __name__ == "__main__":
    unittest.main()
