#include "engine/rewrite_io.h"

#include <algorithm>

#include <cerrno>
#include <cstdlib>
#include <new>

#include "engine/file_layout.h"
#include "engine/page_memory.h"
#include "engine/run_result.h"

namespace kryvet::detail {

void CheckedFile::Fail(std::int32_t result) {
    // A short write with no error of its own is as good as a full disk.
    const int error = result < 0 ? files_.LastError() : ENOSPC;
    throw EngineFailure::System(error != 0 ? error : EIO);
}

std::int32_t CheckedFile::Read(void* buffer, std::int32_t count) {
    const std::int32_t n = files_._lread(handle_, buffer, count);
    if (n < 0 || n > count) {
        Fail(-1);
    }
    return n;
}

void CheckedFile::Write(const void* buffer, std::int32_t count) {
    const std::int32_t n = files_._lwrite(handle_, buffer, count);
    if (n != count) {
        Fail(n);
    }
}

void CheckedFile::SeekTo(std::int64_t position) {
    if (files_._llseek(handle_, position, platform::kFileBegin) != position) {
        Fail(-1);
    }
}

void CheckedFile::ReadExactly(std::int64_t position, void* buffer, std::int32_t count) {
    SeekTo(position);
    if (Read(buffer, count) != count) {
        throw EngineFailure::Changed();
    }
}

void CheckedFile::WriteAt(std::int64_t position, const void* buffer, std::int32_t count) {
    SeekTo(position);
    Write(buffer, count);
}

void CheckedFile::CutAt(std::int64_t position) {
    SeekTo(position);
    Write(nullptr, 0);
}

void CheckedFile::Flush() {
    if (files_.FlushData(handle_) != 0) {
        Fail(-1);
    }
}

void CheckedFile::FlushAll() {
    if (files_.FlushAll(handle_) != 0) {
        Fail(-1);
    }
}

void CheckedFile::StartWriteback(std::int64_t position, std::int64_t length) noexcept {
    files_.StartWriteback(handle_, position, length);
}

std::int64_t CheckedFile::Size() {
    platform::FileStatus status;
    if (files_.Status(handle_, status) != 0) {
        Fail(-1);
    }
    return status.size;
}

UnitBuffer::UnitBuffer(std::int32_t size) : size_(static_cast<std::size_t>(size)) {
    void* p = AllocatePages(size_);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    data_ = static_cast<std::uint8_t*>(p);
}

UnitBuffer::~UnitBuffer() {
    FreePages(data_, size_);
}

void ProgressReporter::ReportThrough(std::int64_t last) {
    if (!enabled_) {
        return;
    }
    constexpr std::int64_t kScale = static_cast<std::int64_t>(kBlockSize) * 100;
    while (next_ <= last) {
        const std::int64_t percent = next_ * kScale / divisor_;
        if (percent != shown_) {
            shown_ = static_cast<int>(percent);
            sink_.Progress(shown_);
        }
        // Blocks up to the next change of percentage would report the same value.
        const std::int64_t nextChange = ((percent + 1) * divisor_ + kScale - 1) / kScale;
        next_ = std::max(next_ + 1, std::min(nextChange, last + 1));
    }
}

}  // namespace kryvet::detail
