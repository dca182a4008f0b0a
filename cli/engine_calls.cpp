#include "cli/engine_calls.h"

#include <algorithm>
#include <utility>
#include <variant>

#include "engine/operations.h"

namespace kryvet::cli {

namespace {

Preparation PrepareFor(Rewrite rewrite, platform::PlatformFile& files, const std::string& name) {
    return rewrite == Rewrite::Encrypt ? PrepareEncryption(files, name)
                                       : PrepareDecryption(files, name);
}

// The engine's outcome as the end of the file's run.
FileEnd EndOf(const Outcome& outcome, FileEnd end = {}) {
    if (const auto* refusal = std::get_if<Refusal>(&outcome)) {
        end.kind = FileEnd::Kind::Refused;
        end.refusal = *refusal;
    } else if (const auto* failure = std::get_if<Failure>(&outcome)) {
        end.kind = FileEnd::Kind::Failed;
        end.failure = *failure;
    } else {
        end.kind = FileEnd::Kind::Done;
    }
    return end;
}

// A preparation that came to a refusal or a failure, as the file's end.
FileEnd EndOfPreparation(const Preparation& prepared) {
    if (const auto* refusal = std::get_if<Refusal>(&prepared)) {
        return EndOf(*refusal);
    }
    if (const auto* failure = std::get_if<Failure>(&prepared)) {
        return EndOf(*failure);
    }
    return {};
}

// A rewrite with the progress shown for it.
template <typename Call>
Outcome WithProgress(FileRun& run, const PinnedFile& file, Call call) {
    run.progress.Begin(file.size());
    Outcome outcome = call(static_cast<ProgressSink&>(run.progress));
    run.progress.End();
    return outcome;
}

// Finishes the interrupted rewrite of a prepared file, unless its records
// belong to another file and the user did not adopt them.
FileEnd FinishPrepared(PinnedFile& file, FileRun& run) {
    FileEnd end;
    const journal::Footer footer = *file.interrupted();
    RecordTrust trust = RecordTrust::OwnOnly;
    if (!footer.madeForThisFile) {
        if (!run.adoptRecords) {
            file.Close();
            end.kind = FileEnd::Kind::ForeignRecords;
            return end;
        }
        trust = RecordTrust::UserAgreed;
    }
    end.finishedChangedNothing = InterruptedBeforeAnyChange(file);
    if (run.stopRequested()) {
        file.Close();
        end.kind = FileEnd::Kind::Stopped;
        return end;
    }
    end = EndOf(WithProgress(run, file,
                             [&](ProgressSink& sink) {
                                 return FinishInterrupted(std::move(file), sink, {}, trust);
                             }),
                end);
    if (end.kind == FileEnd::Kind::Done) {
        end.finished = footer.operation;
    }
    return end;
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

}  // namespace

FileEnd RewriteFile(Rewrite rewrite, const std::string& name, FileRun& run) {
    const journal::Operation wanted =
        rewrite == Rewrite::Encrypt ? journal::Operation::Encrypt : journal::Operation::Decrypt;
    std::optional<journal::Operation> finished;
    bool finishedChangedNothing = false;
    // At most one interrupted rewrite to finish first: what it leaves is a
    // whole file, encrypted or plain.
    for (int pass = 0; pass < 2; ++pass) {
        Preparation prepared = PrepareFor(rewrite, run.files, name);
        FileEnd end = EndOfPreparation(prepared);
        end.finished = finished;
        end.finishedChangedNothing = finishedChangedNothing;
        auto* file = std::get_if<PinnedFile>(&prepared);
        if (file == nullptr) {
            if (IsAlreadyDone(rewrite, end)) {
                if (end.kind == FileEnd::Kind::Failed) {
                    end.refusal = Refusal::NotEncrypted;
                }
                end.kind = FileEnd::Kind::AlreadyDone;
            }
            return end;
        }
        if (file->putBack()) {
            // Cut short before it changed anything, and put back: said, then
            // the file prepared again.
            finished = file->putBack()->operation;
            finishedChangedNothing = true;
            file->Close();
            continue;
        }
        if (file->interrupted()) {
            FileEnd recovered = FinishPrepared(*file, run);
            if (recovered.kind != FileEnd::Kind::Done || recovered.finished == wanted) {
                return recovered;
            }
            finished = recovered.finished;
            finishedChangedNothing = recovered.finishedChangedNothing;
            continue;
        }
        const std::string* password = run.password();
        if (password == nullptr) {
            file->Close();
            end.kind = FileEnd::Kind::NoPassword;
            return end;
        }
        if (rewrite == Rewrite::Decrypt && !PasswordMatches(*file, *password)) {
            file->Close();
            return EndOf(Refusal::WrongPassword, end);
        }
        if (run.stopRequested()) {
            file->Close();
            end.kind = FileEnd::Kind::Stopped;
            return end;
        }
        return EndOf(WithProgress(run, *file,
                                  [&](ProgressSink& sink) {
                                      return rewrite == Rewrite::Encrypt
                                                 ? Encrypt(std::move(*file), *password, sink)
                                                 : Decrypt(std::move(*file), *password, sink);
                                  }),
                     end);
    }
    FileEnd end;
    end.kind = FileEnd::Kind::Failed;
    end.failure = Failure{FailureKind::FileChanged};
    return end;
}

FileEnd RecoverFile(const std::string& name, FileRun& run) {
    Preparation prepared = PrepareDecryption(run.files, name);
    auto* file = std::get_if<PinnedFile>(&prepared);
    if (file != nullptr && file->interrupted()) {
        return FinishPrepared(*file, run);
    }
    FileEnd end;
    if (file != nullptr && file->putBack()) {
        end.finished = file->putBack()->operation;
        end.finishedChangedNothing = true;
        file->Close();
        return end;
    }
    if (const auto* failure = std::get_if<Failure>(&prepared)) {
        // Too large to be encrypted means no records were found either.
        if (failure->kind != FailureKind::FileTooLarge) {
            end.kind = FileEnd::Kind::Failed;
            end.failure = *failure;
            return end;
        }
    } else if (const auto* refusal = std::get_if<Refusal>(&prepared)) {
        // Whatever is not an encrypted file has nothing to finish either;
        // a file that is not there or not reachable is said so.
        if (*refusal != Refusal::NotEncrypted && *refusal != Refusal::EmptyFile) {
            end.kind = FileEnd::Kind::Refused;
            end.refusal = *refusal;
            return end;
        }
    }
    end.kind = FileEnd::Kind::NothingToFinish;
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
        state.kind =
            *refusal == Refusal::InUse ? Inspection::Kind::Busy : Inspection::Kind::Refused;
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
