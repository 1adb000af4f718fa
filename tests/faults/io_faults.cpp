// Loaded into the fault worker with LD_PRELOAD: fails one call of the kind that
// LEVY_IO_FAULT names ("read:N", "write:N", "sync:N" or "lock:N": the Nth such call) on a
// file under LEVY_IO_FAULT_DIR with EIO, as a failing disk would, and lets every other
// call through. The pipes to the test and the display are never touched.
// "count:0" fails nothing and tells at exit how many calls of each kind there were, so
// that a campaign can aim its faults at calls the operation really makes.
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

enum Kind { None, Read, Write, Sync, Lock, Count };

struct Plan {
    Kind kind = None;
    long target = 0;
    char folder[4096] = {};
    size_t folderLength = 0;
};

const Plan& ThePlan()
{
    static const Plan plan = [] {
        Plan p;
        const char* fault = getenv("LEVY_IO_FAULT");
        const char* folder = getenv("LEVY_IO_FAULT_DIR");
        if (!fault || !folder)
            return p;
        static const struct {
            const char* name;
            Kind kind;
        } kinds[] = {{"read:", Read}, {"write:", Write}, {"sync:", Sync}, {"lock:", Lock}, {"count:", Count}};
        for (const auto& k : kinds)
            if (strncmp(fault, k.name, strlen(k.name)) == 0) {
                p.kind = k.kind;
                p.target = atol(fault + strlen(k.name));
            }
        snprintf(p.folder, sizeof p.folder, "%s", folder);
        p.folderLength = strlen(p.folder);
        return p;
    }();
    return plan;
}

std::atomic<long> calls{0};
std::atomic<bool> reported{false};
std::atomic<long> counted[Count] = {};

bool UnderFolder(int fd)
{
    char link[64], path[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, path, sizeof path - 1);
    if (n <= 0)
        return false;
    path[n] = 0;
    const Plan& plan = ThePlan();
    return strncmp(path, plan.folder, plan.folderLength) == 0;
}

bool Fails(Kind kind, int fd)
{
    const Plan& plan = ThePlan();
    if (plan.kind == Count) {
        if (UnderFolder(fd))
            ++counted[kind];
        return false;
    }
    if (plan.kind != kind || reported.load() || !UnderFolder(fd))
        return false;
    if (calls.fetch_add(1) + 1 != plan.target)
        return false;
    reported = true;
    // Told on the standard error stream, which the test keeps apart from the worker's lines.
    static const char note[] = "io fault injected\n";
    if (write(2, note, sizeof note - 1) < 0) {
    }
    errno = EIO;
    return true;
}

bool FailsToLock(int fd, int command, void* argument)
{
    const bool locking = command == F_SETLK || command == F_SETLKW || command == F_OFD_SETLK ||
                         command == F_OFD_SETLKW;
    return locking && static_cast<struct flock*>(argument)->l_type != F_UNLCK && Fails(Lock, fd);
}

__attribute__((destructor)) void TellCounts()
{
    if (ThePlan().kind != Count)
        return;
    char note[160];
    const int n = snprintf(note, sizeof note, "io calls: read %ld write %ld sync %ld lock %ld\n", counted[Read].load(),
                           counted[Write].load(), counted[Sync].load(), counted[Lock].load());
    if (write(2, note, size_t(n)) < 0) {
    }
}

template <typename F>
F Real(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" {

ssize_t read(int fd, void* buffer, size_t size)
{
    static auto real = Real<ssize_t (*)(int, void*, size_t)>("read");
    return Fails(Read, fd) ? -1 : real(fd, buffer, size);
}

ssize_t pread64(int fd, void* buffer, size_t size, off_t offset)
{
    static auto real = Real<ssize_t (*)(int, void*, size_t, off_t)>("pread64");
    return Fails(Read, fd) ? -1 : real(fd, buffer, size, offset);
}

ssize_t pread(int fd, void* buffer, size_t size, off_t offset)
{
    static auto real = Real<ssize_t (*)(int, void*, size_t, off_t)>("pread");
    return Fails(Read, fd) ? -1 : real(fd, buffer, size, offset);
}

ssize_t write(int fd, const void* buffer, size_t size)
{
    static auto real = Real<ssize_t (*)(int, const void*, size_t)>("write");
    return Fails(Write, fd) ? -1 : real(fd, buffer, size);
}

ssize_t pwrite64(int fd, const void* buffer, size_t size, off_t offset)
{
    static auto real = Real<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite64");
    return Fails(Write, fd) ? -1 : real(fd, buffer, size, offset);
}

ssize_t pwrite(int fd, const void* buffer, size_t size, off_t offset)
{
    static auto real = Real<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
    return Fails(Write, fd) ? -1 : real(fd, buffer, size, offset);
}

ssize_t writev(int fd, const struct iovec* parts, int count)
{
    static auto real = Real<ssize_t (*)(int, const struct iovec*, int)>("writev");
    return Fails(Write, fd) ? -1 : real(fd, parts, count);
}

// The workbook library writes through the C streams, whose own writes are not calls
// that a preloaded library sees.
size_t fwrite(const void* buffer, size_t size, size_t count, FILE* stream)
{
    static auto real = Real<size_t (*)(const void*, size_t, size_t, FILE*)>("fwrite");
    if (stream && Fails(Write, fileno(stream))) {
        errno = EIO;
        return 0;
    }
    return real(buffer, size, count, stream);
}

int fsync(int fd)
{
    static auto real = Real<int (*)(int)>("fsync");
    return Fails(Sync, fd) ? -1 : real(fd);
}

int fdatasync(int fd)
{
    static auto real = Real<int (*)(int)>("fdatasync");
    return Fails(Sync, fd) ? -1 : real(fd);
}

int flock(int fd, int operation)
{
    static auto real = Real<int (*)(int, int)>("flock");
    return (operation & (LOCK_SH | LOCK_EX)) && Fails(Lock, fd) ? -1 : real(fd, operation);
}

int fcntl(int fd, int command, ...)
{
    static auto real = Real<int (*)(int, int, ...)>("fcntl");
    va_list args;
    va_start(args, command);
    void* argument = va_arg(args, void*);
    va_end(args);
    return FailsToLock(fd, command, argument) ? -1 : real(fd, command, argument);
}

int fcntl64(int fd, int command, ...)
{
    static auto real = Real<int (*)(int, int, ...)>("fcntl64");
    va_list args;
    va_start(args, command);
    void* argument = va_arg(args, void*);
    va_end(args);
    return FailsToLock(fd, command, argument) ? -1 : real(fd, command, argument);
}

} // extern "C"
