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
    Failure failure;
    try {
        if (plan) {
            journal.emplace(io_, *plan, base, unit, way_.buffer());
            journal->Open(file_.status().identity);
            ForgetExtension();  // the footer on the disk says the rest
            way_.MoveJournaled(*journal, RegionStart{});
        } else {
            way_.MoveAll();
        }
        End(plan ? plan->end()
                 : std::max(base.sizeBefore, journal::WriteEnd(base.operation, base.sizeBefore)),
            plan.has_value());
        return Complete(plan.has_value());
    } catch (const EngineFailure& e) {
        failure = e.failure();
    } catch (const std::bad_alloc&) {
        failure = Failure{FailureKind::System, ENOMEM};
    }
    // Putting the file back makes the records and the kept mode untrue. Where
    // the records cannot be taken off, they stay, and the next press finishes
    // the file from them instead.
    if (journal && !journal->Drop()) {
        failure.file = FileState::Resumable;
        return failure;
    }
    ForgetExtension();
    if (ending_.keptMode) {
        file_.files().RemoveKept(file_.handle(), platform::PlatformFile::KeptWord::Mode);
    }
    return PutBack(failure, way_);
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
    // end, or be cut off with the records: the run stops and says so.
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
}

void RewriteSession::ForgetExtension() {
    // Where the file cannot be written (a read-only file keeps its mode
    // during the rewrite) the word stays; it names a size and zeros past the
    // old one that a finished file does not have.
    file_.files().RemoveKept(file_.handle(), platform::PlatformFile::KeptWord::Extension);
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
    // The words go on while the file may be written, before it grows.
    std::vector<PinnedFile::Word> words;
    if (plan) {
        words.emplace_back(platform::PlatformFile::KeptWord::Extension,
                           journal::ExtensionWord(base.sizeBefore, *plan, file.status().identity));
    }
    if (ending.keptMode) {
        words.emplace_back(platform::PlatformFile::KeptWord::Mode, *ending.keptMode);
    }
    file.BeginWriting(words);
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
