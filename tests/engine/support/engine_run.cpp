#include "support/engine_run.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <utility>

#include "engine/file_task.h"
#include "support/memory_platform.h"

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
    GaugeSink(std::vector<int>& values, const std::function<void(int)>& told)
        : values(values), told(told) {}
    void Progress(int percent) override {
        values.push_back(percent);
        if (told)
            told(percent);
    }
    std::vector<int>& values;
    const std::function<void(int)>& told;
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
    // On the in-memory platform every rewrite is checked to read ahead of
    // its writing. Finishing or putting back a cut-short rewrite works from
    // its records instead: what the crash left half-written, and the room
    // grown for the records, it overwrites unread by design.
    auto* memory = dynamic_cast<MemoryPlatform*>(&files);
    const std::size_t breaches = memory != nullptr ? memory->unreadOverwrites.size() : 0;
    if (memory != nullptr)
        memory->checksReadAhead = true;
    const auto fromRecords = [&] {
        if (memory != nullptr)
            memory->unreadOverwrites.resize(breaches);
    };
    GaugeSink sink(gauge, onProgress);
    outcome.reset();
    finishedInterrupted.reset();
    afterFinish.reset();
    const auto ended = [&](const Outcome& end) {
        outcome = end;
        return Said(end);
    };
    FileTask task(files, encrypt ? Operation::Encrypt : Operation::Decrypt, name, options);
    std::optional<Password> given;
    for (;;) {
        const NextStep& next = task.next();
        switch (next.kind) {
            case NextStep::Kind::PutBack:
                fromRecords();
                return "put back";
            case NextStep::Kind::AskTrust:
                task.Trust(trust == RecordTrust::UserAgreed);
                continue;
            case NextStep::Kind::Declined:
                return ended(Failure{FailureKind::ForeignRecord});
            case NextStep::Kind::Finish: {
                // Only the finishing runs: what follows it is another run.
                finishedInterrupted = next.operation;
                const Outcome finished = task.Run(sink);
                afterFinish = task.next().kind;
                fromRecords();
                return ended(finished);
            }
            case NextStep::Kind::Password: {
                if (beforeRewrite)
                    beforeRewrite();
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
                return ended(task.Run(sink));
            case NextStep::Kind::Refused:
                return ended(next.refusal);
            case NextStep::Kind::Failed:
                return ended(next.failure);
            default:
                return SaidOf(next);
        }
    }
}
