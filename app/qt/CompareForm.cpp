#include "app/qt/CompareForm.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
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
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->verticalHeader()->hide();
    for (int row = 0; row < table->rowCount(); ++row) {
        const CompareRow& r = content.rows[static_cast<std::size_t>(row)];
        const std::string cells[] = {r.parameter, r.onScreen, r.onSwitch, r.unit};
        for (int column = 0; column < 4; ++column) {
            auto* item = new QTableWidgetItem(QString::fromStdString(cells[column]));
            // The tick sits in the first cell; Space on the row toggles it.
            if (column == 0 && content.canUpload && r.word >= 0) {
                item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
                item->setCheckState(r.ticked ? Qt::Checked : Qt::Unchecked);
            }
            table->setItem(row, column, item);
        }
        words_.push_back(content.canUpload ? r.word : -1);
    }
    if (table->rowCount() > 0)
        table->setCurrentCell(0, 0);
    table->resizeColumnsToContents();
    table->setVisible(!content.rows.empty());
    layout->addWidget(table);
    note = new QLabel(QString::fromStdString(content.note), this);
    note->setObjectName("LabelNote");
    layout->addWidget(note);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    uploadSelected = new QPushButton(QString::fromStdString(content.uploadButton), this);
    uploadSelected->setObjectName("ButtonUploadSelected");
    uploadSelected->setVisible(content.canUpload);
    uploadSelected->setAutoDefault(false);
    closeButton = new QPushButton(QString::fromStdString(content.closeButton), this);
    closeButton->setObjectName("ButtonClose");
    closeButton->setAutoDefault(false);
    buttons->addWidget(uploadSelected);
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);
    connect(uploadSelected, &QPushButton::clicked, this, &QDialog::accept);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    // Tab: the list, then the two buttons.
    setTabOrder(table, uploadSelected);
    setTabOrder(uploadSelected, closeButton);
    resize(520, content.rows.empty() ? 120 : 340);
}

std::vector<int> TFormCompare::tickedWords() const
{
    std::vector<int> words;
    for (int row = 0; row < table->rowCount(); ++row) {
        const int word = words_[static_cast<std::size_t>(row)];
        if (word >= 0 && table->item(row, 0)->checkState() == Qt::Checked)
            words.push_back(word);
    }
    return words;
}

} // namespace kovrin
