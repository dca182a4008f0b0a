#!/usr/bin/env python3
"""The main window measures 522 × 348 on the screen, frame included, on an
Xvfb server with and without a real window manager (openbox). Under openbox
the Japanese file-open dialog is also photographed for the docs.

Usage: outer_size_xvfb.py <path to kryvet> <output folder>
Exit code 77 (skipped) only when Xvfb or xdotool are missing.
"""
import os
import re
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from user_scenarios_xvfb import (  # noqa: E402
    Failure, Screen, check, quit_with_f10, reap, reported, start_xvfb)

PATIENCE = 30.0


def xwininfo(*args):
    return subprocess.run(["xwininfo", *args], capture_output=True, text=True).stdout


def outer_size(window):
    """Width and height on the screen of the window's top-level ancestor
    (its frame, if a window manager framed it), borders included."""
    top = window
    while True:
        parent = re.search(r"Parent window id: (0x[0-9a-f]+)( \(the root window\))?",
                           xwininfo("-tree", "-id", top))
        check(parent is not None, f"no parent for window {top}")
        if parent.group(2):
            break
        top = parent.group(1)
    info = xwininfo("-id", top)
    w, h, border = (int(re.search(rf"{key}: +(\d+)", info).group(1))
                    for key in ("Width", "Height", "Border width"))
    return (w + 2 * border, h + 2 * border), top != window


def wait_for_wm(screen):
    """True once a window manager has announced itself on the root window."""
    deadline = time.monotonic() + PATIENCE
    while time.monotonic() < deadline:
        root = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"],
                              capture_output=True, text=True).stdout
        if "window id" in root:
            return
        time.sleep(0.1)
    raise Failure("openbox did not start")


def run(program, out, wm):
    screen = Screen(out)
    manager = None
    if wm:
        manager = subprocess.Popen([wm], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for_wm(screen)
    log = open(os.path.join(out, f"app-{wm or 'bare'}.log"), "wb")
    # The dialog opens in the working folder: a home-like one for the picture.
    home = os.path.join(out, "~")
    os.makedirs(os.path.join(home, "書類"), exist_ok=True)
    app = subprocess.Popen([program], stderr=log, cwd=home)
    try:
        main = screen.window("Kryvet")
        # The frame comes after the mapping and the fit after the frame.
        deadline = time.monotonic() + PATIENCE
        while (size := outer_size(main)) != ((522, 348), bool(wm)):
            check(time.monotonic() < deadline,
                  f"with {wm or 'no window manager'}: outer size and frame {size}")
            time.sleep(0.1)
        client = screen.xdo("getwindowgeometry", main)
        print(f"ok: {wm or 'no window manager'}: 522x348 on the screen; client {client.split()[-1]}")
        if wm:
            screen.focus(main)
            screen.keys("F2")
            found = []
            deadline = time.monotonic() + PATIENCE
            while len(found) < 2:
                check(time.monotonic() < deadline, "F2 did not open the file-open dialog")
                found = screen.xdo("search", "--onlyvisible", "--class", "kryvet").split()
                time.sleep(0.1)
            dialog = next(w for w in found if w != main)
            time.sleep(0.5)  # the folder listing fills in after the mapping
            screen.shot(dialog, "file-dialog")
            screen.keys("Escape")
        quit_with_f10(screen, main, app)
    finally:
        reap(app)
        if manager is not None:
            manager.terminate()
            manager.wait()


def main(argv):
    program, out = argv[1], argv[2]
    os.makedirs(out, exist_ok=True)
    if shutil.which("openbox") is None or shutil.which("xwininfo") is None:
        print("FAIL: openbox or xwininfo is missing (scripts/install-deps.sh installs them)")
        return 1
    for wm in (None, "openbox"):
        with start_xvfb() as ready:
            if ready is not None:
                return ready
            if reported(lambda: run(program, out, wm)) != 0:
                return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
