#include <cstring>

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

// A short read is the end of the file only where the file was measured to
// end; anywhere else another program has cut or grown it, and cutting at the
// stored size would keep bytes that were never decrypted.
void CheckReadEnd(std::int64_t position, std::int32_t n, std::int32_t requested, std::int64_t end) {
    if (n < requested ? position + n != end : position + n > end) {
        throw IoError::FileChanged();
    }
}

// Moves every byte after the header 70 bytes to the front, unmasked. Reading
// always runs 70 bytes ahead of writing, so nothing is overwritten unread.
void RewriteDecrypted(OperationWindow& window, platform::PlatformFile& files, Handle handle,
                      std::int64_t size, const KeyBytes& key, const RewriteOptions& options) {
    const std::int32_t blocksPerUnit = options.unitBlocks < 1 ? 1 : options.unitBlocks;
    const std::int32_t unit = blocksPerUnit * kBlockSize;
    const BodyMask mask(key);
    CheckedFile file(files, handle);
    detail::UnitBuffer buffer(unit);
    detail::ProgressReporter progress(window, size, options.reportProgress);
    for (std::int64_t q = 0;; ++q) {
        const std::int32_t n = file.Read(buffer.data(), unit);
        CheckReadEnd(kHeaderSize + q * unit, n, unit, size);
        mask.Apply(buffer.data(), static_cast<std::size_t>(n));
        file.SeekTo(q * unit);
        file.Write(buffer.data(), n);
        file.SeekForward(kHeaderSize, q * unit + n + kHeaderSize);
        if (n == unit) {
            progress.ReportThrough((q + 1) * blocksPerUnit - 1);
        } else {
            progress.ReportThrough(q * blocksPerUnit + n / kBlockSize);
            break;
        }
    }
}

// One field of the header; false when the file ended before it was whole.
bool ReadField(CheckedFile& file, std::uint8_t* field, std::size_t length) {
    return file.Read(field, static_cast<std::int32_t>(length)) == static_cast<std::int32_t>(length);
}

}  // namespace

int ReadHeaderAndCheckPassword(OperationWindow& window, platform::PlatformFile& files,
                               ProgramState& state, Handle handle, std::int64_t size) {
    if (size <= kGrowth) {
        return kNotEncrypted;
    }
    CheckedFile file(files, handle);
    EncryptedFileHeader header;
    std::uint8_t storedSize[4] = {};
    std::uint8_t storedAttributes[2] = {};
    bool whole = ReadField(file, header.FileMarker.data(), header.FileMarker.size());
    whole = ReadField(file, header.ClockKey.data(), header.ClockKey.size()) && whole;
    whole = ReadField(file, header.PasswordField.data(), header.PasswordField.size()) && whole;
    whole = ReadField(file, storedSize, sizeof storedSize) && whole;
    whole = ReadField(file, storedAttributes, sizeof storedAttributes) && whole;
    if (!whole) {
        return kNotEncrypted;
    }
    state.ClockKey = header.ClockKey;
    state.StoredFileSize = DecodeInt32(storedSize);
    state.SavedAttributes = static_cast<std::int32_t>(
        (static_cast<std::uint32_t>(state.SavedAttributes) & 0xFFFF0000u) |
        DecodeUInt16(storedAttributes));

    if (!MarkerMatches(header)) {
        return kNotEncrypted;
    }
    // A body that is not whole would be cut in the wrong place: such a header
    // cannot have come from an encryption of this file.
    if (state.StoredFileSize < 1 || state.StoredFileSize > size - kHeaderSize) {
        return kNotEncrypted;
    }
    if (window.AskPassword()) {
        return kPasswordNotGiven;
    }
    std::string typed = window.PasswordBytes();
    if (const auto zero = typed.find('\0'); zero != std::string::npos) {
        typed.resize(zero);
    }
    return typed == StoredPassword(header) ? kPasswordMatches : kWrongPassword;
}

void DecryptInPlace(OperationWindow& window, platform::PlatformFile& files, ProgramState& state,
                    const RewriteOptions& options) {
    constexpr auto kButton = OperationButton::BuFukugo;
    state.CurrentOperation = 1;
    if (CheckFileName(window, files)) {
        window.FocusFileName();
        return;
    }
    const std::int32_t attributesAtStart = files.GetFileAttributesA(window.FileNameText());
    state.SavedAttributes = attributesAtStart;
    if (attributesAtStart < 0) {
        window.LeaveBusyState(kButton);
        return;
    }
    files.SetFileAttributesA(window.FileNameText(), attributesAtStart & ~platform::kAttrReadOnly);
    // Every failure puts back the word read at the start, never the header's.
    const auto restoreAttributes = [&] {
        files.SetFileAttributesA(window.FileNameText(), attributesAtStart);
    };

    std::int64_t size = 0;
    try {
        size = MeasureFileSize(files, window.FileNameText());
    } catch (...) {
        restoreAttributes();
        throw;
    }
    if (size <= 0) {
        window.LeaveBusyState(kButton);
        restoreAttributes();
        return;
    }
    if (size > kMaxLayoutSize + kGrowth) {
        restoreAttributes();
        throw IoError::FileTooLarge();
    }

    const Handle handle = detail::OpenExclusively(files, window, kButton, restoreAttributes);
    if (handle < 0) {
        return;
    }

    detail::OperationFile file(files, handle);
    try {
        file.CheckSizeUnchanged(size);
        switch (ReadHeaderAndCheckPassword(window, files, state, handle, size)) {
            case kNotEncrypted:
                file.Close();
                window.LeaveBusyState(kButton);
                window.ShowNotice(Notice::NoAngo);
                restoreAttributes();
                window.FocusFileName();
                return;
            case kWrongPassword:
                file.Close();
                window.LeaveBusyState(kButton);
                window.SetTimer1Enabled(true);
                window.ShowNotPassword();
                window.SetTimer1Enabled(false);
                window.HideBrokenKey();
                restoreAttributes();
                return;
            case kPasswordNotGiven:
                file.Close();
                restoreAttributes();
                return;
            default:
                break;
        }
        window.EnterBusyState(kButton);
        file.HoldTermination();
        RewriteDecrypted(window, files, handle, size, KeyBytesOf(state.ClockKey), options);
        // A write of nothing at the stored size cuts the file there.
        CheckedFile cut(files, handle);
        cut.SeekTo(state.StoredFileSize);
        cut.Write(nullptr, 0);
        detail::FinishRewrite(file, window, kButton, window.FileNameText(), state.SavedAttributes);
    } catch (...) {
        detail::AbandonOperation(file, window, kButton, restoreAttributes);
        throw;
    }
}

}  // namespace kryvet
