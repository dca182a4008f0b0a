#pragma once

// An encrypted file built byte by byte from the layout tables, written apart
// from the engine's own encoder so that the two can be compared.
#include <cstdint>
#include <string>

inline std::string ReferenceEncryptedFile(const std::string& plain, const std::string& password,
                                          const std::uint8_t clockKey[8],
                                          std::uint16_t attributes) {
    const std::uint8_t k[3] = {clockKey[0], clockKey[1], clockKey[2]};
    std::string out;
    for (char c : std::string("Kryvet"))
        out.push_back(static_cast<char>(c ^ k[0]));
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>(clockKey[i]));
    std::uint8_t area[58] = {};
    for (std::size_t i = 0; i < password.size() && i < 50; ++i) {
        area[i] = static_cast<std::uint8_t>(password[i]);
    }
    for (int i = 0; i <= 50; ++i)
        area[i] ^= k[2];
    for (int i = 0; i < 50; ++i)
        out.push_back(static_cast<char>(area[i]));
    const auto size = static_cast<std::uint32_t>(plain.size());
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((size >> (8 * i)) & 0xFF));
    out.push_back(static_cast<char>(attributes & 0xFF));
    out.push_back(static_cast<char>(attributes >> 8));
    for (std::size_t p = 0; p < plain.size(); ++p) {
        out.push_back(static_cast<char>(plain[p] ^ k[(p % 512) % 3]));
    }
    for (int j = 0; j < 58; ++j)
        out.push_back(static_cast<char>(area[j] & k[0]));
    return out;
}
