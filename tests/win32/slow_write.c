/* Preloaded into Wine's process for kryvet.exe: every write of 64 KiB or
 * more takes KRYVET_SLOW_WRITE_MS longer, as on a slow stick, so that a test
 * sees the busy window and the gauge mid-run and can kill the rewrite there.
 * Wine writes files from the program's own process; its flushes go to the
 * server, so flushes cannot be slowed for one program alone. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdlib.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

static void Pause(size_t count) {
    const char* delay = getenv("KRYVET_SLOW_WRITE_MS");
    if (delay == NULL || count < (1u << 16)) {
        return;
    }
    const long ms = atol(delay);
    struct timespec pause = {ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&pause, NULL);
}

ssize_t pwrite64(int fd, const void* buffer, size_t count, off_t offset) {
    static ssize_t (*real)(int, const void*, size_t, off_t);
    if (real == NULL) {
        real = (ssize_t(*)(int, const void*, size_t, off_t))dlsym(RTLD_NEXT, "pwrite64");
    }
    Pause(count);
    return real(fd, buffer, count, offset);
}

ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset) {
    return pwrite64(fd, buffer, count, offset);
}

ssize_t write(int fd, const void* buffer, size_t count) {
    static ssize_t (*real)(int, const void*, size_t);
    if (real == NULL) {
        real = (ssize_t(*)(int, const void*, size_t))dlsym(RTLD_NEXT, "write");
    }
    Pause(count);
    return real(fd, buffer, count);
}
