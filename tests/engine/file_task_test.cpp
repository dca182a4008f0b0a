// The engine's rules for a password and for what a file needs next, which
// every front end follows.
#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "engine/file_task.h"
#include "support/memory_platform.h"

using namespace kryvet;

namespace {

struct NoProgress : ProgressSink {
    void Progress(int) override {}
};

Password Made(const std::string& bytes) {
    return std::get<Password>(Password::FromShiftJis(bytes));
}

}  // namespace

TEST(Password, OnlyTextTheLayoutCanKeepIsAPassword) {
    struct Case {
        const char* what;
        std::string utf8;
        PasswordProblem::Kind problem;  // Empty with `shiftJis` set: no problem
        std::string shiftJis = {};
        std::string character = {};
    };
    const std::vector<Case> cases = {
        {.what = "ASCII", .utf8 = "pw", .problem = {}, .shiftJis = "pw"},
        {.what = "kana and kanji", .utf8 = "ｱ暗", .problem = {}, .shiftJis = "\xB1\x88\xC3"},
        {.what = "50 bytes",
         .utf8 = std::string(48, 'a') + "暗",
         .problem = {},
         .shiftJis = std::string(48, 'a') + "\x88\xC3"},
        {.what = "51 bytes",
         .utf8 = std::string(49, 'a') + "暗",
         .problem = PasswordProblem::Kind::TooLong},
        {.what = "empty", .utf8 = "", .problem = PasswordProblem::Kind::Empty},
        {.what = "no Shift-JIS form",
         .utf8 = "a\xE2\x82\xACz",  // the euro sign
         .problem = PasswordProblem::Kind::NoShiftJisForm,
         .shiftJis = {},
         .character = "\xE2\x82\xAC"},
        {.what = "broken UTF-8", .utf8 = "a\xC3", .problem = PasswordProblem::Kind::NotText},
        {.what = "zero byte",
         .utf8 = std::string("a\0b", 3),
         .problem = PasswordProblem::Kind::NotText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto made = Password::FromUtf8(c.utf8);
        if (!c.shiftJis.empty()) {
            ASSERT_TRUE(std::holds_alternative<Password>(made));
            EXPECT_EQ(std::get<Password>(made).shiftJis(), c.shiftJis);
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<PasswordProblem>(made));
        EXPECT_EQ(std::get<PasswordProblem>(made).kind, c.problem);
        EXPECT_EQ(std::get<PasswordProblem>(made).character, c.character);
    }
    // Bytes of no assigned Shift-JIS character are no typed text either.
    EXPECT_TRUE(std::holds_alternative<PasswordProblem>(Password::FromShiftJis("\x85\x40")));
    EXPECT_EQ(std::get<PasswordProblem>(Password::FromShiftJis(std::string(51, 'a'))).bytes, 51u);
}

// Each kind of file, and each answer a front end gives, leads to the step
// the engine names; a finished rewrite of the other operation is followed by
// the one asked.
TEST(FileTask, WhatAFileNeedsNext) {
    using K = NextStep::Kind;
    NoProgress none;
    const Password password = Made("pw");
    const Password wrong = Made("px");
    MemoryPlatform files;
    files.Add("plain", std::string(5000, 'p'));
    files.Add("empty", "");
    {
        FileTask task(files, Operation::Decrypt, "plain");
        EXPECT_EQ(task.next().kind, K::Refused);
        EXPECT_EQ(task.next().refusal, Refusal::NotEncrypted);
        EXPECT_THROW(task.Run(none), std::logic_error) << "nothing runs before its step";
    }
    EXPECT_EQ(FileTask(files, Operation::Encrypt, "empty").next().refusal, Refusal::EmptyFile);
    EXPECT_EQ(FileTask(files, Operation::Encrypt, "gone").next().refusal, Refusal::NotFound);
    {
        FileTask task(files, Operation::Encrypt, "plain");
        ASSERT_EQ(task.next().kind, K::Password);
        task.GivePassword(password);
        ASSERT_EQ(task.next().kind, K::Ready);
        EXPECT_EQ(task.next().size, 5000);
        EXPECT_TRUE(std::holds_alternative<Done>(task.Run(none)));
        EXPECT_EQ(task.next().kind, K::Done);
    }
    EXPECT_EQ(FileTask(files, Operation::Encrypt, "plain").next().refusal,
              Refusal::AlreadyEncrypted);
    {
        FileTask task(files, Operation::Decrypt, "plain");
        task.GivePassword(wrong);
        EXPECT_EQ(task.next().refusal, Refusal::WrongPassword);
        EXPECT_EQ(files.OpenHandles(), 0);
    }
    // Stopped after its first region: the records stand, and the next run
    // finishes them, whichever operation it was asked for.
    const std::string encrypted = files.Data("plain");
    for (const Operation asked : {Operation::Decrypt, Operation::Encrypt}) {
        SCOPED_TRACE(asked == Operation::Encrypt ? "asked to encrypt" : "asked to decrypt");
        MemoryPlatform files;
        files.Add("f", encrypted, true);
        {
            FileTask task(files, Operation::Decrypt, "f", {.unitBlocks = 1, .journalBlocks = 2});
            task.GivePassword(password);
            files.fault = MemoryPlatform::Fault{"_lwrite", 12};  // past its first region
            const Outcome stopped = task.Run(none);
            ASSERT_TRUE(std::holds_alternative<Failure>(stopped));
            ASSERT_EQ(std::get<Failure>(stopped).file, FileState::Resumable);
            files.fault.reset();
        }
        FileTask task(files, asked, "f");
        ASSERT_EQ(task.next().kind, K::Finish);
        EXPECT_EQ(task.next().operation, Operation::Decrypt);
        EXPECT_GT(task.next().percentDone, 0);
        EXPECT_LT(task.next().percentDone, 100);
        EXPECT_TRUE(std::holds_alternative<Done>(task.Run(none)));
        EXPECT_EQ(task.next().kind, asked == Operation::Decrypt ? K::Done : K::Password);
        task.Close();
        EXPECT_TRUE(files.Data("f") == std::string(5000, 'p'));
        EXPECT_EQ(files.OpenHandles(), 0);
    }
}
