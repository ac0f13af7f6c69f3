#pragma once
// What Compare With Radio found: the channel cells and settings whose texts differ between the
// document and the radio, and how many other bytes differ.

#include <QDialog>
#include <QString>

#include "core/image/image_diff.h"

class QLabel;
class QTableWidget;

namespace pm {

class CompareDialog : public QDialog {
    Q_OBJECT

  public:
    /** The differences of diff, the document as a and the radio as b. */
    explicit CompareDialog(const ImageDiff& diff, QWidget* parent = nullptr);

    /** The line above the table. */
    [[nodiscard]] QString Summary() const;
    /** The table: where, in the document, in the radio. */
    [[nodiscard]] QTableWidget* Table() const { return table_; }

  private:
    QLabel* summary_;
    QTableWidget* table_;
};

}  // namespace pm
