#include "app/error_messages.h"

#include <cerrno>

#include "engine/failure_words.h"

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

std::string FailureMessage(const Failure& failure) {
    const char* cause = CauseWords(failure.kind).japanese;
    const char* state = FileStateWords(failure.file).japanese;
    return (cause != nullptr ? std::string(cause) : ErrnoMessage(failure.error)) +
           (state != nullptr ? Fill(state, {std::to_string(failure.stoppedAt)}) : "");
}

OperationError::OperationError(const Failure& failure)
    : std::runtime_error(FailureMessage(failure)), failure_(failure) {}

}  // namespace kryvet
