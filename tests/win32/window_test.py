#!/usr/bin/env python3
"""kryvet.exe under Wine, driven with xdotool and read back through
kryvet_window_probe.exe (which finds each control by the forms'
descriptions) and screenshots: every form's layout, the keys, a whole
encryption and decryption through the dialogs, the mismatch, the notices
with their pictures, the error box, the recovery after a kill, the gauge's
pixels against the Linux gauge's, and files passing between kryvet.exe and
the Linux kryvet-cli either way. Run by run_window_tests.sh."""
import json
import os
import re
import subprocess
import tempfile
import time
import unittest

FOLDER = os.path.dirname(os.path.abspath(__file__))
WINE = "/usr/lib/wine/wine64"
EXE = os.path.join(FOLDER, "kryvet.exe")
PROBE = os.path.join(FOLDER, "kryvet_window_probe.exe")
LINUX_CLI = os.path.join(FOLDER, "linux", "kryvet-cli")
GAUGE_DUMP = os.path.join(FOLDER, "linux", "gauge_face_dump")
PICTURES = os.path.join(FOLDER, "pictures")
SHOTS = os.path.join(FOLDER, "shots")
PATIENCE = 60  # seconds; generous for a busy machine
MIB = 1 << 20
BUTTONS = ["BuAngo", "BuFukugo", "Cancel1", "BuFindFile", "BuVersion"]
BIG_FILE_MIB = 96


def probe(*args, check=True):
    if os.environ.get("KRYVET_TRACE"):
        print(f"{time.monotonic():.2f} probe {args}", flush=True)
    done = subprocess.run([WINE, PROBE, *map(str, args)], capture_output=True, text=True,
                          timeout=PATIENCE + 30)
    if check and done.returncode != 0:
        raise AssertionError(f"probe {args}: {done.stdout} {done.stderr}")
    return json.loads(done.stdout)


def form(name):
    return probe("form", name)


def winpath(path):
    return "Z:" + path.replace("/", "\\")


def wait_until(condition, what, limit=PATIENCE):
    deadline = time.monotonic() + limit
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"waited {limit} s: {what}")
        time.sleep(0.1)


def keys(*names):
    subprocess.run(["xdotool", "key", "--delay", "40", *names], check=True)


def type_text(text):
    subprocess.run(["xdotool", "type", "--delay", "40", text], check=True)


def screen_rect(shown, name):
    """A control's rectangle on the screen; a panel's controls lie on it."""
    left, top = shown["client"][:2]
    control = shown["controls"][name]
    parent = next(c["parent"] for c in shown["description"]["controls"] if c["name"] == name)
    if parent:
        left += shown["controls"][parent]["rect"][0]
        top += shown["controls"][parent]["rect"][1]
    x, y, w, h = control["rect"]
    return left + x, top + y, w, h


def click(form_name, control):
    x, y, w, h = screen_rect(form(form_name), control)
    subprocess.run(["xdotool", "mousemove", str(x + w // 2), str(y + h // 2), "click", "1"],
                   check=True)


def read_ppms(data):
    """(width, height, rgb bytes) of each binary PPM in data, in order."""
    images = []
    while data:
        match = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", data)
        w, h = int(match.group(1)), int(match.group(2))
        start = match.end()
        images.append((w, h, data[start:start + 3 * w * h]))
        data = data[start + 3 * w * h:]
    return images


def screenshot():
    data = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], capture_output=True,
                          check=True, timeout=PATIENCE).stdout
    return read_ppms(data)[0]


def crop(shot, rect):
    w, _, pixels = shot
    x, y, cw, ch = rect
    return b"".join(pixels[3 * ((y + row) * w + x):3 * ((y + row) * w + x + cw)]
                    for row in range(ch))


def save_shot(name, rect):
    """For docs/windows: kept only when the run is asked for screenshots."""
    if os.environ.get("KRYVET_SCREENSHOTS"):
        os.makedirs(SHOTS, exist_ok=True)
        x, y, w, h = rect
        subprocess.run(["import", "-window", "root", "-crop", f"{w}x{h}+{x}+{y}",
                        os.path.join(SHOTS, name + ".png")], check=True)


