// What other programs and users do to a file while it is being prompted for
// or rewritten, on the real file layer: the file checked is the file
// changed, nothing else is ever touched, and whatever fails leaves the file
// as it was.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "engine/file_attributes.h"
#include "engine/journal_record.h"
#include "engine/platform_file_posix.h"
#include "fault_support.h"
#include "support/engine_run.h"
#include "support/temp_dir.h"

using namespace kryvet;

namespace {

const std::string kPinPassword = "pw";

// What the engine says of one run (see Said); with no password when
// `cancel`, as a cancelled prompt leaves it.
std::string Operate(bool encrypt, const std::string& path, std::function<void()> duringPrompt = {},
                    bool cancel = false) {
    platform::PosixPlatformFile files;
    EngineRun run(files, path);
    run.beforeRewrite = std::move(duringPrompt);
    const std::string password = cancel ? std::string() : kPinPassword;
    return encrypt ? run.Encrypt(password) : run.Decrypt(password);
}

void Encrypted(const std::string& path, const std::string& plain, mode_t mode = 0644) {
    WriteFile(path, plain, mode);
    ASSERT_EQ(Operate(true, path), "");
}

}  // namespace

// The name is swapped for a link, or renamed over, or the file grows while
// the password is asked: the run is refused before a byte changes, and
// neither the file first seen nor whatever the name leads to now changes.
TEST(PinnedFile, ChangesDuringThePromptAreRefusedUntouched) {
    enum class Change { LinkSwap, RenameSameSize, RenameOtherSize, Append };
    const struct {
        const char* name;
        Change change;
    } cases[] = {
        {"name swapped for a link to a private file", Change::LinkSwap},
        {"renamed over, same size", Change::RenameSameSize},
        {"renamed over, other size", Change::RenameOtherSize},
        {"a line appended", Change::Append},
    };
    for (const auto& c : cases) {
        for (const bool encrypt : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (encrypt ? ", encrypt" : ", decrypt"));
            TempDir dir;
            const std::string path = dir.File("shared.txt");
            const std::string plain = Seeded(11, 3000);
            if (encrypt) {
                WriteFile(path, plain, 0444);
            } else {
                Encrypted(path, plain);
            }
            const std::string before = ReadFile(path);
            const mode_t mode = ModeOf(path);
            const std::string target = dir.File("private");
            const std::string replacement = c.change == Change::RenameSameSize
                                                ? std::string(before.size(), 'r')
                                                : std::string("other");
            WriteFile(target, replacement, c.change == Change::LinkSwap ? 04755 : 0600);
            const mode_t targetMode = ModeOf(target);
            const auto change = [&] {
                switch (c.change) {
                    case Change::LinkSwap:
                        ASSERT_EQ(rename(path.c_str(), dir.File("moved").c_str()), 0);
                        ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0);
                        break;
                    case Change::RenameSameSize:
                    case Change::RenameOtherSize:
                        ASSERT_EQ(rename(path.c_str(), dir.File("moved").c_str()), 0);
                        ASSERT_EQ(link(target.c_str(), path.c_str()), 0);
                        break;
                    case Change::Append: {
                        chmod(path.c_str(), 0644);
                        const int fd = open(path.c_str(), O_WRONLY | O_APPEND);
                        ASSERT_EQ(write(fd, "line\n", 5), 5);
                        close(fd);
                        chmod(path.c_str(), mode);
                        break;
                    }
                }
            };
            EXPECT_EQ(Operate(encrypt, path, change), "failed:FileChanged");
            EXPECT_EQ(ReadFile(target), replacement) << "the name's new file is untouched";
            EXPECT_EQ(ModeOf(target), targetMode) << "no mode carried to another file";
            if (c.change == Change::Append) {
                EXPECT_TRUE(ReadFile(path) == before + "line\n");
                EXPECT_EQ(ModeOf(path), mode);
            } else {
                EXPECT_TRUE(ReadFile(dir.File("moved")) == before) << "the first file is untouched";
                EXPECT_EQ(ModeOf(dir.File("moved")), mode) << "and its mode is as it was";
            }
        }
    }
}

