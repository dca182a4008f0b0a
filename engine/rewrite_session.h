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
    // (encryption); none, it is taken off before the cut (decryption).
    std::optional<std::string> keptMode;
    bool encrypted() const { return keptMode.has_value(); }
};

// One rewrite of a pinned file, its whole life from the first change to the
// last: the one place that holds the order that makes it crash-safe, and
// that takes away what the run put beside or behind the file on every path
// that leaves the file whole. In order:
//   1. PinnedFile::BeginWriting (from RewriteFile): the file opened for
//      writing, the growth word and an encryption's kept mode beside it, a
//      full flush; then PinnedFile::Reserve and ReserveMore.
//   2. RegionJournal::Open: the footer at the journal's end, a flush.
//   3. RegionJournal::Run: per region its table, a flush, its record
//      sector, a flush; then the way moves the region.
//   4. End: the trailer (or the tail held); with the records still
//      standing, the kept mode and the final mode, a decryption's kept mode
//      taken off (PinnedFile::TakeOffWords), one full flush; the size checked
//      again, the cut to the final size.
//   5. Complete: the growth word taken off (it stays until the cut, the sign
//      that bytes appended lie behind records), one full flush; then
//      PinnedFile::Complete: the final mode, the file closed.
// Barriers: two per region and four more.
// Where it stops on a failure (Stop):
//   - before the file grew: the words off, nothing else was changed;
//   - before the first region was touched: CutBack, the file back to its
//     size, its words off, its mode as it was;
//   - once a region may have been touched: nothing is undone; the records
//     stand (FileState::Resumable) and the next press finishes the rewrite
//     from them, so a second failure, a kill or a power cut on the way back
//     cannot cost the file;
//   - after the cut: the contents are whole (FileState::Completed);
//   - without records (RewriteOptions::journalBlocks 0, for measurements
//     only): the way's Undo.
// The order assumes that a file's new size reaches the disk no earlier than
// its data, as ext4's default mode promises; the growth word, on the disk
// before the file grows, covers file systems that do not.
class RewriteSession {
public:
    RewriteSession(PinnedFile& file, CheckedFile& io, RewriteWay& way, const Ending& ending)
        : file_(file), io_(io), way_(way), ending_(ending) {}

    // Rewrites the whole file, under records where `plan` is given.
    Outcome Run(const std::optional<journal::Plan>& plan, const journal::Record& base,
                std::int32_t unit);
    // Finishes an interrupted rewrite from its record: the recorded region
    // turned back into its old bytes, then the same loop from there.
    Outcome Resume(const journal::Footer& footer, const journal::Record& record, std::int32_t unit);

    // Puts a file whose rewrite changed nothing of its contents back to its
    // size before, from at most `sizeNow`: cut, flushed, its words off and
    // its mode as it was.
    // `encrypted`: the file is encrypted then, and keeps its kept mode.
    static Outcome CutBack(PinnedFile& file, CheckedFile& io, std::int64_t sizeNow,
                           std::int64_t sizeBefore, bool encrypted, const ModeRequest& mode);

private:
    enum class Stage { Untouched, Grown, Begun, Cut };
    // The end of the rewrite, from the move's last write to the cut.
    void End(std::int64_t expectedSize, bool journaled);
    void KeepMode();
    Outcome Complete(bool journaled);
    Outcome Stop(Failure failure, std::int64_t grownTo, std::int64_t sizeBefore, bool journaled);

    PinnedFile& file_;
    CheckedFile& io_;
    RewriteWay& way_;
    const Ending& ending_;
    Stage stage_ = Stage::Untouched;
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
// given: the records planned (in smaller units where space is short; DiskFull
// where not even the smallest fit), the file opened for writing, its space
// reserved (DiskFull where there is none), and the session run.
Outcome RewriteFile(PinnedFile& file, const journal::Record& base, const Ending& ending,
                    ProgressSink& sink, const RewriteOptions& options);

// Runs one whole operation on a pinned file: a failure that escapes it
// becomes its outcome, and the file is closed before anybody hears of it.
Outcome RunToTheEnd(PinnedFile& file, const std::function<Outcome()>& operation);

// The failure an escaped error stands for.
Failure FailureOf(const std::exception_ptr& error);

// Whether the interrupted rewrite of a prepared file had changed nothing of
// its contents yet: only the records' footer stands behind them, and
// FinishInterrupted gives back the file exactly as it was. Never for
// records made for another file.
bool InterruptedBeforeAnyChange(PinnedFile& file);

}  // namespace kryvet::detail
