#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/file_layout.h"

// The attribute word stored in the header, and the permission word that is
// kept beside an encrypted file so that decryption can give all of it back.
namespace kryvet {

// Bits of the low half of the attribute word.
constexpr std::int32_t kAttrReadOnly = 0x0001;
constexpr std::int32_t kAttrNormal = 0x0080;

// The attribute word of a regular file's permission bits: the bits in the
// high half, read-only (no owner write) or normal in the low half.
std::int32_t AttributeWordFromMode(unsigned mode);
// The permission bits that an attribute word asks for: its high half, with
// every write bit removed when read-only and the owner's added when not.
unsigned ModeFromAttributeWord(std::int32_t attributes);

// The permission bits of a file that is read-only as encryption leaves it.
unsigned ReadOnlyMode(unsigned mode);

// The kept permission word: the mode, tied to the header it was written with
// so that it is trusted for that file only (a copy under another header, or
// a word left behind by a foreign program, is not).
std::string KeptModeValue(unsigned mode, const EncryptedFileHeader& header);
std::optional<unsigned> KeptModeFor(const std::string& value, const EncryptedFileHeader& header);

}  // namespace kryvet
