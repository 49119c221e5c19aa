#include "app/win32/StatusPanel.h"

#include "app/logic/ControlNames.h"
#include "app/logic/ImageNames.h"
#include "app/win32/Images.h"
#include "app/win32/WindowIds.h"

#include <oleacc.h>

#include <string_view>

namespace kovrin::win32 {

namespace {

// The six pictures, two per zone, in zone order.
constexpr const char* kImages[6] = {"ImageGreen", "ImageRed", "ImageKeyUser", "ImageKeyService", "ImageUPS",
                                    "ImageFile"};
constexpr int kZoneWidth = 130;  // the first two zones; the third takes the rest

} // namespace

StatusPanel::StatusPanel(HWND window, Dpi dpi, HFONT font) : dpi_(dpi)
{
    bar_ = Child(window, STATUSCLASSNAMEA, "", WS_VISIBLE | CCS_BOTTOM | SBARS_TOOLTIPS, {0, 0, 0, 0}, kStatusBarId, dpi, font);
    const int parts[3] = {dpi(kZoneWidth), dpi(2 * kZoneWidth), -1};
    ::SendMessageA(bar_, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts));
    ::SendMessageA(bar_, SB_SETMINHEIGHT, dpi(20), 0);
    iconSize_ = RenderedSize(dpi(16), kSmallSizes);
    for (std::size_t i = 0; i < icons_.size(); ++i)
        icons_[i] = NamedIcon(kImages[i], iconSize_);
    NameControl(bar_, {{}, {}, {}}, [this] { return spokenParts(); });
}

std::vector<AccessibleChild> StatusPanel::spokenParts() const
{
    std::vector<AccessibleChild> parts;
    if (::SendMessageA(bar_, SB_ISSIMPLE, 0, 0) != FALSE) {
        // A menu item's hint fills the bar.
        RECT all{};
        ::GetClientRect(bar_, &all);
        char hint[512] = {};
        ::SendMessageA(bar_, SB_GETTEXTA, WPARAM(SB_SIMPLEID), reinterpret_cast<LPARAM>(hint));
        parts.push_back({hint, ROLE_SYSTEM_STATICTEXT, all});
        return parts;
    }
    for (int zone = 0; zone < 3; ++zone) {
        RECT part{};
        ::SendMessageA(bar_, SB_GETRECT, WPARAM(zone), reinterpret_cast<LPARAM>(&part));
        RECT text = part;
        if (const std::string& picture = shown_[std::size_t(zone)]; !picture.empty()) {
            const RECT spot{part.left + dpi_(2), part.top, part.left + dpi_(2) + iconSize_, part.bottom};
            parts.push_back({std::string(PictureMeaning(picture)), ROLE_SYSTEM_GRAPHIC, spot});
            text.left = spot.right;
        }
        parts.push_back({texts_[std::size_t(zone)], ROLE_SYSTEM_STATICTEXT, text});
    }
    return parts;
}

StatusPanel::~StatusPanel()
{
    // The bar goes before the icons it shows.
    ::DestroyWindow(bar_);
}

int StatusPanel::height() const
{
    RECT r{};
    ::GetWindowRect(bar_, &r);
    return r.bottom - r.top;
}

void StatusPanel::setZone(int zone, const std::string& text, std::string_view image)
{
    if (texts_[std::size_t(zone)] != text) {
        texts_[std::size_t(zone)] = text;
        showText(zone);
    }
    const std::string wanted(image);
    if (wanted == shown_[std::size_t(zone)])
        return;
    HICON icon = nullptr;
    for (std::size_t i = 0; i < icons_.size(); ++i)
        if (wanted == kImages[i])
            icon = icons_[i].get();
    ::SendMessageA(bar_, SB_SETICON, WPARAM(zone), reinterpret_cast<LPARAM>(icon));
    shown_[std::size_t(zone)] = wanted;
}

void StatusPanel::apply(const StatusBarState& s)
{
    const auto zones = s.zones();
    for (std::size_t i = 0; i < zones.size(); ++i)
        setZone(int(i), std::string(zones[i].text), zones[i].picture);
}

void StatusPanel::showHint(const std::string& hint)
{
    ::SendMessageA(bar_, SB_SIMPLE, hint.empty() ? FALSE : TRUE, 0);
    if (!hint.empty())
        ::SendMessageA(bar_, SB_SETTEXTA, WPARAM(SB_SIMPLEID), reinterpret_cast<LPARAM>(hint.c_str()));
}

void StatusPanel::resized()
{
    ::SendMessageA(bar_, WM_SIZE, 0, 0);
    showText(2);
}

void StatusPanel::showText(int zone)
{
    // A text wider than its zone loses its middle, not its end: a long file name keeps
    // the start of its folder and its own name.
    std::string text = texts_[std::size_t(zone)];
    RECT part{};
    ::SendMessageA(bar_, SB_GETRECT, WPARAM(zone), reinterpret_cast<LPARAM>(&part));
    const int room = part.right - part.left - dpi_(16) - dpi_(12);  // the picture and the margins
    if (HDC dc = ::GetDC(bar_); dc != nullptr && room > 0) {
        const HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(bar_, WM_GETFONT, 0, 0)));
        auto width = [dc](const std::string& s) {
            SIZE size{};
            ::GetTextExtentPoint32A(dc, s.c_str(), int(s.size()), &size);
            return int(size.cx);
        };
        if (width(text) > room) {
            const std::string& whole = texts_[std::size_t(zone)];
            std::size_t keep = whole.size();
            do {
                --keep;
                const std::size_t head = (keep + 1) / 2;
                text = whole.substr(0, head) + "..." + whole.substr(whole.size() - (keep - head));
            } while (keep > 0 && width(text) > room);
        }
        ::SelectObject(dc, old);
        ::ReleaseDC(bar_, dc);
    }
    ::SendMessageA(bar_, SB_SETTEXTA, WPARAM(zone), reinterpret_cast<LPARAM>(text.c_str()));
    // The whole text as the zone's tooltip.
    ::SendMessageA(bar_, SB_SETTIPTEXTA, WPARAM(zone), reinterpret_cast<LPARAM>(texts_[std::size_t(zone)].c_str()));
}


} // namespace kovrin::win32
