// Serial devices from sysfs: every tty with a device behind it, except on-board ports
// where no UART answered at boot. The serial core gives those a `type` attribute of 0
// (PORT_UNKNOWN); the kernel creates ttyS0..ttyS3 (or more) placeholders on every PC
// whether a chip is there or not, so a node in /dev proves nothing. Drivers that carry
// no `type` attribute (USB serial, CDC ACM) always stand for a real device.
#include "platform/PortFinder.h"
#include "platform/Folders.h"

#include "platform/PortMemory.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <unistd.h>

namespace kovrin {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kLargestMemoryFile = 64 * 1024;

struct Device {
    std::string tty;          // "ttyUSB0"
    std::string path;         // root + "/dev/ttyUSB0"
    std::string remembered;   // by-id name, else sysfs path
    std::string description;
    bool onBoard = false;
};

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

// The USB device above an interface: the folder with idVendor. Its product string is what
// the user knows the cable by.
std::string UsbDescription(const fs::path& device, const fs::path& sysRoot)
{
    std::error_code ec;
    for (fs::path p = fs::canonical(device, ec); !ec && p.has_relative_path() && p != sysRoot; p = p.parent_path()) {
        if (!fs::exists(p / "idVendor", ec))
            continue;
        for (const char* attribute : {"product", "manufacturer"})
            if (std::string text = ReadAttribute(p / attribute); !text.empty())
                return text;
        return "USB serial " + ReadAttribute(p / "idVendor") + ":" + ReadAttribute(p / "idProduct");
    }
    return {};
}

// tty name -> its stable name in dev/serial/by-id (links such as "../../ttyUSB0").
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
        if (const auto it = stable.find(d.tty); it != stable.end()) {
            d.remembered = it->second;
        } else {
            const fs::path real = fs::canonical(tty, e);
            const std::string rootText = fs::canonical(base, e).string();
            std::string sysPath = e ? "/sys/class/tty/" + d.tty : real.string();
            if (!e && rootText != "/" && sysPath.compare(0, rootText.size(), rootText) == 0)
                sysPath.erase(0, rootText.size());
            d.remembered = sysPath;
        }
        d.description = d.onBoard ? "on-board serial port" : UsbDescription(tty / "device", base / "sys");
        devices.push_back(std::move(d));
    }
    std::sort(devices.begin(), devices.end(), [](const Device& a, const Device& b) {
        return a.onBoard != b.onBoard ? a.onBoard : NaturalLess(a.tty, b.tty);
    });
    return devices;
}

void ReadMemoryFile(const std::string& file, std::string& text, std::vector<std::string>& notes)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return;  // no file yet: nothing remembered
    text.resize(kLargestMemoryFile + 1);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > kLargestMemoryFile) {
        notes.push_back("COM port memory " + file + " is larger than 64 KiB; only its start is read");
        text.resize(kLargestMemoryFile);
        text.erase(text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n'));
    }
}

// Whole file or nothing: a temporary file beside the target, renamed over it.
bool WriteMemoryFile(const std::string& file, const std::string& text, std::string& problem)
{
    std::error_code ec;
    fs::create_directories(fs::path(file).parent_path(), ec);
    std::string temp = file + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        problem = std::strerror(errno);
        return false;
    }
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0 && errno != EINTR)
            break;
        done += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    const bool written = done == text.size() && ::fsync(fd) == 0;
    const int closed = ::close(fd);
    if (written && closed == 0 && ::rename(temp.c_str(), file.c_str()) == 0)
        return true;
    problem = std::strerror(errno);
    ::unlink(temp.c_str());
    return false;
}

class PosixPortFinder final : public PortFinder {
public:
    PosixPortFinder(std::string root, std::string memoryFile) : root_(std::move(root)), memoryFile_(std::move(memoryFile)) {}

    PortScan Scan() override
    {
        PortScan scan;
        std::string text;
        if (!memoryFile_.empty())
            ReadMemoryFile(memoryFile_, text, scan.notes);
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
        if (changed && !memoryFile_.empty()) {
            std::string problem;
            if (!WriteMemoryFile(memoryFile_, FormatPortMemory(memory), problem))
                scan.notes.push_back("COM port memory " + memoryFile_ + " not written: " + problem);
        }

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
