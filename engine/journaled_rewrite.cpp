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

// The units of the record's region that the rewrite writes, with their
// length: all but the last of the move are whole.
template <typename Step>
void ForEachUnit(const journal::Record& record, std::int32_t unit, Step step) {
    const std::int64_t writeEnd = journal::WriteEnd(record.operation, record.sizeBefore);
    for (std::int64_t pos = record.from; pos < std::min(record.until, writeEnd); pos += unit) {
        step(pos, static_cast<std::int32_t>(std::min<std::int64_t>(unit, writeEnd - pos)));
    }
}

// Moves region [from, until) in steps of a few MiB, each handed to the disk
// as soon as it is written: the disk then works during the move, and the
// flush before the next record finds little left to do. True once the move
// is complete.
bool MoveInSteps(CheckedFile& file, std::int32_t unit, std::int64_t from, const RegionMove& move,
                 std::int64_t until) {
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

}  // namespace

void RegionJournal::Open(const platform::FileIdentity& madeFor) {
    const journal::Footer footer{
        base_.operation, base_.sizeBefore, base_.sizeAfter, base_.modeBefore, plan_, madeFor};
    const journal::Sector sector = journal::EncodeFooter(footer);
    file_.WriteAt(plan_.footerAt(), sector.data(), kSector);
    file_.Flush();
}

void RegionJournal::Run(const RegionStart& start, bool carries, const RegionMove& move) {
    std::uint64_t sequence = start.sequence;
    for (std::int64_t from = start.from;; from += plan_.region) {
        // The region a recovery resumes keeps the record that stands.
        if (start.fromRecord && from == start.from) {
            sequence = start.sequence + 1;
        } else {
            WriteRecord(sequence++, from, carries);
        }
        begun_ = true;
        if (MoveInSteps(file_, unit_, from, move, from + plan_.region)) {
            return;
        }
    }
}

// Makes the record of the region at `from` durable before the region is
// touched: its table, then its sector.
void RegionJournal::WriteRecord(std::uint64_t sequence, std::int64_t from, bool carries) {
    journal::Record record = base_;
    record.sequence = sequence;
    record.from = from;
    record.until = from + plan_.region;
    const std::int64_t writeEnd = journal::WriteEnd(record.operation, record.sizeBefore);
    record.dataLength =
        static_cast<std::uint32_t>(journal::TableBytes(std::min(record.until, writeEnd) - from));
    if (carries) {
        std::copy_n(buffer_.data(), kHeaderSize, record.carry.begin());
    }
    record.dataCrc = WriteTable(record);
    // The flush also puts the region before on the disk: the record that
    // replaces its own must not be there without it.
    file_.Flush();
    const journal::Sector sector = journal::EncodeRecord(record);
    file_.WriteAt(SlotAt(plan_, sequence), sector.data(), kSector);
    file_.Flush();
}

// Writes the table of the record's region to its slot, unit by unit, and
// returns its checksum. Only the old bytes are read, into the part of the
// buffer that the move does not carry over between regions.
std::uint32_t RegionJournal::WriteTable(const journal::Record& record) {
    const std::int64_t tableAt = plan_.dataAt(record.sequence);
    const bool keepLast = KeepsLast(record.operation);
    std::uint8_t* const old = buffer_.data() + (keepLast ? kHeaderSize : 0);
    UnitTable table(unit_);
    std::uint32_t crc = 0;
    std::int64_t written = 0;
    ForEachUnit(record, unit_, [&](std::int64_t pos, std::int32_t n) {
        file_.ReadExactly(pos, old, n);
        table.Describe(old, n, keepLast);
        const std::int32_t bytes = UnitTable::BytesFor(n);
        crc = Crc32c(crc, table.data(), static_cast<std::size_t>(bytes));
        file_.WriteAt(tableAt + written, table.data(), bytes);
        // The disk works on this while the next unit is read.
        file_.StartWriteback(tableAt + written, bytes);
        written += bytes;
    });
    return crc;
}

Slot ReadSlot(CheckedFile& file, const journal::Footer& footer, int slot, std::uint8_t* scratch,
              std::int32_t scratchSize) {
    journal::Sector sector{};
    file.ReadExactly(footer.plan.slotAt(slot), sector.data(), kSector);
    Slot result;
    if (journal::IsBlank(sector)) {
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

RecordedRegion::RecordedRegion(CheckedFile& file, const journal::Footer& footer,
                               const journal::Record& record, std::int32_t unit, UnitBuffer& buffer)
    : file_(file),
      footer_(footer),
      record_(record),
      unit_(unit),
      buffer_(buffer),
      mask_(KeyBytesOf(ParseHeader(record.header).ClockKey)),
      keptLast_(KeepsLast(record.operation)) {}

// A sector is old when its bytes have the old checksum, and new when the
// old bytes made from them have it. A change confined to the 70 bytes of a
// new sector that the old ones do not come from goes unseen, and does no
// harm: the sector is rewritten. `old` receives the old bytes of a new one:
// all but 70 of them are in its new bytes, 70 further on or back and
// masked; the 70 are the entry's.
RecordedRegion::SectorState RecordedRegion::StateOf(const std::uint8_t* sector, std::int32_t n,
                                                    const std::uint8_t* entry,
                                                    std::uint8_t* old) const {
    std::uint32_t crcOld = 0;
    std::memcpy(&crcOld, entry, 4);
    if (Crc32c(0, sector, static_cast<std::size_t>(n)) == crcOld) {
        return SectorState::Old;
    }
    const std::int32_t kept = std::min(kHeaderSize, n);
    const std::int32_t moved = n - kept;
    std::uint8_t* const movedTo = keptLast_ ? old : old + kHeaderSize;
    std::memcpy(movedTo, keptLast_ ? sector + kHeaderSize : sector,
                static_cast<std::size_t>(moved));
    mask_.Apply(movedTo, static_cast<std::size_t>(moved));
    std::memcpy(keptLast_ ? old + moved : old, entry + 4, static_cast<std::size_t>(kept));
    return Crc32c(0, old, static_cast<std::size_t>(n)) == crcOld ? SectorState::New
                                                                 : SectorState::Foreign;
}

void RecordedRegion::Visit(
    const std::function<bool(std::uint8_t*, std::int32_t, const std::uint8_t*)>& visit) {
    const std::int64_t tableAt = footer_.plan.dataAt(record_.sequence);
    UnitTable table(unit_);
    ForEachUnit(record_, unit_, [&](std::int64_t pos, std::int32_t n) {
        file_.ReadExactly(tableAt + journal::TableBytes(pos - record_.from), table.data(),
                          UnitTable::BytesFor(n));
        file_.ReadExactly(pos, buffer_.data(), n);
        bool changed = false;
        for (std::int32_t at = 0, e = 0; at < n; at += kSector, ++e) {
            changed |= visit(buffer_.data() + at, std::min(kSector, n - at),
                             table.data() + e * kEntryBytes);
        }
        if (changed) {
            file_.WriteAt(pos, buffer_.data(), n);
        }
    });
}

bool RecordedRegion::IsOldOrNew() {
    bool sound = true;
    std::array<std::uint8_t, kSector> old{};
    Visit([&](std::uint8_t* sector, std::int32_t n, const std::uint8_t* entry) {
        sound = sound && StateOf(sector, n, entry, old.data()) != SectorState::Foreign;
        return false;
    });
    return sound;
}

void RecordedRegion::ReturnToOld() {
    std::array<std::uint8_t, kSector> old{};
    Visit([&](std::uint8_t* sector, std::int32_t n, const std::uint8_t* entry) {
        switch (StateOf(sector, n, entry, old.data())) {
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
