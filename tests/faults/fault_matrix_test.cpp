// Every platform call that a whole encryption or decryption makes is made to
// fail once, at every position it occurs in a clean run, and the run is
// checked for what may never happen whatever the failure: a crash, a lost
// busy state, an open file, lost attributes, a negative count written,
// success after a failure, or a file that is neither as it was nor as it
// should be: a failure before the first region is touched puts the file
// back, one after leaves the records standing, and the next press finishes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/error_messages.h"
#include "app/operation_flow.h"
#include "engine/file_attributes.h"
#include "reference_layout.h"
#include "support/memory_platform.h"
#include "support/recording_window.h"

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
enum class Ending { Success, ErrorBox, Notice, Silent };

const char* Name(Ending o) {
    switch (o) {
        case Ending::Success:
            return "success";
        case Ending::ErrorBox:
            return "error box";
        case Ending::Notice:
            return "notice";
        case Ending::Silent:
            return "silent end";
    }
    return "?";
}

// What each failing call may lead to. A distinct errno per call, so that an
// error box showing the code of some other call is caught.
struct FaultKind {
    const char* operation;
    int error;
    std::set<Ending> encrypt;
    std::set<Ending> decrypt;
    std::string notice;  // the one notice allowed, if any
    // An error that the failure leads to later: a read-only bit left set
    // makes the size measurement fail with access denied.
    int consequentError = 0;
};

const std::vector<FaultKind>& FailKinds() {
    using O = Ending;
    static const std::vector<FaultKind> kinds = {
        {"Pin", ENOENT, {O::Notice}, {O::Notice}, "Notice:NotFile"},
        // Anywhere: at the first look, under the lock, at the last moment,
        // after the move (the file is put back), or at the final mode change.
        // The final mode is set ahead of the records' cut and again at the
        // end, so a failure ahead alone is made good.
        {"Status", EOVERFLOW, {O::ErrorBox, O::Success}, {O::ErrorBox, O::Success}, ""},
        {"StatusOfName", ENOENT, {O::ErrorBox}, {O::ErrorBox}, ""},
        // Making a read-only file writable fails: it cannot be opened then.
        // The final change fails: the rewrite is done, the error says so.
        {"SetMode", EPERM, {O::ErrorBox, O::Success}, {O::ErrorBox, O::Success}, "", EACCES},
        {"OpenPinned", EAGAIN, {O::ErrorBox}, {O::ErrorBox}, ""},
        {"GetDiskFreeSpace", ENOSYS, {O::Notice}, {O::Notice}, "Notice:DiskFull"},
        {"FindHoles", EINVAL, {O::Success}, {O::Success}, ""},
        // The second reservation is the recovery records': without room for
        // them the rewrite runs as it would without them.
        {"ReserveSpace",
         ENOSPC,
         {O::Notice, O::Success},
         {O::Notice, O::Success},
         "Notice:DiskFull"},
        {"_lread", EIO, {O::ErrorBox}, {O::ErrorBox}, ""},
        {"_lwrite", ENOSPC, {O::ErrorBox}, {O::ErrorBox}, ""},
        {"_llseek", ESPIPE, {O::ErrorBox}, {O::ErrorBox}, ""},
        // Closing cannot fail in a way that matters once the data is flushed.
        {"_lclose", EBADF, {O::Success}, {O::Success}, ""},
        {"FlushData", kRemoteIoError, {O::ErrorBox}, {O::ErrorBox}, ""},
        {"FlushAll", EIO, {O::ErrorBox}, {O::ErrorBox}, ""},
        // Starting the writeback early is a hint; the flush after it is not.
        {"StartWriteback", EIO, {O::Success}, {O::Success}, ""},
        // Where the whole mode cannot be kept, the header's bit stands in.
        {"ReadKeptMode", ENOTSUP, {O::Success}, {O::Success}, ""},
        {"WriteKeptMode", ENOTSUP, {O::Success}, {}, ""},
        {"RemoveKeptMode", ENOTSUP, {O::Success}, {O::Success}, ""},
        // The growth word matters only to a disk that may lose the footer.
        {"ReadKeptExtension", ENOTSUP, {O::Success}, {O::Success}, ""},
        {"WriteKeptExtension", ENOTSUP, {O::Success}, {O::Success}, ""},
        {"RemoveKeptExtension", ENOTSUP, {O::Success}, {O::Success}, ""},
    };
    return kinds;
}

