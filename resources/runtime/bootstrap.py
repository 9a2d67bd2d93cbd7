#!/usr/bin/env python3
"""Installs the voice engines into the studio runtime and writes its receipt.

Run by the runtime's own interpreter once per setup attempt:

    python -u bootstrap.py --runtime-root DIR --resources DIR --progress FILE --runtime-id HEX [--engine-index URL ...]

The stages, in order: create the engine environments in this attempt's own generation
(generations.py); fetch the wheel of every package the locks name for this interpreter
(enginelocks.py) from the engine cache, the bundle, the download sources given with
--engine-index (enginesources.py) or the lock's own URL, each checked before use
(enginecache.py), up to four at once; install each environment with the runtime's own pip from
those files alone, each held to its digest by pip too, as soon as its own wheels are in, and
compile its modules on every core, the environments side by side; switch
DIR/runtime.json to the new generation, the one step that makes the attempt count (from then on
cancel signals are ignored, children.py); clean up what no receipt, studio or lock needs any more.
One bootstrap at a time does all this: a later one waits for the clean-up of one whose launcher died.

Until the switch nothing the current receipt names is changed, so a failed, cancelled or killed
attempt leaves the working runtime as it was; a failed or cancelled one removes its own generation.
Progress goes to the record file as whole JSON objects; exit status 0 means the runtime is
installed, and any failure leaves a "failed" record with a sentence for the user.

Standard library only: this runs before anything else is installed.
"""

import sys

sys.dont_write_bytecode = True  # the bundle is read-only, and on a Mac its signature covers every file

import argparse
import concurrent.futures
import contextlib
import functools
import importlib.util
import json
import os
import pathlib
import shutil
import traceback

import children
import enginecache
import enginelocks
import enginesources
import generations
from generations import ENVIRONMENTS, RECEIPT_NAME, env_folder, env_interpreter
from records import Progress, read_json_object

HERE = os.path.dirname(os.path.abspath(__file__))

WAITING = "Waiting for an earlier setup to finish…"
CREATING = "Creating the engine environments…"
CHECKING = "Checking the voice engine files…"
DOWNLOADING = "Downloading the voice engines: {done} of {count} files…"
INSTALLING = "Installing the voice engines: {done} of {count} ready…"
FINISHING = "Finishing the studio runtime…"
READY = "The studio runtime is ready."

CREATE_FAILED = "The engine environments could not be created. Choose Show details for the log, then retry."
DOWNLOAD_FAILED = "The voice engines could not be downloaded. Check the internet connection, then retry setup."
VERIFY_FAILED = "A voice engine download failed checksum verification. Please retry setup."
INSTALL_FAILED = "The voice engines could not be installed. Choose Show details for the log, then retry."
FINISH_FAILED = "The studio runtime could not be recorded. Choose Show details for the log, then retry."
UNEXPECTED = "Setup could not finish. Choose Show details for the log, then retry."

CORES = os.cpu_count() or 1
PARALLEL_DOWNLOADS = 4  # mirrors that hold each connection to a few MB/s still fill the line
PROGRESS_SECONDS = 0.4  # as often as the window looks
COMPILE_SOME_FAILED = 1  # compileall's status when a module does not compile


# Errors whose kind says more than the stage's sentence; their own text is enough for the log.
SENTENCES = {enginecache.DownloadFailed: DOWNLOAD_FAILED, enginecache.VerificationFailed: VERIFY_FAILED}
EXPLAINED = (children.CommandFailed, enginelocks.LockError, *SENTENCES)


class StageFailed(Exception):
    def __init__(self, sentence, step):
        super().__init__(sentence)
        self.sentence = sentence
        self.step = step


