#include "app/win32/LomarForm.h"

#include "app/logic/HandlerGuard.h"
#include "app/logic/WindowTexts.h"
#include "app/win32/Forms.h"
#include "app/win32/PageViewport.h"
#include "app/win32/Win32Ui.h"
#include "app/win32/WindowIds.h"
#include "platform/WaitHook.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <stdexcept>

namespace kovrin::win32 {

namespace {

// The form's area, menu bar included (a native menu bar lies above the client area),
// and its fixed border.
constexpr SIZE kFormArea{801, 607};
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = 0;
constexpr int kProgramIconId = 1;

void RegisterMainClass()
{
    static const bool registered = [] {
        const HINSTANCE module = ::GetModuleHandleA(nullptr);
        auto icon = [module](int widthMetric, int heightMetric) {
            return static_cast<HICON>(::LoadImageA(module, MAKEINTRESOURCEA(kProgramIconId), IMAGE_ICON,
                                                   ::GetSystemMetrics(widthMetric),
                                                   ::GetSystemMetrics(heightMetric), 0));
        };
        RegisterFormClass(kMainWindowClass, icon(SM_CXICON, SM_CYICON), icon(SM_CXSMICON, SM_CYSMICON));
        return true;
    }();
    (void)registered;
}

} // namespace

template <typename F>
void TFormConfig::guarded(F&& handler)
{
    // A command's long waits read the queue, dropping its input, as the progress
    // dialog does after each word: the window is never marked as not responding.
    const ScopedWaitHook readQueue(PumpDroppingInput);
    // Shown through the logic's view, so a scripted run prints it instead.
    guard_.run(std::forward<F>(handler),
               [this](const std::string& message) { logic_->view().showException(message); });
    if (!guard_.running() && pendingDpi_ && window_ != nullptr) {
        const auto [dpi, suggested] = *pendingDpi_;
        pendingDpi_.reset();
        rebuild(dpi, suggested);
    }
}

TFormConfig::TFormConfig(WindowEnvironment environment)
{
    RegisterMainClass();
    // Made on the screen under the mouse, so its DPI and work area are the ones it opens with.
    const POINT start = TopLeftOfWorkArea(nullptr);
    window_ = ::CreateWindowExA(kExStyle, kMainWindowClass, "", kStyle, start.x, start.y, kFormArea.cx, kFormArea.cy,
                                nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    if (window_ == nullptr)
        throw std::runtime_error("Cannot create the main window");
    ::SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TFormConfig::Proc));
    dpi_ = DpiOf(window_);
    font_ = FormFont(dpi_);
    logic_ = std::make_unique<FormConfigLogic>(*this, std::move(environment));
    build();
    // Opens at the top left of the work area, clear of a taskbar at the top or left.
    const POINT at = TopLeftOfWorkArea(window_);
    ::SetWindowPos(window_, nullptr, at.x, at.y, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
    apply(logic_->state());
    page_->refreshAll();
}

TFormConfig::~TFormConfig()
{
    if (window_ != nullptr) {
        ::SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        page_.reset();
        ::DestroyWindow(window_);
    }
}

void TFormConfig::build()
{
    bars_ = std::make_unique<ActionBars>(window_, dpi_, font_.get());
    status_ = std::make_unique<StatusPanel>(window_, dpi_, font_.get());

    // The outer size that gives the form's area with the menu bar inside it, but never
    // more than the work area: a smaller frame scrolls the page (with room for the
    // scroll bar beside it where the width allows).
    const SIZE natural = OuterSize({dpi_(kFormArea.cx), dpi_(kFormArea.cy)}, kStyle, kExStyle, false, dpi_);
    const RECT work = WorkAreaOf(window_);
    SIZE outer{std::min(natural.cx, work.right - work.left), std::min(natural.cy, work.bottom - work.top)};
    if (outer.cy < natural.cy)
        outer.cx = std::min(natural.cx + ::GetSystemMetrics(SM_CXVSCROLL), work.right - work.left);
    ::SetWindowPos(window_, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    RECT client{};
    ::GetClientRect(window_, &client);
    // The page keeps the form's size: the frame's room for a scroll bar is no wider page.
    const int naturalWidth = client.right + int(natural.cx - outer.cx);
    const int naturalBottom = client.bottom + std::max(0L, natural.cy - outer.cy);
    ::SendMessageA(status_->window(), WM_SIZE, 0, 0);
    ::SetWindowPos(bars_->toolBar(), nullptr, 0, 0, client.right, bars_->toolBarHeight() + dpi_(2),
                   SWP_NOZORDER | SWP_NOACTIVATE);

    // Panel1 with PageControl1, between the toolbar and the status bar.
    const int top = bars_->toolBarHeight() + dpi_(4);
    const int bottom = client.bottom - status_->height() - dpi_(4);
    const SIZE content{naturalWidth, naturalBottom - status_->height() - dpi_(4) - top};
    viewport_ = std::make_unique<PageViewport>(window_, RECT{0, top, client.right, bottom}, content, dpi_);
    // A control parent: Tab and Shift+Tab walk into the page's controls.
    tab_ = ::CreateWindowExA(WS_EX_CONTROLPARENT, WC_TABCONTROLA, "", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, dpi_(4), 0,
                             content.cx - dpi_(8), content.cy, viewport_->window(),
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPageControlId)),
                             ::GetModuleHandleA(nullptr), nullptr);
    ::SendMessageA(tab_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>("Basic");
    ::SendMessageA(tab_, TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    RECT display{0, 0, content.cx - dpi_(8), content.cy};
    ::SendMessageA(tab_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    page_ = std::make_unique<BasicPage>(tab_, display, dpi_, font_.get(), logic_->editor(),
                                        [this] { guarded([this] { logic_->Button1Click(); }); });
    viewport_->setContent(tab_);
}

void TFormConfig::revealFocus()
{
    if (viewport_ != nullptr)
        viewport_->reveal(::GetFocus());
}

void TFormConfig::rebuild(Dpi dpi, const RECT& suggested)
{
    // Every control shows the editor model and the logic's state, so the frame can be
    // made anew at the new size; the old one goes first.
    page_.reset();
    ::DestroyWindow(tab_);
    tab_ = nullptr;
    viewport_.reset();
    status_.reset();
    bars_.reset();
    dpi_ = dpi;
    font_ = FormFont(dpi_);
    ::SetWindowPos(window_, nullptr, suggested.left, suggested.top, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
    build();
    apply(logic_->state());
    page_->refreshAll();
    ::RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TFormConfig::apply(const MainWindowState& state)
{
    SetWindowTextIfChanged(window_, state.caption);
    bars_->apply(state);
    status_->apply(state.status);
    const bool visible = ::IsWindowVisible(tab_) != FALSE || (::GetWindowLongPtrA(tab_, GWL_STYLE) & WS_VISIBLE);
    if (visible != state.pageVisible)
        ::ShowWindow(tab_, state.pageVisible ? SW_SHOWNA : SW_HIDE);
}

void TFormConfig::stateChanged(const MainWindowState& state)
{
    // The logic may report from inside its constructor, before the frame exists.
    if (page_ == nullptr)
        return;
    apply(state);
    page_->refreshChanged();
}

void TFormConfig::show()
{
    ::ShowWindow(window_, SW_SHOWNORMAL);
    ::UpdateWindow(window_);
    if (!guard_.firstShow())
        return;
    guarded([this] { logic_->FormShow(); });
    apply(logic_->state());
    page_->refreshChanged();
}

void TFormConfig::close()
{
    if (!guard_.closeAllowed())
        return;
    guarded([this] { logic_->FormClose(); });
    page_.reset();
    HWND window = window_;
    window_ = nullptr;
    ::DestroyWindow(window);
    // Wakes the message loop, which ends once the window is gone.
    ::PostThreadMessageA(::GetCurrentThreadId(), WM_NULL, 0, 0);
}

LRESULT CALLBACK TFormConfig::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<TFormConfig*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr)
        return ::DefWindowProcA(window, message, wParam, lParam);
    return self->handle(window, message, wParam, lParam);
}

LRESULT TFormConfig::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND: {
        // Enter on a page button comes here through the dialog keys: its page handles it.
        if (HWND from = reinterpret_cast<HWND>(lParam); from != nullptr && ::GetParent(from) != window) {
            HWND parent = ::GetParent(from);
            if (parent != nullptr && ::IsChild(window, parent))
                return ::SendMessageA(parent, WM_COMMAND, wParam, lParam);
        }
        const int id = LOWORD(wParam);
        for (const ActionInfo& info : kActions)
            if (CommandId(info.id) == id) {
                guarded([this, &info] { logic_->RunAction(info.id); });
                return 0;
            }
        break;
    }
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code == TTN_GETDISPINFOA) {
            auto* info = reinterpret_cast<NMTTDISPINFOA*>(lParam);
            info->lpszText = const_cast<char*>(ActionBars::Hint(int(header->idFrom)));
            return 0;
        }
        if (header->code == TTN_GETDISPINFOW) {
            auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
            ::MultiByteToWideChar(CP_ACP, 0, ActionBars::Hint(int(header->idFrom)), -1, info->szText,
                                  int(std::size(info->szText)));
            info->lpszText = info->szText;
            return 0;
        }
        break;
    }
    case WM_MENUSELECT: {
        // A highlighted item with a hint of its own (which device a COM number stands for)
        // shows it on the status bar until the menu closes.
        std::string hint;
        if (!(HIWORD(wParam) & MF_POPUP) && HIWORD(wParam) != 0xFFFF)
            for (const ActionInfo& info : kActions)
                if (CommandId(info.id) == LOWORD(wParam))
                    hint = logic_->state().action(info.id).hint;
        status_->showHint(hint);
        break;
    }
    case WM_EXITMENULOOP:
        status_->showHint({});
        break;
    case WM_SETCURSOR:
        // Busy while a command runs (the window is disabled then, so every hit counts).
        if (::GetPropA(window, kBusyProperty) != nullptr) {
            ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32650) /* IDC_APPSTARTING */));
            return TRUE;
        }
        break;
    case WM_SIZE:
        if (status_ != nullptr)
            status_->resized();
        break;
    case WM_CLOSE:
        close();
        return 0;
    case WM_ACTIVATE:
        // The focus leaves with the window and comes back to the same control.
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = ::GetFocus();
            if (focus != nullptr && ::IsChild(window, focus))
                lastFocus_ = focus;
        } else if (lastFocus_ != nullptr && ::IsWindow(lastFocus_) && ::IsWindowVisible(lastFocus_)) {
            ::SetFocus(lastFocus_);
        } else {
            pageFocusToFirst();
        }
        return 0;
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
        // The menu bar drawn again in the new colours.
        if (bars_ != nullptr)
            bars_->refreshMenuPictures();
        break;
    case WM_MEASUREITEM:
        if (wParam == 0 && bars_ != nullptr && bars_->measureMenuPicture(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)))
            return TRUE;
        break;
    case WM_DRAWITEM:
        if (wParam == 0 && bars_ != nullptr && bars_->drawMenuPicture(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)))
            return TRUE;
        break;
    case WM_DPICHANGED: {
        // The frame is made anew at the new DPI; not under a running command, whose
        // progress dialog and message boxes refer to the controls.
        const Dpi dpi{HIWORD(wParam)};
        const RECT suggested = *reinterpret_cast<const RECT*>(lParam);
        if (guard_.running())
            pendingDpi_ = std::pair{dpi, suggested};
        else
            rebuild(dpi, suggested);
        return 0;
    }
    case WM_QUERYENDSESSION:
        // Not in the middle of a transfer: the session waits, and says why.
        if (guard_.running()) {
            ::ShutdownBlockReasonCreate(window, text::kShutdownBlocked);
            return FALSE;
        }
        ::ShutdownBlockReasonDestroy(window);
        return TRUE;
    case WM_ENDSESSION:
        // The session ends (logoff, shutdown): the switch's line is closed as Disconnect
        // would, but never under a running command.
        if (wParam != FALSE && logic_->Connected() && !guard_.running())
            guarded([this] { logic_->ActionDisconnectExecute(); });
        return 0;
    default:
        break;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

