// Serial devices from sysfs: every tty with a device behind it, except on-board ports
// where no UART answered at boot. The serial core gives those a `type` attribute of 0
// (PORT_UNKNOWN); the kernel creates ttyS0..ttyS3 (or more) placeholders on every PC
// whether a chip is there or not, so a node in /dev proves nothing. Drivers that carry
// no `type` attribute (USB serial, CDC ACM) always stand for a real device.
#include "platform/PortFinder.h"
#include "platform/Folders.h"

#include "platform/FileReplace.h"
#include "platform/PortMemory.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace kovrin {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kLargestMemoryFile = 64 * 1024;

struct Device {
    std::string tty;          // "ttyUSB0"
    std::string path;         // root + "/dev/ttyUSB0"
    // The names it is remembered by: the one to keep first, then older ones it may be
    // remembered by (a by-id name, a name of earlier versions).
    std::vector<std::string> names;
    std::string description;
    bool onBoard = false;
};

// A device-provided text as the menus and the tool show it: control characters (an
// escape sequence in a USB product string would reach the terminal) become '?'.
std::string Printable(std::string text)
{
    constexpr std::size_t kLongest = 64;
    if (text.size() > kLongest)
        text.resize(kLongest);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool c1 = c == 0xC2 && i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80;
        if (c1)
            text.erase(i, 1);  // a C1 control (U+0080..U+009F) in UTF-8
        if (c1 || c < 0x20 || c == 0x7F)
            text[i] = '?';
    }
    return text;
}

