// Arbitrary bytes as a file to encrypt: the header check tells an encrypted
// file exactly by its marker; any other file is encrypted into the layout and
// decrypts back to the same bytes and attributes.
#include <cstdlib>
#include <string>

#include "app/error_messages.h"
#include "app/operation_flow.h"
#include "engine/file_attributes.h"
#include "engine/file_layout.h"
#include "fuzz_input.h"
#include "reference_layout.h"
#include "support/memory_platform.h"
#include "support/recording_window.h"

namespace {

void Require(bool condition) {
    if (!condition)
        std::abort();
}

bool CarriesMarker(const std::string& f) {
    if (f.size() <= 128)
        return false;
    for (int i = 0; i < 6; ++i) {
        if ((static_cast<std::uint8_t>(f[i]) ^ static_cast<std::uint8_t>(f[6])) !=
            static_cast<std::uint8_t>("Kryvet"[i]))
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const FuzzInput in = ParseFuzzInput(data, size);
    MemoryPlatform files;
    files.Add("f", in.file, in.readOnly);
    files.now = in.now;
    const std::int32_t attributes = files.files["f"].attributes;

    // The header check alone.
    {
        const kryvet::Preparation prepared = kryvet::PrepareEncryption(files, "f");
        const auto* refusal = std::get_if<kryvet::Refusal>(&prepared);
        if (!in.file.empty()) {
            Require((refusal != nullptr && *refusal == kryvet::Refusal::AlreadyEncrypted) ==
                    CarriesMarker(in.file));
        }
    }
    Require(files.OpenHandles() == 0 && files.Data("f") == in.file);

    RecordingWindow window;
    window.fileName = "f";
    window.password = in.password;
    kryvet::ProgramState state;
    try {
        kryvet::EncryptInPlace(window, files, state, {in.unitBlocks});
    } catch (const kryvet::OperationError&) {
        std::abort();
    }
    Require(files.OpenHandles() == 0 && !files.termininationHeld && files.negativeWrites == 0);
    const bool success = !window.gauge.empty() && window.gauge.back() == 100;
    Require(success == (!in.file.empty() && !CarriesMarker(in.file) && !in.password.empty()));
    if (!success) {
        Require(files.Data("f") == in.file);
        Require(files.files["f"].attributes == attributes);
        return 0;
    }
    const std::string encrypted = files.Data("f");
    std::uint8_t clock[8];
    for (int i = 0; i < 8; ++i)
        clock[i] = static_cast<std::uint8_t>(encrypted[6 + i]);
    const auto expectedClock = kryvet::ClockKeyBytesOf(kryvet::ClockValueOf(in.now));
    for (int i = 0; i < 8; ++i)
        Require(clock[i] == expectedClock[static_cast<std::size_t>(i)]);
    Require(encrypted == ReferenceEncryptedFile(in.file, in.password, clock,
                                                static_cast<std::uint16_t>(attributes)));
    Require(files.files["f"].attributes ==
            kryvet::AttributeWordFromMode(kryvet::ReadOnlyMode((attributes >> 16) & 07777)));
    Require(CarriesMarker(encrypted));

    kryvet::DecryptInPlace(window, files, state, {in.unitBlocks});
    Require(files.Data("f") == in.file);
    Require(files.files["f"].attributes == attributes);
    return 0;
}
