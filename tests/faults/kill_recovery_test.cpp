// A rewrite of a large file on a real disk, killed outright at random
// moments: whatever the moment, naming the file again gives exactly the file
// as it was or exactly the finished file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/error_messages.h"
#include "app/operation_flow.h"
#include "engine/crc32c.h"
#include "fault_support.h"
#include "kill_rewrite.h"
#include "support/recording_window.h"

using namespace kryvet;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kChunk = 1 << 20;
constexpr const char* kRegionBlocks = "4096";  // 2 MiB: many records per run

// Size and checksum stand in for the contents: the file is too large to
// keep a copy of in memory for every kill.
struct Fingerprint {
    std::uintmax_t size = 0;
    std::uint32_t crc = 0;
    bool operator==(const Fingerprint&) const = default;
};

Fingerprint FingerprintOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> chunk(kChunk);
    Fingerprint f;
    while (in.read(chunk.data(), kChunk) || in.gcount() > 0) {
        const auto n = static_cast<std::size_t>(in.gcount());
        f.crc = Crc32c(f.crc, chunk.data(), n);
        f.size += n;
    }
    return f;
}

// Starts the rewrite in a child process; returns once it says it is busy.
pid_t StartRewrite(const std::string& path, bool encrypt) {
    int out[2];
    if (pipe(out) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execl(KRYVET_KILL_REWRITE, KRYVET_KILL_REWRITE, path.c_str(),
              encrypt ? "encrypt" : "decrypt", kRegionBlocks, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    char buffer[16];
    (void)!read(out[0], buffer, sizeof buffer);  // "busy", or the end of a failed start
    close(out[0]);
    return child;
}

// Presses a button on the named file, as the user does after the crash.
bool NameAgain(const std::string& path, bool encryptButton, std::string& error) {
    RecordingWindow window;
    window.fileName = path;  // no password: a prompt, if one comes, is cancelled
    platform::PosixPlatformFile files;
    ProgramState state;
    try {
        encryptButton ? EncryptInPlace(window, files, state) : DecryptInPlace(window, files, state);
    } catch (const OperationError& e) {
        error = e.what();
    }
    return !window.log.empty() && window.log.back() == "Notice:Recovered";
}

}  // namespace

TEST(KillRecovery, SigkillAtRandomMomentsLeavesBeforeOrFinished) {
    char pattern[] = "/var/tmp/kryvet-kill-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string dir = pattern;
    const std::string path = dir + "/large.bin";
    const std::size_t size = 64 * kChunk + 4321;  // not a whole number of regions
    {
        std::ofstream out(path, std::ios::binary);
        std::vector<char> chunk(kChunk);
        for (std::size_t offset = 0; offset < size; offset += kChunk) {
            const std::size_t n = std::min(kChunk, size - offset);
            FillSeeded(0x6b696c6cu, offset, chunk.data(), n);
            out.write(chunk.data(), static_cast<std::streamsize>(n));
        }
    }
    const Fingerprint plain = FingerprintOf(path);

    // Clean runs give the finished files and how long a run takes.
    auto runClean = [&](bool encrypt) {
        const auto start = Clock::now();
        const pid_t child = StartRewrite(path, encrypt);
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        return Clock::now() - start;
    };
    const auto encryptTime = runClean(true);
    const Fingerprint encrypted = FingerprintOf(path);
    ASSERT_EQ(encrypted.size, size + 128);
    const auto decryptTime = runClean(false);
    ASSERT_EQ(FingerprintOf(path), plain);

    std::mt19937 rng(20261207);
    int kills[2] = {0, 0};  // decryptions, encryptions
    int recovered = 0;
    int finished = 0;
    bool isPlain = true;
    const auto deadline = Clock::now() + std::chrono::seconds(50);
    while ((kills[0] < 25 || kills[1] < 25) && Clock::now() < deadline) {
        const bool encrypt = isPlain;
        const auto runTime = encrypt ? encryptTime : decryptTime;
        const auto wait = std::chrono::duration_cast<std::chrono::microseconds>(runTime) *
                          std::uniform_real_distribution<double>(0.0, 1.0)(rng);
        const pid_t child = StartRewrite(path, encrypt);
        ASSERT_GT(child, 0);
        std::this_thread::sleep_for(wait);
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ++kills[encrypt ? 1 : 0];

        std::string error;
        recovered += NameAgain(path, rng() % 2 == 0, error) ? 1 : 0;
        EXPECT_EQ(error, "");
        const Fingerprint now = FingerprintOf(path);
        const Fingerprint before = encrypt ? plain : encrypted;
        const Fingerprint after = encrypt ? encrypted : plain;
        ASSERT_TRUE(now == before || now == after)
            << (encrypt ? "encryption" : "decryption") << " killed after "
            << std::chrono::duration_cast<std::chrono::milliseconds>(wait).count()
            << " ms: neither as before nor finished, size " << now.size;
        if (now == after) {
            ++finished;
            isPlain = !isPlain;
        }
    }
    std::filesystem::remove_all(dir);
    EXPECT_GE(kills[0] + kills[1], 50);
    EXPECT_GE(kills[0], 10);
    EXPECT_GE(kills[1], 10);
    EXPECT_GT(recovered, 10) << "most kills land in the middle of a rewrite";
    testing::Test::RecordProperty("kills", kills[0] + kills[1]);
    std::cout << "kills: " << kills[1] << " encryptions, " << kills[0] << " decryptions; "
              << recovered << " finished on naming the file again, " << finished
              << " ended finished in all\n";
}
