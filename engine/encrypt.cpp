#include "engine/file_attributes.h"
#include "engine/operations.h"
#include "engine/rewrite_session.h"

namespace kryvet {

namespace {

// What an encryption is: the header and trailer of today's clock and the
// password, the file 128 bytes longer, read-only, its whole mode kept.
Outcome EncryptPinned(PinnedFile& file, const Password& password, ProgressSink& sink,
                      const RewriteOptions& options) {
    const std::int64_t size = file.size();
    const ClockKeyBytes clockKey = ClockKeyBytesOf(ClockValueOf(file.files().GetLocalTime()));
    const EncryptionMaterial material = MakeEncryptionMaterial(
        password.shiftJis(), clockKey, static_cast<std::int32_t>(size), file.originalAttributes());
    // The file's own mode without its write bits: bound to it by nature.
    const ModeRequest modeAfter{ReadOnlyMode(file.originalMode()), true};
    journal::Record base =
        detail::WhatRewrites(file, journal::Operation::Encrypt, material.header, modeAfter);
    base.trailer = material.trailer;
    const detail::Ending ending{
        size + kGrowth, modeAfter,
        KeptModeValue(file.originalMode(), material.header, file.status().identity)};
    return detail::RewriteFile(file, base, ending, sink, options);
}

}  // namespace

Outcome Encrypt(PinnedFile file, const Password& password, ProgressSink& sink,
                const RewriteOptions& options) {
    return detail::RunToTheEnd(file, [&] { return EncryptPinned(file, password, sink, options); });
}

}  // namespace kryvet