std::string ReadAttribute(const fs::path& file)
{
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

// ttyS2 before ttyS10: names compare by their letters, then by their number.
bool NaturalLess(const std::string& a, const std::string& b)
{
    const auto split = [](const std::string& s) {
        std::size_t i = s.size();
        while (i > 0 && s[i - 1] >= '0' && s[i - 1] <= '9')
            --i;
        return std::pair(s.substr(0, i), i < s.size() ? std::stoul(s.substr(i, 9)) : 0ul);
    };
    return split(a) < split(b);
}

// Where a tty sits on the USB: the device (the folder with idVendor) and its interface
// below it ("1-1.3:1.0", whose name is the port path the cable is plugged into).
struct UsbPlace {
    fs::path device;
    fs::path interface;
    fs::path port;  // the tty's own device folder
};

std::optional<UsbPlace> FindUsb(const fs::path& ttyDevice, const fs::path& sysRoot)
{
    std::error_code ec;
    const fs::path port = fs::canonical(ttyDevice, ec);
    fs::path below;
    for (fs::path p = port; !ec && p.has_relative_path() && p != sysRoot; below = p, p = p.parent_path()) {
        if (fs::exists(p / "idVendor", ec) && !below.empty())
            return UsbPlace{p, below, port};
    }
    return std::nullopt;
}

// Its product string is what the user knows the cable by.
std::string UsbDescription(const UsbPlace& usb)
{
    for (const char* attribute : {"product", "manufacturer"})
        if (std::string text = ReadAttribute(usb.device / attribute); !text.empty())
            return Printable(text);
    const std::string id = ReadAttribute(usb.device / "idVendor") + ":" + ReadAttribute(usb.device / "idProduct");
    return Printable("USB serial " + id);
}

std::string UsbSerial(const UsbPlace& usb) { return Printable(ReadAttribute(usb.device / "serial")); }

// What tells cables apart as far as their USB descriptors go: maker, model, serial number.
std::string UsbSerialKey(const UsbPlace& usb)
{
    const std::string serial = UsbSerial(usb);
    if (serial.empty())
        return {};
    return ReadAttribute(usb.device / "idVendor") + ":" + ReadAttribute(usb.device / "idProduct") + "-" + serial;
}

// Where the cable is plugged in: the USB controller's own device name (its PCI address,
// "0000:00:14.0", which does not change) and the chain of hub ports under it ("1.3"),
// with the interface and port of the tty: "0000:00:14.0-usb-0:1.3:1.0-port0". The bus
// number the kernel puts in front of the chain ("1-1.3") is left out: it follows the
// order in which controllers were found at boot.
std::string UsbPosition(const UsbPlace& usb, const std::string& portSuffix)
{
    const std::string interface = usb.interface.filename().string();  // "1-1.3:1.0"
    const std::size_t dash = interface.find('-');
    const std::string chain = dash == std::string::npos ? interface : interface.substr(dash + 1);
    std::string controller;
    for (fs::path p = usb.device; p.has_relative_path() && p != p.parent_path(); p = p.parent_path()) {
        const std::string name = p.filename().string();
        if (name.size() > 3 && name.compare(0, 3, "usb") == 0 &&
            name.find_first_not_of("0123456789", 3) == std::string::npos) {
            const std::string parent = p.parent_path().filename().string();
            if (parent != "devices")
                controller = parent + "-";
            break;
        }
    }
    return controller + "usb-0:" + chain + portSuffix;
}

// The names of a cable, the one to remember it by first. A cable with a USB serial number
// no other present cable shares is named by it (its by-id name where udev made one, which
// older memory files hold; else one built from the same parts, so a scan while udev is
// still making the link gives no second name). Cables sharing a serial number (clone chips)
// and cables without one are named by the socket they are plugged into: udev keeps one
// by-id link for all of them and tty names follow the order of detection, so neither
// tells such cables apart. Older names come after, so memory files keep their numbers.
std::vector<std::string> UsbNames(const UsbPlace& usb, const std::string* byId, bool sharedSerial)
{
    const std::string serial = UsbSerial(usb);
    const std::string interface = usb.interface.filename().string();
    const std::string portNumber = usb.port != usb.interface ? ReadAttribute(usb.port / "port_number") : "";
    const std::string port = portNumber.empty() ? "" : "-port" + portNumber;
    const std::string position = UsbPosition(usb, port);
    if (serial.empty())
        return {position, "usb-port-" + interface + port};
    const std::string id = ReadAttribute(usb.device / "idVendor") + ":" + ReadAttribute(usb.device / "idProduct");
    const std::string built = "usb-" + id + "-" + serial + "-if" + interface.substr(interface.rfind('.') + 1) + port;
    if (sharedSerial) {
        // The name one of them had alone (the by-id name is the same for all of them,
        // whichever tty the link points at): the first in turn keeps that number.
        std::vector<std::string> names{position};
        if (byId)
            names.push_back(*byId);
        names.push_back(built);
        return names;
    }
    if (byId)
        return {*byId, built};
    return {built};
}

// tty name -> its name in dev/serial/by-id (links such as "../../ttyUSB0").
std::map<std::string, std::string> StableNames(const fs::path& byId)
{
    std::map<std::string, std::string> names;
    std::error_code ec;
    for (const fs::directory_entry& link : fs::directory_iterator(byId, ec)) {
        std::error_code linkError;
        const fs::path target = fs::read_symlink(link.path(), linkError);
        if (!linkError)
            names.emplace(target.filename().string(), link.path().filename().string());
    }
    return names;
}

// A device not on USB (on-board, PCI card): its place in sysfs, which does not change.
std::string SysfsIdentity(const fs::path& tty, const fs::path& base, const std::string& name)
{
    std::error_code ttyError, rootError;
    const fs::path real = fs::canonical(tty, ttyError);
    if (ttyError)
        return "/sys/class/tty/" + name;
    std::string sysPath = real.string();
    const std::string rootText = fs::canonical(base, rootError).string();
    if (!rootError && rootText != "/" && sysPath.compare(0, rootText.size(), rootText) == 0)
        sysPath.erase(0, rootText.size());
    return sysPath;
}

std::vector<Device> FindDevices(const std::string& root)
{
    const fs::path base = fs::path(root);
    const fs::path classTty = base / "sys/class/tty";
    const std::map<std::string, std::string> stable = StableNames(base / "dev/serial/by-id");
    std::vector<Device> devices;
    std::vector<std::optional<UsbPlace>> places;
    std::map<std::string, std::vector<fs::path>> cablesBySerial;  // distinct USB devices per serial
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(classTty, ec)) {
        const fs::path tty = entry.path();
        std::error_code e;
        if (!fs::exists(tty / "device", e))
            continue;  // virtual terminals, ptmx, console
        Device d;
        d.tty = tty.filename().string();
        if (fs::exists(tty / "type", e)) {
            const std::string type = ReadAttribute(tty / "type");
            if (type.empty() || std::strtol(type.c_str(), nullptr, 10) == 0)
                continue;
            d.onBoard = true;
        }
        d.path = (base / "dev" / d.tty).string();
        std::optional<UsbPlace> usb = d.onBoard ? std::nullopt : FindUsb(tty / "device", base / "sys");
        if (usb) {
            d.description = UsbDescription(*usb);
            if (const std::string key = UsbSerialKey(*usb); !key.empty()) {
                std::vector<fs::path>& cables = cablesBySerial[key];
                if (std::find(cables.begin(), cables.end(), usb->device) == cables.end())
                    cables.push_back(usb->device);  // a cable with several ports is one cable
            }
        } else {
            d.names = {SysfsIdentity(tty, base, d.tty)};
            d.description = d.onBoard ? "on-board serial port" : "";
        }
        devices.push_back(std::move(d));
        places.push_back(std::move(usb));
    }
    std::map<std::string, std::string> byIdOfSerial;  // the by-id name udev gave one of them
    for (std::size_t i = 0; i < devices.size(); ++i)
        if (const auto it = stable.find(devices[i].tty); places[i] && it != stable.end())
            byIdOfSerial.emplace(UsbSerialKey(*places[i]) + "|" + places[i]->interface.extension().string(),
                                 it->second);
    for (std::size_t i = 0; i < devices.size(); ++i) {
        if (!places[i])
            continue;
        const std::string key = UsbSerialKey(*places[i]);
        const bool shared = !key.empty() && cablesBySerial[key].size() > 1;
        const auto own = stable.find(devices[i].tty);
        const auto group = byIdOfSerial.find(key + "|" + places[i]->interface.extension().string());
        const std::string* byId = own != stable.end() ? &own->second : nullptr;
        if (shared)
            byId = group != byIdOfSerial.end() ? &group->second : nullptr;
        devices[i].names = UsbNames(*places[i], byId, shared);
    }
    std::sort(devices.begin(), devices.end(), [](const Device& a, const Device& b) {
        return a.onBoard != b.onBoard ? a.onBoard : NaturalLess(a.tty, b.tty);
    });
    return devices;
}

