#pragma once

#include <cstdint>
#include <string>

#include "engine/operation_window.h"
#include "engine/platform_file.h"

// Checks and file steps shared by encryption and decryption.
namespace kryvet {

// Largest count the layout can hold.
constexpr std::int64_t kMaxLayoutSize = 2147483647;

// True when the operation is to be abandoned: an empty name (no notice), or
// no plain file of that name (the not-found notice has been shown).
bool CheckFileName(OperationWindow& window, platform::PlatformFile& files);

// The size of the named file; IoError when it cannot be opened or measured.
std::int64_t MeasureFileSize(platform::PlatformFile& files, const std::string& name);

// Reads the attribute word and, when it could be read, writes it back
// without the read-only bit. Returns the word as read (negative: failed).
std::int32_t SaveAndClearReadOnly(platform::PlatformFile& files, const std::string& name);

// Writes the attribute word back when it is not negative.
void RestoreAttributes(platform::PlatformFile& files, const std::string& name,
                       std::int32_t attributes);

}  // namespace kryvet
