#include "engine/rewrite_session.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <vector>

namespace kryvet::detail {

namespace {

// Termination requests wait while the file's bytes are being rewritten.
class TerminationHeld {
public:
    explicit TerminationHeld(platform::PlatformFile& files) : files_(files) {
        files_.HoldTermination();
    }
    ~TerminationHeld() { files_.ReleaseTermination(); }
    TerminationHeld(const TerminationHeld&) = delete;
    TerminationHeld& operator=(const TerminationHeld&) = delete;

private:
    platform::PlatformFile& files_;
};

// Runs `undo` after `failure` stopped a rewrite without records and says
// what became of the file: restored, or damaged where the rewrite had got to.
Failure PutBack(Failure failure, RewriteWay& way) {
    try {
        way.Undo();
        failure.file = FileState::Restored;
    } catch (...) {
        FailureOf(std::current_exception());  // anything else goes on up
        failure.file = FileState::Damaged;
        failure.stoppedAt = way.StoppedAt();
    }
    return failure;
}

// The records' plan in the unit asked for, or where free space is short in
// smaller units (a region is whole units), so that a few KiB of free space
// are enough for a rewrite under records.
constexpr std::int64_t kRegionsWanted = 16;

struct Planned {
    std::int32_t unit = 0;
    std::optional<journal::Plan> plan;
};

Planned PlanRecords(const journal::Record& base, const RewriteOptions& options,
                    std::int64_t spare) {
    // Every region costs two flushes: a large file gets larger regions, up
    // to a sixteenth of it, where the room allows.
    const std::int64_t wanted = std::max(std::int64_t{options.journalBlocks} * kBlockSize,
                                         base.sizeBefore / kRegionsWanted);
    for (std::int32_t blocks = std::max(options.unitBlocks, 1);; blocks /= 2) {
        const std::int32_t unit = UnitBytes(blocks);
        auto plan = journal::PlanJournal(base.operation, base.sizeBefore, unit, wanted, spare);
        if (plan || blocks == 1) {
            return {unit, plan};
        }
    }
}

}  // namespace

Failure FailureOf(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const EngineFailure& e) {
        return e.failure();
    } catch (const std::bad_alloc&) {
        return Failure{FailureKind::System, ENOMEM};
    }
}

Outcome RewriteSession::Run(const std::optional<journal::Plan>& plan, const journal::Record& base,
                            std::int32_t unit) {
    file_.BeginRewrite();
    const TerminationHeld held(file_.files());
    const std::int64_t moveEnd =
        std::max(base.sizeBefore, journal::WriteEnd(base.operation, base.sizeBefore));
    const std::int64_t end = plan ? plan->end() : moveEnd;
    std::optional<RegionJournal> journal;
    Failure failure;
    try {
        if (plan) {
            journal.emplace(io_, *plan, base, unit, way_.buffer());
            // Bytes another program added since the last look would lie
            // where the records go.
            if (io_.Size() != base.sizeBefore) {
                throw EngineFailure::Changed();
            }
            stage_ = Stage::Grown;
            journal->Open(file_.status().identity);
            way_.MoveJournaled(*journal, RegionStart{});
        } else {
            stage_ = Stage::Begun;
            way_.MoveAll();
        }
        End(end, plan.has_value());
        return Complete(plan.has_value());
    } catch (...) {
        failure = FailureOf(std::current_exception());
    }
    if (stage_ == Stage::Grown && journal->begun()) {
        stage_ = Stage::Begun;
    }
    return Stop(failure, end, base.sizeBefore, plan.has_value());
}

