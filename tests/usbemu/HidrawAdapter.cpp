#include "HidrawAdapter.h"

#include <umockdev.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace kovrin::usbemu {

namespace {

// How often the serial side is looked at for input when it is quiet; also the longest
// a stop waits for the pump.
constexpr int kPumpPollMs = 20;

gboolean OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer device)
{
    return static_cast<HidrawDevice*>(device)->HandleIoctl(client) ? TRUE : FALSE;
}
gboolean OnRead(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer device)
{
    return static_cast<HidrawDevice*>(device)->HandleRead(client) ? TRUE : FALSE;
}
gboolean OnWrite(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer device)
{
    return static_cast<HidrawDevice*>(device)->HandleWrite(client) ? TRUE : FALSE;
}

UMockdevIoctlData* Resolve(UMockdevIoctlData* data, std::size_t length)
{
    GError* error = nullptr;
    UMockdevIoctlData* out = umockdev_ioctl_data_resolve(data, 0, length, &error);
    if (error) g_error_free(error);
    return out;
}

std::string Hex4(unsigned v)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04X", v);
    return text;
}

} // namespace

HidrawTestbed::HidrawTestbed() : testbed_(umockdev_testbed_new()) {}

HidrawTestbed::~HidrawTestbed()
{
    g_object_unref(testbed_);
    devices_.clear();
}

std::string HidrawTestbed::Root() const
{
    gchar* root = umockdev_testbed_get_root_dir(testbed_);
    std::string out = root;
    g_free(root);
    return out;
}

HidrawDevice& HidrawTestbed::Plug(DeviceKind kind, const std::string& tty, Behaviour behaviour)
{
    const int index = next_++;
    std::unique_ptr<HidrawDevice> device(new HidrawDevice(kind, index, tty, behaviour));
    const KindInfo& k = Info(kind);
    const std::string bus = std::to_string(index + 1);
    const std::string usb = "/devices/usb" + bus + "/" + bus + "-1";
    const std::string hid = usb + "/" + bus + "-1:1.0/0003:" + Hex4(k.vendorId) + ":" + Hex4(k.productId) + "." +
                            Hex4(static_cast<unsigned>(index + 1));
    device->sysPath_ = "/sys" + hid + "/hidraw/hidraw" + std::to_string(index);
    char product[32];
    std::snprintf(product, sizeof product, "%x/%x/100", k.vendorId, k.productId);
    char hidId[32];
    std::snprintf(hidId, sizeof hidId, "0003:%08X:%08X", k.vendorId, k.productId);
    const std::string serial = "EMU" + std::to_string(index + 1);
    const std::string text =
        "P: " + usb + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: PRODUCT=" + product +
        "\nE: BUSNUM=00" + bus + "\nE: DEVNUM=001\nA: busnum=" + bus + "\\n\nA: devnum=1\\n\n"
        "A: idVendor=" + Hex4(k.vendorId) + "\\n\nA: idProduct=" + Hex4(k.productId) + "\\n\nA: bcdDevice=0100\\n\n"
        "A: serial=" + serial + "\\n\n\n"
        "P: " + usb + "/" + bus + "-1:1.0\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nE: INTERFACE=3/0/0\n"
        "E: PRODUCT=" + product + "\nA: bInterfaceNumber=00\\n\nA: bInterfaceClass=03\\n\n\n"
        "P: " + hid + "\nE: SUBSYSTEM=hid\nE: DRIVER=hid-generic\nE: HID_ID=" + hidId +
        "\nE: HID_NAME=Emulated adapter " + bus + "\nE: HID_UNIQ=" + serial + "\n\n"
        "P: " + hid + "/hidraw/hidraw" + std::to_string(index) + "\nN: hidraw" + std::to_string(index) +
        "\nE: SUBSYSTEM=hidraw\nE: DEVNAME=" + device->node_ + "\nE: MAJOR=240\nE: MINOR=" + std::to_string(index) +
        "\nA: dev=240:" + std::to_string(index) + "\\n\n";
    device->Attach(testbed_);
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed_, text.c_str(), &error))
        throw std::runtime_error(error ? error->message : "add_from_string failed");
    device->master_ = umockdev_testbed_get_dev_fd(testbed_, device->node_.c_str());
    char slave[256] = {};
    const std::string link = Root() + "/dev/hidraw" + std::to_string(index);
    if (device->master_ < 0 || ::readlink(link.c_str(), slave, sizeof slave - 1) <= 0)
        throw std::runtime_error("no pty behind " + device->node_);
    device->slave_ = ::open(slave, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (device->slave_ < 0) throw std::runtime_error(std::string("cannot open ") + slave);
    termios tio{};
    if (tcgetattr(device->slave_, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(device->slave_, TCSANOW, &tio);
    }
    device->HoldTerminal(slave);
    umockdev_testbed_uevent(testbed_, device->sysPath_.c_str(), "add");
    device->pump_ = std::thread([d = device.get()] { d->Pump(); });
    devices_.push_back(std::move(device));
    return *devices_.back();
}

void HidrawTestbed::Unplug(HidrawDevice& device)
{
    {
        std::lock_guard lock(device.mutex_);
        if (device.gone_) return;
        device.gone_ = true;
        device.ready_.clear();
    }
    umockdev_testbed_uevent(testbed_, device.sysPath_.c_str(), "remove");
    umockdev_testbed_remove_device(testbed_, device.sysPath_.c_str());
    device.ReleaseTerminal();
}

HidrawDevice::HidrawDevice(DeviceKind kind, int index, const std::string& tty, Behaviour behaviour)
    : side_(kind, tty), index_(index), node_("/dev/hidraw" + std::to_string(index)), behaviour_(behaviour)
{
}

HidrawDevice::~HidrawDevice()
{
    ReleaseTerminal();
    stop_ = true;
    if (pump_.joinable()) pump_.join();
    if (handler_) g_object_unref(handler_);
    if (slave_ >= 0) ::close(slave_);
}

void HidrawDevice::Attach(UMockdevTestbed* testbed)
{
    auto* handler = umockdev_ioctl_base_new();
    g_signal_connect(handler, "handle-ioctl", G_CALLBACK(OnIoctl), this);
    g_signal_connect(handler, "handle-read", G_CALLBACK(OnRead), this);
    g_signal_connect(handler, "handle-write", G_CALLBACK(OnWrite), this);
    handler_ = handler;
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed, node_.c_str(), handler, &error))
        throw std::runtime_error(error ? error->message : "attach_ioctl failed");
}

