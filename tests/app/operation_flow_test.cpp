#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <iostream>
#include <string>

#include "app/error_messages.h"
#include "app/operation_flow.h"
#include "engine/journal_record.h"
#include "support/memory_platform.h"
#include "support/recording_window.h"

using namespace kryvet;

namespace {

const std::int32_t kWritable = (0644 << 16) | 0x80;
const std::int32_t kReadOnly = (0444 << 16) | 0x01;

std::string Plain(std::size_t size) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        s[i] = static_cast<char>('a' + i % 26);
    return s;
}

// An encrypted copy of `plain` made with password "pw".
std::string Encrypted(const std::string& plain, std::int32_t attributes = kWritable) {
    MemoryPlatform files;
    files.Add("f", plain);
    files.files["f"].attributes = attributes;
    RecordingWindow window;
    window.fileName = "f";
    window.password = "pw";
    ProgramState state;
    EncryptInPlace(window, files, state);
    return files.Data("f");
}

struct RunOutcome {
    std::vector<std::string> window;
    std::string data;
    std::int32_t attributes = 0;
    std::string error;  // message of an OperationError that escaped
};

using SetUp = std::function<void(MemoryPlatform&, RecordingWindow&)>;

enum Button { kEncrypt, kDecrypt };

struct Case {
    std::string name;
    Button button;
    SetUp setUp;
    std::vector<std::string> window;  // expected calls on the window
    bool unchanged = true;            // the file's bytes and attributes as before
    std::string error = {};
    ProgramState before = {};  // what earlier presses left
};

RunOutcome RunCase(bool encrypt, const Case& c) {
    MemoryPlatform files;
    RecordingWindow window;
    window.fileName = "f";
    window.password = "pw";
    c.setUp(files, window);
    const auto before = files.files;
    ProgramState state = c.before;
    RunOutcome out;
    try {
        if (encrypt) {
            EncryptInPlace(window, files, state, {1});
        } else {
            DecryptInPlace(window, files, state, {1});
        }
    } catch (const OperationError& e) {
        out.error = e.what();
    }
    out.window = window.log;
    if (files.files.count("f")) {
        out.data = files.Data("f");
        out.attributes = files.files["f"].attributes;
        if (c.unchanged) {
            EXPECT_EQ(out.data, before.at("f").data);
            EXPECT_EQ(out.attributes, before.at("f").attributes);
        }
    }
    EXPECT_EQ(files.OpenHandles(), 0) << "every path closes the file";
    EXPECT_FALSE(files.termininationHeld);
    return out;
}

}  // namespace

