#pragma once
// Panel2, the status bar: three zones (connection, access level, data source), each with
// its label and at most one of its two pictures.
#include "app/logic/MainWindowState.h"
#include "app/win32/AccessibleNames.h"
#include "app/win32/Win32Ui.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace kovrin::win32 {

class StatusPanel {
public:
    StatusPanel(HWND window, Dpi dpi, HFONT font);
    ~StatusPanel();
    StatusPanel(const StatusPanel&) = delete;
    StatusPanel& operator=(const StatusPanel&) = delete;
    HWND window() const { return bar_; }
    int height() const;
    void apply(const StatusBarState& state);
    // A menu item's hint across the whole bar; empty: the zones again.
    void showHint(const std::string& hint);
    // The picture a zone (0 to 2) shows now ("ImageGreen", ...), empty for none.
    const std::string& image(int zone) const { return shown_[std::size_t(zone)]; }
    // The label of a zone, whole (the bar may show it elided in the middle).
    std::string label(int zone) const { return texts_[std::size_t(zone)]; }
    // The bar was resized: the data source's text fitted to its zone again.
    void resized();

private:
    // What a screen reader finds in the bar: each zone's picture by its meaning
    // ("Connected", ...) and its whole text.
    std::vector<AccessibleChild> spokenParts() const;
    void setZone(int zone, const std::string& text, std::string_view image);

    HWND bar_ = nullptr;
    std::array<UniqueIcon, 6> icons_;
    void showText(int zone);

    std::array<std::string, 3> shown_;
    std::array<std::string, 3> texts_;
    Dpi dpi_;
    int iconSize_ = 16;
};

} // namespace kovrin::win32
