#pragma once
// The pictures, compiled into the program as raw 32-bit BGRA pixels that the build makes
// from the same SVG files as the Qt view (app/resources/icons).
#include "app/win32/Win32Ui.h"

#include <string>
#include <string_view>

namespace kovrin::win32 {

// Sizes the build renders: the toolbar list at 24 and 48 pixels (each also greyed for
// disabled buttons), the named pictures at 16 and 32.
inline constexpr int kToolbarSizes[] = {24, 48};
inline constexpr int kSmallSizes[] = {16, 32};

// Resource name of one rendering: "IMG_07_CONNECT_24", "IMG_07_CONNECT_24_D" (greyed).
std::string ImageResourceName(std::string_view file, int size, bool disabled = false);

// The rendered size for a wanted one: the largest of `sizes` that is not above it.
int RenderedSize(int wanted, const int (&sizes)[2]);

// The 27 pictures of the menus and the toolbar, `size` pixels square (one of
// kToolbarSizes), greyed when `disabled`.
UniqueImageList ImageList(int size, bool disabled);

// Picture `image` of `list` as an opaque bitmap on the menu colour, for a menu item;
// null when the list does not hold it.
UniqueBitmap ImageListBitmap(HIMAGELIST list, int image);

// A named picture ("ImageGreen", "BtnOk", ...) as an icon of `size` (one of kSmallSizes);
// null for a name without picture.
UniqueIcon NamedIcon(std::string_view name, int size);

} // namespace kovrin::win32
