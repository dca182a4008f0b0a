#include "engine/platform_file_windows.h"

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <mutex>

#include "engine/windows_errors.h"
#include "engine/windows_paths.h"

namespace kryvet::platform {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Between FILETIME's epoch (1601) and the Unix one, in 100 ns.
constexpr std::int64_t kEpochDifference = 116444736000000000;

// Console events come on a thread of the system's; while a file is being
// made whole they wait here. Process-wide, as the console's handlers are.
struct TerminationGate {
    std::mutex mutex;
    std::condition_variable released;
    int holders = 0;

    static TerminationGate& Get() {
        static TerminationGate gate;
        return gate;
    }
    static BOOL WINAPI WaitWhileHeld(DWORD) {
        TerminationGate& gate = Get();
        std::unique_lock lock(gate.mutex);
        gate.released.wait(lock, [&] { return gate.holders == 0; });
        return FALSE;  // the handlers registered before, then the system's
    }
};

std::int64_t Int64Of(DWORD high, DWORD low) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low);
}

bool SetBasicAttributes(HANDLE handle, DWORD attributes) {
    FILE_BASIC_INFO basic{};  // times of 0 are left as they are
    attributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL);
    basic.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic) != 0;
}

bool ReadBasicAttributes(HANDLE handle, DWORD& attributes) {
    FILE_BASIC_INFO basic{};
    if (!GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic)) {
        return false;
    }
    attributes = basic.FileAttributes;
    return true;
}

