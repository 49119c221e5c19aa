// A save that fails at each point it can fail, as an ordinary user (nobody) in a child
// process: afterwards the old content is intact, or the message says it may not be. The
// system calls of the save are wrapped at link time (-Wl,--wrap) to fail on demand.
#include "config/ConfigFile.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kovrin;
namespace fs = std::filesystem;

namespace {

// The call to fail, from its `first`th use on, `times` times, with `error`.
struct Fault {
    const char* call = "";
    int first = 0;
    int times = 0;
    int error = 0;
    int seen = 0;
};
Fault g_fault;

// errno to fail with when this use of `call` is to fail, else 0.
int Injected(const char* call)
{
    if (std::strcmp(call, g_fault.call) != 0)
        return 0;
    const int n = ++g_fault.seen;
    return n >= g_fault.first && n < g_fault.first + g_fault.times ? g_fault.error : 0;
}

} // namespace

extern "C" {
ssize_t __real_pwrite(int, const void*, size_t, off_t);
int __real_fsync(int);
int __real_rename(const char*, const char*);
int __real_fchmod(int, mode_t);
int __real_fchown(int, uid_t, gid_t);
int __real_posix_fallocate(int, off_t, off_t);

#define KOVRIN_FAIL_OR(call, failed, ...)        \
    if (const int e = Injected(#call)) {         \
        errno = e;                               \
        return failed;                           \
    }                                            \
    return __real_##call(__VA_ARGS__)

ssize_t __wrap_pwrite(int fd, const void* b, size_t n, off_t at) { KOVRIN_FAIL_OR(pwrite, -1, fd, b, n, at); }
int __wrap_fsync(int fd) { KOVRIN_FAIL_OR(fsync, -1, fd); }
int __wrap_rename(const char* a, const char* b) { KOVRIN_FAIL_OR(rename, -1, a, b); }
int __wrap_fchmod(int fd, mode_t m) { KOVRIN_FAIL_OR(fchmod, -1, fd, m); }
int __wrap_fchown(int fd, uid_t u, gid_t g) { KOVRIN_FAIL_OR(fchown, -1, fd, u, g); }
int __wrap_posix_fallocate(int fd, off_t at, off_t n)
{
    if (const int e = Injected("posix_fallocate"))
        return e;
    return __real_posix_fallocate(fd, at, n);
}
}

namespace {

constexpr uid_t kNobody = 65534;
enum Outcome { kUntouched = 0, kWritten = 1, kOther = 2, kDamaged = 3, kNotNobody = 99 };

struct YesPrompts : FilePrompts {
    std::string error;
    void ShowError(std::string_view text) override { error = text; }
    bool AskOverwrite(std::string_view) override { return true; }
};

int Save(const fs::path& file)
{
    YesPrompts p;
    switch (WriteConfigFile(ConfigRecord{}, file.string(), p, [] { return LocalDateTime{}; })) {
    case WriteResult::Written:
        return p.error.empty() ? kWritten : kOther;
    case WriteResult::CannotOpen:
        return p.error == kSaveCannotOpenMessage ? kUntouched : kOther;
    case WriteResult::Damaged:
        return p.error == kSaveDamagedMessage ? kDamaged : kOther;
    default:
        return kOther;
    }
}

int SaveAsNobody(const fs::path& file, const Fault& fault, rlim_t sizeLimit)
{
    const pid_t child = ::fork();
    if (child == 0) {
        g_fault = fault;
        const rlimit limit{sizeLimit, sizeLimit};
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0 || ::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            ::_exit(kNotNobody);
        ::_exit(Save(file));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

TEST(SaveFailure, OldContentSurvivesOrTheMessageSaysSo)
{
    if (::geteuid() != 0 || SaveAsNobody("/", Fault{}, RLIM_INFINITY) == kNotNobody)
        GTEST_SKIP() << "needs root that may become user nobody";
    const std::string oldText(110, 'o');  // shorter than the new file: the save must grow it
    const struct {
        const char* name;
        bool folderLocked;  // root's folder: only the rewrite in place is open to nobody
        Fault fault;
        rlim_t sizeLimit;
        Outcome outcome;
    } cases[] = {
        {"temporary file write fails", false, {"pwrite", 1, 1, ENOSPC}, RLIM_INFINITY, kUntouched},
        {"temporary file beyond the size limit", false, {}, 300, kUntouched},
        {"temporary file flush fails", false, {"fsync", 1, 1, EIO}, RLIM_INFINITY, kUntouched},
        {"owner refused", false, {"fchown", 1, 2, EPERM}, RLIM_INFINITY, kWritten},
        {"mode refused", false, {"fchmod", 1, 1, EOPNOTSUPP}, RLIM_INFINITY, kWritten},
        {"rename across file systems: in place", false, {"rename", 1, 1, EXDEV}, RLIM_INFINITY, kWritten},
        {"rename of a busy file: in place", false, {"rename", 1, 1, EBUSY}, RLIM_INFINITY, kWritten},
        {"rename fails for want of space", false, {"rename", 1, 1, ENOSPC}, RLIM_INFINITY, kUntouched},
        {"in place beyond the size limit", true, {}, 300, kUntouched},
        {"in place, no space to reserve", true, {"posix_fallocate", 1, 1, ENOSPC}, RLIM_INFINITY, kUntouched},
        {"in place write fails, old bytes put back", true, {"pwrite", 1, 1, EIO}, RLIM_INFINITY, kUntouched},
        {"in place flush fails, old bytes put back", true, {"fsync", 1, 1, EIO}, RLIM_INFINITY, kUntouched},
        {"in place write and its undo fail", true, {"pwrite", 1, 9, EIO}, RLIM_INFINITY, kDamaged},
        {"in place written", true, {}, RLIM_INFINITY, kWritten},
    };
    const std::string newText = ConfigFileText(ConfigRecord{}, LocalDateTime{});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        char pattern[] = "/tmp/kovrin-fail-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        const fs::path dir = pattern, file = dir / "a.kvnf";
        test::WriteFileBytes(file, oldText);
        ASSERT_EQ(::chown(file.c_str(), kNobody, kNobody), 0);
        ASSERT_EQ(::chown(dir.c_str(), c.folderLocked ? 0 : kNobody, 0), 0);
        ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);

        EXPECT_EQ(SaveAsNobody(file, c.fault, c.sizeLimit), c.outcome);
        const std::string now = test::ReadFileBytes(file);
        if (c.outcome == kWritten) {
            EXPECT_TRUE(now == newText) << "new content";
        } else if (c.outcome == kUntouched) {
            EXPECT_TRUE(now == oldText) << "old content";
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << "no temporary file";
        fs::remove_all(dir);
    }
}

} // namespace
