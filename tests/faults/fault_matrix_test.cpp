// Every platform call that a whole encryption or decryption makes is made to
// fail once, at every position it occurs in a clean run, and the engine's
// result is checked for what may never happen whatever the failure: an
// exception, an open file, lost attributes, a negative count written, a
// write ahead of the reading, success after a failure, a failure that
// names another error, or a file that is neither as it was nor as it should
// be: a failure before the first region is touched puts the file back, one
// after leaves the records standing, and the next press finishes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/file_attributes.h"
#include "reference_layout.h"
#include "support/engine_run.h"
#include "support/memory_platform.h"

using namespace kryvet;

// EREMOTEIO, which Windows' C library has no name for.
constexpr int kRemoteIoError = 121;

namespace {

constexpr std::int32_t kReadOnly = (0444 << 16) | kAttrReadOnly;
// Group-writable, as a umask of 002 makes files: the group's write bit comes
// back only from the kept mode.
constexpr std::int32_t kWritable = (0660 << 16) | kAttrNormal;
// Two double-byte characters and three single bytes.
const std::string kPassword = "\x88\xc3\x8d\x86p!w";

enum class Mode { Fail, Half };
enum class Ending { Done, Failed, Refused };

const char* Name(Ending o) {
    switch (o) {
        case Ending::Done:
            return "done";
        case Ending::Failed:
            return "failure";
        case Ending::Refused:
            return "refusal";
    }
    return "?";
}

// What each failing call may lead to. A distinct errno per call, so that a
// failure carrying the code of some other call is caught.
struct FaultKind {
    const char* operation;
    int error;
    std::set<Ending> encrypt;
    std::set<Ending> decrypt;
    std::optional<Refusal> refusal;  // the one refusal allowed, if any
    // An error that the failure leads to later: a read-only bit left set
    // makes the size measurement fail with access denied.
    int consequentError = 0;
};

const std::vector<FaultKind>& FailKinds() {
    using O = Ending;
    static const std::vector<FaultKind> kinds = {
        {"Pin", ENOENT, {O::Refused}, {O::Refused}, Refusal::NotFound},
        // Anywhere: at the first look, under the lock, at the last moment,
        // after the move (the file is put back), or at the final mode change.
        // The final mode is set ahead of the records' cut and again at the
        // end, so a failure ahead alone is made good.
        {"Status", EOVERFLOW, {O::Failed, O::Done}, {O::Failed, O::Done}, {}},
        {"StatusOfName", ENOENT, {O::Failed}, {O::Failed}, {}},
        // Making a read-only file writable fails: it cannot be opened then.
        // The final change fails: the rewrite is done, the error says so.
        {"SetMode", EPERM, {O::Failed, O::Done}, {O::Failed, O::Done}, {}, EACCES},
        {"OpenPinned", EAGAIN, {O::Failed}, {O::Failed}, {}},
        {"GetDiskFreeSpace", ENOSYS, {O::Refused}, {O::Refused}, Refusal::DiskFull},
        {"FindHoles", EINVAL, {O::Done}, {O::Done}, {}},
        // The second reservation is the recovery records': without room for
        // them the rewrite runs as it would without them.
        {"ReserveSpace", ENOSPC, {O::Refused, O::Done}, {O::Refused, O::Done}, Refusal::DiskFull},
        {"_lread", EIO, {O::Failed}, {O::Failed}, {}},
        {"_lwrite", ENOSPC, {O::Failed}, {O::Failed}, {}},
        {"_llseek", ESPIPE, {O::Failed}, {O::Failed}, {}},
        // Closing cannot fail in a way that matters once the data is flushed.
        {"_lclose", EBADF, {O::Done}, {O::Done}, {}},
        {"FlushData", kRemoteIoError, {O::Failed}, {O::Failed}, {}},
        {"FlushAll", EIO, {O::Failed}, {O::Failed}, {}},
        // Starting the writeback early is a hint; the flush after it is not.
        {"StartWriteback", EIO, {O::Done}, {O::Done}, {}},
        // Where the whole mode cannot be kept, the header's bit stands in.
        {"ReadKeptMode", ENOTSUP, {O::Done}, {O::Done}, {}},
        {"WriteKeptMode", ENOTSUP, {O::Done}, {}, {}},
        {"RemoveKeptMode", ENOTSUP, {O::Done}, {O::Done}, {}},
        // The growth word matters only to a disk that may lose the footer.
        {"ReadKeptExtension", ENOTSUP, {O::Done}, {O::Done}, {}},
        {"WriteKeptExtension", ENOTSUP, {O::Done}, {O::Done}, {}},
        {"RemoveKeptExtension", ENOTSUP, {O::Done}, {O::Done}, {}},
    };
    return kinds;
}

const std::vector<FaultKind>& HalfKinds() {
    using O = Ending;
    static const std::vector<FaultKind> kinds = {
        // A short read where the file was measured longer is a changed file.
        {"_lread", 0, {O::Failed}, {O::Failed}, {}},
        // Halving the zero-count write that cuts the file changes nothing.
        {"_lwrite", 0, {O::Failed, O::Done}, {O::Failed, O::Done}, {}},
    };
    return kinds;
}

std::string Plain(std::size_t size) {
    std::string s(size, '\0');
    std::uint32_t x = static_cast<std::uint32_t>(size) * 2654435761u + 1;
    for (auto& c : s) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 23);
    }
    return s;
}

