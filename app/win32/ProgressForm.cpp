#include "app/win32/Forms.h"
#include "app/win32/AccessibleNames.h"

#include "app/win32/WindowIds.h"
#include <stdexcept>

namespace kovrin::win32 {

namespace {

// A dialog border without border icons: no close box.
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;
constexpr SIZE kClient{412, 81};

void RegisterClassOnce()
{
    static const bool registered = (RegisterFormClass(kProgressWindowClass), true);
    (void)registered;
}

} // namespace

TFormProgress::TFormProgress(HWND owner, const std::string& text, bool cancelButton)
{
    // The window under the dialog shows the busy cursor while the command runs.
    if (owner != nullptr)
        ::SetPropA(owner, kBusyProperty, reinterpret_cast<HANDLE>(1));
    owner_ = owner;
    RegisterClassOnce();
    const Dpi dpi = DpiOf(owner);
    font_ = FormFont(dpi);
    const SIZE outer = OuterSize({dpi(kClient.cx), dpi(kClient.cy)}, kStyle, kExStyle, false, dpi);
    const POINT at = CentredOnScreen(outer, owner);
    // The text is both the caption and Label1's.
    window_.reset(::CreateWindowExA(kExStyle, kProgressWindowClass, text.c_str(), kStyle, at.x, at.y, outer.cx,
                                    outer.cy, owner, nullptr, ::GetModuleHandleA(nullptr), nullptr));
    if (window_ == nullptr)
        throw std::runtime_error("Cannot create the progress window");
    ::SetWindowLongPtrA(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowLongPtrA(window_.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TFormProgress::Proc));
    label_ = Child(window_.get(), "STATIC", "", WS_VISIBLE | SS_NOPREFIX, {16, 8, 385, 16}, kProgressLabelId, dpi,
                   font_.get());
    ::SetWindowTextA(label_, text.c_str());
    bar_ = Child(window_.get(), PROGRESS_CLASSA, "", WS_VISIBLE, {16, 26, 385, 17}, kProgressBarId, dpi, font_.get());
    barName_ = NameControl(bar_, {text, {}, {}});
    ::SendMessageA(bar_, PBM_SETRANGE32, 0, 16);
    ::SendMessageA(bar_, PBM_SETPOS, 0, 0);
    ImageButton(window_.get(), "Cancel", "BtnCancel", {312, 49, 89, 25}, IDCANCEL, false, dpi, font_.get(), icons_);
    ::ShowWindow(::GetDlgItem(window_.get(), IDCANCEL), cancelButton ? SW_SHOWNA : SW_HIDE);
}

TFormProgress::~TFormProgress()
{
    if (owner_ != nullptr)
        ::RemovePropA(owner_, kBusyProperty);
    if (blocked_ != nullptr) {
        // The owner takes input again only after what came in meanwhile is gone; it is
        // enabled before the dialog goes, so that it is the window activated next.
        DropQueuedInput();
        ::EnableWindow(blocked_, TRUE);
    }
    // The window goes before its icons and font.
    window_.reset();
    if (blocked_ != nullptr)
        ::SetForegroundWindow(blocked_);
}

LRESULT CALLBACK TFormProgress::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<TFormProgress*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL && self != nullptr) {
        self->cancelled_ = true;  // BtnCancelClick
        return 0;
    }
    // No close box, and Alt+F4 does not take the dialog away from its command either.
    if (message == WM_CLOSE)
        return 0;
    return ::DefWindowProcA(window, message, wParam, lParam);
}

void TFormProgress::setRange(int minimum, int maximum) { ::SendMessageA(bar_, PBM_SETRANGE32, minimum, maximum); }

void TFormProgress::setPosition(int position) { ::SendMessageA(bar_, PBM_SETPOS, position, 0); }

void TFormProgress::setBarVisible(bool visible) { ::ShowWindow(bar_, visible ? SW_SHOWNA : SW_HIDE); }

void TFormProgress::setLabel(const std::string& text)
{
    ::SetWindowTextA(label_, text.c_str());
    barName_->name = text;
}

void TFormProgress::show()
{
    HWND owner = ::GetWindow(window_.get(), GW_OWNER);
    if (blocked_ == nullptr && owner != nullptr && ::IsWindowEnabled(owner)) {
        blocked_ = owner;
        ::EnableWindow(blocked_, FALSE);
    }
    ::ShowWindow(window_.get(), SW_SHOWNORMAL);
}

void TFormProgress::repaint()
{
    // The command runs on the window's thread: paint at once, and read the queue.
    ::RedrawWindow(window_.get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpDroppingInput();
}

} // namespace kovrin::win32
