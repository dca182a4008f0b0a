#!/usr/bin/env python3
"""Uses the real program on its own Xvfb server the way a person does, by
keyboard only (xdotool): a path typed into the box, Alt+R and the entry's
mnemonic, passwords typed into the dialogs found by their captions. After each
step the file's bytes are checked against the encrypted layout and its
permissions against what they were; screenshots taken with `import` are
checked at a few pixels.

Usage: user_scenarios_xvfb.py <path to kryvet> <output folder>
The output folder receives the screenshots of the run and the scratch files.
The program runs in the output folder and the files lie in its "~/書類"
folder, so the paths typed and shown are those of a user's home
("~/書類/report.txt"), not of the build folder.
Exit code 77 (skipped) only when Xvfb or xdotool are missing.
"""
import contextlib
import hashlib
import os
import shutil
import stat
import struct
import subprocess
import sys
import time

HEADER, TRAILER = 70, 58
MARKER = b"Kryvet"
ATTR_READ_ONLY, ATTR_NORMAL = 0x0001, 0x0080

RED, LIME, BLUE, YELLOW = (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0)
# Client coordinates of the main window's controls, below the menu bar.
LA_RUN = (127, 122, 100, 19)
LABEL2 = (44, 122, 250, 19)
GAUGE = (39, 159, 273, 28)
# The key pictures of the wrong-password notice (client coordinates).
KEY_PICTURE = (11, 22, 32, 32)

BIG_FILE_MIB = 300
# The scratch files' folder, relative to the program's working folder.
DOCUMENTS = os.path.join("~", "書類")
# Seconds to wait for anything the program does on its own time: a window
# coming or going, a repaint, a file rewritten. A busy machine may delay each
# of them by seconds; a passing run never waits this long.
PATIENCE = 30.0
# Seconds around a character typed on a remapped key (see Screen.type).
REMAP_PAUSE = 0.5


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


# --- the encrypted layout, as an independent reader sees it ------------------


