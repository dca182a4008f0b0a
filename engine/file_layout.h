#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/platform_file.h"

// The layout of an encrypted file: a 70-byte header, the masked body, a
// 58-byte trailer. All numbers little-endian.
namespace kryvet {

constexpr std::int32_t kHeaderSize = 70;
constexpr std::int32_t kTrailerSize = 58;
constexpr std::int32_t kGrowth = kHeaderSize + kTrailerSize;  // 128
constexpr std::int32_t kBlockSize = 512;
// The largest size the layout's signed 32-bit counts can hold.
constexpr std::int64_t kLargestCount = 2147483647;
constexpr std::size_t kMarkerSize = 6;
constexpr std::size_t kClockKeySize = 8;
constexpr std::size_t kPasswordFieldSize = 50;
constexpr std::size_t kPasswordAreaSize = 58;
constexpr std::array<std::uint8_t, kMarkerSize> kMarkerWord = {'K', 'r', 'y', 'v', 'e', 't'};

using ClockKeyBytes = std::array<std::uint8_t, kClockKeySize>;

struct KeyBytes {
    std::uint8_t k0 = 0;
    std::uint8_t k1 = 0;
    std::uint8_t k2 = 0;
};

// The key is the first three bytes of the stored clock value.
KeyBytes KeyBytesOf(const ClockKeyBytes& clockKey);

// Local date and time as a day count since 30 December 1899 plus the fraction
// of the day, the way the clock value has always been stored.
double ClockValueOf(const platform::SystemTime& time);
ClockKeyBytes ClockKeyBytesOf(double value);

// The header fields, in file order.
struct EncryptedFileHeader {
    std::array<std::uint8_t, kMarkerSize> FileMarker{};
    ClockKeyBytes ClockKey{};
    std::array<std::uint8_t, kPasswordFieldSize> PasswordField{};
    std::int32_t StoredFileSize = 0;
    std::uint16_t StoredAttributes = 0;
};

// The 58-byte password area: the password, a zero byte when it fits, zeros.
using PasswordArea = std::array<std::uint8_t, kPasswordAreaSize>;

// Builds the header and the trailer of a plain file of `size` bytes.
struct EncryptionMaterial {
    EncryptedFileHeader header;
    std::array<std::uint8_t, kTrailerSize> trailer{};
    KeyBytes key;
};
EncryptionMaterial MakeEncryptionMaterial(const std::string& passwordCp932,
                                          const ClockKeyBytes& clockKey, std::int32_t size,
                                          std::int32_t savedAttributes);

// The header as it stands in the file, the five fields one after the other,
// and back: the one codec for writing and for reading it.
using HeaderImage = std::array<std::uint8_t, kHeaderSize>;
HeaderImage HeaderBytes(const EncryptedFileHeader& header);
EncryptedFileHeader ParseHeader(const HeaderImage& bytes);

// Unmasks the stored password: the bytes before the zero byte, or all 50
// when the field holds none (a password of exactly 50 bytes).
std::string StoredPassword(const EncryptedFileHeader& header);

// True when the first six bytes, unmasked with k0, are the marker word.
bool MarkerMatches(const EncryptedFileHeader& header);

// Little-endian field encodings.
std::array<std::uint8_t, 4> EncodeInt32(std::int32_t value);
std::int32_t DecodeInt32(const std::uint8_t* bytes);
std::array<std::uint8_t, 2> EncodeUInt16(std::uint16_t value);
std::uint16_t DecodeUInt16(const std::uint8_t* bytes);

// The body mask: byte j of every 512-byte block is XORed with k[j mod 3].
// Data handed to Apply must start at a block boundary of the plain file.
class BodyMask {
public:
    explicit BodyMask(const KeyBytes& key);
    void Apply(std::uint8_t* data, std::size_t length) const;
    // The same for data that starts at plain offset `offset`, anywhere in a block.
    void ApplyAt(std::uint8_t* data, std::size_t length, std::int64_t offset) const;

private:
    alignas(64) std::array<std::uint8_t, kBlockSize> pattern_{};
};

}  // namespace kryvet
