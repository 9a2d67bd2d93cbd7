#!/usr/bin/env python3
"""Runs the whole first-start journey of a built launcher bundle against the local HTTPS server.

    python3 journey.py --bundle build/Vellmora.app --work DIR [--interactive] [--interrupt HOW]

It makes a real runtime archive (the machine's CPython laid out as a standalone build) and two
stand-in engine wheels (one of them large enough to watch its download), serves them from
127.0.0.1, copies the bundle into DIR with a manifest and a "main" engine lock that point at the
server, and starts the launcher with XDG_DATA_HOME in DIR/"Application Support/Välja" (a space and
a non-ASCII letter, as on a Mac). The product's own bootstrap.py then makes real environments,
downloads the wheels and pip installs them.

--interactive starts it on your display and waits until you close it. Otherwise it runs under
its own Xvfb, presses "Start setup" with a real mouse click, and saves a screenshot of each stage
(first use, downloading the runtime, downloading and installing the engines, the stand-in studio)
in DIR/screenshots. --repair then runs a repair, which must reach the studio without asking the
server for anything. It exits 0
when the studio was reached from the main environment and could import the engine. --interrupt
first stops the launcher mid-download (SIGKILL, SIGTERM, SIGINT, SIGHUP or Ctrl+Q) and checks that
no setup command outlives it, then starts it again to resume the partial archive. --other-starts, during the download, starts the same bundle again (it must hand
over to the running launcher and end) and then a second copy of the bundle on the same data folder
(it opens its own window, and pressing its "Start setup" must not start a second attempt).
"""

import argparse
import base64
import json
import os
import pathlib
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import connect_proxy  # noqa: E402
import https_server  # noqa: E402
import wheelhouse  # noqa: E402

PYTHON = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else sys.executable
MAKE_MANIFEST = os.path.join(HERE, "..", "..", "scripts", "make-manifest")
CONTENT_HEIGHT = 720
# As "Application Support" on a Mac: the runtime path has a space, and a letter outside ASCII here.
DATA_FOLDER = os.path.join("Application Support", "Välja")
INSTALLING_ENGINES = "Installing the voice engines"
DOWNLOADING_ENGINES = "Downloading the voice engines"
VOICES_BYTES = 24_000_000  # the large wheel: its download lasts long enough to be seen
# The library part of the runtime archive takes a while to pack; it is the same for every journey.
ARCHIVE_CACHE = os.path.join(tempfile.gettempdir(), "vlmr-runtime-archive-%d" % os.getuid())
RELEASE = "20260414"
ARCHIVE_NAME = "cpython-3.12+journey.tar.gz"  # with a "+", as real releases name theirs
CLOSED = "https://127.0.0.1:9"  # nothing listens there: the origin of the mirror journeys


class JourneyError(Exception):
    pass


def wait_for(condition, seconds, what):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.02)
    raise JourneyError("timed out waiting for " + what)


def prepare(bundle, work, padding, slow, mirror=None):
    shutil.rmtree(work, ignore_errors=True)
    for folder in ("serve", "server", DATA_FOLDER, "home", "screenshots"):
        os.makedirs(os.path.join(work, folder))
    archive_path = os.path.join(work, "serve", "runtime.tar.gz")
    made = subprocess.run([PYTHON, os.path.join(HERE, "make_runtime_archive.py"), archive_path, "--relocatable",
                           "--cache", ARCHIVE_CACHE, "--size-padding", str(padding)],
                          check=True, capture_output=True, text=True)
    archive = json.loads(made.stdout)
    faults = ("--slow", str(slow)) if slow else ()
    wheels = [wheelhouse.build_wheel(os.path.join(work, "serve")),
              wheelhouse.build_wheel(os.path.join(work, "serve"), "vellmora_demo_voices", padding=VOICES_BYTES)]
    server = https_server.ServerProcess(os.path.join(work, "serve"), os.path.join(work, "server"), *faults,
                                        timeout=60)
    demo_bundle = os.path.join(work, "Vellmora.app")
    shutil.copytree(bundle, demo_bundle, symlinks=True)
    packaged = os.path.join(demo_bundle, "Contents", "Resources", "runtime")
    origin = ("%s/pbs/%s/" % (CLOSED, RELEASE)) if mirror else server.url("/")
    if mirror:
        lay_out_sources(work, server, archive_path, wheels, mirror)
    wheelhouse.write_lock(os.path.join(packaged, "engines", "pylock.main.toml"), wheels, origin)
    name = urllib.parse.quote(ARCHIVE_NAME) if mirror else "runtime.tar.gz"
    write_manifest(packaged, {"url": origin + name, "sha256": archive["sha256"], "size": archive["size"]})
    return server, demo_bundle, archive


