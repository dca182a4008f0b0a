#include "io_error.h"

#include <cerrno>

namespace kryvet {

int ClassicCodeForErrno(int e) {
    switch (e) {
        case ENOENT:
            return 2;
        case ENOTDIR:
        case ENAMETOOLONG:
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
        case EDQUOT:
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
    const int classic = ClassicCodeForErrno(errnoValue);
    if (classic != 0) {
        return ClassicErrorMessage(classic);
    }
    return "I/O ｴﾗｰ (" + std::to_string(errnoValue) + ")";
}

IoError IoError::FromErrno(int errnoValue) {
    return IoError(errnoValue, ErrnoMessage(errnoValue));
}

IoError IoError::FromClassicCode(int code) {
    return IoError(code, ClassicErrorMessage(code));
}

IoError IoError::FileTooLarge() {
    return IoError(EFBIG, "ﾌｧｲﾙが大きすぎます");
}

IoError IoError::FileChanged() {
    return IoError(ESTALE, "ﾌｧｲﾙが他のﾌﾟﾛｸﾞﾗﾑによって変更されました");
}

IoError::IoError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}

}  // namespace kryvet
