"""Stand-in studio: proves that the runtime starts and shows what the launcher handed over.

The product's own studio sources replace this package when it is packaged.
"""

import importlib
import importlib.metadata
import os
import sys

AUTOQUIT_VARIABLE = "VLMR_STUDIO_AUTOQUIT_SECONDS"
# The descriptor on which the launcher passes the lock that keeps this runtime from being removed.
RUNTIME_LOCK_VARIABLE = "VLMR_RUNTIME_LOCK_FD"
# What every environment carries for installing; not an engine.
PACKAGING_TOOLS = {"pip", "setuptools", "wheel"}


def hold_runtime_lock():
    """The descriptor holding the runtime's lock, or None: kept open for as long as the studio lives,
    so its forked workers hold it too, and out of every program it executes, which could otherwise
    keep gigabytes of retired runtime on disk for as long as they run. The variable goes too, so no
    program looks for a descriptor it does not have."""
    text = os.environ.pop(RUNTIME_LOCK_VARIABLE, "")
    if not text:
        return None
    try:
        descriptor = int(text)
        os.set_inheritable(descriptor, False)
    except (ValueError, OSError) as error:
        print("ignoring", RUNTIME_LOCK_VARIABLE, "=", repr(text), "({})".format(error), flush=True)
        return None
    return descriptor


def report(runtime_lock):
    # Standard output goes to launch.log; flush so the lines survive however the studio ends.
    print("interpreter:", sys.executable, flush=True)
    print("runtime receipt:", os.environ.get("VLMR_RUNTIME_JSON", "(not set)"), flush=True)
    print("ffmpeg:", os.environ.get("VLMR_FFMPEG_PATH", "(not set)"), flush=True)
    print("runtime lock:", "(not passed)" if runtime_lock is None else "descriptor {}".format(runtime_lock),
          flush=True)
    for line in engine_package_lines():
        print(line, flush=True)


def top_level_modules(distribution):
    """The importable names a distribution installs, from top_level.txt or else its file list."""
    listed = distribution.read_text("top_level.txt")
    if listed:
        return sorted({name.strip() for name in listed.splitlines() if name.strip()})
    names = set()
    for path in distribution.files or ():
        first = path.parts[0] if path.parts else ""
        if first and first != ".." and not first.endswith((".dist-info", ".data")) and first != "__pycache__":
            names.add(first[:-3] if first.endswith(".py") else first)
    return sorted(names)


def import_outcome(module):
    try:
        importlib.import_module(module)
    except Exception as error:  # any failure to import is what this line is for
        return "{}: cannot import ({}: {})".format(module, type(error).__name__, error)
    return module + ": imports"


def engine_package_lines():
    """One line per package installed in the studio's environment, saying whether it imports, so a
    broken engine install shows in launch.log before anything uses it."""
    if sys.prefix == sys.base_prefix:
        return ["engine packages: (not running in an engine environment)"]
    own = [entry for entry in sys.path if entry.startswith(sys.prefix + os.sep)]
    distributions = {}
    for distribution in importlib.metadata.distributions(path=own):
        name = distribution.metadata["Name"] or ""
        if name and name.lower() not in PACKAGING_TOOLS:
            distributions.setdefault(name.lower(), distribution)
    if not distributions:
        return ["engine packages: none"]
    lines = []
    for key in sorted(distributions):
        distribution = distributions[key]
        outcomes = [import_outcome(module) for module in top_level_modules(distribution)]
        lines.append("engine package {} {}: {}".format(distribution.metadata["Name"], distribution.version,
                                                       "; ".join(outcomes) or "nothing to import"))
    return lines


def autoquit_milliseconds():
    """Milliseconds until the studio ends by itself, or None when it waits for the user."""
    text = os.environ.get(AUTOQUIT_VARIABLE, "").strip()
    if not text:
        return None
    try:
        seconds = float(text)
    except ValueError:
        print("ignoring", AUTOQUIT_VARIABLE, "=", repr(text), flush=True)
        return None
    return max(0, int(seconds * 1000))


def has_display():
    return bool(os.environ.get("DISPLAY") or os.environ.get("WAYLAND_DISPLAY"))


def show_window(autoquit):
    try:
        import tkinter
    except ImportError:
        print("no tkinter: running without a window", flush=True)
        return
    try:
        root = tkinter.Tk()
    except tkinter.TclError as error:
        print("no window:", error, flush=True)
        return
    background, foreground = "#1d1f24", "#e8e6e3"
    root.title("Vellmora studio")
    root.configure(background=background, padx=28, pady=24)
    root.resizable(False, False)
    tkinter.Label(root, text="Vellmora studio", background=background, foreground=foreground,
                  font=("TkDefaultFont", 16, "bold")).pack(anchor="w")
    tkinter.Label(root, text="The studio runtime is ready.", background=background,
                  foreground=foreground).pack(anchor="w", pady=(8, 16))
    tkinter.Button(root, text="Quit", command=root.destroy, highlightbackground=background).pack(anchor="e")
    if autoquit is not None:
        root.after(autoquit, root.destroy)
    root.mainloop()


def main():
    runtime_lock = hold_runtime_lock()  # open until the studio ends
    report(runtime_lock)
    autoquit = autoquit_milliseconds()
    if has_display():
        show_window(autoquit)
    return 0


if __name__ == "__main__":
    sys.exit(main())
