#include "tools/ats-sim/Server.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <unistd.h>

namespace kovrin::sim {

namespace {

// While the line reports a hang-up (a device whose far end went away) there is nothing
// to read: look again after a pause instead of spinning on the poll.
constexpr auto kHangUpRetry = std::chrono::milliseconds(100);

enum class SendEnd { Sent, Stop, Error };

SendEnd WriteAll(int fd, const std::uint8_t* data, std::size_t size, int stopFd)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return SendEnd::Error;
        const Wake w = WaitFor(fd, POLLOUT, stopFd, std::nullopt);
        if (w == Wake::Stop)
            return SendEnd::Stop;
        if (w == Wake::Error)
            return SendEnd::Error;
    }
    return SendEnd::Sent;
}

SendEnd SendAnswer(int fd, const Frame& answer, SteadyTime start, const Pacer& pacer, int stopFd)
{
    if (pacer.fast())
        return WriteAll(fd, answer.data(), answer.size(), stopFd);
    for (std::size_t k = 0; k < answer.size(); ++k) {
        if (!SleepUntil(pacer.due(start, k), stopFd))
            return SendEnd::Stop;
        const SendEnd e = WriteAll(fd, &answer[k], 1, stopFd);
        if (e != SendEnd::Sent)
            return e;
    }
    return SendEnd::Sent;
}

} // namespace

ServeEnd Serve(Line& line, SimSwitch& sw, const Pacer& pacer, SimLog& log, int stopFd)
{
    RequestAssembler assembler;
    SteadyTime frameStart{};
    std::uint8_t buf[256];
    for (;;) {
        const Wake w = WaitFor(line.fd(), POLLIN, stopFd, std::nullopt);
        if (w == Wake::Stop)
            return ServeEnd::Stopped;
        if (w == Wake::Error) {
            log.line(std::string("poll failed: ") + std::strerror(errno));
            return ServeEnd::LineError;
        }
        const ssize_t n = ::read(line.fd(), buf, sizeof buf);
        if (n <= 0) {
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            // EOF or EIO: the far end is gone for now.
            if (!SleepUntil(std::chrono::steady_clock::now() + kHangUpRetry, stopFd))
                return ServeEnd::Stopped;
            continue;
        }
        const SteadyTime arrived = std::chrono::steady_clock::now();
        for (ssize_t i = 0; i < n; ++i) {
            if (!assembler.inFrame())
                frameStart = arrived;
            if (!assembler.feed(buf[i]))
                continue;
            const Frame request = assembler.frame();
            Reply reply = sw.handle(request);
            log.line(reply.note);
            if (reply.reaction == Reaction::HangUp) {
                line.hangUp();
                return ServeEnd::HungUp;
            }
            if (reply.bytes.empty())
                continue;
            switch (SendAnswer(line.fd(), reply.bytes, pacer.answerStart(frameStart, arrived, request.size()), pacer, stopFd)) {
            case SendEnd::Sent:
                break;
            case SendEnd::Stop:
                return ServeEnd::Stopped;
            case SendEnd::Error:
                log.line(std::string("write failed: ") + std::strerror(errno));
                return ServeEnd::LineError;
            }
        }
    }
}

} // namespace kovrin::sim
