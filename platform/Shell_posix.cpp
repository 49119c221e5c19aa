#include "platform/Shell.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace kovrin {

namespace {

// How long the opener may take to say that it found no viewer. An opener that is still
// running after this has handed the document to a viewer that runs in its foreground.
constexpr int kOpenerVerdictMs = 1000;

int PidFd(pid_t pid) { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); }

unsigned Verdict(int status)
{
    return (WIFEXITED(status) && WEXITSTATUS(status) == 0) ? kShellOpened : kShellNoAssociation;
}

} // namespace

unsigned OpenDocument(const std::string& folder, const std::string& file, const std::string& opener)
{
    const std::string path = folder + file;
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return kShellFileNotFound;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The opener's chatter must not end up in the debug console.
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::string arg0 = opener;
    std::string arg1 = path;
    char* argv[] = {arg0.data(), arg1.data(), nullptr};
    pid_t pid = 0;
    const int rc = ::posix_spawnp(&pid, opener.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return kShellNoAssociation;

    int status = 0;
    const int pidfd = PidFd(pid);
    if (pidfd >= 0) {
        pollfd p{pidfd, POLLIN, 0};
        int ready;
        do {
            ready = ::poll(&p, 1, kOpenerVerdictMs);
        } while (ready < 0 && errno == EINTR);
        ::close(pidfd);
        if (ready == 0) {
            // Still running: the viewer has the document. Reap it whenever it ends.
            std::thread([pid] {
                int ignored = 0;
                while (::waitpid(pid, &ignored, 0) < 0 && errno == EINTR) {
                }
            }).detach();
            return kShellOpened;
        }
    }
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return kShellOpened;
    }
    return Verdict(status);
}

} // namespace kovrin
