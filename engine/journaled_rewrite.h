#pragma once

#include <cstdint>
#include <functional>

#include "engine/journal_record.h"
#include "engine/rewrite_io.h"

// The records that make a rewrite finishable after a crash. Per region: its
// table written, flushed (with the region before); the record's sector
// written, flushed; the region rewritten. So at any moment one whole record
// describes a region whose outside is either done (before it) or untouched
// (after it), and whose sectors are each old or new. Recovery turns the new
// sectors back into old ones, then starts the same loop at the recorded
// region. A record sector is only ever on the disk with its table, so a
// whole sector whose table fails the checksum is stale (older than the other
// slot's record) or damaged (newer), never merely unfinished.
namespace kryvet::detail {

// Where a journaled move begins: at the start, or at a recorded region that
// was turned back into its old bytes (its record is not written again).
// `carry` holds the 70 bytes an encryption writes first there.
struct RegionStart {
    std::int64_t from = 0;
    std::uint64_t sequence = 1;
    bool fromRecord = false;
    const std::uint8_t* carry = nullptr;
};

// Moves the write positions [at, end) of a region; true once the whole move
// is complete.
using RegionMove = std::function<bool(std::int64_t at, std::int64_t end)>;

// The records of one rewrite, `base` holding what every record repeats.
// `buffer` is the move's own: only the part of it that a move does not carry
// between regions is used, to read the old bytes for a table.
class RegionJournal {
public:
    RegionJournal(CheckedFile& file, const journal::Plan& plan, const journal::Record& base,
                  std::int32_t unit, UnitBuffer& buffer)
        : file_(file), plan_(plan), base_(base), unit_(unit), buffer_(buffer) {}

    // Writes the footer at the end of the planned journal and flushes it;
    // the file grows to the journal's end.
    void Open(const platform::FileIdentity& madeFor);
    // Region by region from `start`: its record, then its move, in steps
    // each handed to the disk at once, until the move is complete.
    // `carries` says whether the move keeps the 70 bytes that go first in
    // the buffer's front (encryption), for each record to hold.
    void Run(const RegionStart& start, bool carries, const RegionMove& move);
    // Whether a region may have been touched: a record stands for it.
    bool begun() const { return begun_; }

private:
    void WriteRecord(std::uint64_t sequence, std::int64_t from, bool carries);
    std::uint32_t WriteTable(const journal::Record& record);

    CheckedFile& file_;
    const journal::Plan& plan_;
    const journal::Record& base_;
    std::int32_t unit_;
    UnitBuffer& buffer_;
    bool begun_ = false;
};

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

// The region of a whole record as a crash left it: each of its sectors old,
// new, or written by somebody else.
class RecordedRegion {
public:
    RecordedRegion(CheckedFile& file, const journal::Footer& footer, const journal::Record& record,
                   std::int32_t unit, UnitBuffer& buffer);

    // Whether every sector holds its old or its new bytes. Reads only.
    bool IsOldOrNew();
    // Turns the new sectors back into old ones, so that the region can be
    // rewritten from the start; the caller flushes.
    void ReturnToOld();

private:
    enum class SectorState { Old, New, Foreign };
    SectorState StateOf(const std::uint8_t* sector, std::int32_t n, const std::uint8_t* entry,
                        std::uint8_t* old) const;
    // Goes over the region unit by unit with each sector and its table
    // entry; `visit` returns whether it changed the sector, whose unit is
    // then written back.
    void Visit(const std::function<bool(std::uint8_t*, std::int32_t, const std::uint8_t*)>& visit);

    CheckedFile& file_;
    const journal::Footer& footer_;
    const journal::Record& record_;
    std::int32_t unit_;
    UnitBuffer& buffer_;
    BodyMask mask_;
    bool keptLast_;
};

}  // namespace kryvet::detail
