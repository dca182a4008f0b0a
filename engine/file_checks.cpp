#include "engine/file_checks.h"

#include "engine/io_error.h"

namespace kryvet {

bool CheckFileName(OperationWindow& window, platform::PlatformFile& files) {
    const std::string name = window.FileNameText();
    if (name.empty()) {
        return true;
    }
    platform::FindData data;
    const int search = files.FindFirstFileA(window.FileNameText(), data);
    if (search >= 0) {
        files.FindClose(search);
        if ((data.dwFileAttributes & platform::kAttrDirectory) == 0) {
            return false;
        }
    }
    window.ShowNotice(Notice::NotFile);
    return true;
}

std::int64_t MeasureFileSize(platform::PlatformFile& files, const std::string& name) {
    const platform::Handle handle = files.CreateFileA(name);
    if (handle < 0) {
        throw IoError::FromErrno(files.LastError());
    }
    const std::int64_t size = files.GetFileSize(handle);
    if (size < 0) {
        const int error = files.LastError();
        files.CloseHandle(handle);
        throw IoError::FromErrno(error);
    }
    if (!files.CloseHandle(handle)) {
        throw IoError::FromErrno(files.LastError());
    }
    return size;
}

std::int32_t SaveAndClearReadOnly(platform::PlatformFile& files, const std::string& name) {
    const std::int32_t attributes = files.GetFileAttributesA(name);
    if (attributes >= 0) {
        files.SetFileAttributesA(name, attributes & ~platform::kAttrReadOnly);
    }
    return attributes;
}

void RestoreAttributes(platform::PlatformFile& files, const std::string& name,
                       std::int32_t attributes) {
    if (attributes >= 0) {
        files.SetFileAttributesA(name, attributes);
    }
}

}  // namespace kryvet
