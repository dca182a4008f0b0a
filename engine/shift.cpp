#include "engine/shift.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <new>

#include "engine/run_result.h"

namespace kryvet::detail {

namespace {

constexpr std::int64_t kNoEnd = INT64_MAX;

bool MoveEndwards(CheckedFile& file, const BodyMask& mask, std::int32_t unit, std::int64_t inFile,
                  const std::uint8_t* extra, std::int32_t extraLength, std::int64_t from,
                  std::int64_t until, UnitBuffer& buffer, ProgressReporter* progress,
                  ForwardFrontier& frontier) {
    const std::int64_t total = inFile + extraLength;
    const std::int32_t blocksPerUnit = unit / kBlockSize;
    // The carried 70 bytes sit in front of the unit just read, so each write
    // covers exactly the region just read and starts on a unit boundary.
    std::uint8_t* const front = buffer.data();
    std::uint8_t* const body = front + kHeaderSize;
    for (std::int64_t pos = from, c = from / unit;; pos += unit, ++c) {
        if (pos >= until) {
            // The file is moved up to here; only the carry is in memory.
            frontier = {pos, pos - kHeaderSize, front, kHeaderSize};
            return false;
        }
        const auto length = static_cast<std::int32_t>(std::min<std::int64_t>(unit, total - pos));
        frontier.writeAt = pos;
        frontier.heldFrom = pos == 0 ? 0 : pos - kHeaderSize;
        frontier.held = pos == 0 ? body : front;
        frontier.heldLength = pos == 0 ? 0 : kHeaderSize;

        const auto fromFile =
            static_cast<std::int32_t>(std::clamp<std::int64_t>(inFile - pos, 0, length));
        if (fromFile > 0) {
            file.ReadExactly(pos, body, fromFile);
        }
        if (length > fromFile) {
            std::memcpy(body + fromFile, extra + (pos + fromFile - inFile),
                        static_cast<std::size_t>(length - fromFile));
        }
        mask.Apply(body, static_cast<std::size_t>(length));
        frontier.heldLength += length;

        if (pos + length >= total) {
            file.WriteAt(pos, front, kHeaderSize + length);
            if (progress != nullptr) {
                progress->ReportThrough(c * blocksPerUnit + length / kBlockSize - 1);
            }
            frontier = {total + kHeaderSize, total, nullptr, 0};
            return true;
        }
        file.WriteAt(pos, front, unit);
        if (progress != nullptr) {
            progress->ReportThrough((c + 1) * blocksPerUnit - 1);
        }
        std::memcpy(front, front + unit, kHeaderSize);
    }
}

}  // namespace

void MoveTowardsEnd(CheckedFile& file, const BodyMask& mask, std::int32_t unit,
                    const HeaderImage& header, std::int64_t inFile, const std::uint8_t* extra,
                    std::int32_t extraLength, UnitBuffer& buffer, ProgressReporter* progress,
                    ForwardFrontier& frontier) {
    std::copy(header.begin(), header.end(), buffer.data());
    MoveEndwards(file, mask, unit, inFile, extra, extraLength, 0, kNoEnd, buffer, progress,
                 frontier);
}

bool MoveTowardsEndPart(CheckedFile& file, const BodyMask& mask, std::int32_t unit,
                        std::int64_t inFile, std::int64_t from, std::int64_t until,
                        UnitBuffer& buffer, ProgressReporter* progress, ForwardFrontier& frontier) {
    return MoveEndwards(file, mask, unit, inFile, nullptr, 0, from, until, buffer, progress,
                        frontier);
}

bool MoveTowardsFrontPart(CheckedFile& file, const BodyMask& mask, std::int32_t unit,
                          std::int64_t end, std::int64_t from, std::int64_t until,
                          UnitBuffer& buffer, ProgressReporter* progress,
                          BackwardFrontier& frontier) {
    const std::int64_t total = end - kHeaderSize;
    const std::int32_t blocksPerUnit = unit / kBlockSize;
    // Reading runs 70 bytes ahead of writing, so nothing is overwritten unread.
    for (std::int64_t pos = from, q = from / unit;; pos += unit, ++q) {
        frontier = {pos, nullptr, 0};
        if (pos >= until) {
            return false;
        }
        const auto n = static_cast<std::int32_t>(std::clamp<std::int64_t>(total - pos, 0, unit));
        if (n > 0) {
            file.ReadExactly(kHeaderSize + pos, buffer.data(), n);
            mask.Apply(buffer.data(), static_cast<std::size_t>(n));
            frontier.held = buffer.data();
            frontier.heldLength = n;
            file.WriteAt(pos, buffer.data(), n);
        }
        const bool last = pos + n >= total;
        if (progress != nullptr) {
            progress->ReportThrough(last ? q * blocksPerUnit + n / kBlockSize
                                         : (q + 1) * blocksPerUnit - 1);
        }
        if (last) {
            frontier = {total, nullptr, 0};
            return true;
        }
    }
}

void MoveTowardsFront(CheckedFile& file, const BodyMask& mask, std::int32_t unit, std::int64_t end,
                      UnitBuffer& buffer, ProgressReporter* progress, BackwardFrontier& frontier) {
    MoveTowardsFrontPart(file, mask, unit, end, 0, kNoEnd, buffer, progress, frontier);
}

void UndoEncryption(CheckedFile& file, const BodyMask& mask, std::int32_t unit,
                    const ForwardFrontier& frontier, std::int64_t plainSize) {
    // The held bytes first go to a buffer of their own: the move below
    // reuses nothing of the rewrite's memory.
    UnitBuffer held(std::max<std::int32_t>(frontier.heldLength, 1));
    if (frontier.heldLength > 0) {
        std::memcpy(held.data(), frontier.held, static_cast<std::size_t>(frontier.heldLength));
        mask.ApplyAt(held.data(), static_cast<std::size_t>(frontier.heldLength), frontier.heldFrom);
    }
    if (frontier.writeAt > kHeaderSize) {
        UnitBuffer buffer(unit);
        BackwardFrontier back;
        MoveTowardsFront(file, mask, unit, frontier.writeAt, buffer, nullptr, back);
    }
    if (frontier.heldLength > 0) {
        file.WriteAt(frontier.heldFrom, held.data(), frontier.heldLength);
    }
    file.CutAt(plainSize);
    file.Flush();
}

void UndoDecryption(CheckedFile& file, const BodyMask& mask, std::int32_t unit,
                    const HeaderImage& header, const BackwardFrontier& frontier,
                    std::int64_t encryptedSize) {
    // Encrypting the plain bytes again gives back the very bytes they came
    // from: the mask is its own inverse and the header is kept in memory.
    UnitBuffer buffer(unit + kHeaderSize);
    ForwardFrontier forward;
    MoveTowardsEnd(file, mask, unit, header, frontier.moved, frontier.held, frontier.heldLength,
                   buffer, nullptr, forward);
    file.CutAt(encryptedSize);
    file.Flush();
}

Failure PutBack(Failure failure, const std::function<void()>& undo, std::int64_t stoppedAt) {
    try {
        undo();
        failure.file = FileState::Restored;
    } catch (const EngineFailure&) {
        failure.file = FileState::Damaged;
        failure.stoppedAt = stoppedAt;
    } catch (const std::bad_alloc&) {
        failure.file = FileState::Damaged;
        failure.stoppedAt = stoppedAt;
    }
    return failure;
}

Outcome RunToTheEnd(PinnedFile& file, const std::function<Outcome()>& operation) {
    Outcome outcome;
    try {
        outcome = operation();
    } catch (const EngineFailure& e) {
        outcome = e.failure();
    } catch (const std::bad_alloc&) {
        outcome = Failure{FailureKind::System, ENOMEM};
    }
    file.Close();
    return outcome;
}

std::int32_t UnitBytes(std::int32_t unitBlocks) {
    return (unitBlocks < 1 ? 1 : unitBlocks) * kBlockSize;
}

}  // namespace kryvet::detail
