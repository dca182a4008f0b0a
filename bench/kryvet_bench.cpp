// Times in-place encryption and decryption, without and with the recovery
// records, against the cheapest possible in-place rewrite of the same file
// (1 MiB reads and writes at the same offsets) and, with --sync, against
// dd's in-place copy, so the ratios show what the engine itself costs.
//
//   kryvet_bench [--dir D] [--runs N] [--unit-blocks B] [--journal-blocks B]
//                [--sizes-mib 64,1024] [--sync]
//                [--slow-512]
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "app/operation_flow.h"
#include "engine/platform_file_posix.h"

namespace {

using Clock = std::chrono::steady_clock;

// The main window's part, answered without a screen.
class BenchWindow : public kryvet::OperationWindow {
public:
    explicit BenchWindow(std::string path) : path_(std::move(path)) {}
    std::string FileNameText() const override { return path_; }
    kryvet::PasswordResult AskPassword(kryvet::OperationButton) override {
        return {kryvet::PasswordResult::Answer::Given, "benchmark"};
    }
    void ShowMismatch() override { failed = true; }
    void EnterBusyState(kryvet::OperationButton) override {}
    void LeaveBusyState(kryvet::OperationButton) override {}
    void ShowNotice(kryvet::Notice) override { failed = true; }
    // The bench's files are its own: records of another file are a failure.
    bool AskFinishForeignRecord(kryvet::OperationButton) override {
        failed = true;
        return false;
    }
    void SetGaugeProgress(int) override { ++gaugeCalls; }
    void FocusFileName() override {}
    void FocusButton(kryvet::OperationButton) override {}

    int gaugeCalls = 0;
    bool failed = false;

private:
    std::string path_;
};

// The real file layer, with the final flush optional: the page-cache
// comparison leaves it out on both sides.
class BenchPlatform : public kryvet::platform::PosixPlatformFile {
public:
    bool flush = false;
    int FlushData(kryvet::platform::Handle handle) override {
        return flush ? PosixPlatformFile::FlushData(handle) : 0;
    }
    int FlushAll(kryvet::platform::Handle handle) override {
        return flush ? PosixPlatformFile::FlushAll(handle) : 0;
    }
};

double Seconds(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

long PeakRssKib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void Die(const std::string& what) {
    std::fprintf(stderr, "kryvet_bench: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(1);
}

void CreateFile(const std::string& path, std::int64_t size) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        Die("cannot create " + path);
    static std::vector<char> chunk(1 << 20);  // reused: keeps the peak the same for every size
    std::mt19937_64 rng(42);
    for (auto& c : chunk)
        c = static_cast<char>(rng());
    for (std::int64_t done = 0; done < size;) {
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(size - done, chunk.size()));
        chunk[0] = static_cast<char>(done >> 20);  // no two MiB alike
        if (write(fd, chunk.data(), n) != static_cast<ssize_t>(n))
            Die("cannot write " + path);
        done += static_cast<std::int64_t>(n);
    }
    close(fd);
}

// The floor: every byte read and written once, in place, 1 MiB at a time.
void RewriteInPlace(const std::string& path, bool sync) {
    const int fd = open(path.c_str(), O_RDWR);
    if (fd < 0)
        Die("cannot open " + path);
    // Page-aligned like the engine's buffers: the kernel copies faster to and
    // from aligned memory, and the floor must be the best a rewrite can do.
    static char* const buffer = [] {
        void* p =
            mmap(nullptr, 1 << 20, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            Die("mmap");
        return static_cast<char*>(p);
    }();
    constexpr std::size_t kUnit = 1 << 20;
    for (off_t offset = 0;; offset += static_cast<off_t>(kUnit)) {
        const ssize_t n = pread(fd, buffer, kUnit, offset);
        if (n < 0)
            Die("read");
        if (n == 0)
            break;
        if (pwrite(fd, buffer, static_cast<std::size_t>(n), offset) != n)
            Die("write");
    }
    if (sync && fdatasync(fd) != 0)
        Die("fdatasync");
    close(fd);
}

// Writes back what the previous phase left dirty, untimed, so the kernel's
// writeback does not land in the middle of the next timed phase. The pages
// stay in the cache.
void Settle(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR);
    if (fd < 0)
        Die("cannot open " + path);
    if (fdatasync(fd) != 0)
        Die("fdatasync");
    close(fd);
}

struct Options {
    std::string dir;
    int runs = 5;
    std::int32_t unitBlocks = kryvet::RewriteOptions{}.unitBlocks;
    std::int32_t journalBlocks = kryvet::RewriteOptions{}.journalBlocks;
    std::vector<int> sizesMib = {64, 1024};
    bool sync = false;
    bool slow512 = false;
};

Options Parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "missing value after %s\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--dir") {
            o.dir = next();
        } else if (a == "--runs") {
            o.runs = std::max(1, std::atoi(next().c_str()));
        } else if (a == "--unit-blocks") {
            o.unitBlocks = std::max(1, std::atoi(next().c_str()));
        } else if (a == "--journal-blocks") {
            o.journalBlocks = std::max(1, std::atoi(next().c_str()));
        } else if (a == "--sizes-mib") {
            o.sizesMib.clear();
            std::string list = next();
            for (std::size_t p = 0; p < list.size();) {
                const std::size_t comma = list.find(',', p);
                o.sizesMib.push_back(std::atoi(list.substr(p, comma - p).c_str()));
                p = comma == std::string::npos ? list.size() : comma + 1;
            }
        } else if (a == "--sync") {
            o.sync = true;
        } else if (a == "--slow-512") {
            o.slow512 = true;
        } else {
            std::fprintf(stderr,
                         "usage: kryvet_bench [--dir D] [--runs N] [--unit-blocks B] "
                         "[--journal-blocks B] [--sizes-mib 64,1024] [--sync] [--slow-512]\n");
            std::exit(2);
        }
    }
    return o;
}

