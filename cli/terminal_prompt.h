#pragma once

#include <optional>
#include <string>

#include "engine/password.h"

// The password asked on the controlling terminal, without echo: once, or a
// second time to confirm it before encrypting. A mismatch, or a password the
// rules refuse, is said on the terminal and asked again, three times at
// most. Nothing when there is no terminal, the input ended, the tries ran
// out or a termination request cut the prompt short.
namespace kryvet::cli {

struct Prompted {
    std::optional<Password> password;
    bool noTerminal = false;
};

// `codeset`: what the typed bytes are in; `wakeFd`: readable once a
// termination request came.
Prompted AskOnTerminal(bool confirm, const std::string& codeset, int wakeFd);

}  // namespace kryvet::cli
