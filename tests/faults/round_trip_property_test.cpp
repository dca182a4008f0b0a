// Random files, passwords, clock values and units: encryption through the real
// file layer gives the layout, and decryption gives back the bytes and mode.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <random>
#include <string>

#include "app/operation_flow.h"
#include "engine/cp932.h"
#include "engine/platform_file_posix.h"
#include "fault_support.h"
#include "reference_layout.h"
#include "support/recording_window.h"
#include "support/temp_dir.h"

using namespace kryvet;

namespace {

// The real layer with the clock set by the test, so the key bytes vary.
class ClockedPlatform : public platform::PosixPlatformFile {
public:
    platform::SystemTime now;
    platform::SystemTime GetLocalTime() override { return now; }
};

int CaseCount() {
    const char* value = std::getenv("KRYVET_PROPERTY_CASES");
    return value != nullptr ? std::atoi(value) : 3000;
}

std::size_t RandomSize(std::mt19937_64& rng) {
    static const std::size_t kEdges[] = {1,   2,   69,  70,   71,   128,  129,  511, 512,
                                         513, 581, 582, 1023, 1024, 1025, 2048, 4096};
    switch (rng() % 10) {
        case 0:
            return kEdges[rng() % std::size(kEdges)];
        case 1:
        case 2:
        case 3:
            return 1 + rng() % 600;
        case 4:
        case 5:
        case 6:
            return 1 + rng() % 5000;
        case 7:
        case 8:
            return 1 + rng() % 70000;
        default:
            return 1 + rng() % 400000;
    }
}

// 1 to 50 bytes of Shift-JIS: ASCII, half-width katakana and double-byte
// characters (a lead byte and a trail byte), never a zero byte.
std::string RandomPassword(std::mt19937_64& rng) {
    const std::size_t target = 1 + rng() % 50;
    std::string p;
    while (p.size() < target) {
        const int kind = static_cast<int>(rng() % 3);
        if (kind == 2 && p.size() + 2 <= target) {
            const int lead = rng() % 2 ? 0x81 + static_cast<int>(rng() % 31)
                                       : 0xE0 + static_cast<int>(rng() % 16);
            int trail = 0x40 + static_cast<int>(rng() % 188);
            if (trail >= 0x7F)
                ++trail;  // 0x7F is never a trail byte
            const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
            // Only assigned characters: a password is typed text.
            if (kryvet::Cp932ToUtf8(pair))
                p += pair;
        } else if (kind == 1) {
            p += static_cast<char>(0xA1 + rng() % 63);
        } else {
            p += static_cast<char>(0x20 + rng() % 95);
        }
    }
    return p;
}

platform::SystemTime RandomTime(std::mt19937_64& rng) {
    platform::SystemTime t;
    t.wYear = 1980 + static_cast<int>(rng() % 120);
    t.wMonth = 1 + static_cast<int>(rng() % 12);
    t.wDay = 1 + static_cast<int>(rng() % 28);
    if (rng() % 20 == 0) {
        t.wHour = 12;  // noon: all three key bytes are zero
        return t;
    }
    t.wHour = static_cast<int>(rng() % 24);
    t.wMinute = static_cast<int>(rng() % 60);
    t.wSecond = static_cast<int>(rng() % 60);
    t.wMilliseconds = static_cast<int>(rng() % 1000);
    return t;
}

std::string RandomBytes(std::mt19937_64& rng, std::size_t size) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; i += 8) {
        const std::uint64_t word = rng();
        for (std::size_t j = 0; j < 8 && i + j < size; ++j)
            s[i + j] = static_cast<char>(word >> (8 * j));
    }
    // Some files are mostly one byte value, as real files often are.
    if (size > 0 && rng() % 8 == 0)
        std::fill(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(size / 2), '\0');
    return s;
}

}  // namespace

TEST(RoundTripProperty, RandomFilesPasswordsAndKeysComeBackUnchanged) {
    // A tmpfs of our own when we may mount, else shared memory, else /tmp.
    std::unique_ptr<ScratchMount> mount;
    std::unique_ptr<TempDir> temp;
    std::string dir;
    bool sharedMemory = false;
    if (IsRoot()) {
        mount = std::make_unique<ScratchMount>("size=64m,mode=0755");
        if (mount->ok())
            dir = mount->File("");
    }
    if (dir.empty()) {
        char pattern[] = "/dev/shm/kryvet-XXXXXX";
        if (mkdtemp(pattern) != nullptr) {
            dir = std::string(pattern) + "/";
            sharedMemory = true;
        } else {
            temp = std::make_unique<TempDir>();
            dir = temp->path() + "/";
        }
    }
    const mode_t kModes[] = {0644, 0600, 0755, 0700, 0640, 0444, 0400, 0555, 0664};
    const std::int32_t kUnits[] = {1, 2, 3, 7, 2048};
    const unsigned seed = 20261201;
    std::mt19937_64 rng(seed);
    const int cases = CaseCount();
    std::size_t bytes = 0;
    int failures = 0;
    for (int n = 0; n < cases && failures < 5; ++n) {
        const std::size_t size = RandomSize(rng);
        const std::string plain = RandomBytes(rng, size);
        const std::string password = RandomPassword(rng);
        const mode_t mode = kModes[rng() % std::size(kModes)];
        const std::int32_t unit = kUnits[rng() % std::size(kUnits)];
        ClockedPlatform files;
        files.now = RandomTime(rng);
        SCOPED_TRACE(testing::Message() << "case " << n << " (seed " << seed << "): size " << size
                                        << ", password " << password.size() << " bytes, mode "
                                        << std::oct << mode << std::dec << ", unit " << unit);
        const std::string path = dir + "case";
        WriteFile(path, plain, mode);
        RecordingWindow window;
        window.fileName = path;
        window.password = password;
        ProgramState state;
        EncryptInPlace(window, files, state, {unit});
        const std::string encrypted = ReadFile(path);
        const std::uint16_t attributes = (mode & 0200) ? 0x80 : 0x01;
        std::uint8_t clock[8] = {};
        for (int i = 0; i < 8 && 6 + i < static_cast<int>(encrypted.size()); ++i)
            clock[i] = static_cast<std::uint8_t>(encrypted[6 + i]);
        const bool layoutOk =
            encrypted == ReferenceEncryptedFile(plain, password, clock, attributes);
        EXPECT_TRUE(layoutOk) << "encrypted bytes differ from the layout";
        EXPECT_EQ(ModeOf(path), mode & ~0222u);

        DecryptInPlace(window, files, state, {kUnits[rng() % std::size(kUnits)]});
        const bool bytesOk = ReadFile(path) == plain;
        EXPECT_TRUE(bytesOk) << "decrypted bytes differ";
        // The whole mode comes back, group and other write included.
        EXPECT_EQ(ModeOf(path), mode);
        EXPECT_EQ(window.gauge.back(), 100);
        failures += layoutOk && bytesOk ? 0 : 1;
        unlink(path.c_str());
        bytes += size;
    }
    if (sharedMemory)
        rmdir(dir.c_str());
    testing::Test::RecordProperty("property_cases", cases);
    std::cout << "round-trip cases: " << cases << " (" << bytes << " plain bytes)\n";
}