def place(path, folder, name=None):
    os.makedirs(folder, exist_ok=True)
    os.link(path, os.path.join(folder, name or os.path.basename(path)))


def lay_out_sources(work, server, archive_path, wheels, mirror):
    """Static layouts, <release>/<archive> and an index, and the user's and the machine's settings naming them."""
    folder = pathlib.Path(work, "offline")
    if mirror == "offline":  # the wheels flat beside the release's folder
        place(archive_path, os.path.join(folder, RELEASE), ARCHIVE_NAME)
        for wheel in wheels:
            place(wheel, folder)
        return write_settings(work, "config", dict.fromkeys(("runtime-mirrors", "engine-indexes"), [folder.as_uri()]))
    place(archive_path, os.path.join(work, "serve", "mirror", RELEASE), ARCHIVE_NAME)
    wheelhouse.write_index(os.path.join(work, "serve", "index"), wheels)
    os.makedirs(os.path.join(folder, RELEASE))
    with open(os.path.join(folder, RELEASE, ARCHIVE_NAME), "wb") as handle:
        handle.write(b"fails the check")
    # The user's mirrors win over the machine's; the machine's index is the only one.
    write_settings(work, "config", {"runtime-mirrors": ["http://127.0.0.1:9/plain", folder.as_uri(),
                                                        server.url("/missing"), server.url("/mirror")]})
    write_settings(work, "config-system", {"runtime-mirrors": [CLOSED + "/machine"],
                                           "engine-indexes": [server.url("/index/simple/")]})


def write_settings(work, folder, settings):
    os.makedirs(os.path.join(work, folder, "vellmora"))
    with open(os.path.join(work, folder, "vellmora", "launcher.conf"), "w", encoding="utf-8") as handle:
        handle.write("[downloads]\n" + "".join("%s = %s\n" % (key, ", ".join(urls)) for key, urls in settings.items()))


def write_manifest(packaged, python):
    """The manifest the build would write for this copy: its digest covers the engine lock too."""
    manifest = os.path.join(packaged, "runtime-manifest.json")
    with open(manifest, "w", encoding="utf-8") as handle:
        json.dump({"python": python}, handle, indent=2)
    subprocess.run([PYTHON, MAKE_MANIFEST, "--bundle", manifest, packaged, manifest], check=True)


def launcher_environment(work, server, display=None):
    environment = dict(os.environ)
    environment.update({
        "XDG_DATA_HOME": os.path.join(work, DATA_FOLDER),
        "CURL_CA_BUNDLE": server.cert,
    })
    environment.pop("QT_QPA_PLATFORM", None)
    if not environment.get("XDG_CONFIG_HOME", "").startswith(work):  # the proxy journey's GNOME settings are there
        environment["XDG_CONFIG_HOME"] = os.path.join(work, "config")
    environment["XDG_CONFIG_DIRS"] = os.path.join(work, "config-system")  # never the machine's own settings
    if display:
        environment["DISPLAY"] = display
    return environment


def runtime_dir(work):
    return os.path.join(work, DATA_FOLDER, "Vellmora", "runtime")


def record(work):
    try:
        with open(os.path.join(runtime_dir(work), "setup-progress.json"), encoding="utf-8") as handle:
            return json.load(handle)
    except (OSError, ValueError):
        return {}


