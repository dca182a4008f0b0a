#include "engine/journaled_rewrite.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "engine/crc32c.h"
#include "engine/run_result.h"

namespace kryvet::detail {

namespace {

using journal::kEntryBytes;
using journal::kSector;

std::int64_t SlotAt(const journal::Plan& plan, std::uint64_t sequence) {
    return plan.dataAt(sequence) - kSector;
}

bool KeepsLast(journal::Operation operation) {
    return operation == journal::Operation::Encrypt;
}

// The table of one unit's sectors: the checksum of each sector's old bytes
// and the 70 of them that its new bytes do not carry.
class UnitTable {
public:
    explicit UnitTable(std::int32_t unit)
        : bytes_(static_cast<std::int32_t>(journal::TableBytes(unit))),
          crcs_(static_cast<std::size_t>(unit / kSector)) {}

    void Describe(const std::uint8_t* old, std::int32_t length, bool keepLast) {
        SectorCrc32cs(old, static_cast<std::size_t>(length), crcs_.data());
        for (std::int32_t at = 0, e = 0; at < length; at += kSector, ++e) {
            const std::int32_t n = std::min(kSector, length - at);
            const std::int32_t kept = std::min(kHeaderSize, n);
            std::uint8_t* entry = bytes_.data() + e * kEntryBytes;
            std::memcpy(entry, &crcs_[static_cast<std::size_t>(e)], 4);
            std::memset(entry + 4, 0, kHeaderSize);
            std::memcpy(entry + 4, old + at + (keepLast ? n - kept : 0),
                        static_cast<std::size_t>(kept));
        }
    }

