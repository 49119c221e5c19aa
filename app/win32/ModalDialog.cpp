#include "app/win32/ModalDialog.h"

#include <vector>

namespace kovrin::win32 {

namespace {

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;

// DLGTEMPLATE, then no menu, the standard class and the caption in UTF-16; no controls.
std::vector<WORD> EmptyTemplate(const std::string& caption)
{
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
    auto* header = reinterpret_cast<DLGTEMPLATE*>(words.data());
    header->style = kDialogStyle;
    words.push_back(0);  // menu
    words.push_back(0);  // class
    const int length = ::MultiByteToWideChar(CP_ACP, 0, caption.c_str(), -1, nullptr, 0);
    std::vector<wchar_t> title(std::size_t(length > 0 ? length : 1), L'\0');
    if (length > 0)
        ::MultiByteToWideChar(CP_ACP, 0, caption.c_str(), -1, title.data(), length);
    for (wchar_t c : title)
        words.push_back(WORD(c));
    return words;
}

} // namespace

INT_PTR ModalDialog::run(HWND owner)
{
    // Aligned to a DWORD, as the dialog manager requires.
    const std::vector<WORD> words = EmptyTemplate(caption_);
    std::vector<DWORD> aligned((words.size() + 1) / 2, 0);
    std::copy(words.begin(), words.end(), reinterpret_cast<WORD*>(aligned.data()));
    return ::DialogBoxIndirectParamA(::GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(aligned.data()),
                                     owner, &ModalDialog::Proc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK ModalDialog::Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<ModalDialog*>(::GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        self = reinterpret_cast<ModalDialog*>(lParam);
        ::SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        const Dpi dpi = DpiOf(dialog);
        self->font_ = FormFont(dpi);
        ::SendMessageA(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(self->font_.get()), FALSE);
        const SIZE outer = OuterSize({dpi(self->client_.cx), dpi(self->client_.cy)}, kDialogStyle,
                                     DWORD(::GetWindowLongPtrA(dialog, GWL_EXSTYLE)), false, dpi);
        const POINT at = CentredOnScreen(outer, dialog);
        ::SetWindowPos(dialog, nullptr, at.x, at.y, outer.cx, outer.cy, SWP_NOZORDER | SWP_NOACTIVATE);
        return self->onInit(dialog, dpi, self->font_.get()) ? FALSE : TRUE;
    }
    case WM_COMMAND: {
        if (self == nullptr)
            return FALSE;
        const int id = LOWORD(wParam);
        if (self->onCommand(dialog, id, HIWORD(wParam)))
            return TRUE;
        if (id == IDOK || id == IDCANCEL) {
            ::EndDialog(dialog, id);
            return TRUE;
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

} // namespace kovrin::win32
