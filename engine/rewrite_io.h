#pragma once

#include <cstdint>
#include <memory>

#include "engine/operation_window.h"
#include "engine/platform_file.h"

// Checked block access for the rewrite loops: any failure becomes an IoError,
// so no negative count is ever masked or written.
namespace kryvet::detail {

class CheckedFile {
public:
    CheckedFile(platform::PlatformFile& files, platform::Handle handle)
        : files_(files), handle_(handle) {}

    // Bytes read, fewer only at the end of the file.
    std::int32_t Read(void* buffer, std::int32_t count);
    void Write(const void* buffer, std::int32_t count);
    void SeekTo(std::int64_t position);
    void SeekForward(std::int64_t offset, std::int64_t expectedPosition);

private:
    [[noreturn]] void Fail(std::int32_t result);
    platform::PlatformFile& files_;
    platform::Handle handle_;
};

// A buffer for one rewrite unit, aligned for wide loads.
class UnitBuffer {
public:
    explicit UnitBuffer(std::int32_t size);
    std::uint8_t* data() { return data_.get(); }

private:
    struct FreeAligned {
        void operator()(std::uint8_t* p) const;
    };
    std::unique_ptr<std::uint8_t, FreeAligned> data_;
};

// Passes the gauge the percentages of the 512-byte blocks done, calling the
// window only when the value changes.
class ProgressReporter {
public:
    ProgressReporter(OperationWindow& window, std::int64_t divisor)
        : window_(window), divisor_(divisor) {}

    // Reports block*100 div divisor for every block index up to `last`.
    void ReportThrough(std::int64_t last);
    // Next block index to report; starts at `first`.
    void StartAt(std::int64_t first) { next_ = first; }

private:
    OperationWindow& window_;
    std::int64_t divisor_;
    std::int64_t next_ = 0;
    int shown_ = -1;
};

}  // namespace kryvet::detail
