#pragma once

#include <cstddef>
#include <cstdint>

// CRC-32C (Castagnoli), the checksum of the rewrite's recovery records.
namespace kryvet {

// Continues `crc` (0 to start) over the bytes.
std::uint32_t Crc32c(std::uint32_t crc, const void* data, std::size_t length);

// The checksum of every 512-byte sector of the bytes, the last one maybe
// shorter, into crcs[0], crcs[1], ...
void SectorCrc32cs(const void* data, std::size_t length, std::uint32_t* crcs);

}  // namespace kryvet
