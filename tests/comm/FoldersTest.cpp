#include "platform/Folders.h"
#include "tests/support/ScopedEnv.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

namespace kovrin {
namespace {

TEST(Folders, ProgramFolderIsTheExecutablesFolder)
{
    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    const auto exe = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ(folder, exe.parent_path().string() + "/");
}

TEST(Folders, CommonDataFolderFollowsXdgThenHome)
{
    kovrin::test::ScopedEnv xdg("XDG_DATA_HOME"), home("HOME");
    struct Case {
        const char* xdg;  // nullptr: unset
        const char* home;
        const char* expected;
    } cases[] = {
        {"/data/x", "/home/u", "/data/x"},
        {"/data/x/", "/home/u", "/data/x"},
        {nullptr, "/home/u", "/home/u/.local/share"},
        {"", "/home/u/", "/home/u/.local/share"},
        {"relative", "/home/u", "/home/u/.local/share"},  // only absolute paths count
    };
    for (const Case& c : cases) {
        if (c.xdg)
            ::setenv("XDG_DATA_HOME", c.xdg, 1);
        else
            ::unsetenv("XDG_DATA_HOME");
        ::setenv("HOME", c.home, 1);
        EXPECT_EQ(CommonDataFolder(), c.expected) << (c.xdg ? c.xdg : "(unset)");
    }
}

TEST(Folders, FolderChoiceRule)
{
    EXPECT_EQ(WindowsVersion(), 99u);
    for (unsigned code : {0u, 1u, 5u})
        EXPECT_FALSE(UsesCommonDataFolder(code)) << code;
    for (unsigned code : {6u, 7u, 99u})
        EXPECT_TRUE(UsesCommonDataFolder(code)) << code;
    kovrin::test::ScopedEnv xdg("XDG_DATA_HOME");
    ::setenv("XDG_DATA_HOME", "/data/x", 1);
    EXPECT_EQ(DataFolder(), "/data/x/");
}

TEST(Folders, MakeFoldersCreatesMissingParents)
{
    const std::string root = std::filesystem::temp_directory_path() / "kovrin-folders-test";
    std::filesystem::remove_all(root);
    EXPECT_TRUE(MakeFolders(root + "/a/b/"));
    EXPECT_TRUE(std::filesystem::is_directory(root + "/a/b"));
    EXPECT_TRUE(MakeFolders(root + "/a/b"));  // existing: left as it is
    EXPECT_FALSE(MakeFolders("/proc/kovrin-cannot"));
    std::filesystem::remove_all(root);
}

TEST(Folders, VersionReportsMapToTheirCodes)
{
    struct Case {
        VersionReport report;
        unsigned code;
    } cases[] = {
        {{false, 2, 6, 1, true, 1}, 0},  // the query failed
        {{true, 1, 4, 10, false, 0}, 1},
        {{true, 3, 6, 1, true, 1}, 0},   // neither family
        {{true, 2, 4, 0, true, 1}, 2},
        {{true, 2, 5, 0, true, 1}, 3},
        {{true, 2, 5, 1, true, 1}, 4},
        {{true, 2, 5, 2, true, 3}, 5},
        {{true, 2, 6, 0, true, 1}, 6},
        {{true, 2, 6, 0, false, 3}, 6},  // no extended answer: a workstation
        {{true, 2, 6, 0, true, 3}, 8},
        {{true, 2, 6, 1, true, 1}, 7},
        {{true, 2, 6, 1, false, 2}, 7},
        {{true, 2, 6, 1, true, 2}, 9},
        {{true, 2, 6, 2, true, 1}, 99},
        {{true, 2, 10, 0, true, 3}, 99},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClassifyWindowsVersion(c.report), c.code)
            << c.report.platformId << " " << c.report.major << "." << c.report.minor << " type " << c.report.productType;
}

} // namespace
} // namespace kovrin