class Xvfb:
    def __init__(self):
        # Xvfb picks a free display itself and names it on the pipe, so journeys can run side by side.
        reader, writer = os.pipe()
        self.process = subprocess.Popen(["/usr/bin/Xvfb", "-displayfd", str(writer), "-screen", "0", "1024x900x24",
                                         "-nolisten", "tcp",
                                         # Without it the server resets when its last client (the first
                                         # launcher) leaves, and a launcher started then cannot connect.
                                         "-noreset"],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, pass_fds=(writer,))
        os.close(writer)
        with os.fdopen(reader) as answer:
            number = answer.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number

    def run(self, *command):
        environment = dict(os.environ, DISPLAY=self.display)
        return subprocess.run(list(command), env=environment, capture_output=True, text=True)

    def screenshot(self, path):
        self.run("/usr/bin/import", "-window", "root", path)
        return path

    def geometry(self, window):
        output = self.run("/usr/bin/xdotool", "getwindowgeometry", "--shell", window).stdout
        values = dict(line.split("=", 1) for line in output.split() if "=" in line)
        return values if {"X", "Y", "WIDTH", "HEIGHT"} <= values.keys() else None

    def window(self, title, pid=None):
        """A mapped window with that title, of process `pid` if given, whose geometry can be read
        (a window that has just gone can still be listed for a moment)."""
        owner = ("--pid", str(pid)) if pid else ()
        found = self.run("/usr/bin/xdotool", "search", "--onlyvisible", *owner, "--name", "^%s$" % title)
        return next((window for window in found.stdout.split() if self.geometry(window)), None)

    def window_image(self, window, path):
        # From the root window: a window of its own reads back black without a compositor.
        values = self.geometry(window) or {}
        crop = "%sx%s+%s+%s" % (values.get("WIDTH"), values.get("HEIGHT"), values.get("X"), values.get("Y"))
        self.run("/usr/bin/import", "-window", "root", "-crop", crop, "+repage", path)
        with open(path, "rb") as handle:
            return handle.read()

    def click_start_setup(self, window):
        values = self.geometry(window)
        x, y, height = int(values["X"]), int(values["Y"]), int(values["HEIGHT"])
        menu = max(0, height - CONTENT_HEIGHT)
        # The main button's centre: 370 + 222 / 2 across, 23 + 32 / 2 up from the bottom.
        self.move_pointer(x + 481, y + menu + CONTENT_HEIGHT - 39)
        self.run("/usr/bin/xdotool", "click", "1")

    def move_pointer(self, x, y):
        output = self.run("/usr/bin/xdotool", "getmouselocation", "--shell").stdout
        values = dict(line.split("=", 1) for line in output.split() if "=" in line)
        # --sync waits for the pointer to move, which it never does when it is there already (as on
        # a second window in the same place).
        if (values.get("X"), values.get("Y")) != (str(x), str(y)):
            self.run("/usr/bin/xdotool", "mousemove", "--sync", str(x), str(y))

    def stop(self):
        self.process.terminate()
        self.process.wait(10)


def setup_commands_running(work):
    """Processes whose command line names this journey's folder (curl, tar, the bootstrap)."""
    found = []
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as handle:
                cmdline = handle.read().replace(b"\0", b" ").decode(errors="replace")
        except OSError:
            continue
        if work in cmdline and not any(tool in cmdline for tool in ("https_server.py", "journey.py", "Contents/MacOS")):
            found.append(cmdline)
    return found


def start_launcher(bundle, environment, log, arguments=()):
    executable = os.path.join(bundle, "Contents", "MacOS", "Vellmora")
    # Its own output is kept beside the screenshots, for when a journey fails.
    with open(log, "ab") as output:
        return subprocess.Popen([executable, *arguments], env=environment, stdout=output, stderr=subprocess.STDOUT)


def interrupt_during_download(xvfb, bundle, environment, work, how):
    launcher = start_launcher(bundle, environment, os.path.join(work, "launcher-1.log"))
    window = wait_for(lambda: xvfb.window("Vellmora"), 90, "the setup window")
    time.sleep(0.5)
    xvfb.click_start_setup(window)
    downloads = os.path.join(runtime_dir(work), "downloads")
    wait_for(lambda: os.path.isdir(downloads) and any(os.path.getsize(os.path.join(downloads, name)) > 0
                                                      for name in os.listdir(downloads)), 60, "the download")
    if how == "ctrl-q":
        # Typed on the server's keyboard, as a user would. With --window, xdotool sends the keys to
        # the window itself, dies on BadWindow once the quitting launcher has destroyed it, and
        # leaves Ctrl+Q held down: its autorepeat then quits the next launcher as well.
        xvfb.run("/usr/bin/xdotool", "windowfocus", "--sync", window)
        xvfb.run("/usr/bin/xdotool", "key", "ctrl+q")
    else:
        launcher.send_signal(getattr(signal, "SIG" + how.upper()))
    status = launcher.wait(10)
    if how != "kill" and status != 0:
        raise JourneyError("quitting during setup ended the launcher with status %d" % status)
    wait_for(lambda: not setup_commands_running(work), 5, "curl to end with the launcher")
    print("stopped during download (%s); no setup command left" % how)


