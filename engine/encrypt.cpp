#include <algorithm>
#include <utility>

#include "engine/file_checks.h"
#include "engine/file_layout.h"
#include "engine/io_error.h"
#include "engine/operation_file.h"
#include "engine/operations.h"
#include "engine/rewrite_io.h"

namespace kryvet {

namespace {

using detail::CheckedFile;
using platform::Handle;

void WriteHeader(CheckedFile& file, const EncryptedFileHeader& header) {
    const auto size = EncodeInt32(header.StoredFileSize);
    const auto attributes = EncodeUInt16(header.StoredAttributes);
    file.Write(header.FileMarker.data(), static_cast<std::int32_t>(header.FileMarker.size()));
    file.Write(header.ClockKey.data(), static_cast<std::int32_t>(header.ClockKey.size()));
    file.Write(header.PasswordField.data(), static_cast<std::int32_t>(header.PasswordField.size()));
    file.Write(size.data(), static_cast<std::int32_t>(size.size()));
    file.Write(attributes.data(), static_cast<std::int32_t>(attributes.size()));
}

// A short read is the end of the file only where the file was measured to
// end; anywhere else another program has cut or grown it, and going on would
// store a body that does not match the stored size.
void CheckReadEnd(std::int64_t position, std::int32_t n, std::int32_t requested, std::int64_t end) {
    if (n < requested ? position + n != end : position + n > end) {
        throw IoError::FileChanged();
    }
}

// Header in front, every block moved 70 bytes on and masked, trailer behind,
// one 512-byte block at a time with two buffers. Block i is always read
// before block i - 1 is written over its first 70 bytes.
void RewriteBlockByBlock(CheckedFile& file, std::int32_t size, const BodyMask& mask,
                         const EncryptionMaterial& material, detail::ProgressReporter& progress) {
    constexpr std::int32_t unit = kBlockSize;
    detail::UnitBuffer first(unit);
    detail::UnitBuffer second(unit);
    std::uint8_t* a = first.data();
    std::uint8_t* b = second.data();

    const std::int32_t n = file.Read(a, unit);
    CheckReadEnd(0, n, unit, size);
    if (n < unit) {
        mask.Apply(a, static_cast<std::size_t>(n));
        file.SeekTo(0);
        WriteHeader(file, material.header);
        file.Write(a, n);
        return;
    }
    file.SeekTo(0);
    WriteHeader(file, material.header);
    for (std::int64_t i = 1;; ++i) {
        file.SeekTo(i * unit);
        const std::int32_t length = file.Read(b, unit);
        CheckReadEnd(i * unit, length, unit, size);
        mask.Apply(a, static_cast<std::size_t>(unit));
        file.SeekTo((i - 1) * unit + kHeaderSize);
        file.Write(a, unit);
        if (length < unit) {
            mask.Apply(b, static_cast<std::size_t>(length));
            file.Write(b, length);
            return;
        }
        progress.ReportThrough(i);
        std::swap(a, b);
    }
}

// The same in units of many blocks, with one buffer: the 70 bytes carried
// over from the previous unit sit in front of the unit just read, so each
// write covers exactly the region that was just read and starts on a unit
// boundary. The bytes produced are those of the block-by-block rewrite.
void RewriteInUnits(CheckedFile& file, std::int32_t size, std::int32_t blocksPerUnit,
                    const BodyMask& mask, const EncryptionMaterial& material,
                    detail::ProgressReporter& progress) {
    const std::int32_t unit = blocksPerUnit * kBlockSize;
    detail::UnitBuffer buffer(unit + kHeaderSize);
    std::uint8_t* const front = buffer.data();
    std::uint8_t* const body = buffer.data() + kHeaderSize;

    const std::int32_t n = file.Read(body, unit);
    CheckReadEnd(0, n, unit, size);
    mask.Apply(body, static_cast<std::size_t>(n));
    const auto header = HeaderBytes(material.header);
    std::copy(header.begin(), header.end(), front);
    file.SeekTo(0);
    if (n < unit) {
        file.Write(front, kHeaderSize + n);
        progress.ReportThrough(n / kBlockSize - 1);
        return;
    }
    file.Write(front, unit);
    for (std::int64_t i = 1;; ++i) {
        std::copy(front + unit, front + unit + kHeaderSize, front);
        file.SeekTo(i * unit);
        const std::int32_t length = file.Read(body, unit);
        CheckReadEnd(i * unit, length, unit, size);
        mask.Apply(body, static_cast<std::size_t>(length));
        file.SeekTo(i * unit);
        if (length < unit) {
            file.Write(front, kHeaderSize + length);
            progress.ReportThrough(i * blocksPerUnit + length / kBlockSize - 1);
            return;
        }
        file.Write(front, unit);
        progress.ReportThrough((i + 1) * blocksPerUnit - 1);
    }
}

void RewriteEncrypted(OperationWindow& window, platform::PlatformFile& files, Handle handle,
                      std::int32_t size, const EncryptionMaterial& material,
                      const RewriteOptions& options) {
    const BodyMask mask(material.key);
    CheckedFile file(files, handle);
    detail::ProgressReporter progress(window, size, options.reportProgress);
    progress.StartAt(1);
    if (options.unitBlocks <= 1) {
        RewriteBlockByBlock(file, size, mask, material, progress);
    } else {
        RewriteInUnits(file, size, options.unitBlocks, mask, material, progress);
    }
    file.Write(material.trailer.data(), static_cast<std::int32_t>(material.trailer.size()));
}

}  // namespace

void EncryptInPlace(OperationWindow& window, platform::PlatformFile& files, ProgramState& state,
                    const RewriteOptions& options) {
    constexpr auto kButton = OperationButton::BuAngo;
    state.CurrentOperation = 0;
    if (CheckFileName(window, files)) {
        if (window.IsLabel2Visible()) {
            window.FocusButton(kButton);
        } else {
            window.FocusFileName();
        }
        return;
    }
    state.SavedAttributes = SaveAndClearReadOnly(files, window.FileNameText());
    const auto restoreAttributes = [&] {
        RestoreAttributes(files, window.FileNameText(), state.SavedAttributes);
    };

    std::int64_t measured = 0;
    try {
        measured = MeasureFileSize(files, window.FileNameText());
    } catch (...) {
        // The read-only protection must not be lost because the size was unreadable.
        restoreAttributes();
        throw;
    }
    if (measured <= 0) {
        window.LeaveBusyState(kButton);
        restoreAttributes();
        return;
    }
    if (measured > kMaxLayoutSize - kGrowth) {
        restoreAttributes();
        throw IoError::FileTooLarge();
    }
    const auto size = static_cast<std::int32_t>(measured);

    const Handle handle = detail::OpenExclusively(files, window, kButton, restoreAttributes);
    if (handle < 0) {
        return;
    }

    detail::OperationFile file(files, handle);
    try {
        file.CheckSizeUnchanged(measured);
        if (files.GetDiskFreeSpace(handle) < kGrowth ||
            files.ReserveSpace(handle, size, kGrowth) != 0) {
            file.Close();
            window.LeaveBusyState(kButton);
            window.ShowNotice(Notice::DiskFull);
            restoreAttributes();
            return;
        }
        if (IsEncryptedFile(files, handle, size)) {
            file.Close();
            window.LeaveBusyState(kButton);
            window.ShowNotice(Notice::ExitAnko);
            restoreAttributes();
            window.FocusFileName();
            return;
        }
        if (window.AskPassword()) {
            file.Close();
            restoreAttributes();
            return;
        }
        window.EnterBusyState(kButton);

        const ClockKeyBytes clockKey = ClockKeyBytesOf(ClockValueOf(files.GetLocalTime()));
        const EncryptionMaterial material =
            MakeEncryptionMaterial(window.PasswordBytes(), clockKey, size, state.SavedAttributes);
        file.HoldTermination();
        RewriteEncrypted(window, files, handle, size, material, options);
        // The attributes from before, plus read-only; a failed flush still
        // restores the ones from before.
        const std::int32_t finalAttributes = state.SavedAttributes | platform::kAttrReadOnly;
        detail::FinishRewrite(file, window, kButton, window.FileNameText(), finalAttributes);
        state.SavedAttributes = finalAttributes;
    } catch (...) {
        detail::AbandonOperation(file, window, kButton, restoreAttributes);
        throw;
    }
}

}  // namespace kryvet
