#pragma once

#include <cstddef>
#include <cstdint>

// CRC-32C (Castagnoli), the checksum of the rewrite's recovery records.
namespace kryvet {

// Continues `crc` (0 to start) over the bytes.
std::uint32_t Crc32c(std::uint32_t crc, const void* data, std::size_t length);

}  // namespace kryvet
