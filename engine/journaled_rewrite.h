#pragma once

#include <cstdint>
#include <optional>

#include "engine/journal_record.h"
#include "engine/rewrite_io.h"
#include "engine/shift.h"

// The two moves region by region, each region preceded by a durable record
// of what finishing it needs: the carry, the header and the table of its
// sectors. Per region: the table written, flushed (with the region before);
// the record's sector written, flushed; the region rewritten. So at any
// moment one whole record describes a region whose outside is either done
// (before it) or untouched (after it), and whose sectors are each old or
// new. Recovery turns the new sectors back into old ones, then starts the
// same loops at the recorded region. A record sector is only ever on the
// disk with its table, so a whole sector whose table fails the checksum is
// stale (older than the other slot's record) or damaged (newer), never
// merely unfinished.
namespace kryvet::detail {

// Where a journaled move begins: at the start, or at a recorded region
// that was turned back into its old bytes (its record is not written again).
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
// `buffer` holds unit + 70 bytes, the first 70 what goes to `start.from`
// first.
void EncryptRegions(CheckedFile& file, const BodyMask& mask, std::int32_t unit,
                    const journal::Plan& plan, const journal::Record& base, RegionStart start,
                    UnitBuffer& buffer, ProgressReporter* progress, ForwardFrontier& frontier);

// Decrypts region by region up to the last write; the caller flushes and
// cuts. `buffer` holds unit + 70 bytes.
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

// Reads a slot; `scratch` holds `scratchSize` bytes for reading the table.
Slot ReadSlot(CheckedFile& file, const journal::Footer& footer, int slot, std::uint8_t* scratch,
              std::int32_t scratchSize);

// Whether every sector of the record's region holds its old or its new
// bytes; anything else was written by somebody else. Reads only.
bool RegionIsOldOrNew(CheckedFile& file, const BodyMask& mask, const journal::Footer& footer,
                      const journal::Record& record, std::int32_t unit, UnitBuffer& buffer);

// Turns the new sectors of the record's region back into old ones, so that
// the region can be rewritten from the start; the caller flushes.
void ReturnRegionToOld(CheckedFile& file, const BodyMask& mask, const journal::Footer& footer,
                       const journal::Record& record, std::int32_t unit, UnitBuffer& buffer);

}  // namespace kryvet::detail
