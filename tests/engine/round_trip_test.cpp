#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

#ifndef _WIN32
#include "engine/platform_file_posix.h"
#endif
#include "reference_layout.h"
#include "support/engine_run.h"
#include "support/memory_platform.h"
#ifndef _WIN32
#include "support/temp_dir.h"
#endif

using namespace kryvet;

namespace {

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    std::string out(size, '\0');
    for (auto& c : out)
        c = static_cast<char>(rng());
    return out;
}

const std::uint8_t kClockBytes[8] = {0xbd, 0xe3, 0x14, 0x95, 0x6d, 0xa3, 0xe6, 0x40};
// Noon: the three key bytes are zero.
const std::uint8_t kNoonBytes[8] = {0x00, 0x00, 0x00, 0x00, 0x70, 0xa3, 0xe6, 0x40};

std::string FiftyBytePassword() {
    std::string p;
    for (int i = 0; i < 25; ++i)
        p += "\x88\xc3";  // 25 double-byte characters
    return p;
}

}  // namespace

// Every size around the block, header and unit boundaries, with single- and
// double-byte passwords of 1, 49 and 50 bytes, and with zero key bytes;
// without records (the bare shift, where reading runs only one unit ahead
// of writing), with a record every three blocks, and with the default.
TEST(RoundTrip, LayoutIsExactAndDecryptionRestoresEverything) {
    const std::size_t sizes[] = {1,   2,    3,    69,   70,   71,   127,
                                 128, 129,  511,  512,  513,  581,  582,
                                 700, 1023, 1024, 1025, 1100, 2048, (1 << 20) + 7};
    const std::string passwords[] = {"a", std::string(49, 'Z'), FiftyBytePassword(),
                                     "\x88\xc3"
                                     "b"};
    const std::int32_t units[] = {1, 3, 2048};
    const std::int32_t journals[] = {0, 3, RewriteOptions{}.journalBlocks};
    int n = 0;
    for (std::size_t size : sizes) {
        for (const auto& password : passwords) {
            for (bool noon : {false, true}) {
                const std::int32_t unit = units[n % 3];
                const std::int32_t journal = journals[n++ / 3 % 3];
                SCOPED_TRACE(testing::Message() << "size " << size << " password length "
                                                << password.size() << " unit " << unit
                                                << " records " << journal << (noon ? " noon" : ""));
                MemoryPlatform files;
                if (noon)
                    files.now = {2026, 12, 1, 7, 12, 0, 0, 0};
                const std::string plain = RandomBytes(size, static_cast<unsigned>(size));
                files.Add("f", plain);
                EngineRun run(files);
                run.options = {unit, true, journal};
                ASSERT_EQ(run.Encrypt(password), "");
                ASSERT_EQ(files.Data("f"),
                          ReferenceEncryptedFile(plain, password, noon ? kNoonBytes : kClockBytes,
                                                 0x0080));
                EXPECT_EQ(files.files["f"].attributes, (0444 << 16) | 0x01);

                ASSERT_EQ(run.Decrypt(password), "");
                ASSERT_EQ(files.Data("f"), plain);
                EXPECT_EQ(files.files["f"].attributes, (0644 << 16) | 0x80);
                EXPECT_EQ(files.OpenHandles(), 0);
            }
        }
    }
}

TEST(RoundTrip, UnitSizeNeverChangesTheBytes) {
    // Sizes around the block, the small units' and the default 1 MiB unit's boundaries.
    for (std::size_t size : {511u, 512u, 513u, 1535u, 1536u, 1537u, 5000u, 70000u, 1048575u,
                             1048576u, 1048577u, 1048646u, 2097152u + 69u}) {
        std::string reference;
        for (std::int32_t unit : {1, 2, 3, 4, 7, 64, 2048}) {
            MemoryPlatform files;
            files.Add("f", RandomBytes(size, 7));
            EngineRun run(files);
            run.options = {unit};
            run.Encrypt("pw");
            if (reference.empty())
                reference = files.Data("f");
            EXPECT_EQ(files.Data("f"), reference) << size << " unit " << unit;
        }
    }
}