struct Scenario {
    bool encrypt;
    std::size_t size;
    std::int32_t unitBlocks;
    std::string input;  // the file before the run
    std::int32_t inputAttributes;
    std::string output;  // the file after a clean run
    std::int32_t outputAttributes;
    std::map<std::string, int> calls;  // calls per operation in a clean run
    std::string inputWord;             // the kept mode beside the file before the run
    std::string outputWord;            // and after a clean run
};

struct Trial {
    MemoryPlatform files;
    std::optional<Outcome> outcome;
    bool threw = false;
};

void Execute(const Scenario& s, Trial& trial) {
    trial.files.Add("f", s.input);
    trial.files.files["f"].attributes = s.inputAttributes;
    trial.files.files["f"].keptMode = s.inputWord;
    EngineRun run(trial.files);
    // Units of one block go with recovery records every three blocks, so
    // failures fall between records as well as within them.
    run.options = {s.unitBlocks, true, s.unitBlocks == 1 ? 3 : 16384};
    try {
        s.encrypt ? run.Encrypt(kPassword) : run.Decrypt(kPassword);
        trial.outcome = run.outcome;
    } catch (...) {
        trial.threw = true;
    }
}

// Where two byte strings part, instead of printing kilobytes of both.
std::string Difference(const std::string& actual, const std::string& expected) {
    if (actual == expected)
        return {};
    std::size_t i = 0;
    while (i < actual.size() && i < expected.size() && actual[i] == expected[i])
        ++i;
    return "differs at offset " + std::to_string(i) + " (sizes " + std::to_string(actual.size()) +
           " and " + std::to_string(expected.size()) + ")";
}

Scenario MakeScenario(bool encrypt, std::size_t size, std::int32_t unitBlocks) {
    Scenario s{encrypt, size, unitBlocks, {}, 0, {}, 0, {}, {}, {}};
    const std::string plain = Plain(size);
    // The file to decrypt is what a clean encryption made of a writable file.
    Scenario enc{true, size, unitBlocks, plain, kWritable, {}, 0, {}, {}, {}};
    Trial first;
    Execute(enc, first);
    if (encrypt) {
        s.input = plain;
        // Read-only files show whether the cleared bit is put back; writable
        // ones let encryption succeed without an attribute word.
        s.inputAttributes = unitBlocks == 1 ? kReadOnly : kWritable;
    } else {
        s.input = first.files.Data("f");
        s.inputAttributes = first.files.files["f"].attributes;
        s.inputWord = first.files.files["f"].keptMode;
        EXPECT_NE(s.inputWord, "");
    }
    Trial clean;
    Execute(s, clean);
    EXPECT_TRUE(clean.outcome && std::holds_alternative<Done>(*clean.outcome));
    s.output = clean.files.Data("f");
    s.outputAttributes = clean.files.files["f"].attributes;
    s.outputWord = clean.files.files["f"].keptMode;
    EXPECT_EQ(s.outputWord.empty(), !encrypt);
    if (encrypt) {
        // The clean run itself must give the layout, built independently.
        std::uint8_t clock[8];
        for (int i = 0; i < 8; ++i)
            clock[i] = static_cast<std::uint8_t>(s.output.at(6 + i));
        EXPECT_EQ(Difference(s.output,
                             ReferenceEncryptedFile(plain, kPassword, clock,
                                                    static_cast<std::uint16_t>(s.inputAttributes))),
                  "");
        EXPECT_EQ(s.outputAttributes,
                  AttributeWordFromMode(ReadOnlyMode((s.inputAttributes >> 16) & 07777)));
    } else {
        EXPECT_EQ(Difference(s.output, plain), "");
        EXPECT_EQ(s.outputAttributes, kWritable);
    }
    for (const auto& kinds : {FailKinds(), HalfKinds()}) {
        for (const auto& kind : kinds)
            s.calls[kind.operation] = clean.files.Calls(kind.operation);
    }
    return s;
}

