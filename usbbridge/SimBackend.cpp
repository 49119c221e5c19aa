#include "SimBackend.h"

#include "BackendFactory.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace ubrix {

namespace {

constexpr const char* kPathPrefix = "sim:";
constexpr std::uint16_t kVersion = 0x0100;
constexpr int kPollSliceMs = 50;

speed_t speedFor(std::uint32_t baud) {
    struct Entry {
        std::uint32_t baud;
        speed_t speed;
    };
    static constexpr Entry kSpeeds[] = {{1200, B1200}, {2400, B2400}, {4800, B4800}, {9600, B9600},
                                        {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}};
    for (const auto& e : kSpeeds)
        if (e.baud == baud) return e.speed;
    return B1200;
}

class SimSet final : public HidDeviceSet {
public:
    explicit SimSet(std::string path) : path_(std::move(path)) {}
    std::uint32_t enumerate(int index) override { return index == 0 && !path_.empty() ? 0 : kNoMoreItems; }
    bool detail(int index, std::string& path) override {
        if (enumerate(index) != 0) return false;
        path = path_;
        return true;
    }

private:
    std::string path_;
};

} // namespace

// The tty behind the simulated device, shared by its two handles.
struct SimBackend::Port {
    std::string tty;
    AdapterKind kind;
    int fd = -1;
    std::mutex featureMutex;
    std::array<std::uint8_t, 6> feature{};
    std::atomic<unsigned long> inputBuffers{32};

    ~Port() {
        if (fd >= 0) ::close(fd);
    }
    bool setSpeed(std::uint32_t baud) {
        termios tio{};
        if (tcgetattr(fd, &tio) != 0) return false;
        cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        cfsetispeed(&tio, speedFor(baud));
        cfsetospeed(&tio, speedFor(baud));
        return tcsetattr(fd, TCSANOW, &tio) == 0;
    }
    // Gone when the tty node vanished or its other side hung up (the simulator ended).
    bool present() const {
        struct stat st {};
        if (fd < 0 || ::stat(tty.c_str(), &st) != 0) return false;
        pollfd pfd{fd, 0, 0};
        return ::poll(&pfd, 1, 0) >= 0 && !(pfd.revents & (POLLHUP | POLLERR | POLLNVAL));
    }
};

std::unique_ptr<HidBackend> makeBackend() { return std::make_unique<SimBackend>(); }

SimBackend::SimBackend(std::string tty, AdapterKind kind)
    : fixed_(true), fixedTty_(std::move(tty)), fixedKind_(kind) {}

SimBackend::~SimBackend() = default;

std::unique_ptr<HidDeviceSet> SimBackend::presentDevices() {
    std::lock_guard lock(mutex_);
    if (fixed_) {
        tty_ = fixedTty_;
        kind_ = fixedKind_;
    } else {
        const char* tty = std::getenv("UBRIX_SIM_TTY");
        const char* kind = std::getenv("UBRIX_SIM_KIND");
        tty_ = tty ? tty : "";
        kind_ = kind && std::strcmp(kind, "plain") == 0 ? AdapterKind::Plain : AdapterKind::SerialBridge;
    }
    return std::make_unique<SimSet>(tty_.empty() ? std::string() : kPathPrefix + tty_);
}

