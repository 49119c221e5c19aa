#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>

#include "platform/SharedLibrary.h"

namespace kovrin {
namespace {

TEST(SharedLibrary, LoadFailuresCarryTheSystemsReason)
{
    const std::string notALibrary = testing::TempDir() + "not-a-library.so";
    std::ofstream(notALibrary) << "plain text";
    struct Case {
        std::string path;
        unsigned code;
    };
    for (const Case& c : {Case{"/nonexistent/libx.so", ENOENT}, Case{notALibrary, ENOEXEC}}) {
        SharedLibrary library;
        EXPECT_FALSE(library.load(c.path)) << c.path;
        EXPECT_FALSE(library.loaded());
        EXPECT_EQ(library.errorCode(), c.code) << c.path;
        EXPECT_FALSE(library.errorText().empty());
        EXPECT_EQ(library.symbol("GetUSBOpened"), nullptr);
    }
}

TEST(SharedLibrary, OwnsTheHandleAcrossMoves)
{
    {
        SharedLibrary first;
        ASSERT_TRUE(first.load(FAKE_UBRIX_PATH));
        EXPECT_NE(first.symbol("GetUSBOpened"), nullptr);
        EXPECT_EQ(first.symbol("NoSuchExport"), nullptr);

        SharedLibrary second = std::move(first);
        EXPECT_FALSE(first.loaded());
        EXPECT_TRUE(second.loaded());
        EXPECT_TRUE(SharedLibraryIsResident(FAKE_UBRIX_PATH));
    }
    EXPECT_FALSE(SharedLibraryIsResident(FAKE_UBRIX_PATH));
}

} // namespace
} // namespace kovrin
