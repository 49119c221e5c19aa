#pragma once
// "Compare with ATS": the parameters whose value on the switch differs from the value
// on screen, in a read-only table, or "No differences".
#include "app/logic/CompareDialog.h"

#include <QDialog>

class QLabel;
class QTableWidget;

namespace kovrin {

class TFormCompare : public QDialog {
public:
    explicit TFormCompare(const CompareContent& content, QWidget* parent = nullptr);

    QTableWidget* table;  // object name "CompareTable"
    QLabel* note;         // object name "LabelNote"
};

} // namespace kovrin