// Every way a press can end before or at the rewrite, for both buttons: the
// calls on the window in order, the error shown, and the file as it was.
TEST(Refusals, EveryButtonEveryRefusal) {
    const Case cases[] = {
        {.name = "empty name",
         .button = kEncrypt,
         .setUp = [](auto&, auto& w) { w.fileName = ""; },
         .window = {"Focus:EditFileName"}},
        {.name = "empty name after a mismatch",
         .button = kEncrypt,
         .setUp = [](auto&, auto& w) { w.fileName = ""; },
         .window = {"Focus:BuAngo"},
         .before = ProgramState{.MismatchShown = true}},
        {.name = "no such file",
         .button = kEncrypt,
         .setUp = [](auto&, auto&) {},
         .window = {"Notice:NotFile", "Focus:EditFileName"}},
        {.name = "blanks are a name, not an empty box",
         .button = kEncrypt,
         .setUp =
             [](auto& f, auto& w) {
                 f.Add("f", Plain(10));
                 w.fileName = "   ";
             },
         .window = {"Notice:NotFile", "Focus:EditFileName"}},
        {.name = "a directory",
         .button = kEncrypt,
         .setUp =
             [](auto& f, auto&) {
                 f.Add("f", "");
                 f.files["f"].directory = true;
             },
         .window = {"Notice:NotFile", "Focus:EditFileName"}},
        {.name = "empty file",
         .button = kEncrypt,
         .setUp = [](auto& f, auto&) { f.Add("f", ""); },
         .window = {"LeaveBuAngo"}},
        {.name = "held by another run",
         .button = kEncrypt,
         .setUp =
             [](auto& f, auto&) {
                 f.Add("f", Plain(10));
                 f.files["f"].lockedElsewhere = true;
             },
         .window = {},
         .error = "ﾌｧｲﾙは別の Kryvet が使用中です"},
        {.name = "exclusive open fails",
         .button = kEncrypt,
         .setUp =
             [](auto& f, auto&) {
                 f.Add("f", Plain(10));
                 f.fault = MemoryPlatform::Fault{"OpenPinned", 1, -1, EACCES};
             },
         .window = {},
         .error = "ﾌｧｲﾙへのｱｸｾｽが拒否されました"},
        {.name = "disk full",
         .button = kEncrypt,
         .setUp =
             [](auto& f, auto&) {
                 f.Add("f", Plain(10));
                 f.freeSpace = 127;
             },
         .window = {"LeaveBuAngo", "Notice:DiskFull"}},
        {.name = "free space unknown",
         .button = kEncrypt,
         .setUp =
             [](auto& f, auto&) {
                 f.Add("f", Plain(10));
                 f.fault = MemoryPlatform::Fault{"GetDiskFreeSpace", 1, -1, EIO};
             },
         .window = {"LeaveBuAngo", "Notice:DiskFull"}},
        {.name = "reservation fails",
         .button = kEncrypt,
         .setUp =
             [](auto& f, auto&) {
                 f.Add("f", Plain(10));
                 f.reserveFails = true;  // room seen, but not there when allocated
             },
         .window = {"AskPassword", "EnterBuAngo", "LeaveBuAngo", "Notice:DiskFull"}},
        {.name = "already encrypted",
         .button = kEncrypt,
         .setUp = [](auto& f, auto&) { f.Add("f", Encrypted(Plain(10)), true); },
         .window = {"LeaveBuAngo", "Notice:ExitAnko", "Focus:EditFileName"}},
        {.name = "password cancelled",
         .button = kEncrypt,
         .setUp =
             [](auto& f, auto& w) {
                 f.Add("f", Plain(10));
                 w.cancelPassword = true;
             },
         .window = {"AskPassword"}},
        {.name = "empty password",
         .button = kEncrypt,
         .setUp =
             [](auto& f, auto& w) {
                 f.Add("f", Plain(10));
                 w.password = "";
             },
         .window = {"AskPassword"}},
        {.name = "confirmation differs",
         .button = kEncrypt,
         .setUp =
             [](auto& f, auto& w) {
                 f.Add("f", Plain(10));
                 w.mismatchPassword = true;
             },
         .window = {"AskPassword", "ShowMismatch"}},
        {.name = "size unreadable",
         .button = kEncrypt,
         .setUp =
             [](auto& f, auto&) {
                 f.Add("f", Plain(10), true);
                 f.fault = MemoryPlatform::Fault{"Status", 1, -1, EIO};
             },
         .window = {},
         .error = "I/O ｴﾗｰ (5)"},
        {.name = "empty name",
         .button = kDecrypt,
         .setUp = [](auto&, auto& w) { w.fileName = ""; },
         .window = {"Focus:EditFileName"}},
        {.name = "no such file",
         .button = kDecrypt,
         .setUp = [](auto&, auto&) {},
         .window = {"Notice:NotFile", "Focus:EditFileName"}},
        {.name = "blanks are a name, not an empty box",
         .button = kDecrypt,
         .setUp =
             [](auto& f, auto& w) {
                 f.Add("f", Plain(10));
                 w.fileName = "   ";
             },
         .window = {"Notice:NotFile", "Focus:EditFileName"}},
        {.name = "name leads to a folder closed to us",
         .button = kDecrypt,
         .setUp =
             [](auto& f, auto&) {
                 f.Add("f", Encrypted(Plain(10)));
                 f.fault = MemoryPlatform::Fault{"Pin", 1, -1, EACCES};
             },
         .window = {},
         .error = "ﾌｧｲﾙへのｱｸｾｽが拒否されました"},
        {.name = "empty file",
         .button = kDecrypt,
         .setUp = [](auto& f, auto&) { f.Add("f", ""); },
         .window = {"LeaveBuFukugo"}},
        {.name = "exclusive open fails",
         .button = kDecrypt,
         .setUp =
             [](auto& f, auto&) {
                 f.Add("f", Encrypted(Plain(10)), true);
                 f.fault = MemoryPlatform::Fault{"OpenPinned", 1, -1, EACCES};
             },
         .window = {},
         .error = "ﾌｧｲﾙへのｱｸｾｽが拒否されました"},
        {.name = "128 bytes",
         .button = kDecrypt,
         .setUp = [](auto& f, auto&) { f.Add("f", Encrypted(Plain(1)).substr(0, 128)); },
         .window = {"LeaveBuFukugo", "Notice:NoAngo", "Focus:EditFileName"}},
        {.name = "plain file",
         .button = kDecrypt,
         .setUp = [](auto& f, auto&) { f.Add("f", Plain(500)); },
         .window = {"LeaveBuFukugo", "Notice:NoAngo", "Focus:EditFileName"}},
        {.name = "wrong password",
         .button = kDecrypt,
         .setUp =
             [](auto& f, auto& w) {
                 f.Add("f", Encrypted(Plain(10)), true);
                 w.password = "PW";
             },
         .window = {"AskPassword", "LeaveBuFukugo", "Notice:NotPassword"}},
        {.name = "prefix of the password",
         .button = kDecrypt,
         .setUp =
             [](auto& f, auto& w) {
                 f.Add("f", Encrypted(Plain(10)), true);
                 w.password = "p";
             },
         .window = {"AskPassword", "LeaveBuFukugo", "Notice:NotPassword"}},
        {.name = "password cancelled",
         .button = kDecrypt,
         .setUp =
             [](auto& f, auto& w) {
                 f.Add("f", Encrypted(Plain(10)), true);
                 w.cancelPassword = true;
             },
         .window = {"AskPassword"}},
        {.name = "held by another run",
         .button = kDecrypt,
         .setUp =
             [](auto& f, auto&) {
                 f.Add("f", Encrypted(Plain(10)), true);
                 f.files["f"].lockedElsewhere = true;
             },
         .window = {},
         .error = "ﾌｧｲﾙは別の Kryvet が使用中です"},
        // The body would be cut in the wrong place: refused before the prompt.
        {.name = "stored size beyond the body",
         .button = kDecrypt,
         .setUp =
             [](auto& f, auto&) {
                 std::string data = Encrypted(Plain(10));
                 data[64] = 11;
                 f.Add("f", data);
             },
         .window = {},
         .error = "ﾌｧｲﾙの大きさが暗号化した時と違うため、ﾌｧｲﾙには手を付けていません"},
        {.name = "a line appended",
         .button = kDecrypt,
         .setUp = [](auto& f,
                     auto&) { f.Add("f", Encrypted(Plain(10)) + "one more line\n", true); },
         .window = {},
         .error = "ﾌｧｲﾙの大きさが暗号化した時と違うため、ﾌｧｲﾙには手を付けていません"},
        {.name = "the trailer cut off",
         .button = kDecrypt,
         .setUp = [](auto& f, auto&) { f.Add("f", Encrypted(Plain(200)).substr(0, 270), true); },
         .window = {},
         .error = "ﾌｧｲﾙの大きさが暗号化した時と違うため、ﾌｧｲﾙには手を付けていません"},
        {.name = "stored size zero",
         .button = kDecrypt,
         .setUp =
             [](auto& f, auto&) {
                 std::string data = Encrypted(Plain(10));
                 data[64] = 0;
                 f.Add("f", data);
             },
         .window = {"LeaveBuFukugo", "Notice:NoAngo", "Focus:EditFileName"}},
        {.name = "stored size negative",
         .button = kDecrypt,
         .setUp =
             [](auto& f, auto&) {
                 std::string data = Encrypted(Plain(10));
                 data[67] = static_cast<char>(0x80);
                 f.Add("f", data);
             },
         .window = {"LeaveBuFukugo", "Notice:NoAngo", "Focus:EditFileName"}},
        {.name = "size unreadable",
         .button = kDecrypt,
         .setUp =
             [](auto& f, auto&) {
                 f.Add("f", Encrypted(Plain(10)), true);
                 f.fault = MemoryPlatform::Fault{"Status", 1, -1, EACCES};
             },
         .window = {},
         .error = "ﾌｧｲﾙへのｱｸｾｽが拒否されました"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const RunOutcome out = RunCase(c.button == kEncrypt, c);
        EXPECT_EQ(out.window, c.window);
        EXPECT_EQ(out.error, c.error);
    }
}

// A failed read, write or seek in the middle of a rewrite stops it: the file
// is put back as it was, closed, the window idle, the attributes as they
// were, and the error shown with the word that the file was restored.
TEST(Refusals, RewriteFailuresStopAtOnce) {
    const struct {
        bool encrypt;
        const char* operation;
        int nth;
        std::int64_t result;
        int error;
        const char* message;
        // Once a region may have been touched the records stand, and the
        // next press finishes; before, the file is put back.
        bool resumable;
    } cases[] = {
        {true, "_lread", 4, -1, EIO, "I/O ｴﾗｰ (5)", false},
        {true, "_lwrite", 6, -1, ENOSPC, "ﾃﾞｨｽｸがいっぱいです", false},
        // A short write of the body, ending where a disk's blocks do.
        {true, "_lwrite", 10, 0, 0, "ﾃﾞｨｽｸがいっぱいです", true},
        {true, "_llseek", 3, -1, EIO, "I/O ｴﾗｰ (5)", false},
        {true, "FlushData", 1, -1, EIO, "I/O ｴﾗｰ (5)", false},
        {false, "_lread", 7, -1, EIO, "I/O ｴﾗｰ (5)", false},
        {false, "_lwrite", 2, -1, EIO, "I/O ｴﾗｰ (5)", false},
        {false, "_llseek", 4, -1, EIO, "I/O ｴﾗｰ (5)", false},
        {false, "FlushData", 1, -1, EIO, "I/O ｴﾗｰ (5)", false},
        {false, "FlushAll", 2, -1, EIO, "I/O ｴﾗｰ (5)", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << (c.encrypt ? "encrypt " : "decrypt ") << c.operation << " #" << c.nth);
        MemoryPlatform files;
        files.Add("f", c.encrypt ? Plain(3000) : Encrypted(Plain(3000), kReadOnly));
        const std::int32_t attributes = files.files["f"].attributes;
        const std::string before = files.Data("f");
        files.fault = MemoryPlatform::Fault{c.operation, c.nth, c.result, c.error};
        RecordingWindow window;
        window.fileName = "f";
        window.password = "pw";
        ProgramState state;
        std::string message;
        try {
            if (c.encrypt) {
                EncryptInPlace(window, files, state, {1});
            } else {
                DecryptInPlace(window, files, state, {1});
            }
        } catch (const OperationError& e) {
            message = e.what();
        }
        EXPECT_EQ(message, std::string(c.message) +
                               (c.resumable ? "\n中断された処理の記録は残っています。"
                                              "もう一度押すと続きから完了します"
                                            : "\nファイルは処理の前の状態に戻しました"));
        EXPECT_EQ(files.Data("f") == before, !c.resumable) << "put back byte for byte";
        EXPECT_EQ(files.OpenHandles(), 0);
        EXPECT_EQ(window.log.back(), c.encrypt ? "LeaveBuAngo" : "LeaveBuFukugo");
        // The final mode goes on while the records stand, and stays.
        if (!c.resumable) {
            EXPECT_EQ(files.files["f"].attributes, attributes);
        }
        EXPECT_NE(window.gauge.back(), 100) << "no success after a failure";
        for (const auto& entry : files.log) {
            EXPECT_EQ(entry.find("_lwrite(-"), std::string::npos) << "negative count written";
        }
        if (c.resumable) {
            files.fault.reset();
            RecordingWindow again;
            again.fileName = "f";
            DecryptInPlace(again, files, state, {1});
            // A finished encryption is followed by the decryption pressed for,
            // which asks for the password (not given here).
            const std::vector<std::string> end =
                c.encrypt ? std::vector<std::string>{"Notice:RecoveredEncryption", "AskPassword"}
                          : std::vector<std::string>{"Notice:RecoveredDecryption"};
            ASSERT_GE(again.log.size(), end.size());
            EXPECT_EQ(std::vector<std::string>(again.log.end() - end.size(), again.log.end()), end);
            EXPECT_TRUE(files.Data("f") ==
                        (c.encrypt ? Encrypted(Plain(3000), attributes) : Plain(3000)));
        }
    }
}

TEST(Refusals, SizeFailureRestoresReadOnlyProtection) {
    for (bool encrypt : {true, false}) {
        MemoryPlatform files;
        files.Add("f", encrypt ? Plain(10) : Encrypted(Plain(10), kReadOnly), true);
        files.files["f"].lockedElsewhere = true;  // another instance rewrites it
        RecordingWindow window;
        window.fileName = "f";
        ProgramState state;
        auto run = [&] {
            encrypt ? EncryptInPlace(window, files, state) : DecryptInPlace(window, files, state);
        };
        EXPECT_THROW(run(), OperationError);
        EXPECT_EQ(files.files["f"].attributes, kReadOnly);
    }
}

// Whatever another program does to the file or its name while the password
// is asked, the run is refused before any byte changes, on either file.
TEST(Refusals, FileChangedDuringThePrompt) {
    using Change = std::function<void(MemoryPlatform&)>;
    using Expect = std::function<std::string(std::string)>;
    const struct {
        const char* name;
        Change change;
        Expect expected;  // the named file afterwards, from what it held
    } cases[] = {
        {"appended", [](MemoryPlatform& f) { f.files["f"].data += "line\n"; },
         [](std::string s) { return s + "line\n"; }},
        {"rewritten in place, same size",
         [](MemoryPlatform& f) {
             f.files["f"].data[5] ^= 1;
             ++f.files["f"].modified;
         },
         [](std::string s) {
             s[5] ^= 1;
             return s;
         }},
        {"renamed over, same size",
         [](MemoryPlatform& f) {
             std::string s = f.Data("f");
             s.back() ^= 1;
             f.Replace("f", s);
         },
         [](std::string s) {
             s.back() ^= 1;
             return s;
         }},
        {"renamed over, other size", [](MemoryPlatform& f) { f.Replace("f", "other"); },
         [](std::string) { return std::string("other"); }},
    };
    for (const auto& c : cases) {
        for (const bool encrypt : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (encrypt ? " (encrypt)" : " (decrypt)"));
            MemoryPlatform files;
            const std::string start = encrypt ? Plain(1000) : Encrypted(Plain(1000), kReadOnly);
            files.Add("f", start, !encrypt);
            RecordingWindow window;
            window.fileName = "f";
            window.password = "pw";
            window.onAskPassword = [&] { c.change(files); };
            ProgramState state;
            std::string message;
            try {
                encrypt ? EncryptInPlace(window, files, state)
                        : DecryptInPlace(window, files, state);
            } catch (const OperationError& e) {
                message = e.what();
            }
            EXPECT_EQ(message, "ﾌｧｲﾙが他のﾌﾟﾛｸﾞﾗﾑによって変更されました");
            EXPECT_EQ(files.Data("f"), c.expected(start));
            EXPECT_EQ(files.Calls("_lwrite"), 0) << "nothing written to either file";
            EXPECT_EQ(files.OpenHandles(), 0);
            EXPECT_EQ(window.log.back(), encrypt ? "LeaveBuAngo" : "LeaveBuFukugo");
        }
    }
}

