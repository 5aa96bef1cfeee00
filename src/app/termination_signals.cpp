#include "app/termination_signals.h"

#include <poll.h>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace tervolen {

TerminationSignals::TerminationSignals() {
    sigemptyset(&mask_);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&mask_, signal);
    ::pthread_sigmask(SIG_BLOCK, &mask_, nullptr);
    fd_.reset(::signalfd(-1, &mask_, SFD_CLOEXEC | SFD_NONBLOCK));
}

TerminationSignals::~TerminationSignals() {
    ::pthread_sigmask(SIG_UNBLOCK, &mask_, nullptr);
}

bool TerminationSignals::wait(int timeoutMs) {
    if (!received_) {
        pollfd p{fd_.get(), POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) > 0) {
            signalfd_siginfo info{};
            received_ = ::read(fd_.get(), &info, sizeof info) > 0;
        }
    }
    return received_;
}

} // namespace tervolen
