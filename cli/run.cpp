#include "cli/run.h"

#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "cli/command_line.h"
#include "cli/engine_calls.h"
#include "cli/file_list.h"
#include "cli/messages.h"
#include "cli/password_input.h"
#include "cli/progress_bar.h"
#include "cli/status_line.h"
#include "cli/stop_signals.h"
#include "cli/terminal_prompt.h"

namespace kryvet::cli {

namespace {

constexpr char kProgram[] = "kryvet-cli";

void SayAbout(const std::string& name, const std::string& text) {
    std::cerr << kProgram << ": " << name << ": " << text << "\n";
}

void Say(const std::string& text) {
    std::cerr << kProgram << ": " << text << "\n";
}

std::string TargetProblem(const Target& target) {
    if (target.problem == Target::Problem::Directory) {
        return Tr("is a directory (give -r to go through it)");
    }
    return std::strerror(target.error);
}

int Status(const Options& options, const std::vector<Target>& targets,
           platform::PlatformFile& files) {
    bool failed = false;
    for (const Target& target : targets) {
        if (target.problem != Target::Problem::None) {
            SayAbout(target.name, TargetProblem(target));
            failed = true;
            continue;
        }
        const Inspection state = InspectFile(files, target.name);
        const std::string line =
            options.json ? StatusJson(target.name, state) : StatusLine(target.name, state);
        if (line.empty()) {
            SayAbout(target.name, StateMessage(state));
            failed = true;
        } else {
            std::cout << line << std::flush;
        }
    }
    return failed ? kExitSomeFailed : kExitDone;
}

// The password of the run: given by a descriptor or a file and read before
// any file is touched, or asked on the terminal when the first file needs
// it. Asked once, kept for the run.
class RunPassword {
public:
    RunPassword(const Options& options) : confirm_(options.command == Command::Encrypt) {}

    // Reads a password given by descriptor or file; false, said, when it
    // cannot be read or is refused.
    bool ReadGiven(const Options& options) {
        if (!options.passwordFd && !options.passwordFile) {
            return true;
        }
        const auto line = options.passwordFd ? ReadFirstLine(*options.passwordFd)
                                             : ReadFirstLineOf(*options.passwordFile);
        if (!line && errno != 0) {
            Say(Fill(Tr("cannot read the password: {1}"), {std::strerror(errno)}));
            return false;
        }
        const PasswordCheck check = CheckPassword(line.value_or(""));
        if (!check.cp932) {
            Say(check.problem);
            return false;
        }
        password_ = check.cp932;
        asked_ = true;
        return true;
    }

    std::optional<std::string> Get() {
        if (!asked_) {
            asked_ = true;
            const Prompted prompted = AskOnTerminal(confirm_);
            if (prompted.noTerminal) {
                Say(
                    Tr("no terminal to ask the password on; give --password-fd or "
                       "--password-file"));
            }
            password_ = prompted.cp932;
        }
        return password_;
    }

private:
    bool confirm_;
    bool asked_ = false;
    std::optional<std::string> password_;
};

int Rewrites(const Options& options, const std::vector<Target>& targets,
             platform::PlatformFile& files) {
    RunPassword password(options);
    if (options.command != Command::Recover && !password.ReadGiven(options)) {
        return kExitUsage;
    }
    StopSignals signals;
    ProgressBar bar(STDERR_FILENO, options.quiet);
    FileRun run{files, bar, [&password] { return password.Get(); },
                [] { return StopSignals::Received() != 0; }, options.adoptRecords};
    std::size_t done = 0;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const Target& target = targets[i];
        if (StopSignals::Received() != 0) {
            SayAbout(target.name, Tr("skipped: the run was interrupted"));
            continue;
        }
        if (target.problem != Target::Problem::None) {
            SayAbout(target.name, TargetProblem(target));
            continue;
        }
        bar.SetFilesLeft(targets.size() - i - 1);
        FileEnd end = options.command == Command::Recover
                          ? RecoverFile(target.name, run)
                          : RewriteFile(options.command == Command::Encrypt ? Rewrite::Encrypt
                                                                            : Rewrite::Decrypt,
                                        target.name, run);
        if (end.kind == FileEnd::Kind::NoPassword && StopSignals::Received() != 0) {
            end.kind = FileEnd::Kind::Stopped;  // the prompt was cut short
        }
        if (end.finished && !options.quiet) {
            SayAbout(target.name, FinishedNotice(*end.finished, end.finishedChangedNothing));
        }
        if (end.kind == FileEnd::Kind::NothingToFinish && !options.quiet) {
            SayAbout(target.name, Tr("no interrupted rewrite to finish"));
        }
        const std::string problem = EndMessage(end);
        if (problem.empty()) {
            ++done;
        } else {
            SayAbout(target.name, problem);
        }
    }
    if (!options.quiet && targets.size() > 1) {
        Say(Fill(TrCount("{1} of {2} file done", "{1} of {2} files done", targets.size()),
                 {std::to_string(done), std::to_string(targets.size())}));
    }
    if (const int signal = StopSignals::Received(); signal != 0) {
        return kExitSignalBase + signal;
    }
    return done == targets.size() ? kExitDone : kExitSomeFailed;
}

}  // namespace

int RunCommandLine(int argc, char** argv, platform::PlatformFile& files) {
    std::setlocale(LC_ALL, "");
    SetUpTextDomain();
    const ParsedCommandLine parsed = ParseCommandLine(argc, argv);
    if (!parsed.options) {
        Say(parsed.error);
        std::cerr << Fill(Tr("Try '{1} --help' for more information."), {kProgram}) << "\n";
        return kExitUsage;
    }
    const Options& options = *parsed.options;
    switch (options.command) {
        case Command::Help:
            std::cout << HelpText();
            return kExitDone;
        case Command::Version:
            std::cout << kProgram << " (Kryvet) " << KRYVET_VERSION << "\n";
            return kExitDone;
        case Command::Status:
            return Status(options, ExpandNames(options.names, options.recursive), files);
        default:
            return Rewrites(options, ExpandNames(options.names, options.recursive), files);
    }
}

}  // namespace kryvet::cli
