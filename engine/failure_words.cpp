#include "engine/failure_words.h"

#include <string_view>

namespace kryvet {

Words CauseWords(FailureKind kind) {
    switch (kind) {
        case FailureKind::FileTooLarge:
            return {"the file is too large for this format", "ﾌｧｲﾙが大きすぎます"};
        case FailureKind::FileChanged:
            return {"another program changed the file", "ﾌｧｲﾙが他のﾌﾟﾛｸﾞﾗﾑによって変更されました"};
        case FailureKind::RecordDamaged:
            return {"the records of an interrupted rewrite are damaged; the file was not touched",
                    "中断された処理の記録が壊れているため、ﾌｧｲﾙには手を付けていません"};
        case FailureKind::InUse:
            return {"another Kryvet is working on the file", "ﾌｧｲﾙは別の Kryvet が使用中です"};
        case FailureKind::SizeMismatch:
            return {
                "the file's size differs from the one it had when encrypted; the file was "
                "not touched",
                "ﾌｧｲﾙの大きさが暗号化した時と違うため、ﾌｧｲﾙには手を付けていません"};
        case FailureKind::RecordInside:
            return {
                "data was added behind the records of an interrupted rewrite; the file was "
                "not touched",
                "中断された処理の記録の後ろにﾃﾞｰﾀが追加されているため、"
                "ﾌｧｲﾙには手を付けていません"};
        case FailureKind::ForeignRecord:
            return {
                "the records of an interrupted rewrite were made for another file; the file "
                "was not touched",
                "中断された処理の記録が別のﾌｧｲﾙのものであるため、ﾌｧｲﾙには手を付けていません"};
        case FailureKind::System:
            break;
    }
    return {nullptr, nullptr};
}

Words FileStateWords(FileState state) {
    switch (state) {
        case FileState::Unchanged:
            break;
        case FileState::Restored:
            return {"; the file was put back as it was", "\nファイルは処理の前の状態に戻しました"};
        case FileState::Damaged:
            return {
                "; the file could not be put back: it was rewritten up to byte {1} and is "
                "damaged",
                "\nファイルを元に戻せませんでした。先頭から {1} バイト目までを書き換えた所で"
                "中断したため、ファイルは壊れています"};
        case FileState::Completed:
            return {"; the file was rewritten, but its permissions could not be set",
                    "\n処理は完了しましたが、ファイルの属性を変更できませんでした"};
        case FileState::Resumable:
            return {
                "; the records of the interrupted rewrite remain: run 'kryvet-cli recover' "
                "on the file to finish it",
                "\n中断された処理の記録は残っています。もう一度押すと続きから完了します"};
    }
    return {nullptr, nullptr};
}

std::string Fill(const char* text, std::initializer_list<std::string> values) {
    std::string out;
    for (std::string_view rest = text; !rest.empty();) {
        const std::size_t open = rest.find('{');
        if (open == std::string_view::npos || open + 2 >= rest.size() || rest[open + 2] != '}' ||
            rest[open + 1] < '1' || rest[open + 1] > '9') {
            out.append(rest.substr(0, open == std::string_view::npos ? rest.size() : open + 1));
            rest.remove_prefix(open == std::string_view::npos ? rest.size() : open + 1);
            continue;
        }
        out.append(rest.substr(0, open));
        const std::size_t index = static_cast<std::size_t>(rest[open + 1] - '1');
        if (index < values.size()) {
            out += *(values.begin() + index);
        }
        rest.remove_prefix(open + 3);
    }
    return out;
}

}  // namespace kryvet
