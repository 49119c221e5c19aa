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
    std::string remembered;   // by-id name, USB port path or sysfs path
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

// One name per physical cable: its USB serial number where it has one (the by-id name
// udev derives from it, which older memory files hold), else the USB socket it is plugged
// into. Two identical cables without a serial number share one by-id name, and the tty
// name follows the order of detection, so neither of those identifies a cable.
std::string UsbIdentity(const UsbPlace& usb, const std::string* byId)
{
    const std::string serial = Printable(ReadAttribute(usb.device / "serial"));
    const std::string interface = usb.interface.filename().string();
    const std::string portNumber = usb.port != usb.interface ? ReadAttribute(usb.port / "port_number") : "";
    const std::string port = portNumber.empty() ? "" : "-port" + portNumber;
    if (!serial.empty()) {
        if (byId)
            return *byId;
        const std::string id = ReadAttribute(usb.device / "idVendor") + ":" + ReadAttribute(usb.device / "idProduct");
        return "usb-" + id + "-" + serial + "-if" + interface.substr(interface.rfind('.') + 1) + port;
    }
    return "usb-port-" + interface + port;
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
        const std::optional<UsbPlace> usb = d.onBoard ? std::nullopt : FindUsb(tty / "device", base / "sys");
        if (usb) {
            const auto it = stable.find(d.tty);
            d.remembered = UsbIdentity(*usb, it != stable.end() ? &it->second : nullptr);
            d.description = UsbDescription(*usb);
        } else {
            d.remembered = SysfsIdentity(tty, base, d.tty);
            d.description = d.onBoard ? "on-board serial port" : "";
        }
        devices.push_back(std::move(d));
    }
    std::sort(devices.begin(), devices.end(), [](const Device& a, const Device& b) {
        return a.onBoard != b.onBoard ? a.onBoard : NaturalLess(a.tty, b.tty);
    });
    return devices;
}

// False when the file is larger than this program writes: it is then read only in part
// and never rewritten, so nothing the user keeps in it is cut off.
bool ReadMemoryFile(const std::string& file, std::string& text, std::vector<std::string>& notes)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return true;  // no file yet: nothing remembered
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

// One scan at a time per memory file (the window and the tool may scan at once, and each
// must see the numbers the other gave), by a lock on the folder that holds the file: the
// file itself is replaced by each write. Within the lock, temporary files that a crash
// left behind are removed: no one is writing them.
class MemoryLock {
public:
    explicit MemoryLock(const std::string& file)
    {
        const fs::path folder = fs::path(file).parent_path();
        std::error_code ec;
        fs::create_directories(folder, ec);
        fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ < 0)
            return;
        while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
        }
        const std::string name = fs::path(file).filename().string();
        for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
            const std::string other = entry.path().filename().string();
            // "com-ports.Ab12Cd" (earlier versions) and ".com-ports.1a2b3c.tmp" (FileReplace.h)
            const bool old = other.size() == name.size() + 7 && other.compare(0, name.size() + 1, name + ".") == 0;
            const bool hidden = other.size() == name.size() + 12 &&
                                other.compare(0, name.size() + 2, "." + name + ".") == 0 &&
                                other.compare(other.size() - 4, 4, ".tmp") == 0;
            if (old || hidden)
                fs::remove(entry.path(), ec);
        }
    }
    ~MemoryLock()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    MemoryLock(const MemoryLock&) = delete;
    MemoryLock& operator=(const MemoryLock&) = delete;

private:
    int fd_ = -1;
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
        if (!memoryFile_.empty()) {
            lock.emplace(memoryFile_);
            mayWrite = ReadMemoryFile(memoryFile_, text, scan.notes);
        }
        PortMemory memory = ParsePortMemory(text, memoryFile_);
        scan.notes.insert(scan.notes.end(), memory.notes.begin(), memory.notes.end());

        const std::vector<Device> devices = FindDevices(root_);
        std::vector<std::string> names;
        for (const Device& d : devices)
            names.push_back(d.remembered);
        std::vector<int> numbers;
        const bool changed = AssignNumbers(memory, names, numbers);
        // Written only when a device was added; lines that could not be read stay in it as
        // comments for the user to mend.
        if (changed && mayWrite &&
            ReplaceFileContents(memoryFile_, FormatPortMemory(memory)) != ReplaceResult::Replaced)
            scan.notes.push_back("COM port memory " + memoryFile_ + " not written");
        lock.reset();

        for (int n = 1; n <= kComPortCount; ++n) {
            ComPort& port = scan.ports[static_cast<std::size_t>(n - 1)];
            port.number = n;
            port.remembered = memory.names[static_cast<std::size_t>(n - 1)];
        }
        for (std::size_t i = 0; i < devices.size(); ++i) {
            if (numbers[i] == 0) {
                scan.notes.push_back("No COM number left for " + devices[i].path);
                continue;
            }
            ComPort& port = scan.ports[static_cast<std::size_t>(numbers[i] - 1)];
            port.device = devices[i].path;
            port.description = devices[i].description;
            port.present = true;
            port.mayOpen = ::access(port.device.c_str(), R_OK | W_OK) == 0;
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
