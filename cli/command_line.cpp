#include "cli/command_line.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "cli/messages.h"
#include "cli/utf8_text.h"

namespace kryvet::cli {

namespace {

struct Commands {
    const char* name;
    Command command;
};
constexpr Commands kCommands[] = {{"encrypt", Command::Encrypt},
                                  {"decrypt", Command::Decrypt},
                                  {"recover", Command::Recover},
                                  {"status", Command::Status}};

ParsedCommandLine Usage(std::string error) {
    return {std::nullopt, std::move(error)};
}

std::optional<int> DescriptorNumber(std::string_view text) {
    int fd = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), fd);
    if (error != std::errc() || end != text.data() + text.size() || fd < 0) {
        return std::nullopt;
    }
    return fd;
}

// Reads the options; what is left, in order, is the command and the names.
class Reader {
public:
    Reader(int argc, char** argv) : argc_(argc), argv_(argv) {}

    ParsedCommandLine Read() {
        std::vector<std::string> words;
        bool optionsEnded = false;
        for (index_ = 1; index_ < argc_; ++index_) {
            const std::string_view arg = argv_[index_];
            if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
                words.emplace_back(arg);
            } else if (arg == "--") {
                optionsEnded = true;
            } else if (arg.substr(0, 2) == "--") {
                if (!Long(arg.substr(2))) {
                    return Usage(error_);
                }
            } else {
                // Flag by flag, a character of several bytes as one.
                for (std::size_t at = 1; at < arg.size();) {
                    const std::size_t n = std::max<std::size_t>(Utf8At(arg, at).bytes, 1);
                    if (!Short(arg.substr(at, n))) {
                        return Usage(error_);
                    }
                    at += n;
                }
            }
        }
        return Finish(std::move(words));
    }

private:
    bool Fail(std::string error) {
        error_ = std::move(error);
        return false;
    }

    // The value of an option: after "=", or the next argument.
    std::optional<std::string> Value(std::string_view name,
                                     std::optional<std::string_view> inline_) {
        if (inline_) {
            return std::string(*inline_);
        }
        if (index_ + 1 >= argc_) {
            Fail(Fill(Tr("option --{1} needs a value"), {std::string(name)}));
            return std::nullopt;
        }
        return std::string(argv_[++index_]);
    }

    bool Long(std::string_view option) {
        std::optional<std::string_view> inline_;
        if (const auto equals = option.find('='); equals != std::string_view::npos) {
            inline_ = option.substr(equals + 1);
            option = option.substr(0, equals);
        }
        if (option == "password-fd" || option == "password-file") {
            const auto value = Value(option, inline_);
            if (!value) {
                return false;
            }
            if (option == "password-file") {
                options_.passwordFile = *value;
                return true;
            }
            options_.passwordFd = DescriptorNumber(*value);
            return options_.passwordFd ? true
                                       : Fail(Fill(Tr("--password-fd takes a descriptor number, "
                                                      "not \"{1}\""),
                                                   {QuotedName(*value)}));
        }
        if (inline_) {
            return Fail(Fill(Tr("option --{1} takes no value"), {QuotedName(option)}));
        }
        if (option == "recursive") {
            return Short("r");
        }
        if (option == "quiet") {
            return Short("q");
        }
        if (option == "one-file-system") {
            return Short("x");
        }
        if (option == "json") {
            options_.json = true;
            return true;
        }
        if (option == "adopt-records") {
            options_.adoptRecords = true;
            return true;
        }
        if (option == "help") {
            return Short("h");
        }
        if (option == "version") {
            version_ = true;
            return true;
        }
        return Fail(Fill(Tr("unknown option --{1}"), {QuotedName(option)}));
    }

    bool Short(std::string_view flag) {
        switch (flag.size() == 1 ? flag[0] : '\0') {
            case 'r':
                options_.recursive = true;
                return true;
            case 'q':
                options_.quiet = true;
                return true;
            case 'x':
                options_.oneFileSystem = true;
                return true;
            case 'h':
                help_ = true;
                return true;
            default:
                return Fail(Fill(Tr("unknown option -{1}"), {QuotedName(flag)}));
        }
    }

    ParsedCommandLine Finish(std::vector<std::string> words) {
        if (help_ || version_) {
            options_.command = help_ ? Command::Help : Command::Version;
            return {options_, {}};
        }
        if (words.empty()) {
            return Usage(Tr("no command given"));
        }
        const Commands* found = nullptr;
        for (const Commands& command : kCommands) {
            if (words.front() == command.name) {
                found = &command;
            }
        }
        if (found == nullptr) {
            return Usage(Fill(Tr("unknown command \"{1}\""), {QuotedName(words.front())}));
        }
        options_.command = found->command;
        options_.names.assign(words.begin() + 1, words.end());
        if (options_.names.empty()) {
            return Usage(Fill(Tr("{1}: no file named"), {found->name}));
        }
        const bool rewrites =
            options_.command == Command::Encrypt || options_.command == Command::Decrypt;
        if ((options_.passwordFd || options_.passwordFile) && !rewrites) {
            return Usage(Fill(Tr("{1} takes no password"), {found->name}));
        }
        if (options_.passwordFd && options_.passwordFile) {
            return Usage(Tr("give either --password-fd or --password-file, not both"));
        }
        if (options_.json && options_.command != Command::Status) {
            return Usage(Tr("--json is for the status command"));
        }
        return {options_, {}};
    }

    int argc_;
    char** argv_;
    int index_ = 1;
    Options options_;
    bool help_ = false;
    bool version_ = false;
    std::string error_;
};

}  // namespace

ParsedCommandLine ParseCommandLine(int argc, char** argv) {
    return Reader(argc, argv).Read();
}

std::string HelpText() {
    return Tr(
        "Usage: kryvet-cli COMMAND [OPTION]... FILE...\n"
        "Masks files in place with a password, in the layout of the Kryvet window.\n"
        "\n"
        "Commands:\n"
        "  encrypt     mask each file (the password is asked twice)\n"
        "  decrypt     restore each file (the password is asked once for the run)\n"
        "  recover     finish the interrupted rewrite of each file (no password)\n"
        "  status      say what each file is, one line per file\n"
        "\n"
        "Options:\n"
        "  -r, --recursive         go through directories (symbolic links inside are not\n"
        "                          followed)\n"
        "  -x, --one-file-system   with -r: stay on the file system of each directory named\n"
        "      --password-fd N     read the password from the first line of descriptor N\n"
        "      --password-file F   read the password from the first line of file F\n"
        "      --adopt-records     finish rewrites whose records were made for another file\n"
        "      --json              status: one JSON object per line\n"
        "  -q, --quiet             say nothing but errors\n"
        "  -h, --help              show this help and end\n"
        "      --version           show the version and end\n"
        "\n"
        "The masking is not cryptography: anyone holding a file can read it back.\n"
        "A file in the state asked for already (or empty) is skipped, not failed.\n"
        "Exit status: 0 every file done or skipped, 1 a file refused or failed,\n"
        "2 usage error, 128+N ended by signal N (130 SIGINT, 143 SIGTERM).\n");
}

}  // namespace kryvet::cli
