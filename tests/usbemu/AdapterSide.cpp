#include "AdapterSide.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace kovrin::usbemu {

namespace {

// Feature report before the host sets it: 9600 baud, 8N1.
constexpr std::array<std::uint8_t, 5> kFactoryFeature{0x80, 0x25, 0x00, 0x00, 0x03};

const KindInfo kKinds[] = {
    {0x0A6D, 0x0005, 4, 4, 4},  // plain adapter: 5-byte reports with their id
    {0x04B4, 0x5500, 8, 8, 5},  // serial-bridge adapter: 9-byte reports, 6-byte feature
    {0x046D, 0xC31C, 8, 0, 0},  // a keyboard: a HID device that is no adapter
};

void SetRaw(int fd)
{
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return;
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&tio, B1200);
    cfsetospeed(&tio, B1200);
    tcsetattr(fd, TCSANOW, &tio);
}

} // namespace

const KindInfo& Info(DeviceKind kind) { return kKinds[static_cast<int>(kind)]; }

Bytes ReportDescriptor(const KindInfo& k)
{
    Bytes d{0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08};
    const auto item = [&](std::size_t count, std::uint8_t main) {
        if (count == 0) return;
        d.insert(d.end(), {0x95, static_cast<std::uint8_t>(count), 0x09, 0x01, main, 0x02});
    };
    item(k.inputBytes, 0x81);
    item(k.outputBytes, 0x91);
    item(k.featureBytes, 0xB1);
    d.push_back(0xC0);
    return d;
}

std::string Hex(const std::uint8_t* data, std::size_t count)
{
    std::string out;
    char two[4];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(two, sizeof two, "%02x", data[i]);
        if (i) out += ' ';
        out += two;
    }
    return out;
}

AdapterSide::AdapterSide(DeviceKind kind, const std::string& tty)
    : kind_(kind), feature_(kFactoryFeature.begin(), kFactoryFeature.end())
{
    if (tty.empty()) return;
    tty_ = ::open(tty.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (tty_ < 0) throw std::runtime_error("cannot open " + tty);
    SetRaw(tty_);
    // A freshly plugged adapter has received nothing yet.
    tcflush(tty_, TCIFLUSH);
}

AdapterSide::~AdapterSide()
{
    if (tty_ >= 0) ::close(tty_);
}

void AdapterSide::Output(const std::uint8_t* data, std::size_t length)
{
    // Plain: four data bytes. Serial bridge: the count in the low bits, then the data.
    if (kind_ == DeviceKind::SerialBridge && length > 0)
        WriteSerial(data + 1, std::min<std::size_t>(data[0] & 0x07, length - 1));
    else
        WriteSerial(data, length);
}

// Plain: up to four data bytes; serial bridge: the count and up to seven.
std::optional<Bytes> AdapterSide::Input()
{
    if (tty_ < 0) return std::nullopt;
    const bool bridge = kind_ == DeviceKind::SerialBridge;
    std::array<std::uint8_t, 7> data{};
    const ssize_t got = ::read(tty_, data.data(), bridge ? 7 : 4);
    if (got <= 0) return std::nullopt;
    Bytes report(Info(kind_).inputBytes, 0);
    if (bridge) report[0] = static_cast<std::uint8_t>(got);
    std::copy_n(data.begin(), got, report.begin() + (bridge ? 1 : 0));
    return report;
}

void AdapterSide::SetFeature(const std::uint8_t* data, std::size_t length)
{
    feature_.assign(data, data + std::min(length, Info(kind_).featureBytes));
}

void AdapterSide::WriteSerial(const std::uint8_t* data, std::size_t count)
{
    if (tty_ < 0) return;
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(tty_, data + done, count - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd pfd{tty_, POLLOUT, 0};
            if (::poll(&pfd, 1, 1000) <= 0) return;
        } else {
            return;
        }
    }
}

} // namespace kovrin::usbemu