TEST(Refusals, WrongThenRightPasswordAndEncryptingTwice) {
    MemoryPlatform files;
    const std::string plain = Plain(2000);
    files.Add("f", plain);
    RecordingWindow window;
    window.fileName = "f";
    window.password = "right";
    ProgramState state;
    EncryptInPlace(window, files, state);
    const std::string encrypted = files.Data("f");
    // A second encryption is refused before any password prompt.
    window.log.clear();
    EncryptInPlace(window, files, state);
    EXPECT_EQ(window.log,
              (std::vector<std::string>{"LeaveBuAngo", "Notice:ExitAnko", "Focus:EditFileName"}));
    EXPECT_EQ(files.Data("f"), encrypted);
    EXPECT_EQ(files.files["f"].attributes & 1, 1);
    window.password = "Right";
    DecryptInPlace(window, files, state);
    EXPECT_EQ(files.Data("f"), encrypted);
    window.password = "right";
    window.log.clear();
    DecryptInPlace(window, files, state);
    EXPECT_EQ(files.Data("f"), plain);
    EXPECT_EQ(window.log,
              (std::vector<std::string>{"AskPassword", "EnterBuFukugo", "LeaveBuFukugo"}));
    EXPECT_EQ(window.passwordAskedFor, OperationButton::BuFukugo);
}

