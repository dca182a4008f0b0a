#include <algorithm>
#include <cerrno>
#include <new>
#include <optional>

#include "engine/file_attributes.h"
#include "engine/journaled_rewrite.h"
#include "engine/operations.h"

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

BodyMask MaskOf(const journal::Record& record) {
    return BodyMask(KeyBytesOf(ParseHeader(record.header).ClockKey));
}

// Bytes added by another program during the recovery would be cut off with
// the records: the run stops with the records still standing.
void CheckSizeUnchanged(detail::CheckedFile& io, const journal::Footer& footer) {
    if (io.Size() != footer.plan.end()) {
        throw EngineFailure::Changed();
    }
}

// Finishes the rewrite from its record; returns the mode the file gets.
// `cut` tells once the records are gone and the contents complete.
ModeRequest FinishFromRecord(PinnedFile& file, detail::CheckedFile& io,
                             const journal::Footer& footer, const journal::Record& record,
                             std::int32_t unit, detail::UnitBuffer& buffer, ProgressSink& sink,
                             const RewriteOptions& options, bool& cut) {
    const EncryptedFileHeader header = ParseHeader(record.header);
    const BodyMask mask = MaskOf(record);
    // The record's mode is what the run asked for: no write bit but the
    // owner's comes from it. A decryption gives back the group's and
    // others' from the kept word, which stays until the records are gone.
    const bool encrypting = record.operation == journal::Operation::Encrypt;
    const ModeRequest modeAfter =
        encrypting ? ModeRequest{record.modeAfter, false} : file.ModeBeforeEncryption(header);
    const detail::RegionStart start{record.from, record.sequence, true};
    detail::ProgressReporter progress(sink, record.sizeBefore, options.reportProgress);
    progress.StartAt(record.from / kBlockSize);
    detail::ReturnRegionToOld(io, mask, footer, record, unit, buffer);
    io.Flush();
    if (record.operation == journal::Operation::Encrypt) {
        std::copy(record.carry.begin(), record.carry.end(), buffer.data());
        detail::ForwardFrontier frontier;
        detail::EncryptRegions(io, mask, unit, footer.plan, record, start, buffer, &progress,
                               frontier);
        CheckSizeUnchanged(io, footer);
        io.WriteAt(record.sizeBefore + kHeaderSize, record.trailer.data(), kTrailerSize);
        io.Flush();
        // As in the run itself: the mode and its kept word before the cut.
        // The word is bound to this file from now on, so it may ask for no
        // more than records made for this file are trusted with.
        const unsigned modeBefore = file.Permitted({record.modeBefore, footer.madeForThisFile});
        file.files().WriteKeptMode(file.handle(),
                                   KeptModeValue(modeBefore, header, file.status().identity));
        file.SetModeAhead(modeAfter);
        io.FlushAll();
        io.CutAt(record.sizeAfter);
        cut = true;
        io.Flush();
    } else {
        detail::BackwardFrontier frontier;
        detail::DecryptRegions(io, mask, unit, footer.plan, record, start, buffer, &progress,
                               frontier);
        io.Flush();
        CheckSizeUnchanged(io, footer);
        file.SetModeAhead(modeAfter);
        io.FlushAll();
        io.CutAt(record.sizeAfter);
        cut = true;
        io.Flush();
        file.files().RemoveKeptMode(file.handle());
    }
    return modeAfter;
}

Outcome FinishPinned(PinnedFile& file, ProgressSink& sink, const RewriteOptions& options,
                     RecordTrust trust) {
    const journal::Footer footer = *file.interrupted;
    if (!footer.madeForThisFile && trust != RecordTrust::UserAgreed) {
        return Failure{FailureKind::ForeignRecord, 0};
    }
    const std::int32_t unit = UnitDividing(footer.plan.region, options.unitBlocks);
    try {
        file.BeginWriting();
        // Holes of a sparse file are filled as in any rewrite.
        if (!file.Reserve(file.size())) {
            return Refusal::DiskFull;
        }
        detail::CheckedFile io(file.files(), file.handle());
        detail::UnitBuffer buffer(unit + kHeaderSize);
        const Reading reading = ReadSlots(io, footer, buffer, unit + kHeaderSize);
        if (reading.verdict == Reading::Damaged) {
            return Failure{FailureKind::RecordDamaged, 0};
        }
        // A sector that is neither old nor new was written by another
        // program: finishing from the record would build on it.
        if (reading.verdict == Reading::Record &&
            !detail::RegionIsOldOrNew(io, MaskOf(reading.record), footer, reading.record, unit,
                                      buffer)) {
            return Failure{FailureKind::RecordDamaged, 0};
        }
        // Nothing begun: the mode the file had, which the run never changed.
        ModeRequest mode{footer.modeBefore, false};
        bool cut = false;
        file.BeginRewrite();
        try {
            if (reading.verdict == Reading::Record) {
                mode = FinishFromRecord(file, io, footer, reading.record, unit, buffer, sink,
                                        options, cut);
            } else {
                // The footer is durable before the first record, and nothing
                // of the contents is written before a record is: the rewrite
                // stopped before it changed anything.
                io.CutAt(footer.sizeBefore);
                cut = true;
                io.Flush();
            }
        } catch (const EngineFailure& e) {
            Failure failure = e.failure();
            // Once the records are cut off, the contents are complete and
            // only the final mode is missing.
            failure.file = cut ? FileState::Completed : FileState::Resumable;
            return failure;
        }
        if (const int error = file.Finish(mode); error != 0) {
            return Failure{FailureKind::System, error, FileState::Completed};
        }
        return Done{};
    } catch (const EngineFailure& e) {
        return e.failure();
    } catch (const std::bad_alloc&) {
        return Failure{FailureKind::System, ENOMEM};
    }
}

}  // namespace

bool InterruptedBeforeAnyChange(PinnedFile& file) {
    if (!file.interrupted || !file.interrupted->madeForThisFile) {
        return false;  // records of another file are not dropped unasked
    }
    try {
        detail::CheckedFile io(file.files(), file.handle());
        const journal::Plan& plan = file.interrupted->plan;
        for (int slot = 0; slot < 2; ++slot) {
            // A record sector is written before its region; none, no change.
            journal::Sector sector{};
            io.ReadExactly(plan.at + slot * plan.slotBytes, sector.data(), journal::kSector);
            if (std::any_of(sector.begin(), sector.end(), [](std::uint8_t b) { return b != 0; })) {
                return false;
            }
        }
        return true;
    } catch (const EngineFailure&) {
        return false;  // finishing will say what is wrong
    }
}

Outcome FinishInterrupted(PinnedFile file, ProgressSink& sink, const RewriteOptions& options,
                          RecordTrust trust) {
    Outcome outcome = FinishPinned(file, sink, options, trust);
    file.Close();
    return outcome;
}

}  // namespace kryvet
