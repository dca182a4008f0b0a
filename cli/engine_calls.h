#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/file_layout.h"
#include "engine/journal_record.h"
#include "engine/password.h"
#include "engine/platform_file.h"
#include "engine/progress_sink.h"
#include "engine/run_result.h"

// Every call kryvet-cli makes into the engine, in one place: the rest of the
// program sees only what became of each file, or what a file is.
namespace kryvet::cli {

enum class Rewrite { Encrypt, Decrypt };

// The progress of one rewrite, told how large the file is before the first
// percentage comes.
class FileProgress : public ProgressSink {
public:
    virtual void Begin(std::int64_t bytes) = 0;
    virtual void End() = 0;
};

// What a run hands to each file.
struct FileRun {
    platform::PlatformFile& files;
    FileProgress& progress;
    // The password, asked when the first file needs it; null when none was
    // given. The run keeps it, and it is wiped at the run's end.
    std::function<const Password*()> password;
    // Whether a termination request came; looked at before a rewrite begins.
    std::function<bool()> stopRequested;
    // Records made for another file are finished only when the user said so.
    bool adoptRecords = false;
};

// What became of one file.
struct FileEnd {
    enum class Kind {
        Done,
        NothingToFinish,  // recover: the file carries no interrupted rewrite
        AlreadyDone,      // in the state asked for already (or empty); `refusal` says which
        Refused,
        Failed,
        ForeignRecords,  // records made for another file, left alone
        NoPassword,
        Stopped,  // a termination request came before the rewrite began
    };
    Kind kind = Kind::Done;
    Refusal refusal = Refusal::NotFound;
    Failure failure;
    // The interrupted rewrite finished on the way, and whether it was one
    // cut short before it changed anything, put back (the file is then as it
    // was before it).
    std::optional<journal::Operation> finished;
    bool finishedChangedNothing = false;
};

// Encrypts or decrypts the named file, as the engine leads (FileTask): an
// interrupted rewrite it carries is finished first, without a password, and
// the requested operation follows when the finished one was the other. A file encrypted already
// (for encryption), plain (for decryption) or empty is AlreadyDone.
FileEnd RewriteFile(Rewrite rewrite, const std::string& name, FileRun& run);

// Finishes the interrupted rewrite of the named file, if it carries one.
FileEnd RecoverFile(const std::string& name, FileRun& run);

// What a file is, as far as a look that changes nothing can tell.
struct Inspection {
    enum class Kind {
        Plain,
        Encrypted,
        Interrupted,
        Damaged,
        Busy,     // another run holds it
        Refused,  // no plain file of that name, or not enough room to look
        Unreadable,
    };
    Kind kind = Kind::Plain;
    // Plain: its size; encrypted: the stored size; interrupted: the size
    // before the rewrite.
    std::int64_t size = 0;
    ClockKeyBytes clockKey{};
    journal::Operation operation = journal::Operation::Encrypt;
    int percentDone = 0;
    bool ownRecords = true;
    Refusal refusal = Refusal::NotFound;
    Failure failure;  // damaged or unreadable: why
};

Inspection InspectFile(platform::PlatformFile& files, const std::string& name);

}  // namespace kryvet::cli
