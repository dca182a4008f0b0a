// The real file layer under real trouble: a full disk, a size limit, a
// read-only mount, another process holding the file, and another process
// cutting the file while it is measured or rewritten.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <utility>

#include "engine/journal_record.h"
#include "engine/platform_file_posix.h"
#include "fault_support.h"
#include "support/engine_run.h"
#include "support/temp_dir.h"

using namespace kryvet;

namespace {

const std::string kFaultPassword = "\x88\xc3pw";

// What the engine says of one run with the password (see Said).
std::string RunOperation(bool encrypt, const std::string& path, platform::PlatformFile& files,
                         std::int32_t unitBlocks = 2048) {
    EngineRun run(files, path);
    run.options = {unitBlocks};
    return encrypt ? run.Encrypt(kFaultPassword) : run.Decrypt(kFaultPassword);
}

std::string SystemFailure(int error) {
    return "failed:System(" + std::to_string(error) + ")";
}

// Encrypts `plain` into `path` through the real layer, for the decryption cases.
void MakeEncrypted(const std::string& path, const std::string& plain) {
    WriteFile(path, plain, 0644);
    platform::PosixPlatformFile files;
    ASSERT_EQ(RunOperation(true, path, files), "");
    ASSERT_EQ(ReadFile(path).size(), plain.size() + 128);
}

// A child that opens the file and holds an OFD lock of the given type until
// told to go; the descriptor is its own, as another program's would be.
class LockHolder {
public:
    LockHolder(const std::string& path, short type) {
        int ready[2];
        int go[2];
        if (pipe(ready) != 0 || pipe(go) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            close(ready[0]);
            close(go[1]);  // or the end of file on the pipe would never come
            // A write lock needs a descriptor open for writing; the mode is
            // put back at once, as the test compares it afterwards.
            struct stat st {};
            stat(path.c_str(), &st);
            if (type == F_WRLCK)
                chmod(path.c_str(), st.st_mode | S_IWUSR);
            const int fd = open(path.c_str(), type == F_WRLCK ? O_RDWR : O_RDONLY);
            chmod(path.c_str(), st.st_mode & 07777);
            struct flock lock {};
            lock.l_type = type;
            lock.l_whence = SEEK_SET;
            const char ok = (fd >= 0 && fcntl(fd, F_OFD_SETLK, &lock) == 0) ? 'y' : 'n';
            (void)!write(ready[1], &ok, 1);
            char c;
            (void)!read(go[0], &c, 1);
            _exit(0);
        }
        close(ready[1]);
        close(go[0]);
        go_ = go[1];
        char ok = 'n';
        locked_ = read(ready[0], &ok, 1) == 1 && ok == 'y';
        close(ready[0]);
    }
    ~LockHolder() {
        if (go_ >= 0)
            close(go_);  // end of file on the pipe lets the child go
        if (pid_ > 0)
            waitpid(pid_, nullptr, 0);
    }
    bool locked() const { return locked_; }

private:
    pid_t pid_ = -1;
    int go_ = -1;
    bool locked_ = false;
};

}  // namespace