    std::uint8_t* data() { return bytes_.data(); }
    static std::int32_t BytesFor(std::int32_t length) {
        return static_cast<std::int32_t>(journal::TableBytes(length));
    }

private:
    UnitBuffer bytes_;
    std::vector<std::uint32_t> crcs_;
};

static_assert(std::endian::native == std::endian::little,
              "table entries are copied as they lie in memory");

// The units of a region's write positions [from, until) that the rewrite
// writes, with their length: all but the last of the move are whole.
template <typename Step>
void ForEachUnit(std::int64_t from, std::int64_t until, std::int64_t writeEnd, std::int32_t unit,
                 Step step) {
    for (std::int64_t pos = from; pos < std::min(until, writeEnd); pos += unit) {
        step(pos, static_cast<std::int32_t>(std::min<std::int64_t>(unit, writeEnd - pos)));
    }
}

// Writes the table of region [from, until) to the record's slot, unit by
// unit, and returns its checksum. Only the old bytes are read, into the
// part of `buffer` that the move does not carry over between regions.
std::uint32_t WriteTable(CheckedFile& file, std::int32_t unit, const journal::Record& record,
                         std::int64_t tableAt, UnitBuffer& buffer) {
    const std::int64_t writeEnd = journal::WriteEnd(record.operation, record.sizeBefore);
    const bool keepLast = KeepsLast(record.operation);
    std::uint8_t* const old = buffer.data() + (keepLast ? kHeaderSize : 0);
    UnitTable table(unit);
    std::uint32_t crc = 0;
    std::int64_t written = 0;
    ForEachUnit(record.from, record.until, writeEnd, unit, [&](std::int64_t pos, std::int32_t n) {
        file.ReadExactly(pos, old, n);
        table.Describe(old, n, keepLast);
        const std::int32_t bytes = UnitTable::BytesFor(n);
        crc = Crc32c(crc, table.data(), static_cast<std::size_t>(bytes));
        file.WriteAt(tableAt + written, table.data(), bytes);
        // The disk works on this while the next unit is read.
        file.StartWriteback(tableAt + written, bytes);
        written += bytes;
    });
    return crc;
}

// Makes the record of region [from, until) durable before the region is
// touched: its table, then its sector.
void WriteRecord(CheckedFile& file, std::int32_t unit, const journal::Plan& plan,
                 const journal::Record& base, std::uint64_t sequence, std::int64_t from,
                 std::int64_t until, const std::uint8_t* carry, UnitBuffer& buffer) {
    journal::Record record = base;
    record.sequence = sequence;
    record.from = from;
    record.until = until;
    const std::int64_t writeEnd = journal::WriteEnd(record.operation, record.sizeBefore);
    record.dataLength =
        static_cast<std::uint32_t>(journal::TableBytes(std::min(until, writeEnd) - from));
    if (carry != nullptr) {
        std::copy_n(carry, kHeaderSize, record.carry.begin());
    }
    record.dataCrc = WriteTable(file, unit, record, plan.dataAt(sequence), buffer);
    // The flush also puts the region before on the disk: the record that
    // replaces its own must not be there without it.
    file.Flush();
    const journal::Sector sector = journal::EncodeRecord(record);
    file.WriteAt(SlotAt(plan, sequence), sector.data(), kSector);
    file.Flush();
}

// Before region [from, until) is rewritten: its record made durable, unless
// it is the region a recovery resumes, whose record stands.
void BeginRegion(CheckedFile& file, std::int32_t unit, const journal::Plan& plan,
                 const journal::Record& base, const RegionStart& start, std::uint64_t& sequence,
                 std::int64_t from, std::int64_t until, const std::uint8_t* carry,
                 UnitBuffer& buffer) {
    if (start.fromRecord && from == start.from) {
        sequence = start.sequence + 1;
        return;
    }
    WriteRecord(file, unit, plan, base, sequence++, from, until, carry, buffer);
}

// Turns the new bytes of a sector of `n` bytes into its old ones, in
// `old`: all but 70 of them are in its new bytes, 70 further on or back and
// masked; the 70 are the entry's.
void OldFromNew(const std::uint8_t* sector, std::int32_t n, const std::uint8_t* entry,
                bool keptLast, const BodyMask& mask, std::uint8_t* old) {
    const std::int32_t kept = std::min(kHeaderSize, n);
    const std::int32_t moved = n - kept;
    std::uint8_t* const movedTo = keptLast ? old : old + kHeaderSize;
    std::memcpy(movedTo, keptLast ? sector + kHeaderSize : sector, static_cast<std::size_t>(moved));
    mask.Apply(movedTo, static_cast<std::size_t>(moved));
    std::memcpy(keptLast ? old + moved : old, entry + 4, static_cast<std::size_t>(kept));
}

// What a sector of an interrupted region holds.
enum class SectorState { Old, New, Foreign };

// A sector is old when its bytes have the old checksum, and new when the
// old bytes made from them have it. A change confined to the 70 bytes of a
// new sector that the old ones do not come from goes unseen, and does no
// harm: the sector is rewritten. `old` receives the old bytes of a new one.
SectorState StateOf(const std::uint8_t* sector, std::int32_t n, const std::uint8_t* entry,
                    bool keptLast, const BodyMask& mask, std::uint8_t* old) {
    std::uint32_t crcOld = 0;
    std::memcpy(&crcOld, entry, 4);
    if (Crc32c(0, sector, static_cast<std::size_t>(n)) == crcOld) {
        return SectorState::Old;
    }
    OldFromNew(sector, n, entry, keptLast, mask, old);
    return Crc32c(0, old, static_cast<std::size_t>(n)) == crcOld ? SectorState::New
                                                                 : SectorState::Foreign;
}

// Goes over the record's region unit by unit with each unit's bytes and
// table; `visit` returns whether it changed the bytes, which are then
// written back.
template <typename Visit>
void VisitRegion(CheckedFile& file, const journal::Footer& footer, const journal::Record& record,
                 std::int32_t unit, UnitBuffer& buffer, Visit visit) {
    const std::int64_t writeEnd = journal::WriteEnd(record.operation, record.sizeBefore);
    const std::int64_t tableAt = footer.plan.dataAt(record.sequence);
    UnitTable table(unit);
    ForEachUnit(record.from, record.until, writeEnd, unit, [&](std::int64_t pos, std::int32_t n) {
        file.ReadExactly(tableAt + journal::TableBytes(pos - record.from), table.data(),
                         UnitTable::BytesFor(n));
        file.ReadExactly(pos, buffer.data(), n);
        bool changed = false;
        for (std::int32_t at = 0, e = 0; at < n; at += kSector, ++e) {
            changed |= visit(buffer.data() + at, std::min(kSector, n - at),
                             table.data() + e * kEntryBytes);
        }
        if (changed) {
            file.WriteAt(pos, buffer.data(), n);
        }
    });
}

// Moves region [from, until) in steps of a few MiB, each handed to the disk
// as soon as it is written: the disk then works during the move, and the
// flush before the next record finds little left to do. True once the move
// is complete.
template <typename Move>
bool MoveInSteps(CheckedFile& file, std::int32_t unit, std::int64_t from, std::int64_t until,
                 Move move) {
    constexpr std::int64_t kStepBytes = 4 << 20;
    const std::int64_t step = std::max<std::int64_t>(kStepBytes / unit, 1) * unit;
    for (std::int64_t at = from; at < until; at += step) {
        const std::int64_t end = std::min(until, at + step);
        const bool complete = move(at, end);
        // The last write of an encryption reaches 70 bytes further.
        file.StartWriteback(at, end - at + kHeaderSize);
        if (complete) {
            return true;
        }
    }
    return false;
}

// Region by region from `start`: its record, then its move, until the
// move is complete. `carry` is where the move keeps what goes first.
template <typename MovePart>
void RunRegions(CheckedFile& file, std::int32_t unit, const journal::Plan& plan,
                const journal::Record& base, const RegionStart& start, const std::uint8_t* carry,
                UnitBuffer& buffer, MovePart movePart) {
    std::uint64_t sequence = start.sequence;
    for (std::int64_t from = start.from;; from += plan.region) {
        const std::int64_t until = from + plan.region;
        BeginRegion(file, unit, plan, base, start, sequence, from, until, carry, buffer);
        if (MoveInSteps(file, unit, from, until, movePart)) {
            return;
        }
    }
}

}  // namespace

void OpenJournal(CheckedFile& file, const journal::Footer& footer) {
    const journal::Sector sector = journal::EncodeFooter(footer);
    file.WriteAt(footer.plan.footerAt(), sector.data(), kSector);
    file.Flush();
}

bool DropJournal(CheckedFile& file, const journal::Plan& plan) noexcept {
    try {
        file.CutAt(plan.at);
        file.Flush();
        return true;
    } catch (const EngineFailure&) {
        return false;
    }
}

void EncryptRegions(CheckedFile& file, const BodyMask& mask, std::int32_t unit,
                    const journal::Plan& plan, const journal::Record& base, RegionStart start,
                    UnitBuffer& buffer, ProgressReporter* progress, ForwardFrontier& frontier) {
    RunRegions(file, unit, plan, base, start, buffer.data(), buffer,
               [&](std::int64_t at, std::int64_t end) {
                   return MoveTowardsEndPart(file, mask, unit, base.sizeBefore, at, end, buffer,
                                             progress, frontier);
               });
}

void DecryptRegions(CheckedFile& file, const BodyMask& mask, std::int32_t unit,
                    const journal::Plan& plan, const journal::Record& base, RegionStart start,
                    UnitBuffer& buffer, ProgressReporter* progress, BackwardFrontier& frontier) {
    RunRegions(file, unit, plan, base, start, nullptr, buffer,
               [&](std::int64_t at, std::int64_t end) {
                   return MoveTowardsFrontPart(file, mask, unit, base.sizeBefore, at, end, buffer,
                                               progress, frontier);
               });
}

Slot ReadSlot(CheckedFile& file, const journal::Footer& footer, int slot, std::uint8_t* scratch,
              std::int32_t scratchSize) {
    journal::Sector sector{};
    file.ReadExactly(footer.plan.at + slot * footer.plan.slotBytes, sector.data(), kSector);
    Slot result;
    if (std::all_of(sector.begin(), sector.end(), [](std::uint8_t b) { return b == 0; })) {
        return result;
    }
    const std::optional<journal::Record> record = journal::DecodeRecord(sector, footer);
    if (!record || static_cast<int>(record->sequence % 2) != slot) {
        result.state = Slot::Unreadable;
        return result;
    }
    result.record = *record;
    std::uint32_t crc = 0;
    const std::int64_t dataAt = footer.plan.dataAt(record->sequence);
    for (std::int64_t done = 0; done < record->dataLength;) {
        const auto n = static_cast<std::int32_t>(
            std::min<std::int64_t>(scratchSize, record->dataLength - done));
        file.ReadExactly(dataAt + done, scratch, n);
        crc = Crc32c(crc, scratch, static_cast<std::size_t>(n));
        done += n;
    }
    result.state = crc == record->dataCrc ? Slot::Whole : Slot::DataBroken;
    return result;
}

bool RegionIsOldOrNew(CheckedFile& file, const BodyMask& mask, const journal::Footer& footer,
                      const journal::Record& record, std::int32_t unit, UnitBuffer& buffer) {
    const bool keptLast = KeepsLast(record.operation);
    bool sound = true;
    std::array<std::uint8_t, kSector> old{};
    VisitRegion(file, footer, record, unit, buffer,
                [&](std::uint8_t* sector, std::int32_t n, const std::uint8_t* entry) {
                    sound = sound && StateOf(sector, n, entry, keptLast, mask, old.data()) !=
                                         SectorState::Foreign;
                    return false;
                });
    return sound;
}

void ReturnRegionToOld(CheckedFile& file, const BodyMask& mask, const journal::Footer& footer,
                       const journal::Record& record, std::int32_t unit, UnitBuffer& buffer) {
    const bool keptLast = KeepsLast(record.operation);
    std::array<std::uint8_t, kSector> old{};
    VisitRegion(file, footer, record, unit, buffer,
                [&](std::uint8_t* sector, std::int32_t n, const std::uint8_t* entry) {
                    switch (StateOf(sector, n, entry, keptLast, mask, old.data())) {
                        case SectorState::Old:
                            return false;
                        case SectorState::New:
                            std::memcpy(sector, old.data(), static_cast<std::size_t>(n));
                            return true;
                        case SectorState::Foreign:
                            break;
                    }
                    throw EngineFailure({FailureKind::RecordDamaged, 0});
                });
}

}  // namespace kryvet::detail
