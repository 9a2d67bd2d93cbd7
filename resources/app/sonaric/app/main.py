"""Stand-in studio: proves that the runtime starts and shows what the launcher handed over.

The product's own studio sources replace this package when it is packaged.
"""

import os
import sys

AUTOQUIT_VARIABLE = "VLMR_STUDIO_AUTOQUIT_SECONDS"


def report():
    # Standard output goes to launch.log; flush so the lines survive however the studio ends.
    print("interpreter:", sys.executable, flush=True)
    print("runtime receipt:", os.environ.get("VLMR_RUNTIME_JSON", "(not set)"), flush=True)
    print("ffmpeg:", os.environ.get("VLMR_FFMPEG_PATH", "(not set)"), flush=True)


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
    report()
    autoquit = autoquit_milliseconds()
    if has_display():
        show_window(autoquit)
    return 0


if __name__ == "__main__":
    sys.exit(main())