// False when the file must not be rewritten: larger than this program writes (read only in
// part, so nothing the user keeps in it is cut off), or there but unreadable (writing over
// it would lose every number in it).
bool ReadMemoryFile(const std::string& file, std::string& text, std::vector<std::string>& notes,
                    std::vector<std::string>& warnings)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        const int why = errno;
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(file, ec)))
            return true;  // no file yet: nothing remembered
        warnings.push_back("COM port memory " + file + " cannot be read (" + std::strerror(why) +
                           "); the numbers given now hold for this run only, and the file is left as it is");
        return false;
    }
    text.resize(kLargestMemoryFile + 1);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() <= kLargestMemoryFile)
        return true;
    notes.push_back("COM port memory " + file + " is larger than 64 KiB; only its start is read and it is not changed");
    text.resize(kLargestMemoryFile);
    text.erase(text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n'));
    return false;
}

// ".com-ports.1a2b3c.tmp": the temporary name FileReplace.h gives while it writes the file.
bool IsOwnTemporary(const std::string& other, const std::string& name)
{
    const std::string head = "." + name + ".";
    constexpr std::size_t kRandom = 6;
    if (other.size() != head.size() + kRandom + 4 || other.compare(0, head.size(), head) != 0 ||
        other.compare(other.size() - 4, 4, ".tmp") != 0)
        return false;
    return other.find_first_not_of("0123456789abcdef", head.size()) == head.size() + kRandom;
}

// One scan at a time per memory file (the window and the tool may scan at once, and each
// must see the numbers the other gave), by a lock on a file of its own beside it (the
// memory file itself is replaced by each write), opened for writing: a network file system
// grants a lock only to a file opened so. The wait is bounded: after a second the scan
// goes on without changing the memory. Within the lock, temporary files that a crash left
// behind are removed: no one is writing them.
class MemoryLock {
public:
    explicit MemoryLock(const std::string& file)
    {
        const fs::path folder = fs::path(file).parent_path();
        std::error_code ec;
        fs::create_directories(folder, ec);
        fd_ = ::open((file + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd_ < 0)
            return;  // no lock to be had here; nor, then, a file to write
        constexpr int kWaitMs = 1000;
        for (int waited = 0, step = 5;; waited += step, step = std::min(step * 2, 100)) {
            if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
                held_ = true;
                break;
            }
            if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= kWaitMs)
                break;
            ::usleep(static_cast<useconds_t>(step) * 1000);
        }
        if (!held_)
            return;
        const std::string name = fs::path(file).filename().string();
        for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec))
            if (IsOwnTemporary(entry.path().filename().string(), name))
                fs::remove(entry.path(), ec);
    }
    ~MemoryLock()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    MemoryLock(const MemoryLock&) = delete;
    MemoryLock& operator=(const MemoryLock&) = delete;

    // False when another scan held the lock beyond the wait.
    bool held() const { return held_ || fd_ < 0; }

