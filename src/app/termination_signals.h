#pragma once

#include "core/posix_file.h"

#include <csignal>

namespace tervolen {

// SIGINT, SIGTERM and SIGHUP, blocked in every thread started after this object and read through a
// descriptor instead, so that the program ends between the steps of a job. Made before any thread starts,
// the client library's own handlers (which shut its connections down and keep the program running) never
// see these signals.
class TerminationSignals {
public:
    TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;
    ~TerminationSignals();

    // Readable once a signal came.
    int fd() const { return fd_.get(); }
    // Waits at most timeoutMs for a signal; true once one came.
    bool wait(int timeoutMs);

private:
    sigset_t mask_{};
    FileDescriptor fd_;
    bool received_ = false;
};

} // namespace tervolen
