#pragma once
// A modal dialog whose controls are made in code: an empty in-memory template run by
// DialogBoxIndirectParamA, so the system's dialog manager brings the default button,
// Enter, Escape, Tab and the close box.
#include "app/win32/Win32Ui.h"

#include <string>

namespace kovrin::win32 {

class ModalDialog {
public:
    virtual ~ModalDialog() = default;
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

    // Shows the dialog centred on the screen, `owner` disabled while it is open; returns
    // the identifier it was closed with (IDOK, or IDCANCEL for Cancel, Escape and the
    // close box).
    INT_PTR run(HWND owner);

protected:
    // `client` is the client area at 96 DPI.
    ModalDialog(std::string caption, SIZE client) : caption_(std::move(caption)), client_(client) {}

    // Makes the controls; returns true when it has set the input focus itself.
    virtual bool onInit(HWND dialog, Dpi dpi, HFONT font) = 0;
    // A WM_COMMAND before the default handling; true when handled.
    virtual bool onCommand(HWND /*dialog*/, int /*id*/, int /*code*/) { return false; }

private:
    static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

    std::string caption_;
    SIZE client_;
    UniqueFont font_;
};

} // namespace kovrin::win32
