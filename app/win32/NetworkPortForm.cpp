#include "app/win32/Forms.h"

#include "app/win32/WindowIds.h"

namespace kovrin::win32 {

TFormNetworkPort::TFormNetworkPort(const NetworkPortDialogTexts& texts)
    : ModalDialog(Ansi(texts.caption), {420, 100}), texts_(texts)
{
}

std::optional<std::string> TFormNetworkPort::run(HWND owner)
{
    if (ModalDialog::run(owner) != IDOK)
        return std::nullopt;
    return entry_;
}

bool TFormNetworkPort::onInit(HWND dialog, Dpi dpi, HFONT font)
{
    Child(dialog, "STATIC", texts_.prompt, WS_VISIBLE, {8, 8, 404, 14}, -1, dpi, font);
    HWND combo = Child(dialog, "COMBOBOX", "", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL,
                       {8, 28, 404, 120}, kNetworkPortComboId, dpi, font);
    for (const std::string& name : texts_.recent)
        ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    ::SetWindowTextA(combo, texts_.initial.c_str());
    // BtnOk is the default button: Enter in the entry field confirms.
    ImageButton(dialog, texts_.btnOk, "BtnOk", {244, 68, 81, 25}, IDOK, true, dpi, font, icons_);
    ImageButton(dialog, texts_.btnCancel, "BtnCancel", {331, 68, 81, 25}, IDCANCEL, false, dpi, font, icons_);
    ::SetFocus(combo);
    return true;
}

bool TFormNetworkPort::onCommand(HWND dialog, int id, int /*code*/)
{
    if (id == IDOK)
        entry_ = WindowText(::GetDlgItem(dialog, kNetworkPortComboId));
    return false;  // the dialog manager closes it
}

} // namespace kovrin::win32