// A file on a filesystem with no room for the 128 bytes is refused with the
// disk-full notice and left as it was, read-only bit included.
TEST(RealFaults, FullFilesystemIsRefusedWithDiskFullNotice) {
    if (!IsRoot())
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    ScratchMount disk("size=64k,mode=0755");
    if (!disk.ok())
        GTEST_SKIP() << "cannot mount tmpfs: " << disk.error();
    const std::string path = disk.File("plain.txt");
    const std::string plain = Seeded(1, 3000);
    WriteFile(path, plain, 0444);
    // Fill every remaining block.
    {
        const int fd = open(disk.File("filler").c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        const std::string chunk(4096, 'x');
        while (write(fd, chunk.data(), chunk.size()) > 0) {
        }
        while (write(fd, chunk.data(), 1) > 0) {
        }
        close(fd);
    }
    platform::PosixPlatformFile files;
    {
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_LT(files.GetDiskFreeSpace(fd), 128);
        close(fd);
    }
    const int descriptors = OpenDescriptors();
    EXPECT_EQ(RunOperation(true, path, files), "refused:DiskFull");
    EXPECT_TRUE(ReadFile(path) == plain) << "the file changed";
    EXPECT_EQ(ModeOf(path), 0444u);
    EXPECT_LE(OpenDescriptors(), descriptors);
}

// Writes the records' footer of an encryption of the file's `plainSize`
// bytes that stopped before it changed anything, made for this very file.
// The file holds data for its first 9000 bytes at most; the rest is a hole.
void MakeInterruptedBeforeAnyChange(const std::string& path, std::int64_t size) {
    const auto plan = journal::PlanJournal(journal::Operation::Encrypt, size, kBlockSize,
                                           4 * kBlockSize, std::int64_t{1} << 50);
    ASSERT_TRUE(plan);
    WriteFile(path, Seeded(5, static_cast<std::size_t>(std::min<std::int64_t>(size, 9000))), 0600);
    ASSERT_EQ(truncate(path.c_str(), plan->end()), 0);
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    const journal::Footer footer{journal::Operation::Encrypt, size, size + kGrowth, 0600u, *plan,
                                 {st.st_dev, st.st_ino}};
    const journal::Sector sector = journal::EncodeFooter(footer);
    const int fd = open(path.c_str(), O_WRONLY);
    ASSERT_EQ(pwrite(fd, sector.data(), sector.size(), plan->footerAt()), 512);
    close(fd);
}

// Under a file-size limit a rewrite is refused with the disk-space notice
// before a byte changes, and so is the recovery of a file larger than the
// limit. A write past the limit fails with EFBIG instead of killing the
// program: each case runs in a child process that has the limit.
TEST(RealFaults, FileSizeLimitIsRefusedWithDiskFullNotice) {
    enum class Run { Encrypt, Recover, WritePastTheLimit };
    for (const Run run : {Run::Encrypt, Run::Recover, Run::WritePastTheLimit}) {
        SCOPED_TRACE(static_cast<int>(run));
        TempDir dir;
        const std::string path = dir.File("f");
        if (run == Run::Recover) {
            MakeInterruptedBeforeAnyChange(path, 9000);
        } else {
            WriteFile(path, Seeded(2, 5000), 0600);
        }
        const std::string before = ReadFile(path);
        const pid_t child = fork();
        if (child == 0) {
            rlimit limited{};
            getrlimit(RLIMIT_FSIZE, &limited);
            // Past the plain file, short of its growth; short of the whole
            // interrupted file.
            limited.rlim_cur = run == Run::Recover ? 8000 : before.size() + 64;
            setrlimit(RLIMIT_FSIZE, &limited);
            platform::PosixPlatformFile files;
            if (run == Run::WritePastTheLimit) {
                const int fd = open(path.c_str(), O_WRONLY);
                const bool efbig = pwrite(fd, "x", 1, 6000) < 0 && errno == EFBIG;
                _exit(efbig ? 0 : 1);
            }
            const bool refused =
                RunOperation(run == Run::Encrypt, path, files) == "refused:DiskFull";
            _exit(refused && ReadFile(path) == before && ModeOf(path) == 0600u ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0);
    }
}

// A terabyte of holes that claims to be an interrupted rewrite: beyond the
// layout's sizes, refused as damaged records before anything is written or
// allocated.
TEST(RealFaults, AHugeSparseRecordIsRefusedBeforeAnyWrite) {
    TempDir dir;
    const std::string path = dir.File("sparse");
    MakeInterruptedBeforeAnyChange(path, std::int64_t{1} << 40);
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    platform::PosixPlatformFile files;
    for (const bool encrypt : {true, false}) {
        EXPECT_EQ(RunOperation(encrypt, path, files), "failed:RecordDamaged");
    }
    struct stat after {};
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_size, before.st_size);
    EXPECT_EQ(after.st_blocks, before.st_blocks) << "nothing allocated";
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
}

// On a read-only medium the size measurement cannot open the file: the error
// box, nothing changed.
TEST(RealFaults, ReadOnlyMountTakesTheRefusalPath) {
    if (!IsRoot())
        GTEST_SKIP() << "mounting a tmpfs needs root";
    for (bool encrypt : {true, false}) {
        SCOPED_TRACE(encrypt ? "encrypt" : "decrypt");
        ScratchMount disk("size=1m,mode=0755");
        if (!disk.ok())
            GTEST_SKIP() << "cannot mount tmpfs: " << disk.error();
        const std::string path = disk.File("f");
        const std::string plain = Seeded(3, 2000);
        if (encrypt) {
            WriteFile(path, plain, 0644);
        } else {
            MakeEncrypted(path, plain);
        }
        const std::string before = ReadFile(path);
        const mode_t mode = ModeOf(path);
        ASSERT_TRUE(disk.RemountReadOnly());
        platform::PosixPlatformFile files;
        const int descriptors = OpenDescriptors();
        EXPECT_EQ(RunOperation(encrypt, path, files), SystemFailure(EROFS));
        EXPECT_TRUE(ReadFile(path) == before) << "the file changed";
        EXPECT_EQ(ModeOf(path), mode);
        EXPECT_EQ(OpenDescriptors(), descriptors);
    }
}

// Another process holding a lock on the file, whether for reading or for
// writing: it is in use, said before any prompt. Nothing changes.
TEST(RealFaults, FileHeldByAnotherProcess) {
    const struct {
        bool encrypt;
        short lock;
    } cases[] = {
        {true, F_RDLCK},
        {false, F_RDLCK},
        {true, F_WRLCK},
        {false, F_WRLCK},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.encrypt ? "encrypt" : "decrypt")
                                        << (c.lock == F_RDLCK ? " read lock" : " write lock"));
        TempDir dir;
        const std::string path = dir.File("held");
        const std::string plain = Seeded(4, 1500);
        if (c.encrypt) {
            WriteFile(path, plain, 0444);
        } else {
            MakeEncrypted(path, plain);
        }
        const std::string before = ReadFile(path);
        const mode_t mode = ModeOf(path);
        LockHolder holder(path, c.lock);
        ASSERT_TRUE(holder.locked());
        platform::PosixPlatformFile files;
        const int descriptors = OpenDescriptors();
        EXPECT_EQ(RunOperation(c.encrypt, path, files), "failed:InUse");
        EXPECT_TRUE(ReadFile(path) == before) << "the file changed";
        // The measurement error leaves the bit cleared only if it was never
        // put back; the engine puts it back.
        EXPECT_EQ(ModeOf(path), mode);
        EXPECT_EQ(OpenDescriptors(), descriptors);
    }
}

