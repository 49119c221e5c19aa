#pragma once
// The "Basic" page (TabSheet1): the parameter controls laid out as group boxes, mirroring
// the editor model. User input goes to the model; the widgets only show its state.
#include "config/EditorControls.h"

#include <QWidget>
#include <array>
#include <functional>

namespace kovrin {

class ParameterEditor;

class BasicPage : public QWidget {
    Q_OBJECT
public:
    // `loadFactoryDefault` runs the window's "Load factory default" command.
    BasicPage(ParameterEditor& editor, std::function<void()> loadFactoryDefault, QWidget* parent = nullptr);

    // Shows what the model changed since the last refresh.
    void refreshChanged();
    // Shows the whole model.
    void refreshAll();

    QWidget* control(ControlId id) const { return widgets_[static_cast<std::size_t>(id)]; }

private:
    QWidget* buildInput(const InputGroupControls& ids);
    QWidget* buildGeneral();
    QWidget* buildTransferMode();
    QWidget* make(ControlId id, QWidget* parent);
    void refresh(ControlId id);
    // Range and unit of a number control, for assistive technology.
    void describe(ControlId id);
    void wire(ControlId id);

    ParameterEditor& editor_;
    std::function<void()> loadFactoryDefault_;
    std::array<QWidget*, kControlCount> widgets_{};
};

} // namespace kovrin
