// The walk of file_list.h on Windows: each folder below a named one is held
// open, without sharing the right to delete it, so that it can be neither
// renamed nor removed while the walk is inside; a reparse point inside
// (a junction, a symbolic link, a mount point) is skipped, never followed.
#include <windows.h>

#include <algorithm>
#include <cerrno>

#include "cli/file_list.h"
#include "engine/windows_errors.h"
#include "engine/windows_paths.h"

namespace kryvet::cli {

// An entry of a folder as listed; outside the file's own namespace, since
// a folder's frame in the walk holds them.
struct Listed {
    std::string name;  // UTF-8
    DWORD attributes = 0;
    bool operator<(const Listed& other) const { return name < other.name; }
};

namespace {

HANDLE HandleOf(int fd) {
    return LongToHandle(fd);
}

int LastErrno() {
    return platform::ErrnoOfWindowsError(GetLastError());
}

// A folder opened for listing, held against renames and removal; `follow`
// only for a folder named on the command line, which resolves as typed.
HANDLE OpenFolder(const std::wstring& path, bool follow) {
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    return CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, flags, nullptr);
}

// The long form of the path a handle holds: no name on the way to it can
// be changed while it is held.
std::wstring PathOf(HANDLE handle) {
    wchar_t small[MAX_PATH];
    DWORD length = GetFinalPathNameByHandleW(handle, small, MAX_PATH, FILE_NAME_NORMALIZED);
    if (length > 0 && length < MAX_PATH) {
        return std::wstring(small, length);
    }
    std::wstring path(length, L'\0');
    length = GetFinalPathNameByHandleW(handle, path.data(), length, FILE_NAME_NORMALIZED);
    path.resize(length);
    return path;
}

bool ListFolder(HANDLE folder, std::vector<Listed>& entries, int& error) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileExW((PathOf(folder) + L"\\*").c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) {
        error = LastErrno();
        return false;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") {
            entries.push_back({platform::Utf8OfWide(name), found.dwFileAttributes});
        }
    } while (FindNextFileW(search, &found));
    error = GetLastError() == ERROR_NO_MORE_FILES ? 0 : LastErrno();
    FindClose(search);
    std::sort(entries.begin(), entries.end());
    return error == 0;
}

// Joined with a slash, which Windows takes as well, and which the quoting
// of names leaves as it is.
std::string Join(const std::string& folder, const std::string& entry) {
    return !folder.empty() && (folder.back() == '\\' || folder.back() == '/')
               ? folder + entry
               : folder + "/" + entry;
}

Target Problem(std::string name, Target::Kind kind, int error = 0) {
    Target target;
    target.name = std::move(name);
    target.kind = kind;
    target.error = error;
    return target;
}

}  // namespace

Descriptor::~Descriptor() {
    if (fd_ != -1) {
        CloseHandle(HandleOf(fd_));
    }
}

struct FileList::Frame {
    std::string path;
    std::shared_ptr<const Descriptor> directory;
    std::optional<dev_t> device;
    std::vector<Listed> entries;
    std::size_t next = 0;
};

FileList::FileList(std::vector<std::string> names, bool recursive, bool oneFileSystem)
    : names_(std::move(names)), recursive_(recursive), oneFileSystem_(oneFileSystem) {}

FileList::~FileList() = default;

std::optional<Target> FileList::Enter(std::string name, int fd, std::optional<dev_t> device) {
    auto directory = std::make_shared<const Descriptor>(fd);
    BY_HANDLE_FILE_INFORMATION info{};
    Frame frame;
    int error = 0;
    if (!GetFileInformationByHandle(HandleOf(fd), &info)) {
        return Problem(std::move(name), Target::Kind::Unlistable, LastErrno());
    }
    if (!ListFolder(HandleOf(fd), frame.entries, error)) {
        return Problem(std::move(name), Target::Kind::Unlistable, error);
    }
    frame.path = std::move(name);
    frame.directory = std::move(directory);
    frame.device = oneFileSystem_ ? std::optional<dev_t>(device.value_or(info.dwVolumeSerialNumber))
                                  : std::nullopt;
    stack_.push_back(std::move(frame));
    return std::nullopt;
}

std::optional<Target> FileList::Step(Frame& frame) {
    const Listed& entry = frame.entries[frame.next++];
    std::string path = Join(frame.path, entry.name);
    if ((entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return Problem(std::move(path), Target::Kind::Link);
    }
    if ((entry.attributes & FILE_ATTRIBUTE_DEVICE) != 0) {
        return Problem(std::move(path), Target::Kind::Special);
    }
    if ((entry.attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        // Pinned and checked only when its turn comes (TargetPin).
        Target file;
        file.name = std::move(path);
        file.directory = frame.directory;
        file.entry = entry.name;
        file.device = frame.device;
        return file;
    }
    const auto wide = platform::WideOfUtf8(entry.name);
    const HANDLE folder =
        OpenFolder(PathOf(HandleOf(frame.directory->fd())) + L"\\" + wide.value_or(L""), false);
    if (folder == INVALID_HANDLE_VALUE) {
        return Problem(std::move(path), Target::Kind::Unlistable, LastErrno());
    }
    // What was listed as a folder may be a reparse point by now.
    BY_HANDLE_FILE_INFORMATION info{};
    const bool looked = GetFileInformationByHandle(folder, &info) != 0;
    Target::Kind refused = Target::Kind::File;
    if (!looked || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        refused = Target::Kind::Link;
    } else if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        refused = Target::Kind::Special;
    } else if (frame.device && info.dwVolumeSerialNumber != *frame.device) {
        refused = Target::Kind::OtherFileSystem;
    }
    if (refused != Target::Kind::File) {
        CloseHandle(folder);
        return Problem(std::move(path), refused);
    }
    return Enter(std::move(path), HandleToLong(folder), frame.device);
}

std::optional<Target> FileList::Next() {
    for (;;) {
        while (!stack_.empty()) {
            Frame& frame = stack_.back();
            if (frame.next == frame.entries.size()) {
                stack_.pop_back();
                continue;
            }
            if (auto target = Step(frame)) {
                return target;
            }
        }
        if (nextName_ == names_.size()) {
            return std::nullopt;
        }
        std::string name = names_[nextName_++];
        const auto path = platform::LongPathOf(name);
        const DWORD attributes = path ? GetFileAttributesW(path->c_str()) : INVALID_FILE_ATTRIBUTES;
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            return Problem(std::move(name), Target::Kind::File);
        }
        if (!recursive_) {
            return Problem(std::move(name), Target::Kind::Directory);
        }
        const HANDLE folder = OpenFolder(*path, true);
        if (folder == INVALID_HANDLE_VALUE) {
            return Problem(std::move(name), Target::Kind::Unlistable, LastErrno());
        }
        if (auto problem = Enter(std::move(name), HandleToLong(folder), std::nullopt)) {
            return problem;
        }
    }
}

std::size_t CountFiles(const std::vector<std::string>& names, bool recursive, bool oneFileSystem) {
    std::size_t count = 0;
    FileList list(names, recursive, oneFileSystem);
    while (const auto target = list.Next()) {
        count += target->kind == Target::Kind::File ? 1 : 0;
    }
    return count;
}

}  // namespace kryvet::cli
