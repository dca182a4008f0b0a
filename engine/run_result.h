#pragma once

#include <cstdint>
#include <exception>
#include <variant>

// What a run of encryption or decryption comes to, as values: the window
// turns them into notices and messages.
namespace kryvet {

// Ends that leave the file exactly as it was and that the user hears of
// through a notice, or not at all.
enum class Refusal {
    EmptyName,         // nothing named: ends silently
    NotFound,          // no plain file of that name
    EmptyFile,         // nothing to rewrite: ends silently
    DiskFull,          // not enough room for what the rewrite adds
    AlreadyEncrypted,  // encryption of a file that carries the header
    NotEncrypted,      // decryption of a file without the header
    WrongPassword,     // the typed password is not the stored one
};

enum class FailureKind {
    System,         // a file service failed; `error` holds its errno
    FileTooLarge,   // the layout cannot represent the file
    FileChanged,    // another program changed, moved or replaced the file
    RecordDamaged,  // the record of an interrupted rewrite fails its checks
    InUse,          // another run holds the file
    SizeMismatch,   // an encrypted file whose size is not the one its header gives
    RecordInside,   // the same, with an interrupted rewrite's records inside it
    ForeignRecord,  // the record of an interrupted rewrite was made for another file
};

// What became of the file when a run failed.
enum class FileState {
    Unchanged,  // the failure came before the first write
    Restored,   // the rewrite failed and the file was put back as it was
    Damaged,    // the rewrite failed and so did putting the file back
    Completed,  // the rewrite is done; only the final attribute change failed
    Resumable,  // finishing an interrupted rewrite failed; its record still stands
};

struct Failure {
    FailureKind kind = FailureKind::System;
    int error = 0;
    FileState file = FileState::Unchanged;
    // Where a damaged file stands: bytes from its start that the run had
    // rewritten when it stopped.
    std::int64_t stoppedAt = 0;
};

struct Done {};

using Outcome = std::variant<Done, Refusal, Failure>;

// Carries a failure out of the depths of a rewrite to the place that can
// roll the file back and report it.
class EngineFailure : public std::exception {
public:
    explicit EngineFailure(Failure failure) : failure_(failure) {}
    static EngineFailure System(int error) { return EngineFailure({FailureKind::System, error}); }
    static EngineFailure Changed() { return EngineFailure({FailureKind::FileChanged, 0}); }
    const Failure& failure() const { return failure_; }
    const char* what() const noexcept override { return "file operation failed"; }

private:
    Failure failure_;
};

}  // namespace kryvet