HANDLE OpenAttributesOnly(const std::wstring& path, DWORD access) {
    // Backup semantics open a folder too, which the engine then sees is none.
    return CreateFileW(path.c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

WindowsPlatformFile::WindowsPlatformFile() {
    static const bool registered = SetConsoleCtrlHandler(TerminationGate::WaitWhileHeld, TRUE) != 0;
    (void)registered;
}

WindowsPlatformFile::~WindowsPlatformFile() {
    ReleaseTermination();
    for (auto& [id, entry] : entries_) {
        CloseHandle(entry.handle);
    }
}

int WindowsPlatformFile::FailWith(unsigned long windowsError) {
    lastWindowsError_ = windowsError;
    lastError_ = ErrnoOfWindowsError(static_cast<std::uint32_t>(windowsError));
    return -1;
}

int WindowsPlatformFile::Fail() {
    return FailWith(GetLastError());
}

WindowsPlatformFile::Entry* WindowsPlatformFile::Find(Handle handle) {
    const auto it = entries_.find(handle);
    if (it == entries_.end()) {
        FailWith(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return &it->second;
}

Handle WindowsPlatformFile::Add(void* handle, std::wstring path, std::uint64_t volume) {
    const Handle id = next_++;
    entries_.emplace(id, Entry{handle, std::move(path), volume});
    return id;
}

namespace {
int FillStatus(HANDLE handle, FileStatus& status);
}  // namespace

Handle WindowsPlatformFile::Pin(const std::string& name) {
    const auto path = name.empty() ? std::nullopt : LongPathOf(name);
    if (!path) {
        return FailWith(name.empty() ? ERROR_FILE_NOT_FOUND : ERROR_INVALID_NAME);
    }
    // The attributes may be changed through the pin; where they may not (a
    // read-only disk), a pin that can only look will do.
    HANDLE handle = OpenAttributesOnly(*path, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
    if (handle == INVALID_HANDLE_VALUE &&
        (GetLastError() == ERROR_ACCESS_DENIED || GetLastError() == ERROR_WRITE_PROTECT)) {
        handle = OpenAttributesOnly(*path, FILE_READ_ATTRIBUTES);
    }
    FileStatus status;
    if (handle == INVALID_HANDLE_VALUE) {
        return Fail();
    }
    if (FillStatus(handle, status) != 0) {
        const int failed = Fail();
        CloseHandle(handle);
        return failed;
    }
    return Add(handle, *path, status.identity.device);
}

namespace {

int FillStatus(HANDLE handle, FileStatus& status) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info)) {
        return -1;
    }
    const DWORD attributes = info.dwFileAttributes;
    status.identity = {info.dwVolumeSerialNumber, static_cast<std::uint64_t>(Int64Of(
                                                      info.nFileIndexHigh, info.nFileIndexLow))};
    status.regular = (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0 &&
                     GetFileType(handle) == FILE_TYPE_DISK;
    // Read-only is the one permission Windows has; nobody but the user writes.
    status.mode = (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444u : 0644u;
    status.size = Int64Of(info.nFileSizeHigh, info.nFileSizeLow);
    FILE_STANDARD_INFO standard{};
    status.allocated =
        GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard)
            ? standard.AllocationSize.QuadPart
            : status.size;
    const std::int64_t written =
        Int64Of(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime);
    status.modifiedNs = (written - kEpochDifference) * 100;
    status.attributes = static_cast<std::int32_t>(attributes & 0x7FFFFFFF);
    return 0;
}

}  // namespace

int WindowsPlatformFile::Status(Handle handle, FileStatus& status) {
    Entry* entry = Find(handle);
    if (entry == nullptr) {
        return -1;
    }
    if (FillStatus(entry->handle, status) != 0) {
        return Fail();
    }
    status.identity.device = entry->volume;
    return 0;
}

int WindowsPlatformFile::StatusOfName(const std::string& name, FileStatus& status) {
    const auto path = LongPathOf(name);
    if (!path) {
        return FailWith(ERROR_INVALID_NAME);
    }
    HANDLE handle = OpenAttributesOnly(*path, FILE_READ_ATTRIBUTES);
    if (handle == INVALID_HANDLE_VALUE) {
        return Fail();
    }
    const int result = FillStatus(handle, status) == 0 ? 0 : Fail();
    CloseHandle(handle);
    return result;
}

int WindowsPlatformFile::SetMode(Handle handle, unsigned mode) {
    Entry* entry = Find(handle);
    DWORD attributes = 0;
    if (entry == nullptr || !ReadBasicAttributes(entry->handle, attributes)) {
        return entry == nullptr ? -1 : Fail();
    }
    const bool readOnly = (mode & 0200u) == 0;
    const DWORD wanted = readOnly ? attributes | FILE_ATTRIBUTE_READONLY
                                  : attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
    if (wanted == attributes) {
        return 0;
    }
    return SetBasicAttributes(entry->handle, wanted) ? 0 : Fail();
}

int WindowsPlatformFile::SetAttributes(Handle handle, std::int32_t word) {
    constexpr DWORD kGiven = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    Entry* entry = Find(handle);
    DWORD attributes = 0;
    if (entry == nullptr || !ReadBasicAttributes(entry->handle, attributes)) {
        return entry == nullptr ? -1 : Fail();
    }
    const DWORD wanted = (attributes & ~kGiven) | (static_cast<DWORD>(word) & kGiven);
    if (wanted == attributes) {
        return 0;
    }
    // Wine keeps hidden and system beside the file, which a read-only file
    // refuses to its owner: the bits are given while it is writable.
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
        !SetBasicAttributes(entry->handle, wanted & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY))) {
        return Fail();
    }
    return SetBasicAttributes(entry->handle, wanted) ? 0 : Fail();
}

Handle WindowsPlatformFile::OpenPinned(Handle pinned, Access access) {
    Entry* pin = Find(pinned);
    FileStatus pinnedStatus;
    if (pin == nullptr || Status(pinned, pinnedStatus) != 0) {
        return -1;
    }
    const bool writing = access == Access::ReadWrite;
    // Checked here too: an administrator opens a read-only file for writing.
    if (writing && (pinnedStatus.attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return FailWith(ERROR_ACCESS_DENIED);
    }
    // Looking shares everything; a rewrite shares nothing, and a read-only
    // file waiting for its password lets others read it, as on Linux.
    const DWORD share = access == Access::Look   ? kShareAll
                        : access == Access::Read ? FILE_SHARE_READ
                                                 : 0;
    const DWORD wanted = GENERIC_READ | (writing ? GENERIC_WRITE : 0);
    // The name is looked up again, so what it leads to must be the pinned
    // file: a file swapped in meanwhile is refused, never taken.
    HANDLE handle = CreateFileW(pin->path.c_str(), wanted, share, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // The pinned file moved away: the name leads nowhere, or to a folder.
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            lastWindowsError_ = error;
            lastError_ = kErrorNotPinnedFile;
            return -1;
        }
        return FailWith(error);
    }
    FileStatus opened;
    DWORD why = 0;
    if (FillStatus(handle, opened) != 0) {
        why = GetLastError();
    } else if (!(opened.identity == pinnedStatus.identity)) {
        CloseHandle(handle);
        lastWindowsError_ = 0;
        lastError_ = kErrorNotPinnedFile;
        return -1;
    } else if (!opened.regular) {
        why = ERROR_ACCESS_DENIED;
    } else if (access != Access::Look) {
        OVERLAPPED whole{};
        const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (writing ? LOCKFILE_EXCLUSIVE_LOCK : 0);
        DWORD volumeFlags = 0;
        if (!LockFileEx(handle, flags, 0, MAXDWORD, MAXDWORD, &whole)) {
            why = ERROR_LOCK_VIOLATION;
        } else if (!writing &&
                   GetVolumeInformationByHandleW(handle, nullptr, 0, nullptr, nullptr, &volumeFlags,
                                                 nullptr, 0) &&
                   (volumeFlags & FILE_READ_ONLY_VOLUME) != 0) {
            why = ERROR_WRITE_PROTECT;
        }
    }
    if (why != 0) {
        CloseHandle(handle);
        return FailWith(why);
    }
    return Add(handle, pin->path, pin->volume);
}

std::int32_t WindowsPlatformFile::_lread(Handle handle, void* buffer, std::int32_t count) {
    Entry* entry = Find(handle);
    if (entry == nullptr) {
        return -1;
    }
    if (count < 0) {
        return FailWith(ERROR_INVALID_PARAMETER);
    }
    auto* out = static_cast<char*>(buffer);
    std::int32_t total = 0;
    while (total < count) {
        DWORD n = 0;
        if (!ReadFile(entry->handle, out + total, static_cast<DWORD>(count - total), &n, nullptr)) {
            return Fail();
        }
        if (n == 0) {
            break;
        }
        total += static_cast<std::int32_t>(n);
    }
    return total;
}

std::int32_t WindowsPlatformFile::_lwrite(Handle handle, const void* buffer, std::int32_t count) {
    Entry* entry = Find(handle);
    if (entry == nullptr) {
        return -1;
    }
    if (count < 0) {
        return FailWith(ERROR_INVALID_PARAMETER);
    }
    if (count == 0) {
        return SetEndOfFile(entry->handle) ? 0 : Fail();
    }
    const auto* in = static_cast<const char*>(buffer);
    std::int32_t total = 0;
    while (total < count) {
        DWORD n = 0;
        if (!WriteFile(entry->handle, in + total, static_cast<DWORD>(count - total), &n, nullptr)) {
            return Fail();
        }
        if (n == 0) {
            return FailWith(ERROR_DISK_FULL);
        }
        total += static_cast<std::int32_t>(n);
    }
    return total;
}

std::int64_t WindowsPlatformFile::_llseek(Handle handle, std::int64_t offset, int origin) {
    Entry* entry = Find(handle);
    if (entry == nullptr) {
        return -1;
    }
    DWORD method = FILE_BEGIN;
    if (origin == kFileCurrent) {
        method = FILE_CURRENT;
    } else if (origin == 2) {
        method = FILE_END;
    } else if (origin != kFileBegin) {
        return FailWith(ERROR_INVALID_PARAMETER);
    }
    LARGE_INTEGER distance{};
    LARGE_INTEGER position{};
    distance.QuadPart = offset;
    if (!SetFilePointerEx(entry->handle, distance, &position, method)) {
        return Fail();
    }
    return position.QuadPart;
}

int WindowsPlatformFile::_lclose(Handle handle) {
    const auto it = entries_.find(handle);
    if (it == entries_.end()) {
        return FailWith(ERROR_INVALID_HANDLE);
    }
    const bool closed = CloseHandle(it->second.handle) != 0;
    entries_.erase(it);
    return closed ? 0 : Fail();
}

std::int64_t WindowsPlatformFile::GetDiskFreeSpace(Handle handle) {
    Entry* entry = Find(handle);
    if (entry == nullptr) {
        return -1;
    }
    // The folder the file lies in: the space this user may take there.
    const std::wstring folder = entry->path.substr(0, entry->path.find_last_of(L'\\') + 1);
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) {
        return Fail();
    }
    return available.QuadPart > static_cast<ULONGLONG>(INT64_MAX)
               ? INT64_MAX
               : static_cast<std::int64_t>(available.QuadPart);
}

