#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "engine/file_attributes.h"
#include "engine/platform_file_posix.h"
#include "support/temp_dir.h"

using namespace kryvet;
using namespace kryvet::platform;

namespace {

// Pinned, then opened through the pin, as the operations do; -1 on failure.
Handle Open(PosixPlatformFile& files, const std::string& path) {
    const Handle pin = files.Pin(path);
    if (pin < 0) {
        return -1;
    }
    const Handle h = files.OpenPinned(pin, PlatformFile::Access::ReadWrite);
    const int error = files.LastError();
    files._lclose(pin);
    if (h < 0) {
        errno = error;
    }
    return h;
}

}  // namespace

TEST(PosixPlatform, ZeroCountWriteSetsTheEndOfTheFile) {
    TempDir dir;
    PosixPlatformFile files;
    const std::string path = dir.File("f");
    WriteFile(path, std::string(100, 'a'));
    const Handle h = Open(files, path);
    ASSERT_GE(h, 0);
    EXPECT_EQ(files._llseek(h, 10, kFileBegin), 10);
    EXPECT_EQ(files._lwrite(h, nullptr, 0), 0);
    EXPECT_EQ(ReadFile(path).size(), 10u);
    EXPECT_EQ(files._llseek(h, 200, kFileBegin), 200);
    EXPECT_EQ(files._lwrite(h, nullptr, 0), 0);
    EXPECT_EQ(ReadFile(path), std::string(10, 'a') + std::string(190, '\0'));
    files._lclose(h);
}

TEST(PosixPlatform, ReadsAndWritesAdvanceThePosition) {
    TempDir dir;
    PosixPlatformFile files;
    const std::string path = dir.File("f");
    WriteFile(path, "0123456789");
    const Handle h = Open(files, path);
    char buffer[8] = {};
    EXPECT_EQ(files._lread(h, buffer, 4), 4);
    EXPECT_EQ(files._lwrite(h, "xy", 2), 2);
    EXPECT_EQ(files._lread(h, buffer, 8), 4);  // short at the end
    EXPECT_EQ(files._lread(h, buffer, 8), 0);
    EXPECT_EQ(files._llseek(h, -3, kFileCurrent), 7);
    files._lclose(h);
    EXPECT_EQ(ReadFile(path), "0123xy6789");
}

