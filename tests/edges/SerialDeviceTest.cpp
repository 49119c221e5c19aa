// KOVRIN_COM1 naming something that is no usable serial device: Connect in the window and
// kovrin-cli's transfers both give "Cannot open serial port" with the reason under it,
// promptly, leaving nothing open.
#include "tests/edges/EdgeWindow.h"
#include "tests/faults/ProcessResources.h"

#include "platform/DeviceHolders.h"
#include "platform/Pty.h"
#include "tools/ats-sim/harness/ChildProcess.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>

namespace kovrin::test {
namespace {

namespace fs = std::filesystem;
using Ms = std::chrono::milliseconds;

constexpr int kNobody = 65534;

enum class Device { Missing, Directory, RegularFile, Fifo, NotATerminal, NoPermission, Held, HeldOpen, LockFile };

struct DeviceCase {
    const char* name;
    Device device;
    const char* reason;  // the line under the message; %1 is the device, %2 the holder
};

const DeviceCase kDevices[] = {
    {"Missing", Device::Missing, "No such device %1: is the cable plugged in?"},
    {"Directory", Device::Directory, "%1 is not a serial port."},
    {"RegularFile", Device::RegularFile, "%1 is not a serial port."},
    // an open for reading alone would wait for a writer
    {"Fifo", Device::Fifo, "%1 is not a serial port."},
    // a character device without serial settings
    {"NotATerminal", Device::NotATerminal, "%1 is not a serial port."},
    // a pty given to the group dialout, opened by a user outside it
    {"NoPermission", Device::NoPermission,
     "No permission to open %1: add your user to the group dialout (sudo usermod -aG dialout nobody), then log "
     "out and in again."},
    // another process holds the lock
    {"Held", Device::Held, "%1 is in use by another program: %2; close or stop it, then connect again."},
    // another process has it open and takes no lock (a script, a terminal program)
    {"HeldOpen", Device::HeldOpen, "%1 is in use by another program: %2; close or stop it, then connect again."},
    // a live process's lock file in /var/lock, the device not even open
    {"LockFile", Device::LockFile, "%1 is in use by another program: %2; close or stop it, then connect again."},
};

std::string Replace(std::string text, const std::string& mark, const std::string& value)
{
    if (const std::size_t at = text.find(mark); at != std::string::npos)
        text.replace(at, mark.size(), value);
    return text;
}

class BadSerialDevice : public EdgeWindowTest, public ::testing::WithParamInterface<DeviceCase> {
protected:
    void SetUp() override
    {
        EdgeWindowTest::SetUp();
        switch (GetParam().device) {
        case Device::Missing:
            device = (folder / "no-such-tty").string();
            break;
        case Device::Directory:
            device = (folder / "a-folder").string();
            fs::create_directory(device);
            break;
        case Device::RegularFile:
            device = (folder / "plain-file").string();
            std::ofstream(device) << "not a terminal\n";
            break;
        case Device::Fifo:
            device = (folder / "a-fifo").string();
            ASSERT_EQ(::mkfifo(device.c_str(), 0600), 0);
            break;
        case Device::NotATerminal:
            device = "/dev/null";
            break;
        case Device::NoPermission: {
            ASSERT_TRUE(pty.ok());
            device = pty.slavePath();
            // Only root may hand the device to a group it is not in; the case needs nobody.
            const group* dialout = ::getgrnam("dialout");
            if (::geteuid() != 0 || !dialout)
                GTEST_SKIP() << "needs root and the group dialout";
            ASSERT_EQ(::chown(device.c_str(), 0, dialout->gr_gid), 0);
            ASSERT_EQ(::chmod(device.c_str(), 0660), 0);
            break;
        }
        case Device::Held:
        case Device::HeldOpen:
        case Device::LockFile:
            ASSERT_TRUE(pty.ok());
            device = pty.slavePath();
            lockFile = LockFilePath(device);
            if (GetParam().device == Device::LockFile && ::access(fs::path(lockFile).parent_path().c_str(), W_OK) != 0)
                GTEST_SKIP() << "needs a lock folder it may write";
            holdInChild(GetParam().device);
            if (GetParam().device == Device::LockFile) {
                char text[16];
                std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(holder));
                std::ofstream(lockFile) << text;
            }
            break;
        }
        ::setenv("KOVRIN_COM1", device.c_str(), 1);
    }
    void TearDown() override
    {
        ::unsetenv("KOVRIN_COM1");
        if (holder > 0) {
            ::kill(holder, SIGKILL);
            ::waitpid(holder, nullptr, 0);
        }
        if (GetParam().device == Device::LockFile)
            ::unlink(lockFile.c_str());
        EdgeWindowTest::TearDown();
    }

