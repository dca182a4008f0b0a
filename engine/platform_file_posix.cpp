#include "engine/platform_file_posix.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <vector>

namespace kryvet::platform {

static_assert(kErrorNotPinnedFile == ESTALE);

namespace {

std::string ProcPath(Handle handle) {
    return "/proc/self/fd/" + std::to_string(handle);
}

// Not in every version of the kernel's headers.
constexpr unsigned long kConfigFsMagic = 0x62656570;
constexpr unsigned long kFuseControlMagic = 0x65735543;

// The kernel's own file systems show settings and state as files whose
// size means nothing and whose reads and writes are orders, not data.
bool IsKernelFileSystem(const struct statfs& fs) {
    switch (static_cast<unsigned long>(fs.f_type)) {
        case PROC_SUPER_MAGIC:
        case SYSFS_MAGIC:
        case DEBUGFS_MAGIC:
        case TRACEFS_MAGIC:
        case SECURITYFS_MAGIC:
        case CGROUP_SUPER_MAGIC:
        case CGROUP2_SUPER_MAGIC:
        case EFIVARFS_MAGIC:
        case BPF_FS_MAGIC:
        case PSTOREFS_MAGIC:
        case DEVPTS_SUPER_MAGIC:
        case BINFMTFS_MAGIC:
        case SELINUX_MAGIC:
        case SMACK_MAGIC:
        case NSFS_MAGIC:
        case kConfigFsMagic:
        case kFuseControlMagic:
            return true;
        default:
            return false;
    }
}

void FillStatus(const struct stat& st, const struct statfs& fs, FileStatus& status) {
    status.identity = {static_cast<std::uint64_t>(st.st_dev),
                       static_cast<std::uint64_t>(st.st_ino)};
    status.regular = S_ISREG(st.st_mode) && !IsKernelFileSystem(fs);
    status.mode = st.st_mode & 07777u;
    status.size = st.st_size;
    status.allocated = static_cast<std::int64_t>(st.st_blocks) * 512;
    status.modifiedNs =
        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

// Holes beyond this many are not tracked: giving their allocation back is
// a courtesy, and a file cut into that many pieces is not worth the memory.
constexpr std::size_t kMaxTrackedHoles = 65536;

}  // namespace

PosixPlatformFile::PosixPlatformFile() {
    // A write past the file-size limit would otherwise kill the process
    // halfway through a rewrite; ignored, it fails with EFBIG like any
    // other write and the rewrite is put back or left recoverable.
    signal(SIGXFSZ, SIG_IGN);
}

PosixPlatformFile::~PosixPlatformFile() {
    ReleaseTermination();
}

int PosixPlatformFile::Fail() {
    lastError_ = errno;
    return -1;
}

Handle PosixPlatformFile::Pin(const std::string& name) {
    if (name.empty()) {
        lastError_ = ENOENT;
        return -1;
    }
    const int fd = open(name.c_str(), O_PATH | O_CLOEXEC);
    if (fd < 0) {
        return Fail();
    }
    pinNames_[fd] = name;
    return fd;
}

int PosixPlatformFile::Status(Handle handle, FileStatus& status) {
    struct stat st {};
    struct statfs fs {};
    if (fstat(handle, &st) != 0 || fstatfs(handle, &fs) != 0) {
        return Fail();
    }
    FillStatus(st, fs, status);
    return 0;
}

int PosixPlatformFile::StatusOfName(const std::string& name, FileStatus& status) {
    struct stat st {};
    struct statfs fs {};
    if (stat(name.c_str(), &st) != 0 || statfs(name.c_str(), &fs) != 0) {
        return Fail();
    }
    FillStatus(st, fs, status);
    return 0;
}

int PosixPlatformFile::SetMode(Handle handle, unsigned mode) {
    if (fchmod(handle, mode) == 0) {
        return 0;
    }
    // A pinned file has no descriptor to change it through; its entry in
    // /proc leads to the very same file, whatever its name leads to now.
    if (errno == EBADF && chmod(ProcPath(handle).c_str(), mode) == 0) {
        return 0;
    }
    return Fail();
}

namespace {

// Why an opened file cannot be taken for a rewrite: 0 when it can. It must
// be the pinned file, a plain one, writable by its owner when opened for
// writing (even where root bypasses the check), and locked by nobody else.
// Opened for reading ahead of a rewrite, it takes a lock shared with
// readers, sees that no other lock stands, and that its disk can be written.
int WhyNotOurs(int fd, const struct stat& pinned, PlatformFile::Access access) {
    const bool writing = access == PlatformFile::Access::ReadWrite;
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        return errno;
    }
    if (st.st_dev != pinned.st_dev || st.st_ino != pinned.st_ino) {
        return kErrorNotPinnedFile;
    }
    if (!S_ISREG(st.st_mode)) {
        return EISDIR;
    }
    if (writing && (st.st_mode & S_IWUSR) == 0) {
        return EACCES;
    }
    if (access == PlatformFile::Access::Look) {
        return 0;
    }
    struct flock lock {};
    lock.l_type = writing ? F_WRLCK : F_RDLCK;
    lock.l_whence = SEEK_SET;
    if (fcntl(fd, F_OFD_SETLK, &lock) != 0) {
        return (errno == EAGAIN || errno == EACCES) ? EBUSY : errno;
    }
    if (writing) {
        return 0;
    }
    struct flock other {};
    other.l_type = F_WRLCK;
    other.l_whence = SEEK_SET;
    if (fcntl(fd, F_OFD_GETLK, &other) != 0) {
        return errno;
    }
    struct statvfs vfs {};
    if (other.l_type != F_UNLCK) {
        return EBUSY;
    }
    return fstatvfs(fd, &vfs) == 0 && (vfs.f_flag & ST_RDONLY) != 0 ? EROFS : 0;
}

}  // namespace

Handle PosixPlatformFile::OpenPinned(Handle pinned, Access access) {
    const bool writing = access == Access::ReadWrite;
    const int flags = (writing ? O_RDWR : O_RDONLY) | O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
    struct stat pinnedStat {};
    if (fstat(pinned, &pinnedStat) != 0) {
        return Fail();
    }
    int fd = open(ProcPath(pinned).c_str(), flags);
    if (fd < 0 && errno == ENOENT) {
        // Without /proc the name is opened again and must lead to the same file.
        const auto name = pinNames_.find(pinned);
        if (name != pinNames_.end() && S_ISREG(pinnedStat.st_mode)) {
            fd = open(name->second.c_str(), flags);
        }
    }
    if (fd < 0) {
        return Fail();
    }
    if (const int why = WhyNotOurs(fd, pinnedStat, access); why != 0) {
        close(fd);
        lastError_ = why;
        return -1;
    }
    return fd;
}

std::int32_t PosixPlatformFile::_lread(Handle handle, void* buffer, std::int32_t count) {
    if (count < 0) {
        lastError_ = EINVAL;
        return -1;
    }
    auto* out = static_cast<char*>(buffer);
    std::int32_t total = 0;
    while (total < count) {
        const ssize_t n = read(handle, out + total, static_cast<std::size_t>(count - total));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Fail();
        }
        if (n == 0) {
            break;
        }
        total += static_cast<std::int32_t>(n);
    }
    return total;
}

