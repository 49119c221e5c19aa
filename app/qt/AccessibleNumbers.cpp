#include "app/qt/AccessibleNumbers.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLineEdit>
#include <QScrollBar>

namespace kovrin {

namespace {

const char* const kUnit = "kovrinUnit";
const char* const kMin = "kovrinMin";
const char* const kMax = "kovrinMax";
const char* const kRole = "kovrinRole";

void ForgetDescription(QWidget* w)
{
    // With assistive technology on, the widget was described the moment it was made,
    // before it was marked: that description is dropped, so the next one is this kind.
    if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(w); made && made->object() == w)
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

class AccessibleNumber final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    AccessibleNumber(QWidget* w, QAccessible::Role role) : QAccessibleWidget(w, role) {}

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return QString::number(number()) + QLatin1Char(' ') + widget()->property(kUnit).toString();
        return QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return number(); }
    void setCurrentValue(const QVariant& value) override
    {
        // A reader may move a scroll bar as the user would; the fields follow their arrows.
        if (auto* sb = qobject_cast<QScrollBar*>(widget()))
            sb->setValue(value.toInt());
    }
    QVariant maximumValue() const override { return widget()->property(kMax); }
    QVariant minimumValue() const override { return widget()->property(kMin); }
    QVariant minimumStepSize() const override { return 1; }

private:
    int number() const
    {
        if (auto* sb = qobject_cast<QScrollBar*>(widget()))
            return sb->value();
        if (auto* e = qobject_cast<QLineEdit*>(widget()))
            return e->text().toInt();
        return 0;
    }
};

QAccessibleInterface* Factory(const QString&, QObject* object)
{
    auto* w = qobject_cast<QWidget*>(object);
    if (w == nullptr)
        return nullptr;
    if (const QVariant role = w->property(kRole); role.isValid())
        return new QAccessibleWidget(w, static_cast<QAccessible::Role>(role.toInt()));
    if (!w->property(kUnit).isValid())
        return nullptr;
    return new AccessibleNumber(w, qobject_cast<QScrollBar*>(w) ? QAccessible::ScrollBar : QAccessible::SpinBox);
}

} // namespace

void InstallAccessibleNumbers()
{
    static const bool installed = (QAccessible::installFactory(Factory), true);
    (void)installed;
}

void MarkAccessibleNumber(QWidget* w, const QString& unit)
{
    InstallAccessibleNumbers();
    w->setProperty(kUnit, unit);
    ForgetDescription(w);
}

void MarkAccessibleRole(QWidget* w, QAccessible::Role role)
{
    InstallAccessibleNumbers();
    w->setProperty(kRole, int(role));
    ForgetDescription(w);
}

void SetAccessibleRange(QWidget* w, int min, int max, const QString& description)
{
    w->setProperty(kMin, min);
    w->setProperty(kMax, max);
    w->setAccessibleDescription(description);
}

void AnnounceAccessibleValue(QWidget* w)
{
    auto* field = qobject_cast<QLineEdit*>(w);
    if (!QAccessible::isActive() || field == nullptr || !w->property(kUnit).isValid())
        return;
    QAccessibleValueChangeEvent event(w, field->text().toInt());
    QAccessible::updateAccessibility(&event);
}

} // namespace kovrin
