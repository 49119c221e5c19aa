#include "app/qt/CompareForm.h"

#include <QDialogButtonBox>
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
        warning->setStyleSheet("color: #a00000; font-weight: bold");
        layout->addWidget(warning);
    }
    table = new QTableWidget(static_cast<int>(content.rows.size()), static_cast<int>(content.headers.size()), this);
    table->setObjectName("CompareTable");
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
