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

}  // namespace kryvet::detail
