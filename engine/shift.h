#pragma once

#include <cstdint>
#include <functional>

#include "engine/file_layout.h"
#include "engine/pinned_file.h"
#include "engine/rewrite_io.h"
#include "engine/run_result.h"

// The two moves of a rewrite. Encryption moves the plain bytes 70 towards
// the end behind the header; decryption moves them back. Each is the other's
// way back: a failed encryption is undone by moving what it wrote back to the
// front, a failed decryption by encrypting again what it had decrypted. Both
// work in units that start on 512-byte block boundaries of the plain data,
// where the mask pattern restarts.
namespace kryvet::detail {

// Where a move towards the end stands, for putting the file back after a
// failure: the file holds the moved bytes in [0, writeAt); the plain bytes
// [heldFrom, heldFrom + heldLength) whose place may already be written over
// are in memory, masked.
struct ForwardFrontier {
    std::int64_t writeAt = 0;
    std::int64_t heldFrom = 0;
    const std::uint8_t* held = nullptr;
    std::int32_t heldLength = 0;
};

// Where a move towards the front stands: the file holds the plain bytes in
// [0, moved); the next unit, unmasked, is in memory while it is written.
struct BackwardFrontier {
    std::int64_t moved = 0;
    const std::uint8_t* held = nullptr;
    std::int32_t heldLength = 0;
};

// The buffers belong to the caller, so that what a frontier points to
// outlives a failure: `buffer` holds unit + 70 bytes for the move towards the
// end, unit bytes for the move towards the front.
//
// Writes the header and then the plain bytes of [0, inFile) of the file,
// followed by `extra` bytes from memory, masked and 70 bytes further on.
// Reading always runs ahead of writing: a unit is read before its place is
// written, and its last 70 bytes are carried over to the next write.
void MoveTowardsEnd(CheckedFile& file, const BodyMask& mask, std::int32_t unit,
                    const HeaderImage& header, std::int64_t inFile, const std::uint8_t* extra,
                    std::int32_t extraLength, UnitBuffer& buffer, ProgressReporter* progress,
                    ForwardFrontier& frontier);

// The same move for the write positions [from, until) only, `from` a whole
// number of units. The first 70 bytes of `buffer` hold on entry what goes to
// `from` first (the header at 0, else the masked carry) and on return what
// goes to `until`. True once the move is complete; its last write may reach
// up to 70 bytes past `until`, beyond the old end of the file.
bool MoveTowardsEndPart(CheckedFile& file, const BodyMask& mask, std::int32_t unit,
                        std::int64_t inFile, std::int64_t from, std::int64_t until,
                        UnitBuffer& buffer, ProgressReporter* progress, ForwardFrontier& frontier);

// Moves the bytes [70, end) of the file to [0, end - 70), unmasked.
void MoveTowardsFront(CheckedFile& file, const BodyMask& mask, std::int32_t unit, std::int64_t end,
                      UnitBuffer& buffer, ProgressReporter* progress, BackwardFrontier& frontier);

// The same move for the write positions [from, until) only. True once the
// move is complete.
bool MoveTowardsFrontPart(CheckedFile& file, const BodyMask& mask, std::int32_t unit,
                          std::int64_t end, std::int64_t from, std::int64_t until,
                          UnitBuffer& buffer, ProgressReporter* progress,
                          BackwardFrontier& frontier);

// Puts back a plain file of `plainSize` bytes from where an encryption
// stopped. EngineFailure when that fails too.
void UndoEncryption(CheckedFile& file, const BodyMask& mask, std::int32_t unit,
                    const ForwardFrontier& frontier, std::int64_t plainSize);

// Puts back an encrypted file of `encryptedSize` bytes from where a
// decryption stopped.
void UndoDecryption(CheckedFile& file, const BodyMask& mask, std::int32_t unit,
                    const HeaderImage& header, const BackwardFrontier& frontier,
                    std::int64_t encryptedSize);

// Runs `undo` after `failure` stopped a rewrite and says what became of the
// file: restored, or damaged where the rewrite had got to.
Failure PutBack(Failure failure, const std::function<void()>& undo, std::int64_t stoppedAt);

// Runs one whole operation on a pinned file: a failure that escapes it
// becomes its outcome, and the file is closed (and termination requests let
// through) before anybody hears of the outcome.
Outcome RunToTheEnd(PinnedFile& file, const std::function<Outcome()>& operation);

// Bytes in a unit of the rewrite.
std::int32_t UnitBytes(std::int32_t unitBlocks);

}  // namespace kryvet::detail
