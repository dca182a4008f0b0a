#pragma once

#include <climits>
#include <cstdint>

#include "engine/file_layout.h"
#include "engine/rewrite_io.h"

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

// What a move towards the end writes: the file's first `inFile` bytes, then
// `extraLength` bytes from memory.
struct EndwardSource {
    std::int64_t inFile = 0;
    const std::uint8_t* extra = nullptr;
    std::int32_t extraLength = 0;
};

// The write positions of a whole move, wherever it ends.
constexpr std::int64_t kWholeMove = INT64_MAX;

// Moves over one file with one mask and unit, through `buffer`: unit + 70
// bytes for the move towards the end, unit bytes for the move towards the
// front. The buffer belongs to the caller, so that what a frontier points to
// outlives a failure. Progress goes to `progress` where there is one.
struct Mover {
    CheckedFile& file;
    const BodyMask& mask;
    std::int32_t unit;
    UnitBuffer& buffer;
    ProgressReporter* progress = nullptr;

    // Writes the write positions [from, until) of the move towards the end,
    // `from` a whole number of units. The first 70 bytes of the buffer hold
    // on entry what goes to `from` first (the header at 0, else the masked
    // carry) and on return what goes to `until`. Reading always runs ahead of
    // writing: a unit is read before its place is written, and its last 70
    // bytes are carried over to the next write. True once the move is
    // complete; its last write may reach up to 70 bytes past `until`.
    bool Endwards(const EndwardSource& source, std::int64_t from, std::int64_t until,
                  ForwardFrontier& frontier) const;

    // Moves the bytes at [70 + from, 70 + until) of a file of `end` bytes to
    // [from, until), unmasked. True once the move is complete.
    bool Frontwards(std::int64_t end, std::int64_t from, std::int64_t until,
                    BackwardFrontier& frontier) const;
};

// Bytes in a unit of the rewrite.
std::int32_t UnitBytes(std::int32_t unitBlocks);

}  // namespace kryvet::detail
