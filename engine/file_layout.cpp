#include "engine/file_layout.h"

#include <algorithm>
#include <cstring>

#include "engine/civil_date.h"
#include "engine/run_result.h"

namespace kryvet {

KeyBytes KeyBytesOf(const ClockKeyBytes& clockKey) {
    return KeyBytes{clockKey[0], clockKey[1], clockKey[2]};
}

double ClockValueOf(const platform::SystemTime& t) {
    const double date = static_cast<double>(
        DaysFromCivil({t.wYear, static_cast<unsigned>(t.wMonth), static_cast<unsigned>(t.wDay)}) -
        kClockEpochFrom1970);
    const double msOfDay = static_cast<double>(
        ((static_cast<std::int64_t>(t.wHour) * 60 + t.wMinute) * 60 + t.wSecond) * 1000 +
        t.wMilliseconds);
    const double time = msOfDay / 86400000.0;
    return date + time;
}

ClockKeyBytes ClockKeyBytesOf(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    ClockKeyBytes bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
    return bytes;
}

std::array<std::uint8_t, 4> EncodeInt32(std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    return {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
            static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)};
}

std::int32_t DecodeInt32(const std::uint8_t* b) {
    const std::uint32_t u =
        static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
        (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
    return static_cast<std::int32_t>(u);
}

std::array<std::uint8_t, 2> EncodeUInt16(std::uint16_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)};
}

