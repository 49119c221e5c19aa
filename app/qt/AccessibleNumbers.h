#pragma once
// Scroll bars and up-down fields of the page as assistive technology sees them: a
// scroll bar or a spin field whose value is a number, told with its unit.
#include <QAccessible>
#include <QString>

class QWidget;

namespace kovrin {

// Once per run, before the first widget is asked for.
void InstallAccessibleNumbers();

// Marks `w` (a QScrollBar, or the field beside an up-down) as a number with this unit.
void MarkAccessibleNumber(QWidget* w, const QString& unit);

// Gives `w` this role instead of its class's (a frame that is the status bar).
void MarkAccessibleRole(QWidget* w, QAccessible::Role role);

// The range the number may take, told in the description; announces the new value.
void SetAccessibleRange(QWidget* w, int min, int max, const QString& description);

// The field's shown value changed.
void AnnounceAccessibleValue(QWidget* w);

} // namespace kovrin
