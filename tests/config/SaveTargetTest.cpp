// Saving over links, other users' files and into folders the user may not write, and a
// save that fails at each point it can fail. The permission cases run in a child process
// as an ordinary user (nobody). The save's system calls are wrapped at link time
// (-Wl,--wrap) to fail on demand.
#include "config/ConfigFile.h"
#include "platform/ArchiveFolder.h"
#include "platform/FileReplace.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace kovrin;
namespace fs = std::filesystem;

namespace {

// The call to fail, from its `first`th use on, `times` times, with `error`.
struct Fault {
    const char* call = "";
    int first = 0, times = 0, error = 0, seen = 0;
};
Fault g_fault;
// The wrapped call, counted over all of them, at which the process stops as at a crash (0: none).
int g_stopAt = 0, g_calls = 0;
constexpr int kStopped = 98;

int Injected(const char* call)
{
    if (++g_calls == g_stopAt)
        ::_exit(kStopped);
    if (std::strcmp(call, g_fault.call) != 0)
        return 0;
    const int n = ++g_fault.seen;
    return n >= g_fault.first && n < g_fault.first + g_fault.times ? g_fault.error : 0;
}

} // namespace

#define KOVRIN_WRAP(result, call, failed, params, ...)  \
    extern "C" result __real_##call params;             \
    extern "C" result __wrap_##call params               \
    {                                                    \
        if (const int e = Injected(#call)) {             \
            errno = e;                                   \
            return failed;                               \
        }                                                \
        return __real_##call(__VA_ARGS__);               \
    }
KOVRIN_WRAP(ssize_t, pwrite, -1, (int f, const void* b, size_t n, off_t at), f, b, n, at)
KOVRIN_WRAP(int, fsync, -1, (int f), f)
KOVRIN_WRAP(int, rename, -1, (const char* a, const char* b), a, b)
KOVRIN_WRAP(int, fchmod, -1, (int f, mode_t m), f, m)
KOVRIN_WRAP(int, fchown, -1, (int f, uid_t u, gid_t g), f, u, g)
KOVRIN_WRAP(int, posix_fallocate, errno, (int f, off_t at, off_t n), f, at, n)
KOVRIN_WRAP(int, ftruncate, -1, (int f, off_t n), f, n)

namespace {

constexpr uid_t kNobody = 65534;
constexpr int kCannotBecomeNobody = 99;

struct YesPrompts : FilePrompts {
    std::string error;
    void ShowError(std::string_view text) override { error = text; }
    bool AskOverwrite(std::string_view) override { return true; }
};

// 1: written without a message; 0: refused with the cannot-open message; 3: the
// may-be-damaged message; else 2.
int Save(const fs::path& file)
{
    YesPrompts p;
    const WriteResult r = WriteConfigFile(ConfigRecord{}, file.string(), p, [] { return LocalDateTime{}; });
    if (r == WriteResult::Written && p.error.empty())
        return 1;
    if (r == WriteResult::Damaged && p.error == kSaveDamagedMessage)
        return 3;
    return r == WriteResult::CannotOpen && p.error == kSaveCannotOpenMessage ? 0 : 2;
}

// `save` (nullptr: nothing) as user nobody, in a child process, with `fault` armed and
// file sizes limited to `sizeLimit`.
int AsNobody(const fs::path* file, const Fault& fault = {}, rlim_t sizeLimit = RLIM_INFINITY, int stopAt = 0)
{
    const pid_t child = ::fork();
    if (child == 0) {
        g_fault = fault;
        g_stopAt = stopAt;
        g_calls = 0;
        const rlimit limit{sizeLimit, sizeLimit};
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0 || ::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            ::_exit(kCannotBecomeNobody);
        ::_exit(file ? Save(*file) : 0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

void Own(const fs::path& p, uid_t uid, mode_t mode)
{
    ASSERT_EQ(::chown(p.c_str(), uid, uid), 0);
    ASSERT_EQ(::chmod(p.c_str(), mode), 0);
}

TEST(SaveTarget, LinksOwnersAndPermissions)
{
    if (::geteuid() != 0 || AsNobody(nullptr) != 0)
        GTEST_SKIP() << "needs root that may become user nobody, to arrange files of two users";
    const std::string oldText(5000, 'o');  // longer than the new file: a rewrite must cut it
    const struct {
        const char* name;
        bool asNobody;
        std::function<void(const fs::path& dir)> arrange;  // dir: root's, mode 0755
        const char* saveTo;
        bool written;
        const char* changed;  // holds the new content after, or still the old
    } cases[] = {
        {"link followed, its target replaced", false,
         [&](const fs::path& d) {
             test::WriteFileBytes(d / "real.kvnf", oldText);
             fs::create_symlink("real.kvnf", d / "link.kvnf");
         },
         "link.kvnf", true, "real.kvnf"},
        {"own read-only file refused", true,
         [&](const fs::path& d) {
             Own(d, kNobody, 0755);
             test::WriteFileBytes(d / "a.kvnf", oldText);
             Own(d / "a.kvnf", kNobody, 0444);
         },
         "a.kvnf", false, "a.kvnf"},
        {"someone else's file refused in a writable folder", true,
         [&](const fs::path& d) {
             Own(d, kNobody, 0755);
             test::WriteFileBytes(d / "a.kvnf", oldText);
         },
         "a.kvnf", false, "a.kvnf"},
        {"owner, group and mode kept", false,
         [&](const fs::path& d) {
             test::WriteFileBytes(d / "a.kvnf", oldText);
             Own(d / "a.kvnf", kNobody, 0640);
         },
         "a.kvnf", true, "a.kvnf"},
        {"own file in a locked folder rewritten in place", true,
         [&](const fs::path& d) {
             test::WriteFileBytes(d / "a.kvnf", oldText);
             Own(d / "a.kvnf", kNobody, 0644);
         },
         "a.kvnf", true, "a.kvnf"},
    };
    const std::string newText = ConfigFileText(ConfigRecord{}, LocalDateTime{});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        char pattern[] = "/tmp/kovrin-save-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        const fs::path dir = pattern, changed = dir / c.changed, target = dir / c.saveTo;
        Own(dir, 0, 0755);
        c.arrange(dir);
        struct stat before{}, after{};
        ::stat(changed.c_str(), &before);
        const auto entries = std::distance(fs::directory_iterator(dir), fs::directory_iterator());

        EXPECT_EQ(c.asNobody ? AsNobody(&target) : Save(target), c.written ? 1 : 0);
        EXPECT_TRUE(test::ReadFileBytes(changed) == (c.written ? newText : oldText)) << "content";
        ASSERT_EQ(::stat(changed.c_str(), &after), 0);
        EXPECT_EQ(after.st_uid, before.st_uid);
        EXPECT_EQ(after.st_gid, before.st_gid);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), entries)
            << "no temporary file left";
        EXPECT_TRUE(fs::is_symlink(dir / "link.kvnf") || !fs::exists(fs::symlink_status(dir / "link.kvnf")));
        fs::remove_all(dir);
    }
}

// After a failure at any point the old content is intact, or the message says it may not be.
TEST(SaveTarget, FailureAtEachPointKeepsTheOldContentOrSaysSo)
{
    if (::geteuid() != 0 || AsNobody(nullptr) != 0)
        GTEST_SKIP() << "needs root that may become user nobody";
    const std::string oldText(110, 'o');  // shorter than the new file: the save must grow it
    constexpr rlim_t kNoLimit = RLIM_INFINITY;
    const struct {
        const char* name;
        bool folderLocked;  // root's folder: only the rewrite in place is open to nobody
        Fault fault;
        rlim_t sizeLimit;
        int outcome;  // as Save()
    } cases[] = {
        {"temporary file write fails", false, {"pwrite", 1, 1, ENOSPC}, kNoLimit, 0},
        {"temporary file beyond the size limit", false, {}, 300, 0},
        {"temporary file flush fails", false, {"fsync", 1, 1, EIO}, kNoLimit, 0},
        {"owner refused", false, {"fchown", 1, 2, EPERM}, kNoLimit, 1},
        {"mode refused", false, {"fchmod", 1, 1, EOPNOTSUPP}, kNoLimit, 1},
        {"rename across file systems: in place", false, {"rename", 1, 1, EXDEV}, kNoLimit, 1},
        {"rename of a busy file: in place", false, {"rename", 1, 1, EBUSY}, kNoLimit, 1},
        {"rename fails for want of space", false, {"rename", 1, 1, ENOSPC}, kNoLimit, 0},
        {"in place beyond the size limit", true, {}, 300, 0},
        {"in place, no space to reserve", true, {"posix_fallocate", 1, 1, ENOSPC}, kNoLimit, 0},
        {"in place write fails, old bytes put back", true, {"pwrite", 1, 1, EIO}, kNoLimit, 0},
        {"in place flush fails, old bytes put back", true, {"fsync", 1, 1, EIO}, kNoLimit, 0},
        {"in place write and its undo fail", true, {"pwrite", 1, 9, EIO}, kNoLimit, 3},
    };
    const std::string newText = ConfigFileText(ConfigRecord{}, LocalDateTime{});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        char pattern[] = "/tmp/kovrin-fail-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        const fs::path dir = pattern, file = dir / "a.kvnf";
        test::WriteFileBytes(file, oldText);
        Own(file, kNobody, 0644);
        Own(dir, c.folderLocked ? 0 : kNobody, 0755);

        EXPECT_EQ(AsNobody(&file, c.fault, c.sizeLimit), c.outcome);
        if (c.outcome != 3) {
            EXPECT_TRUE(test::ReadFileBytes(file) == (c.outcome == 1 ? newText : oldText)) << "content";
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << "no temporary file";
        fs::remove_all(dir);
    }
}

// The file's extended attributes (its access list among them), name and value.
std::map<std::string, std::string> Attributes(const fs::path& p)
{
    std::map<std::string, std::string> out;
    char names[4096];
    const ssize_t n = ::listxattr(p.c_str(), names, sizeof names);
    for (ssize_t at = 0; at < n; at += static_cast<ssize_t>(std::strlen(names + at)) + 1) {
        char value[4096];
        const ssize_t v = ::getxattr(p.c_str(), names + at, value, sizeof value);
        out[names + at] = std::string(value, static_cast<std::size_t>(std::max<ssize_t>(v, 0)));
    }
    return out;
}

// A save by the file's owner keeps what the file carries besides its bytes, by either path.
TEST(SaveTarget, KeepsAccessListAttributesAndSecondNames)
{
    if (::geteuid() != 0 || AsNobody(nullptr) != 0)
        GTEST_SKIP() << "needs root that may become user nobody";
    const struct {
        const char* name;
        const char* arrange;  // shell command run in the folder, as root
        const char* readBack;  // a name that must show the new content
    } cases[] = {
        {"an access list entry for another user", "setfacl -m u:daemon:rw a.kvnf", "a.kvnf"},
        {"a user attribute", "setfattr -n user.note -v 'panel 4' a.kvnf", "a.kvnf"},
        {"a second name", "ln a.kvnf b.kvnf", "b.kvnf"},
    };
    const std::string newText = ConfigFileText(ConfigRecord{}, LocalDateTime{});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        char pattern[] = "/tmp/kovrin-keep-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        const fs::path dir = pattern, file = dir / "a.kvnf";
        test::WriteFileBytes(file, "old");
        Own(file, kNobody, 0640);
        Own(dir, kNobody, 0755);
        const std::string arrange = "cd " + dir.string() + " && " + c.arrange;
        if (std::system(arrange.c_str()) != 0) {
            fs::remove_all(dir);
            GTEST_SKIP() << "cannot arrange: " << c.arrange;
        }
        struct stat before{}, after{};
        ::stat(file.c_str(), &before);
        const auto attributes = Attributes(file);

        EXPECT_EQ(AsNobody(&file), 1);
        EXPECT_TRUE(test::ReadFileBytes(dir / c.readBack) == newText) << "content";
        ASSERT_EQ(::stat(file.c_str(), &after), 0);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_nlink, before.st_nlink);
        EXPECT_EQ(Attributes(file), attributes);
        fs::remove_all(dir);
    }
}