int WindowsPlatformFile::FindHoles(Handle handle, std::int64_t size,
                                   std::vector<ByteRange>& holes) {
    holes.clear();
    Entry* entry = Find(handle);
    DWORD attributes = 0;
    if (entry == nullptr || !ReadBasicAttributes(entry->handle, attributes)) {
        return entry == nullptr ? -1 : Fail();
    }
    if ((attributes & FILE_ATTRIBUTE_SPARSE_FILE) == 0 || size <= 0) {
        return 0;  // only a sparse file has holes
    }
    FILE_ALLOCATED_RANGE_BUFFER query{};
    query.Length.QuadPart = size;
    std::vector<FILE_ALLOCATED_RANGE_BUFFER> ranges(256);
    std::int64_t at = 0;
    for (;;) {
        DWORD bytes = 0;
        const BOOL all = DeviceIoControl(
            entry->handle, FSCTL_QUERY_ALLOCATED_RANGES, &query, sizeof query, ranges.data(),
            static_cast<DWORD>(ranges.size() * sizeof ranges[0]), &bytes, nullptr);
        if (!all && GetLastError() != ERROR_MORE_DATA) {
            holes.clear();
            return Fail();
        }
        const std::size_t count = bytes / sizeof ranges[0];
        for (std::size_t i = 0; i < count; ++i) {
            const std::int64_t first = ranges[i].FileOffset.QuadPart;
            if (first > at) {
                holes.emplace_back(at, first);
            }
            at = std::max(at, first + ranges[i].Length.QuadPart);
        }
        if (all || count == 0) {
            break;
        }
        query.FileOffset.QuadPart = at;
        query.Length.QuadPart = size - at;
    }
    if (at < size) {
        holes.emplace_back(at, size);
    }
    return 0;
}

