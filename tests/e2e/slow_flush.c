/* Preloaded into the program under test: the first fdatasync of a run takes
 * KRYVET_SLOW_FLUSH_MS longer, as on a slow USB stick, and announces itself
 * by creating the file KRYVET_FLUSH_MARK; the test removes the mark before
 * the next run. The test acts during that first flush; the run's later ones
 * (one for each journaled region) go at the disk's speed, since slowing them
 * too would only make the run longer. Without a mark every flush is slow. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

int fdatasync(int fd) {
    static int (*real)(int);
    if (real == NULL) {
        real = (int (*)(int))dlsym(RTLD_NEXT, "fdatasync");
    }
    int slow = 1;
    const char* mark = getenv("KRYVET_FLUSH_MARK");
    if (mark != NULL) {
        int m = open(mark, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (m >= 0) {
            close(m);
        } else if (errno == EEXIST) {
            slow = 0;
        }
    }
    const char* delay = getenv("KRYVET_SLOW_FLUSH_MS");
    if (slow && delay != NULL) {
        long ms = atol(delay);
        struct timespec t = {ms / 1000, (ms % 1000) * 1000000L};
        nanosleep(&t, NULL);
    }
    return real(fd);
}
