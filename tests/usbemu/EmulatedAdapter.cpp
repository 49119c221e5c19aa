#include "EmulatedAdapter.h"

#include <umockdev.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <poll.h>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace kovrin::usbemu {

namespace {

// The device node is a plain file, so libusb's poll always finds it ready and reaps in a
// loop; an empty reap is answered after this pause to keep that loop cheap.
constexpr auto kEmptyReapPause = std::chrono::milliseconds(5);

void Put16(Bytes& out, unsigned v)
{
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

Bytes DeviceDescriptor(const KindInfo& k)
{
    Bytes d{0x12, 0x01, 0x10, 0x01, 0x00, 0x00, 0x00, 0x08};
    Put16(d, k.vendorId);
    Put16(d, k.productId);
    Put16(d, 0x0100);
    d.insert(d.end(), {0x00, 0x00, 0x00, 0x01});  // no strings, one configuration
    return d;
}

// One configuration, one HID interface, interrupt IN (and OUT for the adapters).
Bytes ConfigDescriptor(const KindInfo& k, bool keyboard)
{
    const std::size_t reportLength = ReportDescriptor(k).size();
    const std::uint8_t endpoints = k.outputBytes ? 2 : 1;
    Bytes d{0x09, 0x02, 0x00, 0x00, 0x01, 0x01, 0x00, 0x80, 0x32};
    d.insert(d.end(), {0x09, 0x04, 0x00, 0x00, endpoints, 0x03, static_cast<std::uint8_t>(keyboard ? 1 : 0),
                       static_cast<std::uint8_t>(keyboard ? 1 : 0), 0x00});
    d.insert(d.end(), {0x09, 0x21, 0x11, 0x01, 0x00, 0x01, 0x22});
    Put16(d, static_cast<unsigned>(reportLength));
    d.insert(d.end(), {0x07, 0x05, 0x81, 0x03, 0x08, 0x00, 0x0A});
    if (k.outputBytes) d.insert(d.end(), {0x07, 0x05, 0x02, 0x03, 0x08, 0x00, 0x0A});
    d[2] = static_cast<std::uint8_t>(d.size());
    return d;
}

gboolean OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer device)
{
    return static_cast<Device*>(device)->HandleIoctl(client) ? TRUE : FALSE;
}

UMockdevIoctlData* Resolve(UMockdevIoctlData* data, std::size_t offset, std::size_t length)
{
    GError* error = nullptr;
    UMockdevIoctlData* out = umockdev_ioctl_data_resolve(data, offset, length, &error);
    if (error) g_error_free(error);
    return out;
}

} // namespace

// One submitted URB, held until it is reaped. The data objects stand for the client's
// memory: what is written into them reaches the client when the reap completes.
struct Device::Urb {
    UMockdevIoctlData* urb = nullptr;
    UMockdevIoctlData* buffer = nullptr;
    usbdevfs_urb* fields() const { return reinterpret_cast<usbdevfs_urb*>(urb->data); }
    bool in() const { return (fields()->endpoint & 0x80) != 0; }
    ~Urb()
    {
        if (buffer) umockdev_ioctl_data_unref(buffer);
        if (urb) umockdev_ioctl_data_unref(urb);
    }
};

Testbed::Testbed() : testbed_(umockdev_testbed_new()) {}

Testbed::~Testbed()
{
    // The handlers go with the testbed; devices outlive them, so no call reaches a freed one.
    g_object_unref(testbed_);
    devices_.clear();
}

bool Testbed::Active() { return umockdev_in_mock_environment(); }

