#include "cli/run.h"

#ifdef _WIN32
#include "cli/posix_compat_windows.h"
#else
#include <sys/resource.h>
#endif

#include <unistd.h>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <optional>

#include "cli/command_line.h"
#include "cli/engine_calls.h"
#include "cli/file_list.h"
#include "cli/messages.h"
#include "cli/no_core_dump.h"
#include "cli/password_input.h"
#include "cli/progress_bar.h"
#include "cli/status_line.h"
#include "cli/stop_signals.h"
#include "cli/target_pin.h"
#include "cli/terminal_prompt.h"
#include "cli/utf8_text.h"

namespace kryvet::cli {

namespace {

constexpr char kProgram[] = "kryvet-cli";

// Every name goes out quoted: a name is shown, never obeyed by the terminal.
void SayAbout(const std::string& name, const std::string& text) {
    std::cerr << kProgram << ": " << QuotedName(name) << ": " << text << "\n";
}

void Say(const std::string& text) {
    std::cerr << kProgram << ": " << text << "\n";
}

// What became of the names met in a run.
struct Tally {
    std::size_t done = 0;
    std::size_t skipped = 0;
    std::size_t failed = 0;
    std::size_t entriesSkipped = 0;  // links, special files and the like, inside
};

// The target pinned for the engine; or, said and counted, why not.
std::optional<TargetPin> Take(const Target& target, bool quiet, Tally& tally) {
    std::optional<TargetPin> pin;
    Target::Kind kind = target.kind;
    int error = target.error;
    if (kind == Target::Kind::File) {
        pin.emplace(target);
        kind = pin->kind();
        error = pin->error();
    }
    if (kind == Target::Kind::File) {
        return pin;
    }
    const bool skipped = Target::IsSkip(kind);
    if (skipped) {
        ++tally.skipped;
        ++tally.entriesSkipped;
    } else {
        ++tally.failed;
    }
    if (!skipped || !quiet) {
        SayAbout(target.name, TargetMessage(kind, error));
    }
    return std::nullopt;
}

int Status(const Options& options, platform::PlatformFile& files) {
    Tally tally;
    FileList list(options.names, options.recursive, options.oneFileSystem);
    while (const auto target = list.Next()) {
        const auto pin = Take(*target, options.quiet, tally);
        if (!pin) {
            continue;
        }
        const Inspection state = InspectFile(files, pin->engineName());
        const std::string line =
            options.json ? StatusJson(target->name, state) : StatusLine(target->name, state);
        if (line.empty()) {
            SayAbout(target->name, StateMessage(state));
            ++tally.failed;
        } else {
            std::cout << line << std::flush;
        }
    }
    return tally.failed > 0 ? kExitSomeFailed : kExitDone;
}

// The password of the run: given by a descriptor or a file and read before
// any file is touched, or asked on the terminal when the first file needs
// it. Asked once, kept for the run, wiped at its end.
class RunPassword {
public:
    explicit RunPassword(const Options& options)
        : confirm_(options.command == Command::Encrypt), codeset_(LocaleCodeset()) {}

    // Reads a password given by descriptor or file; false, said, when it
    // cannot be read or is refused.
    bool ReadGiven(const Options& options) {
        if (!options.passwordFd && !options.passwordFile) {
            return true;
        }
        if (options.passwordFd && isatty(*options.passwordFd) == 1) {
            Say(Fill(Tr("descriptor {1} is a terminal, where the password would show as it "
                        "is typed; leave out --password-fd to be asked without echo"),
                     {std::to_string(*options.passwordFd)}));
            return false;
        }
        bool exposed = false;
        const LineRead line = options.passwordFd ? ReadFirstLine(*options.passwordFd)
                                                 : ReadFirstLineOf(*options.passwordFile, exposed);
        if (exposed) {
            Say(Fill(Tr("warning: other users can read the password file {1}; "
                        "chmod go-rwx it"),
                     {QuotedName(*options.passwordFile)}));
        }
        if (const std::string problem = LineProblem(line); !problem.empty()) {
            Say(problem);
            return false;
        }
        PasswordCheck check = CheckPassword(line.line.bytes(), codeset_);
        if (!check.password) {
            Say(check.problem);
            return false;
        }
        password_ = std::move(check.password);
        asked_ = true;
        return true;
    }

