#pragma once
// Small pieces every Win32 form uses: handles that free themselves, texts in the ANSI
// code page, pixel sizes at the screen's DPI, the forms' font and child controls.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

namespace kovrin::win32 {

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const { ::DeleteObject(object); }
};
struct IconDeleter {
    void operator()(HICON icon) const { ::DestroyIcon(icon); }
};
struct ImageListDeleter {
    void operator()(HIMAGELIST list) const { ::ImageList_Destroy(list); }
};
struct WindowDeleter {
    void operator()(HWND window) const { ::DestroyWindow(window); }
};
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;
using UniqueBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter>;
using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;
using UniqueImageList = std::unique_ptr<std::remove_pointer_t<HIMAGELIST>, ImageListDeleter>;
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;

// The sources keep their texts in UTF-8; the A functions want the ANSI code page.
std::string Ansi(std::string_view utf8);

std::string WindowText(HWND window);
void SetWindowTextIfChanged(HWND window, const std::string& text);

// Sizes are laid out for 96 DPI and scaled to the DPI the window opens on.
struct Dpi {
    int dpi = USER_DEFAULT_SCREEN_DPI;
    int operator()(int pixels) const { return ::MulDiv(pixels, dpi, USER_DEFAULT_SCREEN_DPI); }
};
Dpi DpiOf(HWND window);  // the monitor's DPI (per-monitor aware), else the system's

// Tahoma 8 pt at that DPI.
UniqueFont FormFont(Dpi dpi);

// A rectangle at 96 DPI: left, top, width, height.
struct Box {
    int x, y, w, h;
};

// Registers a window class of the forms' kind (button-face background, arrow cursor,
// the default procedure: the forms subclass their windows) with the given icons.
void RegisterFormClass(const char* name, HICON icon = nullptr, HICON smallIcon = nullptr);

// A child control placed at `box` (scaled), with the font set.
HWND Child(HWND parent, const char* windowClass, std::string_view text, DWORD style, Box box, int id,
           Dpi dpi, HFONT font, DWORD exStyle = 0);

// The outer size of a window whose client area is `client` pixels, at `dpi`.
SIZE OuterSize(SIZE client, DWORD style, DWORD exStyle, bool menu, Dpi dpi);

// Where the main window opens: the top left corner of the work area of the monitor
// `window` lies on (the primary one for null).
POINT TopLeftOfWorkArea(HWND window);
// Set on the main window while a command's progress dialog exists: its cursor is busy.
inline constexpr const char* kBusyProperty = "KovrinBusy";
// The work area of the monitor `window` is on; without a window, of the one under the
// mouse (the primary one when the mouse is on none).
RECT WorkAreaOf(HWND window);

// The top left corner that centres a window of `size` on the work area of the monitor
// `near` lies on (the primary one for null).
POINT CentredOnScreen(SIZE size, HWND neighbour = nullptr);

// While a command blocks the window's thread: the queue is read now and then, so that the
// system never takes the window for hung; keyboard and mouse input that came in is
// dropped (not run once the command ended), everything else is dispatched.
void PumpDroppingInput();
// The keyboard and mouse input waiting in the queue, dropped.
void DropQueuedInput();

} // namespace kovrin::win32
