#!/usr/bin/env python3
"""kryvet-cli.exe under Wine, against the Linux build: files pass between
the two either way, and with the same password and clock the two encrypt a
file to the same bytes; the attribute word around a round trip; a second
run refused while the first holds the file; a killed rewrite finished by
the next run; the messages' language and the exit statuses; the walk
through a folder. Run by run_under_wine.sh, as an ordinary user."""
import hashlib
import os
import signal
import subprocess
import tempfile
import time
import unittest

FOLDER = os.path.dirname(os.path.abspath(__file__))
WINE = "/usr/lib/wine/wine64"
EXE = os.path.join(FOLDER, "kryvet-cli.exe")
HELPER = os.path.join(FOLDER, "kryvet_cli_helper.exe")
LINUX_CLI = os.path.join(FOLDER, "linux", "kryvet-cli")
LINUX_HELPER = os.path.join(FOLDER, "linux", "cli_window_helper")
PASSWORD = "秘密pass"
PATIENCE = 120  # seconds; generous for a busy machine
MIB = 1 << 20
ENGLISH = dict(os.environ, LC_ALL="C.UTF-8", LANGUAGE="")
JAPANESE = dict(os.environ, LC_ALL="ja_JP.UTF-8", LANGUAGE="ja")


def write_random(path, size, seed):
    block = hashlib.sha256(str(seed).encode()).digest() * (MIB // 32)
    with open(path, "wb") as f:
        for offset in range(0, size, MIB):
            f.write(block[: min(MIB, size - offset)])


def read(path):
    with open(path, "rb") as f:
        return f.read()


def windows(args, env=ENGLISH, helper=False, **kwargs):
    return subprocess.run([WINE, HELPER if helper else EXE] + args, capture_output=True,
                          text=True, env=env, timeout=PATIENCE, stdin=subprocess.DEVNULL,
                          **kwargs)


def linux(args, helper=False):
    program = [LINUX_HELPER, "cli"] if helper else [LINUX_CLI]
    return subprocess.run(program + args, capture_output=True, text=True, env=ENGLISH,
                          timeout=PATIENCE, stdin=subprocess.DEVNULL)


def attributes(path):
    """The letters Wine's attrib shows for the file: R, H, S, A."""
    shown = subprocess.run([WINE, "cmd", "/c", "attrib", path], capture_output=True, text=True,
                           timeout=PATIENCE).stdout
    return set(shown.split("Z:")[0].replace(" ", "")) if shown.strip() else None


def attrib(path, *changes):
    subprocess.run([WINE, "cmd", "/c", "attrib", *changes, path], check=True,
                   capture_output=True, timeout=PATIENCE)


class WindowsCommandLine(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory(dir=FOLDER)
        self.addCleanup(self.dir.cleanup)
        os.chdir(self.dir.name)  # Wine reaches it as Z:, by a relative name
        with open("pw", "w", encoding="utf-8") as f:
            f.write(PASSWORD + "\n")
        os.chmod("pw", 0o600)

    def test_files_pass_between_the_builds_either_way(self):
        encrypt_with = {"exe": lambda n: windows(["encrypt", "--password-file", "pw", n]),
                        "linux": lambda n: linux(["encrypt", "--password-file", "pw", n])}
        decrypt_with = {"exe": lambda n: windows(["decrypt", "--password-file", "pw", n]),
                        "linux": lambda n: linux(["decrypt", "--password-file", "pw", n])}
        for encrypter, decrypter, size in [("exe", "linux", 3 * MIB + 5), ("linux", "exe", 700)]:
            with self.subTest(encrypter=encrypter):
                name = "書類 %s.bin" % encrypter
                write_random(name, size, size)
                plain = read(name)
                self.assertEqual(encrypt_with[encrypter](name).returncode, 0)
                self.assertEqual(len(read(name)), size + 128)
                self.assertFalse(os.stat(name).st_mode & 0o222, "read-only once encrypted")
                other = (linux if decrypter == "linux" else windows)(["status", name])
                self.assertEqual(other.stdout.split("\t")[:2], ["encrypted", str(size)])
                done = decrypt_with[decrypter](name)
                self.assertEqual(done.returncode, 0, done.stderr)
                self.assertEqual(read(name), plain)
                self.assertTrue(os.stat(name).st_mode & 0o200)

    def test_the_same_password_and_clock_give_the_same_bytes(self):
        write_random("a", 2 * MIB + 3, 7)
        write_random("b", 2 * MIB + 3, 7)
        self.assertEqual(windows(["encrypt", "--password-file", "pw", "a"], helper=True)
                         .returncode, 0)
        self.assertEqual(linux(["encrypt", "--password-file", "pw", "b"], helper=True)
                         .returncode, 0)
        a, b = read("a"), read("b")
        # All but the attribute word, which each build reads from its own
        # system: Wine gives every file the archive bit, Linux says normal.
        self.assertEqual(a[:68] + a[70:], b[:68] + b[70:])
        self.assertEqual((a[68:70], b[68:70]), (b"\x20\x00", b"\x80\x00"))
        self.assertEqual(linux(["decrypt", "--password-file", "pw", "a"]).returncode, 0)
        self.assertEqual(windows(["decrypt", "--password-file", "pw", "b"]).returncode, 0)
        self.assertEqual(read("a"), read("b"))

    def test_attribute_word_before_and_after(self):
        for given, decrypter in [({"H"}, windows), ({"H", "S"}, linux), (set(), windows)]:
            with self.subTest(given=given, decrypter=decrypter.__name__):
                name = "f" + "".join(sorted(given)) + decrypter.__name__
                write_random(name, 5000, 1)
                for letter in given:  # one at a time: Wine's attrib takes one
                    attrib(name, "+" + letter.lower())
                self.assertEqual(attributes(name), given | {"A"})
                self.assertEqual(windows(["encrypt", "--password-file", "pw", name])
                                 .returncode, 0)
                self.assertEqual(attributes(name), given | {"A", "R"})
                self.assertEqual(decrypter(["decrypt", "--password-file", "pw", name])
                                 .returncode, 0)
                self.assertEqual(attributes(name), given | {"A"})

    def test_a_second_run_is_refused_while_the_first_holds_the_file(self):
        write_random("held", 4 * MIB, 3)
        plain = read("held")
        first = subprocess.Popen([WINE, HELPER, "--hold-at-write", "3@release", "encrypt",
                                  "--password-file", "pw", "held"], env=ENGLISH,
                                 stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE, text=True)
        deadline = time.monotonic() + PATIENCE
        while os.path.getsize("held") == len(plain) and time.monotonic() < deadline:
            time.sleep(0.05)  # the records are appended before the first region
        self.assertGreater(os.path.getsize("held"), len(plain))
        second = windows(["encrypt", "--password-file", "pw", "held"])
        self.assertEqual(second.returncode, 1)
        self.assertIn("held: another Kryvet is working on the file", second.stderr)
        open("release", "w").close()
        out, err = first.communicate(timeout=PATIENCE)
        self.assertEqual(first.returncode, 0, err)
        self.assertEqual(linux(["decrypt", "--password-file", "pw", "held"]).returncode, 0)
        self.assertEqual(read("held"), plain)

    def test_a_killed_rewrite_is_finished_by_the_next_run(self):
        # Killed once the records stand, later at each attempt, until a kill
        # comes after the first region was touched; a kill before that is
        # put back, which the next run says too.
        said = set()
        for attempt in range(8):
            name = "big%d" % attempt
            write_random(name, 96 * MIB, attempt)
            plain = read(name)
            running = subprocess.Popen([WINE, EXE, "encrypt", "--password-file", "pw", name],
                                       env=ENGLISH, stdin=subprocess.DEVNULL,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            deadline = time.monotonic() + PATIENCE
            while (os.path.getsize(name) == len(plain) and running.poll() is None
                   and time.monotonic() < deadline):
                time.sleep(0.002)
            time.sleep(0.05 * attempt)
            running.send_signal(signal.SIGKILL)  # the Windows process itself
            running.wait(timeout=PATIENCE)
            if running.returncode == 0:
                continue  # it ended before the kill
            again = windows(["encrypt", "--password-file", "pw", name])
            self.assertEqual(again.returncode, 0, again.stderr)
            finished = name + ": finished the interrupted encryption"
            put_back = name + ": the interrupted encryption had changed nothing yet"
            self.assertTrue(finished in again.stderr or put_back in again.stderr, again.stderr)
            said.add(finished in again.stderr)
            self.assertEqual(len(read(name)), len(plain) + 128)
            self.assertEqual(windows(["decrypt", "--password-file", "pw", name]).returncode, 0)
            self.assertEqual(read(name), plain)
            os.unlink(name)
            if True in said:
                return
        self.fail("no kill came in the middle of the rewrite")

    def test_messages_in_the_ui_language_and_exit_statuses(self):
        write_random("plain", 100, 2)
        cases = [(["decrypt", "--password-file", "pw", "plain"], ENGLISH, 0,
                  "plain: skipped: the file is not encrypted"),
                 (["decrypt", "--password-file", "pw", "plain"], JAPANESE, 0,
                  "plain: スキップ: 暗号化されたファイルではありません"),
                 (["encrypt", "--password-file", "pw", "missing"], ENGLISH, 1,
                  "missing: no such file"),
                 (["frobnicate"], JAPANESE, 2, "不明なコマンド \"frobnicate\""),
                 (["status", "."], ENGLISH, 1, "is a directory (give -r to go through it)")]
        for args, env, status, said in cases:
            with self.subTest(args=args, japanese=env is JAPANESE):
                done = windows(args, env=env)
                self.assertEqual(done.returncode, status, done.stderr)
                self.assertIn(said, done.stderr)

    def test_a_folder_walked_in_order_without_following_folder_links(self):
        os.makedirs("tree/sub/deeper")
        for name in ["tree/b", "tree/a", "tree/sub/c", "tree/sub/deeper/日本"]:
            write_random(name, 1000, len(name))
        os.symlink("sub", "tree/z-link")
        done = windows(["encrypt", "-r", "--password-file", "pw", "tree"])
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("tree/z-link: skipped: a symbolic link", done.stderr)
        listed = windows(["status", "-r", "tree"]).stdout.splitlines()
        self.assertEqual([line.split("\t")[3] for line in listed],
                         ["tree/a", "tree/b", "tree/sub/c", "tree/sub/deeper/日本"])
        self.assertTrue(all(line.startswith("encrypted\t1000\t") for line in listed))


if __name__ == "__main__":
    unittest.main(verbosity=2)
