// Saving over links, other users' files and into folders the user may not write. The
// permission cases run in a child process as an ordinary user (nobody).
#include "config/ConfigFile.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kovrin;
namespace fs = std::filesystem;

namespace {

constexpr uid_t kNobody = 65534;
constexpr int kCannotBecomeNobody = 99;

struct YesPrompts : FilePrompts {
    std::string error;
    void ShowError(std::string_view text) override { error = text; }
    bool AskOverwrite(std::string_view) override { return true; }
};

// 1: written without a message; 0: refused with the cannot-open message; else 2.
int Save(const fs::path& file)
{
    YesPrompts p;
    const WriteResult r = WriteConfigFile(ConfigRecord{}, file.string(), p, [] { return LocalDateTime{}; });
    if (r == WriteResult::Written && p.error.empty())
        return 1;
    return r == WriteResult::CannotOpen && p.error == kSaveCannotOpenMessage ? 0 : 2;
}

// `save` (nullptr: nothing) as user nobody, in a child process.
int AsNobody(const fs::path* file)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(::setgid(kNobody) != 0 || ::setuid(kNobody) != 0 ? kCannotBecomeNobody : file ? Save(*file) : 0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : kCannotBecomeNobody;
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

} // namespace