// A symbolic link named on purpose still works: the file it leads to is the
// one rewritten, and the link stays a link.
TEST(PinnedFile, ALinkNamedOnPurposeLeadsToItsFile) {
    TempDir dir;
    const std::string real = dir.File("real.txt");
    const std::string plain = Seeded(12, 5000);
    WriteFile(real, plain, 0640);
    ASSERT_EQ(symlink(real.c_str(), dir.File("link").c_str()), 0);
    ASSERT_EQ(Operate(true, dir.File("link")), "");
    EXPECT_EQ(ReadFile(real).size(), plain.size() + 128);
    EXPECT_EQ(ModeOf(real), 0440u);
    ASSERT_EQ(Operate(false, dir.File("link")), "");
    EXPECT_TRUE(ReadFile(real) == plain);
    EXPECT_EQ(ModeOf(real), 0640u);
    struct stat st {};
    ASSERT_EQ(lstat(dir.File("link").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}

// Special files are refused as "not found" at the first look, without being
// opened for reading or writing and without a mode change: a writer blocked
// on a FIFO stays blocked, and its data arrives where it was meant to.
TEST(PinnedFile, SpecialFilesAreNeverTouched) {
    TempDir dir;
    const std::string fifo = dir.File("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const pid_t writer = fork();
    if (writer == 0) {
        const int fd = open(fifo.c_str(), O_WRONLY);  // blocks until a reader comes
        const char record[] = "record\n";
        _exit(fd >= 0 && write(fd, record, 7) == 7 ? 0 : 1);
    }
    for (const bool encrypt : {true, false}) {
        EXPECT_EQ(Operate(encrypt, fifo), "refused:NotFound");
        EXPECT_EQ(ModeOf(fifo), 0600u);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(waitpid(writer, nullptr, WNOHANG), 0) << "the writer was released by us";
    const int fd = open(fifo.c_str(), O_RDONLY);
    char buffer[16] = {};
    EXPECT_EQ(read(fd, buffer, sizeof buffer), 7);
    EXPECT_STREQ(buffer, "record\n");
    close(fd);
    int status = 0;
    waitpid(writer, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    // A device, and attribute files of the kernel's own file systems, which
    // look like plain files (as root even writable ones).
    for (const char* special : {"/dev/null", "/sys/kernel/uevent_seqnum", "/proc/self/stat"}) {
        SCOPED_TRACE(special);
        struct stat before {};
        if (stat(special, &before) != 0)
            continue;
        for (const bool encrypt : {true, false}) {
            EXPECT_EQ(Operate(encrypt, special), "refused:NotFound");
        }
        struct stat after {};
        stat(special, &after);
        EXPECT_EQ(after.st_mode, before.st_mode);
    }
}

// A second instance tries the file while the first waits at its prompt: it
// is refused without touching the mode it saw, and the first one's
// encryption ends read-only.
TEST(PinnedFile, TwoInstancesRacing) {
    TempDir dir;
    const std::string path = dir.File("f");
    const std::string plain = Seeded(13, 4000);
    WriteFile(path, plain, 0644);
    EXPECT_EQ(Operate(true, path,
                      [&] {
                          EXPECT_EQ(Operate(true, path), "failed:InUse");
                          EXPECT_EQ(ModeOf(path), 0644u);
                      }),
              "");
    EXPECT_EQ(ModeOf(path), 0444u) << "no stale mode put back";
    EXPECT_EQ(ReadFile(path).size(), plain.size() + 128);
    ASSERT_EQ(Operate(false, path), "");
    EXPECT_TRUE(ReadFile(path) == plain);
}

// The whole mode comes back after a round trip, where the file system keeps
// it beside the file; an ACL is left as it was.
TEST(PinnedFile, TheWholeModeSurvivesARoundTrip) {
    for (const mode_t mode : {0600, 0644, 0664, 0666, 0775, 0444, 02775}) {
        SCOPED_TRACE(testing::Message() << std::oct << mode);
        TempDir dir;
        const std::string path = dir.File("f");
        const std::string plain = Seeded(mode, 3000);
        WriteFile(path, plain, mode);
        // Nothing changes before the password: a kill at the prompt leaves
        // the mode as it was.
        ASSERT_EQ(Operate(true, path, [&] { EXPECT_EQ(ModeOf(path), mode); }), "");
        EXPECT_EQ(ModeOf(path), mode & ~0222u);
        ASSERT_EQ(Operate(false, path, [&] { EXPECT_EQ(ModeOf(path), mode & ~0222u); }), "");
        EXPECT_TRUE(ReadFile(path) == plain);
        EXPECT_EQ(ModeOf(path), mode);
    }
    // The kept word is bound to the file: a copy that carries it gets no
    // write bit but the owner's back, and a word crafted with the right
    // ties gets the write bits only, never setuid, setgid or execute.
    for (const bool copy : {true, false}) {
        SCOPED_TRACE(copy ? "a copy" : "a crafted word");
        TempDir dir;
        const std::string path = dir.File("f");
        WriteFile(path, Seeded(7, 3000), 0664);
        ASSERT_EQ(Operate(true, path), "");
        HeaderImage image{};
        const std::string encrypted = ReadFile(path);
        std::copy_n(encrypted.begin(), kHeaderSize, image.begin());
        struct stat st {};
        stat(path.c_str(), &st);
        const std::string word = KeptModeValue(06777, ParseHeader(image), {st.st_dev, st.st_ino});
        chmod(path.c_str(), 0664);
        if (setxattr(path.c_str(), "user.kryvet.mode", word.data(), word.size(), 0) != 0)
            GTEST_SKIP() << "no user extended attributes here";
        chmod(path.c_str(), 0444);
        std::string target = path;
        if (copy) {
            target = dir.File("copy");
            ASSERT_EQ(std::system(("cp --preserve=mode,xattr " + path + " " + target).c_str()), 0);
        }
        ASSERT_EQ(Operate(false, target), "");
        EXPECT_EQ(ModeOf(target), copy ? 0644u : 0666u);
    }
    if (std::system("command -v setfacl >/dev/null && command -v getfacl >/dev/null") != 0) {
        GTEST_SKIP() << "setfacl is not installed";
    }
    TempDir dir;
    const std::string path = dir.File("acl");
    WriteFile(path, Seeded(1, 2000), 0640);
    ASSERT_EQ(std::system(("setfacl -m u:nobody:rw " + path).c_str()), 0);
    const std::string dump = "getfacl -cp " + path + " > " + dir.File("acl.");
    ASSERT_EQ(std::system((dump + "before").c_str()), 0);
    ASSERT_EQ(Operate(true, path), "");
    ASSERT_EQ(Operate(false, path), "");
    ASSERT_EQ(std::system((dump + "after").c_str()), 0);
    EXPECT_EQ(ReadFile(dir.File("acl.after")), ReadFile(dir.File("acl.before")));
}

// A full path far longer than 127 bytes encrypts and decrypts; a name the
// system cannot take is said so in the error box, never passed over.
TEST(PinnedFile, LongPaths) {
    TempDir dir;
    std::string folder = dir.path();
    while (folder.size() < 300) {
        folder += "/" + std::string(60, 'd');
        mkdir(folder.c_str(), 0755);
    }
    const std::string path = folder + "/報告書.txt";
    const std::string plain = Seeded(14, 1000);
    WriteFile(path, plain, 0644);
    ASSERT_GT(path.size(), 300u);
    EXPECT_EQ(Operate(true, path), "");
    EXPECT_EQ(Operate(false, path), "");
    EXPECT_TRUE(ReadFile(path) == plain);

    EXPECT_EQ(Operate(true, folder + "/" + std::string(300, 'n')),
              "failed:System(" + std::to_string(ENAMETOOLONG) + ")");
}

// A cancelled prompt changes nothing: no mode change at all (so an owner
// outside the file's group keeps its setgid bit) and no allocation left.
TEST(PinnedFile, CancelLeavesNothingBehind) {
    TempDir dir;
    const std::string path = dir.File("f");
    WriteFile(path, Seeded(15, 100000), 0644);
    struct stat before {};
    stat(path.c_str(), &before);
    EXPECT_EQ(Operate(true, path, {}, true), "prepared");
    struct stat after {};
    stat(path.c_str(), &after);
    EXPECT_EQ(after.st_blocks, before.st_blocks) << "nothing was allocated";
    EXPECT_EQ(after.st_ctim.tv_sec, before.st_ctim.tv_sec);
    EXPECT_EQ(after.st_ctim.tv_nsec, before.st_ctim.tv_nsec) << "no change of any kind was made";

    if (!IsRoot())
        GTEST_SKIP() << "the setgid case needs another user";
    // Owned by nobody, group root, which nobody is not in: a chmod by nobody
    // would drop the setgid bit.
    const std::string sgid = dir.File("sgid");
    WriteFile(sgid, Seeded(16, 2000), 0644);
    chmod(dir.path().c_str(), 0777);
    ASSERT_EQ(chown(sgid.c_str(), 65534, 0), 0);
    ASSERT_EQ(chmod(sgid.c_str(), 02664), 0);
    const pid_t child = fork();
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
            _exit(3);
        _exit(Operate(true, sgid, {}, true) == "prepared" ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ModeOf(sgid), 02664u);
}

// Another program appends while the file is rewritten (the lock is only
// advisory), during the move or during the last flush: the rewrite notices
// before its records go and stops with them standing and the bytes added
// kept behind them. The next press says so and touches nothing; once they
// are taken off, it finishes the file.
TEST(PinnedFile, AppendDuringTheRewriteIsKept) {
    for (const auto& [encrypt, atTheEnd] : {std::pair{true, false}, std::pair{false, false},
                                            std::pair{true, true}, std::pair{false, true}}) {
        SCOPED_TRACE(testing::Message() << (encrypt ? "encrypt" : "decrypt")
                                        << (atTheEnd ? " at the last flush" : " while moving"));
        TempDir dir;
        const std::string path = dir.File("f");
        const std::string plain = Seeded(17, 20000);
        if (encrypt) {
            WriteFile(path, plain, 0644);
        } else {
            Encrypted(path, plain);
        }
        const std::string line(300, 'L');
        HookedPlatform files;
        (atTheEnd ? files.afterFullFlush : files.afterFirstRead) = [&] {
            const int fd = open(path.c_str(), O_WRONLY | O_APPEND);
            ASSERT_GE(fd, 0);
            ASSERT_EQ(write(fd, line.data(), line.size()), 300);
            close(fd);
        };
        const auto press = [&](bool encryptButton,
                               std::optional<journal::Operation>* finished = nullptr) {
            EngineRun run(files, path);
            run.options = {1};
            const std::string said =
                encryptButton ? run.Encrypt(kPinPassword) : run.Decrypt(kPinPassword);
            if (finished != nullptr)
                *finished = run.finishedInterrupted;
            return said;
        };
        EXPECT_EQ(press(encrypt), "failed:FileChanged/Resumable");
        const std::string stopped = ReadFile(path);
        ASSERT_GT(stopped.size(), line.size());
        EXPECT_EQ(stopped.substr(stopped.size() - line.size()), line) << "the bytes added are kept";
        for (const bool encryptButton : {true, false}) {
            EXPECT_EQ(press(encryptButton), "failed:RecordInside");
            EXPECT_TRUE(ReadFile(path) == stopped) << "untouched";
        }
        ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(stopped.size() - line.size())), 0);
        // The same button: the finishing is all that runs.
        std::optional<journal::Operation> finished;
        EXPECT_EQ(press(encrypt, &finished), "");
        EXPECT_EQ(finished, encrypt ? journal::Operation::Encrypt : journal::Operation::Decrypt);
        if (encrypt) {
            EXPECT_EQ(press(false), "");
        }
        EXPECT_TRUE(ReadFile(path) == plain);
    }
}

// A sparse file whose holes the disk cannot hold is refused before any
// change, instead of running out of space halfway.
TEST(PinnedFile, SparseFileOnASmallDisk) {
    if (!IsRoot())
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    ScratchMount disk("size=8m,mode=0755");
    if (!disk.ok())
        GTEST_SKIP() << "cannot mount tmpfs: " << disk.error();
    const std::string path = disk.File("sparse");
    WriteFile(path, "head", 0644);
    ASSERT_EQ(truncate(path.c_str(), 16 << 20), 0);
    struct stat before {};
    stat(path.c_str(), &before);
    EXPECT_EQ(Operate(true, path), "refused:DiskFull");
    struct stat after {};
    stat(path.c_str(), &after);
    EXPECT_EQ(after.st_size, 16 << 20);
    EXPECT_LE(after.st_blocks, before.st_blocks + 8) << "no allocation outlives the refusal";
    std::string head(4, '\0');
    const int fd = open(path.c_str(), O_RDONLY);
    ASSERT_EQ(read(fd, head.data(), 4), 4);
    close(fd);
    EXPECT_EQ(head, "head");
}

// Someone who may write the file but does not own it cannot make it
// read-only: the rewrite is done, and the error box says the mode is not.
TEST(PinnedFile, AFailedFinalModeChangeIsReported) {
    if (!IsRoot())
        GTEST_SKIP() << "needs another user";
    TempDir dir;
    chmod(dir.path().c_str(), 0777);
    const std::string path = dir.File("shared");
    const std::string plain = Seeded(18, 3000);
    WriteFile(path, plain, 0666);
    const pid_t child = fork();
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
            _exit(3);
        _exit(Operate(true, path) == "failed:System(" + std::to_string(EPERM) + ")/Completed" ? 0
                                                                                              : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadFile(path).size(), plain.size() + 128) << "the rewrite itself is done";
    EXPECT_EQ(ModeOf(path), 0666u);
}

// Looking at a file is reading it: another user's file that may only be
// read, a file on a read-only disk, a program that is running, and a file
// another run holds, each told for what it is and left as it was.
TEST(PinnedFile, LookingIsReading) {
    if (!IsRoot())
        GTEST_SKIP() << "another user's file and a mount need root";
    ScratchMount disk("size=8m,mode=0755");
    if (!disk.ok())
        GTEST_SKIP() << "cannot mount tmpfs: " << disk.error();
    const std::string plain = Seeded(21, 5000);
    const std::string others = disk.File("others");
    Encrypted(others, plain);
    ASSERT_EQ(chmod(others.c_str(), 0644), 0);  // writable by its owner, root
    const std::string program = disk.File("program");
    WriteFile(program, ReadFile("/bin/sleep"), 0755);
    const std::string held = disk.File("held");
    Encrypted(held, plain);
    const auto look = [](const std::string& path) -> std::string {
        platform::PosixPlatformFile files;
        const Preparation looked = LookAt(files, path);
        if (const auto* failure = std::get_if<Failure>(&looked))
            return "failed: " + std::to_string(failure->error);
        return std::holds_alternative<PinnedFile>(looked) ? "encrypted" : "refused";
    };
    // Run as nobody in a child, who may read but not write root's file.
    const auto lookAsNobody = [&](const std::string& path) {
        const pid_t child = fork();
        if (child == 0) {
            if (setgid(65534) != 0 || setuid(65534) != 0)
                _exit(3);
            _exit(look(path) == "encrypted" ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    const pid_t running = fork();
    if (running == 0) {
        execl(program.c_str(), program.c_str(), "30", static_cast<char*>(nullptr));
        _exit(127);
    }
    // Another run holds the file while it is looked at.
    platform::PosixPlatformFile holder;
    Preparation holding = PrepareDecryption(holder, held);
    ASSERT_TRUE(std::holds_alternative<PinnedFile>(holding));
    const std::string before = ReadFile(others);
    // Until the program runs, opening it for writing works.
    for (int i = 0; i < 500; ++i) {
        const int fd = open(program.c_str(), O_RDWR);
        if (fd < 0 && errno == ETXTBSY)
            break;
        if (fd >= 0)
            close(fd);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(lookAsNobody(others), 0) << "another user's file that may only be read";
    EXPECT_EQ(look(program), "refused") << "a running program is a plain file";
    EXPECT_EQ(look(held), "encrypted") << "a file another run holds";
    ASSERT_TRUE(disk.RemountReadOnly());
    EXPECT_EQ(look(others), "encrypted") << "a read-only disk";
    EXPECT_TRUE(ReadFile(others) == before);
    kill(running, SIGKILL);
    waitpid(running, nullptr, 0);
}
