#include <utility>

#include "engine/file_checks.h"
#include "engine/file_layout.h"
#include "engine/io_error.h"
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

// Header in front, every block moved 70 bytes on and masked, trailer behind.
// Unit i is always read before unit i - 1 is written over its first 70 bytes.
void RewriteEncrypted(OperationWindow& window, platform::PlatformFile& files, Handle handle,
                      std::int32_t size, const EncryptionMaterial& material,
                      const RewriteOptions& options) {
    const std::int32_t blocksPerUnit = options.unitBlocks < 1 ? 1 : options.unitBlocks;
    const std::int32_t unit = blocksPerUnit * kBlockSize;
    const BodyMask mask(material.key);
    CheckedFile file(files, handle);
    detail::UnitBuffer first(unit);
    detail::UnitBuffer second(unit);
    std::uint8_t* a = first.data();
    std::uint8_t* b = second.data();
    detail::ProgressReporter progress(window, size);
    progress.StartAt(1);

    const std::int32_t n = file.Read(a, unit);
    CheckReadEnd(0, n, unit, size);
    if (n < unit) {
        mask.Apply(a, static_cast<std::size_t>(n));
        file.SeekTo(0);
        WriteHeader(file, material.header);
        file.Write(a, n);
        progress.ReportThrough(n / kBlockSize - 1);
    } else {
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
                progress.ReportThrough(i * blocksPerUnit + length / kBlockSize - 1);
                break;
            }
            progress.ReportThrough((i + 1) * blocksPerUnit - 1);
            std::swap(a, b);
        }
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

    platform::OfStruct fullPath;
    const Handle handle = files.OpenFile(window.FileNameText(), fullPath,
                                         platform::kOfReadWrite | platform::kOfShareExclusive);
    if (handle < 0) {
        window.LeaveBusyState(kButton);
        restoreAttributes();
        return;
    }

    bool open = true;
    bool holding = false;
    const auto closeFile = [&] {
        open = false;
        files._lclose(handle);
    };
    try {
        // The size that counts is the one under the lock; a file changed
        // since it was measured would be stored with a wrong length.
        const std::int64_t locked = files.GetFileSize(handle);
        if (locked < 0) {
            throw IoError::FromErrno(files.LastError());
        }
        if (locked != measured) {
            throw IoError::FileChanged();
        }
        if (files.GetDiskFreeSpace(handle) < kGrowth ||
            files.ReserveSpace(handle, size, kGrowth) != 0) {
            closeFile();
            window.LeaveBusyState(kButton);
            window.ShowNotice(Notice::DiskFull);
            restoreAttributes();
            return;
        }
        if (IsEncryptedFile(files, handle, size)) {
            closeFile();
            window.LeaveBusyState(kButton);
            window.ShowNotice(Notice::ExitAnko);
            restoreAttributes();
            window.FocusFileName();
            return;
        }
        if (window.AskPassword()) {
            closeFile();
            restoreAttributes();
            return;
        }
        window.EnterBusyState(kButton);

        const ClockKeyBytes clockKey = ClockKeyBytesOf(ClockValueOf(files.GetLocalTime()));
        const EncryptionMaterial material =
            MakeEncryptionMaterial(window.PasswordBytes(), clockKey, size, state.SavedAttributes);
        files.HoldTermination();
        holding = true;
        RewriteEncrypted(window, files, handle, size, material, options);
        if (files.FlushData(handle) != 0) {
            throw IoError::FromErrno(files.LastError());
        }
        closeFile();
        state.SavedAttributes |= platform::kAttrReadOnly;
        if (state.SavedAttributes >= 0) {
            files.SetFileAttributesA(window.FileNameText(), state.SavedAttributes);
        }
        holding = false;
        files.ReleaseTermination();
        window.SetGaugeProgress(100);
        window.LeaveBusyState(kButton);
    } catch (...) {
        if (open) {
            closeFile();
        }
        window.LeaveBusyState(kButton);
        restoreAttributes();
        if (holding) {
            files.ReleaseTermination();
        }
        throw;
    }
}

}  // namespace kryvet