TEST(Refusals, SuccessfulEncryptionAndNothingChangedBeforeThePassword) {
    MemoryPlatform files;
    files.Add("f", Plain(100), true);
    RecordingWindow window;
    window.fileName = "f";
    window.password = "pw";
    ProgramState state;
    EncryptInPlace(window, files, state);
    EXPECT_EQ(window.log, (std::vector<std::string>{"AskPassword", "EnterBuAngo", "LeaveBuAngo"}));
    EXPECT_EQ(window.passwordAskedFor, OperationButton::BuAngo);
    // Read-only before, so the stored attributes carry the bit; read-only after.
    EXPECT_EQ(static_cast<unsigned char>(files.Data("f")[68]), 0x01);
    EXPECT_EQ(files.files["f"].attributes, kReadOnly);
    // Nothing of the file changes before the password is given: not its
    // bytes, not its mode, no space allocated.
    files.Add("g", Plain(100), true);
    const MemoryPlatform::File before = files.files["g"];
    window.fileName = "g";
    window.onAskPassword = [&] {
        const MemoryPlatform::File& now = files.files["g"];
        EXPECT_EQ(now.data, before.data);
        EXPECT_EQ(now.attributes, before.attributes);
        EXPECT_EQ(now.reservedBeyondEnd, 0);
        EXPECT_EQ(now.modified, before.modified);
    };
    EncryptInPlace(window, files, state);
    EXPECT_EQ(files.Data("g").size(), 228u);
}

