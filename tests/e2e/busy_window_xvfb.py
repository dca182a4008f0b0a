#!/usr/bin/env python3
"""The window stays alive through a slow rewrite, on a real X server.

The program is started with the file on its command line (as a file manager's
"Open with" does) and with every flush slowed down to seconds by a preloaded
library. While the flush of an encryption runs, a window manager's liveness
ping must be answered within a second, and keys sent meanwhile must have no
effect afterwards. While the flush of a decryption runs, a window manager's
close must wait: the program ends only once the file is complete. A missing
file on the command line leaves the box empty.

Usage: busy_window_xvfb.py <kryvet> <wm_stand_in> <slow_flush.so> <out folder>
"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from user_scenarios_xvfb import (  # noqa: E402
    Failure, Screen, Session, check, reported, start_xvfb)

SLOW_MS = 4000


def wait_for(path, timeout=30.0):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if os.path.exists(path):
            return
        time.sleep(0.02)
    raise Failure(f"the flush never started ({path})")


def preload_for(program, library):
    """A program built with AddressSanitizer needs its runtime loaded first."""
    linked = subprocess.run(["ldd", program], capture_output=True, text=True).stdout
    for line in linked.splitlines():
        if "libasan" in line and "=>" in line:
            return line.split("=>")[1].split()[0] + " " + library
    return library


def start(program, args, out, env_extra):
    env = dict(os.environ, **env_extra)
    log = open(os.path.join(out, "busy-app.log"), "ab")
    return subprocess.Popen([program, *args], stderr=log, env=env)


def launch(s, program, args, out, env_extra):
    """Starts the program and waits for its main window. A start that fails
    to reach the display (seen once on a loaded machine, right after another
    test's server went away) is tried again."""
    for attempt in range(3):
        app = start(program, args, out, env_extra)
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline:
            if app.poll() is not None:
                break
            found = s.xdo("search", "--onlyvisible", "--name", "^Kryvet$").split()
            if found:
                return app, found[0]
            time.sleep(0.05)
        if app.poll() is None:
            app.kill()
            app.wait()
            raise Failure("no window 'Kryvet' appeared")
        print(f"the program ended at start (status {app.returncode}), starting it again",
              flush=True)
        time.sleep(1)
    raise Failure("the program could not be started")


def run(program, stand_in, preload, out):
    s = Screen(out)
    path = os.path.join(out, "file-busy.bin")
    plain = os.urandom(3 << 20)
    with open(path, "wb") as f:
        f.write(plain)
    os.chmod(path, 0o640)
    mark = os.path.join(out, "flush-started")
    slow = {"LD_PRELOAD": preload_for(program, preload), "KRYVET_SLOW_FLUSH_MS": str(SLOW_MS),
            "KRYVET_FLUSH_MARK": mark}

    # Encryption: the ping is answered, and input sent meanwhile is dropped.
    if os.path.exists(mark):
        os.remove(mark)
    app, main = launch(s, program, [path, "an-extra-argument"], out, slow)
    try:
        u = Session(s, main)
        u.menu("p")  # the box holds the file: a password is asked for
        u.password("パスワードの入力", "pw")
        s.keys("Return")
        w2 = u.password("もう一度", "pw")
        u.confirm(w2, "もう一度")
        wait_for(mark)
        answer = subprocess.run([stand_in, "ping", main], capture_output=True, text=True)
        check(answer.returncode == 0, f"the ping was not answered: {answer.stdout.strip()}")
        print(f"ok: ping during the slow flush {answer.stdout.strip()}", flush=True)
        s.focus(main)
        s.keys("F10")  # would end the program
        s.keys("alt+r", "p")  # would start another encryption
        s.type("typed while busy")
        deadline = time.monotonic() + SLOW_MS / 1000 + 20
        # Read-only comes just before the records are cut off and flushed:
        # wait for both.
        while (os.stat(path).st_mode & 0o777 != 0o440
               or os.path.getsize(path) != len(plain) + 128):
            check(app.poll() is None, "input sent during the run ended the program")
            check(time.monotonic() < deadline, "the encryption did not finish")
            time.sleep(0.05)
        time.sleep(1.5)
        check(app.poll() is None, "F10 sent during the run took effect afterwards")
        check(s.absent("パスワードの入力"), "a run was started by input sent during the run")
        print("ok: keys sent during the run had no effect", flush=True)

        # Decryption: the window manager's close waits for the file.
        os.remove(mark)
        # The last flush of the encryption may still run: until it is over
        # the menu takes no input, so it is asked again until it answers.
        deadline = time.monotonic() + SLOW_MS / 1000 + 30
        while True:
            u.menu("u")
            try:
                s.window("パスワードの入力", timeout=2)
                break
            except Failure:
                check(time.monotonic() < deadline, "the menu never answered after the run")
        w = u.password("パスワードの入力", "pw")
        u.confirm(w, "パスワードの入力")
        wait_for(mark)
        subprocess.run([stand_in, "close", main], check=True)
        time.sleep(0.5)
        check(app.poll() is None, "the program closed before the file was complete")
        check(app.wait(timeout=SLOW_MS / 1000 + 30) == 0, f"exit status {app.returncode}")
        check(open(path, "rb").read() == plain, "the file is not complete after the close")
        check(os.stat(path).st_mode & 0o777 == 0o640, "mode not given back")
        print("ok: the close waited for the file", flush=True)
    finally:
        if app.poll() is None:
            app.kill()
            app.wait()

    # A name that is no existing file leaves the box empty: pressing encrypt
    # then ends silently, without the not-found notice.
    app, main = launch(s, program, [os.path.join(out, "no-such-file")], out, {})
    try:
        u = Session(s, main)
        u.menu("p")
        time.sleep(1.0)
        check(s.absent("ないない ！"), "the box held the missing name")
        check(s.absent("パスワードの入力"), "a password was asked for with an empty box")
        print("ok: a missing file leaves the box empty", flush=True)
    finally:
        app.kill()
        app.wait()
        os.chmod(path, 0o600)
        os.remove(path)


def main(argv):
    program, stand_in, preload, out = argv[1:5]
    os.makedirs(out, exist_ok=True)
    with start_xvfb() as ready:
        if ready is not None:
            return ready
        return reported(lambda: run(program, stand_in, preload, out))


if __name__ == "__main__":
    sys.exit(main(sys.argv))
