#include "support/engine_run.h"

#include <optional>
#include <utility>

#include "engine/file_task.h"

using namespace kryvet;

namespace {

const char* NameOf(Refusal refusal) {
    static const char* const kNames[] = {"EmptyName",    "NotFound",         "EmptyFile",
                                         "DiskFull",     "AlreadyEncrypted", "NotEncrypted",
                                         "WrongPassword"};
    return kNames[static_cast<int>(refusal)];
}

std::string NameOf(const Failure& failure) {
    static const char* const kKinds[] = {"System", "FileTooLarge", "FileChanged",  "RecordDamaged",
                                         "InUse",  "SizeMismatch", "RecordInside", "ForeignRecord"};
    static const char* const kStates[] = {"", "/Restored", "/Damaged", "/Completed", "/Resumable"};
    std::string name = kKinds[static_cast<int>(failure.kind)];
    if (failure.kind == FailureKind::System)
        name += "(" + std::to_string(failure.error) + ")";
    return name + kStates[static_cast<int>(failure.file)];
}

struct GaugeSink : ProgressSink {
    explicit GaugeSink(std::vector<int>& values) : values(values) {}
    void Progress(int percent) override { values.push_back(percent); }
    std::vector<int>& values;
};

}  // namespace

std::string Said(const Outcome& outcome) {
    if (const auto* refusal = std::get_if<Refusal>(&outcome))
        return std::string("refused:") + NameOf(*refusal);
    if (const auto* failure = std::get_if<Failure>(&outcome))
        return "failed:" + NameOf(*failure);
    return "";
}

// The end of a step, as Said puts it.
std::string SaidOf(const NextStep& next) {
    if (next.kind == NextStep::Kind::Refused)
        return Said(next.refusal);
    if (next.kind == NextStep::Kind::Failed)
        return Said(next.failure);
    return "";
}

std::string EngineRun::Run(bool encrypt, const std::string& password) {
    GaugeSink sink(gauge);
    FileTask task(files, encrypt ? Operation::Encrypt : Operation::Decrypt, name, options);
    std::optional<Password> given;
    for (;;) {
        const NextStep& next = task.next();
        switch (next.kind) {
            case NextStep::Kind::PutBack:
                return "put back";
            case NextStep::Kind::AskTrust:
                task.Trust(trust == RecordTrust::UserAgreed);
                continue;
            case NextStep::Kind::Declined:
                return Said(Failure{FailureKind::ForeignRecord});
            case NextStep::Kind::Finish:
                // Only the finishing runs: what follows it is another run.
                finishedInterrupted = true;
                return Said(task.Run(sink));
            case NextStep::Kind::Password: {
                if (password.empty())
                    return "prepared";
                auto made = Password::FromShiftJis(password);
                if (!std::holds_alternative<Password>(made))
                    return "unusable password";
                given.emplace(std::move(std::get<Password>(made)));
                task.GivePassword(*given);
                continue;
            }
            case NextStep::Kind::Ready:
                return Said(task.Run(sink));
            default:
                return SaidOf(next);
        }
    }
}