Device& Testbed::Plug(DeviceKind kind, const std::string& tty, Behaviour behaviour)
{
    const int bus = nextBus_++;
    std::unique_ptr<Device> device(new Device(kind, bus, tty, behaviour));
    const KindInfo& k = Info(kind);
    auto* handler = umockdev_ioctl_base_new();
    g_signal_connect(handler, "handle-ioctl", G_CALLBACK(OnIoctl), device.get());
    device->handler_ = handler;

    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed_, device->devNode_.c_str(), handler, &error))
        throw std::runtime_error(error ? error->message : "attach_ioctl failed");

    char busText[8];
    std::snprintf(busText, sizeof busText, "%03d", bus);
    Bytes descriptors = DeviceDescriptor(k);
    const Bytes config = ConfigDescriptor(k, kind == DeviceKind::Keyboard);
    descriptors.insert(descriptors.end(), config.begin(), config.end());
    std::string hex = Hex(descriptors.data(), descriptors.size());
    hex.erase(std::remove(hex.begin(), hex.end(), ' '), hex.end());
    char ids[64];
    std::snprintf(ids, sizeof ids, "A: idVendor=%04x\\n\nA: idProduct=%04x\\n\n", k.vendorId, k.productId);
    const std::string text = "P: " + device->sysPath_.substr(4) + "\n"
                             "N: bus/usb/" + busText + "/001\n"
                             "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\n"
                             "E: BUSNUM=" + busText + "\nE: DEVNUM=001\n"
                             "E: DEVNAME=" + device->devNode_ + "\n"
                             "A: bConfigurationValue=1\\n\n"
                             "A: busnum=" + std::to_string(bus) + "\\n\n"
                             "A: devnum=1\\n\n"
                             "A: speed=12\\n\n"
                             + ids +
                             "H: descriptors=" + hex + "\n";
    if (!umockdev_testbed_add_from_string(testbed_, text.c_str(), &error))
        throw std::runtime_error(error ? error->message : "add_from_string failed");
    devices_.push_back(std::move(device));
    return *devices_.back();
}

void Testbed::Unplug(Device& device)
{
    {
        std::lock_guard lock(device.mutex_);
        device.gone_ = true;
    }
    umockdev_testbed_uevent(testbed_, device.sysPath_.c_str(), "remove");
    umockdev_testbed_remove_device(testbed_, device.sysPath_.c_str());
}

Device::Device(DeviceKind kind, int bus, const std::string& tty, Behaviour behaviour)
    : side_(kind, tty), kind_(kind), behaviour_(behaviour)
{
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03d/001", bus);
    devNode_ = node;
    sysPath_ = "/sys/devices/usb" + std::to_string(bus) + "/" + std::to_string(bus) + "-1";
}

Device::~Device()
{
    if (handler_) g_object_unref(handler_);
}

Observed Device::Seen() const
{
    std::lock_guard lock(mutex_);
    return seen_;
}

void Device::SetSilent(bool silent)
{
    std::lock_guard lock(mutex_);
    behaviour_.silent = silent;
}

bool Device::HandleIoctl(void* handle)
{
    auto* client = static_cast<UMockdevIoctlClient*>(handle);
    const gulong request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);

    if (request == USBDEVFS_REAPURB || request == USBDEVFS_REAPURBNDELAY) {
        Reap(client, arg);
        return true;
    }
    if (request == USBDEVFS_DISCARDURB) {
        Discard(client, arg);
        return true;
    }
    std::unique_lock lock(mutex_);
    if (gone_) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return true;
    }
    switch (request) {
    case USBDEVFS_SUBMITURB:
        lock.unlock();
        Submit(client, arg);
        return true;
    case USBDEVFS_GET_CAPABILITIES: {
        UMockdevIoctlData* caps = Resolve(arg, 0, sizeof(std::uint32_t));
        *reinterpret_cast<std::uint32_t*>(caps->data) =
            USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_REAP_AFTER_DISCONNECT | USBDEVFS_CAP_ZERO_PACKET;
        umockdev_ioctl_client_complete(client, 0, 0);
        umockdev_ioctl_data_unref(caps);
        return true;
    }
    case USBDEVFS_GETDRIVER: {
        if (!driverBound_) {
            umockdev_ioctl_client_complete(client, -1, ENODATA);
            return true;
        }
        UMockdevIoctlData* d = Resolve(arg, 0, sizeof(usbdevfs_getdriver));
        std::strcpy(reinterpret_cast<usbdevfs_getdriver*>(d->data)->driver, "usbhid");
        umockdev_ioctl_client_complete(client, 0, 0);
        umockdev_ioctl_data_unref(d);
        return true;
    }
    case USBDEVFS_IOCTL: {
        UMockdevIoctlData* d = Resolve(arg, 0, sizeof(usbdevfs_ioctl));
        const int code = reinterpret_cast<usbdevfs_ioctl*>(d->data)->ioctl_code;
        if (code == static_cast<int>(USBDEVFS_DISCONNECT)) driverBound_ = false;
        if (code == static_cast<int>(USBDEVFS_CONNECT)) driverBound_ = true;
        umockdev_ioctl_client_complete(client, 0, 0);
        umockdev_ioctl_data_unref(d);
        return true;
    }
    case USBDEVFS_CLAIMINTERFACE:
        if (behaviour_.claimBusy) {
            ++seen_.claimRefusals;
            umockdev_ioctl_client_complete(client, -1, EBUSY);
        } else {
            ++seen_.claims;
            umockdev_ioctl_client_complete(client, 0, 0);
        }
        return true;
    case USBDEVFS_RELEASEINTERFACE:
    case USBDEVFS_SETINTERFACE:
    case USBDEVFS_CLEAR_HALT:
    case USBDEVFS_RESET:
    case USBDEVFS_RESETEP:
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    default:
        umockdev_ioctl_client_complete(client, -1, ENOTTY);
        return true;
    }
}

