#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "engine/password.h"
#include "engine/pinned_file.h"
#include "engine/platform_file.h"
#include "engine/progress_sink.h"
#include "engine/run_result.h"

// The two operations, in two steps each; engine/file_task.h leads a front
// end through them. Preparing looks at the name once,
// pins the file it leads to, checks it and locks it; nothing of the file
// changes, unless it carries the records of a rewrite that never changed it,
// which are taken off. The rewrite then works on that pinned file only,
// after checking at the last moment that nobody changed or replaced it, and
// puts the file back as it was when anything fails midway.
namespace kryvet {

struct RewriteOptions {
    // The rewrite moves data in units of this many 512-byte blocks. The bytes
    // produced are the same for every value; larger units are faster.
    std::int32_t unitBlocks = 2048;
    // Whether progress is reported; off only to measure what it costs.
    bool reportProgress = true;
    // The rewrite keeps a recovery record for every region of this many
    // 512-byte blocks (fewer when free space is short), so that a crash or a
    // power cut never leaves a half-rewritten file; 0 rewrites without.
    std::int32_t journalBlocks = 65536;
};

// A refusal or failure before anything changed, or the pinned, locked file.
using Preparation = std::variant<Refusal, Failure, PinnedFile>;

// Either preparation of a file that carries an interrupted rewrite gives the
// pinned file with `interrupted` set; FinishInterrupted is all it is for then.
// A record that fails its checksum is a Failure before anything changed.
// One whose rewrite had changed nothing of the contents yet (or a growth
// for records that never reached the disk) is put back at once: the pinned
// file then has `putBack` set and is prepared for nothing else; preparing it
// again goes on.
//
// Checks a file for encryption: a plain file, not empty, small enough for the
// layout, not held by another program, room for the 128 bytes it grows by
// (and for the holes of a sparse file), not encrypted already.
Preparation PrepareEncryption(platform::PlatformFile& files, const std::string& name);

// Checks a file for decryption: the header is read and its marker checked.
Preparation PrepareDecryption(platform::PlatformFile& files, const std::string& name);

// Looks at a file as PrepareDecryption does, but puts nothing back: for
// telling what a file is without changing it.
Preparation LookAt(platform::PlatformFile& files, const std::string& name);

// Encrypts a prepared file with the password and makes it read-only. The
// file ends either encrypted or as it was.
Outcome Encrypt(PinnedFile file, const Password& password, ProgressSink& progress,
                const RewriteOptions& options = {});

// Whether the password is the one stored in the header of a file prepared
// for decryption.
bool PasswordMatches(const PinnedFile& file, const Password& password);

// Decrypts a prepared file when the password matches the stored one
// (Refusal::WrongPassword otherwise), and gives it back the permissions it
// had before encryption.
Outcome Decrypt(PinnedFile file, const Password& password, ProgressSink& progress,
                const RewriteOptions& options = {});

// How far the interrupted rewrite of a prepared file had come, in percent
// of its writes: the region of the newest record was under way, all before
// it done. Reads only.
int PercentDone(PinnedFile& file);

// Whether records made for another file (a copy, a download, a crafted
// file) may be acted on: only once the user has agreed.
enum class RecordTrust { OwnOnly, UserAgreed };

// Finishes the interrupted rewrite of a prepared file from its record (no
// password needed), or, where no record was made yet, cuts the file back to
// what it was. Done: the file is whole again, as the rewrite would have left it.
// Records made for another file are refused (FailureKind::ForeignRecord),
// the file untouched, unless the user agreed; no mode they ask for gives
// the file more than it has but the owner's write bit.
Outcome FinishInterrupted(PinnedFile file, ProgressSink& progress,
                          const RewriteOptions& options = {},
                          RecordTrust trust = RecordTrust::OwnOnly);

}  // namespace kryvet