def block_mask(data, key):
    """XORs `data`, which starts at plain offset 0, with the body pattern."""
    pattern = bytes(key[(p % 512) % 3] for p in range(512))
    whole = pattern * (len(data) // 512 + 1)
    return bytes(a ^ b for a, b in zip(data, whole))


def check_encrypted(path, plain, password, mode_before):
    """The file at `path` is `plain` encrypted with `password`, and read-only."""
    data = open(path, "rb").read()
    check(len(data) == len(plain) + HEADER + TRAILER,
          f"encrypted size {len(data)}, expected {len(plain) + 128}")
    k = data[6:9]
    check(bytes(b ^ k[0] for b in data[0:6]) == MARKER, "marker does not unmask to the word")
    field = bytes(b ^ k[2] for b in data[14:64])
    check(field[:len(password) + 1] == password + b"\0", f"password field holds {field!r}")
    size, attributes = struct.unpack_from("<iH", data, 64)
    check(size == len(plain), f"stored size {size}, expected {len(plain)}")
    read_only = not (mode_before & stat.S_IWUSR)
    expected_attr = ATTR_READ_ONLY if read_only else ATTR_NORMAL
    check(attributes & 0xFF == expected_attr,
          f"stored attributes {attributes:#06x}, read-only was {read_only}")
    check(block_mask(data[HEADER:HEADER + len(plain)], k) == plain,
          "body does not unmask to the plain bytes")
    trailer = data[HEADER + len(plain):]
    masked = bytes(b ^ k[2] for b in password + b"\0")
    check(trailer[:len(masked)] == bytes(b & k[0] for b in masked), "trailer is not password AND k0")
    mode = stat.S_IMODE(os.stat(path).st_mode)
    check(mode == mode_before & ~0o222, f"mode {mode:o} after encryption, from {mode_before:o}")


def check_big_encrypted(path, plain_size, plain_head, password):
    """Header, size and the first blocks of a file too big to read whole."""
    with open(path, "rb") as f:
        head = f.read(HEADER + len(plain_head))
    check(os.path.getsize(path) == plain_size + 128, "big file did not grow by 128 bytes")
    k = head[6:9]
    check(bytes(b ^ k[0] for b in head[0:6]) == MARKER, "big file: marker")
    check(bytes(b ^ k[2] for b in head[14:14 + len(password) + 1]) == password + b"\0",
          "big file: password field")
    check(struct.unpack_from("<i", head, 64)[0] == plain_size, "big file: stored size")
    check(block_mask(head[HEADER:], k) == plain_head, "big file: first blocks do not unmask")
    check(os.stat(path).st_mode & 0o222 == 0, "big file is not read-only")


def wait_until(condition, message, timeout=PATIENCE):
    deadline = time.monotonic() + timeout
    while not condition():
        check(time.monotonic() < deadline, message)
        time.sleep(0.05)


def eventually(step, timeout=PATIENCE):
    """Runs `step` (a set of checks) until it passes; its last failure if it
    never does in time."""
    deadline = time.monotonic() + timeout
    while True:
        try:
            return step()
        except Failure:
            if time.monotonic() >= deadline:
                raise
            time.sleep(0.1)


def read_only(path):
    return os.stat(path).st_mode & 0o222 == 0


def same_bytes(path, digest):
    return hashlib.sha256(open(path, "rb").read()).digest() == digest


def unchanged(path, digest, mode):
    check(hashlib.sha256(open(path, "rb").read()).digest() == digest, f"{path} changed")
    got = stat.S_IMODE(os.stat(path).st_mode)
    check(got == mode, f"{path}: mode {got:o}, expected {mode:o}")


# --- X server, program and screenshots ---------------------------------------


class Screen:
    def __init__(self, out):
        self.out = out
        self.shots = {}

    def xdo(self, *args):
        return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.strip()

    def keys(self, *keys):
        self.xdo("key", "--delay", "40", *keys)

    def type(self, text):
        """Types `text`. xdotool types a character the keymap lacks (書, 類)
        on a spare key it remaps for the moment; such a character goes on its
        own, with pauses around it, so that the program has read the key
        before the key is remapped again. Nothing shows when it has, so the
        pauses are long enough for a busy machine (0.1 s was not)."""
        plain = ""
        for char in text:
            if char.isascii():
                plain += char
                continue
            if plain:
                self.xdo("type", "--delay", "15", plain)
                plain = ""
            time.sleep(REMAP_PAUSE)
            self.xdo("type", "--delay", str(int(REMAP_PAUSE * 1000)), char)
            time.sleep(REMAP_PAUSE)
        if plain:
            self.xdo("type", "--delay", "15", plain)

    def window(self, title, timeout=PATIENCE):
        """The visible window whose caption is exactly `title`."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            found = self.xdo("search", "--onlyvisible", "--name", f"^{title}$").split()
            if found:
                return found[0]
            time.sleep(0.03)
        raise Failure(f"no window '{title}' appeared")

    def absent(self, title):
        return not self.xdo("search", "--onlyvisible", "--name", f"^{title}$")

    def wait_gone(self, title, timeout=PATIENCE):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.absent(title):
                return
            time.sleep(0.03)
        raise Failure(f"window '{title}' did not close")

    def focus(self, window):
        # No window manager on bare Xvfb: the keyboard goes where it is sent.
        self.xdo("windowfocus", "--sync", window)

    def shot(self, window, name):
        path = os.path.join(self.out, name + ".png")
        subprocess.run(["import", "-window", window, path], check=True, capture_output=True)
        ppm = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True,
                             capture_output=True).stdout
        return Picture(ppm)


class Picture:
    def __init__(self, ppm):
        parts = ppm.split(maxsplit=4)
        check(parts[0] == b"P6", "not a binary PPM")
        self.w, self.h = int(parts[1]), int(parts[2])
        self.data = parts[4]

    def px(self, x, y):
        i = 3 * (y * self.w + x)
        return tuple(self.data[i:i + 3])

    def count(self, rect, color, dy=0):
        x0, y0, w, h = rect
        return sum(1 for y in range(y0 + dy, y0 + dy + h) for x in range(x0, x0 + w)
                   if self.px(x, y) == color)

    def crop(self, rect, dy=0):
        x0, y0, w, h = rect
        return b"".join(self.data[3 * ((y + dy) * self.w + x0):3 * ((y + dy) * self.w + x0 + w)]
                        for y in range(y0, y0 + h))


class Session:
    """The running program and the keyboard steps a user takes in it."""

    def __init__(self, screen, main, cwd=None):
        self.s = screen
        self.main = main
        self.cwd = cwd  # the program's working folder, if paths are typed relative to it
        self.menu_height = None  # found from the gauge after the first run

    def to_box(self, back_tabs):
        """Focus the main window; `back_tabs` Shift+Tabs bring the focus from
        where the last step left it back into the file-name box."""
        self.s.focus(self.main)
        for _ in range(back_tabs):
            self.s.keys("shift+Tab")

    def name_file(self, path, back_tabs):
        """Types `path`, as seen from the program's working folder if known."""
        self.to_box(back_tabs)
        self.s.keys("ctrl+a")
        self.s.type(os.path.relpath(path, self.cwd) if self.cwd else path)

    def menu(self, mnemonic):
        self.s.focus(self.main)
        self.s.keys("alt+r")
        time.sleep(0.15)
        self.s.keys(mnemonic)

    def password(self, title, text):
        window = self.s.window(title)
        self.s.focus(window)
        self.s.keys("ctrl+a")
        self.s.type(text)
        return window

    def confirm(self, window, title):
        self.s.focus(window)
        self.s.keys("Return")
        self.s.wait_gone(title)

    def client(self, rect):
        x, y, w, h = rect
        return (x, y + self.menu_height, w, h)

    def check_full_gauge(self, name):
        """The gauge at 100 %, once the program has repainted it."""
        eventually(lambda: self.check_full_gauge_now(name))

    def check_full_gauge_now(self, name):
        shot = self.s.shot(self.main, name)
        if self.menu_height is None:
            top = next((y for y in range(shot.h) if shot.px(GAUGE[0] + 5, y) == BLUE), None)
            check(top is not None, "no blue gauge bar after the run")
            self.menu_height = top - GAUGE[1]
            check(10 <= self.menu_height <= 40, f"gauge top at {top}: menu bar {self.menu_height}")
        x, y, w, h = self.client(GAUGE)
        blue = shot.count((x, y, w, h), BLUE)
        yellow = shot.count((x, y, w, h), YELLOW)
        check(blue + yellow >= 0.95 * w * h, f"gauge at 100%: {blue} blue of {w * h}")
        check(yellow >= 30, f"gauge at 100%: {yellow} yellow text pixels")
        # The text sits in the middle; the bar ends exactly at the gauge's edges.
        text_xs = [px for px in range(x, x + w) for py in range(y, y + h)
                   if shot.px(px, py) == YELLOW]
        check(x + w // 3 < min(text_xs) and max(text_xs) < x + 2 * w // 3, "100% text not centred")
        for outside in [(x - 1, y), (x + w, y), (x, y - 1), (x, y + h)]:
            check(shot.px(*outside) != BLUE, f"blue outside the gauge at {outside}")

    def watch_busy(self, colour, done, name):
        """Screenshots until the status label shows `colour` or `done()`."""
        rect = self.client(LA_RUN)
        while True:
            finished = done()
            shot = self.s.shot(self.main, name)
            if shot.count(rect, colour) >= 0.5 * rect[2] * rect[3]:
                return
            check(not finished, f"status label never showed {colour}")


# --- the scenarios -----------------------------------------------------------


def scratch_folder(out):
    """An empty "~/書類" under the output folder; left-over read-only files
    from an earlier run are made writable first."""
    home = os.path.join(out, "~")
    if os.path.isdir(home):
        for folder, _, files in os.walk(home):
            for name in files:
                os.chmod(os.path.join(folder, name), 0o600)
        shutil.rmtree(home)
    os.makedirs(os.path.join(out, DOCUMENTS))
    return os.path.join(out, DOCUMENTS)


def run(program, out):
    screen = Screen(out)
    for old in os.listdir(out):
        if old.endswith(".png") or old.startswith("file-"):
            os.remove(os.path.join(out, old))
    documents = scratch_folder(out)

    small = os.path.join(documents, "report.txt")
    plain = os.urandom(5000)
    with open(small, "wb") as f:
        f.write(plain)
    os.chmod(small, 0o640)
    plain_digest = hashlib.sha256(plain).digest()
    missing = os.path.join(documents, "memo.txt")
    big = os.path.join(documents, "backup.tar")

    log = open(os.path.join(out, "app.log"), "wb")
    app = subprocess.Popen([program], stderr=log, cwd=out)
    try:
        main = screen.window("Kryvet", timeout=30)  # a cold start may be slow on a busy machine
        time.sleep(0.3)
        u = Session(screen, main, out)
        steps = scenarios(u, screen, small, plain, plain_digest, missing, big)
        for name, step in steps:
            t = time.monotonic()
            step()
            print(f"ok: {name} ({time.monotonic() - t:.1f} s)", flush=True)
            check(app.poll() is None or name == "F10 ends the program",
                  f"the program ended during '{name}'")
        check(app.wait(timeout=PATIENCE) == 0, f"exit status {app.returncode}")
    finally:
        if app.poll() is None:
            app.kill()
            app.wait()
        for path in (big, small):
            if os.path.exists(path):
                os.chmod(path, 0o600)
                os.remove(path)


def scenarios(u, screen, small, plain, plain_digest, missing, big):
    s = screen
    encrypted = {}

    def encrypt_with_confirmation():
        u.name_file(small, 0)
        u.menu("p")
        w = u.password("パスワードの入力", "secret1")
        s.shot(w, "password-dialog")
        s.keys("Return")
        w2 = u.password("もう一度", "secret1")
        s.shot(w2, "confirmation-dialog")
        u.confirm(w2, "もう一度")
        s.wait_gone("パスワードの入力")
        # Read-only comes ahead of the records' cut, the size last.
        wait_until(lambda: read_only(small) and os.path.getsize(small) == len(plain) + 128,
                   "the small file was not encrypted")
        check_encrypted(small, plain, b"secret1", 0o640)
        u.check_full_gauge("main-after-encryption")
        encrypted["digest"] = hashlib.sha256(open(small, "rb").read()).digest()

    def already_encrypted():
        u.to_box(1)  # from the encrypt button
        u.menu("p")
        w = s.window("実行不可")
        check(s.absent("パスワードの入力"), "password asked for an encrypted file")
        s.shot(w, "notice-already-encrypted")
        u.confirm(w, "実行不可")
        unchanged(small, encrypted["digest"], 0o440)

    def wrong_password_picture_changes():
        # The key breaks 800 ms after the notice comes up. Only a first
        # screenshot taken well before that shows the whole key; when a busy
        # machine delays it, that showing proves nothing and is tried again.
        pictures = []
        showings = 0
        while len(pictures) < 2:
            showings += 1
            check(showings <= 8, "no first screenshot came in time in 8 showings")
            attempt = ("wrong", "Secret1")[len(pictures)]
            u.menu("u")
            w = u.password("パスワードの入力", attempt)
            check(s.absent("もう一度"), "decryption asked for a confirmation")
            s.keys("Return")
            notice = s.window("不正")
            shown = time.monotonic()
            early = s.shot(notice, "notice-wrong-password-first")
            in_time = time.monotonic() - shown < 0.6
            time.sleep(max(0.0, shown + 1.3 - time.monotonic()))

            def changed():
                late = s.shot(notice, "notice-wrong-password")
                check(late.crop(KEY_PICTURE) != early.crop(KEY_PICTURE) or not in_time,
                      "the picture did not change after 800 ms")
                return late

            late = eventually(changed)
            check(early.crop((60, 0, early.w - 60, early.h)) == late.crop((60, 0, late.w - 60, late.h)),
                  "more than the picture changed")
            u.confirm(notice, "不正")
            unchanged(small, encrypted["digest"], 0o440)
            if in_time:
                pictures.append((early.crop(KEY_PICTURE), late.crop(KEY_PICTURE)))
        (whole1, broken1), (whole2, broken2) = pictures
        check(whole1 != broken1, "the picture did not change after 800 ms")
        check(whole2 == whole1 and broken2 == broken1,
              "the second notice did not start again with the whole key")

    def decrypt():
        u.menu("u")
        u.password("パスワードの入力", "secret1")
        s.keys("Return")
        s.wait_gone("パスワードの入力")
        # The file is writable again from the start of the rewrite; it is cut
        # to its stored size last.
        wait_until(lambda: not read_only(small) and os.path.getsize(small) == len(plain),
                   "the small file was not decrypted")
        unchanged(small, plain_digest, 0o640)
        u.check_full_gauge("main-after-decryption")

    def not_encrypted():
        u.menu("u")
        w = s.window("実行不可")
        check(s.absent("パスワードの入力"), "password asked for a plain file")
        s.shot(w, "notice-not-encrypted")
        u.confirm(w, "実行不可")
        unchanged(small, plain_digest, 0o640)

    def mismatch_label():
        u.menu("p")
        u.password("パスワードの入力", "abc")
        s.keys("Return")
        w2 = u.password("もう一度", "abC")
        u.confirm(w2, "もう一度")
        s.wait_gone("パスワードの入力")

        def red_label():
            shot = s.shot(u.main, "main-mismatch")
            rect = u.client(LABEL2)
            check(shot.count(rect, RED) >= 0.5 * rect[2] * rect[3],
                  "mismatch label is not shown in red")

        eventually(red_label)
        unchanged(small, plain_digest, 0o640)

    def missing_file():
        for mnemonic, back_tabs in (("u", 0), ("p", 0)):
            u.name_file(missing, back_tabs)
            u.menu(mnemonic)
            w = s.window("ないない ！")
            s.shot(w, "notice-missing-file")
            u.confirm(w, "ないない ！")
            check(not os.path.exists(missing), "a missing file was created")

    def big_file_busy_labels():
        block = os.urandom(1 << 16)
        with open(big, "wb") as f:
            for _ in range(BIG_FILE_MIB * 16):
                f.write(block)
        os.chmod(big, 0o644)
        size = BIG_FILE_MIB << 20
        head = (block * 2)[:4096]
        # Encrypting the missing file left the mismatch label up, so the
        # focus went to the encrypt button.
        u.name_file(big, 1)
        u.menu("p")
        u.password("パスワードの入力", "big")
        s.keys("Return")
        w2 = u.password("もう一度", "big")
        s.focus(w2)
        s.keys("Return")
        # The read-only mode comes after the trailer, the cut of the records last.
        encrypted_now = lambda: read_only(big) and os.path.getsize(big) == size + 128
        u.watch_busy(RED, encrypted_now, "main-busy-encrypting")
        wait_until(encrypted_now, "big file: encryption did not end", timeout=4 * PATIENCE)
        check_big_encrypted(big, size, head, b"big")
        u.check_full_gauge("main-after-encryption-big")

        u.menu("u")
        u.password("パスワードの入力", "big")
        s.keys("Return")
        # The file is cut to its stored size, then given its mode back.
        decrypted_now = lambda: (os.path.getsize(big) == size
                                 and stat.S_IMODE(os.stat(big).st_mode) == 0o644)
        u.watch_busy(LIME, decrypted_now, "main-busy-decrypting")
        wait_until(decrypted_now, "big file: decryption did not end", timeout=4 * PATIENCE)
        check(os.path.getsize(big) == size, "big file: size after decryption")
        with open(big, "rb") as f:
            while chunk := f.read(1 << 20):
                check(chunk == block * 16, "big file: bytes after decryption")
        check(stat.S_IMODE(os.stat(big).st_mode) == 0o644, "big file: mode after decryption")
        u.check_full_gauge("main-after-decryption-big")
        os.remove(big)

    def version_box():
        u.to_box(2)  # from the decrypt button
        s.keys("F1")
        w = s.window("バージョン情報")
        s.shot(w, "version-box")
        u.confirm(w, "バージョン情報")
        # Closing it put the focus into the box.
        s.focus(u.main)
        s.keys("ctrl+a")
        s.type(os.path.join(DOCUMENTS, "report.txt"))
        time.sleep(0.2)
        s.shot(u.main, "main-window")

    def long_name_typed():
        # é and the emoji have no Shift-JIS form; the path runs past 300
        # bytes. Typed whole, as an absolute path, into the box.
        path = os.path.join(os.path.dirname(small), "café 🔒.txt")
        while len(path.encode()) < 300:  # in folders of at most 100 bytes
            path = os.path.join(os.path.dirname(path), "x" * min(100, 301 - len(path.encode())),
                                os.path.basename(path))
        check(len(path.encode()) >= 300, "the path is shorter than 300 bytes")
        os.makedirs(os.path.dirname(path))
        data = os.urandom(3000)
        with open(path, "wb") as f:
            f.write(data)
        os.chmod(path, 0o600)
        s.focus(u.main)
        s.keys("ctrl+a")
        s.type(path)
        u.menu("p")
        u.password("パスワードの入力", "long")
        s.keys("Return")
        w2 = u.password("もう一度", "long")
        u.confirm(w2, "もう一度")
        wait_until(lambda: read_only(path) and os.path.getsize(path) == len(data) + 128,
                   "the file with the long name was not encrypted")
        check_encrypted(path, data, b"long", 0o600)
        os.chmod(path, 0o600)

    def end_by_f10():
        s.focus(u.main)
        s.keys("F10")
        s.wait_gone("Kryvet")

    return [
        ("encrypt with confirmation", encrypt_with_confirmation),
        ("already-encrypted notice", already_encrypted),
        ("wrong password: the picture changes", wrong_password_picture_changes),
        ("decrypt", decrypt),
        ("not-encrypted notice", not_encrypted),
        ("mismatch label", mismatch_label),
        ("missing-file notice", missing_file),
        ("busy labels on a big file", big_file_busy_labels),
        ("version box by F1", version_box),
        ("a long name with é and an emoji, typed", long_name_typed),
        ("F10 ends the program", end_by_f10),
    ]


def body_unmasks(path, plain_block, plain_size):
    """The whole body of a big encrypted file unmasks to repetitions of
    `plain_block` (whose length divides 1 MiB), a mebibyte at a time."""
    chunk = 1 << 20
    with open(path, "rb") as f:
        k = f.read(HEADER)[6:9]
        pattern = bytes(k[(p % 512) % 3] for p in range(512)) * (chunk // 512)
        expected = int.from_bytes(plain_block * (chunk // len(plain_block)), "little")
        mask = int.from_bytes(pattern, "little")
        for offset in range(0, plain_size, chunk):
            data = f.read(min(chunk, plain_size - offset))
            n = len(data)
            if int.from_bytes(data, "little") ^ (mask & ((1 << (8 * n)) - 1)) != \
                    expected & ((1 << (8 * n)) - 1):
                return False
    return True


def run_killed(program, out):
    """The program is killed in the middle of encrypting a big file; started
    again, with the file named and 暗号化 pressed, it finishes the rewrite
    without asking for the password and says so in the 復旧 notice."""
    screen = Screen(out)
    big = os.path.join(out, "file-killed.bin")
    block = os.urandom(1 << 16)
    with open(big, "wb") as f:
        for _ in range(BIG_FILE_MIB * 16):
            f.write(block)
    os.chmod(big, 0o644)
    size = BIG_FILE_MIB << 20
    log = open(os.path.join(out, "app-killed.log"), "wb")
    try:
        app = subprocess.Popen([program], stderr=log)
        try:
            u = Session(screen, screen.window("Kryvet", timeout=30))
            time.sleep(0.3)
            u.name_file(big, 0)
            u.menu("p")
            u.password("パスワードの入力", "big")
            screen.keys("Return")
            w2 = u.password("もう一度", "big")
            screen.focus(w2)
            screen.keys("Return")
            # The recovery records go beyond the end before the first byte is
            # rewritten: the file grows past its encrypted size.
            wait_until(lambda: os.path.getsize(big) > size + 128, "the rewrite did not begin",
                       timeout=30)
            # Into the rewrite proper: its first write puts the header in
            # front, after the first record is on the disk.
            def first_bytes():
                with open(big, "rb") as f:
                    return f.read(8)
            wait_until(lambda: first_bytes() != block[:8], "the rewrite proper did not begin",
                       timeout=30)
        finally:
            app.kill()
            app.wait()
        check(os.path.getsize(big) > size + 128, "the rewrite ended before the kill")
        screen.wait_gone("Kryvet")

        app = subprocess.Popen([program], stderr=log)
        try:
            u = Session(screen, screen.window("Kryvet", timeout=30))
            time.sleep(0.3)
            u.name_file(big, 0)
            u.menu("p")
            notice = screen.window("復旧", timeout=60)
            check(screen.absent("パスワードの入力"), "a password was asked to finish the rewrite")
            shot = screen.shot(notice, "notice-recovered")
            check((shot.w, shot.h) == (306, 110), f"the 復旧 notice is {shot.w}x{shot.h}")
            # The restored page left of the text: its green arrow.
            check(shot.count((24, 16, 32, 32), (0, 128, 0)) >= 40,
                  "no restored page in the 復旧 notice")
            u.confirm(notice, "復旧")
            # Read-only is the last step of an encryption, finished or not.
            wait_until(lambda: read_only(big), "the finished rewrite did not make the file read-only")
            check_big_encrypted(big, size, (block * 2)[:4096], b"big")
            check(body_unmasks(big, block, size), "the finished body does not unmask")
            quit_with_f10(screen, u.main, app)
        finally:
            reap(app)
    finally:
        if os.path.exists(big):
            os.chmod(big, 0o600)
            os.remove(big)


def run_scaled(program, out):
    """At QT_SCALE_FACTOR=2 the windows double in size and every picture
    pixel becomes a sharp 2×2 block: a smoothed picture would show blended
    colours at the blocks' edges."""
    screen = Screen(out)
    log = open(os.path.join(out, "app-scaled.log"), "wb")
    app = subprocess.Popen([program], stderr=log, cwd=out,
                           env=dict(os.environ, QT_SCALE_FACTOR="2"))
    try:
        main = screen.window("Kryvet", timeout=30)  # a cold start may be slow on a busy machine
        time.sleep(0.3)
        geometry = screen.xdo("getwindowgeometry", main)
        check("Geometry: 1044x696" in geometry, f"main window at 2×: {geometry}")
        u = Session(screen, main, out)
        u.name_file(os.path.join(out, DOCUMENTS, "memo.txt"), 0)
        time.sleep(0.2)
        screen.shot(main, "main-window-scaled")
        u.menu("p")
        notice = screen.window("ないない ！")
        shot = screen.shot(notice, "notice-missing-file-scaled")
        check((shot.w, shot.h) == (612, 220), f"notice at 2× is {shot.w}x{shot.h}")
        x0, y0 = 2 * 24, 2 * 16  # the folder picture, 32 × 32
        colours = set()
        for y in range(y0, y0 + 64, 2):
            for x in range(x0, x0 + 64, 2):
                block = {shot.px(x, y), shot.px(x + 1, y), shot.px(x, y + 1), shot.px(x + 1, y + 1)}
                check(len(block) == 1, f"picture pixel at {(x - x0) // 2},{(y - y0) // 2} is blurred")
                colours |= block
        check(len(colours) >= 3, "no picture where the folder should be")
        u.confirm(notice, "ないない ！")
        quit_with_f10(screen, main, app)
    finally:
        reap(app)


def quit_with_f10(screen, main, app):
    """Ends the program as the user does, and sees that it exits cleanly."""
    screen.focus(main)
    screen.keys("F10")
    check(app.wait(timeout=PATIENCE) == 0, f"exit status {app.returncode}")


def reap(app):
    """Ends a program that a failure left running."""
    if app.poll() is None:
        app.kill()
        app.wait()


def reported(steps):
    """Runs the steps: PASS and 0, or FAIL with the reason and 1."""
    try:
        steps()
    except Failure as failure:
        print(f"FAIL: {failure}")
        return 1
    print("PASS")
    return 0


@contextlib.contextmanager
def start_xvfb():
    """Yields None with DISPLAY set to a fresh Xvfb server of its own, or the
    exit status to end with when the tools are missing (77: skip)."""
    for tool in ("Xvfb", "xdotool"):
        if shutil.which(tool) is None:
            print(f"SKIP: {tool} is not installed (scripts/install-deps.sh installs it)")
            yield 77
            return
    for tool in ("import", "convert"):
        if shutil.which(tool) is None:
            print(f"FAIL: {tool} is missing (scripts/install-deps.sh installs imagemagick)")
            yield 1
            return
    # Xvfb picks a free display number itself and reports it on a pipe.
    # Without -noreset it resets when its last client leaves, and a program
    # started again at that moment finds no display.
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                             "-nolisten", "tcp", "-noreset"], pass_fds=(write_end,),
                            stderr=subprocess.DEVNULL)
    os.close(write_end)
    try:
        display = os.read(read_end, 32).decode().strip()
        if not display:
            print("FAIL: Xvfb did not start")
            yield 1
            return
        os.environ["DISPLAY"] = ":" + display
        for name in ("QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "QT_SCALE_FACTOR"):
            os.environ.pop(name, None)
        yield None
    finally:
        os.close(read_end)
        xvfb.terminate()
        xvfb.wait()


def main(argv):
    program, out = argv[1], argv[2]
    os.makedirs(out, exist_ok=True)
    with start_xvfb() as ready:
        if ready is not None:
            return ready
        try:
            started = time.monotonic()
            run(program, out)
            t = time.monotonic()
            run_killed(program, out)
            print(f"ok: a killed rewrite is finished on the next run ({time.monotonic() - t:.1f} s)")
            t = time.monotonic()
            run_scaled(program, out)
            print(f"ok: pictures stay sharp at scale 2 ({time.monotonic() - t:.1f} s)")
            print(f"PASS: all scenarios in {time.monotonic() - started:.1f} s")
            return 0
        except Failure as failure:
            print(f"FAIL: {failure}")
            return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