// The fake checks in every run that reading runs ahead of writing. Here it
// is shown the faults it is there for: a shift towards the end that writes
// before it read what it covers, a cut of bytes never read, and a second
// run that counts on what the first one read.
TEST(RoundTrip, FakeCatchesWritingAheadOfReading) {
    MemoryPlatform files;
    files.checksReadAhead = true;
    files.Add("f", RandomBytes(1000, 2));
    char block[512] = {};
    const auto run = [&](const std::function<void(platform::Handle)>& calls) {
        const auto pin = files.Pin("f");
        const auto file = files.OpenPinned(pin, platform::PlatformFile::Access::ReadWrite);
        calls(file);
        files._lclose(file);
        files._lclose(pin);
    };
    run([&](platform::Handle file) {
        files._lread(file, block, 512);
        files._llseek(file, 70, 0);
        files._lwrite(file, block, 512);
        files._llseek(file, 600, 0);
        files._lwrite(file, block, 0);
    });
    run([&](platform::Handle file) { files._lwrite(file, block, 10); });
    EXPECT_EQ(files.unreadOverwrites, (std::vector<std::string>{"_lwrite(512)@70: byte 512 unread",
                                                                "_lwrite(0)@600: byte 600 unread",
                                                                "_lwrite(10)@0: byte 0 unread"}));
    files.unreadOverwrites.clear();
}

TEST(RoundTrip, GaugeValuesMatchTheBlockLoopsForEveryUnit) {
    for (std::int32_t unit : {1, 2, 4, 2048}) {
        SCOPED_TRACE(unit);
        MemoryPlatform files;
        files.Add("f", RandomBytes(2048, 3));
        files.Add("g", RandomBytes(1000, 4));
        files.Add("h", RandomBytes(700, 5));
        // What the engine reports; the window adds 0 at the prompt and 100
        // at the end.
        const auto gauge = [&](const std::string& name, bool encrypt) {
            EngineRun run(files, name);
            run.options = {unit};
            encrypt ? run.Encrypt("pw") : run.Decrypt("pw");
            return run.gauge;
        };
        EXPECT_EQ(gauge("f", true), (std::vector<int>{25, 50, 75}));
        EXPECT_EQ(gauge("h", true), (std::vector<int>{}));
        gauge("g", true);
        EXPECT_EQ(gauge("g", false), (std::vector<int>{0, 45, 90}));
    }
}

#ifndef _WIN32  // Windows' real files: platform_windows_test.cpp
// The same on real files: bytes, sizes and permission bits.
TEST(RoundTrip, RealFilesKeepTheirPermissions) {
    TempDir dir;
    platform::PosixPlatformFile files;
    const struct {
        std::size_t size;
        mode_t mode;
    } cases[] = {{1, 0644}, {700, 0444}, {4096, 0755}, {(3 << 20) + 1, 0600}};
    for (const auto& c : cases) {
        const std::string path = dir.File("file" + std::to_string(c.size));
        const std::string plain = RandomBytes(c.size, 9);
        WriteFile(path, plain, c.mode);
        EngineRun run(files, path);
        ASSERT_EQ(run.Encrypt("\x94\xe9\x96\xa7"), "");  // 秘密
        EXPECT_EQ(ReadFile(path).size(), c.size + 128);
        EXPECT_EQ(ModeOf(path), c.mode & ~0222u) << "encrypted files are read-only";
        ASSERT_EQ(run.Decrypt("\x94\xe9\x96\xa7"), "");
        EXPECT_EQ(ReadFile(path), plain);
        const mode_t expected = (c.mode & 0200) ? (c.mode & ~0022u) : (c.mode & ~0222u);
        EXPECT_EQ(ModeOf(path), expected) << std::oct << c.mode;
    }
}
#endif
