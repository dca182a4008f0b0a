#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "engine/operations.h"
#include "engine/pinned_file.h"
#include "engine/rewrite_way.h"

namespace kryvet::detail {

// What the file becomes once rewritten.
struct Ending {
    std::int64_t size = 0;
    ModeRequest mode;
    // The whole mode kept beside an encrypted file: written before the end
    // (encryption); none, it is taken off after the end (decryption).
    std::optional<std::string> keptMode;
};

// One rewrite of a pinned file from its first write to its last: the one
// place that holds the order that makes it crash-safe.
//   Records: the footer, flushed; per region its table, a flush, its record
//   sector, a flush, then the region (RegionJournal).
//   The end: the trailer (or the tail held), a flush; while the records still
//   stand, the kept mode and the final mode, and a full flush; the cut to the
//   final size, a flush; the kept mode of a decrypted file taken off.
// The order assumes that a file's new size reaches the disk no earlier than
// its data, as ext4's default mode promises.
class RewriteSession {
public:
    RewriteSession(PinnedFile& file, CheckedFile& io, RewriteWay& way, const Ending& ending)
        : file_(file), io_(io), way_(way), ending_(ending) {}

    // Rewrites the whole file, under records where `plan` has room, and puts
    // it back as it was when anything fails midway.
    Outcome Run(const std::optional<journal::Plan>& plan, const journal::Record& base,
                std::int32_t unit);
    // Finishes an interrupted rewrite from its record: the recorded region
    // turned back into its old bytes, then the same loop from there. A
    // failure leaves as EngineFailure; cut() tells whether the records were
    // gone by then.
    Outcome Resume(const journal::Footer& footer, const journal::Record& record, std::int32_t unit);
    bool cut() const { return cut_; }

private:
    // The end of the rewrite, from the move's last write to the cut.
    void End(std::int64_t expectedSize, bool journaled);
    void KeepMode();
    void ForgetExtension();
    // The final mode, and the kept mode taken off a decrypted file.
    Outcome Complete(bool journaled);

    PinnedFile& file_;
    CheckedFile& io_;
    RewriteWay& way_;
    const Ending& ending_;
    bool cut_ = false;
};

// What every record of a rewrite of the prepared file repeats: the
// operation, the sizes, the modes and the header (the trailer, where there
// is one, is the caller's).
journal::Record WhatRewrites(const PinnedFile& file, journal::Operation operation,
                             const EncryptedFileHeader& header, const ModeRequest& modeAfter);

// The way `record`'s operation moves the bytes.
std::unique_ptr<RewriteWay> MakeWay(CheckedFile& io, const journal::Record& record,
                                    std::int32_t unit, const ProgressReporter& progress);

// Rewrites a prepared file as `base` describes it, once the password is
// given: the file opened for writing, its space reserved (DiskFull where
// there is none), the records planned where they fit, and the session run.
Outcome RewriteFile(PinnedFile& file, const journal::Record& base, const Ending& ending,
                    ProgressSink& sink, const RewriteOptions& options);

// Runs one whole operation on a pinned file: a failure that escapes it
// becomes its outcome, and the file is closed before anybody hears of it.
Outcome RunToTheEnd(PinnedFile& file, const std::function<Outcome()>& operation);

}  // namespace kryvet::detail
