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

#include "engine/crc32c.h"
#include "fault_support.h"
#include "kill_rewrite.h"
#include "support/engine_run.h"

using namespace kryvet;

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

// A rewrite in a child process, which says each progress value, and 100 once done.
struct Child {
    pid_t pid = -1;
    int out = -1;  // its standard output
};

Child StartRewrite(const std::string& path, bool encrypt) {
    int out[2];
    if (pipe(out) != 0)
        return {};
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
    return {child, out[0]};
}

// Reads what the child says until the gauge reaches `percent` or it stops
// saying anything: the rewrite is then that far along, however busy the
// machine.
void WaitForGauge(const Child& child, int percent) {
    std::string line;
    char c = 0;
    while (read(child.out, &c, 1) == 1) {
        if (c != '\n') {
            line += c;
            continue;
        }
        if (std::atoi(line.c_str()) >= percent)
            return;
        line.clear();
    }
}

void Reap(Child& child) {
    int status = 0;
    waitpid(child.pid, &status, 0);
    close(child.out);
}

// Presses a button on the named file, as the user does after the crash,
// with no password: a rewrite that needs one is not begun. True when the
// run finished the operation that was killed; a failure is `problem`.
bool NameAgain(const std::string& path, bool encrypted, bool encryptButton, std::string& problem) {
    platform::PosixPlatformFile files;
    EngineRun run(files, path);
    const std::string said = encryptButton ? run.Encrypt() : run.Decrypt();
    if (run.outcome && std::holds_alternative<Failure>(*run.outcome))
        problem = said;
    return said.empty() && run.finishedInterrupted == (encrypted ? journal::Operation::Encrypt
                                                                 : journal::Operation::Decrypt);
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

    // Clean runs give the finished files.
    auto runClean = [&](bool encrypt) {
        Child child = StartRewrite(path, encrypt);
        WaitForGauge(child, 101);
        int status = 0;
        waitpid(child.pid, &status, 0);
        close(child.out);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    };
    runClean(true);
    const Fingerprint encrypted = FingerprintOf(path);
    ASSERT_EQ(encrypted.size, size + 128);
    runClean(false);
    ASSERT_EQ(FingerprintOf(path), plain);

    std::mt19937 rng(20261207);
    int kills[2] = {0, 0};  // decryptions, encryptions
    int recovered = 0;
    int finished = 0;
    bool isPlain = true;
    // Kills land by the gauge, not by the clock: no deadline, only a bound.
    for (int round = 0; (kills[0] < 25 || kills[1] < 25) && round < 200; ++round) {
        const bool encrypt = isPlain;
        // A point of the rewrite, from before its first write to after its
        // last, and a little further by chance.
        const int percent = std::uniform_int_distribution<int>(0, 101)(rng);
        const auto lag =
            std::chrono::microseconds(std::uniform_int_distribution<int>(0, 3000)(rng));
        Child child = StartRewrite(path, encrypt);
        ASSERT_GT(child.pid, 0);
        WaitForGauge(child, percent);
        std::this_thread::sleep_for(lag);
        kill(child.pid, SIGKILL);
        Reap(child);
        ++kills[encrypt ? 1 : 0];

        std::string error;
        recovered += NameAgain(path, encrypt, rng() % 2 == 0, error) ? 1 : 0;
        EXPECT_EQ(error, "");
        const Fingerprint now = FingerprintOf(path);
        const Fingerprint before = encrypt ? plain : encrypted;
        const Fingerprint after = encrypt ? encrypted : plain;
        ASSERT_TRUE(now == before || now == after)
            << (encrypt ? "encryption" : "decryption") << " killed at " << percent << " % + "
            << lag.count() << " us: neither as before nor finished, size " << now.size;
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