def xpm_pixels(name):
    """The picture source's pixels as rgb triples row by row; None where it
    is transparent."""
    with open(os.path.join(PICTURES, name + ".xpm"), encoding="ascii") as f:
        rows = re.findall(r'"([^"]*)"', f.read())
    w, h, colours, per = map(int, rows[0].split()[:4])
    table = {}
    for line in rows[1:1 + colours]:
        code, value = line[:per], line[per:].split()[-1]
        table[code] = None if value.lower() == "none" else bytes.fromhex(value[1:7])
    return w, h, [table[r[i:i + per]] for r in rows[1 + colours:1 + colours + h]
                  for i in range(0, w * per, per)]


def linux_gauges(*percents):
    env = dict(os.environ, XDG_RUNTIME_DIR=tempfile.mkdtemp())
    data = subprocess.run([GAUGE_DUMP, *map(str, percents)], capture_output=True, check=True,
                          env=env, timeout=PATIENCE).stdout
    return {p: image[2] for p, image in zip(percents, read_ppms(data))}


def linux_cli(*args):
    subprocess.run([LINUX_CLI, *args], check=True, capture_output=True, timeout=PATIENCE,
                   stdin=subprocess.DEVNULL)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def writable(path):
    return bool(os.stat(path).st_mode & 0o200)


