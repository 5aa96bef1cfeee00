/* A preloaded library that makes folders behave as full or read-only media without mounting anything, for tests
 * that run without root. TERVOLEN_FAILING_WRITES lists the folders, separated by ';', each "read-only=FOLDER" (opening
 * for writing, creating, renaming, linking and removing under it fail with EROFS) or "full=BYTES=FOLDER" (a write or
 * allocation that would bring the files directly in it past BYTES fails with ENOSPC). Tests change the list while
 * they run (tests/support/tmpfs_mount.h). */
#define _GNU_SOURCE
#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

enum Medium { kNone, kReadOnly, kFull };

int tervolen_failing_writes_loaded = 1;

static void* next(const char* name) {
    return dlsym(RTLD_NEXT, name);
}

/* The absolute form of path as seen from the folder of dirfd, without resolving links. */
static int absolute(int dirfd, const char* path, char* out, size_t size) {
    if (path == NULL)
        return -1;
    if (path[0] == '/')
        return snprintf(out, size, "%s", path) < (int)size ? 0 : -1;
    char base[4096];
    if (dirfd == AT_FDCWD) {
        if (getcwd(base, sizeof base) == NULL)
            return -1;
    } else {
        char link[64];
        snprintf(link, sizeof link, "/proc/self/fd/%d", dirfd);
        ssize_t length = readlink(link, base, sizeof base - 1);
        if (length < 0)
            return -1;
        base[length] = '\0';
    }
    return snprintf(out, size, "%s/%s", base, path) < (int)size ? 0 : -1;
}

/* The medium that path lies on, with the folder and byte budget of a full one. */
static enum Medium mediumOf(const char* path, char* folder, size_t folderSize, long long* budget) {
    const char* list = getenv("TERVOLEN_FAILING_WRITES");
    if (list == NULL || path == NULL)
        return kNone;
    while (*list != '\0') {
        const char* end = strchr(list, ';');
        size_t length = end ? (size_t)(end - list) : strlen(list);
        char entry[4096];
        if (length < sizeof entry) {
            memcpy(entry, list, length);
            entry[length] = '\0';
            enum Medium medium = kNone;
            const char* dir = NULL;
            if (strncmp(entry, "read-only=", 10) == 0) {
                medium = kReadOnly;
                dir = entry + 10;
            } else if (strncmp(entry, "full=", 5) == 0) {
                char* rest = NULL;
                *budget = strtoll(entry + 5, &rest, 10);
                if (rest != NULL && *rest == '=') {
                    medium = kFull;
                    dir = rest + 1;
                }
            }
            size_t dirLength = dir ? strlen(dir) : 0;
            if (dir != NULL && strncmp(path, dir, dirLength) == 0 && (path[dirLength] == '/' || path[dirLength] == 0)) {
                snprintf(folder, folderSize, "%s", dir);
                return medium;
            }
        }
        list += length;
        if (*list == ';')
            ++list;
    }
    return kNone;
}

static int readOnlyAt(int dirfd, const char* path) {
    char full[4096], folder[4096];
    long long budget = 0;
    return absolute(dirfd, path, full, sizeof full) == 0 && mediumOf(full, folder, sizeof folder, &budget) == kReadOnly;
}

/* Whether adding bytes to the file of fd would pass the budget of a full medium. */
static int overBudget(int fd, long long bytes) {
    char link[64], path[4096], folder[4096];
    long long budget = 0;
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    ssize_t length = readlink(link, path, sizeof path - 1);
    if (length < 0)
        return 0;
    path[length] = '\0';
    if (mediumOf(path, folder, sizeof folder, &budget) != kFull)
        return 0;
    long long used = 0;
    DIR* dir = opendir(folder);
    if (dir == NULL)
        return 0;
    for (struct dirent* entry; (entry = readdir(dir)) != NULL;) {
        struct stat status;
        if (fstatat(dirfd(dir), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(status.st_mode))
            used += status.st_size;
    }
    closedir(dir);
    return used + bytes > budget;
}

static int fail(int error) {
    errno = error;
    return -1;
}

#define WRITING(flags) (((flags) & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC)) != 0)

int open(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    mode_t mode = (mode_t)va_arg(arguments, int);
    va_end(arguments);
    if (WRITING(flags) && readOnlyAt(AT_FDCWD, path))
        return fail(EROFS);
    return ((int (*)(const char*, int, ...))next("open"))(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    mode_t mode = (mode_t)va_arg(arguments, int);
    va_end(arguments);
    if (WRITING(flags) && readOnlyAt(AT_FDCWD, path))
        return fail(EROFS);
    return ((int (*)(const char*, int, ...))next("open64"))(path, flags, mode);
}

int openat(int dirfd, const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    mode_t mode = (mode_t)va_arg(arguments, int);
    va_end(arguments);
    if (WRITING(flags) && readOnlyAt(dirfd, path))
        return fail(EROFS);
    return ((int (*)(int, const char*, int, ...))next("openat"))(dirfd, path, flags, mode);
}

int creat(const char* path, mode_t mode) {
    return open(path, O_CREAT | O_WRONLY | O_TRUNC, mode);
}

int mkdir(const char* path, mode_t mode) {
    if (readOnlyAt(AT_FDCWD, path))
        return fail(EROFS);
    return ((int (*)(const char*, mode_t))next("mkdir"))(path, mode);
}

int unlink(const char* path) {
    if (readOnlyAt(AT_FDCWD, path))
        return fail(EROFS);
    return ((int (*)(const char*))next("unlink"))(path);
}

int unlinkat(int dirfd, const char* path, int flags) {
    if (readOnlyAt(dirfd, path))
        return fail(EROFS);
    return ((int (*)(int, const char*, int))next("unlinkat"))(dirfd, path, flags);
}

int rename(const char* from, const char* to) {
    if (readOnlyAt(AT_FDCWD, from) || readOnlyAt(AT_FDCWD, to))
        return fail(EROFS);
    return ((int (*)(const char*, const char*))next("rename"))(from, to);
}

int link(const char* from, const char* to) {
    if (readOnlyAt(AT_FDCWD, to))
        return fail(EROFS);
    return ((int (*)(const char*, const char*))next("link"))(from, to);
}

ssize_t write(int fd, const void* buffer, size_t count) {
    if (overBudget(fd, (long long)count))
        return fail(ENOSPC);
    return ((ssize_t(*)(int, const void*, size_t))next("write"))(fd, buffer, count);
}

ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset) {
    if (overBudget(fd, (long long)count))
        return fail(ENOSPC);
    return ((ssize_t(*)(int, const void*, size_t, off_t))next("pwrite"))(fd, buffer, count, offset);
}

int fallocate(int fd, int mode, off_t offset, off_t length) {
    if (overBudget(fd, (long long)length))
        return fail(ENOSPC);
    return ((int (*)(int, int, off_t, off_t))next("fallocate"))(fd, mode, offset, length);
}
