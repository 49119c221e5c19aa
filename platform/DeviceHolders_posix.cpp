#include "platform/DeviceHolders.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <string_view>
#include <unistd.h>

namespace kovrin {

namespace {

constexpr const char* kLockFolder = "/var/lock";

std::string realName(const std::string& device)
{
    char* real = ::realpath(device.c_str(), nullptr);
    if (!real)
        return device;
    std::string out(real);
    std::free(real);
    return out;
}

// "/dev/pts/7" -> 7; -1 for any other device.
int ptyIndex(const std::string& real)
{
    constexpr std::string_view kPts = "/dev/pts/";
    if (real.compare(0, kPts.size(), kPts) != 0 || real.size() == kPts.size() ||
        real.find_first_not_of("0123456789", kPts.size()) != std::string::npos)
        return -1;
    return std::atoi(real.c_str() + kPts.size());
}

// Whether descriptor `fd` of process `pid` is the master of pseudo-terminal `index`.
bool isMasterOf(const std::string& pid, const char* fd, int index)
{
    std::ifstream info("/proc/" + pid + "/fdinfo/" + fd);
    for (std::string line; std::getline(info, line);)
        if (line.rfind("tty-index:", 0) == 0)
            return std::atoi(line.c_str() + 10) == index;
    return false;
}

bool alive(long pid)
{
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

// The process number a lock file names: ASCII, maybe padded with spaces; -1 when unreadable.
long lockFilePid(const std::string& path)
{
    std::ifstream file(path);
    long pid = -1;
    if (!(file >> pid))
        return -1;
    return pid;
}

} // namespace

std::string LockFilePath(const std::string& device)
{
    std::string name = realName(device);
    if (name.rfind("/dev/", 0) == 0)
        name.erase(0, 5);
    else if (const std::size_t slash = name.rfind('/'); slash != std::string::npos)
        name.erase(0, slash + 1);
    for (char& c : name)
        if (c == '/')
            c = '_';
    return std::string(kLockFolder) + "/LCK.." + name;
}

// Each descriptor's link text is compared with the device's name: reading a link in /proc
// never touches the file system behind it, whereas stat() would wait on a hung network or
// FUSE mount. The search ends after a second at most, on a busy machine too.
std::vector<std::string> DeviceOpeners(const std::string& device)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(1);
    std::vector<std::string> pids;
    char* real = ::realpath(device.c_str(), nullptr);
    if (!real)
        return pids;
    const std::string wanted(real);
    std::free(real);
    const int index = ptyIndex(wanted);
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return pids;
    const std::string self = std::to_string(::getpid());
    while (const dirent* p = ::readdir(proc)) {
        if (Clock::now() > deadline)
            break;
        const std::string pid = p->d_name;
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos || pid == self)
            continue;
        const std::string fdFolder = "/proc/" + pid + "/fd";
        DIR* fds = ::opendir(fdFolder.c_str());
        if (!fds)
            continue;
        bool opened = false, otherEnd = false;
        while (const dirent* f = ::readdir(fds)) {
            if (f->d_name[0] == '.')
                continue;
            char target[PATH_MAX];
            const ssize_t n = ::readlink((fdFolder + "/" + f->d_name).c_str(), target, sizeof target);
            const std::string_view link(target, static_cast<std::size_t>(n > 0 ? n : 0));
            if (link == wanted)
                opened = true;
            else if (index >= 0 && (link == "/dev/ptmx" || link == "/dev/pts/ptmx") &&
                     isMasterOf(pid, f->d_name, index))
                otherEnd = true;
        }
        ::closedir(fds);
        if (opened && !otherEnd)
            pids.push_back(pid);
    }
    ::closedir(proc);
    return pids;
}

std::optional<std::string> LockFileHolder(const std::string& device)
{
    const std::string path = LockFilePath(device);
    const long pid = lockFilePid(path);
    if (pid < 0)
        return std::nullopt;  // none, or not one this program can read: not honoured
    if (pid != ::getpid() && alive(pid))
        return std::to_string(pid);
    // Its process is gone (or was a crashed one with this program's number): stale.
    ::unlink(path.c_str());
    return std::nullopt;
}

DeviceLockFile::DeviceLockFile(const std::string& device)
{
    const std::string path = LockFilePath(device);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        // Made by another meanwhile: held, unless it is unreadable or stale (then not honoured).
        refused_ = errno == EEXIST && LockFileHolder(device).has_value();
        return;
    }
    char text[16];
    const int n = std::snprintf(text, sizeof text, "%10ld\n", static_cast<long>(::getpid()));
    const bool written = ::write(fd, text, static_cast<std::size_t>(n)) == n;
    ::close(fd);
    if (written)
        path_ = path;
    else
        ::unlink(path.c_str());
}

DeviceLockFile::~DeviceLockFile()
{
    if (!path_.empty() && lockFilePid(path_) == ::getpid())
        ::unlink(path_.c_str());
}

} // namespace kovrin