void Device::Submit(void* handle, void* argument)
{
    auto* client = static_cast<UMockdevIoctlClient*>(handle);
    auto urb = std::make_unique<Urb>();
    urb->urb = Resolve(static_cast<UMockdevIoctlData*>(argument), 0, sizeof(usbdevfs_urb));
    if (!urb->urb) {
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return;
    }
    const usbdevfs_urb* f = urb->fields();
    urb->buffer = Resolve(urb->urb, offsetof(usbdevfs_urb, buffer), static_cast<std::size_t>(f->buffer_length));
    if (!urb->buffer || f->buffer_length < (f->type == USBDEVFS_URB_TYPE_CONTROL ? 8 : 0)) {
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return;
    }

    std::lock_guard lock(mutex_);
    if (f->type == USBDEVFS_URB_TYPE_CONTROL) {
        Control(*urb);
        done_.push_back(std::move(urb));
    } else if (f->type != USBDEVFS_URB_TYPE_INTERRUPT) {
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return;
    } else if (urb->in() || behaviour_.takeNoOutput) {
        flying_.push_back(std::move(urb));
    } else {
        const std::uint8_t* data = urb->buffer->data;
        const std::size_t length = static_cast<std::size_t>(f->buffer_length);
        seen_.outputs.emplace_back(data, data + length);
        seen_.outputTimes.push_back(Clock::now());
        side_.Output(data, length);
        urb->fields()->actual_length = f->buffer_length;
        urb->fields()->status = 0;
        done_.push_back(std::move(urb));
    }
    umockdev_ioctl_client_complete(client, 0, 0);
}