    // A process of its own opens the device and locks it, as another program would; or
    // opens it without a lock; or (for a lock file) only lives.
    void holdInChild(Device how)
    {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        holder = ::fork();
        ASSERT_GE(holder, 0);
        if (holder == 0) {
            ::close(pty.masterFd());  // another program holds the device alone, not the pair's other end
            const int fd = how == Device::LockFile ? 0 : ::open(device.c_str(), O_RDWR | O_NOCTTY);
            const char ok = fd >= 0 && (how != Device::Held || ::flock(fd, LOCK_EX | LOCK_NB) == 0) ? 'y' : 'n';
            (void)!::write(ready[1], &ok, 1);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        char ok = 'n';
        ASSERT_EQ(::read(ready[0], &ok, 1), 1);
        ::close(ready[0]);
        ASSERT_EQ(ok, 'y');
        std::ifstream comm("/proc/" + std::to_string(holder) + "/comm");
        std::getline(comm, holderName);
    }

    std::string reason() const
    {
        return Replace(Replace(GetParam().reason, "%1", device), "%2",
                       holderName + " (process " + std::to_string(holder) + ")");
    }

    // Root opens anything: the permission case then runs as nobody.
    bool asNobody() const { return GetParam().device == Device::NoPermission && ::geteuid() == 0; }

    PtyPair pty;
    std::string device;
    pid_t holder = -1;
    std::string holderName;
    std::string lockFile;
};

TEST_P(BadSerialDevice, ConnectShowsCannotOpenSerialPort)
{
    // Runs the Connect and says what went wrong, if anything (empty: as it should be).
    const std::function<std::string()> connect = [this] {
        const ProcessResources before = TakeResourceSnapshot();
        start();
        view.expectMessage("Cannot open serial port\n" + reason());
        const auto t0 = std::chrono::steady_clock::now();
        window->ActionConnectExecute();
        const auto took = std::chrono::duration_cast<Ms>(std::chrono::steady_clock::now() - t0);
        std::string wrong;
        if (!view.scriptDone() || view.messages.size() != 1)
            wrong += "not exactly the one message; ";
        if (window->Connected() || window->hasActivePort() || window->state().status.labelStatus != "Disconnect")
            wrong += "not disconnected; ";
        if (took.count() > 1500)
            wrong += "took " + std::to_string(took.count()) + " ms; ";
        window.reset();
        const ProcessResources after = TakeResourceSnapshot();
        wrong += NewDescriptors(before, after);
        if (after.threads != before.threads)
            wrong += "threads left; ";
        return wrong;
    };
    if (!asNobody()) {
        EXPECT_EQ(connect(), "");
        return;
    }
    EXPECT_EXIT(
        {
            if (::setresgid(kNobody, kNobody, kNobody) != 0 || ::setresuid(kNobody, kNobody, kNobody) != 0)
                std::_Exit(2);
            const std::string wrong = connect();
            std::fprintf(stderr, "%s", wrong.c_str());
            std::_Exit(wrong.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_P(BadSerialDevice, CliTransfersExitWithDeviceFailure)
{
    const std::string out = (folder / "out.kvnf").string();
    const std::string in = (folder / "in.kvnf").string();
    ASSERT_EQ(sim::RunProgram({{sim::ProgramPath("kovrin-cli"), "defaults", in}, {}}, Ms(10000)).status.code, 0);
    ::chmod(folder.c_str(), 0755);
    ::chmod(in.c_str(), 0644);

    for (const std::vector<std::string>& args : {std::vector<std::string>{"download", "--port", "COM1", out},
                                                 std::vector<std::string>{"upload", "--port", "COM1", in}}) {
        std::vector<std::string> argv;
        if (asNobody())
            argv = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
        argv.push_back(sim::ProgramPath("kovrin-cli"));
        argv.insert(argv.end(), args.begin(), args.end());
        if (asNobody())
            argv[0] = "/usr/bin/setpriv";
        const auto t0 = std::chrono::steady_clock::now();
        const sim::RunResult r = sim::RunProgram({argv, {"KOVRIN_COM1=" + device}}, Ms(20000));
        const auto took = std::chrono::duration_cast<Ms>(std::chrono::steady_clock::now() - t0);
        SCOPED_TRACE(args.front());
        ASSERT_FALSE(r.timedOut);
        EXPECT_EQ(r.status.code, 3) << r.err;
        EXPECT_EQ(r.err, "kovrin-cli: Cannot open serial port\nkovrin-cli: " + reason() + "\n");
        EXPECT_FALSE(fs::exists(out));
        EXPECT_LT(took.count(), 5000);
    }
}

INSTANTIATE_TEST_SUITE_P(Devices, BadSerialDevice, ::testing::ValuesIn(kDevices),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kovrin::test
