#include "engine/file_attributes.h"

#include <sys/stat.h>

#include <cstdio>

namespace kryvet {

std::int32_t AttributeWordFromMode(unsigned mode) {
    const std::int32_t low = (mode & S_IWUSR) == 0 ? kAttrReadOnly : kAttrNormal;
    return static_cast<std::int32_t>((mode & 07777u) << 16) | low;
}

unsigned ModeFromAttributeWord(std::int32_t attributes) {
    const unsigned mode = (static_cast<std::uint32_t>(attributes) >> 16) & 07777u;
    return (attributes & kAttrReadOnly) != 0 ? ReadOnlyMode(mode) : mode | S_IWUSR;
}

unsigned ReadOnlyMode(unsigned mode) {
    return mode & ~0222u;
}

namespace {

std::string Tie(const EncryptedFileHeader& header) {
    std::string tie;
    char hex[3];
    for (const std::uint8_t byte : header.ClockKey) {
        std::snprintf(hex, sizeof hex, "%02x", byte);
        tie += hex;
    }
    return tie + ":" + std::to_string(header.StoredFileSize);
}

}  // namespace

std::string KeptModeValue(unsigned mode, const EncryptedFileHeader& header) {
    char octal[8];
    std::snprintf(octal, sizeof octal, "%04o", mode & 07777u);
    return std::string(octal) + ":" + Tie(header);
}

std::optional<unsigned> KeptModeFor(const std::string& value, const EncryptedFileHeader& header) {
    const auto colon = value.find(':');
    if (colon != 4 || value.substr(colon + 1) != Tie(header)) {
        return std::nullopt;
    }
    unsigned mode = 0;
    for (std::size_t i = 0; i < colon; ++i) {
        if (value[i] < '0' || value[i] > '7') {
            return std::nullopt;
        }
        mode = mode * 8 + static_cast<unsigned>(value[i] - '0');
    }
    return mode;
}

}  // namespace kryvet