def install(arguments, progress, built):
    root = os.path.abspath(arguments.runtime_root)
    resources = os.path.abspath(arguments.resources)
    receipt_path = os.path.join(root, RECEIPT_NAME)
    locks = {name: enginelocks.lock_path(os.path.join(resources, "engines"), name) for name in ENVIRONMENTS}

    with stage(CREATE_FAILED, 2):
        generations.hold_bootstrap_lock(root, lambda: progress.write(WAITING, 4, step=2))
    with stage(INSTALL_FAILED, 2):
        wanted = {name: bool(enginelocks.read_lock(path)["packages"]) for name, path in locks.items()}
    with stage(CREATE_FAILED, 2):
        current = read_json_object(receipt_path)
        generation = generations.choose_generation(root, current)
        generations.hold_generation(generation)  # released when we end, however that happens
        built.append(generation)
        progress.write(CREATING, 5, step=2)
        # What killed attempts and failed extractions left, before this one needs the space.
        quietly(lambda: generations.remove_retired_leftovers(root),
                lambda: generations.retire_generations(root, generation, [current] if current else []))
        temporary = generations.keep_temporary_files_in(generation)
        pip_interpreter = create_environments(generation, wanted, progress)

    with stage(INSTALL_FAILED, 3):
        chosen = choose_wheels(pip_interpreter, locks, wanted, temporary)
        sources = enginesources.usable_sources(arguments.engine_index)
        found = find_wheels(root, resources, chosen, progress)
        install = functools.partial(install_environment, pip_interpreter, generation, chosen, temporary)
        fetch_and_install(enginecache.cache_folder(root), chosen, found, sources, install, progress)
        shutil.rmtree(temporary)

    with stage(FINISH_FAILED, 4):
        progress.write(FINISHING, 95, step=4)
        receipt = generations.build_receipt(generation, arguments.runtime_id)
        generations.switch_receipt(receipt_path, receipt)

    clean_up(root, resources, generation, generations.kept_receipts(receipt, current), locks.values(), progress)
    progress.write(READY, 100, state="complete", step=4)


def main(argv=None):
    arguments = parse_arguments(argv)
    progress = Progress(os.path.abspath(arguments.progress))
    built = []  # this attempt's generation, once it has one
    children.raise_on_cancel()
    try:
        try:
            with stage(UNEXPECTED, 2):
                install(arguments, progress, built)
            return 0
        except StageFailed as failure:
            sentence, step = failure.sentence, failure.step
        give_back(arguments.runtime_root, built)  # first: on a full disk, the record needs the space
        print(sentence, file=sys.stderr, flush=True)
        progress.write(sentence, 0, state="failed", message=sentence, step=step)
        return 1
    except children.Cancelled:
        # No failed record: the launcher shows its own cancellation text.
        children.stop_children()
        give_back(arguments.runtime_root, built)
        print("Setup was cancelled.", file=sys.stderr)
        children.end_by_signal()


def parse_arguments(argv):
    parser = argparse.ArgumentParser(description="Installs the studio's voice engines.")
    parser.add_argument("--runtime-root", required=True)
    parser.add_argument("--resources", required=True)
    parser.add_argument("--progress", required=True)
    parser.add_argument("--runtime-id", required=True)
    parser.add_argument("--engine-index", action="append", default=[],
                        help="a package index (https:) or a folder of wheels (file:) to try before each lock's URL")
    return parser.parse_args(argv)


@contextlib.contextmanager
def stage(sentence, step):
    """The one place an error becomes the user's sentence: the stage's, unless its kind has one.

    The details go to the log: an explained error's own text, anything else's traceback."""
    try:
        yield
    except StageFailed:
        raise
    except Exception as error:
        if isinstance(error, EXPLAINED):
            print(error, file=sys.stderr, flush=True)
        else:
            traceback.print_exc()
        raise StageFailed(SENTENCES.get(type(error), sentence), step) from error


# --- the stages ----------------------------------------------------------------------------------

def create_environments(generation, wanted, progress):
    """Returns the interpreter whose pip installs the engines, or None when no lock names any."""
    children.side_by_side([functools.partial(create_environment, generation, name) for name in ENVIRONMENTS])
    progress.write(CREATING, 15, step=2)
    if not any(wanted.values()):
        return None
    if has_pip(sys.executable):
        return sys.executable
    # Run here rather than by venv, which keeps ensurepip's output, and so its reason, out of the log.
    children.run([env_interpreter(generation, "main"), "-I", "-m", "ensurepip", "--default-pip"])
    return env_interpreter(generation, "main")


def create_environment(generation, name):
    children.run([sys.executable, "-I", "-m", "venv", "--clear", "--without-pip", env_folder(generation, name)])
    if not os.access(env_interpreter(generation, name), os.X_OK):
        raise children.CommandFailed("no executable interpreter in the {} environment".format(name))


def has_pip(interpreter_path):
    try:
        children.run([interpreter_path, "-I", "-c",
                      "import importlib.util, sys; sys.exit(not importlib.util.find_spec('pip'))"])
    except children.CommandFailed:
        return False
    return True


