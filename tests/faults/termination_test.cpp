// A termination request in the middle of a long rewrite waits for the file to
// be complete: the process ends by the signal only afterwards, and the file
// holds exactly the encrypted layout.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/platform_file_posix.h"
#include "fault_support.h"
#include "support/engine_run.h"

using namespace kryvet;

namespace {

constexpr std::uint64_t kSeed = 0x5eed7e4du;
constexpr std::size_t kBlock = 1 << 20;

// A scratch folder on a real disk (not tmpfs), so that the rewrite and its
// flush take as long as they would for a user's file.
class DiskDir {
public:
    DiskDir() {
        char pattern[] = "/var/tmp/kryvet-term-XXXXXX";
        if (mkdtemp(pattern) != nullptr)
            path_ = pattern;
    }
    ~DiskDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::size_t FileMiB() {
    const char* value = std::getenv("KRYVET_TERM_TEST_MIB");
    return value != nullptr ? static_cast<std::size_t>(std::atoi(value)) : 256;
}

void WriteSeeded(const std::string& path, std::size_t size) {
    std::ofstream out(path, std::ios::binary);
    std::vector<char> chunk(kBlock);
    for (std::size_t offset = 0; offset < size; offset += kBlock) {
        const std::size_t n = std::min(kBlock, size - offset);
        FillSeeded(kSeed, offset, chunk.data(), n);
        out.write(chunk.data(), static_cast<std::streamsize>(n));
    }
}

// Compares the file with the seeded contents without holding either whole.
bool MatchesSeeded(const std::string& path, std::size_t size) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> expected(kBlock);
    std::vector<char> actual(kBlock);
    for (std::size_t offset = 0; offset < size; offset += kBlock) {
        const std::size_t n = std::min(kBlock, size - offset);
        FillSeeded(kSeed, offset, expected.data(), n);
        if (!in.read(actual.data(), static_cast<std::streamsize>(n)) ||
            std::memcmp(actual.data(), expected.data(), n) != 0)
            return false;
    }
    return in.peek() == EOF;
}

std::string ReadHeader(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string header(70, '\0');
    in.read(header.data(), 70);
    return header;
}

}  // namespace

TEST(Termination, SigtermDuringRewriteEndsWithCompleteFile) {
    DiskDir dir;
    ASSERT_FALSE(dir.path().empty());
    const std::string path = dir.path() + "/large.bin";
    const std::size_t size = FileMiB() * kBlock + 123;  // not a whole number of units
    WriteSeeded(path, size);
    chmod(path.c_str(), 0640);

    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execl(KRYVET_SIGTERM_REWRITE, KRYVET_SIGTERM_REWRITE, path.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);

    // Read the child's progress; send the request once the rewrite is well
    // under way.
    std::string pending;
    std::vector<std::string> lines;
    int gaugeAtSignal = -1;
    int gaugeLinesAfterSignal = 0;
    char buffer[256];
    ssize_t n;
    while ((n = read(out[0], buffer, sizeof buffer)) > 0) {
        pending.append(buffer, static_cast<std::size_t>(n));
        std::size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            lines.push_back(line);
            if (gaugeAtSignal >= 0 && line.rfind("gauge ", 0) == 0)
                ++gaugeLinesAfterSignal;
            if (gaugeAtSignal < 0 && line.rfind("gauge ", 0) == 0 &&
                std::stoi(line.substr(6)) >= 20) {
                gaugeAtSignal = std::stoi(line.substr(6));
                kill(child, SIGTERM);
            }
        }
    }
    close(out[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);

    ASSERT_GE(gaugeAtSignal, 20) << "the rewrite never got under way";
    EXPECT_LT(gaugeAtSignal, 90) << "the request did not come in the middle";
    EXPECT_GT(gaugeLinesAfterSignal, 10) << "the rewrite went on after the request";
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status) << ", last line "
                                     << (lines.empty() ? "" : lines.back());
    EXPECT_EQ(WTERMSIG(status), SIGTERM) << "the request took effect in the end";
    // The signal was delivered as soon as it was released, after the file
    // was complete and before the engine said it was done.
    EXPECT_NE(lines.back(), "done");

    // The file is whole: the layout's size, its header fields, read-only.
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(static_cast<std::size_t>(st.st_size), size + 128);
    EXPECT_EQ(st.st_mode & 07777, 0440u);
    const std::string header = ReadHeader(path);
    const auto byte = [&](int i) { return static_cast<std::uint8_t>(header[i]); };
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(byte(i) ^ byte(6), static_cast<std::uint8_t>("Kryvet"[i])) << "marker byte " << i;
    const std::uint32_t stored =
        byte(64) | byte(65) << 8 | byte(66) << 16 | static_cast<std::uint32_t>(byte(67)) << 24;
    EXPECT_EQ(stored, size);
    EXPECT_EQ(byte(68) | byte(69) << 8, 0x80) << "attributes as before: writable";

    // And it decrypts back to the seeded original and its mode.
    platform::PosixPlatformFile files;
    EXPECT_EQ(EngineRun(files, path).Decrypt("\x88\xc3term"), "");
    EXPECT_TRUE(MatchesSeeded(path, size));
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}
