/* Preloaded into the application by the soak: every LUMRA_HEAP_REPORT_SECONDS
 * (default 10) a thread of its own appends "<monotonic seconds> <bytes in
 * use>" to the file named by LUMRA_HEAP_REPORT, from mallinfo2 (the main
 * arena and every other, plus mmapped blocks). Nothing happens without
 * LUMRA_HEAP_REPORT. The thread adds one to the process's thread count. */
#define _GNU_SOURCE
#include <fcntl.h>
#include <malloc.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static int report_fd = -1;
static unsigned report_seconds = 10;

static void report_once(void) {
    const struct mallinfo2 info = mallinfo2();
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    char line[96];
    const int length = snprintf(line, sizeof line, "%lld %zu\n", (long long)now.tv_sec,
                                info.uordblks + info.hblkhd);
    if (length > 0 && write(report_fd, line, (size_t)length) < 0)
        return;
}

static void* report_loop(void* unused) {
    (void)unused;
    for (;;) {
        report_once();
        sleep(report_seconds);
    }
    return NULL;
}

__attribute__((constructor)) static void start_heap_report(void) {
    const char* path = getenv("LUMRA_HEAP_REPORT");
    if (path == NULL || *path == '\0')
        return;
    const char* seconds = getenv("LUMRA_HEAP_REPORT_SECONDS");
    if (seconds != NULL && atoi(seconds) > 0)
        report_seconds = (unsigned)atoi(seconds);
    report_fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (report_fd < 0)
        return;
    /* Children the application starts do not report. */
    unsetenv("LD_PRELOAD");
    pthread_t thread;
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    if (pthread_create(&thread, &attributes, report_loop, NULL) != 0) {
        close(report_fd);
        report_fd = -1;
    }
    pthread_attr_destroy(&attributes);
}
