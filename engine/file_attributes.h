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
constexpr std::int32_t kAttrHidden = 0x0002;
constexpr std::int32_t kAttrSystem = 0x0004;
constexpr std::int32_t kAttrArchive = 0x0020;
constexpr std::int32_t kAttrNormal = 0x0080;
// The bits decryption gives back besides read-only, which the mode stands for.
constexpr std::int32_t kAttrRestored = kAttrHidden | kAttrSystem | kAttrArchive;

// Write bits of a permission word, by whom.
constexpr unsigned kOwnerWrite = 0200;
constexpr unsigned kGroupWrite = 0020;
constexpr unsigned kOthersWrite = 0002;

// The attribute word of a regular file's permission bits: the bits in the
// high half, read-only (no owner write) or normal in the low half.
std::int32_t AttributeWordFromMode(unsigned mode);
// The permission bits that an attribute word asks for: its high half, with
// every write bit removed when read-only and the owner's added when not.
unsigned ModeFromAttributeWord(std::int32_t attributes);

// The permission bits of a file that is read-only as encryption leaves it.
unsigned ReadOnlyMode(unsigned mode);

// Every mode the program sets is decided here. `wanted` may come from a
// file's own bytes (its header, its records, its kept word), which anyone
// who hands the user a file can write: it never gives the file a bit it
// does not have `now`, but for the write bits a rewrite takes away and
// gives back. The owner's come back always; the group's and others' only
// where `bound` says the request was made for this very file. Setuid,
// setgid, sticky and execute bits are never added.
unsigned PermittedMode(unsigned now, unsigned wanted, bool bound);

// A mode asked for by a file, and whether it is bound to that very file.
// Where the system keeps an attribute word of its own, `attributes` holds
// the bits of it to give back too (kAttrRestored), else -1.
struct ModeRequest {
    unsigned mode = 0;
    bool bound = false;
    std::int32_t attributes = -1;
};

// The kept permission word: the mode, tied to the header it was written
// with and to the file itself (device and inode), so that it is trusted for
// that file only: a copy, a file from elsewhere or a word left behind by a
// foreign program is not bound. A word tied to the header alone, as earlier
// versions wrote it, is read as unbound.
std::string KeptModeValue(unsigned mode, const EncryptedFileHeader& header,
                          const platform::FileIdentity& file);
std::optional<ModeRequest> KeptModeFor(const std::string& value, const EncryptedFileHeader& header,
                                       const platform::FileIdentity& file);
// The mode of a kept word bound to the file, whatever header it names: for
// a plain file that carries one, left by an encryption that never began.
std::optional<unsigned> KeptModeOfFile(const std::string& value,
                                       const platform::FileIdentity& file);

}  // namespace kryvet