// Another program cuts the file after it was measured, or while it is being
// rewritten (the lock is advisory). A short read is never taken as data: the
// operation stops with an error and never reports success.
TEST(RealFaults, FileCutByAnotherProgram) {
    const struct {
        const char* name;
        bool encrypt;
        bool duringRewrite;
    } cases[] = {
        {"encrypt, cut between measuring and opening", true, false},
        {"decrypt, cut between measuring and opening", false, false},
        {"encrypt, cut during the rewrite", true, true},
        {"decrypt, cut during the rewrite", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string path = dir.File("cut");
        const std::string plain = Seeded(5, 10000);
        if (c.encrypt) {
            WriteFile(path, plain, 0444);
        } else {
            MakeEncrypted(path, plain);
        }
        const std::string before = ReadFile(path);
        const mode_t mode = ModeOf(path);
        const off_t cutTo = 4000;
        HookedPlatform files;
        const auto cut = [&] { ASSERT_EQ(truncate(path.c_str(), cutTo), 0); };
        if (c.duringRewrite) {
            files.afterFirstRead = cut;
        } else {
            files.afterMeasure = cut;
        }
        const int descriptors = OpenDescriptors();
        // Small units, so that the cut lands inside the rewrite.
        // Before the open, nothing was written; during the rewrite, the
        // records stand for the next press.
        EXPECT_EQ(RunOperation(c.encrypt, path, files, 1),
                  c.duringRewrite ? "failed:FileChanged/Resumable" : "failed:FileChanged");
        EXPECT_EQ(ModeOf(path), mode) << "attributes restored";
        EXPECT_EQ(OpenDescriptors(), descriptors);
        if (!c.duringRewrite) {
            // Nothing was written: the file is what the other program left.
            EXPECT_TRUE(ReadFile(path) == before.substr(0, cutTo)) << "the file changed";
        }
    }
}