Ending EndingOf(const Outcome& outcome) {
    return std::holds_alternative<Done>(outcome)      ? Ending::Done
           : std::holds_alternative<Failure>(outcome) ? Ending::Failed
                                                      : Ending::Refused;
}

int restoredRuns = 0;
int resumedRuns = 0;

// The next press, with nothing failing and no password, of either button:
// what the records say is finished whichever is pressed. The other button's
// operation follows and asks for the password, which is not given here.
void PressAgain(const Scenario& s, Trial& trial, bool encryptButton) {
    trial.files.fault.reset();
    EngineRun run(trial.files);
    EXPECT_EQ(encryptButton ? run.Encrypt() : run.Decrypt(), "") << "the next press finishes";
    EXPECT_EQ(run.finishedInterrupted,
              s.encrypt ? journal::Operation::Encrypt : journal::Operation::Decrypt);
    EXPECT_EQ(run.afterFinish,
              encryptButton != s.encrypt ? NextStep::Kind::Password : NextStep::Kind::Done);
    EXPECT_EQ(Difference(trial.files.Data("f"), s.output), "") << "the next press finishes";
    EXPECT_EQ(trial.files.files["f"].attributes, s.outputAttributes);
    EXPECT_EQ(trial.files.files["f"].keptExtension, "") << "no growth word left";
    EXPECT_EQ(trial.files.files["f"].keptMode, s.outputWord);
    EXPECT_EQ(trial.files.OpenHandles(), 0);
}

// Checks one faulted run; returns how it ended.
Ending Check(const Scenario& s, const FaultKind& kind, Mode mode, Trial& trial) {
    EXPECT_FALSE(trial.threw) << "the engine's results are values";
    EXPECT_EQ(trial.files.OpenHandles(), 0) << "a file was left open";
    EXPECT_EQ(trial.files.negativeWrites, 0) << "a negative count was written";
    EXPECT_FALSE(trial.files.termininationHeld) << "termination requests still held";
    if (!trial.outcome) {
        ADD_FAILURE() << "the run came to no outcome";
        return Ending::Failed;
    }
    const Outcome& outcome = *trial.outcome;
    const Ending ending = EndingOf(outcome);
    const auto& allowed = s.encrypt ? kind.encrypt : kind.decrypt;
    EXPECT_TRUE(allowed.count(ending)) << "unexpected outcome: " << Name(ending);
    if (const auto* refusal = std::get_if<Refusal>(&outcome)) {
        EXPECT_EQ(std::optional<Refusal>(*refusal), kind.refusal)
            << "refused as " << static_cast<int>(*refusal);
    }
    const auto* failure = std::get_if<Failure>(&outcome);
    const FileState state = failure != nullptr ? failure->file : FileState::Unchanged;
    EXPECT_NE(state, FileState::Damaged) << "one failure never damages";

    const std::string& data = trial.files.Data("f");
    const std::int32_t attributes = trial.files.files["f"].attributes;
    // Nothing the run put beside the file outlives it, but where its
    // records stand; a word that cannot be written or taken off stays (a
    // read-only file is made writable for that, by Status and SetMode), to
    // be taken off by the next press.
    const std::string& word = trial.files.files["f"].keptMode;
    const std::string operation = kind.operation;
    const bool wordFault =
        operation.find("Kept") != std::string::npos ||
        ((operation == "Status" || operation == "SetMode") && (attributes & kAttrReadOnly) != 0);
    if (state != FileState::Resumable && !wordFault) {
        EXPECT_EQ(trial.files.files["f"].keptExtension, "") << "a growth word left behind";
    }
    if (ending == Ending::Done || state == FileState::Completed) {
        EXPECT_EQ(Difference(data, s.output), "") << "done with other bytes than the layout";
        if (ending == Ending::Done) {
            // Without the kept mode, the header's read-only bit stands in:
            // the group's write bit is not given back.
            const std::int32_t withoutWord =
                AttributeWordFromMode(ModeFromAttributeWord(s.outputAttributes) & ~kGroupWrite);
            EXPECT_TRUE(attributes == s.outputAttributes ||
                        (wordFault && attributes == withoutWord))
                << std::hex << attributes;
            EXPECT_TRUE(wordFault || word == s.outputWord) << word;
        }
    } else if (state == FileState::Resumable) {
        // The final mode goes on while the records stand, and stays.
        EXPECT_TRUE(attributes == s.inputAttributes || attributes == s.outputAttributes);
        ++resumedRuns;
        PressAgain(s, trial, resumedRuns % 2 == 0);
    } else {
        EXPECT_EQ(attributes, s.inputAttributes) << "attributes not restored";
        EXPECT_EQ(Difference(data, s.input), "") << "neither as it was nor as it should be";
        EXPECT_TRUE(wordFault || word == s.inputWord) << word;
    }
    if (failure != nullptr) {
        // The failure names the error of the call that failed or of its
        // consequence, or the file as changed (a short transfer where the
        // file was measured longer).
        const bool named = mode == Mode::Half ? failure->error == ENOSPC
                                              : failure->error == kind.error ||
                                                    (kind.consequentError != 0 &&
                                                     failure->error == kind.consequentError);
        EXPECT_TRUE((failure->kind == FailureKind::System && named) ||
                    failure->kind == FailureKind::FileChanged)
            << "a failure of another error: kind " << static_cast<int>(failure->kind) << ", error "
            << failure->error;
        if (state == FileState::Restored) {
            ++restoredRuns;
        }
    }
    return ending;
}

}  // namespace

