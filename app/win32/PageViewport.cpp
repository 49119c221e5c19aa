#include "app/win32/PageViewport.h"

#include <algorithm>

namespace kovrin::win32 {

namespace {
constexpr const char* kViewportClass = "KovrinPageViewport";
}

PageViewport::PageViewport(HWND parent, RECT area, SIZE content, Dpi dpi) : content_size_(content), dpi_(dpi)
{
    static const bool registered = (RegisterFormClass(kViewportClass), true);
    (void)registered;
    const int w = area.right - area.left, h = area.bottom - area.top;
    // Scroll bars only where the content does not fit; one bar may make room short for
    // the other.
    const int bar = ::GetSystemMetrics(SM_CXVSCROLL);
    bool vertical = content.cy > h;
    const bool horizontal = content.cx > w - (vertical ? bar : 0);
    vertical = vertical || content.cy > h - (horizontal ? bar : 0);
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    if (vertical)
        style |= WS_VSCROLL;
    if (horizontal)
        style |= WS_HSCROLL;
    window_ = ::CreateWindowExA(WS_EX_CONTROLPARENT, kViewportClass, "", style, area.left, area.top, w, h, parent,
                                nullptr, ::GetModuleHandleA(nullptr), nullptr);
    ::SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PageViewport::Proc));
    RECT client{};
    ::GetClientRect(window_, &client);
    view_ = {client.right, client.bottom};
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    if (vertical) {
        si.nMax = content.cy - 1;
        si.nPage = UINT(view_.cy);
        ::SetScrollInfo(window_, SB_VERT, &si, TRUE);
    }
    if (horizontal) {
        si.nMax = content.cx - 1;
        si.nPage = UINT(view_.cx);
        ::SetScrollInfo(window_, SB_HORZ, &si, TRUE);
    }
}

PageViewport::~PageViewport()
{
    if (window_ != nullptr) {
        ::SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&::DefWindowProcA));
        ::DestroyWindow(window_);
    }
}

void PageViewport::setContent(HWND content)
{
    content_ = content;
    place();
}

void PageViewport::place()
{
    if (content_ != nullptr)
        ::SetWindowPos(content_, nullptr, -origin_.x, -origin_.y, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
}

void PageViewport::scrollTo(int x, int y)
{
    x = std::clamp(x, 0, std::max(0, int(content_size_.cx - view_.cx)));
    y = std::clamp(y, 0, std::max(0, int(content_size_.cy - view_.cy)));
    if (x == origin_.x && y == origin_.y)
        return;
    origin_ = {x, y};
    ::SetScrollPos(window_, SB_HORZ, x, TRUE);
    ::SetScrollPos(window_, SB_VERT, y, TRUE);
    place();
}

void PageViewport::reveal(HWND control)
{
    if (control == nullptr || !::IsChild(window_, control))
        return;
    RECT r{};
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(HWND_DESKTOP, window_, reinterpret_cast<POINT*>(&r), 2);
    const int margin = dpi_(6);
    int x = origin_.x, y = origin_.y;
    if (r.bottom + margin > view_.cy)
        y += r.bottom + margin - view_.cy;
    if (r.top - margin < 0)
        y += r.top - margin;
    if (r.right + margin > view_.cx)
        x += r.right + margin - view_.cx;
    if (r.left - margin < 0)
        x += r.left - margin;
    scrollTo(x, y);
}

void PageViewport::scroll(int bar, int code)
{
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    ::GetScrollInfo(window_, bar, &si);
    const int line = dpi_(20);
    int pos = si.nPos;
    switch (code) {
    case SB_LINEUP: pos -= line; break;
    case SB_LINEDOWN: pos += line; break;
    case SB_PAGEUP: pos -= int(si.nPage); break;
    case SB_PAGEDOWN: pos += int(si.nPage); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: pos = si.nTrackPos; break;
    case SB_TOP: pos = 0; break;
    case SB_BOTTOM: pos = si.nMax; break;
    default: return;
    }
    if (bar == SB_VERT)
        scrollTo(origin_.x, pos);
    else
        scrollTo(pos, origin_.y);
}

LRESULT CALLBACK PageViewport::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<PageViewport*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self != nullptr) {
        switch (message) {
        case WM_VSCROLL:
        case WM_HSCROLL:
            if (lParam == 0) {  // the viewport's own bars; the page's come to the page
                self->scroll(message == WM_VSCROLL ? SB_VERT : SB_HORZ, LOWORD(wParam));
                return 0;
            }
            break;
        case WM_MOUSEWHEEL:
            self->scrollTo(self->origin_.x,
                           self->origin_.y - GET_WHEEL_DELTA_WPARAM(wParam) * self->dpi_(20) / WHEEL_DELTA);
            return 0;
        case WM_NOTIFY:
        case WM_COMMAND:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            // What the page control tells its parent goes on to the window.
            return ::SendMessageA(::GetParent(window), message, wParam, lParam);
        default:
            break;
        }
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

} // namespace kovrin::win32
