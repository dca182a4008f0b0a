#include "cli/engine_calls.h"

#include <algorithm>
#include <utility>
#include <variant>

#include "engine/file_task.h"

namespace kryvet::cli {

namespace {

// A rewrite with the progress shown for it.
Outcome RunWithProgress(FileRun& run, FileTask& task) {
    run.progress.Begin(task.next().size);
    Outcome outcome = task.Run(run.progress);
    run.progress.End();
    return outcome;
}

// Work done already is no failure: a rerun over a finished tree meets it.
bool IsAlreadyDone(Rewrite rewrite, const FileEnd& end) {
    if (end.kind == FileEnd::Kind::Failed) {
        // Decryption: larger than any encrypted file, so a plain one.
        return rewrite == Rewrite::Decrypt && end.failure.kind == FailureKind::FileTooLarge;
    }
    const Refusal done =
        rewrite == Rewrite::Encrypt ? Refusal::AlreadyEncrypted : Refusal::NotEncrypted;
    return end.kind == FileEnd::Kind::Refused &&
           (end.refusal == done || end.refusal == Refusal::EmptyFile);
}

std::int64_t SizeOfName(platform::PlatformFile& files, const std::string& name) {
    platform::FileStatus status;
    return files.StatusOfName(name, status) == 0 ? status.size : 0;
}

// Runs the rewrite the task is ready for, unless a termination request came
// (false, the end says so); a finished interrupted rewrite is noted.
bool RunStep(FileTask& task, FileRun& run, FileEnd& end) {
    if (run.stopRequested()) {
        task.Close();
        end.kind = FileEnd::Kind::Stopped;
        return false;
    }
    const bool finishing = task.next().kind == NextStep::Kind::Finish;
    const Operation operation = task.next().operation;
    if (std::holds_alternative<Done>(RunWithProgress(run, task)) && finishing) {
        end.finished = operation;
        end.finishedChangedNothing = false;
    }
    return true;
}

// Follows the engine's steps for one file until the run ends; `recovering`
// stops where a password would be needed.
FileEnd FollowSteps(FileTask& task, FileRun& run, bool recovering) {
    FileEnd end;
    for (;;) {
        const NextStep& next = task.next();
        switch (next.kind) {
            case NextStep::Kind::PutBack:
                end.finished = next.operation;
                end.finishedChangedNothing = true;
                task.GoOn();
                continue;
            case NextStep::Kind::AskTrust:
                task.Trust(run.adoptRecords);
                continue;
            case NextStep::Kind::Finish:
            case NextStep::Kind::Ready:
                if (!RunStep(task, run, end)) {
                    return end;
                }
                continue;
            case NextStep::Kind::Password: {
                const Password* password = recovering ? nullptr : run.password();
                if (password == nullptr) {
                    task.Close();
                    end.kind = recovering ? FileEnd::Kind::Done : FileEnd::Kind::NoPassword;
                    return end;
                }
                task.GivePassword(*password);
                continue;
            }
            case NextStep::Kind::Done:
                end.kind = FileEnd::Kind::Done;
                return end;
            case NextStep::Kind::Declined:
                end.kind = FileEnd::Kind::ForeignRecords;
                return end;
            case NextStep::Kind::Refused:
                end.kind = FileEnd::Kind::Refused;
                end.refusal = next.refusal;
                return end;
            case NextStep::Kind::Failed:
                end.kind = FileEnd::Kind::Failed;
                end.failure = next.failure;
                return end;
        }
    }
}

}  // namespace

FileEnd RewriteFile(Rewrite rewrite, const std::string& name, FileRun& run) {
    FileTask task(run.files, rewrite == Rewrite::Encrypt ? Operation::Encrypt : Operation::Decrypt,
                  name);
    FileEnd end = FollowSteps(task, run, false);
    if (IsAlreadyDone(rewrite, end)) {
        if (end.kind == FileEnd::Kind::Failed) {
            end.refusal = Refusal::NotEncrypted;
        }
        end.kind = FileEnd::Kind::AlreadyDone;
    }
    return end;
}

FileEnd RecoverFile(const std::string& name, FileRun& run) {
    // Prepared as for decryption: an encrypted file, finished or not, then
    // asks for a password, where recovering ends.
    FileTask task(run.files, Operation::Decrypt, name);
    FileEnd end = FollowSteps(task, run, true);
    const bool nothingFound =
        !end.finished &&
        (end.kind == FileEnd::Kind::Done ||
         (end.kind == FileEnd::Kind::Refused &&
          (end.refusal == Refusal::NotEncrypted || end.refusal == Refusal::EmptyFile)) ||
         // Too large to be encrypted means no records were found either.
         (end.kind == FileEnd::Kind::Failed && end.failure.kind == FailureKind::FileTooLarge));
    if (nothingFound) {
        end.kind = FileEnd::Kind::NothingToFinish;
    } else if (end.finished && end.kind == FileEnd::Kind::Refused &&
               end.refusal == Refusal::NotEncrypted) {
        end.kind = FileEnd::Kind::Done;  // a finished decryption, prepared again
    }
    return end;
}

Inspection InspectFile(platform::PlatformFile& files, const std::string& name) {
    Inspection state;
    Preparation prepared = LookAt(files, name);
    if (auto* file = std::get_if<PinnedFile>(&prepared)) {
        if (file->interrupted()) {
            state.kind = Inspection::Kind::Interrupted;
            state.operation = file->interrupted()->operation;
            state.size = file->interrupted()->sizeBefore;
            state.ownRecords = file->interrupted()->madeForThisFile;
            state.percentDone = PercentDone(*file);
        } else if (const auto grown = file->grown()) {
            // Grown for its records, which never reached the disk: nothing done.
            state.kind = Inspection::Kind::Interrupted;
            state.operation = grown->operation;
            state.size = grown->to;
        } else {
            state.kind = Inspection::Kind::Encrypted;
            state.size = file->header().StoredFileSize;
            state.clockKey = file->header().ClockKey;
        }
        file->Close();
        return state;
    }
    if (const auto* refusal = std::get_if<Refusal>(&prepared)) {
        if (*refusal == Refusal::NotEncrypted || *refusal == Refusal::EmptyFile) {
            state.size = SizeOfName(files, name);
            return state;
        }
        state.kind = Inspection::Kind::Refused;
        state.refusal = *refusal;
        return state;
    }
    state.failure = std::get<Failure>(prepared);
    switch (state.failure.kind) {
        case FailureKind::FileTooLarge:  // larger than any encrypted file
            state.size = SizeOfName(files, name);
            return state;
        case FailureKind::InUse:
            state.kind = Inspection::Kind::Busy;
            return state;
        case FailureKind::RecordDamaged:
        case FailureKind::SizeMismatch:
        case FailureKind::RecordInside:
            state.kind = Inspection::Kind::Damaged;
            return state;
        default:
            state.kind = Inspection::Kind::Unreadable;
            return state;
    }
}

}  // namespace kryvet::cli
