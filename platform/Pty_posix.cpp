#include "platform/Pty.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace kovrin {

PtyPair::PtyPair()
{
    termios raw{};
    ::cfmakeraw(&raw);
    raw.c_cflag |= CLOCAL | CREAD;
    char name[256] = {};
    if (::openpty(&master_, &slave_, name, &raw, nullptr) != 0) {
        master_ = slave_ = -1;
        return;
    }
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
    slavePath_ = name;
}

PtyPair::~PtyPair()
{
    closeMaster();
    closeSlave();
}

bool PtyPair::writeMaster(const std::vector<std::uint8_t>& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::vector<std::uint8_t> PtyPair::readMaster(std::size_t count, std::chrono::milliseconds timeout)
{
    std::vector<std::uint8_t> out;
    while (out.size() < count) {
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(timeout.count())) <= 0 || !(p.revents & POLLIN))
            break;
        std::uint8_t buffer[256];
        const std::size_t want = std::min(sizeof buffer, count - out.size());
        const ssize_t n = ::read(master_, buffer, want);
        if (n <= 0)
            break;
        out.insert(out.end(), buffer, buffer + n);
    }
    return out;
}

int PtyPair::pendingOnSlave() const
{
    int n = 0;
    if (slave_ < 0 || ::ioctl(slave_, FIONREAD, &n) != 0)
        return -1;
    return n;
}

void PtyPair::closeMaster()
{
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}

void PtyPair::closeSlave()
{
    if (slave_ >= 0)
        ::close(slave_);
    slave_ = -1;
}

} // namespace kovrin