Outcome RewriteSession::Resume(const journal::Footer& footer, const journal::Record& record,
                               std::int32_t unit) {
    file_.BeginRewrite();
    const TerminationHeld held(file_.files());
    stage_ = Stage::Begun;
    Failure failure;
    try {
        RecordedRegion(io_, footer, record, unit, way_.buffer()).ReturnToOld();
        io_.Flush();
        RegionJournal journal(io_, footer.plan, record, unit, way_.buffer());
        way_.MoveJournaled(journal, {record.from, record.sequence, true, record.carry.data()});
        End(footer.plan.end(), true);
        return Complete(true);
    } catch (...) {
        failure = FailureOf(std::current_exception());
    }
    return Stop(failure, footer.plan.end(), record.sizeBefore, true);
}

Outcome RewriteSession::Stop(Failure failure, std::int64_t grownTo, std::int64_t sizeBefore,
                             bool journaled) {
    const bool encryptedBefore = !ending_.encrypted();
    switch (stage_) {
        case Stage::Untouched:
            file_.TakeOffWords(encryptedBefore);
            return failure;
        case Stage::Grown: {
            // Nothing of the contents was touched: the cut alone puts it back.
            const Outcome cut = CutBack(file_, io_, grownTo, sizeBefore, encryptedBefore,
                                        {file_.originalMode(), false});
            const auto* failed = std::get_if<Failure>(&cut);
            // Where the cut failed, the footer or the growth word stands.
            failure.file = failed != nullptr && failed->file == FileState::Resumable
                               ? FileState::Resumable
                               : FileState::Restored;
            return failure;
        }
        case Stage::Begun:
            if (!journaled) {
                failure = PutBack(failure, way_);
                file_.TakeOffWords(encryptedBefore);
                return failure;
            }
            // Undoing would be a second rewrite with nothing to protect it;
            // the records stand instead, and the next press finishes.
            failure.file = FileState::Resumable;
            return failure;
        case Stage::Cut:
            file_.TakeOffWords(ending_.encrypted());
            failure.file = FileState::Completed;
            return failure;
    }
    return failure;
}

Outcome RewriteSession::CutBack(PinnedFile& file, CheckedFile& io, std::int64_t sizeNow,
                                std::int64_t sizeBefore, bool encrypted, const ModeRequest& mode) {
    try {
        // Bytes added by another program meanwhile would go with the cut. A
        // growth cut short leaves the file anywhere between the two sizes.
        const std::int64_t size = io.Size();
        if (size < sizeBefore || size > sizeNow) {
            throw EngineFailure::Changed();
        }
        io.CutAt(sizeBefore);
        io.Flush();
    } catch (...) {
        Failure failure = FailureOf(std::current_exception());
        failure.file = FileState::Resumable;
        return failure;
    }
    file.TakeOffWords(encrypted);
    return file.Complete(mode);
}

void RewriteSession::End(std::int64_t expectedSize, bool journaled) {
    // Bytes added by another program meanwhile would end up behind the
    // end, or be cut off with the records: the run stops and says so.
    if (io_.Size() != expectedSize) {
        throw EngineFailure::Changed();
    }
    way_.Close();
    if (journaled) {
        // Only once the contents are on the disk do the records go; the
        // modes go on, and the words off, while they still stand, so that a
        // crash meanwhile is finished with the right mode. One flush for all.
        KeepMode();
        // A decryption's kept mode stays until the file has its final mode;
        // the growth word until the cut, as the sign that bytes appended now
        // lie behind records.
        const bool finalMode = file_.SetModeAhead(ending_.mode);
        if (!ending_.encrypted() && finalMode) {
            file_.TakeOffWords(false, true);
        }
        io_.FlushAll();
    } else {
        io_.Flush();
    }
    // Checked again at the last moment: what was appended is never cut off.
    if (io_.Size() != (journaled ? expectedSize : std::max(expectedSize, ending_.size))) {
        throw EngineFailure::Changed();
    }
    io_.CutAt(ending_.size);
    stage_ = Stage::Cut;
}

void RewriteSession::KeepMode() {
    // Where the file system keeps no such word, decryption falls back on
    // the header's read-only bit. A read-only file was given it while it
    // was writable for its open.
    if (ending_.keptMode) {
        file_.files().WriteKept(file_.handle(), platform::PlatformFile::KeptWord::Mode,
                                *ending_.keptMode);
    }
}

