#include "engine/file_task.h"

#include <stdexcept>
#include <utility>

namespace kryvet {

FileTask::FileTask(platform::PlatformFile& files, Operation asked, std::string name,
                   const RewriteOptions& options)
    : files_(files), asked_(asked), name_(std::move(name)), options_(options) {
    Prepare();
}

void FileTask::Prepare() {
    file_.reset();
    Settle(asked_ == Operation::Encrypt ? PrepareEncryption(files_, name_)
                                        : PrepareDecryption(files_, name_));
}

void FileTask::Settle(Preparation prepared) {
    next_ = {};
    if (const auto* refusal = std::get_if<Refusal>(&prepared)) {
        next_.refusal = *refusal;
        return;
    }
    if (const auto* failure = std::get_if<Failure>(&prepared)) {
        next_.kind = NextStep::Kind::Failed;
        next_.failure = *failure;
        return;
    }
    PinnedFile& file = file_.emplace(std::move(std::get<PinnedFile>(prepared)));
    next_.size = file.size();
    if (const auto& putBack = file.putBack()) {
        next_.kind = NextStep::Kind::PutBack;
        next_.operation = putBack->operation;
        file_.reset();
    } else if (const auto& footer = file.interrupted()) {
        next_.kind = footer->madeForThisFile ? NextStep::Kind::Finish : NextStep::Kind::AskTrust;
        next_.operation = footer->operation;
        next_.percentDone = PercentDone(file);
    } else {
        next_.kind = NextStep::Kind::Password;
        next_.operation = asked_;
    }
}

void FileTask::GivePassword(const Password& password) {
    if (next_.kind != NextStep::Kind::Password) {
        return;
    }
    if (asked_ == Operation::Decrypt && !PasswordMatches(*file_, password)) {
        Close();
        next_.kind = NextStep::Kind::Refused;
        next_.refusal = Refusal::WrongPassword;
        return;
    }
    password_ = &password;
    next_.kind = NextStep::Kind::Ready;
}

void FileTask::Trust(bool agreed) {
    if (next_.kind != NextStep::Kind::AskTrust) {
        return;
    }
    if (!agreed) {
        Close();
        next_.kind = NextStep::Kind::Declined;
        return;
    }
    trust_ = RecordTrust::UserAgreed;
    next_.kind = NextStep::Kind::Finish;
}

void FileTask::GoOn() {
    if (next_.kind == NextStep::Kind::PutBack) {
        Prepare();
    }
}

Outcome FileTask::Run(ProgressSink& progress) {
    const bool finishing = next_.kind == NextStep::Kind::Finish;
    if (!finishing && next_.kind != NextStep::Kind::Ready) {
        throw std::logic_error("nothing to run: the file needs another step first");
    }
    PinnedFile file = std::move(*file_);
    file_.reset();
    Outcome outcome;
    if (finishing) {
        outcome = FinishInterrupted(std::move(file), progress, options_, trust_);
    } else {
        const Password& password = *password_;
        password_ = nullptr;
        outcome = asked_ == Operation::Encrypt
                      ? Encrypt(std::move(file), password, progress, options_)
                      : Decrypt(std::move(file), password, progress, options_);
    }
    Follow(outcome, finishing);
    return outcome;
}

// What follows a rewrite that ran: the end of the run, unless it finished
// an interrupted rewrite of the other operation, which leaves the file where
// the operation asked begins.
void FileTask::Follow(const Outcome& outcome, bool finished) {
    const Operation ran = finished ? next_.operation : asked_;
    next_ = {};
    next_.operation = ran;
    if (const auto* refusal = std::get_if<Refusal>(&outcome)) {
        next_.refusal = *refusal;
    } else if (const auto* failure = std::get_if<Failure>(&outcome)) {
        next_.kind = NextStep::Kind::Failed;
        next_.failure = *failure;
    } else if (ran == asked_) {
        next_.kind = NextStep::Kind::Done;
    } else {
        Prepare();
    }
}

void FileTask::Close() {
    file_.reset();
    password_ = nullptr;
}

}  // namespace kryvet