def choose_wheels(pip_interpreter, locks, wanted, temporary):
    """Each environment's wheels, chosen with the marker and tag code of the pip that installs them."""
    chosen = {name: [] for name in ENVIRONMENTS}
    names = [name for name in ENVIRONMENTS if wanted[name]]
    chosen.update(zip(names, children.side_by_side([functools.partial(
        choose_environment_wheels, pip_interpreter, locks[name], os.path.join(temporary, "wheels-{}.json".format(name)))
        for name in names])))
    return chosen


def choose_environment_wheels(pip_interpreter, lock, output):
    children.run([pip_interpreter, "-I", "-B", os.path.join(HERE, "enginelocks.py"), lock, output])
    with open(output, encoding="utf-8") as handle:
        return [enginelocks.Wheel(**entry) for entry in json.load(handle)]


def find_wheels(root, resources, chosen, progress):
    """Each chosen wheel's verified file where this machine has it already, else None, by digest."""
    unique = {wheel.sha256: wheel for name in ENVIRONMENTS for wheel in chosen[name]}
    if unique:
        progress.write(CHECKING, 18, step=3)
    locate = functools.partial(enginecache.locate, cache=enginecache.cache_folder(root),
                               bundled=os.path.join(resources, "wheels"))
    pool = children.Workers(CORES)  # hashing hundreds of megabytes: every core helps
    try:
        return dict(zip(unique, pool.map(locate, unique.values())))
    finally:
        pool.shutdown(wait=False, cancel_futures=True)  # a cancel waits for no file still queued


def fetch_and_install(cache, chosen, found, sources, install, progress):
    """Downloads what found lacks, up to four at once; each environment installs as soon as its own
    wheels are in, all side by side. The first failure stops every other piece of work and is the
    one raised; a wheel that two environments share is fetched once."""
    wheels = {wheel.sha256: wheel for name in ENVIRONMENTS for wheel in chosen[name]}
    missing = [sha256 for sha256, file in found.items() if file is None]  # in the locks' order
    waiting = [name for name in ENVIRONMENTS if chosen[name]]
    ready = len(ENVIRONMENTS) - len(waiting)
    shown = Shown(progress, cache, [wheels[sha256] for sha256 in missing])
    downloads = children.Workers(PARALLEL_DOWNLOADS)
    # All at once even on fewer cores: pip mostly writes files, so a core left idle while the last
    # environment's pip ran alone costs more than three children sharing two cores.
    installs = children.Workers(len(ENVIRONMENTS))
    try:
        work = {downloads.submit(enginecache.download, wheels[sha256], cache, sources): sha256 for sha256 in missing}
        while work or waiting:
            for name in [name for name in waiting if all(found[wheel.sha256] for wheel in chosen[name])]:
                waiting.remove(name)
                work[installs.submit(install, name, [found[wheel.sha256] for wheel in chosen[name]])] = name
            shown.update(found, ready)
            finished, _ = concurrent.futures.wait(work, PROGRESS_SECONDS, concurrent.futures.FIRST_COMPLETED)
            for future in finished:
                what = work.pop(future)
                result = future.result()
                if what in missing:
                    found[what] = result
                else:
                    ready += 1
    except BaseException:
        children.stop_children()  # and no worker starts another one
        raise
    finally:
        for pool in (downloads, installs):
            pool.shutdown(wait=False, cancel_futures=True)


