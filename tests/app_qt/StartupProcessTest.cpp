// The program as a process: one copy per session, and the debug console.
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string ProgramPath()
{
    const char* bin = std::getenv("KOVRIN_BIN_DIR");
    return std::string(bin != nullptr ? bin : ".") + "/kovrin";
}

// The runner's environment without what a desktop session or another copy would bring:
// the folders, the display and the program's own variables come from the test alone.
std::vector<std::string> CleanEnvironment()
{
    std::vector<std::string> kept;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry(*e);
        const std::string name = entry.substr(0, entry.find('='));
        const bool session = name.rfind("XDG_", 0) == 0 || name.rfind("KOVRIN_", 0) == 0 ||
                             name.rfind("QT_", 0) == 0 || name == "DISPLAY" || name == "WAYLAND_DISPLAY";
        if (!session)
            kept.push_back(entry);
    }
    return kept;
}

// A started kovrin with its standard output and error on pipes. Killed and reaped when
// the object goes, so a failing test leaves no window behind.
class Program {
public:
    Program(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv)
    {
        int out[2], err[2];
        if (::pipe(out) != 0 || ::pipe(err) != 0)
            throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addclose(&actions, err[0]);
        std::vector<std::string> argStore{ProgramPath()};
        argStore.insert(argStore.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : argStore)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> envStore = CleanEnvironment();
        envStore.insert(envStore.end(), extraEnv.begin(), extraEnv.end());
        std::vector<char*> envp;
        for (auto& e : envStore)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        const int rc = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        out_ = out[0];
        err_ = err[0];
        if (rc != 0)
            throw std::runtime_error("spawn " + argStore[0]);
    }
    ~Program()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(out_);
        ::close(err_);
    }

    // Reads standard output until it holds `text` or `limit` has passed.
    bool waitForOutput(const std::string& text, std::chrono::milliseconds limit)
    {
        const auto end = Clock::now() + limit;
        while (stdout_.find(text) == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
            if (left <= 0)
                return false;
            pollfd p{out_, POLLIN, 0};
            if (::poll(&p, 1, int(left)) <= 0)
                continue;
            char buf[512];
            const ssize_t n = ::read(out_, buf, sizeof buf);
            if (n <= 0)
                return false;
            stdout_.append(buf, std::size_t(n));
        }
        return true;
    }

    // Waits for the end of the process; the exit code, or -1 past `limit`.
    int exitCode(std::chrono::milliseconds limit)
    {
        const auto end = Clock::now() + limit;
        int status = 0;
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (Clock::now() > end)
                return -1;
            drain(err_, stderr_, 50);
        }
        pid_ = -1;
        drain(err_, stderr_, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    const std::string& output() const { return stdout_; }
    const std::string& errors() const { return stderr_; }

private:
    static void drain(int fd, std::string& into, int timeoutMs)
    {
        pollfd p{fd, POLLIN, 0};
        while (::poll(&p, 1, timeoutMs) > 0) {
            char buf[512];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0)
                return;
            into.append(buf, std::size_t(n));
            timeoutMs = 0;
        }
    }

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    std::string stdout_;
    std::string stderr_;
};

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/kovrin-startup-XXXXXX";
        dir_ = ::mkdtemp(pattern);
        env_ = {"XDG_RUNTIME_DIR=" + dir_.string(), "XDG_DATA_HOME=" + dir_.string(), "QT_QPA_PLATFORM=offscreen",
                "KOVRIN_AUTO_DISMISS=1"};
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string logText() const
    {
        std::ifstream in(dir_ / "Brisel" / "debugkovrin.log", std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    fs::path dir_;
    std::vector<std::string> env_;
};

TEST_F(StartupTest, DebugScreenOnTheConsoleAllocateLineOnlyInTheLog)
{
    Program first({"-debug"}, env_);
    ASSERT_TRUE(first.waitForOutput("Debug screen", std::chrono::seconds(20))) << first.output();
    EXPECT_EQ(first.output().find("Allocate console"), std::string::npos) << first.output();

    // While it runs, a second copy only says so and ends with code 3.
    Program second({}, env_);
    EXPECT_EQ(second.exitCode(std::chrono::seconds(20)), 3);
    EXPECT_NE(second.errors().find("[Kovrin Configurator] Kovrin Configurator already run"), std::string::npos)
        << second.errors();

    // The log file got both lines (the first copy has long written them by now).
    const std::string log = logText();
    EXPECT_NE(log.find("\r\nAllocate console ..."), std::string::npos) << log;
    EXPECT_NE(log.find("Debug screen"), std::string::npos) << log;
}

TEST_F(StartupTest, SwitchSpelledDifferentlyIsAFileNameNotDebugMode)
{
    Program program({"-Debug"}, env_);
    EXPECT_FALSE(program.waitForOutput("Debug screen", std::chrono::milliseconds(1000)));
    EXPECT_EQ(logText(), "");  // debug mode off: nothing written
}

} // namespace
