#include "engine/shift.h"

#include <algorithm>
#include <cstring>

namespace kryvet::detail {

bool Mover::Endwards(const EndwardSource& source, std::int64_t from, std::int64_t until,
                     ForwardFrontier& frontier) const {
    const std::int64_t total = source.inFile + source.extraLength;
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
        frontier = {pos, pos == 0 ? 0 : pos - kHeaderSize, pos == 0 ? body : front,
                    pos == 0 ? 0 : kHeaderSize};
        const auto fromFile =
            static_cast<std::int32_t>(std::clamp<std::int64_t>(source.inFile - pos, 0, length));
        if (fromFile > 0) {
            file.ReadExactly(pos, body, fromFile);
        }
        if (length > fromFile) {
            std::memcpy(body + fromFile, source.extra + (pos + fromFile - source.inFile),
                        static_cast<std::size_t>(length - fromFile));
        }
        mask.Apply(body, static_cast<std::size_t>(length));
        frontier.heldLength += length;
        const bool last = pos + length >= total;
        file.WriteAt(pos, front, last ? kHeaderSize + length : unit);
        if (progress != nullptr) {
            progress->ReportThrough(last ? c * blocksPerUnit + length / kBlockSize - 1
                                         : (c + 1) * blocksPerUnit - 1);
        }
        if (last) {
            frontier = {total + kHeaderSize, total, nullptr, 0};
            return true;
        }
        std::memcpy(front, front + unit, kHeaderSize);
    }
}

bool Mover::Frontwards(std::int64_t end, std::int64_t from, std::int64_t until,
                       BackwardFrontier& frontier) const {
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

std::int32_t UnitBytes(std::int32_t unitBlocks) {
    return (unitBlocks < 1 ? 1 : unitBlocks) * kBlockSize;
}

}  // namespace kryvet::detail