private:
    int fd_ = -1;
    bool held_ = false;
};

class PosixPortFinder final : public PortFinder {
public:
    PosixPortFinder(std::string root, std::string memoryFile) : root_(std::move(root)), memoryFile_(std::move(memoryFile)) {}

    PortScan Scan() override
    {
        PortScan scan;
        std::string text;
        std::optional<MemoryLock> lock;
        bool mayWrite = false;
        std::vector<std::string> unkept;  // why the numbers given may not hold next time
        if (!memoryFile_.empty()) {
            lock.emplace(memoryFile_);
            mayWrite = ReadMemoryFile(memoryFile_, text, scan.notes, unkept);
            if (!lock->held()) {
                mayWrite = false;
                unkept.push_back("COM port memory " + memoryFile_ +
                                 " is in use by another Kovrin for over a second; it is read as it stands and new "
                                 "numbers are not kept");
            }
        }
        PortMemory memory = ParsePortMemory(text, memoryFile_);
        scan.notes.insert(scan.notes.end(), memory.notes.begin(), memory.notes.end());

        const std::vector<Device> devices = FindDevices(root_);
        std::vector<std::vector<std::string>> names;
        for (const Device& d : devices)
            names.push_back(d.names);
        const Assignment given = AssignNumbers(memory, names);
        // Written only when a device was added; lines that could not be read stay in it as
        // comments for the user to mend.
        if (given.changed && mayWrite &&
            ReplaceFileContents(memoryFile_, FormatPortMemory(memory)) != ReplaceResult::Replaced)
            unkept.push_back("COM port memory " + memoryFile_ +
                             " not written; the numbers given now may change next time");
        lock.reset();

        for (int n = 1; n <= kComPortCount; ++n) {
            ComPort& port = scan.ports[static_cast<std::size_t>(n - 1)];
            port.number = n;
            port.remembered = memory.names[static_cast<std::size_t>(n - 1)];
        }
        for (std::size_t i = 0; i < devices.size(); ++i) {
            if (given.numbers[i] == 0) {
                scan.warnings.push_back("No COM number left for " + devices[i].path +
                                        ": all eight stand for devices plugged in now");
                continue;
            }
            ComPort& port = scan.ports[static_cast<std::size_t>(given.numbers[i] - 1)];
            port.device = devices[i].path;
            port.description = devices[i].description;
            port.present = true;
            port.mayOpen = ::access(port.device.c_str(), R_OK | W_OK) == 0;
            if (!given.takenFrom[i].empty())
                port.warnings.push_back("COM" + std::to_string(port.number) + " was kept for " + given.takenFrom[i] +
                                        ", which is not plugged in; it now stands for " + devices[i].path);
            port.warnings.insert(port.warnings.end(), unkept.begin(), unkept.end());
        }
        for (ComPort& port : scan.ports) {
            const std::optional<std::string> device = ComPortOverride(port.number);
            if (!device)
                continue;
            const int number = port.number;
            port = ComPort{};
            port.number = number;
            port.device = *device;
            port.description = "KOVRIN_COM" + std::to_string(number);
            port.fromVariable = true;
            std::error_code ec;
            port.present = fs::exists(port.device, ec);
            port.mayOpen = ::access(port.device.c_str(), R_OK | W_OK) == 0;
        }
        for (const ComPort& port : scan.ports)
            for (const std::string& w : port.warnings)
                if (std::find(scan.warnings.begin(), scan.warnings.end(), w) == scan.warnings.end())
                    scan.warnings.push_back(w);
        for (const std::string& w : unkept)
            if (std::find(scan.warnings.begin(), scan.warnings.end(), w) == scan.warnings.end())
                scan.warnings.push_back(w);
        return scan;
    }

private:
    std::string root_;
    std::string memoryFile_;
};

} // namespace

std::unique_ptr<PortFinder> MakePortFinder(const std::string& root, const std::string& memoryFile)
{
    return std::make_unique<PosixPortFinder>(root, memoryFile);
}

std::unique_ptr<PortFinder> MakeSystemPortFinder() { return MakePortFinder("/", PortMemoryFile()); }

std::string PortMemoryFile()
{
    const std::string folder = XdgFolder("XDG_CONFIG_HOME", ".config");
    return folder.empty() ? std::string() : folder + "/kovrin/com-ports";
}

} // namespace kovrin