// A program that is a session leader without a terminal (Wine's device host is one) and
// opens a tty without O_NOCTTY (as Wine's HID bus opens hidraw nodes) makes it its
// controlling terminal: the node's pty would then be the device host's, and its hang-up at
// unplug signals the host (seen: the host stops serving every device on Wine's bus). A child in a session of its own takes
// the pty as its controlling terminal first, and holds it until the node is unplugged.
void HidrawDevice::HoldTerminal(const std::string& slave)
{
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) throw std::runtime_error("socketpair failed");
    const pid_t child = ::fork();
    if (child == 0) {
        // Plain system calls only: the preload's wrappers may hold locks of the parent's threads.
        const int keep = pair[1];
        ::syscall(SYS_close_range, 3u, static_cast<unsigned>(keep - 1), 0u);
        ::syscall(SYS_close_range, static_cast<unsigned>(keep + 1), ~0u, 0u);
        ::syscall(SYS_setsid);
        const long fd = ::syscall(SYS_openat, AT_FDCWD, slave.c_str(), O_RDWR);
        // Taken from a session that already took it (the bus may list a new node before
        // its add event), where this process may (root).
        const char held = fd >= 0 && (::syscall(SYS_ioctl, fd, TIOCSCTTY, 0) == 0 || ::syscall(SYS_ioctl, fd, TIOCSCTTY, 1) == 0);
        ::syscall(SYS_write, keep, &held, 1);
        char end;
        ::syscall(SYS_read, keep, &end, 1);  // until the parent closes its end
        ::syscall(SYS_exit_group, 0);
    }
    ::close(pair[1]);
    if (child < 0) {
        ::close(pair[0]);
        throw std::runtime_error("fork failed");
    }
    holder_ = child;
    holderSocket_ = pair[0];
    char held = 0;
    pollfd pfd{holderSocket_, POLLIN, 0};
    int ready = -1;
    while ((ready = ::poll(&pfd, 1, 5000)) < 0 && errno == EINTR) {
    }
    if (ready != 1 || ::read(holderSocket_, &held, 1) != 1 || held != 1)
        std::fprintf(stderr, "the pty of %s is not held as a terminal: Wine's device host may take it\n", node_.c_str());
}

void HidrawDevice::ReleaseTerminal()
{
    if (holder_ <= 0) return;
    ::close(holderSocket_);
    int status = 0;
    ::waitpid(holder_, &status, 0);
    holder_ = -1;
    holderSocket_ = -1;
}

Observed HidrawDevice::Seen() const
{
    std::lock_guard lock(mutex_);
    return seen_;
}

void HidrawDevice::SetSilent(bool silent)
{
    std::lock_guard lock(mutex_);
    behaviour_.silent = silent;
}

// Turns what the serial side has into input reports, each announced by a wake byte.
void HidrawDevice::Pump()
{
    while (!stop_) {
        pollfd pfd{side_.tty(), POLLIN, 0};
        if (side_.tty() < 0 || ::poll(&pfd, 1, kPumpPollMs) <= 0) {
            if (side_.tty() < 0) ::poll(nullptr, 0, kPumpPollMs);
            continue;
        }
        std::lock_guard lock(mutex_);
        if (gone_ || behaviour_.silent) {
            // Nothing is handed out, and nothing read is kept for later.
            (void)side_.Input();
            continue;
        }
        std::optional<Bytes> report = side_.Input();
        if (!report) continue;
        ready_.push_back(std::move(*report));
        const std::uint8_t wake = 0;
        if (::write(master_, &wake, 1) != 1) ready_.pop_back();
    }
}