void TFormConfig::reactivate()
{
    if (window_ == nullptr || !::IsWindowEnabled(window_))
        return;  // a running command's window: it is activated when the command ends
    ::SetForegroundWindow(window_);
    ::SetActiveWindow(window_);
}

void TFormConfig::pageFocusToFirst()
{
    HWND first = page_ != nullptr && ::IsWindowVisible(tab_) ? ::GetNextDlgTabItem(window_, nullptr, FALSE) : nullptr;
    ::SetFocus(first != nullptr ? first : window_);
}

MessageResult TFormConfig::showMessage(const MessageBoxSpec& box)
{
    HWND focus = ::GetFocus();
    // Keys pressed while the command waited must not answer a box nobody has seen yet.
    if (guard_.running())
        DropQueuedInput();
    const MessageResult result = ShowMessageBox(box);
    reactivate();
    if (focus != nullptr && ::IsWindow(focus) && ::GetForegroundWindow() == window_)
        ::SetFocus(focus);
    return result;
}

std::optional<std::string> TFormConfig::runOpenDialog(const FileDialogSpec& dialog)
{
    auto chosen = openDialog_.run(dialog, window_);
    reactivate();
    return chosen;
}

std::optional<std::string> TFormConfig::runSaveDialog(const FileDialogSpec& dialog)
{
    auto chosen = saveDialog_.run(dialog, window_);
    reactivate();
    return chosen;
}