    const Password* Get(int wakeFd) {
        if (!asked_) {
            asked_ = true;
            Prompted prompted = AskOnTerminal(confirm_, codeset_, wakeFd);
            if (prompted.noTerminal) {
                Say(
                    Tr("no terminal to ask the password on; give --password-fd or "
                       "--password-file"));
            }
            password_ = std::move(prompted.password);
        }
        return password_ ? &*password_ : nullptr;
    }

private:
    bool confirm_;
    std::string codeset_;
    bool asked_ = false;
    std::optional<Password> password_;
};

FileEnd RunOne(const Options& options, const std::string& name, FileRun& run) {
    if (options.command == Command::Recover) {
        return RecoverFile(name, run);
    }
    return RewriteFile(options.command == Command::Encrypt ? Rewrite::Encrypt : Rewrite::Decrypt,
                       name, run);
}

// Says what became of one file, and counts it.
void Tell(const Target& target, const FileEnd& end, bool quiet, Tally& tally) {
    if (end.finished && !quiet) {
        SayAbout(target.name, FinishedNotice(*end.finished, end.finishedChangedNothing));
    }
    if (end.kind == FileEnd::Kind::NothingToFinish || end.kind == FileEnd::Kind::AlreadyDone) {
        ++tally.skipped;
        if (!quiet) {
            SayAbout(target.name, end.kind == FileEnd::Kind::AlreadyDone
                                      ? EndMessage(end)
                                      : Tr("skipped: no interrupted rewrite to finish"));
        }
        return;
    }
    const std::string problem = EndMessage(end);
    if (problem.empty()) {
        ++tally.done;
        return;
    }
    ++(end.kind == FileEnd::Kind::Stopped ? tally.skipped : tally.failed);
    SayAbout(target.name, problem);
}

void Summarise(const Tally& tally, bool quiet) {
    if (quiet) {
        if (tally.entriesSkipped > 0) {
            Say(Fill(TrCount("{1} entry skipped: not a regular file, or not to be followed",
                             "{1} entries skipped: not regular files, or not to be followed",
                             tally.entriesSkipped),
                     {std::to_string(tally.entriesSkipped)}));
        }
        return;
    }
    if (tally.done + tally.skipped + tally.failed > 1) {
        Say(Fill(Tr("{1} done, {2} skipped, {3} failed"),
                 {std::to_string(tally.done), std::to_string(tally.skipped),
                  std::to_string(tally.failed)}));
    }
}

int Rewrites(const Options& options, platform::PlatformFile& files) {
    const NoCoreDump noCoreDump;
    RunPassword password(options);
    if (options.command != Command::Recover && !password.ReadGiven(options)) {
        return kExitUsage;
    }
    // Said the moment a signal comes, over the progress line, however often.
    const StopSignals signals((isatty(STDERR_FILENO) == 1 ? "\r\x1b[K" : "") +
                              std::string(kProgram) + ": " +
                              Tr("interrupted: the file being rewritten is finished, the rest "
                                 "skipped") +
                              "\n");
    ProgressBar bar(STDERR_FILENO, options.quiet);
    FileRun run{files, bar, [&] { return password.Get(signals.WakeFd()); },
                [&] { return signals.Received() != 0; }, options.adoptRecords};
    const std::size_t total = CountFiles(options.names, options.recursive, options.oneFileSystem);
    std::size_t started = 0;
    Tally tally;
    FileList list(options.names, options.recursive, options.oneFileSystem);
    while (const auto target = list.Next()) {
        if (signals.Received() != 0 && target->kind == Target::Kind::File) {
            SayAbout(target->name, Tr("skipped: the run was interrupted"));
            ++tally.skipped;
            continue;
        }
        const auto pin = Take(*target, options.quiet, tally);
        if (!pin) {
            continue;
        }
        ++started;
        bar.SetFile(QuotedName(target->name), total > started ? total - started : 0);
        FileEnd end = RunOne(options, pin->engineName(), run);
        if (end.kind == FileEnd::Kind::NoPassword && signals.Received() != 0) {
            end.kind = FileEnd::Kind::Stopped;  // the prompt was cut short
        }
        Tell(*target, end, options.quiet, tally);
    }
    Summarise(tally, options.quiet);
    if (const int signal = signals.Received(); signal != 0) {
        return kExitSignalBase + signal;
    }
    return tally.failed > 0 ? kExitSomeFailed : kExitDone;
}

}  // namespace

int RunCommandLine(int argc, char** argv, platform::PlatformFile& files) {
    std::setlocale(LC_ALL, "");
    // Messages to a pipe whose reader is gone (the same Ctrl-C ended it) must
    // not end the run in the middle of a file: writing fails, nothing more.
    std::signal(SIGPIPE, SIG_IGN);
    // A tree is walked holding a descriptor per level: as many as allowed.
    rlimit descriptors{};
    if (getrlimit(RLIMIT_NOFILE, &descriptors) == 0 &&
        descriptors.rlim_cur < descriptors.rlim_max) {
        descriptors.rlim_cur = descriptors.rlim_max;
        setrlimit(RLIMIT_NOFILE, &descriptors);
    }
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
            return Status(options, files);
        default:
            return Rewrites(options, files);
    }
}

}  // namespace kryvet::cli
