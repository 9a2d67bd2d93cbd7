"""The built launcher in a real X window: a mouse click on "Start setup" reaches the studio."""

import os
import subprocess
import sys
import unittest

SOURCE = os.environ.get("VLMR_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
BUNDLE = os.environ.get("VLMR_BUNDLE_DIR", "")
JOURNEY = os.path.join(SOURCE, "tests", "support", "journey.py")


@unittest.skipIf(sys.platform == "darwin", "Linux only: drives the window in Xvfb with xdotool")
@unittest.skipUnless(os.path.exists("/usr/bin/Xvfb") and os.path.isdir(BUNDLE), "needs Xvfb and a built bundle")
class JourneyTest(unittest.TestCase):
    def run_journey(self, name, *options, shots=("1-first-use.png", "2-downloading.png", "3-downloading-engines.png",
                                                  "4-installing.png", "5-studio.png")):
        # Kept beside the build, so the screenshots survive as the run's artefacts.
        work = os.path.join(os.path.dirname(BUNDLE), "e2e-artifacts", name)
        result = subprocess.run([sys.executable, JOURNEY, "--bundle", BUNDLE, "--work", work,
                                 "--padding", "6000000", "--slow", "3000000", *options],
                                capture_output=True, text=True, timeout=280)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        for shot in shots:
            self.assertGreater(os.path.getsize(os.path.join(work, "screenshots", shot)), 1000, shot)
        return result.stdout

    def test_click_reaches_the_studio_and_a_repair_downloads_nothing(self):
        output = self.run_journey("journey", "--repair")
        self.assertIn("the repair reached the studio without a request to the server", output)

    def test_second_start_hands_over_and_another_copy_waits_for_the_setup(self):
        # A slower download keeps the first attempt running while the other copy tries.
        output = self.run_journey("other-starts", "--other-starts", "--slow", "500000",
                                  shots=("2-downloading.png", "5-studio.png", "6-other-copy-refused.png"))
        self.assertIn("another copy was refused a second attempt", output)

    def test_killed_launcher_leaves_nothing_and_the_next_start_resumes(self):
        output = self.run_journey("killed", "--interrupt", "kill")
        self.assertIn("no setup command left", output)

    def test_quitting_during_setup_stops_the_download(self):
        output = self.run_journey("quit-term", "--interrupt", "term")
        self.assertIn("stopped during download (term)", output)

    def test_quitting_with_ctrl_q_stops_the_download(self):
        output = self.run_journey("quit-ctrl-q", "--interrupt", "ctrl-q")
        self.assertIn("stopped during download (ctrl-q)", output)

    def test_behind_the_proxy_of_the_system_settings_and_a_repair_that_asks_nothing(self):
        output = self.run_journey("proxy", "--proxy", "--repair")
        self.assertIn("(from the system settings); the proxy carried", output)

    def test_sources_in_their_order_stand_in_for_unreachable_origins(self):
        output = self.run_journey("mirror", "--mirror", "https")
        for line in ("Download source skipped: “http://127.0.0.1:9/plain” in runtime-mirrors: plain http:",
                     "/20260414/cpython-3.12%2Bjourney.tar.gz failed: the size or SHA-256 check failed",
                     "/mirror/20260414/cpython-3.12%2Bjourney.tar.gz\n"):
            self.assertIn(line, output)
        self.assertNotIn("/machine/", output)

    def test_offline_folder_with_every_network_request_refused(self):
        output = self.run_journey("offline", "--mirror", "offline", shots=("1-first-use.png", "5-studio.png"))
        self.assertIn("Runtime archive: came from file://", output)


if __name__ == "__main__":
    unittest.main()
