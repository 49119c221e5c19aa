#pragma once
// The window's page area when the screen is smaller than the form: a control parent of
// the area's size that holds the page at its full size and scrolls it. When the area
// is as large as the page, nothing scrolls and nothing moves.
#include "app/win32/Win32Ui.h"

namespace kovrin::win32 {

class PageViewport {
public:
    // A child of `parent` at `area` (pixels) for content of `content` size.
    PageViewport(HWND parent, RECT area, SIZE content, Dpi dpi);
    ~PageViewport();
    PageViewport(const PageViewport&) = delete;
    PageViewport& operator=(const PageViewport&) = delete;

    HWND window() const { return window_; }
    // The content window (a child of window()), placed at the scrolled origin.
    void setContent(HWND content);
    // Scrolls so that `control` (a descendant) is wholly in view.
    void reveal(HWND control);

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void scroll(int bar, int code);
    void scrollTo(int x, int y);
    void place();

    HWND window_ = nullptr;
    HWND content_ = nullptr;
    SIZE content_size_{};
    SIZE view_{};
    POINT origin_{};  // content's top-left scrolled away
    Dpi dpi_;
};

} // namespace kovrin::win32