struct Timing {
    double encrypt = 0;
    double decrypt = 0;
    double floor = 0;
    double dd = 0;  // dd's own in-place copy, with --sync only
    int gaugeCalls = 0;
};

// The same in-place rewrite by dd, the yardstick users know.
void DdInPlace(const std::string& path) {
    const std::string command =
        "dd if='" + path + "' of='" + path + "' bs=1M conv=notrunc,fdatasync status=none";
    if (std::system(command.c_str()) != 0)
        Die("dd");
}

Timing Measure(const std::string& path, std::int32_t unitBlocks, int runs, bool sync,
               bool reportProgress, std::int32_t journalBlocks) {
    BenchPlatform files;
    files.flush = sync;
    std::vector<double> enc, dec, flo, dd;
    int gaugeCalls = 0;
    kryvet::RewriteOptions options;
    options.unitBlocks = unitBlocks;
    options.reportProgress = reportProgress;
    options.journalBlocks = journalBlocks;
    for (int r = 0; r < runs; ++r) {
        Settle(path);
        flo.push_back(Seconds([&] { RewriteInPlace(path, sync); }));
        if (sync) {
            Settle(path);
            dd.push_back(Seconds([&] { DdInPlace(path); }));
        }
        Settle(path);
        BenchWindow window(path);
        kryvet::ProgramState state;
        enc.push_back(Seconds([&] { kryvet::EncryptInPlace(window, files, state, options); }));
        gaugeCalls = std::max(gaugeCalls, window.gaugeCalls);
        window.gaugeCalls = 0;
        Settle(path);
        dec.push_back(Seconds([&] { kryvet::DecryptInPlace(window, files, state, options); }));
        gaugeCalls = std::max(gaugeCalls, window.gaugeCalls);
        if (window.failed) {
            std::fprintf(stderr, "kryvet_bench: the operation was refused\n");
            std::exit(1);
        }
    }
    return {Median(enc), Median(dec), Median(flo), dd.empty() ? 0.0 : Median(dd), gaugeCalls};
}

void PrintRow(const char* label, int mib, std::int32_t unitBlocks, const Timing& t) {
    const double gb = static_cast<double>(mib) * 1048576.0 / 1e9;
    std::printf(
        "%-9s %6d MiB  unit %7d B  floor %7.3f s  encrypt %7.3f s %6.2f GB/s x%5.2f  "
        "decrypt %7.3f s %6.2f GB/s x%5.2f  gauge calls %3d  peak RSS %5.1f MiB",
        label, mib, unitBlocks * 512, t.floor, t.encrypt, gb / t.encrypt, t.encrypt / t.floor,
        t.decrypt, gb / t.decrypt, t.decrypt / t.floor, t.gaugeCalls,
        static_cast<double>(PeakRssKib()) / 1024.0);
    if (t.dd > 0) {
        std::printf("  dd %7.3f s: encrypt x%5.2f decrypt x%5.2f", t.dd, t.encrypt / t.dd,
                    t.decrypt / t.dd);
    }
    std::printf("\n");
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const Options o = Parse(argc, argv);
    std::string dir = o.dir;
    bool removeDir = false;
    if (dir.empty()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "kryvet-bench-XXXXXX");
        if (mkdtemp(pattern.data()) == nullptr)
            Die("mkdtemp");
        dir = pattern;
        removeDir = true;
    }
    std::printf("median of %d runs, %s, folder %s\n", o.runs,
                o.sync ? "each rewrite ends with fdatasync" : "page cache warm, no flush",
                dir.c_str());
    for (int mib : o.sizesMib) {
        const std::string path = dir + "/bench-" + std::to_string(mib) + ".bin";
        CreateFile(path, static_cast<std::int64_t>(mib) << 20);
        RewriteInPlace(path, false);  // warm the cache
        const std::int32_t journal = o.journalBlocks;
        PrintRow("engine", mib, o.unitBlocks, Measure(path, o.unitBlocks, o.runs, o.sync, true, 0));
        PrintRow("journaled", mib, o.unitBlocks,
                 Measure(path, o.unitBlocks, o.runs, o.sync, true, journal));
        PrintRow("no gauge", mib, o.unitBlocks,
                 Measure(path, o.unitBlocks, o.runs, o.sync, false, 0));
        if (mib <= 64 || o.slow512) {
            PrintRow("512 B", mib, 1, Measure(path, 1, mib <= 64 ? 3 : 1, o.sync, true, 0));
        }
        std::filesystem::remove(path);
    }
    if (removeDir)
        std::filesystem::remove_all(dir);
    return 0;
}
