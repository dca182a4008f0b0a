#include "engine/operation_file.h"

#include "engine/io_error.h"

namespace kryvet::detail {

OperationFile::~OperationFile() {
    Close();
    ReleaseTermination();
}

void OperationFile::CheckSizeUnchanged(std::int64_t measured) const {
    const std::int64_t locked = files_.GetFileSize(handle_);
    if (locked < 0) {
        throw IoError::FromErrno(files_.LastError());
    }
    if (locked != measured) {
        throw IoError::FileChanged();
    }
}

void OperationFile::FlushAndClose() {
    if (files_.FlushData(handle_) != 0) {
        throw IoError::FromErrno(files_.LastError());
    }
    Close();
}

void OperationFile::Close() {
    if (open_) {
        open_ = false;
        files_._lclose(handle_);
    }
}

void OperationFile::HoldTermination() {
    if (!holding_) {
        holding_ = true;
        files_.HoldTermination();
    }
}

void OperationFile::ReleaseTermination() {
    if (holding_) {
        holding_ = false;
        files_.ReleaseTermination();
    }
}

platform::Handle OpenExclusively(platform::PlatformFile& files, OperationWindow& window,
                                 OperationButton button,
                                 const std::function<void()>& restoreAttributes) {
    platform::OfStruct fullPath;
    const platform::Handle handle = files.OpenFile(
        window.FileNameText(), fullPath, platform::kOfReadWrite | platform::kOfShareExclusive);
    if (handle < 0) {
        window.LeaveBusyState(button);
        restoreAttributes();
    }
    return handle;
}

void FinishRewrite(OperationFile& file, OperationWindow& window, OperationButton button,
                   const std::string& name, std::int32_t attributes) {
    file.FlushAndClose();
    if (attributes >= 0) {
        file.files().SetFileAttributesA(name, attributes);
    }
    file.ReleaseTermination();
    window.SetGaugeProgress(100);
    window.LeaveBusyState(button);
}

void AbandonOperation(OperationFile& file, OperationWindow& window, OperationButton button,
                      const std::function<void()>& restoreAttributes) {
    file.Close();
    window.LeaveBusyState(button);
    restoreAttributes();
    file.ReleaseTermination();
}

}  // namespace kryvet::detail
