#include <cerrno>
#include <new>

#include "engine/file_attributes.h"
#include "engine/operations.h"
#include "engine/shift.h"

namespace kryvet {

namespace {

Outcome EncryptPinned(PinnedFile& file, const std::string& passwordCp932, ProgressSink& sink,
                      const RewriteOptions& options) {
    platform::PlatformFile& files = file.files();
    const std::int64_t size = file.size();
    const std::int32_t unit = detail::UnitBytes(options.unitBlocks);
    file.CheckUnchanged();
    if (!file.Reserve(size + kGrowth)) {
        return Refusal::DiskFull;
    }
    const ClockKeyBytes clockKey = ClockKeyBytesOf(ClockValueOf(files.GetLocalTime()));
    const EncryptionMaterial material =
        MakeEncryptionMaterial(passwordCp932, clockKey, static_cast<std::int32_t>(size),
                               AttributeWordFromMode(file.originalMode()));
    const BodyMask mask(material.key);
    detail::CheckedFile io(files, file.handle());
    detail::ProgressReporter progress(sink, size, options.reportProgress);
    progress.StartAt(1);
    detail::UnitBuffer buffer(unit + kHeaderSize);
    detail::ForwardFrontier frontier;

    file.BeginRewrite();
    try {
        detail::MoveTowardsEnd(io, mask, unit, HeaderBytes(material.header), size, nullptr, 0,
                               buffer, &progress, frontier);
        // Bytes appended by another program would end up behind the trailer.
        platform::FileStatus now;
        if (files.Status(file.handle(), now) != 0 || now.size != size + kHeaderSize) {
            throw EngineFailure::Changed();
        }
        io.WriteAt(size + kHeaderSize, material.trailer.data(),
                   static_cast<std::int32_t>(material.trailer.size()));
        io.Flush();
    } catch (const EngineFailure& e) {
        return detail::PutBack(
            e.failure(), [&] { detail::UndoEncryption(io, mask, unit, frontier, size); },
            frontier.writeAt);
    }
    // Decryption gives back the whole mode from this; where the file
    // system keeps no such word, it falls back on the header's bit.
    files.WriteKeptMode(file.handle(), KeptModeValue(file.originalMode(), material.header));
    return file.Complete(ReadOnlyMode(file.originalMode()));
}

}  // namespace

Outcome Encrypt(PinnedFile file, const std::string& passwordCp932, ProgressSink& sink,
                const RewriteOptions& options) {
    return detail::RunToTheEnd(file,
                               [&] { return EncryptPinned(file, passwordCp932, sink, options); });
}

}  // namespace kryvet
