// What the common file dialogs are given: a filter list the dialog can match files with,
// and a default extension it appends.
#include "app/logic/WindowTexts.h"
#include "app/win32/Dialogs.h"

#include <gtest/gtest.h>

namespace kovrin::win32 {
namespace {

TEST(FileDialogTest, FilterAndExtensionAsTheDialogsTakeThem)
{
    using namespace std::string_literals;
    struct Row {
        std::string filter, win32;
    } rows[] = {
        {std::string(text::kFileFilter), "ATS Configuration file (.kvnf)\0*.kvnf\0\0"s},
        {"A|*.a|B files | *.b;*.bb", "A\0*.a\0B files\0*.b;*.bb\0\0"s},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ToWin32Filter(row.filter), row.win32) << row.filter;
    EXPECT_EQ(ToDefaultExtension(std::string(text::kFileExtension)), "kvnf");
    EXPECT_EQ(ToDefaultExtension(".kvnf"), "kvnf");
}

} // namespace
} // namespace kovrin::win32