class Kryvet(unittest.TestCase):
    """Each test starts kryvet.exe on its own file in a folder of its own."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(dir=FOLDER)
        self.addCleanup(subprocess.run, ["rm", "-rf", self.dir])
        self.pw = os.path.join(self.dir, "pw")
        self.app = None

    def tearDown(self):
        if self.app is not None and self.app.poll() is None:
            self.app.kill()
            self.app.wait()
            probe("wait", "MainKryvet", PATIENCE * 1000, "gone")

    def password_file(self, text):
        with open(self.pw, "w", encoding="utf-8") as f:
            f.write(text + "\n")
        os.chmod(self.pw, 0o600)

    def file(self, name, data):
        path = os.path.join(self.dir, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def start(self, path=None, slow_writes_ms=None):
        self.tearDown()
        env = dict(os.environ)
        if slow_writes_ms:
            env.update(LD_PRELOAD=os.path.join(FOLDER, "slow_write.so"),
                       KRYVET_SLOW_WRITE_MS=str(slow_writes_ms))
        self.app = subprocess.Popen([WINE, EXE] + ([winpath(path)] if path else []), env=env,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        probe("wait", "MainKryvet", PATIENCE * 1000)
        # Keys go to the foreground window: wait until it is ours.
        return wait_until(lambda: (lambda j: j if j["foreground"] else None)(form("MainKryvet")),
                          "the main window did not come to the front")

    def open_form(self, name):
        probe("wait", name, PATIENCE * 1000)
        return form(name)

    def close_form(self, name, *how):
        keys(*how)
        probe("wait", name, PATIENCE * 1000, "gone")

    def idle(self, focus=None):
        """The main window once it is idle again, whatever ran, with the
        focus on `focus` where one is named (the last step of going idle)."""
        def settled():
            j = form("MainKryvet")
            c = j["controls"]
            return j if all(c[b]["enabled"] for b in BUTTONS) and not c["LaRun"]["visible"] \
                and (focus is None or j["focusId"] == c[focus]["id"]) else None
        return wait_until(settled, f"the main window did not become idle (focus {focus})")

    def password(self, dialog, text):
        j = self.open_form(dialog)
        self.assertEqual(j["focusId"], j["controls"]["Password"]["id"], dialog)
        self.assertTrue(j["controls"]["Password"]["password"], "the box shows its text")
        self.assertTrue(j["controls"]["OKBtn"]["default"], dialog)
        keys("ctrl+a", "BackSpace")
        type_text(text)
        keys("Return")

    def encrypt(self, password, confirmation=None):
        click("MainKryvet", "BuAngo")
        self.password("PasswordDlg", password)
        self.password("PasswordDlg2", confirmation or password)
        probe("wait", "PasswordDlg", PATIENCE * 1000, "gone")

    def gauge_shot(self, shown=None):
        return crop(screenshot(), screen_rect(shown or form("MainKryvet"), "Gauge1"))

    def assert_gauge(self, face, percent, linux):
        """Same pixels as the Linux gauge; where the glyphs differ, the bar
        outside them must still be exact."""
        if face == linux:
            return
        w = next(c for c in form("MainKryvet")["description"]["controls"]
                 if c["name"] == "Gauge1")["geometry"][2]
        split = percent * (w + 1) // 100
        for i in range(0, len(face), 3):
            x = (i // 3) % w
            want = b"\x00\x00\xff" if x < split else b"\xff\xff\xff"
            # Glyph pixels are the complement of the bar's colour.
            other = bytes(255 - v for v in want)
            self.assertIn(face[i:i + 3], (want, other), f"{percent}% at column {x}")
            self.assertIn(linux[i:i + 3], (want, other), f"Linux {percent}% at column {x}")
        differing = sum(face[i:i + 3] != linux[i:i + 3] for i in range(0, len(face), 3))
        print(f"gauge at {percent}%: {differing} glyph pixels differ from the Linux gauge's")

    def assert_picture(self, shown, control):
        """The picture source's pixels on the screen, once it is painted."""
        name = shown["controls"][control]["text"]
        w, h, want = xpm_pixels(name)
        x, y, _, _ = screen_rect(shown, control)

        def wrong():
            shot = screenshot()
            got = crop(shot, (x, y, w, h))
            # The sources' grey background is drawn in the form's face colour.
            face = crop(shot, (shown["client"][0] + 1, shown["client"][1] + 1, 1, 1))
            return [(i % w, i // w, colour.hex(), got[3 * i:3 * i + 3].hex())
                    for i, colour in enumerate(want) if colour is not None
                    and got[3 * i:3 * i + 3] != (face if colour == b"\xc0\xc0\xc0" else colour)]
        last = []
        deadline = time.monotonic() + PATIENCE
        while (last := wrong()) and time.monotonic() < deadline:
            time.sleep(0.2)
        self.assertEqual(last[:5], [], f"{name}: {len(last)} pixels differ from its source")


class Layout(Kryvet):
    def test_every_form_as_its_description_says(self):
        shown = self.start()
        main = shown["description"]
        self.assertEqual(shown["caption"], main["caption"])
        size = {c["name"]: c["geometry"] for c in main["controls"]}
        find, edit = size["BuFindFile"], size["EditFileName"]
        self.assertEqual(shown["outer"][2:], [4 * find[2] + edit[3], 7 * find[3] + edit[3]])
        for entry in probe("forms"):
            if entry["frame"] == 2:  # the system's message boxes
                continue
            with self.subTest(form=entry["name"]):
                j = form(entry["name"])
                d = j["description"]
                self.assertTrue(j["exists"], "every form is made at start")
                self.assertEqual(j["caption"], d["caption"])
                if entry["frame"] == 0:
                    self.assertFalse(j["visible"], "dialogs stay hidden until shown")
                    self.assertEqual(j["outer"][:2], d["geometry"][:2], "screen position")
                    self.assertEqual(j["client"][2:], d["geometry"][2:], "client size")
                for c in d["controls"]:
                    got = j["controls"][c["name"]]
                    if c["kind"] in (8, 9):  # the timer and the open dialog are no windows
                        self.assertIsNone(got, c["name"])
                        continue
                    self.assertIsNotNone(got, c["name"])
                    # A label of width 0 and a picture are sized to their content;
                    # a label grows where its font runs wider than designed.
                    sized = c["kind"] == 1 or c["geometry"][2] == 0
                    rect = got["rect"][:2] if sized or c["kind"] == 0 else got["rect"]
                    self.assertEqual(rect, c["geometry"][:len(rect)], c["name"])
                    if c["kind"] == 0 and not sized:
                        self.assertTrue(got["rect"][2] >= c["geometry"][2] and
                                        got["rect"][3] >= c["geometry"][3], c["name"])
                    self.assertEqual(got["visible"], c["visible"], c["name"])
                    if c["kind"] == 1:
                        self.assertEqual(got["text"], c["picture"], c["name"])
                    elif c["kind"] in (0, 2, 3, 4, 5) and c["name"] != "LaRun":
                        self.assertEqual(got["text"], c["text"], c["name"])
                    self.assertEqual(got["password"], c["kind"] == 3, c["name"])
                    if c["kind"] in (4, 5) and j["visible"]:
                        self.assertEqual(got["default"], c["name"] == d["defaultButton"],
                                         c["name"])
        # The start state.
        c = shown["controls"]
        self.assertEqual(shown["focusId"], c["EditFileName"]["id"])
        self.assertEqual(c["LaRun"]["text"], "\u3000" * 3 + " ")
        self.assertTrue(all(c[b]["enabled"] for b in BUTTONS))
        self.assertEqual(c["EditFileName"]["text"], "")
        self.assert_gauge(self.gauge_shot(shown), 0, linux_gauges(0)[0])
        x, y, w, h = shown["outer"]
        save_shot("main-window", (x, y, w, h))

    def test_keys_open_and_close_what_they_name(self):
        path = self.file("named.txt", b"x" * 300)
        self.start()
        edit = form("MainKryvet")["controls"]["EditFileName"]["id"]
        # (keys, what opens: a form or the open dialog by its caption, keys that close it)
        steps = [
            (["F1"], "VersionDlg", ["Return"]),
            (["F2"], "Open", ["Escape"]),
            (["Return"], "Open", ["Escape"]),  # the empty box's default: 参照
            # The menu: Wine keeps a menu's texts in its own process, out of
            # the probe's reach; its entries are pressed instead.
            (["alt+r", "a"], "VersionDlg", ["alt+F4"]),
            (["alt+r", "f"], "Open", ["Escape"]),
        ]
        for press, opens, close in steps:
            with self.subTest(press=press):
                keys(*press)
                if opens == "Open":
                    probe("box", "Open", PATIENCE * 1000)
                    keys(*close)
                    wait_until(lambda: not probe("box", "Open", 0, check=False)["exists"],
                               "the open dialog stayed")
                else:
                    j = self.open_form(opens)
                    self.assertEqual(j["focusId"], j["controls"]["BuVersionOk"]["id"])
                    self.close_form(opens, *close)
                wait_until(lambda: form("MainKryvet")["focusId"] == edit,
                           "the focus did not come back to the name box")
        # A name in the box: Enter presses nothing. F1 behind it shows that
        # Enter was taken first and opened no dialog.
        type_text(winpath(path))
        self.assertFalse(form("MainKryvet")["controls"]["BuFindFile"]["default"])
        keys("Return", "F1")
        self.open_form("VersionDlg")
        self.assertFalse(probe("box", "Open", 0, check=False)["exists"])
        self.close_form("VersionDlg", "Return")
        keys("F10")
        wait_until(lambda: self.app.poll() is not None, "F10 did not end the program")


class Operations(Kryvet):
    def test_a_whole_round_through_the_dialogs_and_the_linux_build(self):
        plain = os.urandom(100_000)
        path = self.file("letter.doc", plain)
        self.password_file("Secret1")
        shown = self.start(path)
        self.assertEqual(shown["controls"]["EditFileName"]["text"], winpath(path))
        click("MainKryvet", "BuAngo")
        self.password("PasswordDlg", "Secret1")
        save_shot("password-dialog", tuple(form("PasswordDlg2")["outer"]))
        self.password("PasswordDlg2", "Secret1")
        j = self.idle("BuAngo")
        self.assertEqual(j["controls"]["LaRun"]["text"], "\u3000" * 6 + " ")
        self.assertEqual(len(read(path)), len(plain) + 128)
        self.assertFalse(writable(path), "an encrypted file is read-only")
        self.assert_gauge(self.gauge_shot(j), 100, linux_gauges(100)[100])
        encrypted = read(path)
        linux_cli("decrypt", "--password-file", self.pw, path)
        self.assertEqual(read(path), plain, "the Linux build decrypts kryvet.exe's file")
        linux_cli("encrypt", "--password-file", self.pw, path)
        self.assertNotEqual(read(path), encrypted)
        # The dialog offers the password last accepted: Enter takes it.
        click("MainKryvet", "BuFukugo")
        self.open_form("PasswordDlg")
        keys("Return")
        self.idle("BuFukugo")
        self.assertFalse(form("PasswordDlg2")["visible"], "decrypting asks no confirmation")
        self.assertEqual(read(path), plain, "kryvet.exe decrypts the Linux build's file")
        self.assertTrue(writable(path))

    def test_mismatch_and_wrong_password(self):
        plain = b"clear text " * 100
        path = self.file("a.txt", plain)
        self.start(path)
        self.encrypt("abc", "abC")
        j = self.idle()
        self.assertTrue(j["controls"]["Label2"]["visible"], "no mismatch label")
        self.assertEqual(read(path), plain)
        # The next request hides the label; Esc leaves the file alone.
        click("MainKryvet", "BuAngo")
        self.open_form("PasswordDlg")
        self.assertFalse(form("MainKryvet")["controls"]["Label2"]["visible"])
        self.close_form("PasswordDlg", "Escape")
        self.password_file("right")
        linux_cli("encrypt", "--password-file", self.pw, path)
        encrypted = read(path)
        for attempt in range(2):  # the second notice opens with the whole key again
            with self.subTest(attempt=attempt):
                click("MainKryvet", "BuFukugo")
                self.password("PasswordDlg", "wrong")
                notice = self.open_form("NotPassword1")
                c = notice["controls"]
                self.assertEqual(c["Image2"]["text"], "key")
                self.assertEqual(c["Image1"]["text"], "key_broken")
                self.assertEqual(c["Label1"]["text"], "※ パスワード異常")
                switched = wait_until(
                    lambda: (lambda j: j if j["controls"]["Image1"]["visible"] else None)(
                        form("NotPassword1")), "the timer did not show the broken key")
                self.assert_picture(switched, "Image1")
                if attempt == 0:
                    save_shot("notice-wrong-password", tuple(switched["outer"]))
                self.close_form("NotPassword1", "Return")
                self.assertFalse(form("NotPassword1")["controls"]["Image1"]["visible"])
                self.idle()
                self.assertEqual(read(path), encrypted)

    def test_each_notice(self):
        # (file, button, notice, its label): a missing file, an encrypted one,
        # a plain one and one too short to carry the header.
        self.password_file("pw")
        done = self.file("done.txt", b"d" * 500)
        linux_cli("encrypt", "--password-file", self.pw, done)
        rows = [
            (os.path.join(self.dir, "missing.txt"), "BuAngo", "NotFileDlg", "LaNotFile"),
            (os.path.join(self.dir, "missing.txt"), "BuFukugo", "NotFileDlg", "LaNotFile"),
            (done, "BuAngo", "ExitAnko1", "Label1"),
            (self.file("plain.txt", b"p" * 1000), "BuFukugo", "NoAngo1", "Label1"),
            (self.file("short.txt", b"s" * 128), "BuFukugo", "NoAngo1", "Label1"),
        ]
        full = os.environ.get("KRYVET_FULL_DRIVE")
        if full:  # a small drive of its own, filled to the last block
            rows.append((self.fill(full), "BuAngo", "DiskFull1", None))
        for i, (path, button, notice, label) in enumerate(rows):
            with self.subTest(notice=notice, button=button):
                before = read(path) if os.path.exists(path) else None
                mode = os.stat(path).st_mode if before is not None else None
                if before is None:
                    # A name that is no file is typed: the command line takes files only.
                    self.start()
                    type_text(winpath(path))
                else:
                    self.start(path)
                click("MainKryvet", button)
                j = self.open_form(notice)
                d = {c["name"]: c for c in j["description"]["controls"]}
                self.assertEqual(j["caption"], j["description"]["caption"])
                if label:
                    self.assertEqual(j["controls"][label]["text"], d[label]["text"])
                self.assertEqual(j["focusId"], j["controls"][j["description"]["focus"]]["id"])
                self.assert_picture(j, "Image1")
                # The close box does what the button does.
                self.close_form(notice, "alt+F4" if i % 2 else "Return")
                self.idle()
                if before is not None:
                    self.assertEqual(read(path), before)
                    self.assertEqual(os.stat(path).st_mode, mode)

    def fill(self, drive):
        path = os.path.join(drive, "full.txt")
        with open(path, "wb") as f:
            f.write(b"f" * 1000)
        try:
            with open(os.path.join(drive, "filler"), "wb") as f:
                while True:
                    f.write(b"\0" * 512)
                    f.flush()
        except OSError:
            pass
        space = os.statvfs(drive)
        self.assertLess(space.f_bavail * space.f_frsize, 128, "the drive is not full")
        return path

    def test_error_box_when_another_kryvet_holds_the_file(self):
        plain = b"held " * 100
        path = self.file("held.txt", plain)
        holder = subprocess.Popen([WINE, PROBE, "hold", winpath(path)], stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, text=True)
        self.addCleanup(holder.wait)
        self.addCleanup(holder.stdin.close)
        self.assertIn('"held":true', holder.stdout.readline())
        self.start(path)
        keys("alt+r", "p")  # the menu's 暗号化: the lock is met before any password
        box = probe("box", "Kryvet", PATIENCE * 1000)
        self.assertEqual(box["texts"], ["ﾌｧｲﾙは別の Kryvet が使用中です."])
        self.assertEqual(box["buttons"], ["OK"])
        self.assertTrue(box["ownerDisabled"], "the main window is blocked behind the box")
        keys("Return")
        wait_until(lambda: not probe("box", "Kryvet", 0, check=False)["exists"], "the box stayed")
        self.idle()
        self.assertEqual(read(path), plain)

    def test_busy_gauge_and_recovery_after_a_kill(self):
        block = os.urandom(1 << 16)
        path = self.file("big.bin", block * (BIG_FILE_MIB * 16))
        size = BIG_FILE_MIB * MIB
        self.start(path, slow_writes_ms=30)  # some seconds, however fast the disk
        self.encrypt("big")
        busy = wait_until(lambda: (lambda j: j if j["controls"]["LaRun"]["visible"] or
                                   os.path.getsize(path) == size + 128 else None)(
            form("MainKryvet")), "the busy state did not come")
        self.assertNotEqual(os.path.getsize(path), size + 128, "the run ended before it was seen")
        c = busy["controls"]
        self.assertEqual(c["LaRun"]["text"], "暗号の作業中 ")
        self.assertFalse(any(c[b]["enabled"] for b in BUTTONS), "a button stayed enabled")
        self.assertTrue(c["EditFileName"]["enabled"])
        # The gauge mid-run, until it passes the middle: each face seen must
        # be the Linux gauge's at the percentage its bar shows.
        faces = linux_gauges(*range(101))
        seen = set()
        width = next(c for c in busy["description"]["controls"] if c["name"] == "Gauge1")[
            "geometry"][2]
        while not any(p >= 45 for p in seen):
            face = self.gauge_shot(busy)
            blue = sum(face[3 * x:3 * x + 3] == b"\x00\x00\xff" for x in range(width))
            if blue in (0, width):
                self.assertIsNone(self.app.poll(), "the run ended before the middle")
                continue
            percent = next(p for p in range(101) if p * (width + 1) // 100 == blue)
            self.assert_gauge(face, percent, faces[percent])
            if percent not in seen and 40 <= percent <= 60:
                save_shot("gauge-mid-run", tuple(busy["outer"]))
            seen.add(percent)
        self.app.kill()
        self.app.wait()
        probe("wait", "MainKryvet", PATIENCE * 1000, "gone")
        self.assertGreater(os.path.getsize(path), size, "the rewrite had ended")
        # Started again, 暗号化 finishes the rewrite without a password.
        self.start(path)
        click("MainKryvet", "BuAngo")
        notice = self.open_form("Recovered1")
        self.assertEqual(notice["controls"]["Label1"]["text"], "中断された暗号化を完了しました")
        self.assertFalse(form("PasswordDlg")["visible"], "a password was asked")
        self.close_form("Recovered1", "Return")
        self.idle()
        self.assertEqual(os.path.getsize(path), size + 128)
        self.assertFalse(writable(path))
        self.password_file("big")
        linux_cli("decrypt", "--password-file", self.pw, path)
        with open(path, "rb") as f:
            self.assertEqual(f.read(1 << 16), block, "the finished file does not decrypt")
        self.assertEqual(os.path.getsize(path), size)


if __name__ == "__main__":
    subprocess.run(["xdotool", "mousemove", "1020", "760"], check=True)
    unittest.main(verbosity=2)
