#include "app/qt/BasicPage.h"

#include "app/logic/ControlNames.h"
#include "app/logic/PageCaptions.h"
#include "app/qt/AccessibleNumbers.h"
#include "app/qt/UpDown.h"
#include "config/ParameterEditor.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace kovrin {

namespace {

constexpr int kEditWidth = 44;
constexpr int kRowSpacing = 9;


QString Text(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

QLabel* Caption(const char* text, QWidget* parent) { return new QLabel(QString::fromUtf8(text), parent); }

QLabel* RangeEnd(int value, Qt::Alignment align, QWidget* parent)
{
    auto* l = new QLabel(QString::number(value), parent);
    l->setAlignment(align | Qt::AlignVCenter);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, p.color(QPalette::Disabled, QPalette::WindowText));
    l->setPalette(p);
    return l;
}

// An up-down control beside its buddy edit, touching it like one spin field.
QHBoxLayout* Pair(QWidget* edit, QWidget* upDown)
{
    auto* h = new QHBoxLayout;
    h->setSpacing(0);
    h->addWidget(edit);
    h->addWidget(upDown);
    return h;
}

QFrame* Separator(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

// The Up and Down keys on an up-down's buddy field, as steps of +1 and -1.
class ArrowSteps final : public QObject {
public:
    ArrowSteps(std::function<void(int)> step, QObject* parent) : QObject(parent), step_(std::move(step)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Up || key == Qt::Key_Down) {
                step_(key == Qt::Key_Up ? +1 : -1);
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void(int)> step_;
};

QVBoxLayout* Column(QWidget* owner)
{
    auto* v = new QVBoxLayout(owner);
    v->setSpacing(kRowSpacing);
    v->setContentsMargins(10, 6, 10, 8);
    return v;
}

} // namespace

BasicPage::BasicPage(ParameterEditor& editor, std::function<void()> loadFactoryDefault, QWidget* parent)
    : QWidget(parent), editor_(editor), loadFactoryDefault_(std::move(loadFactoryDefault))
{
    setObjectName(QStringLiteral("TabSheet1"));

    // Creation order is the Tab order: Input A, Input B, then the left column from
    // General down to "Load factory default".
    auto* right = new QVBoxLayout;
    right->setSpacing(8);
    right->addWidget(buildInput(kInputA));
    right->addWidget(buildInput(kInputB));

    auto* left = new QVBoxLayout;
    left->setSpacing(8);
    left->addWidget(buildGeneral());
    left->addWidget(buildTransferMode());
    left->addStretch(1);
    auto* button = static_cast<QPushButton*>(make(ControlId::Button1, this));
    button->setMinimumHeight(25);
    left->addWidget(button, 0, Qt::AlignLeft);

    auto* page = new QHBoxLayout(this);
    page->setContentsMargins(8, 8, 8, 8);
    page->setSpacing(10);
    page->addLayout(left, 36);
    page->addLayout(right, 64);

    for (const ControlInfo& c : kEditorControls)
        wire(c.id);
    refreshAll();
}

QWidget* BasicPage::make(ControlId id, QWidget* parent)
{
    const ControlInfo& info = InfoOf(id);
    QWidget* w = nullptr;
    switch (info.kind) {
    case ControlKind::ScrollBar: {
        auto* sb = new QScrollBar(Qt::Horizontal, parent);
        sb->setFocusPolicy(Qt::StrongFocus);  // reached with Tab, moved with the arrows
        sb->setPageStep(5);
        sb->setFixedHeight(17);
        w = sb;
        break;
    }
    case ControlKind::UpDown:
        w = new UpDown(parent);
        break;
    case ControlKind::Edit: {
        auto* e = new QLineEdit(parent);
        e->setReadOnly(true);  // the user never types a number
        e->setFixedWidth(kEditWidth);
        e->setFixedHeight(21);
        e->setAlignment(Qt::AlignCenter);
        e->setFocusPolicy(Qt::ClickFocus);
        w = e;
        break;
    }
    case ControlKind::ComboBox: {
        auto* cb = new QComboBox(parent);
        for (std::string_view item : kFrequencyItems)
            cb->addItem(Text(item));
        cb->setFixedWidth(kEditWidth + 20);
        w = cb;
        break;
    }
    case ControlKind::Label:
        w = new QLabel(Text(info.caption), parent);
        break;
    case ControlKind::GroupBox:
        w = new QGroupBox(Text(info.caption), parent);
        break;
    case ControlKind::Button:
        w = new QPushButton(Text(info.caption), parent);
        break;
    }
    w->setObjectName(Text(info.name));
    const ControlSpeech speech = SpeechOf(id);
    const bool stepField = info.kind == ControlKind::Edit && InfoOf(speech.rangeOf).kind == ControlKind::UpDown;
    if (info.kind == ControlKind::ScrollBar || stepField)
        MarkAccessibleNumber(w, QString::fromStdString(speech.unit));
    w->setAccessibleName(QString::fromStdString(speech.name));
    // Hidden controls keep their places, so the page does not reflow when the Service
    // level shows them.
    QSizePolicy policy = w->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    w->setSizePolicy(policy);
    widgets_[static_cast<std::size_t>(id)] = w;
    return w;
}

QWidget* BasicPage::buildInput(const InputGroupControls& ids)
{
    auto* group = static_cast<QGroupBox*>(make(ids.group, this));
    auto at = [&](ControlId id) { return make(id, group); };
    auto* v = Column(group);

    v->addWidget(Caption(caption::VoltageThreshold, group));
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(1);
    grid->setContentsMargins(12, 0, 0, 0);
    // The range ends are the form's ranges of the two scroll bars.
    const ControlInfo& low = InfoOf(ids.sbMin);
    const ControlInfo& high = InfoOf(ids.sbMax);
    grid->addWidget(RangeEnd(low.min, Qt::AlignLeft, group), 0, 2);
    grid->addWidget(RangeEnd(low.max, Qt::AlignRight, group), 0, 2);
    grid->addWidget(Caption(caption::Min, group), 1, 0);
    grid->addWidget(at(ids.editSbMin), 1, 1);
    grid->addWidget(at(ids.sbMin), 1, 2);
    grid->addWidget(Caption(caption::Max, group), 2, 0);
    grid->addWidget(at(ids.editSbMax), 2, 1);
    grid->addWidget(at(ids.sbMax), 2, 2);
    grid->addWidget(RangeEnd(high.min, Qt::AlignLeft, group), 3, 2);
    grid->addWidget(RangeEnd(high.max, Qt::AlignRight, group), 3, 2);
    grid->setColumnStretch(2, 1);
    grid->setRowMinimumHeight(1, 23);
    grid->setRowMinimumHeight(2, 23);
    v->addLayout(grid);

    auto* rv = new QHBoxLayout;
    rv->setSpacing(8);
    rv->addWidget(Caption(caption::ReturnVoltage, group));
    rv->addStretch(1);
    rv->addWidget(Caption(caption::Min, group));
    rv->addWidget(at(ids.returnMin));
    rv->addSpacing(12);
    rv->addWidget(Caption(caption::Max, group));
    rv->addWidget(at(ids.returnMax));
    v->addLayout(rv);

    auto* hy = new QHBoxLayout;
    hy->setSpacing(8);
    hy->addWidget(at(ids.hystLabel));
    hy->addStretch(1);
    QWidget* hystEdit = at(ids.hystEdit);
    hy->addLayout(Pair(hystEdit, at(ids.hyst)));
    v->addLayout(hy);

    v->addWidget(Separator(group));

    auto* fr = new QHBoxLayout;
    fr->setSpacing(8);
    fr->addWidget(Caption(caption::FrequencyThreshold, group));
    fr->addStretch(1);
    fr->addWidget(Caption(caption::Min, group));
    QWidget* freqMin = at(ids.freqMinEdit);
    fr->addLayout(Pair(freqMin, at(ids.freqMin)));
    fr->addSpacing(12);
    fr->addWidget(Caption(caption::Max, group));
    QWidget* freqMax = at(ids.freqMaxEdit);
    fr->addLayout(Pair(freqMax, at(ids.freqMax)));
    v->addLayout(fr);
    v->addStretch(1);
    // Frequency and hysteresis edits sit beside their arrows: a little narrower keeps
    // the pair as wide as the plain edits above them.
    for (QWidget* e : {hystEdit, freqMin, freqMax})
        e->setFixedWidth(kEditWidth - 15);
    return group;
}

QWidget* BasicPage::buildGeneral()
{
    auto* group = static_cast<QGroupBox*>(make(ControlId::GroupBox2, this));
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(10, 8, 10, 10);
    grid->setVerticalSpacing(8);
    QLabel* frequency = Caption(caption::Frequency, group);
    grid->addWidget(frequency, 0, 0);
    QWidget* combo = make(ControlId::ComboBox1, group);
    // A combo box is named by its label here: a reader says the label, then the item.
    frequency->setBuddy(combo);
    grid->addWidget(combo, 0, 1, Qt::AlignRight);
    grid->addWidget(Caption(caption::Overload, group), 1, 0);
    grid->addLayout(Pair(make(ControlId::Edit19, group), make(ControlId::UpDown13, group)), 1, 1, Qt::AlignRight);
    grid->setColumnStretch(0, 1);
    return group;
}

QWidget* BasicPage::buildTransferMode()
{
    auto* group = static_cast<QGroupBox*>(make(ControlId::GroupBox3, this));
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(10, 8, 10, 10);
    grid->setVerticalSpacing(8);
    grid->addWidget(make(ControlId::Label14, group), 0, 0);
    grid->addLayout(Pair(make(ControlId::Edit15, group), make(ControlId::UpDown15, group)), 0, 1, Qt::AlignRight);
    grid->addWidget(Caption(caption::DisplacementAngle, group), 1, 0);
    grid->addLayout(Pair(make(ControlId::Edit14, group), make(ControlId::UpDown14, group)), 1, 1, Qt::AlignRight);
    grid->addWidget(Caption(caption::BreakingTime, group), 2, 0);
    grid->addLayout(Pair(make(ControlId::Edit16, group), make(ControlId::UpDown16, group)), 2, 1, Qt::AlignRight);
    grid->setColumnStretch(0, 1);
    return group;
}

void BasicPage::wire(ControlId id)
{
    QWidget* w = control(id);
    switch (InfoOf(id).kind) {
    case ControlKind::ScrollBar:
        // Program-set positions are applied with signals blocked, so this is user input.
        connect(static_cast<QScrollBar*>(w), &QScrollBar::valueChanged, this, [this, id](int value) {
            editor_.UserMoveScrollBar(id, value);
            refreshChanged();
        });
        break;
    case ControlKind::UpDown: {
        auto step = [this, id](int direction) {
            editor_.UserClickUpDown(id, direction);
            refreshChanged();
        };
        connect(static_cast<UpDown*>(w), &UpDown::stepped, this, step);
        // The buddy field takes the focus from the keyboard; its arrow keys step.
        if (const std::optional<ControlId> buddy = FindControl(InfoOf(id).buddy)) {
            QWidget* field = control(*buddy);
            field->setFocusPolicy(Qt::StrongFocus);
            field->installEventFilter(new ArrowSteps(step, field));
        }
        break;
    }
    case ControlKind::ComboBox:
        connect(static_cast<QComboBox*>(w), &QComboBox::activated, this, [this](int index) {
            editor_.UserSelectFrequency(index);
            refreshChanged();
        });
        break;
    case ControlKind::Button:
        connect(static_cast<QPushButton*>(w), &QPushButton::clicked, this, [this] {
            if (loadFactoryDefault_)
                loadFactoryDefault_();
            refreshChanged();
        });
        break;
    default:
        break;
    }
}

void BasicPage::refresh(ControlId id)
{
    QWidget* w = control(id);
    const ControlState& s = editor_.state(id);
    const QSignalBlocker block(w);
    switch (InfoOf(id).kind) {
    case ControlKind::ScrollBar: {
        auto* sb = static_cast<QScrollBar*>(w);
        sb->setRange(s.min, s.max);
        sb->setValue(s.position);
        break;
    }
    case ControlKind::Edit:
        static_cast<QLineEdit*>(w)->setText(QString::fromStdString(s.text));
        break;
    case ControlKind::ComboBox:
        static_cast<QComboBox*>(w)->setCurrentIndex(s.itemIndex);
        break;
    default:
        break;
    }
    describe(id);
    if (InfoOf(id).kind == ControlKind::UpDown || InfoOf(id).kind == ControlKind::ScrollBar)
        if (const std::optional<ControlId> buddy = FindControl(InfoOf(id).buddy))
            describe(*buddy);
    w->setEnabled(s.enabled);
    // The page may itself be hidden: setVisible on a child records the wish either way.
    w->setVisible(s.visible);
}

void BasicPage::describe(ControlId id)
{
    const ControlSpeech speech = SpeechOf(id);
    if (speech.unit.empty())
        return;
    const ControlState& range = editor_.state(speech.rangeOf);
    const int min = speech.fixedRange ? speech.min : range.min;
    const int max = speech.fixedRange ? speech.max : range.max;
    QWidget* w = control(id);
    SetAccessibleRange(w, min, max, QString::fromStdString(RangeDescription(speech, min, max)));
    if (InfoOf(id).kind == ControlKind::Edit)
        AnnounceAccessibleValue(w);
}

void BasicPage::refreshChanged()
{
    for (ControlId id : editor_.TakeChanged())
        refresh(id);
}

void BasicPage::refreshAll()
{
    editor_.TakeChanged();
    for (const ControlInfo& c : kEditorControls)
        refresh(c.id);
}

} // namespace kovrin
