#include "app/win32/Forms.h"
#include "app/win32/AccessibleNames.h"

#include "app/win32/WindowIds.h"

#include <algorithm>

namespace kovrin::win32 {

namespace {

// Layout at 96 DPI. The list is as tall as its rows up to a screenful of them, then scrolls.
constexpr int kMargin = 8;
constexpr int kWidth = 480;
constexpr int kLineHeight = 16;
constexpr int kHeaderHeight = 24;
constexpr int kRowHeight = 17;
constexpr int kMostRowsShown = 16;
constexpr int kButtonW = 81, kButtonH = 25;
constexpr int kUploadW = 110;
constexpr int kColumnWidths[] = {180, 110, 110, 56};  // parameter, on screen, on the switch, unit

int ListHeight(std::size_t rows)
{
    if (rows == 0)
        return 0;
    return kHeaderHeight + kRowHeight * std::min(int(rows), kMostRowsShown) + 4;
}

// Top of the note: below the warning and the list, each with a gap after it.
int NoteTop(const CompareContent& content)
{
    int y = kMargin;
    if (!content.warning.empty())
        y += kLineHeight + kMargin;
    if (const int list = ListHeight(content.rows.size()); list > 0)
        y += list + kMargin;
    return y;
}

SIZE ClientSize(const CompareContent& content)
{
    return {kWidth, NoteTop(content) + kLineHeight + kMargin + kButtonH + kMargin};
}

// A row's tick: state image 2 ticked, 1 not, 0 none (a derived setting has no word).
void SetTick(HWND list, int row, int image)
{
    LVITEMA state{};
    state.stateMask = LVIS_STATEIMAGEMASK;
    state.state = UINT(image) << 12;
    ::SendMessageA(list, LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&state));
}

bool Ticked(HWND list, int row)
{
    const auto state = UINT(::SendMessageA(list, LVM_GETITEMSTATE, WPARAM(row), LVIS_STATEIMAGEMASK));
    return (state >> 12) == 2;
}

HWND ReportList(HWND dialog, const CompareContent& content, Box box, Dpi dpi, HFONT font)
{
    HWND list = Child(dialog, WC_LISTVIEWA, "",
                      WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
                      box, kCompareListId, dpi, font, WS_EX_CLIENTEDGE);
    // Named by the dialog, not by the warning placed before it.
    NameControl(list, {content.caption, {}, {}});
    // The list's own check boxes: Space toggles the focused row's tick.
    ::SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                   LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | (content.canUpload ? LVS_EX_CHECKBOXES : 0));
    for (std::size_t c = 0; c < content.headers.size() && c < std::size(kColumnWidths); ++c) {
        const std::string header = Ansi(content.headers[c]);
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.cx = dpi(kColumnWidths[c]);
        column.pszText = const_cast<char*>(header.c_str());
        column.iSubItem = int(c);
        ::SendMessageA(list, LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&column));
    }
    for (std::size_t r = 0; r < content.rows.size(); ++r) {
        const CompareRow& row = content.rows[r];
        const std::string cells[] = {Ansi(row.parameter), Ansi(row.onScreen), Ansi(row.onSwitch), Ansi(row.unit)};
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = int(r);
        item.pszText = const_cast<char*>(cells[0].c_str());
        const LRESULT at = ::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        for (int c = 1; c < int(std::size(cells)); ++c) {
            LVITEMA sub{};
            sub.iSubItem = c;
            sub.pszText = const_cast<char*>(cells[c].c_str());
            ::SendMessageA(list, LVM_SETITEMTEXTA, WPARAM(at), reinterpret_cast<LPARAM>(&sub));
        }
        if (content.canUpload)
            SetTick(list, int(at), row.word < 0 ? 0 : row.ticked ? 2 : 1);
    }
    // The last column takes what is left of the list's width.
    ::SendMessageA(list, LVM_SETCOLUMNWIDTH, std::size(kColumnWidths) - 1, LVSCW_AUTOSIZE_USEHEADER);
    // The first row selected, so that the arrow keys start from it.
    LVITEMA first{};
    first.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    first.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&first));
    return list;
}

} // namespace

TFormCompare::TFormCompare(const CompareContent& content)
    : ModalDialog(Ansi(content.caption), ClientSize(content)), content_(content)
{
}

bool TFormCompare::onInit(HWND dialog, Dpi dpi, HFONT font)
{
    int y = kMargin;
    const int inner = kWidth - 2 * kMargin;
    if (!content_.warning.empty()) {
        Child(dialog, "STATIC", content_.warning, WS_VISIBLE | SS_NOPREFIX, {kMargin, y, inner, kLineHeight},
              kCompareWarningId, dpi, font);
        y += kLineHeight + kMargin;
    }
    HWND list = nullptr;
    if (const int height = ListHeight(content_.rows.size()); height > 0)
        list = ReportList(dialog, content_, {kMargin, y, inner, height}, dpi, font);
    const int noteTop = NoteTop(content_);
    Child(dialog, "STATIC", content_.note, WS_VISIBLE | SS_NOPREFIX, {kMargin, noteTop, inner, kLineHeight},
          kCompareNoteId, dpi, font);
    // "Close" ends it as Esc and the close box do; "Upload selected" only when clicked.
    const int buttonTop = noteTop + kLineHeight + kMargin;
    HWND close = Child(dialog, "BUTTON", content_.closeButton, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                       {kWidth - kMargin - kButtonW, buttonTop, kButtonW, kButtonH}, IDCANCEL, dpi, font);
    if (content_.canUpload)
        Child(dialog, "BUTTON", content_.uploadButton, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
              {kWidth - 2 * kMargin - kButtonW - kUploadW, buttonTop, kUploadW, kButtonH}, kCompareUploadId, dpi,
              font);
    ::SetFocus(list != nullptr ? list : close);
    return true;
}

bool TFormCompare::onCommand(HWND dialog, int id, int code)
{
    if (id != kCompareUploadId || code != BN_CLICKED)
        return false;
    HWND list = ::GetDlgItem(dialog, kCompareListId);
    ticked_.clear();
    for (std::size_t r = 0; r < content_.rows.size() && list; ++r)
        if (content_.rows[r].word >= 0 && Ticked(list, int(r)))
            ticked_.push_back(content_.rows[r].word);
    ::EndDialog(dialog, kCompareUploadId);
    return true;
}

} // namespace kovrin::win32
