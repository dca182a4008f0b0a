#include <cerrno>
#include <new>
#include <optional>

#include "engine/file_attributes.h"
#include "engine/journaled_rewrite.h"
#include "engine/operations.h"
#include "engine/shift.h"

namespace kryvet {

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
    file.BeginWriting();
    if (!file.Reserve(size)) {
        return Refusal::DiskFull;
    }
    const BodyMask mask(KeyBytesOf(file.header.ClockKey));
    std::optional<journal::Plan> plan;
    if (options.journalBlocks > 0) {
        plan = journal::PlanJournal(size, storedSize, size - kHeaderSize, unit,
                                    std::int64_t{options.journalBlocks} * kBlockSize,
                                    file.spareSpace());
        // Where the records find no room, the rewrite runs without them.
        if (plan && !file.ReserveMore(plan->end())) {
            plan.reset();
        }
    }
    const ModeRequest modeAfter = file.ModeBeforeEncryption(file.header);
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
        if (plan) {
            const journal::Footer footer{
                journal::Operation::Decrypt, size,  storedSize,
                file.originalMode(),         *plan, file.status().identity};
            detail::OpenJournal(io, footer);
            journal::Record base;
            base.operation = footer.operation;
            base.sizeBefore = size;
            base.sizeAfter = storedSize;
            base.modeBefore = file.originalMode();
            base.modeAfter = file.Permitted(modeAfter);
            base.header = HeaderBytes(file.header);
            detail::DecryptRegions(io, mask, unit, *plan, base, {}, buffer, &progress, frontier);
            // The contents are on the disk before the cut takes the records.
            io.Flush();
        } else {
            detail::MoveTowardsFront(io, mask, unit, size, buffer, &progress, frontier);
        }
        platform::FileStatus now;
        if (files.Status(file.handle(), now) != 0 || now.size != (plan ? plan->end() : size)) {
            throw EngineFailure::Changed();
        }
        if (tailLength <= unit) {
            io.ReadExactly(storedSize, tail.data(), static_cast<std::int32_t>(tailLength));
            frontier = {storedSize, tail.data(), static_cast<std::int32_t>(tailLength)};
        }
        if (plan) {
            // The mode goes on while the records still stand.
            file.SetModeAhead(modeAfter);
            io.FlushAll();
        }
        io.CutAt(storedSize);
        io.Flush();
    } catch (const EngineFailure& e) {
        if (plan) {
            // Putting the file back makes the records untrue.
            detail::DropJournal(io, *plan);
        }
        const HeaderImage header = HeaderBytes(file.header);
        return detail::PutBack(
            e.failure(), [&] { detail::UndoDecryption(io, mask, unit, header, frontier, size); },
            frontier.moved);
    }
    // A read-only file keeps its mode during the rewrite; its kept word can
    // be taken off only once it may be written again.
    file.SetModeAhead(modeAfter);
    files.RemoveKeptMode(file.handle());
    return file.Complete(modeAfter);
}

}  // namespace

Outcome Decrypt(PinnedFile file, const std::string& passwordCp932, ProgressSink& sink,
                const RewriteOptions& options) {
    return detail::RunToTheEnd(file,
                               [&] { return DecryptPinned(file, passwordCp932, sink, options); });
}

}  // namespace kryvet
