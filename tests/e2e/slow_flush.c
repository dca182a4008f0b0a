/* Preloaded into the program under test: every fdatasync takes
 * KRYVET_SLOW_FLUSH_MS longer, as on a slow USB stick, and announces itself
 * by creating the file KRYVET_FLUSH_MARK first. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

int fdatasync(int fd) {
    static int (*real)(int);
    if (real == NULL) {
        real = (int (*)(int))dlsym(RTLD_NEXT, "fdatasync");
    }
    const char* mark = getenv("KRYVET_FLUSH_MARK");
    if (mark != NULL) {
        int m = open(mark, O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        if (m >= 0) {
            close(m);
        }
    }
    const char* delay = getenv("KRYVET_SLOW_FLUSH_MS");
    if (delay != NULL) {
        long ms = atol(delay);
        struct timespec t = {ms / 1000, (ms % 1000) * 1000000L};
        nanosleep(&t, NULL);
    }
    return real(fd);
}
