#include "cli/messages.h"

#ifdef _WIN32
#include "cli/builtin_gettext_windows.h"
#else
#include <libintl.h>
#include <unistd.h>
#endif

#include <cstring>
#include <filesystem>
#include <string_view>

namespace kryvet::cli {

namespace {

constexpr char kDomain[] = "kryvet-cli";

std::string RefusalText(Refusal refusal) {
    switch (refusal) {
        case Refusal::EmptyName:
            return Tr("empty file name");
        case Refusal::NotFound:
            return Tr("no such file");
        case Refusal::EmptyFile:
            return Tr("the file is empty");
        case Refusal::DiskFull:
            return Tr("not enough free disk space");
        case Refusal::AlreadyEncrypted:
            return Tr("the file is encrypted already");
        case Refusal::NotEncrypted:
            return Tr("the file is not encrypted");
        case Refusal::WrongPassword:
            return Tr("wrong password");
    }
    return {};
}

std::string FailureText(const Failure& failure) {
    const char* cause = CauseWords(failure.kind).english;
    const char* state = FileStateWords(failure.file).english;
    // A system error in the system's own words, in the user's language.
    return (cause != nullptr ? std::string(Tr(cause)) : std::strerror(failure.error)) +
           (state != nullptr ? Fill(Tr(state), {std::to_string(failure.stoppedAt)}) : "");
}

}  // namespace

void SetUpTextDomain() {
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const auto locale = program.parent_path().parent_path() / "share" / "locale";
        bindtextdomain(kDomain, locale.c_str());
    }
}

const char* Tr(const char* english) {
    return dgettext(kDomain, english);
}

const char* TrCount(const char* one, const char* many, unsigned long count) {
    return dngettext(kDomain, one, many, count);
}

std::string EndMessage(const FileEnd& end) {
    switch (end.kind) {
        case FileEnd::Kind::Done:
        case FileEnd::Kind::NothingToFinish:
            return {};
        case FileEnd::Kind::Refused:
            return RefusalText(end.refusal);
        case FileEnd::Kind::Failed:
            return FailureText(end.failure);
        case FileEnd::Kind::ForeignRecords:
            return Tr(
                "the records of an interrupted rewrite were made for another file (a copy?); "
                "the file was not touched. Give --adopt-records to finish them anyway");
        case FileEnd::Kind::AlreadyDone:
            return Fill(Tr("skipped: {1}"), {RefusalText(end.refusal)});
        case FileEnd::Kind::NoPassword:
            return Tr("skipped: no password given");
        case FileEnd::Kind::Stopped:
            return Tr("skipped: the run was interrupted");
    }
    return {};
}

std::string FinishedNotice(journal::Operation operation, bool changedNothing) {
    const bool encrypting = operation == journal::Operation::Encrypt;
    if (changedNothing) {
        return encrypting ? Tr("the interrupted encryption had changed nothing yet; the file is "
                               "as it was")
                          : Tr("the interrupted decryption had changed nothing yet; the file is "
                               "as it was");
    }
    return encrypting ? Tr("finished the interrupted encryption")
                      : Tr("finished the interrupted decryption");
}

std::string TargetMessage(Target::Kind kind, int error) {
    switch (kind) {
        case Target::Kind::File:
            return {};
        case Target::Kind::Directory:
            return Tr("is a directory (give -r to go through it)");
        case Target::Kind::Unlistable:
            return Fill(Tr("cannot read directory: {1}"), {std::strerror(error)});
        case Target::Kind::Unreachable:
            return std::strerror(error);
        case Target::Kind::Link:
            return Tr("skipped: a symbolic link (links inside directories are not followed)");
        case Target::Kind::Special:
            return Tr("skipped: not a regular file");
        case Target::Kind::OtherFileSystem:
            return Tr("skipped: on another file system (-x)");
        case Target::Kind::ForeignLinks:
            return Tr(
                "skipped: it has other hard links and its owner is not the owner of its "
                "directory");
    }
    return {};
}

std::string StateMessage(const Inspection& state) {
    if (state.kind == Inspection::Kind::Refused) {
        return RefusalText(state.refusal);
    }
    return FailureText(state.failure);
}

}  // namespace kryvet::cli
