// fault_inject: an LD_PRELOAD library that makes one chosen call of a program
// fail, to see how the program copes with a full disk, an I/O error or a
// refused permission in the middle of a write.
//
//   QUORLIX_FAULT_CALL   open | write | fsync | rename | mmap
//   QUORLIX_FAULT_AT     which call of that kind fails (1 = the first)
//   QUORLIX_FAULT_ERRNO  ENOSPC, EIO, EACCES, ENOMEM, EROFS or a number [EIO]
//   QUORLIX_FAULT_DIR    only calls on files in this folder count
//   QUORLIX_FAULT_LOG    a line per failed call is appended here (and a line
//                        per counted call with QUORLIX_FAULT_TRACE=1)
//
// Only files below the folder count, so the loader, Qt and libc reading
// their own files are never hit. What counts as each kind:
//   open   open, openat, creat, fopen, mkstemp and their variants
//   write  write, pwrite, writev, fwrite, fputs, and fflush or fclose of a
//          stream that holds unwritten bytes (stdio writes through internal
//          calls an LD_PRELOAD library cannot see)
//   fsync  fsync, fdatasync
//   rename rename, renameat, renameat2, link, linkat (either name in the folder)
//   mmap   a mapping of a file in the folder, or an anonymous mapping asked
//          for by the program's own code (not by a library)
// A failed fclose still closes the stream, as a real one does.

#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <link.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

enum Kind { kNone = -1, kOpen, kWrite, kFsync, kRename, kMmap };
static const char* const kKindNames[] = {"open", "write", "fsync", "rename", "mmap"};

static int g_ready;
static int g_kind = kNone;
static long g_at;
static int g_errno = EIO;
static char g_dir[4096];
static size_t g_dirLength;
static char g_log[4096];
static int g_trace;
static long g_count;
static uintptr_t g_exeStart[16];
static uintptr_t g_exeEnd[16];
static int g_exeRanges;

typedef void (*AnyFunction)(void);

// The next definition of name: libc's. (A data pointer is copied into a
// function pointer: ISO C has no cast between them.)
static AnyFunction real(const char* name)
{
    void* found = dlsym(RTLD_NEXT, name);
    AnyFunction function;
    memcpy(&function, &found, sizeof function);
    return function;
}

#define REAL(name) ((__typeof__(&name))real(#name))

static int errnoByName(const char* text)
{
    static const struct {
        const char* name;
        int value;
    } names[] = {{"ENOSPC", ENOSPC}, {"EIO", EIO},       {"EACCES", EACCES}, {"ENOMEM", ENOMEM},
                 {"EROFS", EROFS},   {"EDQUOT", EDQUOT}, {"EPERM", EPERM}};
    for (size_t i = 0; i < sizeof names / sizeof names[0]; ++i)
        if (strcmp(text, names[i].name) == 0)
            return names[i].value;
    const int value = atoi(text);
    return value > 0 ? value : EIO;
}

static int noteProgramRange(struct dl_phdr_info* info, size_t size, void* data)
{
    (void)size;
    (void)data;
    // The first object is the program itself.
    for (int i = 0; i < info->dlpi_phnum && g_exeRanges < 16; ++i) {
        const ElfW(Phdr)* p = &info->dlpi_phdr[i];
        if (p->p_type == PT_LOAD && (p->p_flags & PF_X)) {
            g_exeStart[g_exeRanges] = info->dlpi_addr + p->p_vaddr;
            g_exeEnd[g_exeRanges] = info->dlpi_addr + p->p_vaddr + p->p_memsz;
            ++g_exeRanges;
        }
    }
    return 1;
}

static void setUp(void)
{
    if (g_ready)
        return;
    g_ready = 1;
    const char* call = getenv("QUORLIX_FAULT_CALL");
    const char* at = getenv("QUORLIX_FAULT_AT");
    const char* err = getenv("QUORLIX_FAULT_ERRNO");
    const char* dir = getenv("QUORLIX_FAULT_DIR");
    const char* log = getenv("QUORLIX_FAULT_LOG");
    const char* trace = getenv("QUORLIX_FAULT_TRACE");
    for (int k = kOpen; call && k <= kMmap; ++k)
        if (strcmp(call, kKindNames[k]) == 0)
            g_kind = k;
    g_at = at ? atol(at) : 0;
    if (err)
        g_errno = errnoByName(err);
    if (dir && *dir && strlen(dir) < sizeof g_dir - 2) {
        strcpy(g_dir, dir);
        g_dirLength = strlen(g_dir);
        while (g_dirLength > 1 && g_dir[g_dirLength - 1] == '/')
            g_dir[--g_dirLength] = '\0';
    }
    if (log && strlen(log) < sizeof g_log)
        strcpy(g_log, log);
    g_trace = trace && *trace == '1';
    dl_iterate_phdr(noteProgramRange, NULL);
}

__attribute__((constructor)) static void onLoad(void)
{
    setUp();
}

static int underDir(const char* path)
{
    if (!path || g_dirLength == 0)
        return 0;
    return strncmp(path, g_dir, g_dirLength) == 0 && (path[g_dirLength] == '/' || path[g_dirLength] == '\0');
}

