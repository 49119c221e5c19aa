#include "app/win32/Win32Ui.h"

#include <cstdlib>
#include <vector>

namespace kovrin::win32 {

std::string Ansi(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    const int wide = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    if (wide <= 0)
        return std::string(utf8);
    std::vector<wchar_t> w(static_cast<std::size_t>(wide));
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), w.data(), wide);
    const int narrow = ::WideCharToMultiByte(CP_ACP, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(std::size_t(narrow > 0 ? narrow : 0), '\0');
    if (narrow > 0)
        ::WideCharToMultiByte(CP_ACP, 0, w.data(), wide, out.data(), narrow, nullptr, nullptr);
    return out;
}

std::string WindowText(HWND window)
{
    const int length = ::GetWindowTextLengthA(window);
    std::string text(std::size_t(length) + 1, '\0');
    text.resize(std::size_t(::GetWindowTextA(window, text.data(), length + 1)));
    return text;
}

void SetWindowTextIfChanged(HWND window, const std::string& text)
{
    // Setting an unchanged text would still repaint and flicker.
    if (WindowText(window) != text)
        ::SetWindowTextA(window, text.c_str());
}

Dpi DpiOf(HWND window)
{
    // Present from Windows 10 1607; older systems scale by the system DPI alone.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (window != nullptr && getDpiForWindow != nullptr)
        if (const UINT dpi = getDpiForWindow(window); dpi != 0)
            return {int(dpi)};
    const HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return {dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI};
}

UniqueFont FormFont(Dpi dpi)
{
    LOGFONTA font{};
    font.lfHeight = -::MulDiv(8, dpi.dpi, 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    lstrcpynA(font.lfFaceName, "Tahoma", LF_FACESIZE);
    return UniqueFont(::CreateFontIndirectA(&font));
}

void RegisterFormClass(const char* name, HICON icon, HICON smallIcon)
{
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hIcon = icon;
    wc.hIconSm = smallIcon;
    wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /* IDC_ARROW */);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    ::RegisterClassExA(&wc);  // a second registration fails harmlessly
}

HWND Child(HWND parent, const char* windowClass, std::string_view text, DWORD style, Box box, int id,
           Dpi dpi, HFONT font, DWORD exStyle)
{
    const std::string caption = Ansi(text);
    HWND child = ::CreateWindowExA(exStyle, windowClass, caption.c_str(), WS_CHILD | style, dpi(box.x),
                                   dpi(box.y), dpi(box.w), dpi(box.h), parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   ::GetModuleHandleA(nullptr), nullptr);
    if (child != nullptr && font != nullptr)
        ::SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
}

SIZE OuterSize(SIZE client, DWORD style, DWORD exStyle, bool menu, Dpi dpi)
{
    // Borders and caption at the window's own DPI (Windows 10 1607 on); the plain call
    // measures them at the system's DPI, wrong on a monitor of another one.
    using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = reinterpret_cast<AdjustForDpiFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), "AdjustWindowRectExForDpi")));
    RECT r{0, 0, client.cx, client.cy};
    if (adjustForDpi == nullptr || !adjustForDpi(&r, style, menu ? TRUE : FALSE, exStyle, UINT(dpi.dpi)))
        ::AdjustWindowRectEx(&r, style, menu ? TRUE : FALSE, exStyle);
    return {r.right - r.left, r.bottom - r.top};
}

RECT WorkAreaOf(HWND window)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    POINT mouse{};
    if (window == nullptr && !::GetCursorPos(&mouse))
        mouse = {0, 0};
    const HMONITOR monitor = window != nullptr ? ::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY)
                                               : ::MonitorFromPoint(mouse, MONITOR_DEFAULTTOPRIMARY);
    ::GetMonitorInfoA(monitor, &info);
    return info.rcWork;
}

POINT TopLeftOfWorkArea(HWND window)
{
    const RECT work = WorkAreaOf(window);
    return {work.left, work.top};
}

POINT CentredOnScreen(SIZE size, HWND neighbour)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    const HMONITOR monitor = neighbour != nullptr ? ::MonitorFromWindow(neighbour, MONITOR_DEFAULTTOPRIMARY)
                                             : ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    ::GetMonitorInfoA(monitor, &info);
    const RECT& work = info.rcWork;
    return {work.left + (work.right - work.left - size.cx) / 2, work.top + (work.bottom - work.top - size.cy) / 2};
}

namespace {

constexpr UINT kInputRanges[][2] = {
    {WM_KEYFIRST, WM_KEYLAST},
    {WM_MOUSEFIRST, WM_MOUSELAST},
    {WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK},
};

bool IsUserInput(UINT message)
{
    for (const auto& range : kInputRanges)
        if (message >= range[0] && message <= range[1])
            return true;
    return false;
}

} // namespace

void PumpDroppingInput()
{
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // For the loop that waits for it.
            ::PostQuitMessage(int(message.wParam));
            return;
        }
        if (IsUserInput(message.message))
            continue;
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
}

void DropQueuedInput()
{
    MSG message;
    for (const auto& range : kInputRanges)
        while (::PeekMessageA(&message, nullptr, range[0], range[1], PM_REMOVE)) {
        }
}

} // namespace kovrin::win32
