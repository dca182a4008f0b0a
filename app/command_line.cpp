#include "app/command_line.h"

namespace kryvet {

InfoRequest FindInfoRequest(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--") {
            break;
        }
        if (arg == "--help" || arg == "-h") {
            return InfoRequest::Help;
        }
        if (arg == "--version") {
            return InfoRequest::Version;
        }
    }
    return InfoRequest::None;
}

std::string HelpText() {
    return "Usage: kryvet [--encrypt | --decrypt] [FILE]\n"
           "Opens the Kryvet window, which masks one file at a time in place with a\n"
           "password (Japanese user interface). The masking keeps casual eyes off a\n"
           "file; it is not cryptography.\n"
           "\n"
           "  FILE        start with FILE in the file-name box\n"
           "  --encrypt   then press 暗号化 (mask), as a file manager's action does\n"
           "  --decrypt   then press 復号 (restore)\n"
           "  -h, --help  show this help and end\n"
           "  --version   show the version and end\n"
           "\n"
           "Exit status: 0 when the window was closed, 2 on a usage error or when no\n"
           "display can be opened. kryvet-cli does the same without a window.\n";
}

std::string VersionText() {
    return "kryvet (Kryvet) " KRYVET_VERSION "\n";
}

StartArguments ParseStartArguments(const std::vector<std::string>& args) {
    StartArguments result;
    bool options = true;
    for (const std::string& arg : args) {
        if (options && arg == "--") {
            options = false;
        } else if (options && (arg == "--encrypt" || arg == "--decrypt")) {
            if (result.press != StartPress::None) {
                return {StartPress::None, {}, "kryvet: --encrypt and --decrypt exclude each other"};
            }
            result.press = arg == "--encrypt" ? StartPress::Encrypt : StartPress::Decrypt;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            return {StartPress::None, {}, "kryvet: unknown option " + arg + "; see kryvet --help"};
        } else if (result.file.empty()) {
            // A file manager may name more files; the window takes one.
            result.file = arg;
        }
    }
    if (result.press != StartPress::None && result.file.empty()) {
        return {StartPress::None, {}, "kryvet: --encrypt and --decrypt need a FILE"};
    }
    return result;
}

}  // namespace kryvet