static int fdPath(int fd, char* out, size_t size)
{
    char link[64];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, out, size - 1);
    if (n < 0)
        return 0;
    out[n] = '\0';
    return 1;
}

// The absolute form of path as seen from dirfd, without resolving links.
static void absolutePath(int dirfd, const char* path, char* out, size_t size)
{
    out[0] = '\0';
    if (!path)
        return;
    if (path[0] == '/') {
        snprintf(out, size, "%s", path);
        return;
    }
    char base[4096];
    if (dirfd == AT_FDCWD) {
        if (!getcwd(base, sizeof base))
            return;
    } else if (!fdPath(dirfd, base, sizeof base)) {
        return;
    }
    snprintf(out, size, "%s/%s", base, path);
}

static void logLine(const char* what, const char* path)
{
    if (!g_log[0])
        return;
    const int fd = REAL(open)(g_log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    char line[8300];
    const int n = snprintf(line, sizeof line, "%s %s #%ld %s\n", what, kKindNames[g_kind], g_count, path);
    if (n > 0)
        REAL(write)(fd, line, (size_t)n < sizeof line ? (size_t)n : sizeof line - 1);
    REAL(close)(fd);
}

// True when this call is the one to fail; errno is then set.
static int shouldFail(int kind, const char* path)
{
    setUp();
    if (kind != g_kind)
        return 0;
    const long n = __atomic_add_fetch(&g_count, 1, __ATOMIC_SEQ_CST);
    if (g_trace)
        logLine("call", path);
    if (n != g_at)
        return 0;
    logLine("failed", path);
    errno = g_errno;
    return 1;
}

static int pathCounts(int kind, int dirfd, const char* path)
{
    setUp();
    if (kind != g_kind)
        return 0;
    char full[8192];
    absolutePath(dirfd, path, full, sizeof full);
    return underDir(full) && shouldFail(kind, full);
}

static int fdCounts(int kind, int fd)
{
    setUp();
    if (kind != g_kind || fd < 0)
        return 0;
    char path[4096];
    return fdPath(fd, path, sizeof path) && underDir(path) && shouldFail(kind, path);
}

// Bytes written to the stream but not yet to its file.
static int hasPendingOutput(FILE* stream)
{
    return stream && stream->_IO_write_ptr > stream->_IO_write_base;
}

static mode_t modeOf(int flags, va_list args)
{
    return (flags & O_CREAT) || (flags & __O_TMPFILE) == __O_TMPFILE ? (mode_t)va_arg(args, int) : 0;
}

// ---- open ----

int open(const char* path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeOf(flags, args);
    va_end(args);
    if (pathCounts(kOpen, AT_FDCWD, path))
        return -1;
    return REAL(open)(path, flags, mode);
}

int open64(const char* path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeOf(flags, args);
    va_end(args);
    if (pathCounts(kOpen, AT_FDCWD, path))
        return -1;
    return REAL(open64)(path, flags, mode);
}

int openat(int dirfd, const char* path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeOf(flags, args);
    va_end(args);
    if (pathCounts(kOpen, dirfd, path))
        return -1;
    return REAL(openat)(dirfd, path, flags, mode);
}

int openat64(int dirfd, const char* path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeOf(flags, args);
    va_end(args);
    if (pathCounts(kOpen, dirfd, path))
        return -1;
    return REAL(openat64)(dirfd, path, flags, mode);
}

int __open_2(const char* path, int flags)
{
    if (pathCounts(kOpen, AT_FDCWD, path))
        return -1;
    return REAL(__open_2)(path, flags);
}

int __open64_2(const char* path, int flags)
{
    if (pathCounts(kOpen, AT_FDCWD, path))
        return -1;
    return REAL(__open64_2)(path, flags);
}

int __openat_2(int dirfd, const char* path, int flags)
{
    if (pathCounts(kOpen, dirfd, path))
        return -1;
    return REAL(__openat_2)(dirfd, path, flags);
}

int creat(const char* path, mode_t mode)
{
    if (pathCounts(kOpen, AT_FDCWD, path))
        return -1;
    return REAL(creat)(path, mode);
}

FILE* fopen(const char* path, const char* mode)
{
    if (pathCounts(kOpen, AT_FDCWD, path))
        return NULL;
    return REAL(fopen)(path, mode);
}

FILE* fopen64(const char* path, const char* mode)
{
    if (pathCounts(kOpen, AT_FDCWD, path))
        return NULL;
    return REAL(fopen64)(path, mode);
}

int mkstemp(char* templ)
{
    if (pathCounts(kOpen, AT_FDCWD, templ))
        return -1;
    return REAL(mkstemp)(templ);
}

int mkstemp64(char* templ)
{
    if (pathCounts(kOpen, AT_FDCWD, templ))
        return -1;
    return REAL(mkstemp64)(templ);
}

int mkostemp(char* templ, int flags)
{
    if (pathCounts(kOpen, AT_FDCWD, templ))
        return -1;
    return REAL(mkostemp)(templ, flags);
}

int mkstemps(char* templ, int suffixLength)
{
    if (pathCounts(kOpen, AT_FDCWD, templ))
        return -1;
    return REAL(mkstemps)(templ, suffixLength);
}

int mkostemps(char* templ, int suffixLength, int flags)
{
    if (pathCounts(kOpen, AT_FDCWD, templ))
        return -1;
    return REAL(mkostemps)(templ, suffixLength, flags);
}

// ---- write ----

ssize_t write(int fd, const void* data, size_t size)
{
    if (fdCounts(kWrite, fd))
        return -1;
    return REAL(write)(fd, data, size);
}

ssize_t pwrite(int fd, const void* data, size_t size, off_t offset)
{
    if (fdCounts(kWrite, fd))
        return -1;
    return REAL(pwrite)(fd, data, size, offset);
}

ssize_t pwrite64(int fd, const void* data, size_t size, off64_t offset)
{
    if (fdCounts(kWrite, fd))
        return -1;
    return REAL(pwrite64)(fd, data, size, offset);
}

ssize_t writev(int fd, const struct iovec* parts, int count)
{
    if (fdCounts(kWrite, fd))
        return -1;
    return REAL(writev)(fd, parts, count);
}

size_t fwrite(const void* data, size_t size, size_t count, FILE* stream)
{
    if (size && count && fdCounts(kWrite, fileno(stream)))
        return 0;
    return REAL(fwrite)(data, size, count, stream);
}

int fputs(const char* text, FILE* stream)
{
    if (fdCounts(kWrite, fileno(stream)))
        return EOF;
    return REAL(fputs)(text, stream);
}

int fflush(FILE* stream)
{
    if (hasPendingOutput(stream) && fdCounts(kWrite, fileno(stream)))
        return EOF;
    return REAL(fflush)(stream);
}

int fclose(FILE* stream)
{
    if (hasPendingOutput(stream) && fdCounts(kWrite, fileno(stream))) {
        const int saved = errno;
        REAL(fclose)(stream);
        errno = saved;
        return EOF;
    }
    return REAL(fclose)(stream);
}

// ---- fsync ----

int fsync(int fd)
{
    if (fdCounts(kFsync, fd))
        return -1;
    return REAL(fsync)(fd);
}

int fdatasync(int fd)
{
    if (fdCounts(kFsync, fd))
        return -1;
    return REAL(fdatasync)(fd);
}

// ---- rename ----

static int eitherCounts(int fromDir, const char* from, int toDir, const char* to)
{
    setUp();
    if (g_kind != kRename)
        return 0;
    char a[8192];
    char b[8192];
    absolutePath(fromDir, from, a, sizeof a);
    absolutePath(toDir, to, b, sizeof b);
    if (!underDir(a) && !underDir(b))
        return 0;
    return shouldFail(kRename, underDir(b) ? b : a);
}

int rename(const char* from, const char* to)
{
    if (eitherCounts(AT_FDCWD, from, AT_FDCWD, to))
        return -1;
    return REAL(rename)(from, to);
}

int renameat(int fromDir, const char* from, int toDir, const char* to)
{
    if (eitherCounts(fromDir, from, toDir, to))
        return -1;
    return REAL(renameat)(fromDir, from, toDir, to);
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned int flags)
{
    if (eitherCounts(fromDir, from, toDir, to))
        return -1;
    return REAL(renameat2)(fromDir, from, toDir, to, flags);
}

int link(const char* from, const char* to)
{
    if (eitherCounts(AT_FDCWD, from, AT_FDCWD, to))
        return -1;
    return REAL(link)(from, to);
}

int linkat(int fromDir, const char* from, int toDir, const char* to, int flags)
{
    // linkat(fd, "", dir, name, AT_EMPTY_PATH) names an open file.
    if (eitherCounts(fromDir, from, toDir, to))
        return -1;
    return REAL(linkat)(fromDir, from, toDir, to, flags);
}

// ---- mmap ----

static int fromProgram(const void* caller)
{
    const uintptr_t at = (uintptr_t)caller;
    for (int i = 0; i < g_exeRanges; ++i)
        if (at >= g_exeStart[i] && at < g_exeEnd[i])
            return 1;
    return 0;
}

static int mapCounts(int fd, int flags, const void* caller)
{
    setUp();
    if (g_kind != kMmap)
        return 0;
    if (flags & MAP_ANONYMOUS)
        return fromProgram(caller) && shouldFail(kMmap, "(anonymous)");
    return fdCounts(kMmap, fd);
}

void* mmap(void* address, size_t size, int protection, int flags, int fd, off_t offset)
{
    if (mapCounts(fd, flags, __builtin_return_address(0)))
        return MAP_FAILED;
    return REAL(mmap)(address, size, protection, flags, fd, offset);
}

void* mmap64(void* address, size_t size, int protection, int flags, int fd, off64_t offset)
{
    if (mapCounts(fd, flags, __builtin_return_address(0)))
        return MAP_FAILED;
    return REAL(mmap64)(address, size, protection, flags, fd, offset);
}
