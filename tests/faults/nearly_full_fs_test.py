#!/usr/bin/env python3
"""kryvet-cli on real file systems that are nearly full: ext4, XFS and Btrfs
images on loop devices, with a few KiB to a MiB free. Btrfs needs new room to
overwrite what it holds, so a rewrite may run out of space midway, where the
reservation cannot help. Whatever happens, the file must be exactly as it was,
or exactly encrypted, or finishable: once room is made, the next run finishes
it, and decryption gives the original bytes back. Nothing may stay beside the
file but the kept mode of an encrypted one. Skipped (77) without root, loop
devices or the mkfs tools."""
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile

CLI = os.environ["KRYVET_CLI"]
PASSWORD = b"full-disk\n"
MIB = 1 << 20
SKIP = 77
SYSTEMS = {"ext4": ["mkfs.ext4", "-q"], "xfs": ["mkfs.xfs", "-q"], "btrfs": ["mkfs.btrfs", "-q"]}


def cli(*args):
    read_end, write_end = os.pipe()
    os.write(write_end, PASSWORD)
    os.close(write_end)
    done = subprocess.run([CLI, *args[:1], "--password-fd", str(read_end), *args[1:]]
                          if args[0] in ("encrypt", "decrypt") else [CLI, *args],
                          pass_fds=(read_end,), capture_output=True, text=True, timeout=300,
                          env=dict(os.environ, LC_ALL="C.UTF-8", LANGUAGE=""))
    os.close(read_end)
    return done


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def words(path):
    return sorted(n for n in os.listxattr(path) if n.startswith("user.kryvet."))


def available(folder):
    st = os.statvfs(folder)
    return st.f_bavail * st.f_frsize


def fill(folder, leave):
    """Fills the file system but for about `leave` bytes, allocating rather
    than writing, so that it is quick."""
    fd = os.open(os.path.join(folder, "filler"), os.O_WRONLY | os.O_CREAT, 0o644)
    try:
        size = 0
        for _ in range(64):
            step = (available(folder) - leave) // 2
            if step < 4096:
                break
            try:
                os.posix_fallocate(fd, 0, size + step)
                size += step
            except OSError:
                leave += step
    finally:
        os.close(fd)


def main():
    if os.geteuid() != 0 or not os.path.exists("/dev/loop-control"):
        print("skipped: loop devices need root")
        return SKIP
    missing = [tool[0] for tool in SYSTEMS.values() if shutil.which(tool[0]) is None]
    if missing:
        print("skipped: no " + ", ".join(missing))
        return SKIP
    failures = []
    outcomes = {}
    with tempfile.TemporaryDirectory(dir="/var/tmp") as scratch:
        original = os.path.join(scratch, "original")
        with open(original, "wb") as f:
            f.write(os.urandom(20 * MIB))
        want = digest(original)
        for system, mkfs in SYSTEMS.items():
            image = os.path.join(scratch, system + ".img")
            mount = os.path.join(scratch, system)
            os.mkdir(mount)
            with open(image, "wb") as f:
                f.truncate(320 * MIB)  # the least XFS makes
            subprocess.run(mkfs + [image], check=True, capture_output=True)
            if subprocess.run(["mount", "-o", "loop", image, mount],
                              capture_output=True).returncode != 0:
                print("skipped: cannot mount a loop device")
                return SKIP
            try:
                for leave in (4096, 64 << 10, 1 * MIB):
                    for operation in ("encrypt", "decrypt"):
                        case = "%s, %d KiB free, %s" % (system, leave >> 10, operation)
                        path = os.path.join(mount, "f")
                        shutil.copyfile(original, path)
                        if operation == "decrypt" and cli("encrypt", path).returncode != 0:
                            failures.append(case + ": could not encrypt with room")
                            continue
                        before = digest(path)
                        fill(mount, leave)
                        ran = cli(operation, path)
                        outcome = "done" if ran.returncode == 0 else ran.stderr.strip()
                        outcomes[case] = outcome.replace(path, "f")
                        os.remove(os.path.join(mount, "filler"))
                        os.sync()  # Btrfs shows the room freed once it commits
                        now = digest(path)
                        if ran.returncode != 0 and now != before:
                            # Not as it was: the records stand, and are finished.
                            finished = cli("recover", path)
                            if finished.returncode != 0:
                                failures.append(case + ": not finishable: " + outcome + " / " +
                                                finished.stderr.strip())
                        if operation == "encrypt" and digest(path) != want:
                            cli("decrypt", path)
                        elif operation == "decrypt" and digest(path) != want and \
                                cli("decrypt", path).returncode != 0:
                            failures.append(case + ": the encrypted file does not decrypt")
                        if digest(path) != want:
                            failures.append(case + ": the bytes are lost: " + outcome)
                        if words(path):
                            failures.append(case + ": left beside the file: %s" % words(path))
                        os.remove(path)
            finally:
                subprocess.run(["umount", mount], check=False)
    for case, outcome in outcomes.items():
        print("%s: %s" % (case, outcome))
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