// Standard and HID class requests on endpoint 0. The setup packet comes first in the
// buffer; data follows it, and the length reaped counts the data only.
bool Device::Control(Urb& urb)
{
    std::uint8_t* b = urb.buffer->data;
    usbdevfs_urb* f = urb.fields();
    const std::uint8_t type = b[0];
    const std::uint8_t request = b[1];
    const unsigned value = b[2] | (b[3] << 8);
    const std::size_t length = std::min<std::size_t>(b[6] | (b[7] << 8), f->buffer_length - 8);
    const KindInfo& k = Info(kind_);
    const auto answer = [&](const Bytes& data) {
        const std::size_t n = std::min(length, data.size());
        std::copy_n(data.begin(), n, b + 8);
        f->actual_length = static_cast<int>(n);
        f->status = 0;
        return true;
    };
    f->actual_length = 0;
    if (type == 0x80 && request == 0x06 && (value >> 8) == 0x01) return answer(DeviceDescriptor(k));
    if (type == 0x80 && request == 0x06 && (value >> 8) == 0x02)
        return answer(ConfigDescriptor(k, kind_ == DeviceKind::Keyboard));
    if (type == 0x81 && request == 0x06 && (value >> 8) == 0x22) return answer(ReportDescriptor(k));
    if (type == 0xA1 && request == 0x01 && (value >> 8) == 0x03 && k.featureBytes) {
        seen_.controls.push_back("GET_REPORT feature");
        return answer(side_.feature());
    }
    if (type == 0x21 && request == 0x09 && (value >> 8) == 0x03 && k.featureBytes) {
        seen_.controls.push_back("SET_REPORT feature " + Hex(b + 8, length));
        side_.SetFeature(b + 8, length);
        f->actual_length = static_cast<int>(length);
        f->status = 0;
        return true;
    }
    if (type == 0x21 && request == 0x0A) {  // SET_IDLE
        f->status = 0;
        return true;
    }
    seen_.controls.push_back("stall " + Hex(b, 8));
    f->status = -EPIPE;
    return false;
}

// An input report from what the serial side has ready.
bool Device::FillInput(Urb& urb)
{
    if (behaviour_.silent) return false;
    const std::optional<Bytes> report = side_.Input();
    if (!report) return false;
    usbdevfs_urb* f = urb.fields();
    const std::size_t n = std::min<std::size_t>(report->size(), f->buffer_length);
    std::copy_n(report->begin(), n, urb.buffer->data);
    f->actual_length = static_cast<int>(n);
    f->status = 0;
    seen_.inputs.push_back(*report);
    return true;
}

void Device::Reap(void* handle, void* argument)
{
    auto* client = static_cast<UMockdevIoctlClient*>(handle);
    std::unique_ptr<Urb> urb;
    {
        std::lock_guard lock(mutex_);
        if (done_.empty() && !gone_) {
            const auto in = std::find_if(flying_.begin(), flying_.end(), [](const auto& u) { return u->in(); });
            if (in != flying_.end() && FillInput(**in)) {
                done_.push_back(std::move(*in));
                flying_.erase(in);
            }
        }
        if (done_.empty() && gone_) {
            // After a disconnect the kernel hands back every URB as shut down.
            for (auto& u : flying_) {
                u->fields()->status = -ESHUTDOWN;
                u->fields()->actual_length = 0;
                done_.push_back(std::move(u));
            }
            flying_.clear();
            if (done_.empty()) {
                umockdev_ioctl_client_complete(client, -1, ENODEV);
                return;
            }
        }
        if (!done_.empty()) {
            urb = std::move(done_.front());
            done_.erase(done_.begin());
        } else {
            ++seen_.emptyReaps;
        }
    }
    if (!urb) {
        std::this_thread::sleep_for(kEmptyReapPause);
        umockdev_ioctl_client_complete(client, -1, EAGAIN);
        return;
    }
    UMockdevIoctlData* slot = Resolve(static_cast<UMockdevIoctlData*>(argument), 0, sizeof(void*));
    umockdev_ioctl_data_set_ptr(slot, 0, urb->urb);
    umockdev_ioctl_client_complete(client, 0, 0);
    umockdev_ioctl_data_unref(slot);
}

// A cancelled URB comes back at the next reap with -ENOENT; libusb waits for that.
void Device::Discard(void* handle, void* argument)
{
    auto* client = static_cast<UMockdevIoctlClient*>(handle);
    const gulong address = *reinterpret_cast<gulong*>(static_cast<UMockdevIoctlData*>(argument)->data);
    std::lock_guard lock(mutex_);
    const auto it = std::find_if(flying_.begin(), flying_.end(), [&](const auto& u) { return u->urb->client_addr == address; });
    if (it == flying_.end()) {
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return;
    }
    (*it)->fields()->status = -ENOENT;
    (*it)->fields()->actual_length = 0;
    done_.push_back(std::move(*it));
    flying_.erase(it);
    umockdev_ioctl_client_complete(client, 0, 0);
}

} // namespace kovrin::usbemu