const std::vector<FaultKind>& HalfKinds() {
    using O = Ending;
    static const std::vector<FaultKind> kinds = {
        // A short read where the file was measured longer is a changed file.
        {"_lread", 0, {O::ErrorBox}, {O::ErrorBox}, ""},
        // Halving the zero-count write that cuts the file changes nothing.
        {"_lwrite", 0, {O::ErrorBox, O::Success}, {O::ErrorBox, O::Success}, ""},
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
    RecordingWindow window;
    std::string error;
    bool otherException = false;
};

void Execute(const Scenario& s, Trial& run) {
    run.files.Add("f", s.input);
    run.files.files["f"].attributes = s.inputAttributes;
    run.files.files["f"].keptMode = s.inputWord;
    run.window.fileName = "f";
    run.window.password = kPassword;
    ProgramState state;
    // Units of one block go with recovery records every three blocks, so
    // failures fall between records as well as within them.
    const RewriteOptions options{s.unitBlocks, true, s.unitBlocks == 1 ? 3 : 16384};
    try {
        if (s.encrypt) {
            EncryptInPlace(run.window, run.files, state, options);
        } else {
            DecryptInPlace(run.window, run.files, state, options);
        }
    } catch (const OperationError& e) {
        run.error = e.what();
    } catch (...) {
        run.otherException = true;
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
    EXPECT_TRUE(clean.error.empty()) << clean.error;
    EXPECT_EQ(clean.window.gauge.back(), 100);
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

Ending Classify(const Trial& run, const std::string& notice) {
    if (!run.error.empty())
        return Ending::ErrorBox;
    for (const auto& entry : run.window.log) {
        if (entry.rfind("Notice:", 0) == 0) {
            EXPECT_EQ(entry, notice);
            return Ending::Notice;
        }
    }
    if (!run.window.gauge.empty() && run.window.gauge.back() == 100)
        return Ending::Success;
    return Ending::Silent;
}

// Checks one faulted run; returns its outcome.
int restoredRuns = 0;
int resumedRuns = 0;

// The next press, with nothing failing, of either button: what the records
// say is finished whichever is pressed. The other button's operation follows
// and asks for the password, which is not given here.
void PressAgain(const Scenario& s, Trial& run, bool encryptButton) {
    run.files.fault.reset();
    RecordingWindow window;
    window.fileName = "f";
    ProgramState state;
    try {
        encryptButton ? EncryptInPlace(window, run.files, state)
                      : DecryptInPlace(window, run.files, state);
    } catch (const OperationError& e) {
        ADD_FAILURE() << "the next press failed: " << e.what();
    }
    EXPECT_EQ(Difference(run.files.Data("f"), s.output), "") << "the next press finishes";
    EXPECT_EQ(run.files.files["f"].attributes, s.outputAttributes);
    EXPECT_EQ(run.files.files["f"].keptExtension, "") << "no growth word left";
    EXPECT_EQ(run.files.files["f"].keptMode, s.outputWord);
    EXPECT_EQ(run.files.OpenHandles(), 0);
    EXPECT_EQ(window.passwordAskedFor.has_value(), encryptButton != s.encrypt);
}

Ending Check(const Scenario& s, const FaultKind& kind, Mode mode, Trial& run) {
    EXPECT_FALSE(run.otherException) << "only I/O errors may escape";
    EXPECT_EQ(run.files.OpenHandles(), 0) << "a file was left open";
    EXPECT_EQ(run.files.negativeWrites, 0) << "a negative count was written";
    EXPECT_FALSE(run.files.termininationHeld) << "termination requests still held";

    // Whenever the window went busy, it was made idle again afterwards.
    const auto& log = run.window.log;
    bool busy = false;
    for (const auto& entry : log) {
        if (entry.rfind("Enter", 0) == 0)
            busy = true;
        if (entry.rfind("Leave", 0) == 0)
            busy = false;
    }
    EXPECT_FALSE(busy) << "busy state not left";

    const Ending outcome = Classify(run, kind.notice);
    const auto& allowed = s.encrypt ? kind.encrypt : kind.decrypt;
    EXPECT_TRUE(allowed.count(outcome)) << "unexpected outcome: " << Name(outcome);

    const std::string& data = run.files.Data("f");
    const std::int32_t attributes = run.files.files["f"].attributes;
    static const std::string kRestored = "\nファイルは処理の前の状態に戻しました";
    static const std::string kCompleted =
        "\n処理は完了しましたが、ファイルの属性を変更できませんでした";
    static const std::string kResumable =
        "\n中断された処理の記録は残っています。もう一度押すと続きから完了します";
    const bool restored = run.error.find(kRestored) != std::string::npos;
    const bool completed = run.error.find(kCompleted) != std::string::npos;
    const bool resumable = run.error.find(kResumable) != std::string::npos;
    EXPECT_EQ(run.error.find("壊れています"), std::string::npos) << "one failure never damages";
    // Nothing the run put beside the file outlives it, but where its
    // records stand; a word that cannot be written or taken off stays (a
    // read-only file is made writable for that, by Status and SetMode), to
    // be taken off by the next press.
    const std::string& word = run.files.files["f"].keptMode;
    const std::string operation = kind.operation;
    const bool wordFault =
        operation.find("Kept") != std::string::npos ||
        ((operation == "Status" || operation == "SetMode") && (attributes & kAttrReadOnly) != 0);
    if (!resumable && !wordFault) {
        EXPECT_EQ(run.files.files["f"].keptExtension, "") << "a growth word left behind";
    }
    if (outcome == Ending::Success || completed) {
        EXPECT_EQ(Difference(data, s.output), "") << "done with other bytes than the layout";
        if (outcome == Ending::Success) {
            // Without the kept mode, the header's read-only bit stands in:
            // the group's write bit is not given back.
            const std::int32_t withoutWord =
                AttributeWordFromMode(ModeFromAttributeWord(s.outputAttributes) & ~kGroupWrite);
            EXPECT_TRUE(attributes == s.outputAttributes ||
                        (wordFault && attributes == withoutWord))
                << std::hex << attributes;
            EXPECT_TRUE(wordFault || word == s.outputWord) << word;
        }
    } else if (resumable) {
        // The final mode goes on while the records stand, and stays.
        EXPECT_TRUE(attributes == s.inputAttributes || attributes == s.outputAttributes);
        ++resumedRuns;
        PressAgain(s, run, resumedRuns % 2 == 0);
    } else {
        for (int percent : run.window.gauge) {
            EXPECT_NE(percent, 100) << "success shown after a failure";
        }
        EXPECT_EQ(attributes, s.inputAttributes) << "attributes not restored";
        EXPECT_EQ(Difference(data, s.input), "") << "neither as it was nor as it should be";
        EXPECT_TRUE(wordFault || word == s.inputWord) << word;
    }
    if (outcome == Ending::ErrorBox) {
        std::string cause = run.error.substr(0, run.error.find('\n'));
        if (mode == Mode::Fail) {
            const int error = kind.consequentError != 0 ? kind.consequentError : kind.error;
            EXPECT_TRUE(cause == ErrnoMessage(error) ||
                        cause == FailureMessage(Failure{FailureKind::FileChanged}))
                << "error box names another error: " << run.error;
        } else {
            EXPECT_TRUE(cause == ErrnoMessage(ENOSPC) ||
                        cause == FailureMessage(Failure{FailureKind::FileChanged}))
                << run.error;
        }
        if (restored) {
            ++restoredRuns;
        }
    }
    return outcome;
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
                            Trial run;
                            run.files.fault = MemoryPlatform::Fault{kind.operation, k, -1,
                                                                    kind.error, mode == Mode::Half};
                            if (mode == Mode::Half)
                                run.files.fault->error = 0;
                            Execute(s, run);
                            ++tally[Check(s, kind, mode, run)];
                            ++points;
                        }
                    }
                }
            }
        }
    }
    // Every operation the engine relies on was hit at least once.
    EXPECT_GT(points, 1000);
    EXPECT_GT(tally[Ending::ErrorBox], 0);
    EXPECT_GT(tally[Ending::Notice], 0);
    EXPECT_GT(restoredRuns, 50) << "failures before the first region put the file back";
    EXPECT_GT(resumedRuns, 500) << "failures midway leave records the next press finishes";
    testing::Test::RecordProperty("fault_points", points);
    std::cout << "fault points exercised: " << points << " (error box " << tally[Ending::ErrorBox]
              << ", notice " << tally[Ending::Notice] << ", silent " << tally[Ending::Silent]
              << ", success " << tally[Ending::Success] << "); put back " << restoredRuns
              << ", finished by the next press " << resumedRuns << "\n";
}
