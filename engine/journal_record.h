#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/file_layout.h"
#include "engine/platform_file.h"

// The recovery records of a rewrite, kept in the file itself beyond the end
// of both its old and its new contents:
//
//   [at, at + slot)             slot 0: a 512-byte record, then its table
//   [at + slot, at + 2 slot)    slot 1: the same
//   [at + 2 slot, +512)         the footer, the last 512 bytes of the file
//
// The footer is written once, before anything else, and tells where the
// slots are. Records go to the slots in turn (sequence number modulo 2), so
// the one written last stays whole while the next is written over the other.
// Every number is little-endian; every block carries a CRC-32C.
//
// The table has one entry per 512-byte sector of the region's write
// positions: the CRC-32C of the sector's old bytes, then the 70 old bytes
// that the sector's new bytes do not carry (its last 70 when encrypting, its
// first 70 when decrypting; fewer, then zeros, for a shorter last sector).
// A disk writes a sector whole or not at all, so each sector of an
// interrupted region is either old or new: old when it has the checksum,
// new when the old bytes made from it and those 70 have it. That is 74
// bytes per 512 instead of a copy of the region.
namespace kryvet::journal {

constexpr std::int32_t kSector = 512;
// The footer's fields all lie in the first bytes of its sector.
constexpr std::int32_t kFooterBytes = 128;
constexpr std::int64_t kAlignment = 4096;
// Version 3 binds the footer to the file it was written for; records of
// version 2 are still read, as made for another file.
constexpr std::uint32_t kVersion = 3;
constexpr std::uint32_t kUnboundVersion = 2;
constexpr std::int32_t kEntryBytes = 4 + kHeaderSize;
// The largest region a rewrite plans.
constexpr std::int64_t kLargestPlannedRegion = std::int64_t{1} << 27;

// Bytes of the table for a region of `length` write positions.
std::int64_t TableBytes(std::int64_t length);

enum class Operation : std::uint32_t { Encrypt = 1, Decrypt = 2 };

// Where the writes of the rewrite end: the body moved 70 bytes on or back.
std::int64_t WriteEnd(Operation operation, std::int64_t sizeBefore);

// Where the journal of one rewrite lies and how large a region is.
struct Plan {
    std::int64_t at = 0;         // first byte of slot 0, past both sizes
    std::int64_t slotBytes = 0;  // record sector and data room
    std::int64_t region = 0;     // write positions covered by one record
    std::int64_t end() const { return at + 2 * slotBytes + kSector; }
    // Where the record sector of slot 0 or 1 lies.
    std::int64_t slotAt(int slot) const { return at + slot * slotBytes; }
    std::int64_t footerAt() const { return end() - kSector; }
    std::int64_t dataAt(std::uint64_t sequence) const {
        return slotAt(static_cast<int>(sequence % 2)) + kSector;
    }
};

// The plan for the rewrite of a file of `sizeBefore` bytes: 128 bytes
// longer when encrypting, shorter when decrypting. The region is `wanted`
// bytes, halved while the journal needs more than `spare` bytes of free
// space beyond the larger size; none when not even one unit fits.
std::optional<Plan> PlanJournal(Operation operation, std::int64_t sizeBefore, std::int32_t unit,
                                std::int64_t wanted, std::int64_t spare);
// The size a rewrite leaves a file of `sizeBefore` bytes with.
std::int64_t SizeAfter(Operation operation, std::int64_t sizeBefore);

struct Footer {
    Operation operation = Operation::Encrypt;
    std::int64_t sizeBefore = 0;
    std::int64_t sizeAfter = 0;
    unsigned modeBefore = 0;
    Plan plan;
    // The file the rewrite was made for.
    platform::FileIdentity file;
    // Read back: the version written, and whether it names the file it was
    // read from. A record made for another file (a copy, a download, a
    // crafted file) is never acted on without the user's word.
    std::uint32_t version = kVersion;
    bool madeForThisFile = false;
};

// What finishing one region needs: the region [from, until) of write
// positions, the 70 bytes that go first at `from`, and the table of its
// sectors, `dataLength` bytes in the slot after the record.
struct Record {
    std::uint64_t sequence = 0;
    Operation operation = Operation::Encrypt;
    std::int64_t sizeBefore = 0;
    std::int64_t sizeAfter = 0;
    std::int64_t from = 0;
    std::int64_t until = 0;
    std::uint32_t dataLength = 0;
    std::uint32_t dataCrc = 0;
    unsigned modeBefore = 0;
    unsigned modeAfter = 0;
    HeaderImage header{};
    std::array<std::uint8_t, kTrailerSize> trailer{};
    std::array<std::uint8_t, kHeaderSize> carry{};
};

using Sector = std::array<std::uint8_t, kSector>;

// A sector never written: all zeros.
bool IsBlank(const Sector& sector);

Sector EncodeFooter(const Footer& footer);
Sector EncodeRecord(const Record& record);

// The word kept beside a file while its records are being appended: its
// size before and the journal's end, and the file (device and inode). A file
// system that may keep a file's new size without its data (ext4 with
// data=writeback, and others that keep extended attributes) can leave the
// original followed by zeros where the footer should be; the word, on the
// disk before the file grows, says so. File systems with no such words
// (vfat, exfat) are left as they are.
std::string ExtensionWord(std::int64_t sizeBefore, const Plan& plan,
                          const platform::FileIdentity& file);
// What a growth word names, once checked: the file it was made for, and a
// journal's end that a plan of this program makes for that size before, for
// either operation (so it names at most a journal's size past the old end).
struct Growth {
    std::int64_t before = 0;
    std::int64_t end = 0;
    bool byEncryption = false;  // a plan of an encryption ends there
    bool byDecryption = false;
};
std::optional<Growth> ReadExtensionWord(const std::string& word,
                                        const platform::FileIdentity& file);

// What the last sector of a file says. Every number is checked against the
// layout's limits and the file's real size: a footer whose plan is not the
// one a rewrite of its sizes makes, or that does not end the file, is
// damaged. `file` is the file it was read from.
enum class Found { None, Damaged, Valid };
Found DecodeFooter(const Sector& sector, std::int64_t fileSize, const platform::FileIdentity& file,
                   Footer& footer);
// A record sector that is whole and belongs to the footer's rewrite: its
// region lies within the rewrite's writes, where its sequence puts it, and
// its header is one of the rewrite's sizes.
std::optional<Record> DecodeRecord(const Sector& sector, const Footer& footer);

}  // namespace kryvet::journal
