// Arbitrary bytes as a file to decrypt, with an arbitrary typed password.
// Whatever the file holds: no crash, no error escapes the in-memory layer, a
// refusal leaves the file as it was, and success happens only for a matching
// marker and password and yields exactly the unmasked body.
#include <cstdlib>
#include <string>

#include "app/error_messages.h"
#include "app/operation_flow.h"
#include "engine/file_attributes.h"
#include "fuzz_input.h"
#include "support/memory_platform.h"
#include "support/recording_window.h"

namespace {

void Require(bool condition) {
    if (!condition)
        std::abort();
}

std::uint32_t Le32(const std::string& s, std::size_t at) {
    return static_cast<std::uint8_t>(s[at]) | static_cast<std::uint8_t>(s[at + 1]) << 8 |
           static_cast<std::uint8_t>(s[at + 2]) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[at + 3])) << 24;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const FuzzInput in = ParseFuzzInput(data, size);
    MemoryPlatform files;
    files.Add("f", in.file, in.readOnly);
    const std::int32_t attributes = files.files["f"].attributes;
    RecordingWindow window;
    window.fileName = "f";
    window.password = in.password;
    kryvet::ProgramState state;
    try {
        kryvet::DecryptInPlace(window, files, state, {in.unitBlocks});
    } catch (const kryvet::OperationError& e) {
        // Nothing in memory can fail; what the file's own bytes say can
        // only refuse it, untouched.
        using kryvet::FailureKind;
        const FailureKind kind = e.failure().kind;
        Require(e.failure().file == kryvet::FileState::Unchanged);
        Require(kind == FailureKind::SizeMismatch || kind == FailureKind::RecordInside ||
                kind == FailureKind::RecordDamaged || kind == FailureKind::ForeignRecord);
    }
    Require(files.OpenHandles() == 0);
    Require(!files.termininationHeld);
    Require(files.negativeWrites == 0);
    const std::string& out = files.Data("f");
    const bool success = !window.gauge.empty() && window.gauge.back() == 100;
    if (!success) {
        Require(out == in.file);
        Require(files.files["f"].attributes == attributes);
        return 0;
    }
    // Success: a marker, a password that matches, a whole body.
    const std::string& f = in.file;
    Require(f.size() > 128);
    const auto k = [&](int i) { return static_cast<std::uint8_t>(f[6 + i]); };
    for (int i = 0; i < 6; ++i)
        Require((static_cast<std::uint8_t>(f[i]) ^ k(0)) == static_cast<std::uint8_t>("Kryvet"[i]));
    std::string stored;
    for (int i = 0; i < 50; ++i) {
        const char c = static_cast<char>(f[14 + i] ^ k(2));
        if (c == '\0')
            break;
        stored.push_back(c);
    }
    const std::string typed = in.password.substr(0, in.password.find('\0'));
    Require(!in.password.empty() && typed == stored);
    const std::uint32_t storedSize = Le32(f, 64);
    Require(storedSize >= 1 && storedSize + 128 == f.size());
    Require(out.size() == storedSize);
    for (std::size_t p = 0; p < storedSize; ++p) {
        const std::uint8_t key = k(static_cast<int>((p % 512) % 3));
        Require(static_cast<std::uint8_t>(out[p]) == (static_cast<std::uint8_t>(f[70 + p]) ^ key));
    }
    // Without a kept mode, the header's read-only bit on the mode found.
    const std::int32_t low = static_cast<std::uint8_t>(f[68]) | static_cast<std::uint8_t>(f[69])
                                                                    << 8;
    Require(files.files["f"].attributes ==
            kryvet::AttributeWordFromMode(
                kryvet::ModeFromAttributeWord((attributes & ~0xFFFF) | (low & 0xFFFF))));
    return 0;
}
