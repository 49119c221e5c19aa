#pragma once
// The "Basic" page (TabSheet1): the parameter controls as Win32 controls, mirroring the
// editor model. User input goes to the model; the controls only show its state.
#include "config/EditorControls.h"
#include "app/win32/Win32Ui.h"

#include <array>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace kovrin {
class ParameterEditor;
}

namespace kovrin::win32 {

struct AccessibleText;

class BasicPage {
public:
    // A child of `parent` at `area` (pixels); `loadFactoryDefault` runs the window's
    // "Load factory default" command.
    BasicPage(HWND parent, RECT area, Dpi dpi, HFONT font, ParameterEditor& editor,
              std::function<void()> loadFactoryDefault);
    ~BasicPage();
    BasicPage(const BasicPage&) = delete;
    BasicPage& operator=(const BasicPage&) = delete;

    HWND window() const { return page_; }
    HWND control(ControlId id) const { return controls_[std::size_t(id)]; }

    // Shows what the model changed since the last refresh.
    void refreshChanged();
    // Shows the whole model.
    void refreshAll();

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void buildInput(ControlId group, int x, int y);
    void buildLeftColumn();
    HWND make(ControlId id, Box box);
    HWND label(const char* text, Box box, DWORD style = 0, std::optional<ControlId> group = std::nullopt);
    bool shown(ControlId id) const;
    static void showIfChanged(HWND w, bool visible);
    void refresh(ControlId id);
    // Unit and range of a control, for screen readers.
    void describe(ControlId id);
    void scrolled(HWND scrollBar, int code);
    std::optional<ControlId> idOf(HWND control) const;

    HWND page_ = nullptr;
    Dpi dpi_;
    HFONT font_;
    ParameterEditor& editor_;
    std::function<void()> loadFactoryDefault_;
    std::array<HWND, kControlCount> controls_{};
    std::array<AccessibleText*, kControlCount> speech_{};  // owned by the controls
    std::vector<HWND> rangeEnds_;
    std::vector<std::pair<HWND, ControlId>> groupLabels_;  // plain labels inside a group box
};

} // namespace kovrin::win32