TEST(PosixPlatform, PinAndOpenRefusals) {
    TempDir dir;
    PosixPlatformFile files;
    const std::string path = dir.File("f");
    WriteFile(path, "data");
    const Handle first = Open(files, path);
    ASSERT_GE(first, 0);
    // A second open for a rewrite fails, in this process and in another one.
    EXPECT_EQ(Open(files, path), -1);
    EXPECT_EQ(files.LastError(), EBUSY);
    const pid_t child = fork();
    if (child == 0) {
        PosixPlatformFile childFiles;
        _exit(Open(childFiles, path) == -1 && childFiles.LastError() == EBUSY ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    files._lclose(first);
    const Handle again = Open(files, path);
    EXPECT_GE(again, 0);
    files._lclose(again);

    // A full path far beyond 127 bytes is fine; only the system's own limits count.
    const std::string deep = dir.File(std::string(200, 'd'));
    mkdir(deep.c_str(), 0755);
    const std::string longPath = deep + "/" + std::string(100, 'n');
    WriteFile(longPath, "x");
    ASSERT_GT(longPath.size(), 300u);
    const Handle longOne = Open(files, longPath);
    EXPECT_GE(longOne, 0);
    files._lclose(longOne);

    WriteFile(dir.File("ro"), "x", 0444);
    mkdir(dir.File("d").c_str(), 0755);
    const struct {
        std::string name;
        int error;
    } refused[] = {
        {dir.File("ro"), EACCES},
        {dir.File("missing"), ENOENT},
        {dir.File("d"), EISDIR},
        {dir.File(std::string(300, 'n')), ENAMETOOLONG},  // one name over the system's 255
    };
    for (const auto& r : refused) {
        EXPECT_EQ(Open(files, r.name), -1) << r.name;
        EXPECT_EQ(files.LastError(), r.error) << r.name;
    }
}

// The pin leads to the file it was made on, whatever the name leads to
// later; changes through it never reach another file.
TEST(PosixPlatform, ThePinStaysWithItsFile) {
    TempDir dir;
    PosixPlatformFile files;
    const std::string path = dir.File("f");
    WriteFile(path, "first", 0444);
    const Handle pin = files.Pin(path);
    ASSERT_GE(pin, 0);
    FileStatus pinned;
    ASSERT_EQ(files.Status(pin, pinned), 0);
    rename(path.c_str(), dir.File("moved").c_str());
    WriteFile(dir.File("target"), "secret", 0600);
    ASSERT_EQ(symlink(dir.File("target").c_str(), path.c_str()), 0);

    EXPECT_EQ(files.SetMode(pin, 0644), 0);
    EXPECT_EQ(ModeOf(dir.File("moved")), 0644u);
    EXPECT_EQ(ModeOf(dir.File("target")), 0600u) << "the link's target is untouched";
    FileStatus named;
    ASSERT_EQ(files.StatusOfName(path, named), 0);
    EXPECT_FALSE(named.identity == pinned.identity);
    const Handle h = files.OpenPinned(pin, PlatformFile::Access::ReadWrite);
    ASSERT_GE(h, 0);
    char buffer[5];
    EXPECT_EQ(files._lread(h, buffer, 5), 5);
    EXPECT_EQ(std::string(buffer, 5), "first");
    files._lclose(h);
    files._lclose(pin);

    // Special files are pinned without being opened, and are not regular.
    FileStatus device;
    const Handle null = files.Pin("/dev/null");
    ASSERT_GE(null, 0);
    EXPECT_EQ(files.Status(null, device), 0);
    EXPECT_FALSE(device.regular);
    files._lclose(null);
}

TEST(PosixPlatform, AttributeWordRoundTrip) {
    const struct {
        unsigned mode;
        std::int32_t word;
    } cases[] = {
        {0644, (0644 << 16) | kAttrNormal},   {0755, (0755 << 16) | kAttrNormal},
        {0444, (0444 << 16) | kAttrReadOnly}, {0600, (0600 << 16) | kAttrNormal},
        {02775, (02775 << 16) | kAttrNormal},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AttributeWordFromMode(c.mode), c.word) << std::oct << c.mode;
        // Read-only on: every write bit goes; off again: owner write is back.
        EXPECT_EQ(ModeFromAttributeWord(c.word | kAttrReadOnly), c.mode & ~0222u);
        EXPECT_EQ(ModeFromAttributeWord(c.word & ~kAttrReadOnly), c.mode | 0200u);
    }
}

TEST(PosixPlatform, SpaceHolesKeptModeAndClock) {
    TempDir dir;
    PosixPlatformFile files;
    const std::string path = dir.File("f");
    WriteFile(path, "x");
    ASSERT_EQ(truncate(path.c_str(), 1 << 20), 0);  // a file that is one big hole after a byte
    const Handle h = Open(files, path);
    ASSERT_GE(h, 0);
    EXPECT_GT(files.GetDiskFreeSpace(h), 0);
    std::vector<ByteRange> holes;
    ASSERT_EQ(files.FindHoles(h, 1 << 20, holes), 0);
    FileStatus before;
    files.Status(h, before);
    if (!holes.empty()) {  // where the file system reports holes
        EXPECT_EQ(holes.back().second, 1 << 20);
        EXPECT_LT(before.allocated, 1 << 20);
    }
    EXPECT_EQ(files.ReserveSpace(h, 0, (1 << 20) + 128), 0);
    FileStatus reserved;
    files.Status(h, reserved);
    EXPECT_EQ(reserved.size, 1 << 20);  // the reservation keeps the visible size
    for (const auto& [first, last] : holes) {
        EXPECT_EQ(files.ReleaseSpace(h, first, last - first), 0);
    }
    EXPECT_EQ(files.ReleaseSpace(h, 1 << 20, 65536), 0);
    FileStatus released;
    files.Status(h, released);
    if (!holes.empty()) {
        EXPECT_LT(released.allocated, before.allocated + 65536) << "the allocation went back";
    }
    EXPECT_EQ(files.FlushData(h), 0);

    std::string kept;
    if (files.WriteKept(h, PlatformFile::KeptWord::Mode, "0664:x") == 0) {
        EXPECT_EQ(files.ReadKept(h, PlatformFile::KeptWord::Mode, kept), 0);
        EXPECT_EQ(kept, "0664:x");
        EXPECT_EQ(files.RemoveKept(h, PlatformFile::KeptWord::Mode), 0);
        EXPECT_EQ(files.ReadKept(h, PlatformFile::KeptWord::Mode, kept), 0);
        EXPECT_EQ(kept, "");
        EXPECT_EQ(files.RemoveKept(h, PlatformFile::KeptWord::Mode), 0)
            << "nothing to remove is no error";
    }
    files._lclose(h);
    const SystemTime t = files.GetLocalTime();
    EXPECT_GE(t.wYear, 2020);
    EXPECT_LT(t.wMilliseconds, 1000);
}
