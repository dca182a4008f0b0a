#include <algorithm>
#include <cerrno>
#include <new>
#include <optional>

#include "engine/file_attributes.h"
#include "engine/journaled_rewrite.h"
#include "engine/operations.h"
#include "engine/shift.h"

namespace kryvet {

namespace {

Outcome EncryptPinned(PinnedFile& file, const std::string& passwordCp932, ProgressSink& sink,
                      const RewriteOptions& options) {
    platform::PlatformFile& files = file.files();
    const std::int64_t size = file.size();
    const std::int32_t unit = detail::UnitBytes(options.unitBlocks);
    file.BeginWriting();
    if (!file.Reserve(size + kGrowth)) {
        return Refusal::DiskFull;
    }
    const ClockKeyBytes clockKey = ClockKeyBytesOf(ClockValueOf(files.GetLocalTime()));
    const EncryptionMaterial material =
        MakeEncryptionMaterial(passwordCp932, clockKey, static_cast<std::int32_t>(size),
                               AttributeWordFromMode(file.originalMode()));
    const BodyMask mask(material.key);
    std::optional<journal::Plan> plan;
    if (options.journalBlocks > 0) {
        plan = journal::PlanJournal(size, size + kGrowth, size + kHeaderSize, unit,
                                    std::int64_t{options.journalBlocks} * kBlockSize,
                                    file.spareSpace());
        // Where the records find no room, the rewrite runs without them.
        if (plan && !file.ReserveMore(plan->end())) {
            plan.reset();
        }
    }
    // Decryption gives back the whole mode from this; where the file
    // system keeps no such word, it falls back on the header's bit.
    const std::string keptMode =
        KeptModeValue(file.originalMode(), material.header, file.status().identity);
    // The file's own mode, without its write bits: bound to it by nature.
    const ModeRequest modeAfter{ReadOnlyMode(file.originalMode()), true};
    detail::CheckedFile io(files, file.handle());
    detail::ProgressReporter progress(sink, size, options.reportProgress);
    progress.StartAt(1);
    detail::UnitBuffer buffer(unit + kHeaderSize);
    detail::ForwardFrontier frontier;

    file.BeginRewrite();
    try {
        const HeaderImage header = HeaderBytes(material.header);
        if (plan) {
            const journal::Footer footer{
                journal::Operation::Encrypt, size,  size + kGrowth,
                file.originalMode(),         *plan, file.status().identity};
            detail::OpenJournal(io, footer);
            journal::Record base;
            base.operation = footer.operation;
            base.sizeBefore = size;
            base.sizeAfter = size + kGrowth;
            base.modeBefore = file.originalMode();
            base.modeAfter = file.Permitted(modeAfter);
            base.header = header;
            base.trailer = material.trailer;
            std::copy(header.begin(), header.end(), buffer.data());
            detail::EncryptRegions(io, mask, unit, *plan, base, {}, buffer, &progress, frontier);
        } else {
            detail::MoveTowardsEnd(io, mask, unit, header, size, nullptr, 0, buffer, &progress,
                                   frontier);
        }
        // Bytes appended by another program would end up behind the trailer.
        platform::FileStatus now;
        if (files.Status(file.handle(), now) != 0 ||
            now.size != (plan ? plan->end() : size + kHeaderSize)) {
            throw EngineFailure::Changed();
        }
        io.WriteAt(size + kHeaderSize, material.trailer.data(),
                   static_cast<std::int32_t>(material.trailer.size()));
        io.Flush();
        if (plan) {
            // Only once the contents are on the disk do the records go, and
            // the mode and its kept word go on before them.
            files.WriteKeptMode(file.handle(), keptMode);
            file.SetModeAhead(modeAfter);
            io.FlushAll();
            io.CutAt(size + kGrowth);
            io.Flush();
        }
    } catch (const EngineFailure& e) {
        if (plan) {
            // Putting the file back makes the records untrue.
            detail::DropJournal(io, *plan);
            files.RemoveKeptMode(file.handle());
        }
        return detail::PutBack(
            e.failure(), [&] { detail::UndoEncryption(io, mask, unit, frontier, size); },
            frontier.writeAt);
    }
    if (!plan) {
        files.WriteKeptMode(file.handle(), keptMode);
    }
    return file.Complete(modeAfter);
}

}  // namespace

Outcome Encrypt(PinnedFile file, const std::string& passwordCp932, ProgressSink& sink,
                const RewriteOptions& options) {
    return detail::RunToTheEnd(file,
                               [&] { return EncryptPinned(file, passwordCp932, sink, options); });
}

}  // namespace kryvet
