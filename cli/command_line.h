#pragma once

#include <optional>
#include <string>
#include <vector>

// What the command line asks for. Options may stand before or after the
// command and the names; "--" ends them.
namespace kryvet::cli {

enum class Command { Encrypt, Decrypt, Recover, Status, Help, Version };

struct Options {
    Command command = Command::Help;
    std::vector<std::string> names;
    bool recursive = false;
    bool oneFileSystem = false;
    bool quiet = false;
    bool json = false;
    bool adoptRecords = false;
    std::optional<int> passwordFd;
    std::optional<std::string> passwordFile;
};

struct ParsedCommandLine {
    std::optional<Options> options;
    std::string error;  // a usage error, when there are no options
};

ParsedCommandLine ParseCommandLine(int argc, char** argv);

std::string HelpText();

}  // namespace kryvet::cli
