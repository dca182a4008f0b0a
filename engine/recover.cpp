#include <algorithm>
#include <cerrno>
#include <new>
#include <optional>

#include "engine/file_attributes.h"
#include "engine/operations.h"
#include "engine/rewrite_session.h"

namespace kryvet {

namespace {

// The largest unit, up to the one asked for, that divides the region: the
// regions of the interrupted run may be of another unit than today's.
std::int32_t UnitDividing(std::int64_t region, std::int32_t unitBlocks) {
    std::int32_t unit = detail::UnitBytes(unitBlocks);
    while (region % unit != 0) {
        unit -= kBlockSize;
    }
    return unit;
}

// What the two slots say: the record to finish from, nothing begun yet, or
// records that cannot be trusted.
struct Reading {
    enum { Record, NothingBegun, Damaged } verdict = Damaged;
    journal::Record record;
};

Reading ReadSlots(detail::CheckedFile& io, const journal::Footer& footer,
                  detail::UnitBuffer& buffer, std::int32_t size) {
    const detail::Slot slots[2] = {detail::ReadSlot(io, footer, 0, buffer.data(), size),
                                   detail::ReadSlot(io, footer, 1, buffer.data(), size)};
    const detail::Slot* newest = nullptr;
    for (const auto& slot : slots) {
        if (slot.state == detail::Slot::Unreadable) {
            return {};  // a sector goes down whole or not at all: this is damage
        }
        if (slot.state == detail::Slot::Whole &&
            (newest == nullptr || slot.record.sequence > newest->record.sequence)) {
            newest = &slot;
        }
    }
    for (const auto& slot : slots) {
        // Broken data under a sector newer than every whole record is not
        // a stale slot being reused: that record was damaged after the fact.
        if (slot.state == detail::Slot::DataBroken &&
            (newest == nullptr || slot.record.sequence > newest->record.sequence)) {
            return {};
        }
    }
    if (newest != nullptr) {
        return {Reading::Record, newest->record};
    }
    if (slots[0].state == detail::Slot::Empty && slots[1].state == detail::Slot::Empty) {
        return {Reading::NothingBegun, {}};
    }
    return {};
}

// What finishing the rewrite from its record makes of the file. The
// record's mode is what the run asked for: no write bit but the owner's
// comes from it. A decryption gives back the group's and others' from the
// kept word, which stays until the records are gone; an encryption keeps a
// word bound to this file from now on, so it may ask for no more than
// records made for this file are trusted with.
detail::Ending EndingOf(const PinnedFile& file, const journal::Footer& footer,
                        const journal::Record& record) {
    const EncryptedFileHeader header = ParseHeader(record.header);
    if (record.operation == journal::Operation::Decrypt) {
        return {record.sizeAfter, file.ModeBeforeEncryption(header), std::nullopt};
    }
    const unsigned modeBefore = file.Permitted({record.modeBefore, footer.madeForThisFile});
    return {record.sizeAfter,
            {record.modeAfter, false},
            KeptModeValue(modeBefore, header, file.status().identity)};
}

Outcome FinishPinned(PinnedFile& file, ProgressSink& sink, const RewriteOptions& options,
                     RecordTrust trust) {
    const journal::Footer footer = *file.interrupted();
    if (!footer.madeForThisFile && trust != RecordTrust::UserAgreed) {
        return Failure{FailureKind::ForeignRecord, 0};
    }
    file.BeginWriting();
    // Holes of a sparse file are filled as in any rewrite.
    if (!file.Reserve(file.size())) {
        return Refusal::DiskFull;
    }
    detail::CheckedFile io(file.files(), file.handle());
    const std::int32_t unit = UnitDividing(footer.plan.region, options.unitBlocks);
    const Reading reading = [&] {
        detail::UnitBuffer scratch(unit);
        return ReadSlots(io, footer, scratch, unit);
    }();
    switch (reading.verdict) {
        case Reading::Damaged:
            return Failure{FailureKind::RecordDamaged, 0};
        case Reading::NothingBegun:
            // The footer is durable before the first record, and nothing of
            // the contents is written before a record is: the file goes back
            // to its size and to the mode the run never changed.
            return detail::RewriteSession::CutBack(file, io, file.size(), footer.sizeBefore,
                                                   footer.operation == journal::Operation::Decrypt,
                                                   {footer.modeBefore, false});
        case Reading::Record:
            break;
    }
    const journal::Record& record = reading.record;
    const detail::Ending ending = EndingOf(file, footer, record);
    const auto way =
        detail::MakeWay(io, record, unit,
                        detail::ProgressReporter(sink, record.sizeBefore, options.reportProgress));
    // A sector that is neither old nor new was written by another program:
    // finishing from the record would build on it.
    if (!detail::RecordedRegion(io, footer, record, unit, way->buffer()).IsOldOrNew()) {
        return Failure{FailureKind::RecordDamaged, 0};
    }
    return detail::RewriteSession(file, io, *way, ending).Resume(footer, record, unit);
}

}  // namespace

bool detail::InterruptedBeforeAnyChange(PinnedFile& file) {
    if (!file.interrupted() || !file.interrupted()->madeForThisFile) {
        return false;  // records of another file are not dropped unasked
    }
    try {
        detail::CheckedFile io(file.files(), file.handle());
        const journal::Plan& plan = file.interrupted()->plan;
        for (int slot = 0; slot < 2; ++slot) {
            // A record sector is written before its region; none, no change.
            journal::Sector sector{};
            io.ReadExactly(plan.slotAt(slot), sector.data(), journal::kSector);
            if (!journal::IsBlank(sector)) {
                return false;
            }
        }
        return true;
    } catch (const EngineFailure&) {
        return false;  // finishing will say what is wrong
    }
}

int PercentDone(PinnedFile& file) {
    if (!file.interrupted()) {
        return 0;
    }
    const journal::Footer& footer = *file.interrupted();
    detail::CheckedFile io(file.files(), file.handle());
    std::int64_t done = 0;
    std::uint64_t newest = 0;
    for (int slot = 0; slot < 2; ++slot) {
        journal::Sector sector{};
        try {
            io.ReadExactly(footer.plan.slotAt(slot), sector.data(), journal::kSector);
        } catch (const EngineFailure&) {
            continue;  // finishing will say what is wrong
        }
        const auto record = journal::DecodeRecord(sector, footer);
        if (record && record->sequence > newest) {
            newest = record->sequence;
            done = record->from;
        }
    }
    const std::int64_t total = journal::WriteEnd(footer.operation, footer.sizeBefore);
    return total > 0 ? static_cast<int>(std::clamp<std::int64_t>(done * 100 / total, 0, 100)) : 0;
}

Outcome FinishInterrupted(PinnedFile file, ProgressSink& sink, const RewriteOptions& options,
                          RecordTrust trust) {
    // What fails before the session begins has changed nothing.
    return detail::RunToTheEnd(file, [&] { return FinishPinned(file, sink, options, trust); });
}

}  // namespace kryvet