std::unique_ptr<ProgressView> TFormConfig::createProgress(const std::string& text, bool cancelButton)
{
    // Owned by the main window, so it stays above it.
    return std::make_unique<TFormProgress>(window_, text, cancelButton);
}

std::optional<std::string> TFormConfig::runPasswordDialog(const PasswordDialogTexts& texts)
{
    TFormPassword dialog(texts);
    auto entry = dialog.run(window_);
    reactivate();
    return entry;
}

std::optional<std::string> TFormConfig::runNetworkPortDialog(const NetworkPortDialogTexts& texts)
{
    TFormNetworkPort dialog(texts);
    auto entry = dialog.run(window_);
    reactivate();
    return entry;
}

void TFormConfig::runPropertiesDialog(const PropertiesContent& content)
{
    TFormSettings dialog(content);
    dialog.run(window_);
    reactivate();
}

void TFormConfig::showComparison(const CompareContent& content)
{
    runComparison(content);
}

CompareChoice TFormConfig::runComparison(const CompareContent& content)
{
    TFormCompare dialog(content);
    CompareChoice choice;
    choice.upload = dialog.run(window_) == kCompareUploadId;
    if (choice.upload)
        choice.words = dialog.tickedWords();
    reactivate();
    return choice;
}

void TFormConfig::showException(const std::string& message)
{
    if (guard_.running())
        DropQueuedInput();
    ShowExceptionBox(message);
    reactivate();
}

void TFormConfig::focusControl(std::string_view name)
{
    if (const std::optional<ControlId> id = FindControl(name))
        ::SetFocus(page_->control(*id));
    else if (name == "PageControl1")
        ::SetFocus(tab_);
}

void TFormConfig::closeWindow()
{
    guard_.closeByCommand([this] { close(); });
}

} // namespace kovrin::win32
