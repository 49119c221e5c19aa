#include "app/qt/CompareForm.h"

#include <QColor>
#include <QDialogButtonBox>
#include <QPalette>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kovrin {

TFormCompare::TFormCompare(const CompareContent& content, QWidget* parent) : QDialog(parent)
{
    setObjectName("FormCompare");
    setWindowTitle(QString::fromStdString(content.caption));
    auto* layout = new QVBoxLayout(this);
    if (!content.warning.empty()) {
        auto* warning = new QLabel(QString::fromStdString(content.warning), this);
        warning->setObjectName("LabelWarning");
        // Red that reads on the palette's own background, light or dark.
        QPalette palette = warning->palette();
        const bool dark = palette.color(QPalette::Window).lightness() < 128;
        palette.setColor(QPalette::WindowText, QColor::fromHsl(0, 255, dark ? 170 : 80));
        warning->setPalette(palette);
        warning->setStyleSheet("font-weight: bold");
        layout->addWidget(warning);
    }
    table = new QTableWidget(static_cast<int>(content.rows.size()), static_cast<int>(content.headers.size()), this);
    table->setObjectName("CompareTable");
    table->setAccessibleName(QString::fromStdString(content.caption));
    QStringList headers;
    for (const std::string& h : content.headers)
        headers << QString::fromStdString(h);
    table->setHorizontalHeaderLabels(headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    for (int row = 0; row < table->rowCount(); ++row) {
        const CompareRow& r = content.rows[static_cast<std::size_t>(row)];
        const std::string cells[] = {r.parameter, r.onScreen, r.onSwitch, r.unit};
        for (int column = 0; column < 4; ++column)
            table->setItem(row, column, new QTableWidgetItem(QString::fromStdString(cells[column])));
    }
    table->resizeColumnsToContents();
    table->setVisible(!content.rows.empty());
    layout->addWidget(table);
    note = new QLabel(QString::fromStdString(content.note), this);
    note->setObjectName("LabelNote");
    layout->addWidget(note);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(480, content.rows.empty() ? 120 : 320);
}

} // namespace kovrin
