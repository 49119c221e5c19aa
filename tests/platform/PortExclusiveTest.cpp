// A port is one program's: a stale lock file is taken over, the port stays closed to every
// other opener while open, and is handed back whole (no lock file, no exclusive mode) when
// closed, although the pair's own descriptor keeps the tty alive.
#include "platform/DeviceHolders.h"
#include "platform/Pty.h"
#include "platform/SerialPort.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kovrin {
namespace {

constexpr uid_t kNobody = 65534;

// Opens the device as user nobody in a child process: 0, or the errno of the refusal.
int OpenAsNobody(const std::string& device)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setresgid(kNobody, kNobody, kNobody) != 0 || ::setresuid(kNobody, kNobody, kNobody) != 0)
            ::_exit(255);
        const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ::_exit(fd >= 0 ? 0 : errno);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 254;
}

long LockFilePid(const std::string& path)
{
    long pid = -1;
    std::ifstream(path) >> pid;
    return pid;
}

TEST(PortExclusive, StaleLockTakenOverPortHeldThenHandedBack)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    const std::string lock = LockFilePath(pty.slavePath());
    // Exclusive mode does not bind root: the other opener is nobody.
    if (::geteuid() != 0 || ::access("/var/lock", W_OK) != 0)
        GTEST_SKIP() << "needs root and a lock folder it may write";
    ASSERT_EQ(::chmod(pty.slavePath().c_str(), 0666), 0);
    ASSERT_EQ(OpenAsNobody(pty.slavePath()), 0);

    const pid_t gone = ::fork();
    if (gone == 0)
        ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    char text[16];
    std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(gone));
    std::ofstream(lock) << text;

    unsigned error = 0;
    std::unique_ptr<SerialPort> port = OpenSerialPort(pty.slavePath(), 9600, error);
    ASSERT_TRUE(port) << error;
    EXPECT_EQ(LockFilePid(lock), ::getpid()) << "the stale lock is this program's now";
    EXPECT_EQ(OpenAsNobody(pty.slavePath()), EBUSY) << "exclusive while open";

    port.reset();
    EXPECT_EQ(::access(lock.c_str(), F_OK), -1) << "lock file removed";
    EXPECT_EQ(OpenAsNobody(pty.slavePath()), 0) << "exclusive mode handed back";
    ::unlink(lock.c_str());
}

} // namespace
} // namespace kovrin
