#include "engine/rewrite_way.h"

#include <algorithm>
#include <cstring>

namespace kryvet::detail {

namespace {

BodyMask MaskOf(const journal::Record& what) {
    return BodyMask(KeyBytesOf(ParseHeader(what.header).ClockKey));
}

}  // namespace

MovingWay::MovingWay(CheckedFile& file, const journal::Record& what, std::int32_t bufferBytes,
                     std::int32_t unit, const ProgressReporter& progress)
    : what_(what),
      mask_(MaskOf(what)),
      buffer_(bufferBytes),
      progress_(progress),
      mover_{file, mask_, unit, buffer_, &progress_} {}

void EncryptionWay::MoveJournaled(RegionJournal& journal, const RegionStart& start) {
    // The header goes first at the start; a resumed region begins with the
    // carry its record kept. The gauge has shown block 0 as the prompt left it.
    const std::uint8_t* first = start.fromRecord ? start.carry : what_.header.data();
    std::copy_n(first, kHeaderSize, buffer_.data());
    progress_.StartAt(start.fromRecord ? start.from / kBlockSize : 1);
    const EndwardSource source{what_.sizeBefore};
    journal.Run(start, true, [&](std::int64_t at, std::int64_t end) {
        return mover_.Endwards(source, at, end, frontier_);
    });
}

void EncryptionWay::MoveAll() {
    std::copy(what_.header.begin(), what_.header.end(), buffer_.data());
    progress_.StartAt(1);
    mover_.Endwards({what_.sizeBefore}, 0, kWholeMove, frontier_);
}

void EncryptionWay::Close() {
    mover_.file.WriteAt(what_.sizeBefore + kHeaderSize, what_.trailer.data(), kTrailerSize);
}

void EncryptionWay::Undo() {
    // The held bytes first go to a buffer of their own: the move below
    // reuses the rewrite's buffer.
    UnitBuffer held(std::max<std::int32_t>(frontier_.heldLength, 1));
    if (frontier_.heldLength > 0) {
        std::memcpy(held.data(), frontier_.held, static_cast<std::size_t>(frontier_.heldLength));
        mask_.ApplyAt(held.data(), static_cast<std::size_t>(frontier_.heldLength),
                      frontier_.heldFrom);
    }
    if (frontier_.writeAt > kHeaderSize) {
        BackwardFrontier back;
        const Mover undo{mover_.file, mask_, mover_.unit, buffer_};
        undo.Frontwards(frontier_.writeAt, 0, kWholeMove, back);
    }
    if (frontier_.heldLength > 0) {
        mover_.file.WriteAt(frontier_.heldFrom, held.data(), frontier_.heldLength);
    }
    mover_.file.CutAt(what_.sizeBefore);
    mover_.file.Flush();
}

void DecryptionWay::MoveJournaled(RegionJournal& journal, const RegionStart& start) {
    progress_.StartAt(start.from / kBlockSize);
    journal.Run(start, false, [&](std::int64_t at, std::int64_t end) {
        return mover_.Frontwards(what_.sizeBefore, at, end, frontier_);
    });
}

void DecryptionWay::MoveAll() {
    mover_.Frontwards(what_.sizeBefore, 0, kWholeMove, frontier_);
}

void DecryptionWay::Close() {
    // The trailer, beyond the stored size, is cut off at the end; it is
    // kept in memory until the file is safely on the disk.
    mover_.file.ReadExactly(what_.sizeAfter, tail_.data(), kTrailerSize);
    frontier_ = {what_.sizeAfter, tail_.data(), kTrailerSize};
}

void DecryptionWay::Undo() {
    // Encrypting the plain bytes again gives back the very bytes they came
    // from: the mask is its own inverse and the header is kept in memory.
    UnitBuffer buffer(mover_.unit + kHeaderSize);
    std::copy(what_.header.begin(), what_.header.end(), buffer.data());
    ForwardFrontier forward;
    const Mover redo{mover_.file, mask_, mover_.unit, buffer};
    redo.Endwards({frontier_.moved, frontier_.held, frontier_.heldLength}, 0, kWholeMove, forward);
    mover_.file.CutAt(what_.sizeBefore);
    mover_.file.Flush();
}

}  // namespace kryvet::detail
