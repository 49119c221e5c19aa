#include "app/win32/StatusPanel.h"

#include "app/logic/ImageNames.h"
#include "app/win32/Images.h"
#include "app/win32/WindowIds.h"

#include <string_view>

namespace kovrin::win32 {

namespace {

// The six pictures, two per zone, in zone order.
constexpr const char* kImages[6] = {"ImageGreen", "ImageRed", "ImageKeyUser", "ImageKeyService", "ImageUPS",
                                    "ImageFile"};
constexpr int kZoneWidth = 130;  // the first two zones; the third takes the rest

} // namespace

StatusPanel::StatusPanel(HWND window, Dpi dpi, HFONT font)
{
    bar_ = Child(window, STATUSCLASSNAMEA, "", WS_VISIBLE | CCS_BOTTOM, {0, 0, 0, 0}, kStatusBarId, dpi, font);
    const int parts[3] = {dpi(kZoneWidth), dpi(2 * kZoneWidth), -1};
    ::SendMessageA(bar_, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts));
    ::SendMessageA(bar_, SB_SETMINHEIGHT, dpi(20), 0);
    const int size = RenderedSize(dpi(16), kSmallSizes);
    for (std::size_t i = 0; i < icons_.size(); ++i)
        icons_[i] = NamedIcon(kImages[i], size);
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
    if (label(zone) != text)
        ::SendMessageA(bar_, SB_SETTEXTA, WPARAM(zone), reinterpret_cast<LPARAM>(text.c_str()));
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

std::string StatusPanel::label(int zone) const
{
    const LRESULT length = ::SendMessageA(bar_, SB_GETTEXTLENGTHA, WPARAM(zone), 0);
    std::string text(std::size_t(LOWORD(length)) + 1, '\0');
    ::SendMessageA(bar_, SB_GETTEXTA, WPARAM(zone), reinterpret_cast<LPARAM>(text.data()));
    text.resize(std::size_t(LOWORD(length)));
    return text;
}

} // namespace kovrin::win32
