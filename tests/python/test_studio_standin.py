"""The stand-in studio module, run the way the launcher runs the studio."""

import os
import subprocess
import sys
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
