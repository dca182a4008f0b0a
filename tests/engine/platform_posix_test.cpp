#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "engine/platform_file_posix.h"
#include "support/temp_dir.h"

using namespace kryvet::platform;

TEST(PosixPlatform, ZeroCountWriteSetsTheEndOfTheFile) {
    TempDir dir;
    PosixPlatformFile files;
    const std::string path = dir.File("f");
    WriteFile(path, std::string(100, 'a'));
    OfStruct full;
    const Handle h = files.OpenFile(path, full, 18);
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
    OfStruct full;
    const Handle h = files.OpenFile(path, full, 18);
    char buffer[8] = {};
    EXPECT_EQ(files._lread(h, buffer, 4), 4);
    EXPECT_EQ(files._lwrite(h, "xy", 2), 2);
    EXPECT_EQ(files._lread(h, buffer, 8), 4);  // short at the end
    EXPECT_EQ(files._lread(h, buffer, 8), 0);
    EXPECT_EQ(files._llseek(h, -3, kFileCurrent), 7);
    files._lclose(h);
    EXPECT_EQ(ReadFile(path), "0123xy6789");
}

TEST(PosixPlatform, ExclusiveOpenRefusals) {
    TempDir dir;
    PosixPlatformFile files;
    const std::string path = dir.File("f");
    WriteFile(path, "data");
    OfStruct full;
    const Handle first = files.OpenFile(path, full, 18);
    ASSERT_GE(first, 0);
    EXPECT_EQ(full.szPathName, path);
    // A second exclusive open fails, in this process and in another one.
    OfStruct other;
    EXPECT_EQ(files.OpenFile(path, other, 18), -1);
    EXPECT_EQ(files.LastError(), EBUSY);
    EXPECT_EQ(files.CreateFileA(path), -1);
    const pid_t child = fork();
    if (child == 0) {
        PosixPlatformFile childFiles;
        OfStruct childPath;
        _exit(childFiles.OpenFile(path, childPath, 18) == -1 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    files._lclose(first);
    const Handle again = files.OpenFile(path, full, 18);
    EXPECT_GE(again, 0);
    files._lclose(again);

    // Read-only, missing, a directory, a name or full path too long.
    WriteFile(dir.File("ro"), "x", 0444);
    mkdir(dir.File("d").c_str(), 0755);
    std::string kanji60;
    for (int i = 0; i < 60; ++i)
        kanji60 += "漢";
    const struct {
        std::string name;
        int error;
    } refused[] = {
        {dir.File("ro"), EACCES},
        {dir.File("missing"), ENOENT},
        {dir.File("d"), EISDIR},
        {std::string(151, 'n'), ENAMETOOLONG},
        {dir.File(std::string(128, 'n')), ENAMETOOLONG},
        // 60 kanji: 120 bytes in Shift-JIS, more than 127 with the folder in front.
        {dir.File(kanji60), ENAMETOOLONG},
    };
    for (const auto& r : refused) {
        OfStruct p;
        EXPECT_EQ(files.OpenFile(r.name, p, 18), -1) << r.name;
        EXPECT_EQ(files.LastError(), r.error) << r.name;
        EXPECT_TRUE(p.szPathName.empty());
    }
}

TEST(PosixPlatform, FullPathIsMadeAbsoluteWithoutResolvingLinks) {
    TempDir dir;
    const std::string cwd = std::filesystem::current_path().string();
    std::filesystem::current_path(dir.path());
    PosixPlatformFile files;
    WriteFile("rel", "x");
    OfStruct full;
    const Handle h = files.OpenFile("rel", full, 18);
    std::filesystem::current_path(cwd);
    ASSERT_GE(h, 0);
    files._lclose(h);
    EXPECT_EQ(full.szPathName, dir.path() + "/rel");
}

TEST(PosixPlatform, AttributeWordRoundTrip) {
    TempDir dir;
    PosixPlatformFile files;
    const struct {
        mode_t mode;
        std::int32_t word;
    } cases[] = {
        {0644, (0644 << 16) | kAttrNormal},
        {0755, (0755 << 16) | kAttrNormal},
        {0444, (0444 << 16) | kAttrReadOnly},
        {0600, (0600 << 16) | kAttrNormal},
    };
    for (const auto& c : cases) {
        const std::string path = dir.File("f" + std::to_string(c.mode));
        WriteFile(path, "x", c.mode);
        const std::int32_t word = files.GetFileAttributesA(path);
        EXPECT_EQ(word, c.word) << std::oct << c.mode;
        // Read-only on: every write bit goes; off again: the mode as it was,
        // owner write included.
        EXPECT_TRUE(files.SetFileAttributesA(path, word | kAttrReadOnly));
        EXPECT_EQ(ModeOf(path), c.mode & ~0222u);
        EXPECT_TRUE(files.SetFileAttributesA(path, word & ~kAttrReadOnly));
        EXPECT_EQ(ModeOf(path), c.mode | 0200u);
    }
    EXPECT_EQ(files.GetFileAttributesA(dir.File("none")), -1);
    EXPECT_EQ(files.LastError(), ENOENT);
    EXPECT_EQ(files.GetFileAttributesA(dir.path()) & kAttrDirectory, kAttrDirectory);
    FindData data;
    EXPECT_EQ(files.FindFirstFileA(dir.File("*"), data), -1);  // no wildcards here
}

TEST(PosixPlatform, FreeSpaceAndClock) {
    TempDir dir;
    PosixPlatformFile files;
    WriteFile(dir.File("f"), "x");
    OfStruct full;
    const Handle h = files.OpenFile(dir.File("f"), full, 18);
    EXPECT_GT(files.GetDiskFreeSpace(h), 0);
    EXPECT_EQ(files.ReserveSpace(h, 1, 128), 0);
    EXPECT_EQ(files.GetFileSize(h), 1);  // the reservation keeps the visible size
    EXPECT_EQ(files.FlushData(h), 0);
    files._lclose(h);
    const SystemTime t = files.GetLocalTime();
    EXPECT_GE(t.wYear, 2020);
    EXPECT_LT(t.wMilliseconds, 1000);
}
