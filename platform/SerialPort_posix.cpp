#include "platform/SerialPort.h"

#include "platform/DeviceHolders.h"
#include "platform/TimedIo.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace kovrin {

namespace {

// Owns the descriptor; the poll-based waits and non-blocking transfers of TimedIo.
class FdChannel final : public ByteChannel {
public:
    explicit FdChannel(int fd) : fd_(fd) {}
    ~FdChannel() override
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FdChannel(const FdChannel&) = delete;
    FdChannel& operator=(const FdChannel&) = delete;

    int fd() const { return fd_; }

    Wait WaitReadable(Clock::Ms timeout, unsigned& error) override { return WaitFor(POLLIN, timeout, error); }
    Wait WaitWritable(Clock::Ms timeout, unsigned& error) override { return WaitFor(POLLOUT, timeout, error); }

    long ReadSome(std::uint8_t* buffer, std::size_t size, unsigned& error) override
    {
        const ssize_t n = ::read(fd_, buffer, size);
        if (n > 0)
            return static_cast<long>(n);
        if (n == 0)
            return kHangUp;
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
            return 0;
        if (errno == EIO)
            return kHangUp;
        error = static_cast<unsigned>(errno);
        return -1;
    }

    long WriteSome(const std::uint8_t* data, std::size_t size, unsigned& error) override
    {
        const ssize_t n = ::write(fd_, data, size);
        if (n >= 0)
            return static_cast<long>(n);
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
            return 0;
        error = static_cast<unsigned>(errno);
        return -1;
    }

private:
    Wait WaitFor(short events, Clock::Ms timeout, unsigned& error)
    {
        pollfd p{fd_, events, 0};
        const int r = ::poll(&p, 1, static_cast<int>(timeout.count()));
        if (r == 0 || (r < 0 && errno == EINTR))
            return Wait::TimedOut;
        if (r < 0) {
            error = static_cast<unsigned>(errno);
            return Wait::Error;
        }
        if (p.revents & events)
            return Wait::Ready;
        if (p.revents & POLLHUP)
            return Wait::HangUp;
        error = p.revents & POLLNVAL ? EBADF : EIO;
        return Wait::Error;
    }

    int fd_;
};

speed_t SpeedConstant(unsigned baud)
{
    switch (baud) {
    case 1200:
        return B1200;
    case 9600:
        return B9600;
    default:
        return B19200;
    }
}

class PosixSerialPort final : public SerialPort {
public:
    PosixSerialPort(int fd, Clock& clock, const SerialTimeouts& timeouts)
        : channel_(fd), clock_(clock), timeouts_(timeouts)
    {
    }
    // The exclusive mode stays with the tty, not the descriptor: handed back before closing,
    // or the next program's open fails while another descriptor (the pair's own) keeps it.
    // Only when set by this port: a failed open must not free the tty another holds.
    ~PosixSerialPort() override
    {
        if (exclusive_)
            (void)::ioctl(channel_.fd(), TIOCNXCL);
    }
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    // Takes this program's lock file for the device; false when another program has it.
    bool TakeLockFile(const std::string& device)
    {
        lockFile_ = std::make_unique<DeviceLockFile>(device);
        return !lockFile_->refused();
    }
    void MakeExclusive() { exclusive_ = ::ioctl(channel_.fd(), TIOCEXCL) == 0; }

    bool Purge(unsigned& error) override
    {
        if (::tcflush(channel_.fd(), TCIOFLUSH) == 0)
            return true;
        error = static_cast<unsigned>(errno);
        return false;
    }

    SerialStatus Write(const std::uint8_t* data, std::size_t count, std::size_t& written,
                       unsigned& error) override
    {
        return TimedWrite(channel_, clock_, timeouts_, data, count, written, error);
    }

    SerialStatus Read(std::uint8_t* buffer, std::size_t expected, std::size_t& received,
                      unsigned& error) override
    {
        return TimedRead(channel_, clock_, timeouts_, buffer, expected, received, error);
    }

    void CancelWrite() override { ::tcflush(channel_.fd(), TCOFLUSH); }

private:
    FdChannel channel_;
    Clock& clock_;
    SerialTimeouts timeouts_;
    std::unique_ptr<DeviceLockFile> lockFile_;  // removed before the descriptor closes
    bool exclusive_ = false;
};

} // namespace

std::unique_ptr<SerialPort> OpenSerialPort(const std::string& device, unsigned baud, unsigned& error,
                                           Clock& clock, const SerialTimeouts& timeouts)
{
    error = 0;
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = static_cast<unsigned>(errno);
        return nullptr;
    }
    // The channel owns the descriptor from here on, so every failure below closes it.
    auto port = std::make_unique<PosixSerialPort>(fd, clock, timeouts);

    // No sharing: a second program (or a second link) cannot use the device meanwhile.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        error = static_cast<unsigned>(errno);
        return nullptr;
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        error = static_cast<unsigned>(errno);
        return nullptr;
    }
    // flock binds only programs that ask for it. A terminal program marks a port with a lock
    // file, and one that takes no lock at all still holds it open: either means it is in use,
    // and a second reader of the answers would take bytes meant for this one.
    if (LockFileHolder(device) || !DeviceOpeners(device).empty() || !port->TakeLockFile(device)) {
        error = EBUSY;
        return nullptr;
    }
    // Exclusive mode makes every later open of the tty fail with EBUSY (a terminal program,
    // a modem manager) while the port is ours.
    port->MakeExclusive();
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS | HUPCL);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    const speed_t speed = SpeedConstant(baud);
    if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0 ||
        ::tcsetattr(fd, TCSANOW, &tio) != 0 || ::tcflush(fd, TCIOFLUSH) != 0) {
        error = static_cast<unsigned>(errno);
        return nullptr;
    }
    // Modem lines: RTS first, then DTR. A pseudo-terminal refuses both (ENOTTY).
    int line = TIOCM_RTS;
    (void)::ioctl(fd, TIOCMBIS, &line);
    line = TIOCM_DTR;
    (void)::ioctl(fd, TIOCMBIS, &line);
    return port;
}

} // namespace kovrin