std::uint16_t DecodeUInt16(const std::uint8_t* b) {
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

EncryptionMaterial MakeEncryptionMaterial(const std::string& passwordCp932,
                                          const ClockKeyBytes& clockKey, std::int32_t size,
                                          std::int32_t savedAttributes) {
    EncryptionMaterial m;
    m.key = KeyBytesOf(clockKey);
    m.header.ClockKey = clockKey;

    // The password, its zero byte when it fits, zeros after.
    PasswordArea area{};
    const std::size_t length = std::min(passwordCp932.size(), kPasswordFieldSize);
    std::memcpy(area.data(), passwordCp932.data(), length);
    // The 50 bytes of the field and the one after it are masked with k2.
    for (std::size_t i = 0; i <= kPasswordFieldSize; ++i) {
        area[i] ^= m.key.k2;
    }
    for (std::size_t i = 0; i < kMarkerSize; ++i) {
        m.header.FileMarker[i] = kMarkerWord[i] ^ m.key.k0;
    }
    std::copy_n(area.begin(), kPasswordFieldSize, m.header.PasswordField.begin());
    m.header.StoredFileSize = size;
    m.header.StoredAttributes = static_cast<std::uint16_t>(savedAttributes & 0xFFFF);
    for (std::size_t j = 0; j < kTrailerSize; ++j) {
        m.trailer[j] = area[j] & m.key.k0;
    }
    return m;
}

HeaderImage HeaderBytes(const EncryptedFileHeader& header) {
    HeaderImage bytes{};
    auto out = std::copy(header.FileMarker.begin(), header.FileMarker.end(), bytes.begin());
    out = std::copy(header.ClockKey.begin(), header.ClockKey.end(), out);
    out = std::copy(header.PasswordField.begin(), header.PasswordField.end(), out);
    const auto size = EncodeInt32(header.StoredFileSize);
    out = std::copy(size.begin(), size.end(), out);
    const auto attributes = EncodeUInt16(header.StoredAttributes);
    std::copy(attributes.begin(), attributes.end(), out);
    return bytes;
}

EncryptedFileHeader ParseHeader(const HeaderImage& bytes) {
    EncryptedFileHeader header;
    const std::uint8_t* in = bytes.data();
    std::copy_n(in, header.FileMarker.size(), header.FileMarker.begin());
    in += header.FileMarker.size();
    std::copy_n(in, header.ClockKey.size(), header.ClockKey.begin());
    in += header.ClockKey.size();
    std::copy_n(in, header.PasswordField.size(), header.PasswordField.begin());
    in += header.PasswordField.size();
    header.StoredFileSize = DecodeInt32(in);
    header.StoredAttributes = DecodeUInt16(in + 4);
    return header;
}

std::string StoredPassword(const EncryptedFileHeader& header) {
    const std::uint8_t k2 = header.ClockKey[2];
    std::string password;
    for (std::uint8_t byte : header.PasswordField) {
        const auto plain = static_cast<std::uint8_t>(byte ^ k2);
        if (plain == 0) {
            break;
        }
        password.push_back(static_cast<char>(plain));
    }
    return password;
}

bool MarkerMatches(const EncryptedFileHeader& header) {
    const std::uint8_t k0 = header.ClockKey[0];
    for (std::size_t i = 0; i < kMarkerSize; ++i) {
        if (static_cast<std::uint8_t>(header.FileMarker[i] ^ k0) != kMarkerWord[i]) {
            return false;
        }
    }
    return true;
}

BodyMask::BodyMask(const KeyBytes& key) {
    const std::uint8_t k[3] = {key.k0, key.k1, key.k2};
    for (std::size_t j = 0; j < pattern_.size(); ++j) {
        pattern_[j] = k[j % 3];
    }
}

namespace {

// XORs whole 512-byte blocks with the pattern. This loop touches every byte
// of every file, so it is built for several instruction sets and the best
// the processor has is picked once, at the first call: by hand rather than
// with target_clones, which only ELF's loader can resolve.
[[gnu::always_inline]] inline void XorBlocksLoop(std::uint8_t* data, std::size_t blocks,
                                                 const std::uint8_t* pattern) {
    for (std::size_t b = 0; b < blocks; ++b) {
        std::uint8_t* block = data + b * kBlockSize;
        for (std::size_t j = 0; j < static_cast<std::size_t>(kBlockSize); ++j) {
            block[j] ^= pattern[j];
        }
    }
}

[[gnu::target("avx512f")]] void XorBlocksAvx512(std::uint8_t* data, std::size_t blocks,
                                                const std::uint8_t* pattern) {
    XorBlocksLoop(data, blocks, pattern);
}

[[gnu::target("avx2")]] void XorBlocksAvx2(std::uint8_t* data, std::size_t blocks,
                                           const std::uint8_t* pattern) {
    XorBlocksLoop(data, blocks, pattern);
}

void XorBlocksBaseline(std::uint8_t* data, std::size_t blocks, const std::uint8_t* pattern) {
    XorBlocksLoop(data, blocks, pattern);
}

using XorBlocks = void (*)(std::uint8_t*, std::size_t, const std::uint8_t*);

XorBlocks BestXorBlocks() {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f")) {
        return XorBlocksAvx512;
    }
    if (__builtin_cpu_supports("avx2")) {
        return XorBlocksAvx2;
    }
    return XorBlocksBaseline;
}

void XorWholeBlocks(std::uint8_t* data, std::size_t blocks, const std::uint8_t* pattern) {
    static const XorBlocks best = BestXorBlocks();
    best(data, blocks, pattern);
}

}  // namespace

void BodyMask::Apply(std::uint8_t* data, std::size_t length) const {
    const std::size_t blocks = length / kBlockSize;
    XorWholeBlocks(data, blocks, pattern_.data());
    const std::size_t offset = blocks * kBlockSize;
    for (std::size_t j = 0; offset + j < length; ++j) {
        data[offset + j] ^= pattern_[j];
    }
}

void BodyMask::ApplyAt(std::uint8_t* data, std::size_t length, std::int64_t offset) const {
    std::size_t j = static_cast<std::size_t>(offset % kBlockSize);
    std::size_t done = 0;
    for (; j != 0 && j < static_cast<std::size_t>(kBlockSize) && done < length; ++j, ++done) {
        data[done] ^= pattern_[j];
    }
    Apply(data + done, length - done);
}

}  // namespace kryvet