def attempt_logs(work):
    return [name for name in os.listdir(runtime_dir(work)) if name.startswith("setup-") and name.endswith(".log")]


def other_starts_during_download(xvfb, bundle, environment, work, first, first_window):
    executable = os.path.join(bundle, "Contents", "MacOS", "Vellmora")
    again = subprocess.run([executable, "--repair"], env=environment, capture_output=True, text=True, timeout=10)
    if again.returncode != 0 or "Vellmora is already running." not in again.stderr.splitlines():
        raise JourneyError("a second start of the same copy did not hand over: status %d, %r"
                           % (again.returncode, again.stderr))
    if xvfb.window("Vellmora", first.pid) != first_window:
        raise JourneyError("the first launcher lost its window to the second start")

    # Another copy is another application, on the same runtime directory.
    other_bundle = os.path.join(work, "Other.app")
    shutil.copytree(bundle, other_bundle, symlinks=True)
    other = start_launcher(other_bundle, environment, os.path.join(work, "launcher-other.log"))
    try:
        window = wait_for(lambda: xvfb.window("Vellmora", other.pid), 90, "the other copy's window")
        time.sleep(1.0)
        shots = os.path.join(work, "screenshots")
        before = xvfb.window_image(window, os.path.join(work, "other-copy-before.png"))
        xvfb.click_start_setup(window)
        # Its window changes once the press was handled (refused, or the start of an attempt).
        wait_for(lambda: xvfb.window_image(window, os.path.join(shots, "6-other-copy-refused.png")) != before, 10,
                 "the other copy to answer the press")
        if record(work).get("label") != "Downloading the studio runtime…":
            raise JourneyError("the first attempt was no longer downloading when the other copy tried")
        if len(attempt_logs(work)) != 1:
            raise JourneyError("the other copy started a second attempt: %r" % attempt_logs(work))
    finally:
        other.terminate()
        other.wait(10)
    print("a second start handed over; another copy was refused a second attempt")


def screenshot_engine_download(xvfb, work, path):
    """Taken while the large wheel arrives, so the picture shows its MB figures."""
    def downloading():
        return record(work).get("label", "").startswith(DOWNLOADING_ENGINES) and record(work)["download_total"] > 0

    wait_for(downloading, 180, "the engine download")
    time.sleep(1.2)
    print(xvfb.screenshot(path))
    if not downloading():
        raise JourneyError("the engine download had ended when its screenshot was taken: %r" % record(work))


def installing_engines(work):
    # The launcher names this stage before the bootstrap starts (step 2); pip runs in step 3.
    current = record(work)
    return current.get("label", "").startswith(INSTALLING_ENGINES) and current.get("step", 0) >= 3


def screenshot_engine_installation(xvfb, work, path):
    """Taken while pip installs: the window's timer needs a moment to show the new label. A quick
    install may end before the picture is taken; that is said, not failed, so that a fast or a busy
    machine never turns the journey red over a picture."""
    wait_for(lambda: installing_engines(work), 180, "the engine installation")
    time.sleep(0.5)
    print(xvfb.screenshot(path))
    if not installing_engines(work):
        print("note: the engine installation had ended when its screenshot was taken: %r" % record(work))


def check_studio_environment(work):
    """The studio ran from the main environment that the receipt names, and imported the engine."""
    with open(os.path.join(runtime_dir(work), "runtime.json"), encoding="utf-8") as handle:
        main_python = json.load(handle)["main_python"]
    with open(os.path.join(runtime_dir(work), "launch.log"), encoding="utf-8") as handle:
        lines = handle.read().splitlines()
    expected = ["interpreter: " + main_python,
                "engine package {0} {1}: {0}: imports".format(wheelhouse.DEMO_ENGINE, wheelhouse.DEMO_VERSION)]
    missing = [line for line in expected if line not in lines]
    if missing:
        raise JourneyError("launch.log lacks %r; it reads %r" % (missing, lines))
    print("the studio ran from", main_python, "and imported", wheelhouse.DEMO_ENGINE)