// A rewrite in place stopped after any of its steps (as by a crash) leaves a file that reads
// as the old configuration or the new one; a failed one, stopped while the old bytes go
// back, reads as the old.
TEST(SaveTarget, RewriteInPlaceStoppedAtEachStepReadsOldOrNew)
{
    if (::geteuid() != 0 || AsNobody(nullptr) != 0)
        GTEST_SKIP() << "needs root that may become user nobody";
    ConfigRecord wide, narrow;
    wide.setText(field::AtsModel, std::string(kAtsModelMaxChars, 'M'));
    wide.setText(field::AtsCode, std::string(kAtsCodeMaxChars, 'C'));
    for (int n = 0; n < kRecordWordCount; ++n)
        wide.setWord(n, 0xFFFF);
    const std::string wideText = ConfigFileText(wide, LocalDateTime{});
    const std::string narrowText = ConfigFileText(narrow, LocalDateTime{});
    // A file cut short (an older or hand-trimmed one): fewer lines than a save writes.
    const std::string shortText = narrowText.substr(0, narrowText.find("[020]"));
    const struct {
        const char* name;
        std::string oldText, newText;
        Fault fault;
        int outcome;  // as Save(), when not stopped
    } cases[] = {
        {"shorter new content", wideText, narrowText, {}, 1},
        {"longer new content", narrowText, wideText, {}, 1},
        {"flush fails, a shorter old file put back", shortText, wideText, {"fsync", 1, 1, EIO}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ConfigRecord oldRecord, newRecord;
        ReadConfigText(oldRecord, c.oldText);
        ReadConfigText(newRecord, c.newText);
        ASSERT_FALSE(oldRecord == newRecord);
        int outcome = kStopped;
        int steps = 0;
        for (int stop = 1; outcome == kStopped && stop < 20; ++stop, ++steps) {
            SCOPED_TRACE("stopped at step " + std::to_string(stop));
            char pattern[] = "/tmp/kovrin-stop-XXXXXX";
            ASSERT_NE(::mkdtemp(pattern), nullptr);
            const fs::path dir = pattern, file = dir / "a.kvnf";
            test::WriteFileBytes(file, c.oldText);
            Own(file, kNobody, 0644);
            Own(dir, 0, 0755);  // root's folder: only the rewrite in place is open to nobody
            const pid_t child = ::fork();
            if (child == 0) {
                g_fault = c.fault;
                g_stopAt = stop;
                g_calls = 0;
                if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
                    ::_exit(kCannotBecomeNobody);
                ::_exit(ReplaceFileContents(file.string(), c.newText) == ReplaceResult::Replaced ? 1 : 0);
            }
            int status = 0;
            ::waitpid(child, &status, 0);
            outcome = WIFEXITED(status) ? WEXITSTATUS(status) : 100;
            ConfigRecord read;
            ASSERT_EQ(ReadConfigFile(read, file.string()), ReadResult::Read);
            const bool readsOld = read == oldRecord, readsNew = read == newRecord;
            EXPECT_TRUE(outcome == kStopped ? readsOld || readsNew : (c.outcome == 1 ? readsNew : readsOld));
            EXPECT_TRUE(outcome == kStopped || outcome == c.outcome) << outcome;
            fs::remove_all(dir);
        }
        EXPECT_NE(outcome, kStopped) << "the save ends";
        EXPECT_GT(steps, 3) << "stopped between its writes";
    }
}

// A new file (a state kept in the archive) stopped at any step of its writing is absent or
// whole under its name, and was flushed before it got the name.
TEST(SaveTarget, NewFileStoppedAtEachStepIsAbsentOrWhole)
{
    const std::string text = ConfigFileText(ConfigRecord{}, LocalDateTime{});
    int outcome = kStopped, steps = 0;
    for (int stop = 1; outcome == kStopped && stop < 20; ++stop, ++steps) {
        SCOPED_TRACE("stopped at step " + std::to_string(stop));
        char pattern[] = "/tmp/kovrin-new-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        const fs::path dir = pattern, file = dir / "state.kvnf";
        const pid_t child = ::fork();
        if (child == 0) {
            g_stopAt = stop;
            g_calls = 0;
            ::_exit(CreateNewFile(file.string(), text) ? 1 : 0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        outcome = WIFEXITED(status) ? WEXITSTATUS(status) : 100;
        EXPECT_TRUE(!fs::exists(file) || test::ReadFileBytes(file) == text);
        EXPECT_TRUE(outcome == kStopped || outcome == 1) << outcome;
        fs::remove_all(dir);
    }
    EXPECT_EQ(outcome, 1) << "the file is made";
    EXPECT_GE(steps, 3) << "written, flushed, the folder flushed";
}

} // namespace
