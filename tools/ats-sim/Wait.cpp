#include "tools/ats-sim/Wait.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace kovrin::sim {

std::optional<StopSignals> StopSignals::Install(std::string& error)
{
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGHUP);
    StopSignals s;
    if (sigprocmask(SIG_BLOCK, &stop, &s.oldMask_) != 0) {
        error = std::string("sigprocmask: ") + std::strerror(errno);
        return std::nullopt;
    }
    s.restore_ = true;
    s.fd_.reset(signalfd(-1, &stop, SFD_CLOEXEC | SFD_NONBLOCK));
    if (!s.fd_) {
        error = std::string("signalfd: ") + std::strerror(errno);
        return std::nullopt;
    }
    return s;
}

StopSignals::StopSignals(StopSignals&& other) noexcept
    : fd_(std::move(other.fd_)), restore_(std::exchange(other.restore_, false)), oldMask_(other.oldMask_)
{
}

StopSignals::~StopSignals()
{
    if (!restore_)
        return;
    // Take the caught signals off the queue first: unblocking would deliver them again
    // and end the process after it has already stopped in order.
    if (fd_) {
        signalfd_siginfo info;
        while (::read(fd_.get(), &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        }
    }
    sigprocmask(SIG_SETMASK, &oldMask_, nullptr);
}

Wake WaitFor(int fd, short events, int stopFd, std::optional<SteadyTime> deadline)
{
    for (;;) {
        pollfd fds[2] = {{stopFd, POLLIN, 0}, {fd, events, 0}};
        const nfds_t count = fd >= 0 ? 2 : 1;
        timespec ts{};
        timespec* timeout = nullptr;
        if (deadline) {
            const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(
                *deadline - std::chrono::steady_clock::now());
            if (left.count() > 0) {
                ts.tv_sec = static_cast<time_t>(left.count() / 1000000000);
                ts.tv_nsec = static_cast<long>(left.count() % 1000000000);
            }
            timeout = &ts;
        }
        const int n = ppoll(fds, count, timeout, nullptr);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Wake::Error;
        }
        if (fds[0].revents != 0)
            return Wake::Stop;
        if (n == 0)
            return Wake::Timeout;
        return Wake::Ready;
    }
}

bool SleepUntil(SteadyTime deadline, int stopFd)
{
    while (std::chrono::steady_clock::now() < deadline) {
        const Wake w = WaitFor(-1, 0, stopFd, deadline);
        if (w == Wake::Stop)
            return false;
        if (w == Wake::Error)
            return true;  // nothing left to wait on; the caller goes on
    }
    return true;
}

} // namespace kovrin::sim