def repair_without_downloads(xvfb, bundle, environment, work, server):
    """A repair with the same manifest and locks takes every file from the runtime directory."""
    asked = len(server.requests())
    launcher = start_launcher(bundle, environment, os.path.join(work, "launcher-repair.log"), ["--repair"])
    try:
        window = wait_for(lambda: xvfb.window("Vellmora"), 90, "the repair's setup window")
        time.sleep(1.0)
        xvfb.click_start_setup(window)
        wait_for(lambda: xvfb.window("Vellmora studio"), 180, "the stand-in studio after the repair")
        if launcher.wait(60) != 0:
            raise JourneyError("the repair's launcher ended with status %d" % launcher.returncode)
    finally:
        if launcher.poll() is None:
            launcher.kill()
            launcher.wait()
    check_studio_environment(work)
    if len(server.requests()) != asked:
        raise JourneyError("the repair asked the server again: %r" % server.requests()[asked:])
    print("the repair reached the studio without a request to the server")


def headless(bundle, work, server, interrupt, other_starts=False, repair=False, mirror=None):
    xvfb = Xvfb()
    shots = os.path.join(work, "screenshots")
    launcher = None
    try:
        environment = launcher_environment(work, server, xvfb.display)
        environment["VLMR_STUDIO_AUTOQUIT_SECONDS"] = "4"
        if mirror == "offline":
            server.stop()
            environment.update({name: CLOSED.replace("https", "http") for name in PROXY_VARIABLES})
        if interrupt:
            interrupt_during_download(xvfb, bundle, environment, work, interrupt)
        launcher = start_launcher(bundle, environment, os.path.join(work, "launcher-2.log"))
        window = wait_for(lambda: xvfb.window("Vellmora"), 90,
                          "the setup window (launcher output in %s)" % os.path.join(work, "launcher-2.log"))
        time.sleep(1.0)
        print(xvfb.screenshot(os.path.join(shots, "1-first-use.png")))
        xvfb.click_start_setup(window)
        pressed = time.monotonic()
        if mirror != "offline":  # a folder's copy may be over before a picture could show it
            wait_for(lambda: record(work).get("label") == "Downloading the studio runtime…", 30, "the download")
            time.sleep(1.2)
            print(xvfb.screenshot(os.path.join(shots, "2-downloading.png")))
        if other_starts:
            other_starts_during_download(xvfb, bundle, environment, work, launcher, window)
        if mirror != "offline":
            screenshot_engine_download(xvfb, work, os.path.join(shots, "3-downloading-engines.png"))
        screenshot_engine_installation(xvfb, work, os.path.join(shots, "4-installing.png"))
        wait_for(lambda: xvfb.window("Vellmora studio"), 180, "the stand-in studio")
        print("from the press to the studio: %.1f s" % (time.monotonic() - pressed))
        time.sleep(0.5)
        print(xvfb.screenshot(os.path.join(shots, "5-studio.png")))
        status = launcher.wait(60)
        if status != 0:
            raise JourneyError("the launcher ended with status %d" % status)
        check_studio_environment(work)
        if mirror:  # the attempt log's lines on the sources, for the test to read
            with open(os.path.join(runtime_dir(work), attempt_logs(work)[0]), encoding="utf-8") as handle:
                print("".join(line for line in handle if line.startswith(("Runtime archive:", "Download source"))))
        if repair:
            repair_without_downloads(xvfb, bundle, environment, work, server)
        if interrupt:
            ranges = [entry.get("range") for entry in server.requests() if entry["path"] == "/runtime.tar.gz"]
            if not any(ranges[1:]):
                raise JourneyError("the second start did not resume the download: %r" % ranges)
        if setup_commands_running(work):
            raise JourneyError("setup commands outlived the launcher: %r" % setup_commands_running(work))
    finally:
        if launcher and launcher.poll() is None:
            launcher.kill()
            launcher.wait()
        xvfb.stop()


PROXY_VARIABLES = ("https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY")
PROXY_PASSWORD = "pa ss@:/%w"  # each a character that a URL must escape


