#pragma once

#include <functional>
#include <utility>

#include "engine/platform_file_posix.h"

// Helpers for the tests that put the real file layer under real faults.
#include <dirent.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

// A tmpfs of the given size, mounted on a fresh folder for as long as the
// object lives. Needs root; `ok()` says whether the mount took place.
class ScratchMount {
public:
    explicit ScratchMount(const std::string& options) {
        char pattern[] = "/tmp/kryvet-mnt-XXXXXX";
        if (mkdtemp(pattern) == nullptr) {
            error_ = std::strerror(errno);
            return;
        }
        dir_ = pattern;
        if (mount("tmpfs", dir_.c_str(), "tmpfs", 0, options.c_str()) != 0) {
            error_ = std::strerror(errno);
            return;
        }
        mounted_ = true;
    }
    ~ScratchMount() {
        if (mounted_)
            umount2(dir_.c_str(), MNT_DETACH);
        if (!dir_.empty())
            rmdir(dir_.c_str());
    }
    ScratchMount(const ScratchMount&) = delete;
    ScratchMount& operator=(const ScratchMount&) = delete;

    bool ok() const { return mounted_; }
    const std::string& error() const { return error_; }
    std::string File(const std::string& name) const { return dir_ + "/" + name; }
    // Makes the mounted filesystem read-only from now on.
    bool RemountReadOnly() {
        return mount("tmpfs", dir_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    std::string dir_;
    std::string error_;
    bool mounted_ = false;
};

// Open descriptors of this process, to tell whether an operation left one.
inline int OpenDescriptors() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr)
            ++count;
        closedir(dir);
    }
    return count;
}

// Reproducible contents from a seed, so a large original need not be kept;
// any stretch can be made on its own from its offset.
inline std::uint64_t SeededWord(std::uint64_t seed, std::uint64_t index) {
    std::uint64_t z = seed + (index + 1) * 0x9E3779B97F4A7C15ull;  // splitmix64
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

inline void FillSeeded(std::uint64_t seed, std::uint64_t offset, char* out, std::size_t length) {
    std::uint64_t index = offset / 8;
    std::uint64_t word = SeededWord(seed, index);
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint64_t position = offset + i;
        if (position / 8 != index) {
            index = position / 8;
            word = SeededWord(seed, index);
        }
        out[i] = static_cast<char>(word >> (8 * (position % 8)));
    }
}

inline std::string Seeded(std::uint64_t seed, std::size_t length) {
    std::string s(length, '\0');
    FillSeeded(seed, 0, s.data(), length);
    return s;
}

inline bool IsRoot() {
    return geteuid() == 0;
}

// The real layer, with a hook that runs after a chosen call, to let "another
// program" act at that moment.
class HookedPlatform : public kryvet::platform::PosixPlatformFile {
public:
    std::function<void()> afterMeasure;    // after the first look, before the open
    std::function<void()> afterFirstRead;  // after the first read of the rewrite
    std::function<void()> afterFullFlush;  // after the full flush before the records go
    int fullFlushes = 0;

    kryvet::platform::Handle OpenPinned(kryvet::platform::Handle pinned, Access access) override {
        if (afterMeasure)
            std::exchange(afterMeasure, nullptr)();
        return PosixPlatformFile::OpenPinned(pinned, access);
    }
    int FlushAll(kryvet::platform::Handle handle) override {
        const int result = PosixPlatformFile::FlushAll(handle);
        // The first keeps the words, the second comes before the records go.
        if (++fullFlushes == 2 && afterFullFlush)
            std::exchange(afterFullFlush, nullptr)();
        return result;
    }
    std::int32_t _lread(kryvet::platform::Handle handle, void* buffer,
                        std::int32_t count) override {
        const std::int32_t n = PosixPlatformFile::_lread(handle, buffer, count);
        // Reads of whole units belong to the rewrite; the header reads are smaller.
        if (count >= 512 && afterFirstRead)
            std::exchange(afterFirstRead, nullptr)();
        return n;
    }
};
