#pragma once

#include <cstdint>

#include "engine/platform_file.h"
#include "engine/progress_sink.h"

// Checked block access for the rewrite loops: any failure becomes an
// EngineFailure, so no negative count is ever masked or written.
namespace kryvet::detail {

class CheckedFile {
public:
    CheckedFile(platform::PlatformFile& files, platform::Handle handle)
        : files_(files), handle_(handle) {}

    // Bytes read, fewer only at the end of the file.
    std::int32_t Read(void* buffer, std::int32_t count);
    void Write(const void* buffer, std::int32_t count);
    void SeekTo(std::int64_t position);
    // Reads exactly count bytes at position; EngineFailure otherwise.
    void ReadExactly(std::int64_t position, void* buffer, std::int32_t count);
    void WriteAt(std::int64_t position, const void* buffer, std::int32_t count);
    // Sets the end of the file at position.
    void CutAt(std::int64_t position);
    void Flush();
    // The same, with the file's mode and extended attributes.
    void FlushAll();
    // Lets the disk start on what was written there; failures do not matter.
    void StartWriteback(std::int64_t position, std::int64_t length) noexcept;
    // The file's size now.
    std::int64_t Size();

private:
    [[noreturn]] void Fail(std::int32_t result);
    platform::PlatformFile& files_;
    platform::Handle handle_;
};

// A page-aligned buffer for one rewrite unit. It is mapped and unmapped
// directly, so memory goes back to the system after every operation instead
// of fragmenting the heap run after run.
class UnitBuffer {
public:
    explicit UnitBuffer(std::int32_t size);
    ~UnitBuffer();
    UnitBuffer(const UnitBuffer&) = delete;
    UnitBuffer& operator=(const UnitBuffer&) = delete;
    std::uint8_t* data() { return data_; }

private:
    std::uint8_t* data_;
    std::size_t size_;
};

// Passes the gauge the percentages of the 512-byte blocks done, calling the
// window only when the value changes.
class ProgressReporter {
public:
    ProgressReporter(ProgressSink& sink, std::int64_t divisor, bool enabled = true)
        : sink_(sink), divisor_(divisor), enabled_(enabled) {}

    // Reports block*100 div divisor for every block index up to `last`.
    void ReportThrough(std::int64_t last);
    // Next block index to report; starts at `first`.
    void StartAt(std::int64_t first) { next_ = first; }

private:
    ProgressSink& sink_;
    std::int64_t divisor_;
    bool enabled_;
    std::int64_t next_ = 0;
    int shown_ = -1;
};

}  // namespace kryvet::detail
