"""Runtime generations: the "python-<UUID>" folders in the runtime directory, their locks and retiring.

Each attempt builds its own generation (the folder the launcher unpacked for it, whose python/bin
holds our interpreter), with the engine environments under envs/ and a generation.lock. A running
studio, like a running attempt, holds a shared lock on that file; a generation is retired only when
an exclusive lock can be taken without waiting and the receipt, read again under that lock, does not
name it: renamed out of sight, then removed.

One bootstrap at a time works on the generations, the receipt and the engine cache: each holds
bootstrap.lock from its start to its end. The launcher's setup.lock cannot give that, as a bootstrap
whose launcher died after the switch goes on cleaning up after the launcher has let it go."""

import contextlib
import fcntl
import json
import os
import shutil
import sys
import traceback
import uuid

import children
from records import is_inside, is_real_directory, is_regular_file, read_json_object, replace_file

ENVIRONMENTS = ("main", "seedvc", "mlx")
GENERATION_PREFIX = "python-"
LEGACY_ENVIRONMENTS = "envs"  # the old layout kept the environments beside the generations
LOCK_NAME = "generation.lock"
BOOTSTRAP_LOCK_NAME = "bootstrap.lock"
RECEIPT_NAME = "runtime.json"
RETIRED_PREFIX = ".retired-"


def generation_folders(root):
    names = sorted(name for name in os.listdir(root) if name.startswith(GENERATION_PREFIX))
    return [os.path.join(root, name) for name in names if is_real_directory(os.path.join(root, name))]


def env_folder(generation, name):
    return os.path.join(generation, "envs", name)


def env_interpreter(generation, name):
    return os.path.join(env_folder(generation, name), "bin", "python")


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


def hold_bootstrap_lock(root, on_wait):
    """Our turn at the runtime directory, kept until we end; on_wait() runs first if another has it.

    Only another bootstrap takes this lock, and it waits for nothing while it holds it, so the wait
    ends; a cancel signal ends it too."""
    descriptor = os.open(os.path.join(root, BOOTSTRAP_LOCK_NAME),
                         os.O_RDWR | os.O_CREAT | os.O_NOFOLLOW | os.O_CLOEXEC, 0o600)
    try:
        fcntl.flock(descriptor, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except BlockingIOError:
        on_wait()
        fcntl.flock(descriptor, fcntl.LOCK_EX)
    return descriptor


def hold_generation(folder):
    """A shared lock on our own generation for as long as we run, like a studio's."""
    descriptor = open_lock(folder)
    try:
        fcntl.flock(descriptor, fcntl.LOCK_SH | fcntl.LOCK_NB)
    except OSError:
        os.close(descriptor)
        raise
    return descriptor


def find_ffmpeg(main_bin):
    search = [main_bin] + os.environ.get("PATH", "").split(os.pathsep)
    search += ["/opt/homebrew/bin", "/usr/local/bin", "/usr/bin", "/bin"]
    return shutil.which("ffmpeg", path=os.pathsep.join(entry for entry in search if entry))


def build_receipt(generation, runtime_id):
    main_bin = os.path.dirname(env_interpreter(generation, "main"))
    receipt = {
        "runtime_id": runtime_id,
        "main_python": env_interpreter(generation, "main"),
        "seedvc_python": env_interpreter(generation, "seedvc"),
        "mlx_python": env_interpreter(generation, "mlx"),
        "main_bin": main_bin,
        "generation_lock": os.path.join(generation, LOCK_NAME),
    }
    ffmpeg = find_ffmpeg(main_bin)
    if ffmpeg:
        receipt["ffmpeg_path"] = os.path.abspath(ffmpeg)
    return receipt


def keep_temporary_files_in(generation):
    """venv, ensurepip and pip write their temporary files on the runtime's disk, not the system's."""
    folder = os.path.join(generation, "tmp")
    os.makedirs(folder, exist_ok=True)
    os.environ["TMPDIR"] = folder
    return folder


def switch_receipt(path, receipt):
    """The attempt's last step: from this replace on it has succeeded, so a cancel no longer counts."""
    data = (json.dumps(receipt, indent=2, ensure_ascii=False) + "\n").encode("utf-8")
    with children.cancels_deferred():
        replace_file(path, data)
        children.ignore_cancels()  # also drops a cancel that arrived while deferred


# --- retiring ------------------------------------------------------------------------------------

def venv_home(environment):
    with contextlib.suppress(OSError), open(os.path.join(environment, "pyvenv.cfg"), encoding="utf-8") as cfg:
        for line in cfg:
            key, _, value = line.partition("=")
            if key.strip() == "home":
                return value.strip()
    return None


def paths_in_use(receipts):
    """Every place this very interpreter, or a runtime these receipts name, may load from, resolved."""
    paths = [sys.executable, sys.prefix, sys.exec_prefix, sys.base_prefix, sys.base_exec_prefix]
    for receipt in receipts:
        named = {key: value for key, value in receipt.items() if key != "runtime_id" and isinstance(value, str)}
        paths += named.values()
        # An environment's interpreter lives where its pyvenv.cfg says: often another folder.
        paths += [venv_home(os.path.dirname(os.path.dirname(value)))
                  for key, value in named.items() if key.endswith("_python")]
    return {os.path.realpath(path) for path in paths if path}


def kept_receipts(new_receipt, old_receipt):
    """What the clean-up after a switch keeps: the new runtime, and an old one no lock protects.

    A studio of a version before generations holds no lock, so the runtime its receipt names stays
    for this setup; the next one, replacing a receipt that names a lock, removes it."""
    old = [old_receipt] if old_receipt and "generation_lock" not in old_receipt else []
    return [new_receipt] + old


def retirement_candidates(root, generation, receipts):
    used = paths_in_use(receipts)
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
        if holds_any(folder, paths_in_use([read_json_object(os.path.join(root, RECEIPT_NAME)) or {}])):
            print("Keeping runtime folder the receipt now names " + folder, flush=True)
            return
        trash = os.path.join(root, RETIRED_PREFIX + os.path.basename(folder))
        os.rename(folder, trash)
    finally:
        os.close(descriptor)
    print("Removing unused runtime folder " + folder, flush=True)
    shutil.rmtree(trash)


def give_back(root, generation, receipt):
    """A failed or cancelled attempt's own generation goes before the attempt ends.

    The launcher and we hold shared locks on it, so no exclusive one could be taken; no studio can
    hold it, as no receipt names it (checked again: after the switch it is the runtime)."""
    if holds_any(generation, receipt_paths(receipt)):
        return
    trash = os.path.join(root, RETIRED_PREFIX + os.path.basename(generation))
    os.rename(generation, trash)
    print("Removing this attempt's runtime folder " + generation, flush=True)
    shutil.rmtree(trash)


def remove_retired_leftovers(root):
    """Folders a killed clean-up renamed but did not finish removing."""
    for name in sorted(os.listdir(root)):
        folder = os.path.join(root, name)
        if name.startswith(RETIRED_PREFIX) and is_real_directory(folder):
            shutil.rmtree(folder)


def retire_generations(root, generation, receipts):
    """Every generation but ours and those the receipts name, unless a lock holds it."""
    for folder in retirement_candidates(root, generation, receipts):
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
