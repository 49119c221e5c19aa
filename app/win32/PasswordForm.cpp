#include "app/win32/Forms.h"
#include "app/win32/AccessibleNames.h"

#include "app/win32/Images.h"
#include "app/win32/WindowIds.h"

namespace kovrin::win32 {

HWND ImageButton(HWND parent, std::string_view caption, std::string_view picture, Box box, int id, bool isDefault,
                 Dpi dpi, HFONT font, std::vector<UniqueIcon>& icons)
{
    const DWORD style = WS_VISIBLE | WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    HWND button = Child(parent, "BUTTON", caption, style, box, id, dpi, font);
    if (UniqueIcon icon = NamedIcon(picture, RenderedSize(dpi(16), kSmallSizes))) {
        ::SendMessageA(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon.get()));
        icons.push_back(std::move(icon));
    }
    return button;
}

TFormPassword::TFormPassword(const PasswordDialogTexts& texts)
    : ModalDialog(Ansi(texts.caption), {228, 118}), texts_(texts)
{
}

std::optional<std::string> TFormPassword::run(HWND owner)
{
    if (ModalDialog::run(owner) != IDOK)
        return std::nullopt;
    return entry_;
}

bool TFormPassword::onInit(HWND dialog, Dpi dpi, HFONT font)
{
    Child(dialog, "STATIC", texts_.labelPassword, WS_VISIBLE, {8, 8, 212, 14}, -1, dpi, font);
    HWND edit = Child(dialog, "EDIT", "", WS_VISIBLE | WS_TABSTOP | ES_PASSWORD | ES_AUTOHSCROLL,
                      {8, 23, 212, 21}, kPasswordEditId, dpi, font, WS_EX_CLIENTEDGE);
    NameControl(edit, {std::string(texts_.labelPassword), {}, {}});
    ::SendMessageA(edit, EM_SETPASSWORDCHAR, WPARAM(static_cast<unsigned char>(texts_.echoCharacter)), 0);
    // BtnOk is the default button: Enter in the entry field confirms.
    ImageButton(dialog, texts_.btnOk, "BtnOk", {51, 89, 81, 25}, IDOK, true, dpi, font, icons_);
    ImageButton(dialog, texts_.btnCancel, "BtnCancel", {138, 89, 81, 25}, IDCANCEL, false, dpi, font, icons_);
    ::SetFocus(edit);
    return true;
}

bool TFormPassword::onCommand(HWND dialog, int id, int /*code*/)
{
    if (id == IDOK)
        entry_ = WindowText(::GetDlgItem(dialog, kPasswordEditId));
    return false;  // the dialog manager closes it
}

} // namespace kovrin::win32
