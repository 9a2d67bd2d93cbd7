"""The stand-in studio module, run the way the launcher runs the studio."""

import glob
import os
import subprocess
import sys
import tempfile
import unittest

SOURCE = os.environ.get("VLMR_SOURCE_DIR") or os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
APP = os.path.join(SOURCE, "resources", "app")


def run_studio(python, extra, drop=("DISPLAY", "WAYLAND_DISPLAY")):
    environment = {key: value for key, value in os.environ.items() if key not in drop}
    environment.update({"PYTHONPATH": APP, "PYTHONNOUSERSITE": "1"})
    environment.update(extra)
    return subprocess.run([python, "-B", "-m", "sonaric.app.main"], cwd=APP, env=environment,
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=30)


class StandInStudioTest(unittest.TestCase):
    def test_reports_what_the_launcher_handed_over(self):
        result = run_studio(sys.executable, {"VLMR_RUNTIME_JSON": "/rt dir/runtime.json",
                                             "VLMR_FFMPEG_PATH": "/opt/ff/ffmpeg"})
        self.assertEqual(result.returncode, 0, result.stdout)
        lines = result.stdout.splitlines()
        self.assertEqual(lines[:3], ["interpreter: " + sys.executable, "runtime receipt: /rt dir/runtime.json",
                                     "ffmpeg: /opt/ff/ffmpeg"])

    def test_reports_whether_each_package_of_its_environment_imports(self):
        with tempfile.TemporaryDirectory(prefix="vlmr-studio-env-") as temp:
            environment = os.path.join(temp, "main env")
            subprocess.run([sys.executable, "-m", "venv", "--without-pip", environment], check=True, timeout=60)
            site = glob.glob(os.path.join(environment, "lib", "python3*", "site-packages"))[0]
            packages = {"good_engine": "VALUE = 1\n", "broken_engine": "raise RuntimeError('no model')\n"}
            for name, source in packages.items():
                os.makedirs(os.path.join(site, name))
                with open(os.path.join(site, name, "__init__.py"), "w", encoding="utf-8") as handle:
                    handle.write(source)
                info = os.path.join(site, name + "-2.0.dist-info")
                os.makedirs(info)
                with open(os.path.join(info, "METADATA"), "w", encoding="utf-8") as handle:
                    handle.write("Metadata-Version: 2.1\nName: {}\nVersion: 2.0\n".format(name))
                with open(os.path.join(info, "RECORD"), "w", encoding="utf-8") as handle:
                    handle.write("{0}/__init__.py,,\n{0}-2.0.dist-info/METADATA,,\n".format(name))
            python = os.path.join(environment, "bin", "python")
            result = run_studio(python, {})
        self.assertEqual(result.returncode, 0, result.stdout)
        lines = result.stdout.splitlines()
        self.assertEqual(lines[0], "interpreter: " + python)
        self.assertIn("engine package good_engine 2.0: good_engine: imports", lines)
        self.assertIn("engine package broken_engine 2.0: broken_engine: cannot import (RuntimeError: no model)", lines)

    def test_runtime_lock_reaches_forked_workers_but_no_program_it_executes(self):
        probe = ("import os, subprocess, sys\n"
                 "from sonaric.app.main import hold_runtime_lock\n"
                 "fd = hold_runtime_lock()\n"
                 "worker = os.fork()\n"
                 "if worker == 0:\n"
                 "    os._exit(0 if os.fstat(fd) else 1)\n"
                 "print(os.waitstatus_to_exitcode(os.waitpid(worker, 0)[1]), flush=True)\n"
                 "subprocess.run([sys.executable, '-c', 'import os; print(os.environ.get(\"VLMR_RUNTIME_LOCK_FD\"),"
                 " flush=True); os.fstat(%d)' % fd], close_fds=False)\n")
        with tempfile.TemporaryFile() as lock:
            result = subprocess.run([sys.executable, "-c", probe], pass_fds=(lock.fileno(),), stdout=subprocess.PIPE,
                                    env=dict(os.environ, PYTHONPATH=APP, VLMR_RUNTIME_LOCK_FD=str(lock.fileno())),
                                    stderr=subprocess.STDOUT, text=True, timeout=30)
        # The worker holds it; the program neither has it nor is told of it.
        self.assertEqual(result.stdout.splitlines()[:2], ["0", "None"], result.stdout)
        self.assertIn("Bad file descriptor", result.stdout)

    def test_missing_values_are_named_as_such(self):
        result = run_studio(sys.executable, {}, drop=("DISPLAY", "WAYLAND_DISPLAY", "VLMR_RUNTIME_JSON",
                                                      "VLMR_FFMPEG_PATH"))
        self.assertEqual(result.returncode, 0, result.stdout)
        self.assertIn("ffmpeg: (not set)", result.stdout.splitlines())

    def test_unusable_display_still_ends_cleanly(self):
        # A display that cannot be reached (or no tkinter at all) must not turn into a failed start.
        result = run_studio(sys.executable, {"DISPLAY": ":9876", "VLMR_STUDIO_AUTOQUIT_SECONDS": "0.1"}, drop=())
        self.assertEqual(result.returncode, 0, result.stdout)

    def test_autoquit_value_that_is_not_a_number_is_ignored(self):
        result = run_studio(sys.executable, {"VLMR_STUDIO_AUTOQUIT_SECONDS": "soon"})
        self.assertEqual(result.returncode, 0, result.stdout)
        self.assertIn("ignoring", result.stdout)


if __name__ == "__main__":
    unittest.main()
