/* Preloaded into the application by the flap bench: counts the children it
 * starts through posix_spawn (every tool run) and keeps the running total,
 * as one fixed-width line, in the file named by LUMRA_SPAWN_COUNT. Only a
 * process named lumra counts; it takes both variables out of its
 * environment, so the tools (and whatever they start) never load this. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

typedef int (*spawn_function)(pid_t*, const char*, const posix_spawn_file_actions_t*,
                              const posix_spawnattr_t*, char* const[], char* const[]);

static int count_fd = -1;
static atomic_long spawned;

__attribute__((constructor)) static void open_count(void) {
    /* The shell that starts the application loads this too, then execs. */
    if (strcmp(program_invocation_short_name, "lumra") != 0)
        return;
    const char* path = getenv("LUMRA_SPAWN_COUNT");
    if (path != NULL)
        count_fd = open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    unsetenv("LUMRA_SPAWN_COUNT");
    unsetenv("LD_PRELOAD");
}

static void note_spawn(void) {
    const long total = atomic_fetch_add(&spawned, 1) + 1;
    char line[24];
    const int length = snprintf(line, sizeof line, "%20ld\n", total);
    if (count_fd >= 0 && length > 0 && pwrite(count_fd, line, (size_t)length, 0) < 0)
        return;
}

static int counted(const char* name, pid_t* pid, const char* path,
                   const posix_spawn_file_actions_t* actions, const posix_spawnattr_t* attributes,
                   char* const arguments[], char* const environment[]) {
    void* symbol = dlsym(RTLD_NEXT, name);
    if (symbol == NULL)
        return ENOSYS;
    /* ISO C has no cast from an object pointer to a function pointer. */
    spawn_function next;
    memcpy(&next, &symbol, sizeof next);
    const int result = next(pid, path, actions, attributes, arguments, environment);
    if (result == 0)
        note_spawn();
    return result;
}

int posix_spawn(pid_t* pid, const char* path, const posix_spawn_file_actions_t* actions,
                const posix_spawnattr_t* attributes, char* const arguments[],
                char* const environment[]) {
    return counted("posix_spawn", pid, path, actions, attributes, arguments, environment);
}

int posix_spawnp(pid_t* pid, const char* file, const posix_spawn_file_actions_t* actions,
                 const posix_spawnattr_t* attributes, char* const arguments[],
                 char* const environment[]) {
    return counted("posix_spawnp", pid, file, actions, attributes, arguments, environment);
}
