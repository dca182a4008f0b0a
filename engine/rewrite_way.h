#pragma once

#include <array>
#include <cstdint>

#include "engine/journaled_rewrite.h"
#include "engine/shift.h"

// Which way a rewrite moves the bytes, what it adds at the end, and how it
// is undone: all that sets encryption and decryption apart. Everything else,
// the records, the end and its order, is RewriteSession's. A way is made
// from the record that every journal record repeats (the operation, the
// sizes, the header and trailer), so a run and its recovery build the same.
namespace kryvet::detail {

class RewriteWay {
public:
    virtual ~RewriteWay() = default;
    // The move's own buffer, which the journal borrows for its tables.
    virtual UnitBuffer& buffer() = 0;
    // Moves the file region by region under the journal's records, from
    // `start` to the end of the move.
    virtual void MoveJournaled(RegionJournal& journal, const RegionStart& start) = 0;
    // Moves the whole file, with no records.
    virtual void MoveAll() = 0;
    // Once the bytes are moved, before the end is made durable: the trailer
    // goes on, or what the cut will take is held in memory for a way back.
    virtual void Close() = 0;
    // Puts the file back as it was before the run; EngineFailure when that
    // fails too.
    virtual void Undo() = 0;
    // Bytes from the file's start that the move had rewritten.
    virtual std::int64_t StoppedAt() const = 0;
};

// What both ways hold: the record they are made from, its mask, the move's
// buffer of `bufferBytes` and the progress.
class MovingWay : public RewriteWay {
public:
    UnitBuffer& buffer() override { return buffer_; }

protected:
    MovingWay(CheckedFile& file, const journal::Record& what, std::int32_t bufferBytes,
              std::int32_t unit, const ProgressReporter& progress);

    const journal::Record& what_;
    BodyMask mask_;
    UnitBuffer buffer_;
    ProgressReporter progress_;
    Mover mover_;
};

// The plain bytes 70 further on behind the header, masked; the trailer after.
class EncryptionWay : public MovingWay {
public:
    EncryptionWay(CheckedFile& file, const journal::Record& what, std::int32_t unit,
                  const ProgressReporter& progress)
        : MovingWay(file, what, unit + kHeaderSize, unit, progress) {}
    void MoveJournaled(RegionJournal& journal, const RegionStart& start) override;
    void MoveAll() override;
    void Close() override;
    void Undo() override;
    std::int64_t StoppedAt() const override { return frontier_.writeAt; }

private:
    ForwardFrontier frontier_;
};

// The masked bytes 70 back to the front, unmasked; the file cut to its
// stored size.
class DecryptionWay : public MovingWay {
public:
    DecryptionWay(CheckedFile& file, const journal::Record& what, std::int32_t unit,
                  const ProgressReporter& progress)
        : MovingWay(file, what, unit, unit, progress) {}
    void MoveJournaled(RegionJournal& journal, const RegionStart& start) override;
    void MoveAll() override;
    void Close() override;
    void Undo() override;
    std::int64_t StoppedAt() const override { return frontier_.moved; }

private:
    BackwardFrontier frontier_;
    std::array<std::uint8_t, kTrailerSize> tail_{};
};

}  // namespace kryvet::detail
