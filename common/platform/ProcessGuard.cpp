#include "ProcessGuard.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define LEVY_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LEVY_LEAK_CHECKED 1
#endif
#endif

namespace levy {
namespace {
constexpr unsigned graceSeconds = 5;
int signalPipe[2] = {-1, -1};
volatile sig_atomic_t signalled = 0;

void OnTermination(int)
{
    if (signalled)
        ::_exit(128 + SIGTERM);
    signalled = 1;
    ::alarm(graceSeconds);  // SIGALRM's own action ends the process
    const char note = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &note, 1);
}
} // namespace

bool TerminationRequested() { return signalled != 0; }

void KeepNoCoreDump()
{
    const rlimit none{0, 0};
    ::setrlimit(RLIMIT_CORE, &none);
#ifndef LEVY_LEAK_CHECKED
    // (The leak checker reads the process from a helper of its own, which this forbids.)
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
#endif
}

void QuitOnTerminationSignals(std::function<void()> beforeQuit)
{
    if (signalPipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier, beforeQuit = std::move(beforeQuit)] {
        notifier->setEnabled(false);
        if (beforeQuit)
            beforeQuit();
        QCoreApplication::exit(0);
    });
    struct sigaction action {};
    action.sa_handler = OnTermination;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
}

} // namespace levy
