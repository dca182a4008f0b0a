#!/usr/bin/env python3
"""kryvet-cli as a person and a script use it: the prompt on a pseudo-terminal,
passwords by descriptor, batches of mixed files, status, signals in the middle
of a rewrite, and files that the window and the command line leave to each
other. The helper runs the window's flow, or the command line's own code, on a
fixed clock, and can die in the middle of a rewrite."""
import fcntl
import hashlib
import json
import os
import pty
import re
import select
import signal
import struct
import subprocess
import tempfile
import termios
import time
import unicodedata
import unittest

CLI = os.environ["KRYVET_CLI"]
HELPER = os.environ["KRYVET_CLI_HELPER"]
SOURCE = os.environ["KRYVET_SOURCE"]
PASSWORD = "秘密pass"
FIXED_CLOCK = "2026-12-07T10:11:12.345"  # what the helper's clock says
PATIENCE = 60  # seconds; generous for a busy machine and the sanitizers
MIB = 1 << 20
NOBODY = 65534
ENGLISH = dict(os.environ, LC_ALL="C.UTF-8", LANGUAGE="")


def write_random(path, size, seed):
    block = hashlib.sha256(str(seed).encode()).digest() * (MIB // 32)
    with open(path, "wb") as f:
        for offset in range(0, size, MIB):
            f.write(block[: min(MIB, size - offset)])


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def as_user(uid):
    """What makes a child run as that user, or as the caller for None."""
    if uid is None:
        return None
    return lambda: (os.setgroups([]), os.setgid(uid), os.setuid(uid))


def run(args, password=None, env=ENGLISH, helper=False, user=None, raw=False):
    """Runs the program (or the helper) with the password on the descriptor
    that "--password-fd 3" names; as another user where `user` names one."""
    line = password if isinstance(password, bytes) else (password or "").encode() + b"\n"
    if len(line) < 4096:  # a pipe, as a script hands it over
        read_end, write_end = os.pipe()
        if password is not None:
            os.write(write_end, line)
        os.close(write_end)
    else:  # more than a pipe holds before the program reads it
        read_end = os.memfd_create("password")
        os.write(read_end, line)
        os.lseek(read_end, 0, os.SEEK_SET)
    args = [str(read_end) if a == "3" and b == "--password-fd" else a
            for a, b in zip(args, [None] + args)]
    done = subprocess.run(([HELPER] if helper else [CLI]) + args, pass_fds=(read_end,),
                          capture_output=True, text=not raw, env=env, timeout=PATIENCE * 2,
                          stdin=subprocess.DEVNULL, preexec_fn=as_user(user))
    os.close(read_end)
    return done


def status(*paths):
    return [line.split("\t") for line in run(["status", *paths]).stdout.splitlines()]


class Terminal:
    """The program on a pseudo-terminal, read as a person reads it."""

    def __init__(self, args, env=ENGLISH, program=CLI, user=None, columns=80):
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            if user is not None:
                as_user(user)()
            os.execve(program, [program] + args, env)
        fcntl.ioctl(self.fd, termios.TIOCSWINSZ, struct.pack("HHHH", 24, columns, 0, 0))
        self.seen = ""

    def wait_for(self, pattern):
        deadline = time.monotonic() + PATIENCE
        while time.monotonic() < deadline:
            found = re.search(pattern, self.seen)
            if found:
                self.seen = self.seen[found.end():]
                return found
            ready, _, _ = select.select([self.fd], [], [], 1)
            if ready:
                try:
                    self.seen += os.read(self.fd, 4096).decode(errors="replace")
                except OSError:
                    break
        raise AssertionError(f"never saw {pattern!r}; last output {self.seen[-300:]!r}")

    def type(self, text):
        os.write(self.fd, (text + "\n").encode())

    def exit_status(self):
        rest = ""
        while True:  # drain, so the program never blocks on a full terminal
            try:
                chunk = os.read(self.fd, 4096)
            except OSError:
                break
            if not chunk:
                break
            rest += chunk.decode(errors="replace")
        self.seen += rest
        _, code = os.waitpid(self.pid, 0)
        os.close(self.fd)
        return os.waitstatus_to_exitcode(code)


class Scratch(unittest.TestCase):
    def setUp(self):
        self.dir_ = tempfile.TemporaryDirectory(dir="/var/tmp", prefix="kryvet-cli-")
        self.dir = self.dir_.name
        os.chmod(self.dir, 0o755)  # for runs as another user

    def tearDown(self):
        for root, dirs, files in os.walk(self.dir):
            for name in files:
                os.chmod(os.path.join(root, name), 0o644)
        self.dir_.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    def interrupted_by(self, side, operation, name, password=PASSWORD, writes=12):
        """A file whose rewrite died in the middle, by the window or the command line;
        at the 12th write the first unit of the body has been written, before it none."""
        path = self.path(name)
        args = (["press", operation, path, password] if side == "window" else
                ["cli", operation, "--password-fd", "3", path])
        killed = run(["--die-after-writes", str(writes)] + args, password=password, helper=True)
        self.assertEqual(killed.returncode, -signal.SIGKILL, killed.stderr)
        self.assertEqual(status(path)[0][0], "interrupted")
        return path


class TestPrompt(Scratch):
    def test_prompt_hides_the_password_and_asks_again_after_a_mismatch(self):
        path = self.path("letter.txt")
        write_random(path, 5000, 1)
        plain = digest(path)
        term = Terminal(["encrypt", path])
        term.wait_for("Password: ")
        term.type("abc123")
        term.wait_for("Password again: ")
        term.type("abc124")
        term.wait_for("do not match")
        term.wait_for("Password: ")
        term.type(PASSWORD)
        term.wait_for("Password again: ")
        term.type(PASSWORD)
        self.assertEqual(term.exit_status(), 0, term.seen)
        self.assertNotIn("abc12", term.seen)
        self.assertNotIn(PASSWORD, term.seen)
        self.assertEqual(status(path)[0][:2], ["encrypted", "5000"])

        # Decryption asks once; a wrong password is said, the file kept.
        term = Terminal(["decrypt", path])
        term.wait_for("Password: ")
        term.type("not it")
        self.assertEqual(term.exit_status(), 1)
        self.assertIn("wrong password", term.seen)
        self.assertNotIn("again", term.seen)
        term = Terminal(["decrypt", path])
        term.wait_for("Password: ")
        term.type(PASSWORD)
        self.assertEqual(term.exit_status(), 0, term.seen)
        self.assertEqual(digest(path), plain)

    def test_password_rules_are_the_windows(self):
        path = self.path("f.txt")
        write_random(path, 300, 2)
        plain = digest(path)
        cases = [("pass😀word", 2, "no Shift-JIS form: \"😀\" (U+1F600)"),
                 ("ａ" * 25 + "b", 2, "51 Shift-JIS bytes"),
                 ("", 2, "empty"),
                 ("pass\0word", 2, "holds a NUL byte"),
                 ("x" * (10 * MIB), 2, "longer than 1024 bytes; a password has at most 50"),
                 ("ｱ" * 50, 0, "")]  # half-width kana: one byte each
        for password, code, message in cases:
            done = run(["encrypt", "--password-fd", "3", path], password)
            self.assertEqual(done.returncode, code, (password, done.stderr))
            self.assertIn(message, done.stderr)
            if code:
                self.assertEqual(digest(path), plain)
        done = run(["decrypt", "--password-fd", "3", path], "ｱ" * 50)
        self.assertEqual((done.returncode, digest(path)), (0, plain), done.stderr)
        # A password file others can read works, with a warning.
        with open(self.path("pw"), "w") as f:
            f.write("ｱ" * 50 + "\n")
        os.chmod(self.path("pw"), 0o644)
        done = run(["encrypt", "--password-file", self.path("pw"), path])
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("other users can read the password file", done.stderr)
        os.chmod(self.path("pw"), 0o600)
        done = run(["decrypt", "--password-file", self.path("pw"), path])
        self.assertEqual((done.returncode, done.stderr), (0, ""))
        # A terminal as the descriptor would echo: refused, with the way out.
        term = Terminal(["encrypt", "--password-fd", "0", path])
        self.assertEqual(term.exit_status(), 2)
        self.assertIn("leave out --password-fd to be asked without echo", term.seen)
        self.assertEqual(digest(path), plain)
        # No terminal to ask on: said, and nothing touched.
        done = subprocess.run([CLI, "encrypt", path], capture_output=True, text=True,
                              env=ENGLISH, start_new_session=True, stdin=subprocess.DEVNULL)
        self.assertEqual(done.returncode, 1)
        self.assertIn("no terminal", done.stderr)
        self.assertEqual(digest(path), plain)


    def test_password_in_the_locales_charset_and_the_run_not_dumpable(self):
        locales = self.path("locales")
        os.mkdir(locales)
        made = subprocess.run(["localedef", "-i", "ja_JP", "-f", "EUC-JP",
                               os.path.join(locales, "ja_JP.eucJP")], capture_output=True)
        if made.returncode > 1:  # 1: made, with warnings
            self.skipTest(f"localedef cannot make ja_JP.eucJP: {made.stderr[-200:]!r}")
        path = self.path("f.txt")
        write_random(path, 300, 3)
        plain = digest(path)
        euc = dict(ENGLISH, LC_ALL="ja_JP.eucJP", LOCPATH=locales)
        done = run(["encrypt", "--password-fd", "3", path], PASSWORD.encode("euc_jp") + b"\n",
                    env=euc)
        self.assertEqual(done.returncode, 0, done.stderr)
        done = run(["decrypt", "--password-fd", "3", path], PASSWORD)  # the same, in UTF-8
        self.assertEqual((done.returncode, digest(path)), (0, plain), done.stderr)

        # While the prompt waits, another process of the same user cannot look
        # inside (so no core dump or debugger takes the password either).
        user = NOBODY if os.geteuid() == 0 else None
        if user is not None:
            os.chown(path, user, user)
        term = Terminal(["encrypt", path], user=user)
        term.wait_for("Password: ")
        peek = subprocess.run(["cat", f"/proc/{term.pid}/environ"], capture_output=True,
                              env=ENGLISH, preexec_fn=as_user(user))
        self.assertNotEqual(peek.returncode, 0, "the process is dumpable")
        self.assertIn(b"Permission denied", peek.stderr)
        os.kill(term.pid, signal.SIGINT)
        self.assertEqual(term.exit_status(), 130, term.seen)
        self.assertEqual(digest(path), plain)


class TestBatch(Scratch):
    def test_a_folder_of_mixed_files_decrypted_in_one_run(self):
        names = ["plain.txt", "enc.bin", "other-password.bin", "damaged.bin"]
        sums = {}
        for seed, name in enumerate(names):
            write_random(self.path(name), 70000 + seed, seed)
            sums[name] = digest(self.path(name))
        write_random(self.path("interrupted.bin"), 6 * MIB, 9)
        sums["interrupted.bin"] = digest(self.path("interrupted.bin"))
        self.assertEqual(run(["encrypt", "-q", "--password-fd", "3", self.path("enc.bin"),
                              self.path("damaged.bin")], PASSWORD).returncode, 0)
        self.assertEqual(run(["encrypt", "--password-fd", "3", self.path("other-password.bin")],
                             "another").returncode, 0)
        os.chmod(self.path("damaged.bin"), 0o644)
        with open(self.path("damaged.bin"), "ab") as f:
            f.write(b"x")
        self.interrupted_by("cli", "encrypt", "interrupted.bin")
        os.mkdir(self.path("folder"))
        targets = [self.path(n) for n in names + ["interrupted.bin", "folder", "missing"]]

        for env, texts in [(ENGLISH, ["the file is not encrypted", "wrong password",
                                      "size differs", "is a directory", "no such file",
                                      "finished the interrupted encryption"]),
                           (dict(ENGLISH, LANGUAGE="ja"),
                            ["暗号化されたファイルではありません", "パスワードが違います",
                             "大きさが暗号化した時と違う", "ディレクトリです",
                             "ファイルが見つかりません"])]:  # the rest are done by now
            done = run(["decrypt", "--password-fd", "3", *targets], PASSWORD, env=env)
            self.assertEqual(done.returncode, 1, done.stderr)
            lines = done.stderr.splitlines()
            for name, text in zip(["plain.txt", "other-password.bin", "damaged.bin", "folder",
                                   "missing", "interrupted.bin"], texts):
                self.assertTrue(any(name in line and text in line for line in lines),
                                (name, text, lines))
            self.assertNotIn("\r", done.stderr)  # no progress where there is no terminal
            self.assertNotIn("%", done.stderr)
        for name in ["enc.bin", "interrupted.bin", "plain.txt"]:
            self.assertEqual(digest(self.path(name)), sums[name], name)
        self.assertEqual(status(self.path("other-password.bin"))[0][0], "encrypted")

    def test_recursion_takes_files_in_order_and_never_follows_links(self):
        """As root over a user's tree and as that user: links in place from the
        start, and links swapped in once the run has listed the tree (the
        moment the first file is pinned), lead nowhere outside it."""
        # Who runs, and who owns the tree; what lies outside is the runner's.
        users = ([("root", None, NOBODY), ("user", NOBODY, NOBODY)] if os.geteuid() == 0
                 else [("user", None, None)])
        for who, uid, owner in users:
            top, outside = self.path(f"{who}/top"), self.path(f"{who}/outside")
            os.makedirs(top + "/sub")
            os.makedirs(top + "/gone")
            os.makedirs(outside + "/dir")
            for name in ["top/b.txt", "top/a.txt", "top/sub/c.txt", "top/gone/g.txt",
                         "top/z_final", "outside/o.txt", "outside/dir/d.txt", "outside/f"]:
                write_random(self.path(f"{who}/{name}"), 1000, name)
            os.symlink(outside, top + "/sub/link-dir")
            os.symlink(outside + "/o.txt", top + "/link-file")
            os.mkfifo(top + "/fifo")
            open(top + "/empty", "w").close()
            if owner is not None:
                os.link(outside + "/f", top + "/root-owned-link")  # unprotected hard links
                for tree, whose in [(top, owner), (outside, uid)]:
                    for root, dirs, files in os.walk(tree):
                        for name in [root] + [os.path.join(root, n) for n in dirs + files]:
                            os.chown(name, whose or 0, whose or 0, follow_symlinks=False)
                os.chown(outside + "/f", 0, 0)
                # A folder anybody may write holds a link to the runner's file.
                os.mkdir(top + "/share")
                os.chmod(top + "/share", 0o1777)
                os.link(outside + "/f", top + "/share/x")
            before = {n: digest(f"{outside}/{n}") for n in ["o.txt", "dir/d.txt", "f"]}
            swap = (f"rm -r {top}/gone {top}/z_final {top}/a.txt && ln -s {outside}/dir "
                    f"{top}/gone && ln -s {outside}/f {top}/z_final && ln -s {outside}/o.txt "
                    f"{top}/a.txt")
            done = run(["--on-first-pin", swap, "cli", "encrypt", "-r", "--password-fd", "3",
                        top], PASSWORD, helper=True, user=uid)
            self.assertEqual(done.returncode, 1, (who, done.stderr))
            said = done.stderr.replace(self.dir + f"/{who}/", "")
            for line in ["top/fifo: skipped: not a regular file",
                         "top/gone: cannot read directory: Not a directory",
                         "top/link-file: skipped: a symbolic link",
                         "top/sub/link-dir: skipped: a symbolic link",
                         "top/z_final: skipped: a symbolic link"]:
                self.assertIn("kryvet-cli: " + line, said, who)
            if owner is not None:
                self.assertIn("top/root-owned-link: skipped: it has other hard links", said)
                self.assertIn("top/share/x: skipped: it has other hard links", said)
            self.assertIn("top/empty: skipped: the file is empty", said)
            self.assertIn(f"3 done, {5 if owner is None else 7} skipped, 1 failed", said)
            self.assertEqual({n: digest(f"{outside}/{n}") for n in before}, before, who)
            listing = run(["status", "-r", top]).stdout.replace(self.dir + f"/{who}/", "")
            self.assertEqual([line.split("\t")[0] + " " + line.split("\t")[3]
                              for line in listing.splitlines()],
                             ["encrypted top/b.txt", "plain top/empty",
                              "encrypted top/sub/c.txt"], who)
            # Run again over the finished tree: nothing left to do is no failure.
            for operation in ["encrypt", "decrypt", "decrypt"]:
                again = run([operation, "-r", "--password-fd", "3", top], PASSWORD, user=uid)
                self.assertEqual(again.returncode, 0, (who, operation, again.stderr))
            self.assertIn("b.txt: skipped: the file is not encrypted", again.stderr)
            self.assertIn(f"0 done, {9 if owner is None else 11} skipped, 0 failed", again.stderr)


class TestStatus(Scratch):
    def test_each_kind_of_file_in_text_and_json(self):
        write_random(self.path("plain"), 1234, 1)
        write_random(self.path("encrypted"), 4321, 2)
        self.assertEqual(run(["cli", "encrypt", "--password-fd", "3", self.path("encrypted")],
                             PASSWORD, helper=True).returncode, 0)
        write_random(self.path("interrupted"), 6 * MIB, 3)
        self.interrupted_by("window", "encrypt", "interrupted")
        write_random(self.path("damaged"), 2000, 4)
        run(["encrypt", "--password-fd", "3", self.path("damaged")], PASSWORD)
        os.truncate(self.path("damaged"), 2100)
        odd = self.path("tab\there")
        write_random(odd, 10, 5)
        names = ["plain", "encrypted", "interrupted", "damaged"]
        text = run(["status", *map(self.path, names), odd])
        self.assertEqual(text.returncode, 0, text.stderr)
        self.assertEqual(text.stdout.splitlines(), [
            f"plain\t1234\t-\t{self.path('plain')}",
            f"encrypted\t4321\t{FIXED_CLOCK}\t{self.path('encrypted')}",
            f"interrupted\t{6 * MIB}\tencrypt:0%\t{self.path('interrupted')}",
            f"damaged\t-\tsize-mismatch\t{self.path('damaged')}",
            f"plain\t10\t-\t{self.dir}/tab\\there"])
        objects = [json.loads(line) for line in
                   run(["status", "--json", *map(self.path, names), odd]).stdout.splitlines()]
        self.assertEqual(objects, [
            {"name": self.path("plain"), "state": "plain", "size": 1234},
            {"name": self.path("encrypted"), "state": "encrypted", "size": 4321,
             "clock": FIXED_CLOCK},
            {"name": self.path("interrupted"), "state": "interrupted", "size": 6 * MIB,
             "operation": "encrypt", "percent_done": 0, "own_records": True},
            {"name": self.path("damaged"), "state": "damaged", "cause": "size-mismatch"},
            {"name": odd, "state": "plain", "size": 10}])
        missing = run(["status", self.path("plain"), self.path("nothing")])
        self.assertEqual(missing.returncode, 1)
        self.assertIn("nothing: no such file", missing.stderr)


    def test_names_are_shown_never_obeyed(self):
        """Controls, reordering marks and bytes of no UTF-8 (overlong, a
        surrogate, above U+10FFFF) come out escaped, each name distinct."""
        cases = [(b"forge\nkryvet-cli: important.db: wrong password",
                  "forge\\nkryvet-cli: important.db: wrong password"),
                 (b"title\x1b]0;owned\x07\x1b[2J", "title\\x1b]0;owned\\x07\\x1b[2J"),
                 (b"\x80", "\\x80"), (b"\xed\xb2\x80", "\\xed\\xb2\\x80"),
                 (b"\xe0\x80\xaf", "\\xe0\\x80\\xaf"), (b"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"),
                 ("rtl\u202etxt.exe".encode(), "rtl\\xe2\\x80\\xaetxt.exe"),
                 ("報告\\書".encode(), "報告\\\\書")]
        folder = self.dir.encode() + b"/"
        for name, _ in cases:
            write_random(folder + name, 10, name)
        paths = [folder + name for name, _ in cases]
        text = run(["status", *paths], raw=True)
        self.assertEqual(text.stdout.decode().splitlines(),
                         [f"plain\t10\t-\t{self.dir}/{shown}" for _, shown in cases])
        objects = [json.loads(line.decode("utf-8", errors="strict"))
                   for line in run(["status", "--json", *paths], raw=True).stdout.splitlines()]
        back = [bytes.fromhex(o["name_bytes"]) if "name_bytes" in o else o["name"].encode()
                for o in objects]
        self.assertEqual(back, paths)
        self.assertEqual(["name_bytes" in o for o in objects],
                         [False, False, True, True, True, True, False, False])
        # Messages quote the same way: one line a name, no order reaches the terminal.
        said = run(["decrypt", "--password-fd", "3", *paths], PASSWORD, raw=True).stderr.decode()
        self.assertEqual(said.splitlines(),
                         [f"kryvet-cli: {self.dir}/{shown}: skipped: the file is not encrypted"
                          for _, shown in cases] + ["kryvet-cli: 0 done, 8 skipped, 0 failed"])


def columns(text):
    return sum(2 if unicodedata.east_asian_width(c) in "WF" else 1 for c in text)


class TestInterruption(Scratch):
    def test_a_signal_finishes_the_file_and_skips_the_rest(self):
        """The rewrite is held at its 12th write while the signals come: each
        is answered at once, and the file is still finished."""
        for sig, code in [(signal.SIGINT, 130), (signal.SIGTERM, 143)]:
            big = self.path(f"二〇二六年度_営業部_月次報告書_最終版-{sig}.pdf")
            small, release = self.path(f"small-{sig}"), self.path(f"release-{sig}")
            write_random(big, 6 * MIB, 7)
            write_random(small, 100, 8)
            plain = digest(big)
            with open(self.path("pw"), "w") as f:
                f.write(PASSWORD + "\n")
            term = Terminal(["--hold-at-write", f"12@{release}", "cli", "encrypt",
                             "--password-file", self.path("pw"), big, small], program=HELPER)
            term.wait_for(r"版-\d+\.pdf \[[#.]{20}\] +\d+% +[\d.]+ MiB/s  1 file left")
            for _ in range(2):  # a second press is answered the same
                os.kill(term.pid, sig)
                term.wait_for("interrupted: the file being rewritten is finished, the rest "
                              "skipped\r?\n")
            open(release, "w").close()
            self.assertEqual(term.exit_status(), code, term.seen)
            self.assertIn(f"small-{sig}: skipped: the run was interrupted", term.seen)
            self.assertIn("1 done, 1 skipped, 0 failed", term.seen)
            drawn = [part.replace("\x1b[K", "") for line in term.seen.split("\n")
                     for part in line.split("\r") if "MiB/s" in part]
            self.assertTrue(drawn and all(columns(part) < 80 for part in drawn), drawn)
            self.assertEqual(status(big, small), [
                ["encrypted", str(6 * MIB), status(big)[0][2], big],
                ["plain", "100", "-", small]])
            self.assertEqual(run(["decrypt", "-q", "--password-file", self.path("pw"), big])
                             .returncode, 0)
            self.assertEqual(digest(big), plain)
            os.remove(big)
        # The notice goes to a pipe whose reader the same Ctrl-C ended: the
        # file is still finished, and the status is the signal's.
        big, release = self.path("piped.bin"), self.path("release-pipe")
        write_random(big, 6 * MIB, 9)
        reader, writer = os.pipe()
        child = subprocess.Popen([HELPER, "--hold-at-write", f"12@{release}", "cli", "encrypt",
                                  "--password-file", self.path("pw"), big],
                                 stdout=subprocess.DEVNULL, stderr=writer, env=ENGLISH)
        os.close(writer)
        deadline = time.time() + PATIENCE
        while os.path.getsize(big) <= 6 * MIB + 128 and time.time() < deadline:
            time.sleep(0.05)  # held once it has grown for its records
        os.close(reader)
        child.send_signal(signal.SIGINT)
        time.sleep(0.2)
        open(release, "w").close()
        self.assertEqual(child.wait(timeout=PATIENCE), 130)
        self.assertEqual(status(big)[0][0], "encrypted")


class TestInterplay(Scratch):
    def test_window_and_command_line_finish_each_others_files(self):
        write_random(self.path("original"), 6 * MIB, 11)
        plain = digest(self.path("original"))
        # The same clock key gives the same bytes from both.
        for name, args in [("by-cli", ["cli", "encrypt", "--password-fd", "3"]),
                           ("by-window", ["press", "encrypt"])]:
            write_random(self.path(name), 6 * MIB, 11)
            extra = [PASSWORD] if args[0] == "press" else []
            self.assertEqual(run(args + [self.path(name)] + extra, PASSWORD, helper=True)
                             .returncode, 0)
        encrypted = digest(self.path("by-cli"))
        self.assertEqual(digest(self.path("by-window")), encrypted)

        # Killed in kryvet-cli, finished by the window, named with either button.
        for button in ["encrypt", "decrypt"]:
            write_random(self.path("k"), 6 * MIB, 11)
            path = self.interrupted_by("cli", "encrypt", "k")
            pressed = run(["press", button, path], helper=True)
            # The decryption pressed for follows, and asks for the password.
            ending = ["Notice:RecoveredEncryption"] + (["AskPassword"] if button == "decrypt"
                                                       else [])
            self.assertEqual(pressed.stdout.splitlines()[-len(ending):], ending, pressed.stdout)
            self.assertEqual(digest(path), encrypted)
            os.remove(path)

        # Killed before it changed anything: the records are dropped, which
        # is said, and the file encrypted as any plain file.
        write_random(self.path("k"), 6 * MIB, 11)
        path = self.interrupted_by("window", "encrypt", "k", writes=3)
        again = run(["cli", "encrypt", "--password-fd", "3", path], PASSWORD, helper=True)
        self.assertEqual((again.returncode, again.stderr),
                         (0, "kryvet-cli: %s: the interrupted encryption had changed nothing "
                             "yet; the file is as it was\n" % path))
        self.assertEqual(digest(path), encrypted)
        os.remove(path)
        write_random(self.path("k"), 6 * MIB, 11)
        path = self.interrupted_by("window", "encrypt", "k", writes=3)
        again = run(["recover", path])
        self.assertEqual((again.returncode, again.stderr),
                         (0, "kryvet-cli: %s: the interrupted encryption had changed nothing "
                             "yet; the file is as it was\n" % path))
        self.assertEqual(os.path.getsize(path), 6 * MIB)

        # Killed in the window, finished by kryvet-cli.
        os.rename(self.path("by-window"), self.path("k"))
        path = self.interrupted_by("window", "decrypt", "k")
        done = run(["recover", path])
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("finished the interrupted decryption", done.stderr)
        self.assertEqual(digest(path), plain)

        # Records copied with the file are another file's: refused unless adopted.
        write_random(self.path("k"), 6 * MIB, 11)
        path = self.interrupted_by("cli", "encrypt", "k")
        subprocess.run(["cp", path, self.path("copy")], check=True)
        refused = run(["recover", self.path("copy")])
        self.assertEqual(refused.returncode, 1)
        self.assertIn("--adopt-records", refused.stderr)
        self.assertEqual(status(self.path("copy"))[0][2], "encrypt:0%:foreign")
        self.assertEqual(run(["recover", "--adopt-records", self.path("copy")]).returncode, 0)
        self.assertEqual(digest(self.path("copy")), encrypted)


class TestUsage(unittest.TestCase):
    def test_usage_errors_help_version_manual_and_completion(self):
        for args in [[], ["frobnicate", "x"], ["encrypt"], ["--bogus", "status", "x"],
                     ["encrypt", "--json", "x"], ["status", "--password-fd", "3", "x"],
                     ["decrypt", "--password-fd", "3", "--password-file", "p", "x"],
                     ["decrypt", "--password-fd", "three", "x"]]:
            done = run(args)
            self.assertEqual(done.returncode, 2, args)
            self.assertIn("--help", done.stderr)
        self.assertIn("Usage: kryvet-cli COMMAND", run(["--help"]).stdout)
        self.assertIn("使い方", run(["-h"], env=dict(ENGLISH, LANGUAGE="ja")).stdout)
        self.assertRegex(run(["--version"]).stdout, r"^kryvet-cli \(Kryvet\) \d+\.\d+\n$")
        for page, heading in [("kryvet.1", "SYNOPSIS"), ("kryvet-cli.1", "SYNOPSIS"),
                              ("ja/kryvet-cli.1", "書式")]:
            shown = subprocess.run(["man", "-l", os.path.join(SOURCE, "man", page)],
                                   capture_output=True, text=True, env=dict(ENGLISH, MANWIDTH="80"))
            self.assertEqual((shown.returncode, shown.stderr), (0, ""), page)
            self.assertIn(heading, shown.stdout)
        completion = os.path.join(SOURCE, "cli", "kryvet-cli.bash-completion")
        # The words as readline hands them over, quotes and backslashes kept.
        with tempfile.TemporaryDirectory() as folder:
            for name in ["my file.txt", "報告 書.pdf", "pw"]:
                open(os.path.join(folder, name), "w").close()
            for words, expected in [("kryvet-cli de", "[decrypt]"),
                                    ("kryvet-cli status --j", "[--json]"),
                                    ("kryvet-cli decrypt --password-f",
                                     "[--password-fd][--password-file]"),
                                    ("kryvet-cli encrypt m", "[my file.txt]"),
                                    ("kryvet-cli encrypt 'my\\ f'", "[my file.txt]"),
                                    ("kryvet-cli encrypt \"'my f\"", "[my file.txt]"),
                                    ("kryvet-cli encrypt 報", "[報告 書.pdf]"),
                                    ("kryvet-cli encrypt --password-file p", "[pw]")]:
                shown = subprocess.run(["bash", "-c", f"source {completion}; COMP_WORDS=({words}); "
                                        "COMP_CWORD=$((${#COMP_WORDS[@]}-1)); _kryvet_cli; "
                                        "printf '[%s]' \"${COMPREPLY[@]}\""],
                                       capture_output=True, text=True, cwd=folder)
                self.assertEqual(shown.stdout, expected, words)


if __name__ == "__main__":
    unittest.main()
