#include "engine/journaled_rewrite.h"

#include <algorithm>

#include "engine/crc32c.h"
#include "engine/run_result.h"

namespace kryvet::detail {

namespace {

std::int64_t SlotAt(const journal::Plan& plan, std::uint64_t sequence) {
    return plan.dataAt(sequence) - journal::kSector;
}

// Copies the region's old bytes into the record's slot, then the record
// with their checksum, and makes both durable before the region is touched.
void WriteRecord(CheckedFile& file, const journal::Plan& plan, journal::Record record,
                 std::int64_t dataFrom, std::uint8_t* scratch, std::int32_t scratchSize) {
    std::uint32_t crc = 0;
    const std::int64_t dataAt = plan.dataAt(record.sequence);
    for (std::int64_t done = 0; done < record.dataLength;) {
        const auto n = static_cast<std::int32_t>(
            std::min<std::int64_t>(scratchSize, record.dataLength - done));
        file.ReadExactly(dataFrom + done, scratch, n);
        crc = Crc32c(crc, scratch, static_cast<std::size_t>(n));
        file.WriteAt(dataAt + done, scratch, n);
        // The disk works on this while the next part is read.
        file.StartWriteback(dataAt + done, n);
        done += n;
    }
    record.dataCrc = crc;
    // The flush also puts the region before on the disk: the record that
    // replaces its own must not be there without it.
    file.Flush();
    const journal::Sector sector = journal::EncodeRecord(record);
    file.WriteAt(SlotAt(plan, record.sequence), sector.data(), journal::kSector);
    file.Flush();
}

std::uint32_t DataLength(std::int64_t first, std::int64_t last) {
    return static_cast<std::uint32_t>(std::max<std::int64_t>(last - first, 0));
}

// Before region [from, until) is rewritten: its record made durable, with the
// old bytes that start at `oldFrom` (and the carry, when the move has one).
// For the region a recovery resumes, nothing is written; the result is then
// how far its old bytes now lie from where the move reads them.
std::int64_t BeginRegion(CheckedFile& file, const journal::Plan& plan, const journal::Record& base,
                         const RegionStart& start, std::uint64_t& sequence, std::int64_t from,
                         std::int64_t until, std::int64_t oldFrom, const std::uint8_t* carry,
                         std::uint8_t* scratch, std::int32_t unit) {
    if (start.fromRecord && from == start.from) {
        sequence = start.sequence + 1;
        return plan.dataAt(start.sequence) - oldFrom;
    }
    journal::Record record = base;
    record.sequence = sequence++;
    record.from = from;
    record.until = until;
    record.dataLength = DataLength(oldFrom, std::min(oldFrom + (until - from), base.sizeBefore));
    if (carry != nullptr) {
        std::copy_n(carry, kHeaderSize, record.carry.begin());
    }
    WriteRecord(file, plan, record, oldFrom, scratch, unit);
    return 0;
}

}  // namespace

void OpenJournal(CheckedFile& file, const journal::Footer& footer) {
    const journal::Sector sector = journal::EncodeFooter(footer);
    file.WriteAt(footer.plan.footerAt(), sector.data(), journal::kSector);
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
    const std::int64_t size = base.sizeBefore;
    std::uint64_t sequence = start.sequence;
    for (std::int64_t from = start.from;; from += plan.region) {
        const std::int64_t until = from + plan.region;
        // The unit after the carry is free between regions.
        const std::int64_t readShift =
            BeginRegion(file, plan, base, start, sequence, from, until, from, buffer.data(),
                        buffer.data() + kHeaderSize, unit);
        if (MoveTowardsEndPart(file, mask, unit, size, from, until, readShift, buffer, progress,
                               frontier)) {
            return;
        }
        // Written back while the next record is made, so its flush waits less.
        file.StartWriteback(from, until - from);
    }
}

void DecryptRegions(CheckedFile& file, const BodyMask& mask, std::int32_t unit,
                    const journal::Plan& plan, const journal::Record& base, RegionStart start,
                    UnitBuffer& buffer, ProgressReporter* progress, BackwardFrontier& frontier) {
    const std::int64_t size = base.sizeBefore;
    std::uint64_t sequence = start.sequence;
    for (std::int64_t from = start.from;; from += plan.region) {
        const std::int64_t until = from + plan.region;
        const std::int64_t readShift =
            BeginRegion(file, plan, base, start, sequence, from, until, from + kHeaderSize, nullptr,
                        buffer.data(), unit);
        if (MoveTowardsFrontPart(file, mask, unit, size, from, until, readShift, buffer, progress,
                                 frontier)) {
            return;
        }
        // Written back while the next record is made, so its flush waits less.
        file.StartWriteback(from, until - from);
    }
}

Slot ReadSlot(CheckedFile& file, const journal::Footer& footer, int slot, std::uint8_t* scratch,
              std::int32_t scratchSize) {
    journal::Sector sector{};
    file.ReadExactly(footer.plan.at + slot * footer.plan.slotBytes, sector.data(),
                     journal::kSector);
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

}  // namespace kryvet::detail
