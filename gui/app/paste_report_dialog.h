#pragma once
// What a paste refused, in one window beside the grid: channel, column, value and reason, one row each.

#include <QDialog>

#include "core/editing/clipboard_text.h"

class QLabel;
class QTableWidget;

namespace pm {

class PasteReportDialog : public QDialog {
    Q_OBJECT

  public:
    /** An empty report; SetReport fills it. */
    explicit PasteReportDialog(QWidget* parent = nullptr);

    /** Shows report: its summary line and one table row per refused value. */
    void SetReport(const PasteReport& report);
    /** The table of refused values. */
    [[nodiscard]] QTableWidget* Table() const { return table_; }
    /** The summary line. */
    [[nodiscard]] QString Summary() const;

  private:
    QLabel* summary_ = nullptr;
    QTableWidget* table_ = nullptr;
};

}  // namespace pm
