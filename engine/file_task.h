#pragma once

#include <optional>
#include <string>

#include "engine/journal_record.h"
#include "engine/operations.h"
#include "engine/password.h"

// One operation asked for one named file, step by step: the engine says what
// the file needs next and the front end only asks the user and shows. Every
// front end follows the same rules this way: which records are trusted, when
// a password is asked and checked, and what follows a recovery.
namespace kryvet {

using Operation = journal::Operation;

// What the file needs next.
struct NextStep {
    enum class Kind {
        Password,  // the password for the operation asked: GivePassword
        Ready,     // the rewrite can run: Run
        Finish,    // an interrupted rewrite of `operation` is finished from its records: Run
        AskTrust,  // the same, but the records were made for another file: Trust
        PutBack,   // a rewrite of `operation` cut short before it changed anything was
                   // put back, the file as it was: tell the user, then GoOn
        Done,      // the operation asked is done (also by finishing it)
        Declined,  // records made for another file, left alone as the user said
        Refused,   // `refusal`: the file is as it was
        Failed,    // `failure`
    };
    Kind kind = Kind::Refused;
    // Password, Ready: the operation asked; Finish, AskTrust, PutBack: the
    // interrupted one.
    Operation operation = Operation::Encrypt;
    // Finish, AskTrust: how far the interrupted rewrite had come, in percent.
    int percentDone = 0;
    // Ready, Finish: the size of the file the rewrite starts from.
    std::int64_t size = 0;
    Refusal refusal = Refusal::NotFound;
    Failure failure;
};

class FileTask {
public:
    // Prepares the named file for the operation asked.
    FileTask(platform::PlatformFile& files, Operation asked, std::string name,
             const RewriteOptions& options = {});
    FileTask(const FileTask&) = delete;
    FileTask& operator=(const FileTask&) = delete;

    Operation asked() const { return asked_; }
    const NextStep& next() const { return next_; }

    // Password: a decryption checks it against the stored one first, and a
    // wrong one is Refused (WrongPassword); otherwise Ready. The caller keeps
    // the password until the run: one password may serve many files.
    void GivePassword(const Password& password);
    // AskTrust: Finish when the user agreed, else Declined.
    void Trust(bool agreed);
    // PutBack, told: the file is prepared again for the operation asked.
    void GoOn();
    // Ready or Finish: runs the rewrite and gives what it came to (a disk
    // found full at the last moment is Refusal::DiskFull). A finished rewrite
    // is followed by the operation asked, unless it was that one: Done, or
    // the file is prepared again (Password, usually, or what preparing it
    // came to). A failed one is Failed or Refused.
    Outcome Run(ProgressSink& progress);
    // Ends the run here; the file is left as it is.
    void Close();

private:
    void Prepare();
    void Settle(Preparation prepared);
    void Follow(const Outcome& outcome, bool finished);

    platform::PlatformFile& files_;
    Operation asked_;
    std::string name_;
    RewriteOptions options_;
    std::optional<PinnedFile> file_;
    const Password* password_ = nullptr;
    RecordTrust trust_ = RecordTrust::OwnOnly;
    NextStep next_;
};

}  // namespace kryvet
