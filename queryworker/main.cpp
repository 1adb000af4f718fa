// levy-query-worker: runs Delver's statements in a process of its own. Delver starts it
// with one end of a socket pair as descriptor 3 and its own process id as the argument;
// it ends when Delver closes the socket or ends, whatever it is doing then.
#include "QueryWorkerService.h"
#include "WorkerLifeline.h"
#include "platform/ProcessGuard.h"

#include <new>
#include <sys/resource.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define LEVY_NO_ADDRESS_LIMIT 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LEVY_NO_ADDRESS_LIMIT 1
#endif
#endif

namespace {
// The engine's own heap is held to 512 MB; the rows it hands over, the program and its
// libraries need the rest. Past this the worker fails, not the machine.
constexpr rlim_t addressSpaceLimit = rlim_t(2) * 1024 * 1024 * 1024;
constexpr int outOfMemory = 3;
constexpr int delverSocket = 3;
} // namespace

int main(int argc, char* argv[])
{
    // Before anything else: a stop sent at once must not end the process, and a process
    // that holds the levy key and decrypted pages leaves no core behind.
    levy::queryworker::InterruptOnSignal(nullptr);
    levy::KeepNoCoreDump();
    if (!levy::queryworker::EndWithDelver(delverSocket, argc > 1 ? argv[1] : nullptr))
        return 0;
#ifndef LEVY_NO_ADDRESS_LIMIT
    // (The address sanitizer reserves terabytes of address space: no limit under it.)
    const rlimit limit{addressSpaceLimit, addressSpaceLimit};
    ::setrlimit(RLIMIT_AS, &limit);
#endif
    try {
        levy::queryworker::QueryWorkerService service;
        service.Serve(delverSocket);
    } catch (const std::bad_alloc&) {
        ::_exit(outOfMemory);
    }
    return 0;
}
