#include "app/win32/Forms.h"
#include "app/win32/AccessibleNames.h"

#include "app/win32/WindowIds.h"

namespace kovrin::win32 {

namespace {

// Layout of the "Nominal Data" page at 96 DPI.
constexpr int kTabX = 8, kTabY = 8, kTabW = 392, kTabH = 406;
constexpr int kGroupX = 18, kGroupW = 372;
constexpr int kRowHeight = 28;
constexpr int kCaptionX = 32, kCaptionW = 150;
constexpr int kEditX = 186, kEditW = 190;

} // namespace

TFormSettings::TFormSettings(const PropertiesContent& content)
    : ModalDialog(Ansi(content.texts.caption), {408, 459}), content_(content)
{
}

bool TFormSettings::onInit(HWND dialog, Dpi dpi, HFONT font)
{
    HWND tab = Child(dialog, WC_TABCONTROLA, "", WS_VISIBLE | WS_CLIPSIBLINGS, {kTabX, kTabY, kTabW, kTabH}, -1,
                     dpi, font);
    const std::string tabCaption = Ansi(content_.texts.tab);
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(tabCaption.c_str());
    ::SendMessageA(tab, TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));

    // The page's controls lie on the dialog above the tab control, which stays at the
    // bottom of the order so it never paints over them.
    int y = kTabY + 32;
    std::size_t i = 0;
    while (i < kPropertiesFields.size()) {
        std::size_t end = i;
        while (end < kPropertiesFields.size() && kPropertiesFields[end].group == kPropertiesFields[i].group)
            ++end;
        const int rows = int(end - i);
        const int height = 24 + rows * kRowHeight;
        Child(dialog, "BUTTON", kPropertiesFields[i].group, WS_VISIBLE | BS_GROUPBOX, {kGroupX, y, kGroupW, height},
              -1, dpi, font);
        int rowY = y + 22;
        for (; i < end; ++i, rowY += kRowHeight) {
            Child(dialog, "STATIC", kPropertiesFields[i].caption, WS_VISIBLE | SS_CENTERIMAGE,
                  {kCaptionX, rowY, kCaptionW, 21}, -1, dpi, font);
            HWND edit = Child(dialog, "EDIT", content_.values[i], WS_VISIBLE | WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL,
                              {kEditX, rowY, kEditW, 21}, kPropertiesFirstEditId + int(i), dpi, font, WS_EX_CLIENTEDGE);
            // Named by its caption, not by the group box's title.
            NameControl(edit, {std::string(kPropertiesFields[i].caption), std::string(kPropertiesFields[i].group), {}});
        }
        y += height + 10;
    }
    ::SetWindowPos(tab, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    HWND close = ImageButton(dialog, content_.texts.btnClose, "BtnClose", {319, 426, 81, 25}, IDOK, true, dpi, font,
                             icons_);
    ::SetFocus(close);
    return true;
}

} // namespace kovrin::win32
