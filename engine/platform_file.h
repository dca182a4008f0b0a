#pragma once

#include <cstdint>
#include <string>

// The file services the engine relies on, under their classic names and with
// their classic contracts (-1 on failure, counts, positions). Everything the
// engine does to the system goes through this interface, so tests can put a
// recording or failing implementation in its place.
namespace kryvet::platform {

using Handle = std::int32_t;

// Attribute bits of the low half of the attribute word.
constexpr std::int32_t kAttrReadOnly = 0x0001;
constexpr std::int32_t kAttrDirectory = 0x0010;
constexpr std::int32_t kAttrNormal = 0x0080;

// OpenFile mode: read and write (2), all sharing denied (16).
constexpr int kOfReadWrite = 2;
constexpr int kOfShareExclusive = 16;

// _llseek origins.
constexpr int kFileBegin = 0;
constexpr int kFileCurrent = 1;

// Limits of the exclusive open, counted in Shift-JIS bytes.
constexpr std::size_t kMaxOpenNameBytes = 150;
constexpr std::size_t kMaxFullPathBytes = 127;

struct SystemTime {
    int wYear = 0;
    int wMonth = 0;
    int wDayOfWeek = 0;
    int wDay = 0;
    int wHour = 0;
    int wMinute = 0;
    int wSecond = 0;
    int wMilliseconds = 0;
};

struct FindData {
    std::int32_t dwFileAttributes = 0;
};

// Filled by OpenFile with the full path of the opened file.
struct OfStruct {
    std::string szPathName;
};

class PlatformFile {
public:
    virtual ~PlatformFile() = default;

    // Attribute word, or -1 when the file cannot be found.
    virtual std::int32_t GetFileAttributesA(const std::string& name) = 0;
    virtual bool SetFileAttributesA(const std::string& name, std::int32_t attributes) = 0;

    // Existence test: a search handle (>= 0) with the entry's attributes, or -1.
    virtual int FindFirstFileA(const std::string& name, FindData& data) = 0;
    virtual void FindClose(int search) = 0;

    // Opens an existing file for reading and writing while letting others
    // read it; -1 on failure. Used only to measure the size.
    virtual Handle CreateFileA(const std::string& name) = 0;
    // Size in bytes (64-bit on this system), -1 on failure.
    virtual std::int64_t GetFileSize(Handle handle) = 0;
    virtual bool CloseHandle(Handle handle) = 0;

    // Opens an existing file for reading and writing, exclusively (mode 18);
    // fills in the full path. -1 on any failure.
    virtual Handle OpenFile(const std::string& name, OfStruct& fullPath, int mode) = 0;
    // Reads up to count bytes at the position; the number read, 0 at the end, -1 on error.
    virtual std::int32_t _lread(Handle handle, void* buffer, std::int32_t count) = 0;
    // Writes count bytes at the position; count 0 sets the end of the file there.
    virtual std::int32_t _lwrite(Handle handle, const void* buffer, std::int32_t count) = 0;
    // New position, or -1.
    virtual std::int64_t _llseek(Handle handle, std::int64_t offset, int origin) = 0;
    virtual int _lclose(Handle handle) = 0;

    // Bytes available to the user on the filesystem holding the open file, or -1.
    virtual std::int64_t GetDiskFreeSpace(Handle handle) = 0;
    // Reserves disk space for [offset, offset + length) without changing the
    // visible size; 0 also where the filesystem cannot reserve, -1 on failure.
    virtual int ReserveSpace(Handle handle, std::int64_t offset, std::int64_t length) = 0;
    // Flushes the file's data to the disk; 0 or -1.
    virtual int FlushData(Handle handle) = 0;

    virtual SystemTime GetLocalTime() = 0;

    // errno of the last call that failed.
    virtual int LastError() const = 0;

    // Termination requests (SIGTERM, SIGINT, SIGHUP) are held back between
    // these two calls, so a rewrite always finishes.
    virtual void HoldTermination() = 0;
    virtual void ReleaseTermination() = 0;
};

}  // namespace kryvet::platform
