#include "app/error_messages.h"

#include <cerrno>

namespace kryvet {

int ClassicCodeForErrno(int e) {
    switch (e) {
        case ENOENT:
            return 2;
        case ENOTDIR:
        case ELOOP:
            return 3;
        case EMFILE:
        case ENFILE:
            return 4;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case EBUSY:
        case ETXTBSY:
            return 5;
        case ENOSPC:
#ifdef EDQUOT  // not in Windows' C library
        case EDQUOT:
#endif
            return 101;
        default:
            return 0;
    }
}

std::string ClassicErrorMessage(int code) {
    switch (code) {
        case 2:
            return "ﾌｧｲﾙが見つかりません";
        case 3:
            return "不正なﾌｧｲﾙ名です";
        case 4:
            return "ｵｰﾌﾟﾝしたﾌｧｲﾙが多すぎます";
        case 5:
            return "ﾌｧｲﾙへのｱｸｾｽが拒否されました";
        case 100:
            return "ﾌｧｲﾙの末尾以降を読み込みました";
        case 101:
            return "ﾃﾞｨｽｸがいっぱいです";
        case 106:
            return "入力値が数値ではありません";
        default:
            return "I/O ｴﾗｰ (" + std::to_string(code) + ")";
    }
}

std::string ErrnoMessage(int errnoValue) {
    // A name too long for the system is said as such: "invalid file name"
    // would send the user looking for a typing error.
    if (errnoValue == ENAMETOOLONG) {
        return "ﾌｧｲﾙ名が長すぎます";
    }
    const int classic = ClassicCodeForErrno(errnoValue);
    if (classic != 0) {
        return ClassicErrorMessage(classic);
    }
    return "I/O ｴﾗｰ (" + std::to_string(errnoValue) + ")";
}

namespace {

std::string CauseText(const Failure& failure) {
    switch (failure.kind) {
        case FailureKind::FileTooLarge:
            return "ﾌｧｲﾙが大きすぎます";
        case FailureKind::FileChanged:
            return "ﾌｧｲﾙが他のﾌﾟﾛｸﾞﾗﾑによって変更されました";
        case FailureKind::RecordDamaged:
            return "中断された処理の記録が壊れているため、ﾌｧｲﾙには手を付けていません";
        case FailureKind::InUse:
            return "ﾌｧｲﾙは別の Kryvet が使用中です";
        case FailureKind::SizeMismatch:
            return "ﾌｧｲﾙの大きさが暗号化した時と違うため、ﾌｧｲﾙには手を付けていません";
        case FailureKind::RecordInside:
            return "中断された処理の記録の後ろにﾃﾞｰﾀが追加されているため、"
                   "ﾌｧｲﾙには手を付けていません";
        case FailureKind::ForeignRecord:
            return "中断された処理の記録が別のﾌｧｲﾙのものであるため、ﾌｧｲﾙには手を付けていません";
        case FailureKind::System:
            break;
    }
    return ErrnoMessage(failure.error);
}

}  // namespace

std::string FailureMessage(const Failure& failure) {
    const std::string cause = CauseText(failure);
    switch (failure.file) {
        case FileState::Unchanged:
            return cause;
        case FileState::Restored:
            return cause + "\nファイルは処理の前の状態に戻しました";
        case FileState::Damaged:
            return cause + "\nファイルを元に戻せませんでした。先頭から " +
                   std::to_string(failure.stoppedAt) +
                   " バイト目までを書き換えた所で中断したため、ファイルは壊れています";
        case FileState::Completed:
            return cause + "\n処理は完了しましたが、ファイルの属性を変更できませんでした";
        case FileState::Resumable:
            return cause + "\n中断された処理の記録は残っています。もう一度押すと続きから完了します";
    }
    return cause;
}

OperationError::OperationError(const Failure& failure)
    : std::runtime_error(FailureMessage(failure)), failure_(failure) {}

}  // namespace kryvet
