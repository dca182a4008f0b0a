#include "engine/file_attributes.h"

#include <cstdio>

namespace kryvet {

std::int32_t AttributeWordFromMode(unsigned mode) {
    const std::int32_t low = (mode & kOwnerWrite) == 0 ? kAttrReadOnly : kAttrNormal;
    return static_cast<std::int32_t>((mode & 07777u) << 16) | low;
}

unsigned ModeFromAttributeWord(std::int32_t attributes) {
    const unsigned mode = (static_cast<std::uint32_t>(attributes) >> 16) & 07777u;
    return (attributes & kAttrReadOnly) != 0 ? ReadOnlyMode(mode) : mode | kOwnerWrite;
}

unsigned ReadOnlyMode(unsigned mode) {
    return mode & ~0222u;
}

unsigned PermittedMode(unsigned now, unsigned wanted, bool bound) {
    const unsigned givenBack = kOwnerWrite | (bound ? kGroupWrite | kOthersWrite : 0u);
    return wanted & 07777u & (now | givenBack);
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

// What a copy cannot carry: the file itself.
std::string TieToFile(const platform::FileIdentity& file) {
    return ":" + std::to_string(file.device) + ":" + std::to_string(file.inode);
}

}  // namespace

std::string KeptModeValue(unsigned mode, const EncryptedFileHeader& header,
                          const platform::FileIdentity& file) {
    char octal[8];
    std::snprintf(octal, sizeof octal, "%04o", mode & 07777u);
    return std::string(octal) + ":" + Tie(header) + TieToFile(file);
}

namespace {

// The four octal digits a kept word begins with.
std::optional<unsigned> ModeDigits(const std::string& value) {
    if (value.size() < 5 || value[4] != ':') {
        return std::nullopt;
    }
    unsigned mode = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        if (value[i] < '0' || value[i] > '7') {
            return std::nullopt;
        }
        mode = mode * 8 + static_cast<unsigned>(value[i] - '0');
    }
    return mode;
}

}  // namespace

std::optional<ModeRequest> KeptModeFor(const std::string& value, const EncryptedFileHeader& header,
                                       const platform::FileIdentity& file) {
    const auto mode = ModeDigits(value);
    if (!mode) {
        return std::nullopt;
    }
    const std::string tie = value.substr(5);
    const bool bound = tie == Tie(header) + TieToFile(file);
    if (!bound && tie != Tie(header)) {
        return std::nullopt;
    }
    return ModeRequest{*mode, bound};
}

std::optional<unsigned> KeptModeOfFile(const std::string& value,
                                       const platform::FileIdentity& file) {
    const std::string tail = TieToFile(file);
    const auto mode = ModeDigits(value);
    if (!mode || value.size() < tail.size() ||
        value.compare(value.size() - tail.size(), tail.size(), tail) != 0) {
        return std::nullopt;
    }
    return mode;
}

}  // namespace kryvet
