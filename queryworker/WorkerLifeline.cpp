#include "WorkerLifeline.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <pthread.h>
#include <sys/prctl.h>
#include <thread>
#include <unistd.h>

namespace levy::queryworker {
namespace {
std::atomic<pid_t> delver{0};

void ParentGone(int)
{
    // The signal also comes when the thread of Delver's that started the worker ends;
    // only a new parent means that Delver itself has gone.
    if (::getppid() != delver.load())
        ::_exit(0);
}
} // namespace

bool EndWithDelver(int socket, const char* parent)
{
    char* end = nullptr;
    const long expected = parent ? std::strtol(parent, &end, 10) : 0;
    if (expected > 0 && end && *end == '\0') {
        delver = pid_t(expected);
        struct sigaction action {};
        action.sa_handler = ParentGone;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(SIGHUP, &action, nullptr);
        ::prctl(PR_SET_PDEATHSIG, SIGHUP, 0, 0, 0);
        // Delver may have ended before the signal was asked for.
        if (::getppid() != delver.load())
            return false;
    }
    // The socket's other end closes when Delver ends (nothing else holds it): seen without
    // reading, so the requests waiting on it stay for the service.
    std::thread([socket] {
        // Stops are the service's: they must reach the thread that reads and writes.
        sigset_t others;
        sigemptyset(&others);
        sigaddset(&others, SIGUSR1);
        sigaddset(&others, SIGHUP);
        ::pthread_sigmask(SIG_BLOCK, &others, nullptr);
        for (;;) {
            pollfd p{socket, POLLRDHUP, 0};
            const int ready = ::poll(&p, 1, -1);
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready < 0 || (p.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) != 0)
                ::_exit(0);
        }
    }).detach();
    return true;
}

} // namespace levy::queryworker
