#pragma once

#include <string>
#include <vector>

namespace kryvet {

// What `kryvet` is asked for before any window exists: --help and --version
// answer on the terminal, also where no display can be opened.
enum class InfoRequest { None, Help, Version };
InfoRequest FindInfoRequest(const std::vector<std::string>& args);
std::string HelpText();
std::string VersionText();

// The button a file manager's context-menu action asks to be pressed once
// the window shows the file.
enum class StartPress { None, Encrypt, Decrypt };

// The arguments left after Qt took its own (-style, -platform, ...): at most
// one option of ours, then the file. A usage error is a message, not a start.
struct StartArguments {
    StartPress press = StartPress::None;
    std::string file;  // empty: none named
    std::string error;
};
StartArguments ParseStartArguments(const std::vector<std::string>& args);

}  // namespace kryvet