std::int32_t PosixPlatformFile::_lwrite(Handle handle, const void* buffer, std::int32_t count) {
    if (count < 0) {
        lastError_ = EINVAL;
        return -1;
    }
    if (count == 0) {
        const off_t position = lseek(handle, 0, SEEK_CUR);
        if (position < 0 || ftruncate(handle, position) != 0) {
            return Fail();
        }
        return 0;
    }
    const auto* in = static_cast<const char*>(buffer);
    std::int32_t total = 0;
    while (total < count) {
        const ssize_t n = write(handle, in + total, static_cast<std::size_t>(count - total));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Fail();
        }
        total += static_cast<std::int32_t>(n);
    }
    return total;
}

std::int64_t PosixPlatformFile::_llseek(Handle handle, std::int64_t offset, int origin) {
    int whence = SEEK_SET;
    if (origin == kFileCurrent) {
        whence = SEEK_CUR;
    } else if (origin == 2) {
        whence = SEEK_END;
    } else if (origin != kFileBegin) {
        lastError_ = EINVAL;
        return -1;
    }
    const off_t position = lseek(handle, static_cast<off_t>(offset), whence);
    if (position < 0) {
        return Fail();
    }
    return position;
}

int PosixPlatformFile::_lclose(Handle handle) {
    pinNames_.erase(handle);
    return close(handle) == 0 ? 0 : Fail();
}

std::int64_t PosixPlatformFile::GetDiskFreeSpace(Handle handle) {
    struct statvfs vfs {};
    struct stat st {};
    if (fstatvfs(handle, &vfs) != 0 || fstat(handle, &st) != 0) {
        return Fail();
    }
    const unsigned long long bytes = static_cast<unsigned long long>(vfs.f_bavail) *
                                     static_cast<unsigned long long>(vfs.f_frsize);
    std::int64_t room = bytes > static_cast<unsigned long long>(INT64_MAX)
                            ? INT64_MAX
                            : static_cast<std::int64_t>(bytes);
    // A write past the file-size limit fails halfway like a full disk.
    rlimit limit{};
    if (getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        room = std::min<std::int64_t>(room, static_cast<std::int64_t>(limit.rlim_cur) - st.st_size);
    }
    return room;
}