Outcome RewriteSession::Complete(bool journaled) {
    if (!journaled) {
        KeepMode();
    }
    // Once more after the cut, where the mode could not be set ahead: the
    // mode, then the words, in that order on the disk; then the cut and
    // they are flushed, before the run says it is done. (Were the cut lost,
    // the records would finish the file again to the same bytes.)
    const bool finalMode = file_.SetModeAhead(ending_.mode);
    file_.TakeOffWords(ending_.encrypted() || !finalMode);
    try {
        io_.FlushAll();
    } catch (...) {
        Failure failure = FailureOf(std::current_exception());
        failure.file = FileState::Completed;
        file_.Finish(ending_.mode);
        return failure;
    }
    return file_.Complete(ending_.mode);
}

journal::Record WhatRewrites(const PinnedFile& file, journal::Operation operation,
                             const EncryptedFileHeader& header, const ModeRequest& modeAfter) {
    journal::Record base;
    base.operation = operation;
    base.sizeBefore = file.size();
    base.sizeAfter = journal::SizeAfter(operation, file.size());
    base.modeBefore = file.originalMode();
    base.modeAfter = file.Permitted(modeAfter);
    base.header = HeaderBytes(header);
    return base;
}

std::unique_ptr<RewriteWay> MakeWay(CheckedFile& io, const journal::Record& record,
                                    std::int32_t unit, const ProgressReporter& progress) {
    if (record.operation == journal::Operation::Encrypt) {
        return std::make_unique<EncryptionWay>(io, record, unit, progress);
    }
    return std::make_unique<DecryptionWay>(io, record, unit, progress);
}

Outcome RewriteFile(PinnedFile& file, const journal::Record& base, const Ending& ending,
                    ProgressSink& sink, const RewriteOptions& options) {
    const bool journaled = options.journalBlocks > 0;
    const Planned planned = journaled ? PlanRecords(base, options, file.spareSpace())
                                      : Planned{UnitBytes(options.unitBlocks), std::nullopt};
    if (journaled && !planned.plan) {
        return Refusal::DiskFull;  // no rewrite without its records
    }
    // The words go on while the file may be written, before it grows.
    std::vector<PinnedFile::Word> words;
    if (planned.plan) {
        words.emplace_back(
            platform::PlatformFile::KeptWord::Extension,
            journal::ExtensionWord(base.sizeBefore, *planned.plan, file.status().identity));
    }
    if (ending.keptMode) {
        words.emplace_back(platform::PlatformFile::KeptWord::Mode, *ending.keptMode);
    }
    // Until the session runs, nothing but the words was changed.
    const bool encryptedBefore = !ending.encrypted();
    std::optional<CheckedFile> io;
    std::unique_ptr<RewriteWay> way;
    try {
        file.BeginWriting(words);
        if (!file.Reserve(std::max(base.sizeBefore, base.sizeAfter)) ||
            (planned.plan && !file.ReserveMore(planned.plan->end()))) {
            file.TakeOffWords(encryptedBefore);
            return Refusal::DiskFull;
        }
        io.emplace(file.files(), file.handle());
        way = MakeWay(*io, base, planned.unit,
                      ProgressReporter(sink, base.sizeBefore, options.reportProgress));
    } catch (...) {
        file.TakeOffWords(encryptedBefore);
        throw;
    }
    return RewriteSession(file, *io, *way, ending).Run(planned.plan, base, planned.unit);
}

Outcome RunToTheEnd(PinnedFile& file, const std::function<Outcome()>& operation) {
    Outcome outcome;
    try {
        outcome = operation();
    } catch (...) {
        outcome = FailureOf(std::current_exception());
    }
    file.Close();
    return outcome;
}

}  // namespace kryvet::detail
