#include "engine/operations.h"
#include "engine/rewrite_session.h"

namespace kryvet {

bool PasswordMatches(const PinnedFile& file, const std::string& passwordCp932) {
    std::string typed = passwordCp932;
    if (const auto zero = typed.find('\0'); zero != std::string::npos) {
        typed.resize(zero);
    }
    return typed == StoredPassword(file.header());
}

namespace {

// What a decryption is: the header and trailer gone, the file at its stored
// size, with the mode it had before encryption.
Outcome DecryptPinned(PinnedFile& file, const std::string& passwordCp932, ProgressSink& sink,
                      const RewriteOptions& options) {
    if (!PasswordMatches(file, passwordCp932)) {
        return Refusal::WrongPassword;
    }
    const ModeRequest modeAfter = file.ModeBeforeEncryption(file.header());
    const journal::Record base =
        detail::WhatRewrites(file, journal::Operation::Decrypt, file.header(), modeAfter);
    const detail::Ending ending{base.sizeAfter, modeAfter, std::nullopt};
    return detail::RewriteFile(file, base, ending, sink, options);
}

}  // namespace

Outcome Decrypt(PinnedFile file, const std::string& passwordCp932, ProgressSink& sink,
                const RewriteOptions& options) {
    return detail::RunToTheEnd(file,
                               [&] { return DecryptPinned(file, passwordCp932, sink, options); });
}

}  // namespace kryvet