class Shown:
    """The record while engines download and install: all downloads' bytes together, out of their total."""

    def __init__(self, progress, cache, downloading):
        self.progress = progress
        self.cache = cache
        self.downloading = downloading
        self.last = None

    def update(self, found, ready):
        if any(found[wheel.sha256] is None for wheel in self.downloading):
            total = sum(wheel.size for wheel in self.downloading)
            done = sum(self.arrived(wheel, found) for wheel in self.downloading)
            files = sum(bool(found[wheel.sha256]) for wheel in self.downloading)
            record = (DOWNLOADING.format(done=files, count=len(self.downloading)), 20 + 40 * done // max(total, 1))
            extra = dict(download_path=self.cache, download_total=total, download_done=done)
        else:
            record = (INSTALLING.format(done=ready, count=len(ENVIRONMENTS)), 60 + 30 * ready // len(ENVIRONMENTS))
            extra = {}
        if (record, extra) != self.last:
            self.progress.write(*record, step=3, **extra)
            self.last = (record, extra)

    def arrived(self, wheel, found):
        if found[wheel.sha256]:
            return wheel.size
        return min(wheel.size, enginecache.size_of(enginecache.partial_path(self.cache, wheel)))


def install_environment(pip_interpreter, generation, chosen, temporary, name, files):
    requirements = os.path.join(temporary, "requirements-{}.txt".format(name))
    write_requirements(requirements, chosen[name], files)
    children.run(pip_arguments(pip_interpreter, env_interpreter(generation, name), requirements))
    compile_environment(generation, name, temporary)


def compile_environment(generation, name, temporary):
    """Every installed module gets its bytecode now, from the interpreter that runs it: the studio
    runs with -B and never writes any. One compileall per core, each a child of ours, so a cancel
    or a failure stops them all; like pip's own compile step, a module that does not compile is
    named in the log and left as it is."""
    modules = sorted(os.path.join(folder, file) for folder, _, files in os.walk(os.path.join(
        env_folder(generation, name), "lib")) for file in files if file.endswith(".py"))
    shares = [modules[start::CORES] for start in range(min(len(modules), CORES))]
    commands = []
    for index, share in enumerate(shares):
        listing = os.path.join(temporary, "modules-{}-{}.txt".format(name, index))
        with open(listing, "w", encoding="utf-8") as handle:
            handle.writelines(module + "\n" for module in share)
        commands.append([env_interpreter(generation, name), "-I", "-m", "compileall", "-q", "-i", listing])
    children.side_by_side([functools.partial(compile_share, command) for command in commands])


def compile_share(command):
    try:
        children.run(command)
    except children.CommandFailed as error:
        if error.status != COMPILE_SOME_FAILED:
            raise


def write_requirements(path, wheels, files):
    """Each file with its digest: pip reads the file again, and checks what it reads."""
    lines = ["{} --hash=sha256:{}\n".format(pathlib.Path(file).as_uri(), wheel.sha256)
             for wheel, file in zip(wheels, files)]
    with open(path, "w", encoding="utf-8") as handle:
        handle.writelines(lines)


def pip_arguments(pip_interpreter, target_interpreter, requirements):
    """Exactly these files: pip asks no index, resolves nothing and hears none of the caller's settings.
    Its compile step runs on one core; install_environment compiles on all."""
    return [*pip_start(pip_interpreter, target_interpreter), "install", "--isolated", "--no-input",
            "--disable-pip-version-check", "--no-index", "--no-deps", "--no-cache-dir", "--require-hashes",
            "--no-compile", "--requirement", requirements]


def pip_start(pip_interpreter, target_interpreter):
    """Our own pip, run by the target interpreter through the runner pip keeps for that, where it has
    one: --python would do the same from a second pip, and each start costs a second of imports."""
    runner = own_pip_runner() if pip_interpreter == sys.executable else None
    if runner:
        return [target_interpreter, "-I", runner]
    return [pip_interpreter, "-I", "-m", "pip", "--python", target_interpreter]


@functools.cache
def own_pip_runner():
    """The file pip's own --python hands to the target interpreter, or None before pip 22.3."""
    pip_module = importlib.util.find_spec("pip")
    runner = os.path.join(pip_module.submodule_search_locations[0], "__pip-runner__.py") if pip_module else ""
    return runner if os.path.isfile(runner) else None


def clean_up(root, resources, generation, kept, locks, progress):
    """After the switch: whatever fails here costs space, never the setup.

    Once our launcher is gone, another copy's may be downloading an archive that our manifest does
    not name (it takes no lock of ours); the next setup removes the old archives instead."""
    quietly(lambda: generations.remove_retired_leftovers(root),
            lambda: generations.retire_generations(root, generation, kept),
            lambda: progress.orphaned() or generations.remove_old_archives(root, resources),
            lambda: enginecache.prune(enginecache.cache_folder(root),
                                      {wheel.sha256 for wheel in enginelocks.all_wheels(locks)}))


def give_back(root, built):
    receipt = read_json_object(os.path.join(root, RECEIPT_NAME))
    for generation in built:
        quietly(lambda: generations.give_back(os.path.abspath(root), generation, receipt))


def quietly(*steps):
    for step in steps:
        try:
            step()
        except Exception:
            traceback.print_exc()


if __name__ == "__main__":
    sys.exit(main())
