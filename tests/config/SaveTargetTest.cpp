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

struct YesPrompts : FilePrompts {
    std::string error;
    void ShowError(std::string_view text) override { error = text; }
    bool AskOverwrite(std::string_view) override { return true; }
};

struct SaveOutcome {
    WriteResult result = WriteResult::Declined;
    bool cannotOpenShown = false;
};

SaveOutcome Save(const fs::path& file, const std::string& expectedError)
{
    YesPrompts prompts;
    SaveOutcome o;
    o.result = WriteConfigFile(ConfigRecord{}, file.string(), prompts, [] { return LocalDateTime{}; });
    o.cannotOpenShown = prompts.error == expectedError;
    return o;
}

// The save as user nobody, in a child process.
SaveOutcome SaveAsNobody(const fs::path& file, const std::string& expectedError)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(99);
        const SaveOutcome o = Save(file, expectedError);
        ::_exit(static_cast<int>(o.result) * 2 + (o.cannotOpenShown ? 1 : 0));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    SaveOutcome o;
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 99;
    EXPECT_NE(code, 99) << "child could not become nobody";
    o.result = static_cast<WriteResult>(code / 2);
    o.cannotOpenShown = (code & 1) != 0;
    return o;
}

struct Case {
    const char* name;
    bool asNobody;
    std::function<void(const fs::path& dir)> arrange;  // the folder belongs to root, mode 0755
    const char* saveTo;
    bool written;
    const char* changed;  // the file that must hold the new content, or must stay "old"
};

void Own(const fs::path& p, uid_t uid, mode_t mode)
{
    ASSERT_EQ(::chown(p.c_str(), uid, uid), 0);
    ASSERT_EQ(::chmod(p.c_str(), mode), 0);
}

TEST(SaveTarget, LinksOwnersAndPermissions)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to arrange files of two users";
    const std::string oldText(5000, 'o');  // longer than the new file: a rewrite must cut it
    const Case cases[] = {
        {"a link is followed and its target replaced", false,
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
        {"no new file in a locked folder", true, [](const fs::path&) {}, "a.kvnf", false, nullptr},
    };
    const std::string message(kSaveCannotOpenMessage);
    const std::string newText = ConfigFileText(ConfigRecord{}, LocalDateTime{});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        char pattern[] = "/tmp/kovrin-save-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        const fs::path dir = pattern;
        Own(dir, 0, 0755);
        c.arrange(dir);
        struct stat before{};
        const fs::path changed = c.changed ? dir / c.changed : fs::path();
        if (c.changed)
            ::stat(changed.c_str(), &before);
        const auto entriesBefore = std::distance(fs::directory_iterator(dir), fs::directory_iterator());

        const SaveOutcome o = c.asNobody ? SaveAsNobody(dir / c.saveTo, message) : Save(dir / c.saveTo, message);

        EXPECT_EQ(o.result, c.written ? WriteResult::Written : WriteResult::CannotOpen);
        EXPECT_EQ(o.cannotOpenShown, !c.written);
        if (c.changed) {
            EXPECT_TRUE(test::ReadFileBytes(changed) == (c.written ? newText : oldText))
                << (c.written ? "new content expected" : "old content expected");
            struct stat after{};
            ASSERT_EQ(::stat(changed.c_str(), &after), 0);
            EXPECT_EQ(after.st_uid, before.st_uid);
            EXPECT_EQ(after.st_gid, before.st_gid);
            EXPECT_EQ(after.st_mode, before.st_mode);
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), entriesBefore)
            << "no temporary file left, links stay links";
        EXPECT_TRUE(fs::is_symlink(dir / "link.kvnf") || !fs::exists(fs::symlink_status(dir / "link.kvnf")));
        fs::remove_all(dir);
    }
}

} // namespace
