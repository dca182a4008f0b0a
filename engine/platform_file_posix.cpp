#include "engine/platform_file_posix.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

#include "engine/cp932.h"

namespace kryvet::platform {

namespace {

bool OwnerMayWrite(unsigned mode) {
    return (mode & S_IWUSR) != 0;
}

}  // namespace

std::int32_t AttributeWordFromMode(unsigned mode) {
    std::int32_t low = 0;
    if (!OwnerMayWrite(mode)) {
        low |= kAttrReadOnly;
    }
    if (S_ISDIR(mode)) {
        low |= kAttrDirectory;
    }
    if (low == 0) {
        low = kAttrNormal;
    }
    return static_cast<std::int32_t>((mode & 07777u) << 16) | low;
}

unsigned ModeFromAttributeWord(std::int32_t attributes) {
    unsigned mode = (static_cast<std::uint32_t>(attributes) >> 16) & 07777u;
    if ((attributes & kAttrReadOnly) != 0) {
        mode &= ~0222u;
    } else {
        mode |= S_IWUSR;
    }
    return mode;
}

std::string FullPathOf(const std::string& name) {
    if (!name.empty() && name[0] == '/') {
        return name;
    }
    std::vector<char> cwd(PATH_MAX + 1);
    if (getcwd(cwd.data(), cwd.size()) == nullptr) {
        return name;
    }
    std::string full(cwd.data());
    if (full.empty() || full.back() != '/') {
        full += '/';
    }
    return full + name;
}

int PosixPlatformFile::Fail() {
    lastError_ = errno;
    return -1;
}

std::int32_t PosixPlatformFile::GetFileAttributesA(const std::string& name) {
    struct stat st {};
    if (name.empty() || stat(name.c_str(), &st) != 0) {
        return name.empty() ? (lastError_ = ENOENT, -1) : Fail();
    }
    return AttributeWordFromMode(st.st_mode);
}

bool PosixPlatformFile::SetFileAttributesA(const std::string& name, std::int32_t attributes) {
    if (attributes < 0) {
        lastError_ = EINVAL;
        return false;
    }
    if (chmod(name.c_str(), ModeFromAttributeWord(attributes)) != 0) {
        Fail();
        return false;
    }
    return true;
}

int PosixPlatformFile::FindFirstFileA(const std::string& name, FindData& data) {
    // Names are literal here: '*' and '?' are ordinary characters.
    const std::int32_t word = GetFileAttributesA(name);
    if (word < 0) {
        return -1;
    }
    data.dwFileAttributes = word;
    return 1;
}

void PosixPlatformFile::FindClose(int) {}

Handle PosixPlatformFile::CreateFileA(const std::string& name) {
    const int fd = open(name.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        return Fail();
    }
    // Others may read but not write meanwhile: a rewrite in progress elsewhere
    // holds a write lock, which this read lock cannot coexist with.
    struct flock lock {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    if (fcntl(fd, F_OFD_SETLK, &lock) != 0) {
        const int e = (errno == EAGAIN || errno == EACCES) ? EBUSY : errno;
        close(fd);
        lastError_ = e;
        return -1;
    }
    return fd;
}

std::int64_t PosixPlatformFile::GetFileSize(Handle handle) {
    struct stat st {};
    if (fstat(handle, &st) != 0) {
        return Fail();
    }
    return st.st_size;
}

bool PosixPlatformFile::CloseHandle(Handle handle) {
    if (close(handle) != 0) {
        Fail();
        return false;
    }
    return true;
}

Handle PosixPlatformFile::OpenFile(const std::string& name, OfStruct& fullPath, int mode) {
    fullPath.szPathName.clear();
    if (mode != (kOfReadWrite | kOfShareExclusive)) {
        lastError_ = EINVAL;
        return -1;
    }
    const std::string full = FullPathOf(name);
    if (Cp932LengthForLimit(name) > kMaxOpenNameBytes ||
        Cp932LengthForLimit(full) > kMaxFullPathBytes) {
        lastError_ = ENAMETOOLONG;
        return -1;
    }
    const int fd = open(name.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        return Fail();
    }
    auto refuse = [&](int e) {
        close(fd);
        lastError_ = e;
        return -1;
    };
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        return refuse(errno);
    }
    if (!S_ISREG(st.st_mode)) {
        return refuse(EISDIR);
    }
    // A read-only file stays closed to us even where the permission check is
    // bypassed (root).
    if (!OwnerMayWrite(st.st_mode)) {
        return refuse(EACCES);
    }
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (fcntl(fd, F_OFD_SETLK, &lock) != 0) {
        return refuse((errno == EAGAIN || errno == EACCES) ? EBUSY : errno);
    }
    fullPath.szPathName = full;
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
    return close(handle) == 0 ? 0 : Fail();
}

std::int64_t PosixPlatformFile::GetDiskFreeSpace(Handle handle) {
    struct statvfs vfs {};
    if (fstatvfs(handle, &vfs) != 0) {
        return Fail();
    }
    const unsigned long long bytes = static_cast<unsigned long long>(vfs.f_bavail) *
                                     static_cast<unsigned long long>(vfs.f_frsize);
    return bytes > static_cast<unsigned long long>(INT64_MAX) ? INT64_MAX
                                                              : static_cast<std::int64_t>(bytes);
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

int PosixPlatformFile::FlushData(Handle handle) {
    return fdatasync(handle) == 0 ? 0 : Fail();
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