namespace {

// What a file system answers when it has no such thing to do.
bool NotThere(DWORD error) {
    return error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED ||
           error == ERROR_INVALID_FUNCTION || error == ERROR_CALL_NOT_IMPLEMENTED;
}

}  // namespace

int WindowsPlatformFile::ReserveSpace(Handle handle, std::int64_t offset, std::int64_t length) {
    Entry* entry = Find(handle);
    FileStatus status;
    if (entry == nullptr) {
        return -1;
    }
    if (FillStatus(entry->handle, status) != 0) {
        return Fail();
    }
    // The allocation beyond the end keeps the size; a smaller one would cut.
    if (offset + length <= std::max(status.size, status.allocated)) {
        return 0;
    }
    FILE_ALLOCATION_INFO allocation{};
    allocation.AllocationSize.QuadPart = offset + length;
    if (SetFileInformationByHandle(entry->handle, FileAllocationInfo, &allocation,
                                   sizeof allocation)) {
        return 0;
    }
    // Nothing to reserve with: the free-space check has to do.
    return NotThere(GetLastError()) ? 0 : Fail();
}

int WindowsPlatformFile::ReleaseSpace(Handle handle, std::int64_t offset, std::int64_t length) {
    Entry* entry = Find(handle);
    FileStatus status;
    if (entry == nullptr) {
        return -1;
    }
    if (length <= 0 || FillStatus(entry->handle, status) != 0 || offset < status.size ||
        status.allocated <= status.size) {
        return 0;  // holes inside are not made without a sparse file: a courtesy
    }
    FILE_ALLOCATION_INFO allocation{};
    allocation.AllocationSize.QuadPart = status.size;
    if (SetFileInformationByHandle(entry->handle, FileAllocationInfo, &allocation,
                                   sizeof allocation)) {
        return 0;
    }
    return NotThere(GetLastError()) ? 0 : Fail();
}

int WindowsPlatformFile::FlushData(Handle handle) {
    Entry* entry = Find(handle);
    if (entry == nullptr) {
        return -1;
    }
    return FlushFileBuffers(entry->handle) ? 0 : Fail();
}

int WindowsPlatformFile::FlushAll(Handle handle) {
    return FlushData(handle);  // the attributes go with the data
}

int WindowsPlatformFile::StartWriteback(Handle, std::int64_t, std::int64_t) {
    return 0;  // a hint Windows has no call for; the flushes do the work
}

// No named streams: the engine acts as it does on a file system without
// extended attributes.
int WindowsPlatformFile::ReadKept(Handle, KeptWord, std::string& value) {
    value.clear();
    return FailWith(ERROR_NOT_SUPPORTED);
}

int WindowsPlatformFile::WriteKept(Handle, KeptWord, const std::string&) {
    return FailWith(ERROR_NOT_SUPPORTED);
}

int WindowsPlatformFile::RemoveKept(Handle, KeptWord) {
    return FailWith(ERROR_NOT_SUPPORTED);
}

SystemTime WindowsPlatformFile::GetLocalTime() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    SystemTime t;
    t.wYear = now.wYear;
    t.wMonth = now.wMonth;
    t.wDayOfWeek = now.wDayOfWeek;
    t.wDay = now.wDay;
    t.wHour = now.wHour;
    t.wMinute = now.wMinute;
    t.wSecond = now.wSecond;
    t.wMilliseconds = now.wMilliseconds;
    return t;
}

void WindowsPlatformFile::HoldTermination() {
    if (holding_) {
        return;
    }
    TerminationGate& gate = TerminationGate::Get();
    std::lock_guard lock(gate.mutex);
    ++gate.holders;
    holding_ = true;
}

void WindowsPlatformFile::ReleaseTermination() {
    if (!holding_) {
        return;
    }
    holding_ = false;
    TerminationGate& gate = TerminationGate::Get();
    {
        std::lock_guard lock(gate.mutex);
        --gate.holders;
    }
    // An event that came meanwhile takes its course now, the file complete.
    gate.released.notify_all();
}

}  // namespace kryvet::platform
