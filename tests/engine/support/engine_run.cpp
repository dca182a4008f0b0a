#include "support/engine_run.h"

#include <cstddef>
#include <utility>

#include "support/memory_platform.h"

using namespace kryvet;

namespace {

const char* NameOf(Refusal refusal) {
    static const char* const kNames[] = {"EmptyName",    "NotFound",     "EmptyFile",
                                         "InUse",        "DiskFull",     "AlreadyEncrypted",
                                         "NotEncrypted", "WrongPassword"};
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
    const auto ended = [&](const Outcome& end) {
        outcome = end;
        return Said(end);
    };
    Preparation prepared =
        encrypt ? PrepareEncryption(files, name) : PrepareDecryption(files, name);
    if (const auto* refusal = std::get_if<Refusal>(&prepared))
        return ended(*refusal);
    if (const auto* failure = std::get_if<Failure>(&prepared))
        return ended(*failure);
    PinnedFile& file = std::get<PinnedFile>(prepared);
    if (file.interrupted()) {
        finishedInterrupted = file.interrupted()->operation;
        const Outcome finished = FinishInterrupted(std::move(file), sink, options, trust);
        fromRecords();
        return ended(finished);
    }
    if (file.putBack()) {
        fromRecords();
        return "put back";
    }
    if (beforeRewrite)
        beforeRewrite();
    if (password.empty())
        return "prepared";
    if (!encrypt && !PasswordMatches(file, password))
        return ended(Refusal::WrongPassword);
    return ended(encrypt ? kryvet::Encrypt(std::move(file), password, sink, options)
                         : kryvet::Decrypt(std::move(file), password, sink, options));
}