def behind_system_proxy(work):
    """Sets GNOME's proxy as its Settings panel does, and what a GNOME session gives its apps."""
    proxy = connect_proxy.ConnectProxy("vellmora:" + PROXY_PASSWORD)
    for name in PROXY_VARIABLES:
        os.environ.pop(name, None)
    # libproxy reads GNOME's settings only in a GNOME session; dconf, started by the bus, keeps them here.
    os.environ.update(DESKTOP_SESSION="gnome", XDG_CONFIG_HOME=os.path.join(work, "gnome"),
                      XDG_RUNTIME_DIR=os.path.join(work, "gnome", "run"))
    os.makedirs(os.environ["XDG_RUNTIME_DIR"], mode=0o700)
    bus = subprocess.Popen(["/usr/bin/dbus-daemon", "--session", "--nofork", "--print-address=1"],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().strip()
    for schema, key, value in ((".https", "host", "'127.0.0.1'"), (".https", "port", str(proxy.port)),
                               (".http", "use-authentication", "true"), (".http", "authentication-user", "'vellmora'"),
                               (".http", "authentication-password", repr(PROXY_PASSWORD)), ("", "mode", "'manual'"),
                               ("", "ignore-hosts", "['*.intranet.example']")):  # GNOME's own list holds 127/8
        subprocess.run(["/usr/bin/gsettings", "set", "org.gnome.system.proxy" + schema, key, value], check=True)
    return proxy, bus


def check_behind_proxy(work, proxy):
    """The downloads went through the proxy; no log shows its password in any spelling (as typed, as
    Qt encodes it with ":" left as it is, as Python encodes it, Basic); a repair asks nothing."""
    logs = []
    for name in attempt_logs(work):
        with open(os.path.join(runtime_dir(work), name), encoding="utf-8", errors="replace") as handle:
            logs.append(handle.read())
    line = "Proxy for 127.0.0.1: http://127.0.0.1:%d (from the system settings)" % proxy.port
    asking = [log for log in logs if "Proxy for" in log]
    if len(asking) != 1 or line not in asking[0].splitlines():
        raise JourneyError("not one attempt log with %r: %r" % (line, [log[:400] for log in asking]))
    spellings = (PROXY_PASSWORD, urllib.parse.quote(PROXY_PASSWORD, ""), urllib.parse.quote(PROXY_PASSWORD, ":"),
                 base64.b64encode(("vellmora:" + PROXY_PASSWORD).encode()).decode())
    shown = [spelling for spelling in spellings if any(spelling in log for log in logs)]
    if shown:
        raise JourneyError("an attempt log shows the password as %r" % shown)
    if proxy.tunnels < 3:  # the runtime, then the two engine wheels
        raise JourneyError("the proxy carried only %d downloads" % proxy.tunnels)
    print("%s; the proxy carried %d downloads" % (line, proxy.tunnels))


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bundle", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--interactive", action="store_true")
    parser.add_argument("--interrupt", choices=("kill", "term", "int", "hup", "ctrl-q"),
                        help="stop the first launcher this way mid-download, then start another")
    parser.add_argument("--other-starts", action="store_true",
                        help="mid-download, start the same bundle again and then another copy of it")
    parser.add_argument("--repair", action="store_true",
                        help="after the studio, repair: every file must come from the runtime directory")
    parser.add_argument("--proxy", action="store_true", help="behind the proxy GNOME's settings name")
    parser.add_argument("--mirror", choices=("https", "offline"),
                        help="the origin unreachable; download sources in the settings stand in for it")
    parser.add_argument("--padding", type=int, default=30_000_000)
    parser.add_argument("--slow", type=int, default=8_000_000)
    arguments = parser.parse_args(argv)
    work = os.path.abspath(arguments.work)
    server, bundle, _ = prepare(os.path.abspath(arguments.bundle), work, arguments.padding, arguments.slow,
                                arguments.mirror)
    proxy = bus = None
    try:
        if arguments.proxy:
            proxy, bus = behind_system_proxy(work)
        if arguments.interactive:
            environment = launcher_environment(work, server)
            print("Vellmora's data folder for this demo:", os.path.join(work, DATA_FOLDER))
            return subprocess.run([os.path.join(bundle, "Contents", "MacOS", "Vellmora")], env=environment).returncode
        headless(bundle, work, server, arguments.interrupt, arguments.other_starts, arguments.repair,
                 arguments.mirror)
        if proxy:
            check_behind_proxy(work, proxy)
        print("The stand-in studio was reached. Screenshots are in", os.path.join(work, "screenshots"))
        return 0
    except JourneyError as error:
        print("journey failed:", error, file=sys.stderr)
        return 1
    finally:
        server.stop()
        if bus:
            bus.terminate()  # the proxy ends by itself
            bus.wait(10)


if __name__ == "__main__":
    sys.exit(main())
