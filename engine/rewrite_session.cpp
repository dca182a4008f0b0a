#include "engine/rewrite_session.h"

#include <algorithm>
#include <cerrno>
#include <new>

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

// Runs `undo` after `failure` stopped a rewrite and says what became of the
// file: restored, or damaged where the rewrite had got to.
Failure PutBack(Failure failure, RewriteWay& way) {
    try {
        way.Undo();
        failure.file = FileState::Restored;
    } catch (const EngineFailure&) {
        failure.file = FileState::Damaged;
        failure.stoppedAt = way.StoppedAt();
    } catch (const std::bad_alloc&) {
        failure.file = FileState::Damaged;
        failure.stoppedAt = way.StoppedAt();
    }
    return failure;
}

}  // namespace

Outcome RewriteSession::Run(const std::optional<journal::Plan>& plan, const journal::Record& base,
                            std::int32_t unit) {
    file_.BeginRewrite();
    const TerminationHeld held(file_.files());
    std::optional<RegionJournal> journal;
    try {
        if (plan) {
            journal.emplace(io_, *plan, base, unit, way_.buffer());
            journal->Open(file_.status().identity);
            way_.MoveJournaled(*journal, RegionStart{});
        } else {
            way_.MoveAll();
        }
        End(plan ? plan->end()
                 : std::max(base.sizeBefore, journal::WriteEnd(base.operation, base.sizeBefore)),
            plan.has_value());
    } catch (const EngineFailure& e) {
        // Putting the file back makes the records and the kept mode untrue.
        if (journal) {
            journal->Drop();
            ForgetExtension();
        }
        if (keptWritten_) {
            file_.files().RemoveKept(file_.handle(), platform::PlatformFile::KeptWord::Mode);
        }
        return PutBack(e.failure(), way_);
    }
    return Complete(plan.has_value());
}

Outcome RewriteSession::Resume(const journal::Footer& footer, const journal::Record& record,
                               std::int32_t unit) {
    file_.BeginRewrite();
    const TerminationHeld held(file_.files());
    RecordedRegion(io_, footer, record, unit, way_.buffer()).ReturnToOld();
    io_.Flush();
    RegionJournal journal(io_, footer.plan, record, unit, way_.buffer());
    way_.MoveJournaled(journal, {record.from, record.sequence, true, record.carry.data()});
    End(footer.plan.end(), true);
    return Complete(true);
}

void RewriteSession::End(std::int64_t expectedSize, bool journaled) {
    // Bytes added by another program meanwhile would end up behind the
    // end, or be cut off with the records.
    if (io_.Size() != expectedSize) {
        throw EngineFailure::Changed();
    }
    way_.Close();
    io_.Flush();
    if (journaled) {
        // Only once the contents are on the disk do the records go, and the
        // modes go on before them.
        KeepMode();
        file_.SetModeAhead(ending_.mode);
        io_.FlushAll();
    }
    io_.CutAt(ending_.size);
    cut_ = true;
    io_.Flush();
    if (journaled) {
        ForgetExtension();
    }
}

void RewriteSession::ForgetExtension() {
    // A read-only file keeps the word: it names a size the file never has
    // again without a new word.
    file_.files().RemoveKept(file_.handle(), platform::PlatformFile::KeptWord::Extension);
}

void RewriteSession::KeepMode() {
    // Where the file system keeps no such word, decryption falls back on
    // the header's read-only bit.
    if (ending_.keptMode) {
        keptWritten_ =
            file_.files().WriteKept(file_.handle(), platform::PlatformFile::KeptWord::Mode,
                                    *ending_.keptMode) == 0;
    }
}

Outcome RewriteSession::Complete(bool journaled) {
    if (!journaled) {
        KeepMode();
    }
    if (!ending_.keptMode) {
        // A read-only file keeps its mode during the rewrite; its kept word
        // can be taken off only once it may be written again.
        file_.SetModeAhead(ending_.mode);
        file_.files().RemoveKept(file_.handle(), platform::PlatformFile::KeptWord::Mode);
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
    const std::int32_t unit = UnitBytes(options.unitBlocks);
    std::optional<journal::Plan> plan;
    if (options.journalBlocks > 0) {
        plan = journal::PlanJournal(base.operation, base.sizeBefore, unit,
                                    std::int64_t{options.journalBlocks} * kBlockSize,
                                    file.spareSpace());
    }
    file.BeginWriting(plan ? journal::ExtensionWord(base.sizeBefore, *plan, file.status().identity)
                           : std::string());
    if (!file.Reserve(std::max(base.sizeBefore, base.sizeAfter))) {
        return Refusal::DiskFull;
    }
    // Where the records find no room, the rewrite runs without them.
    if (plan && !file.ReserveMore(plan->end())) {
        plan.reset();
    }
    CheckedFile io(file.files(), file.handle());
    const auto way =
        MakeWay(io, base, unit, ProgressReporter(sink, base.sizeBefore, options.reportProgress));
    return RewriteSession(file, io, *way, ending).Run(plan, base, unit);
}

Outcome RunToTheEnd(PinnedFile& file, const std::function<Outcome()>& operation) {
    Outcome outcome;
    try {
        outcome = operation();
    } catch (const EngineFailure& e) {
        outcome = e.failure();
    } catch (const std::bad_alloc&) {
        outcome = Failure{FailureKind::System, ENOMEM};
    }
    file.Close();
    return outcome;
}

}  // namespace kryvet::detail
