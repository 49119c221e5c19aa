#include "tools/ats-sim/Line.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace kovrin::sim {

namespace {

std::string Errno(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

// Raw 8N1 at 1200 baud. Echo must be off before anyone writes: with echo the answers
// written into the master would come straight back as if they were requests.
bool MakeRaw(int fd)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return false;
    cfmakeraw(&t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, B1200);
    cfsetospeed(&t, B1200);
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

} // namespace

std::optional<Line> Line::OpenPty(std::string& error)
{
    Line line;
    line.io_.reset(posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!line.io_) {
        error = Errno("posix_openpt");
        return std::nullopt;
    }
    if (grantpt(line.io_.get()) != 0 || unlockpt(line.io_.get()) != 0) {
        error = Errno("unlockpt");
        return std::nullopt;
    }
    char name[128];
    if (ptsname_r(line.io_.get(), name, sizeof name) != 0) {
        error = Errno("ptsname");
        return std::nullopt;
    }
    line.path_ = name;
    line.keepSlave_.reset(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!line.keepSlave_) {
        error = Errno("open " + line.path_);
        return std::nullopt;
    }
    if (!MakeRaw(line.keepSlave_.get())) {
        error = Errno("tcsetattr " + line.path_);
        return std::nullopt;
    }
    return line;
}

std::optional<Line> Line::OpenDevice(const std::string& path, std::string& error)
{
    Line line;
    line.path_ = path;
    line.io_.reset(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!line.io_) {
        error = Errno("open " + path);
        return std::nullopt;
    }
    if (!MakeRaw(line.io_.get())) {
        error = Errno("tcsetattr " + path);
        return std::nullopt;
    }
    tcflush(line.io_.get(), TCIOFLUSH);
    return line;
}

void Line::hangUp()
{
    keepSlave_.reset();
    io_.reset();
}

SymlinkGuard::SymlinkGuard(SymlinkGuard&& other) noexcept
    : link_(std::move(other.link_)), target_(std::move(other.target_))
{
    other.link_.clear();
}

SymlinkGuard& SymlinkGuard::operator=(SymlinkGuard&& other) noexcept
{
    if (this != &other) {
        remove();
        link_ = std::move(other.link_);
        target_ = std::move(other.target_);
        other.link_.clear();
    }
    return *this;
}

SymlinkGuard::~SymlinkGuard()
{
    remove();
}

void SymlinkGuard::remove()
{
    if (link_.empty())
        return;
    // Only our own link goes: another simulator may have taken the name since.
    char buf[4096];
    const ssize_t n = ::readlink(link_.c_str(), buf, sizeof buf - 1);
    if (n >= 0 && std::string(buf, static_cast<std::size_t>(n)) == target_)
        ::unlink(link_.c_str());
    link_.clear();
}

std::optional<SymlinkGuard> SymlinkGuard::Create(const std::string& linkPath, const std::string& target,
                                                 std::string& error)
{
    struct stat st {};
    if (::lstat(linkPath.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            error = linkPath + " exists and is not a symbolic link";
            return std::nullopt;
        }
        ::unlink(linkPath.c_str());
    }
    if (::symlink(target.c_str(), linkPath.c_str()) != 0) {
        error = Errno("symlink " + linkPath);
        return std::nullopt;
    }
    SymlinkGuard g;
    g.link_ = linkPath;
    g.target_ = target;
    return g;
}

} // namespace kovrin::sim