HidHandle SimBackend::open(const std::string& path, bool) {
    std::lock_guard lock(mutex_);
    if (path != kPathPrefix + tty_) return kNoHandle;
    std::shared_ptr<Port> shared;
    for (const auto& [h, p] : handles_)
        if (p->tty == tty_) shared = p;
    if (!shared) {
        shared = std::make_shared<Port>();
        shared->tty = tty_;
        shared->kind = kind_;
        shared->fd = ::open(tty_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (shared->fd < 0) return kNoHandle;
        shared->setSpeed(1200);
        shared->feature = kSerialParameterReport;
    }
    const HidHandle handle = nextHandle_++;
    handles_[handle] = shared;
    return handle;
}

void SimBackend::close(HidHandle handle) {
    std::shared_ptr<Port> last;
    std::lock_guard lock(mutex_);
    const auto it = handles_.find(handle);
    if (it == handles_.end()) return;
    last = std::move(it->second);
    handles_.erase(it);
}

std::shared_ptr<SimBackend::Port> SimBackend::port(HidHandle handle) {
    std::lock_guard lock(mutex_);
    const auto it = handles_.find(handle);
    return it == handles_.end() ? nullptr : it->second;
}

bool SimBackend::hasParsedDescriptor(HidHandle handle) { return port(handle) != nullptr; }

bool SimBackend::getAttributes(HidHandle handle, HidAttributes& out) {
    const auto p = port(handle);
    if (!p || !p->present()) return false;
    const auto& info = adapterInfo(p->kind);
    out = {12, info.vendorId, info.productId, kVersion};
    return true;
}

// Only the serial-bridge kind has the serial parameter report.
bool SimBackend::getFeature(HidHandle handle, std::span<std::uint8_t> report) {
    const auto p = port(handle);
    if (!p || p->kind != AdapterKind::SerialBridge || report.size() < p->feature.size()) return false;
    std::lock_guard lock(p->featureMutex);
    std::copy(p->feature.begin(), p->feature.end(), report.begin());
    return true;
}

bool SimBackend::setFeature(HidHandle handle, std::span<const std::uint8_t> report) {
    const auto p = port(handle);
    if (!p || p->kind != AdapterKind::SerialBridge || report.size() != p->feature.size()) return false;
    std::lock_guard lock(p->featureMutex);
    std::copy(report.begin(), report.end(), p->feature.begin());
    const std::uint32_t baud = report[1] | (report[2] << 8) | (report[3] << 16) | (std::uint32_t{report[4]} << 24);
    p->setSpeed(baud);
    return true;
}

bool SimBackend::getNumInputBuffers(HidHandle handle, unsigned long& count) {
    const auto p = port(handle);
    if (!p) return false;
    count = p->inputBuffers;
    return true;
}

bool SimBackend::setNumInputBuffers(HidHandle handle, unsigned long count) {
    const auto p = port(handle);
    if (!p || count < 2) return false;
    p->inputBuffers = count;
    return true;
}

ReadResult SimBackend::readReport(HidHandle handle, std::span<std::uint8_t> report,
                                  std::chrono::milliseconds timeout, std::stop_token stop) {
    const auto p = port(handle);
    if (!p || report.size() < adapterInfo(p->kind).inputReportLength) return ReadResult::StartFailed;
    const bool bridge = p->kind == AdapterKind::SerialBridge;
    const std::size_t room = bridge ? 7 : 4;
    for (auto left = timeout.count(); left > 0; left -= kPollSliceMs) {
        if (stop.stop_requested()) return ReadResult::Cancelled;
        pollfd pfd{p->fd, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, static_cast<int>(std::min<long long>(left, kPollSliceMs)));
        if (ready < 0 && errno != EINTR) return ReadResult::Failed;
        if (ready <= 0) continue;
        if (!(pfd.revents & POLLIN)) return ReadResult::Failed;
        std::array<std::uint8_t, 7> data{};
        const ssize_t got = ::read(p->fd, data.data(), room);
        if (got < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (got <= 0) return ReadResult::Failed;
        std::fill(report.begin(), report.end(), 0);
        const std::size_t first = bridge ? 2 : 1;
        if (bridge) report[1] = static_cast<std::uint8_t>(got);
        std::copy_n(data.begin(), got, report.begin() + static_cast<std::ptrdiff_t>(first));
        return ReadResult::Ok;
    }
    return ReadResult::TimedOut;
}

WriteResult SimBackend::writeReport(HidHandle handle, std::span<const std::uint8_t> report, std::chrono::milliseconds) {
    const auto p = port(handle);
    if (!p || report.size() != adapterInfo(p->kind).outputReportLength) return {WriteResult::WaitFailed, 0};
    const bool bridge = p->kind == AdapterKind::SerialBridge;
    const std::size_t first = bridge ? 2 : 1;
    const std::size_t count = bridge ? std::min<std::size_t>(report[1] & 0x07, 7) : 4;
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(p->fd, report.data() + first + done, count - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd pfd{p->fd, POLLOUT, 0};
            if (::poll(&pfd, 1, 1000) > 0) continue;
        }
        return {WriteResult::WaitFailed, 0};
    }
    return {WriteResult::Written, report.size()};
}

} // namespace ubrix
