#include <gtest/gtest.h>

#include <cerrno>

#include "app/error_messages.h"
#include "engine/cp932.h"

using namespace kryvet;

TEST(IoErrors, ErrnoMessages) {
    const struct {
        int error;
        const char* message;
    } cases[] = {
        {ENOENT, "ﾌｧｲﾙが見つかりません"},
        {ENOTDIR, "不正なﾌｧｲﾙ名です"},
        {ENAMETOOLONG, "ﾌｧｲﾙ名が長すぎます"},  // said as it is, not as a typing error
        {ELOOP, "不正なﾌｧｲﾙ名です"},
        {EMFILE, "ｵｰﾌﾟﾝしたﾌｧｲﾙが多すぎます"},
        {ENFILE, "ｵｰﾌﾟﾝしたﾌｧｲﾙが多すぎます"},
        {EACCES, "ﾌｧｲﾙへのｱｸｾｽが拒否されました"},
        {EPERM, "ﾌｧｲﾙへのｱｸｾｽが拒否されました"},
        {EROFS, "ﾌｧｲﾙへのｱｸｾｽが拒否されました"},
        {EISDIR, "ﾌｧｲﾙへのｱｸｾｽが拒否されました"},
        {EBUSY, "ﾌｧｲﾙへのｱｸｾｽが拒否されました"},
        {ETXTBSY, "ﾌｧｲﾙへのｱｸｾｽが拒否されました"},
        {ENOSPC, "ﾃﾞｨｽｸがいっぱいです"},
        {EDQUOT, "ﾃﾞｨｽｸがいっぱいです"},
        {EIO, "I/O ｴﾗｰ (5)"},  // errno 5 is not "access denied"
        {EFBIG, "I/O ｴﾗｰ (27)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ErrnoMessage(c.error), c.message) << c.error;
        EXPECT_EQ(FailureMessage(Failure{FailureKind::System, c.error}), c.message);
    }
    EXPECT_EQ(ClassicErrorMessage(100), "ﾌｧｲﾙの末尾以降を読み込みました");
    EXPECT_EQ(ClassicErrorMessage(106), "入力値が数値ではありません");
    EXPECT_EQ(ClassicErrorMessage(32), "I/O ｴﾗｰ (32)");
    EXPECT_EQ(FailureMessage(Failure{FailureKind::FileTooLarge}), "ﾌｧｲﾙが大きすぎます");
}

// The second line says what became of the file; never success, never silence.
TEST(IoErrors, WhatBecameOfTheFile) {
    const struct {
        Failure failure;
        const char* message;
    } cases[] = {
        {{FailureKind::System, ENOSPC, FileState::Unchanged}, "ﾃﾞｨｽｸがいっぱいです"},
        {{FailureKind::System, ENOSPC, FileState::Restored},
         "ﾃﾞｨｽｸがいっぱいです\nファイルは処理の前の状態に戻しました"},
        {{FailureKind::FileChanged, 0, FileState::Restored},
         "ﾌｧｲﾙが他のﾌﾟﾛｸﾞﾗﾑによって変更されました\nファイルは処理の前の状態に戻しました"},
        {{FailureKind::System, EIO, FileState::Damaged, 1048576},
         "I/O ｴﾗｰ (5)\nファイルを元に戻せませんでした。先頭から 1048576 "
         "バイト目までを書き換えた所で中断したため、ファイルは壊れています"},
        {{FailureKind::System, EPERM, FileState::Completed},
         "ﾌｧｲﾙへのｱｸｾｽが拒否されました\n処理は完了しましたが、ファイルの属性を変更できませんでし"
         "た"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FailureMessage(c.failure), c.message);
        EXPECT_STREQ(OperationError(c.failure).what(), c.message);
    }
}

TEST(Cp932, LengthsAndUnmappableCharacters) {
    const struct {
        const char* utf8;
        std::optional<std::size_t> length;
    } cases[] = {
        {"abc", 3},
        {"ｱｲｳ", 3},  // half-width katakana: one byte each
        {"暗号化", 6},
        {"Ｐａｓｓ", 8},
        {"\xf0\x9f\x94\x91", std::nullopt},  // a key emoji has no Shift-JIS form
        {"", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Cp932Length(c.utf8), c.length) << c.utf8;
    }
    EXPECT_EQ(*Utf8ToCp932("暗"), "\x88\xc3");
    EXPECT_EQ(*Cp932ToUtf8("\x88\xc3"), "暗");
    EXPECT_EQ(Cp932LengthForLimit("a\xf0\x9f\x94\x91暗"), 1u + 4u + 2u);
}