bool HidrawDevice::HandleRead(void* handle)
{
    auto* client = static_cast<UMockdevIoctlClient*>(handle);
    UMockdevIoctlData* buffer = umockdev_ioctl_client_get_arg(client);
    std::unique_lock lock(mutex_);
    if (gone_) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return true;
    }
    std::uint8_t wake = 0;
    if (ready_.empty() || ::read(slave_, &wake, 1) != 1) {
        umockdev_ioctl_client_complete(client, -1, EAGAIN);
        return true;
    }
    Bytes report = std::move(ready_.front());
    ready_.pop_front();
    seen_.inputs.push_back(report);
    lock.unlock();
    // No report ids: the payload alone, as the kernel hands it out.
    const std::size_t n = std::min(report.size(), static_cast<std::size_t>(buffer->data_len));
    std::copy_n(report.begin(), n, buffer->data);
    umockdev_ioctl_client_complete(client, static_cast<glong>(n), 0);
    return true;
}

bool HidrawDevice::HandleWrite(void* handle)
{
    auto* client = static_cast<UMockdevIoctlClient*>(handle);
    UMockdevIoctlData* buffer = umockdev_ioctl_client_get_arg(client);
    std::lock_guard lock(mutex_);
    if (gone_) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return true;
    }
    const std::size_t length = static_cast<std::size_t>(buffer->data_len);
    // The report id (0) comes first, then the output report's payload.
    if (length > 1 && !behaviour_.takeNoOutput) {
        const std::uint8_t* payload = buffer->data + 1;
        seen_.outputs.emplace_back(payload, payload + length - 1);
        seen_.outputTimes.push_back(Clock::now());
        side_.Output(payload, length - 1);
        umockdev_ioctl_client_complete(client, static_cast<glong>(length), 0);
    } else {
        umockdev_ioctl_client_complete(client, -1, length > 1 ? ETIMEDOUT : EINVAL);
    }
    return true;
}

bool HidrawDevice::HandleIoctl(void* handle)
{
    auto* client = static_cast<UMockdevIoctlClient*>(handle);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    std::lock_guard lock(mutex_);
    if (gone_) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return true;
    }
    const KindInfo& k = Info(side_.kind());
    const std::size_t size = _IOC_SIZE(request);
    const auto answer = [&](const std::uint8_t* data, std::size_t count, std::size_t length, glong result) {
        UMockdevIoctlData* out = Resolve(arg, length);
        if (!out) {
            umockdev_ioctl_client_complete(client, -1, EFAULT);
            return;
        }
        std::copy_n(data, std::min(count, length), out->data);
        umockdev_ioctl_client_complete(client, result, 0);
        umockdev_ioctl_data_unref(out);
    };
    if (_IOC_TYPE(request) != 'H') {
        umockdev_ioctl_client_complete(client, -1, ENOTTY);
        return true;
    }
    switch (_IOC_NR(request)) {
    case _IOC_NR(HIDIOCGRDESCSIZE): {
        const int length = static_cast<int>(ReportDescriptor(k).size());
        answer(reinterpret_cast<const std::uint8_t*>(&length), sizeof length, sizeof length, 0);
        return true;
    }
    case _IOC_NR(HIDIOCGRDESC): {
        hidraw_report_descriptor d{};
        const Bytes descriptor = ReportDescriptor(k);
        d.size = static_cast<__u32>(descriptor.size());
        std::copy(descriptor.begin(), descriptor.end(), d.value);
        ++seen_.descriptorReads;
        answer(reinterpret_cast<const std::uint8_t*>(&d), sizeof d, sizeof d, 0);
        return true;
    }
    case _IOC_NR(HIDIOCGRAWINFO): {
        hidraw_devinfo info{3, static_cast<__s16>(k.vendorId), static_cast<__s16>(k.productId)};
        answer(reinterpret_cast<const std::uint8_t*>(&info), sizeof info, sizeof info, 0);
        return true;
    }
    case _IOC_NR(HIDIOCGFEATURE(0)): {
        if (!k.featureBytes) break;
        seen_.controls.push_back("GET_REPORT feature");
        Bytes report{0};
        report.insert(report.end(), side_.feature().begin(), side_.feature().end());
        report.resize(k.featureBytes + 1, 0);
        answer(report.data(), report.size(), size, static_cast<glong>(std::min(size, report.size())));
        return true;
    }
    case _IOC_NR(HIDIOCSFEATURE(0)): {
        if (!k.featureBytes || size < 2) break;
        UMockdevIoctlData* in = Resolve(arg, size);
        if (!in) break;
        seen_.controls.push_back("SET_REPORT feature " + Hex(in->data + 1, size - 1));
        side_.SetFeature(in->data + 1, size - 1);
        umockdev_ioctl_data_unref(in);
        umockdev_ioctl_client_complete(client, static_cast<glong>(size), 0);
        return true;
    }
    default:
        break;
    }
    umockdev_ioctl_client_complete(client, -1, ENOTTY);
    return true;
}

} // namespace kovrin::usbemu
