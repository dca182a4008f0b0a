// A file found inside a folder, looked at from that folder, which the walk
// holds against renames: a reparse point swapped in since the listing is
// skipped, and the engine is given the file's path through the held folder.
#include <windows.h>

#include "cli/target_pin.h"
#include "engine/windows_errors.h"
#include "engine/windows_paths.h"

namespace kryvet::cli {

TargetPin::TargetPin(const Target& target) {
    if (!target.directory) {
        engineName_ = target.name;
        return;
    }
    const HANDLE folder = LongToHandle(target.directory->fd());
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = GetFinalPathNameByHandleW(folder, path.data(), MAX_PATH, FILE_NAME_NORMALIZED);
    if (length >= MAX_PATH) {
        path.resize(length);
        length = GetFinalPathNameByHandleW(folder, path.data(), length, FILE_NAME_NORMALIZED);
    }
    path.resize(length);
    const auto entry = platform::WideOfUtf8(target.entry);
    const std::wstring file = path + L"\\" + entry.value_or(L"");
    const HANDLE look = CreateFileW(
        file.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    if (length == 0 || !entry || look == INVALID_HANDLE_VALUE ||
        !GetFileInformationByHandle(look, &info)) {
        kind_ = Target::Kind::Unreachable;
        error_ = platform::ErrnoOfWindowsError(GetLastError());
    } else if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        kind_ = Target::Kind::Link;  // swapped in since the folder was listed
    } else if ((info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0 ||
               GetFileType(look) != FILE_TYPE_DISK) {
        kind_ = Target::Kind::Special;
    } else if (target.device && info.dwVolumeSerialNumber != *target.device) {
        kind_ = Target::Kind::OtherFileSystem;
    } else {
        engineName_ = platform::Utf8OfWide(file);
    }
    if (look != INVALID_HANDLE_VALUE) {
        CloseHandle(look);
    }
}

}  // namespace kryvet::cli
