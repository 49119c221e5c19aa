#include "tools/ats-sim/harness/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kovrin::sim {

namespace {

using Clock = std::chrono::steady_clock;

int MillisLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<Millis>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 1 << 30));
}

std::vector<std::string> MergedEnvironment(const std::vector<std::string>& extra)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        const std::string name = entry.substr(0, entry.find('=') + 1);
        bool replaced = false;
        for (const std::string& x : extra)
            replaced = replaced || x.rfind(name, 0) == 0;
        if (!replaced)
            env.push_back(entry);
    }
    env.insert(env.end(), extra.begin(), extra.end());
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings)
{
    std::vector<char*> p;
    for (std::string& s : strings)
        p.push_back(s.data());
    p.push_back(nullptr);
    return p;
}

} // namespace

std::optional<ChildProcess> ChildProcess::Start(const Launch& launch, std::string& error)
{
    if (launch.argv.empty()) {
        error = "no program";
        return std::nullopt;
    }
    int outPipe[2] = {-1, -1};
    int errPipe[2] = {-1, -1};
    if ((launch.captureStdout && pipe2(outPipe, O_CLOEXEC) != 0) ||
        (launch.captureStderr && pipe2(errPipe, O_CLOEXEC) != 0)) {
        error = std::string("pipe: ") + std::strerror(errno);
        return std::nullopt;
    }
    UniqueFd outRead(outPipe[0]), outWrite(outPipe[1]), errRead(errPipe[0]), errWrite(errPipe[1]);
    UniqueFd devNull(::open("/dev/null", O_RDONLY | O_CLOEXEC));

    // Everything the child needs is built before fork: after it only async-signal-safe calls.
    std::vector<std::string> args = launch.argv;
    std::vector<std::string> env = MergedEnvironment(launch.extraEnv);
    std::vector<char*> argv = Pointers(args);
    std::vector<char*> envp = Pointers(env);

    ChildProcess child;
    child.started_ = Clock::now();
    child.pid_ = fork();
    if (child.pid_ < 0) {
        error = std::string("fork: ") + std::strerror(errno);
        return std::nullopt;
    }
    if (child.pid_ == 0) {
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        if (devNull)
            dup2(devNull.get(), 0);
        if (outWrite)
            dup2(outWrite.get(), 1);
        if (errWrite)
            dup2(errWrite.get(), 2);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    // A descriptor that becomes readable when the child ends (wait with a time-out, no polling).
    child.pidFd_.reset(static_cast<int>(::syscall(SYS_pidfd_open, child.pid_, 0)));
    child.outFd_ = std::move(outRead);
    child.errFd_ = std::move(errRead);
    for (const UniqueFd* fd : {&child.outFd_, &child.errFd_})
        if (*fd)
            fcntl(fd->get(), F_SETFL, fcntl(fd->get(), F_GETFL) | O_NONBLOCK);
    return child;
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)),
      pidFd_(std::move(other.pidFd_)),
      outFd_(std::move(other.outFd_)),
      errFd_(std::move(other.errFd_)),
      out_(std::move(other.out_)),
      err_(std::move(other.err_)),
      lineStart_(other.lineStart_),
      status_(other.status_),
      usage_(other.usage_),
      started_(other.started_),
      ended_(other.ended_)
{
}

ChildProcess::~ChildProcess()
{
    if (running())
        stop(Millis(2000));
}

bool ChildProcess::pump(Millis timeout)
{
    bool progress = false;
    pollfd fds[2];
    std::string* sinks[2];
    UniqueFd* owners[2];
    nfds_t n = 0;
    for (auto [fd, sink] : {std::pair{&outFd_, &out_}, std::pair{&errFd_, &err_}}) {
        if (!*fd)
            continue;
        fds[n] = {fd->get(), POLLIN, 0};
        sinks[n] = sink;
        owners[n] = fd;
        ++n;
    }
    if (n == 0 || poll(fds, n, static_cast<int>(timeout.count())) <= 0)
        return false;
    for (nfds_t i = 0; i < n; ++i) {
        if (fds[i].revents == 0)
            continue;
        char buf[4096];
        const ssize_t got = ::read(fds[i].fd, buf, sizeof buf);
        if (got > 0) {
            sinks[i]->append(buf, static_cast<std::size_t>(got));
            progress = true;
        } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
            owners[i]->reset();
            progress = true;
        }
    }
    return progress;
}

bool ChildProcess::reap(bool block)
{
    if (status_)
        return true;
    if (pid_ <= 0)
        return false;
    int raw = 0;
    const pid_t r = wait4(pid_, &raw, block ? 0 : WNOHANG, &usage_);
    if (r != pid_)
        return false;
    ended_ = Clock::now();
    ExitStatus s;
    if (WIFEXITED(raw))
        s.code = WEXITSTATUS(raw);
    else if (WIFSIGNALED(raw))
        s.signal = WTERMSIG(raw);
    status_ = s;
    return true;
}

std::optional<std::string> ChildProcess::readLine(Millis timeout)
{
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const std::size_t nl = out_.find('\n', lineStart_);
        if (nl != std::string::npos) {
            std::string line = out_.substr(lineStart_, nl - lineStart_);
            lineStart_ = nl + 1;
            return line;
        }
        if (!outFd_ || Clock::now() >= deadline)
            return std::nullopt;
        pump(Millis(MillisLeft(deadline)));
    }
}

std::optional<ExitStatus> ChildProcess::wait(Millis timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (!reap(false)) {
        const int left = MillisLeft(deadline);
        if (left == 0)
            return std::nullopt;
        // Wake on output or on the child's end, whichever comes first.
        pollfd fds[3];
        nfds_t n = 0;
        if (pidFd_)
            fds[n++] = {pidFd_.get(), POLLIN, 0};
        for (const UniqueFd* fd : {&outFd_, &errFd_})
            if (*fd)
                fds[n++] = {fd->get(), POLLIN, 0};
        if (n == 0) {
            // No descriptor to wait on (pidfd unavailable): look again shortly.
            poll(nullptr, 0, std::min(left, 10));
            continue;
        }
        poll(fds, n, std::min(left, 200));
        pump(Millis(0));
    }
    // Collect what the child wrote last; a descendant holding a pipe must not stall us.
    while (pump(Millis(0))) {
    }
    return status_;
}

ExitStatus ChildProcess::stop(Millis grace)
{
    if (!running())
        return status_.value_or(ExitStatus{});
    ::kill(pid_, SIGTERM);
    if (auto s = wait(grace))
        return *s;
    ::kill(pid_, SIGKILL);
    reap(true);
    return status_.value_or(ExitStatus{});
}

RunResult RunProgram(const ChildProcess::Launch& launch, Millis timeout)
{
    RunResult r;
    std::string error;
    std::optional<ChildProcess> child = ChildProcess::Start(launch, error);
    if (!child) {
        r.err = error;
        return r;
    }
    if (auto s = child->wait(timeout)) {
        r.status = *s;
    } else {
        r.timedOut = true;
        r.status = child->stop(Millis(1000));
    }
    r.out = child->out();
    r.err = child->err();
    r.usage = child->usage();
    r.wall = child->wallTime();
    return r;
}

std::string ProgramPath(const std::string& name)
{
    if (const char* dir = std::getenv("KOVRIN_BIN_DIR"); dir && *dir)
        return std::string(dir) + "/" + name;
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    std::string folder = n > 0 ? std::string(self, static_cast<std::size_t>(n)) : std::string("./x");
    folder.resize(folder.rfind('/') + 1);
    return folder + name;
}

} // namespace kovrin::sim
