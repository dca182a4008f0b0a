#include <cerrno>
#include <new>

#include "engine/file_attributes.h"
#include "engine/operations.h"
#include "engine/shift.h"

namespace kryvet {

namespace {

// The mode the file had before encryption: the whole word where it was kept
// with this very file, else the header's read-only bit on today's mode.
unsigned ModeBeforeEncryption(PinnedFile& file) {
    std::string kept;
    if (file.files().ReadKeptMode(file.handle(), kept) == 0) {
        if (const auto mode = KeptModeFor(kept, file.header)) {
            return *mode;
        }
    }
    return ModeFromAttributeWord(static_cast<std::int32_t>(file.originalMode() << 16) |
                                 file.header.StoredAttributes);
}

}  // namespace

bool PasswordMatches(const PinnedFile& file, const std::string& passwordCp932) {
    std::string typed = passwordCp932;
    if (const auto zero = typed.find('\0'); zero != std::string::npos) {
        typed.resize(zero);
    }
    return typed == StoredPassword(file.header);
}

namespace {

Outcome DecryptPinned(PinnedFile& file, const std::string& passwordCp932, ProgressSink& sink,
                      const RewriteOptions& options) {
    if (!PasswordMatches(file, passwordCp932)) {
        return Refusal::WrongPassword;
    }
    platform::PlatformFile& files = file.files();
    const std::int64_t size = file.size();
    const std::int64_t storedSize = file.header.StoredFileSize;
    const std::int32_t unit = detail::UnitBytes(options.unitBlocks);
    file.CheckUnchanged();
    if (!file.Reserve(size)) {
        return Refusal::DiskFull;
    }
    const BodyMask mask(KeyBytesOf(file.header.ClockKey));
    detail::CheckedFile io(files, file.handle());
    detail::ProgressReporter progress(sink, size, options.reportProgress);
    detail::UnitBuffer buffer(unit);
    // What lies beyond the stored size after the move is cut off; it is
    // kept in memory until the file is safely on the disk.
    const std::int64_t tailLength = size - kHeaderSize - storedSize;
    detail::UnitBuffer tail(static_cast<std::int32_t>(tailLength <= unit ? tailLength + 1 : 1));
    detail::BackwardFrontier frontier;

    file.BeginRewrite();
    try {
        detail::MoveTowardsFront(io, mask, unit, size, buffer, &progress, frontier);
        platform::FileStatus now;
        if (files.Status(file.handle(), now) != 0 || now.size != size) {
            throw EngineFailure::Changed();
        }
        if (tailLength <= unit) {
            io.ReadExactly(storedSize, tail.data(), static_cast<std::int32_t>(tailLength));
            frontier = {storedSize, tail.data(), static_cast<std::int32_t>(tailLength)};
        }
        io.CutAt(storedSize);
        io.Flush();
    } catch (const EngineFailure& e) {
        const HeaderImage header = HeaderBytes(file.header);
        return detail::PutBack(
            e.failure(), [&] { detail::UndoDecryption(io, mask, unit, header, frontier, size); },
            frontier.moved);
    }
    const unsigned mode = ModeBeforeEncryption(file);
    files.RemoveKeptMode(file.handle());
    return file.Complete(mode);
}

}  // namespace

Outcome Decrypt(PinnedFile file, const std::string& passwordCp932, ProgressSink& sink,
                const RewriteOptions& options) {
    return detail::RunToTheEnd(file,
                               [&] { return DecryptPinned(file, passwordCp932, sink, options); });
}

}  // namespace kryvet
