#pragma once
// "Compare with ATS": the parameters whose value on the switch differs from the value
// on screen, a tick per parameter row (all ticked), "Upload selected" and "Close"; or
// "No differences".
#include "app/logic/CompareDialog.h"

#include <QDialog>

#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;

namespace kovrin {

class TFormCompare : public QDialog {
public:
    explicit TFormCompare(const CompareContent& content, QWidget* parent = nullptr);

    // The words of the ticked rows, in row order.
    std::vector<int> tickedWords() const;

    QTableWidget* table;          // object name "CompareTable"; column 0 holds the ticks
    QLabel* note;                 // object name "LabelNote"
    QPushButton* uploadSelected;  // object name "ButtonUploadSelected"; accepts the dialog
    QPushButton* closeButton;     // object name "ButtonClose"; rejects it

private:
    std::vector<int> words_;  // per row; -1 without a tick
};

} // namespace kovrin
