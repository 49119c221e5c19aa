#include "platform/InstanceLock.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace kovrin {

namespace {

std::string LockPath(const std::string& name)
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/')
        return std::string(runtime) + "/" + name + ".lock";
    // /tmp is shared by every user: the user id keeps sessions of different users apart.
    return "/tmp/" + name + "-" + std::to_string(getuid()) + ".lock";
}

} // namespace

InstanceLock::InstanceLock(const std::string& name) : where_(LockPath(name))
{
    // O_CLOEXEC: a viewer started from the program (the manual) must not inherit the
    // lock and keep a later copy from starting. O_NOFOLLOW: no symlink games in /tmp.
    const int fd = ::open(where_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        handle_ = fd;
        state_ = State::Acquired;
        return;
    }
    state_ = (errno == EWOULDBLOCK) ? State::AlreadyRunning : State::Unavailable;
    ::close(fd);
}

InstanceLock::~InstanceLock()
{
    // The file stays: removing it would race with a copy that is just opening it.
    if (handle_ >= 0)
        ::close(static_cast<int>(handle_));
}

} // namespace kovrin