// Sizes the layout's 32-bit count cannot hold are refused before anything
// changes, with the attributes as they were.
TEST(Refusals, FilesTooLargeForTheLayout) {
    const struct {
        bool encrypt;
        std::int64_t size;
        bool refused;
    } cases[] = {
        {true, 2147483647LL - 128, false},
        {true, 2147483647LL - 127, true},
        {true, 3LL << 30, true},
        {false, 2147483647LL + 129, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        MemoryPlatform files;
        files.Add("f", c.encrypt ? Plain(10) : Encrypted(Plain(10), kReadOnly), true);
        files.files["f"].reportedSize = c.size;
        RecordingWindow window;
        window.fileName = "f";
        window.password = "pw";
        ProgramState state;
        std::string message;
        try {
            c.encrypt ? EncryptInPlace(window, files, state) : DecryptInPlace(window, files, state);
        } catch (const OperationError& e) {
            message = e.what();
        }
        if (c.refused) {
            EXPECT_EQ(message, "ﾌｧｲﾙが大きすぎます");
            EXPECT_EQ(files.files["f"].attributes, kReadOnly);
            EXPECT_TRUE(window.log.empty()) << "no prompt, no busy state";
        } else {
            EXPECT_NE(message, "ﾌｧｲﾙが大きすぎます");
        }
        EXPECT_EQ(files.OpenHandles(), 0);
    }
}

// A file carrying the records of a rewrite that changed nothing yet, and
// the other button pressed. Made for another file: the question comes first,
// naming the operation the records are of; only a yes finishes it, under
// that operation's label and notice; they are never dropped unasked. Made
// for this file: it is put back as it was, and the notice says so. Either
// way the operation pressed for follows, and finds the file in the state it
// was before (a refusal notice here).
TEST(Refusals, RecordsOfAnotherFileWaitForTheUsersWord) {
    const std::string plain = Plain(3000);
    for (const bool encrypting : {true, false}) {
        const auto operation =
            encrypting ? journal::Operation::Encrypt : journal::Operation::Decrypt;
        const std::string before = encrypting ? plain : Encrypted(plain);
        const auto size = static_cast<std::int64_t>(before.size());
        const journal::Plan plan = *journal::PlanJournal(operation, size, 512, 1536, 1 << 30);
        const std::string button = encrypting ? "BuAngo" : "BuFukugo";
        const std::string pressed = encrypting ? "BuFukugo" : "BuAngo";
        // The first file a MemoryPlatform adds is device 1, inode 100.
        for (const auto& [own, agree] :
             {std::pair{false, false}, std::pair{false, true}, std::pair{true, false}}) {
            SCOPED_TRACE(testing::Message() << button << (own ? " own" : agree ? " yes" : " no"));
            const journal::Footer footer{operation, size, journal::SizeAfter(operation, size),
                                         0644,      plan, {1, own ? 100u : 4242u}};
            std::string file = before;
            file.resize(static_cast<std::size_t>(plan.end()), '\0');
            const journal::Sector sector = journal::EncodeFooter(footer);
            file.replace(static_cast<std::size_t>(plan.footerAt()), 512,
                         reinterpret_cast<const char*>(sector.data()), 512);
            MemoryPlatform files;
            files.Add("f", file);
            RecordingWindow window;
            window.fileName = "f";
            window.finishForeignRecord = agree;
            ProgramState state;
            encrypting ? DecryptInPlace(window, files, state)
                       : EncryptInPlace(window, files, state);
            std::vector<std::string> expected = {"AskFinishForeignRecord:" + button};
            if (agree)
                expected.insert(expected.end(), {"Enter" + button, "Leave" + button,
                                                 encrypting ? "Notice:RecoveredEncryption"
                                                            : "Notice:RecoveredDecryption"});
            if (own)
                expected = {"Leave" + pressed,
                            encrypting ? "Notice:UndoneEncryption" : "Notice:UndoneDecryption"};
            if (agree || own)
                expected.insert(expected.end(), {"Leave" + pressed,
                                                 encrypting ? "Notice:NoAngo" : "Notice:ExitAnko",
                                                 "Focus:EditFileName"});
            EXPECT_EQ(window.log, expected);
            EXPECT_TRUE(files.Data("f") == (agree || own ? before : file));
            EXPECT_EQ(files.OpenHandles(), 0);
        }
    }
}