TEST(FaultMatrix, EveryCallFailingAtEveryPositionLeavesNothingBroken) {
    const std::size_t sizes[] = {1, 511, 512, 513, 1100, 2048, 5000};
    int points = 0;
    std::map<Ending, int> tally;
    for (bool encrypt : {true, false}) {
        for (std::size_t size : sizes) {
            for (std::int32_t unitBlocks : {1, 2}) {
                SCOPED_TRACE(testing::Message() << (encrypt ? "encrypt" : "decrypt") << " size "
                                                << size << " unit " << unitBlocks);
                const Scenario s = MakeScenario(encrypt, size, unitBlocks);
                for (Mode mode : {Mode::Fail, Mode::Half}) {
                    for (const auto& kind : mode == Mode::Fail ? FailKinds() : HalfKinds()) {
                        const int calls = s.calls.at(kind.operation);
                        if ((encrypt ? kind.encrypt : kind.decrypt).empty()) {
                            EXPECT_EQ(calls, 0) << kind.operation;
                            continue;
                        }
                        for (int k = 1; k <= calls; ++k) {
                            SCOPED_TRACE(testing::Message()
                                         << kind.operation << " #" << k
                                         << (mode == Mode::Half ? " half" : " fails"));
                            Trial trial;
                            trial.files.fault = MemoryPlatform::Fault{
                                kind.operation, k, -1, kind.error, mode == Mode::Half};
                            if (mode == Mode::Half)
                                trial.files.fault->error = 0;
                            Execute(s, trial);
                            ++tally[Check(s, kind, mode, trial)];
                            ++points;
                        }
                    }
                }
            }
        }
    }
    // Every operation the engine relies on was hit at least once.
    EXPECT_GT(points, 1000);
    EXPECT_GT(tally[Ending::Failed], 0);
    EXPECT_GT(tally[Ending::Refused], 0);
    EXPECT_GT(restoredRuns, 50) << "failures before the first region put the file back";
    EXPECT_GT(resumedRuns, 500) << "failures midway leave records the next press finishes";
    testing::Test::RecordProperty("fault_points", points);
    std::cout << "fault points exercised: " << points << " (failed " << tally[Ending::Failed]
              << ", refused " << tally[Ending::Refused] << ", done " << tally[Ending::Done]
              << "); put back " << restoredRuns << ", finished by the next press " << resumedRuns
              << "\n";
}
