#include "engine/crc32c.h"

#include <algorithm>
#include <array>
#include <cstring>

#if defined(__x86_64__)
#include <nmmintrin.h>
#endif

namespace kryvet {

namespace {

constexpr std::uint32_t kPolynomial = 0x82F63B78u;  // reflected
constexpr std::size_t kSectorBytes = 512;

// Eight tables, so the software path takes eight bytes per step.
struct Tables {
    std::array<std::array<std::uint32_t, 256>, 8> t{};
    Tables() {
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? (c >> 1) ^ kPolynomial : c >> 1;
            }
            t[0][i] = c;
        }
        for (std::size_t i = 0; i < 256; ++i) {
            for (std::size_t k = 1; k < 8; ++k) {
                t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
            }
        }
    }
};

std::uint32_t Software(std::uint32_t c, const std::uint8_t* p, std::size_t n) {
    static const Tables tables;
    const auto& t = tables.t;
    while (n >= 8) {
        std::uint32_t lo = 0;
        std::uint32_t hi = 0;
        std::memcpy(&lo, p, 4);
        std::memcpy(&hi, p + 4, 4);
        lo ^= c;
        c = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
            t[3][hi & 0xFF] ^ t[2][(hi >> 8) & 0xFF] ^ t[1][(hi >> 16) & 0xFF] ^ t[0][hi >> 24];
        p += 8;
        n -= 8;
    }
    while (n-- > 0) {
        c = t[0][(c ^ *p++) & 0xFF] ^ (c >> 8);
    }
    return c;
}

#if defined(__x86_64__)
// The processor's own instruction: the checksum must not cost a noticeable
// share of a rewrite that is bound by the disk.
__attribute__((target("sse4.2"))) std::uint32_t Hardware(std::uint32_t c, const std::uint8_t* p,
                                                         std::size_t n) {
    std::uint64_t c64 = c;
    while (n >= 8) {
        std::uint64_t v = 0;
        std::memcpy(&v, p, 8);
        c64 = _mm_crc32_u64(c64, v);
        p += 8;
        n -= 8;
    }
    c = static_cast<std::uint32_t>(c64);
    while (n-- > 0) {
        c = _mm_crc32_u8(c, *p++);
    }
    return c;
}

// Four sectors side by side: the instruction takes three cycles to give its
// result but can start every cycle, so four independent checksums run
// nearly four times as fast as one.
__attribute__((target("sse4.2"))) void HardwareFourSectors(const std::uint8_t* p,
                                                           std::uint32_t* crcs) {
    // Four named accumulators, so that they stay in registers.
    std::uint64_t a = 0xFFFFFFFFu;
    std::uint64_t b = 0xFFFFFFFFu;
    std::uint64_t c = 0xFFFFFFFFu;
    std::uint64_t d = 0xFFFFFFFFu;
    for (std::size_t at = 0; at < kSectorBytes; at += 8) {
        std::uint64_t v[4];
        std::memcpy(&v[0], p + at, 8);
        std::memcpy(&v[1], p + kSectorBytes + at, 8);
        std::memcpy(&v[2], p + 2 * kSectorBytes + at, 8);
        std::memcpy(&v[3], p + 3 * kSectorBytes + at, 8);
        a = _mm_crc32_u64(a, v[0]);
        b = _mm_crc32_u64(b, v[1]);
        c = _mm_crc32_u64(c, v[2]);
        d = _mm_crc32_u64(d, v[3]);
    }
    crcs[0] = ~static_cast<std::uint32_t>(a);
    crcs[1] = ~static_cast<std::uint32_t>(b);
    crcs[2] = ~static_cast<std::uint32_t>(c);
    crcs[3] = ~static_cast<std::uint32_t>(d);
}
#endif

}  // namespace

void SectorCrc32cs(const void* data, std::size_t length, std::uint32_t* crcs) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    std::size_t at = 0;
#if defined(__x86_64__)
    static const bool hardware = __builtin_cpu_supports("sse4.2");
    for (; hardware && at + 4 * kSectorBytes <= length; at += 4 * kSectorBytes) {
        HardwareFourSectors(p + at, crcs + at / kSectorBytes);
    }
#endif
    for (; at < length; at += kSectorBytes) {
        crcs[at / kSectorBytes] = Crc32c(0, p + at, std::min(kSectorBytes, length - at));
    }
}

std::uint32_t Crc32c(std::uint32_t crc, const void* data, std::size_t length) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    std::uint32_t c = ~crc;
#if defined(__x86_64__)
    static const bool hardware = __builtin_cpu_supports("sse4.2");
    c = hardware ? Hardware(c, p, length) : Software(c, p, length);
#else
    c = Software(c, p, length);
#endif
    return ~c;
}

}  // namespace kryvet
