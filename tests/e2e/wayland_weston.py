#!/usr/bin/python3
"""The real program on a Wayland compositor: weston with its headless
backend, no X server anywhere. The main window maps at 522 × 348 with its
decoration, and a file is encrypted and decrypted. There is no keyboard to
type with, so the program is driven the way a screen reader drives it,
through its accessibility interface (AT-SPI on a private D-Bus session):
text put into the boxes, buttons pressed.

Usage: wayland_weston.py <path to kryvet> <output folder>
Debian's python3 runs it: pyatspi comes from python3-pyatspi.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from user_scenarios_xvfb import (  # noqa: E402
    check, check_encrypted, reported, wait_until)

PATIENCE = 30.0
SESSION_MARK = "KRYVET_WESTON_TEST_SESSION"


def scene_graph():
    return subprocess.run(["weston-debug", "scene-graph"], capture_output=True, text=True,
                          timeout=PATIENCE).stdout


def main_window_extent():
    """Width and height of the main window's surface as weston shows it."""
    found = re.search(r"top-level window 'Kryvet' of kryvet.*\n\s*position: \((-?\d+), (-?\d+)\)"
                      r" -> \((-?\d+), (-?\d+)\)", scene_graph())
    if not found:
        return None
    x0, y0, x1, y1 = map(int, found.groups())
    return (x1 - x0, y1 - y0)


class Program:
    """The program's accessible objects, found by role and name."""

    def __init__(self, pyatspi):
        self.atspi = pyatspi
        self.desktop = pyatspi.Registry.getDesktop(0)  # starts the accessibility bus

    def find(self, role, name=None, within=None):
        """The first object of `role` (and `name`), waiting until it is there.
        A window that just opened or closed may answer with an error once."""
        deadline = time.monotonic() + PATIENCE
        while True:
            try:
                roots = [within] if within else [a for a in self.desktop if a and a.name == "Kryvet"]
                for root in roots:
                    found = self.atspi.findDescendant(
                        root, lambda o: o.getRoleName() == role and name in (None, o.name))
                    if found is not None:
                        return found
            except Exception:  # noqa: BLE001 (GLib's error of a vanished object)
                pass
            check(time.monotonic() < deadline, f"no {role} '{name}' appeared")
            time.sleep(0.1)

    def press(self, button, within=None):
        self.find("push button", button, within).queryAction().doAction(0)

    def put(self, box, text):
        box.queryEditableText().setTextContents(text)

    def password(self, title, text):
        dialog = self.find("dialog", title)
        self.put(self.find("password text", within=dialog), text)
        self.press("OK", dialog)


def run(program, out, runtime):
    import pyatspi  # only on Debian's python3

    socket = f"kryvet-test-{os.getpid()}"
    env = dict(os.environ, XDG_RUNTIME_DIR=runtime)
    env.pop("DISPLAY", None)
    weston = subprocess.Popen(["weston", "--backend=headless-backend.so", f"--socket={socket}",
                               "--idle-time=0", "--debug"], env=env,
                              stdout=subprocess.DEVNULL,
                              stderr=open(os.path.join(out, "weston.log"), "wb"))
    os.environ.update(XDG_RUNTIME_DIR=runtime, WAYLAND_DISPLAY=socket)
    try:
        wait_until(lambda: os.path.exists(os.path.join(runtime, socket)), "weston did not start")
        p = Program(pyatspi)  # before the program, which looks for the bus at start
        path = os.path.join(out, "café 🔒.txt")
        if os.path.exists(path):
            os.chmod(path, 0o600)
        plain = os.urandom(70000)
        with open(path, "wb") as f:
            f.write(plain)
        os.chmod(path, 0o640)
        app_env = dict(os.environ, QT_QPA_PLATFORM="wayland", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                       # The headless backend has no seat; Qt 6.4's Wayland
                       # text input then dereferences the missing seat when a
                       # password box paints its cursor. Qt's compose input
                       # method needs none.
                       QT_IM_MODULE="compose")
        app_env.pop("DISPLAY", None)
        app = subprocess.Popen([program], env=app_env,
                               stderr=open(os.path.join(out, "app.log"), "wb"))
        try:
            wait_until(lambda: main_window_extent() == (522, 348),
                       f"the main window did not map at 522x348: {main_window_extent()}")
            print("ok: the main window maps under weston at 522x348, decoration included",
                  flush=True)

            p.put(p.find("text", "ファイル名"), path)
            p.press("暗号化")
            p.password("パスワードの入力", "wayland")
            p.password("もう一度", "wayland")
            # The read-only mode comes ahead of the records' cut.
            wait_until(lambda: os.stat(path).st_mode & 0o222 == 0
                       and os.path.getsize(path) == len(plain) + 128, "the file was not encrypted")
            check_encrypted(path, plain, b"wayland", 0o640)
            print("ok: encrypted under weston", flush=True)

            def decrypted():
                return (os.stat(path).st_mode & 0o777 == 0o640
                        and os.path.getsize(path) == len(plain))

            p.press("復号")
            p.password("パスワードの入力", "wayland")
            wait_until(decrypted, "the file was not decrypted")
            check(open(path, "rb").read() == plain, "the decrypted bytes differ")
            print("ok: decrypted under weston", flush=True)

            p.press("終了")
            check(app.wait(timeout=PATIENCE) == 0, f"exit status {app.returncode}")
            print("ok: 終了 ends the program", flush=True)
        finally:
            if app.poll() is None:
                app.kill()
                app.wait()
    finally:
        weston.terminate()
        weston.wait()


def main(argv):
    program, out = argv[1], argv[2]
    for tool in ("weston", "weston-debug", "dbus-run-session"):
        if shutil.which(tool) is None:
            print(f"FAIL: {tool} is missing (scripts/install-deps.sh installs it)")
            return 1
    if os.environ.get(SESSION_MARK) != "1":
        # A D-Bus session of its own, for the accessibility bus.
        return subprocess.run(["dbus-run-session", "--", sys.executable, *argv],
                              env=dict(os.environ, **{SESSION_MARK: "1"})).returncode
    os.makedirs(out, exist_ok=True)

    def in_a_runtime_folder():
        with tempfile.TemporaryDirectory(prefix="kryvet-wayland-") as runtime:
            os.chmod(runtime, 0o700)  # as weston demands of XDG_RUNTIME_DIR
            run(program, out, runtime)

    return reported(in_a_runtime_folder)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
