#pragma once

// The few POSIX calls the command line's shared code names, as Windows has
// them or as their absence is said there. Included instead of the POSIX
// headers on Windows only.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <unistd.h>
#include <windows.h>

#include <cerrno>
#include <csignal>
#include <cstddef>

// Windows' C library takes every character device (NUL too) for a
// terminal, and says so with 64 rather than 1: a console is what is meant.
inline int IsConsoleDescriptor(int fd) {
    DWORD mode = 0;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) ? 1 : 0;
}
#define isatty(fd) IsConsoleDescriptor(fd)

// Text on Windows is UTF-8 throughout: the manifest makes it the ANSI code
// page, and the console is switched to it for the run.
#define CODESET 14
inline const char* nl_langinfo(int) {
    return "UTF-8";
}

// Never asked for where the character set is UTF-8: no conversion there.
using iconv_t = void*;
inline iconv_t iconv_open(const char*, const char*) {
    errno = EINVAL;
    return reinterpret_cast<iconv_t>(-1);
}
inline std::size_t iconv(iconv_t, char**, std::size_t*, char**, std::size_t*) {
    errno = EINVAL;
    return static_cast<std::size_t>(-1);
}
inline int iconv_close(iconv_t) {
    return 0;
}

// Waiting on a descriptor and a wake-up together: not on Windows, whose
// prompt waits on the console itself.
#define POLLIN 0x001
struct pollfd {
    int fd;
    short events;
    short revents;
};
inline int poll(pollfd*, unsigned long, int) {
    errno = ENOSYS;
    return -1;
}

inline void explicit_bzero(void* bytes, std::size_t count) {
    SecureZeroMemory(bytes, count);
}

#ifndef O_CLOEXEC
#define O_CLOEXEC _O_NOINHERIT
#endif
#ifndef O_NOCTTY
#define O_NOCTTY _O_BINARY
#endif
// Windows' C library copies the owner's bits to the group's and others',
// which say nothing there: a password file is nobody else's by these.
#undef S_IRGRP
#undef S_IROTH
#define S_IRGRP 0
#define S_IROTH 0

// No limit on handles to raise, and no SIGPIPE: a closed pipe fails a write.
#define RLIMIT_NOFILE 7
struct rlimit {
    unsigned long rlim_cur;
    unsigned long rlim_max;
};
inline int getrlimit(int, rlimit*) {
    errno = ENOSYS;
    return -1;
}
inline int setrlimit(int, const rlimit*) {
    errno = ENOSYS;
    return -1;
}
// Windows' C library calls its invalid-parameter handler for a signal it
// does not know; SIGTERM is one it knows and the system never raises.
#ifndef SIGPIPE
#define SIGPIPE SIGTERM
#endif
