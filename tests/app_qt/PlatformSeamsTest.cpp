// The application shell's operating-system seams: single instance, event, opener.
#include "platform/Event.h"
#include "platform/InstanceLock.h"
#include "platform/Shell.h"
#include "tests/support/ScopedEnv.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <optional>
#include <thread>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kovrin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A scratch folder used as $XDG_RUNTIME_DIR and for fake openers.
class ScratchFolder {
public:
    ScratchFolder()
    {
        char pattern[] = "/tmp/kovrin-seams-XXXXXX";
        path_ = ::mkdtemp(pattern);
    }
    ~ScratchFolder() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }
    std::string folder() const { return path_.string() + "/"; }

    // An executable shell script in the folder.
    std::string script(const std::string& name, const std::string& body) const
    {
        const fs::path p = path_ / name;
        std::ofstream(p) << "#!/bin/sh\n" << body << "\n";
        fs::permissions(p, fs::perms::owner_all);
        return p.string();
    }

private:
    fs::path path_;
};

TEST(InstanceLock, SecondHolderIsToldAndTheLockOutlivesNothing)
{
    ScratchFolder dir;
    kovrin::test::ScopedEnv runtime("XDG_RUNTIME_DIR", dir.path().string());
    {
        InstanceLock first("TARVIXCONFIG");
        EXPECT_EQ(first.state(), InstanceLock::State::Acquired);
        EXPECT_EQ(first.where(), dir.folder() + "TARVIXCONFIG.lock");
        InstanceLock second("TARVIXCONFIG");
        EXPECT_TRUE(second.alreadyRunning());
        InstanceLock other("OTHERNAME");
        EXPECT_EQ(other.state(), InstanceLock::State::Acquired);
    }
    // The first copy has ended: the next one starts normally.
    InstanceLock again("TARVIXCONFIG");
    EXPECT_EQ(again.state(), InstanceLock::State::Acquired);
}

TEST(InstanceLock, ProgramsStartedMeanwhileDoNotKeepIt)
{
    // The manual's viewer outlives the program; it must not inherit the lock.
    ScratchFolder dir;
    kovrin::test::ScopedEnv runtime("XDG_RUNTIME_DIR", dir.path().string());
    pid_t child = 0;
    {
        InstanceLock lock("TARVIXCONFIG");
        ASSERT_EQ(lock.state(), InstanceLock::State::Acquired);
        char sleepName[] = "sleep";
        char seconds[] = "30";
        char* argv[] = {sleepName, seconds, nullptr};
        ASSERT_EQ(::posix_spawnp(&child, "sleep", nullptr, nullptr, argv, environ), 0);
    }
    InstanceLock next("TARVIXCONFIG");
    EXPECT_EQ(next.state(), InstanceLock::State::Acquired);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

TEST(InstanceLock, UnusableFolderLeavesTheProgramUnprotectedButRunning)
{
    kovrin::test::ScopedEnv runtime("XDG_RUNTIME_DIR", "/nonexistent/folder");
    InstanceLock lock("TARVIXCONFIG");
    EXPECT_EQ(lock.state(), InstanceLock::State::Unavailable);
    EXPECT_FALSE(lock.alreadyRunning());
}

TEST(InstanceLock, WithoutRuntimeFolderTheUserIdKeepsSessionsApart)
{
    kovrin::test::ScopedEnv runtime("XDG_RUNTIME_DIR", "");
    InstanceLock lock("KOVRINSEAMTEST");
    EXPECT_EQ(lock.where(), "/tmp/KOVRINSEAMTEST-" + std::to_string(::getuid()) + ".lock");
}

TEST(NamedEvent, AutoResetReleasesOneWaitPerSignal)
{
    auto event = NamedEvent::create("SeamTestEvent");
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(NamedEvent::open("SeamTestEvent"), event);
    EXPECT_EQ(NamedEvent::open("NoSuchEvent"), nullptr);

    EXPECT_FALSE(event->waitFor(0ms));  // created not signalled
    event->set();
    event->set();                       // signals do not add up
    EXPECT_TRUE(event->waitFor(0ms));
    EXPECT_FALSE(event->waitFor(0ms));  // consumed by the first wait
    event->set();
    event->reset();
    EXPECT_FALSE(event->waitFor(0ms));

    std::thread signaller([event] {
        std::this_thread::sleep_for(20ms);
        event->set();
    });
    EXPECT_TRUE(event->waitFor(5s));
    signaller.join();
}

TEST(NamedEvent, GoesAwayWithItsLastHolder)
{
    NamedEvent::create("ShortLived").reset();
    EXPECT_EQ(NamedEvent::open("ShortLived"), nullptr);
}

TEST(OpenDocument, ShellCodesForEachOutcome)
{
    ScratchFolder dir;
    std::ofstream(dir.path() / "Manual.pdf") << "%PDF-1.4\n";
    const std::string viewer = dir.script("opener-ok", "exit 0");
    const std::string noViewer = dir.script("opener-none", "exit 3");
    const struct {
        const char* what;
        std::string file;
        std::string opener;
        bool opened;
        unsigned code;  // when not opened
    } cases[] = {
        {"viewer takes it", "Manual.pdf", viewer, true, 0},
        {"missing file", "Missing.pdf", viewer, false, kShellFileNotFound},
        {"opener finds no viewer", "Manual.pdf", noViewer, false, kShellNoAssociation},
        {"no opener installed", "Manual.pdf", dir.folder() + "no-such-opener", false, kShellNoAssociation},
    };
    for (const auto& c : cases) {
        const unsigned result = OpenDocument(dir.folder(), c.file, c.opener);
        if (c.opened)
            EXPECT_GT(result, 32u) << c.what;
        else
            EXPECT_EQ(result, c.code) << c.what;
    }
}

} // namespace
} // namespace kovrin
