#pragma once
// The pictures, compiled into the program as raw 32-bit BGRA pixels that the build makes
// from the same SVG files as the Qt view (app/resources/icons).
#include "app/win32/Win32Ui.h"

#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>

namespace kovrin::win32 {

// Sizes the build renders, at 100, 125, 150, 175 and 200 %: the toolbar list (each also
// greyed for disabled buttons), and the named pictures and the menus' pictures (the
// toolbar's at the small sizes). A picture is never scaled at run time, so it stays sharp.
inline constexpr int kToolbarSizes[] = {24, 30, 36, 42, 48};
inline constexpr int kSmallSizes[] = {16, 20, 24, 28, 32};
inline constexpr std::size_t kRenderedSizeCount = std::size(kToolbarSizes);

// Resource name of one rendering: "IMG_07_CONNECT_24", "IMG_07_CONNECT_24_D" (greyed).
std::string ImageResourceName(std::string_view file, int size, bool disabled = false);

// The rendered size for a wanted one: the largest of `sizes` that is not above it.
int RenderedSize(int wanted, const int (&sizes)[kRenderedSizeCount]);

// The 27 pictures of the menus and the toolbar, `size` pixels square (one of
// kToolbarSizes or kSmallSizes), greyed when `disabled`.
UniqueImageList ImageList(int size, bool disabled);


// A named picture ("ImageGreen", "BtnOk", ...) as an icon of `size` (one of kSmallSizes);
// null for a name without picture.
UniqueIcon NamedIcon(std::string_view name, int size);

} // namespace kovrin::win32
