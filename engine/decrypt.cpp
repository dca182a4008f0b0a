#include "engine/operations.h"
#include "engine/rewrite_session.h"

namespace kryvet {

bool PasswordMatches(const PinnedFile& file, const Password& password) {
    return password.shiftJis() == StoredPassword(file.header());
}

namespace {

// What a decryption is: the header and trailer gone, the file at its stored
// size, with the mode it had before encryption.
Outcome DecryptPinned(PinnedFile& file, const Password& password, ProgressSink& sink,
                      const RewriteOptions& options) {
    if (!PasswordMatches(file, password)) {
        return Refusal::WrongPassword;
    }
    const ModeRequest modeAfter = file.ModeBeforeEncryption(file.header());
    const journal::Record base =
        detail::WhatRewrites(file, journal::Operation::Decrypt, file.header(), modeAfter);
    const detail::Ending ending{base.sizeAfter, modeAfter, std::nullopt};
    return detail::RewriteFile(file, base, ending, sink, options);
}

}  // namespace

Outcome Decrypt(PinnedFile file, const Password& password, ProgressSink& sink,
                const RewriteOptions& options) {
    return detail::RunToTheEnd(file, [&] { return DecryptPinned(file, password, sink, options); });
}

}  // namespace kryvet