int PosixPlatformFile::FindHoles(Handle handle, std::int64_t size, std::vector<ByteRange>& holes) {
    holes.clear();
    off_t offset = 0;
    while (offset < size) {
        const off_t data = lseek(handle, offset, SEEK_DATA);
        if (data < 0 && errno != ENXIO) {
            return Fail();
        }
        const off_t dataStart = data < 0 ? size : std::min<off_t>(data, size);
        if (dataStart > offset) {
            holes.emplace_back(offset, dataStart);
        }
        if (dataStart >= size || holes.size() > kMaxTrackedHoles) {
            break;
        }
        const off_t hole = lseek(handle, dataStart, SEEK_HOLE);
        if (hole < 0) {
            return Fail();
        }
        offset = hole;
    }
    if (holes.size() > kMaxTrackedHoles) {
        holes.clear();
        lastError_ = E2BIG;
        return -1;
    }
    return 0;
}

int PosixPlatformFile::ReserveSpace(Handle handle, std::int64_t offset, std::int64_t length) {
    // A reservation that keeps the size is not held to the file-size limit,
    // but the writes that follow are: test the limit here, before any write.
    rlimit limit{};
    if (getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        static_cast<std::uint64_t>(offset + length) > limit.rlim_cur) {
        lastError_ = EFBIG;
        return -1;
    }
    if (fallocate(handle, FALLOC_FL_KEEP_SIZE, offset, length) == 0) {
        return 0;
    }
    if (errno == EOPNOTSUPP || errno == ENOSYS) {
        return 0;  // nothing to reserve with; the free-space check has to do
    }
    return Fail();
}

int PosixPlatformFile::ReleaseSpace(Handle handle, std::int64_t offset, std::int64_t length) {
    if (length <= 0) {
        return 0;
    }
    if (fallocate(handle, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, offset, length) == 0) {
        return 0;
    }
    return (errno == EOPNOTSUPP || errno == ENOSYS) ? 0 : Fail();
}

namespace {

const char* AttributeOf(PlatformFile::KeptWord word) {
    return word == PlatformFile::KeptWord::Mode ? kKeptModeAttribute : kExtensionAttribute;
}

}  // namespace

int PosixPlatformFile::ReadKept(Handle handle, KeptWord word, std::string& value) {
    value.clear();
    char buffer[128];
    const ssize_t n = fgetxattr(handle, AttributeOf(word), buffer, sizeof buffer);
    if (n < 0) {
        return errno == ENODATA ? 0 : Fail();
    }
    value.assign(buffer, static_cast<std::size_t>(n));
    return 0;
}

int PosixPlatformFile::WriteKept(Handle handle, KeptWord word, const std::string& value) {
    return fsetxattr(handle, AttributeOf(word), value.data(), value.size(), 0) == 0 ? 0 : Fail();
}

int PosixPlatformFile::RemoveKept(Handle handle, KeptWord word) {
    if (fremovexattr(handle, AttributeOf(word)) == 0 || errno == ENODATA) {
        return 0;
    }
    return Fail();
}

int PosixPlatformFile::FlushData(Handle handle) {
    return fdatasync(handle) == 0 ? 0 : Fail();
}

int PosixPlatformFile::FlushAll(Handle handle) {
    return fsync(handle) == 0 ? 0 : Fail();
}

int PosixPlatformFile::StartWriteback(Handle handle, std::int64_t offset, std::int64_t length) {
    return sync_file_range(handle, offset, length, SYNC_FILE_RANGE_WRITE) == 0 ? 0 : Fail();
}

SystemTime PosixPlatformFile::GetLocalTime() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    SystemTime t;
    t.wYear = local.tm_year + 1900;
    t.wMonth = local.tm_mon + 1;
    t.wDayOfWeek = local.tm_wday;
    t.wDay = local.tm_mday;
    t.wHour = local.tm_hour;
    t.wMinute = local.tm_min;
    t.wSecond = local.tm_sec > 59 ? 59 : local.tm_sec;
    t.wMilliseconds = static_cast<int>(now.tv_nsec / 1000000);
    return t;
}

void PosixPlatformFile::HoldTermination() {
    if (holding_) {
        return;
    }
    sigset_t block;
    sigemptyset(&block);
    sigaddset(&block, SIGTERM);
    sigaddset(&block, SIGINT);
    sigaddset(&block, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &block, &savedMask_);
    holding_ = true;
}

void PosixPlatformFile::ReleaseTermination() {
    if (!holding_) {
        return;
    }
    holding_ = false;
    // A request that arrived meanwhile is delivered here, after the file is complete.
    pthread_sigmask(SIG_SETMASK, &savedMask_, nullptr);
}

}  // namespace kryvet::platform
