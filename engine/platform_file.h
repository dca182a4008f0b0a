#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
// windows.h makes GetDiskFreeSpace a macro for its own call; whichever
// comes first, the name below stays the engine's.
#include <windows.h>
#undef GetDiskFreeSpace
#endif

// The file services the engine relies on. Everything the engine does to the
// system goes through this interface, so tests can put a recording or failing
// implementation in its place. Block access keeps the classic contracts (-1 on
// failure, counts, positions) under the classic names; the engine reads,
// writes and seeks only through its checked-file wrapper, which turns every
// failure into an error, and opens and closes files through PinnedFile.
namespace kryvet::platform {

using Handle = std::int32_t;

// _llseek origins.
constexpr int kFileBegin = 0;
constexpr int kFileCurrent = 1;

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

// Which file a name led to: the same pair means the same file.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

struct FileStatus {
    FileIdentity identity;
    bool regular = false;
    unsigned mode = 0;  // permission bits (07777)
    std::int64_t size = 0;
    std::int64_t allocated = 0;   // bytes the file system holds for it
    std::int64_t modifiedNs = 0;  // last change of its contents
    // The system's own attribute word where it keeps one (Windows); -1
    // where the mode stands for it.
    std::int32_t attributes = -1;
};

// LastError() of an open that found another file than the one pinned, its
// name swapped meanwhile: ESTALE's number, which not every C library has.
constexpr int kErrorNotPinnedFile = 116;

// A byte range [first, second) of a file.
using ByteRange = std::pair<std::int64_t, std::int64_t>;

class PlatformFile {
public:
    virtual ~PlatformFile() = default;

    // The first look at a name: pins the file it leads to (links followed)
    // without opening it for reading or writing, so a FIFO, a device or a
    // socket is never touched. -1 when the name leads nowhere.
    virtual Handle Pin(const std::string& name) = 0;
    // Status of a pinned or opened file; 0 or -1. Only a file that holds
    // data of its own is regular: the attribute files of the kernel's own
    // file systems (/proc, /sys) are not.
    virtual int Status(Handle handle, FileStatus& status) = 0;
    // Status of what the name leads to now; 0 or -1.
    virtual int StatusOfName(const std::string& name, FileStatus& status) = 0;
    // Sets the permission bits of that very file, never through its name.
    virtual int SetMode(Handle handle, unsigned mode) = 0;
    // Gives that very file the bits of its attribute word that the mode does
    // not stand for (hidden, system, archive), where the system keeps one;
    // 0 or -1. Nothing to do where it keeps none.
    virtual int SetAttributes(Handle handle, std::int32_t attributes) {
        (void)handle;
        (void)attributes;
        return 0;
    }
    // Opens the pinned file itself for a rewrite to come, locked against
    // other instances: for reading only (a read-only file, until the
    // rewrite begins), or for reading and writing, and that only while its
    // owner may write it. Either way nobody else may hold a lock on it, and
    // its disk must be writable. -1 on failure (EBUSY while another holds it).
    // Looking opens for reading only and takes no lock: it works on a file
    // the user may only read, on a read-only disk and on a running program.
    enum class Access { Look, Read, ReadWrite };
    virtual Handle OpenPinned(Handle pinned, Access access) = 0;

    // Reads up to count bytes at the position; the number read, 0 at the end, -1 on error.
    virtual std::int32_t _lread(Handle handle, void* buffer, std::int32_t count) = 0;
    // Writes count bytes at the position; count 0 sets the end of the file there.
    virtual std::int32_t _lwrite(Handle handle, const void* buffer, std::int32_t count) = 0;
    // New position, or -1.
    virtual std::int64_t _llseek(Handle handle, std::int64_t offset, int origin) = 0;
    // Closes an opened or a pinned file.
    virtual int _lclose(Handle handle) = 0;

    // Bytes the file may still grow by: the space available to the user on
    // its filesystem, within the process's file-size limit; -1 on failure.
    virtual std::int64_t GetDiskFreeSpace(Handle handle) = 0;
    // The ranges of the first `size` bytes that hold no data (holes); 0 or -1.
    virtual int FindHoles(Handle handle, std::int64_t size, std::vector<ByteRange>& holes) = 0;
    // Allocates [offset, offset + length) without changing the visible size;
    // 0 also where the filesystem cannot allocate ahead, -1 on failure.
    virtual int ReserveSpace(Handle handle, std::int64_t offset, std::int64_t length) = 0;
    // Gives such an allocation back: the range holds no data afterwards.
    virtual int ReleaseSpace(Handle handle, std::int64_t offset, std::int64_t length) = 0;
    // Flushes the file's data to the disk; 0 or -1.
    virtual int FlushData(Handle handle) = 0;
    // Flushes the file's data and its attributes (mode, extended
    // attributes), which a flush of the data alone may leave behind.
    virtual int FlushAll(Handle handle) = 0;
    // Starts writing [offset, offset + length) to the disk without waiting,
    // so that a later flush finds less to do. A hint: it promises nothing
    // about what is on the disk; 0 or -1.
    virtual int StartWriteback(Handle handle, std::int64_t offset, std::int64_t length) = 0;

    // Words kept with a file: the whole permission word while it is
    // encrypted (the attribute word keeps only the read-only bit), and the
    // size of a file whose records are being appended. Empty when none; 0 or
    // -1, also -1 where the file system keeps no such data.
    enum class KeptWord { Mode, Extension };
    virtual int ReadKept(Handle handle, KeptWord word, std::string& value) = 0;
    virtual int WriteKept(Handle handle, KeptWord word, const std::string& value) = 0;
    virtual int RemoveKept(Handle handle, KeptWord word) = 0;

    virtual SystemTime GetLocalTime() = 0;

    // errno of the last call that failed.
    virtual int LastError() const = 0;

    // Termination requests (SIGTERM, SIGINT, SIGHUP) are held back between
    // these two calls on the calling thread only: a program that can take
    // them on another thread must hold them back there itself, as the
    // window does.
    virtual void HoldTermination() = 0;
    virtual void ReleaseTermination() = 0;
};

}  // namespace kryvet::platform
