#pragma once

#include <cstdint>
#include <optional>

#include "engine/journal_record.h"
#include "engine/rewrite_io.h"
#include "engine/shift.h"

// The two moves region by region, each region preceded by a durable record
// of what finishing it needs: the old bytes it reads, the carry, the header.
// Per region: the record's data written, flushed (with the region before);
// its sector written, flushed; the region rewritten. So at any moment one
// whole record describes a region whose outside is either done (before it)
// or untouched (after it), and rewriting that region from the record and
// going on gives the finished file. A record sector is only ever on the disk
// with its data, so a whole sector whose data fails the checksum is stale
// (older than the other slot's record) or damaged (newer), never merely
// unfinished. Recovery starts the same loops at the recorded region, reading
// its old bytes from the record.
namespace kryvet::detail {

// Where a journaled move begins: at the start, or at a recorded region
// whose old bytes are read back from its slot.
struct RegionStart {
    std::int64_t from = 0;
    std::uint64_t sequence = 1;
    bool fromRecord = false;
};

// Writes the footer at the end of the planned journal and flushes it; the
// file grows to the journal's end.
void OpenJournal(CheckedFile& file, const journal::Footer& footer);

// Cuts the journal off and flushes; false when that failed.
bool DropJournal(CheckedFile& file, const journal::Plan& plan) noexcept;

// Encrypts region by region up to the last write of the body; the caller
// writes the trailer, flushes, cuts. `base` holds what every record repeats;
// the first 70 bytes of `buffer` hold what goes to `start.from` first.
void EncryptRegions(CheckedFile& file, const BodyMask& mask, std::int32_t unit,
                    const journal::Plan& plan, const journal::Record& base, RegionStart start,
                    UnitBuffer& buffer, ProgressReporter* progress, ForwardFrontier& frontier);

// Decrypts region by region up to the last write; the caller flushes and cuts.
void DecryptRegions(CheckedFile& file, const BodyMask& mask, std::int32_t unit,
                    const journal::Plan& plan, const journal::Record& base, RegionStart start,
                    UnitBuffer& buffer, ProgressReporter* progress, BackwardFrontier& frontier);

// What a slot holds.
struct Slot {
    enum State {
        Empty,       // never written: all zeros
        Unreadable,  // not a whole record of this rewrite
        Whole,       // the record and its data
        DataBroken,  // a whole record sector whose data fails the checksum
    } state = Empty;
    journal::Record record;
};

// Reads a slot; `scratch` holds `scratchSize` bytes for reading the data.
Slot ReadSlot(CheckedFile& file, const journal::Footer& footer, int slot, std::uint8_t* scratch,
              std::int32_t scratchSize);

}  // namespace kryvet::detail
