#pragma once
// What a paste would refuse, before anything changes: channel, column, value and reason, one row each,
// with Apply (paste the values taken) and Cancel (paste nothing).

#include <QDialog>

#include <functional>

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

/** Answers the report instead of the user (tests, screenshots): true for Apply. */
using PasteReportAnswerer = std::function<bool(PasteReportDialog&)>;

/** Routes paste reports to answerer while it lives. */
class ScopedPasteReportAnswerer {
  public:
    explicit ScopedPasteReportAnswerer(PasteReportAnswerer answerer);
    ~ScopedPasteReportAnswerer();
    ScopedPasteReportAnswerer(const ScopedPasteReportAnswerer&) = delete;
    ScopedPasteReportAnswerer& operator=(const ScopedPasteReportAnswerer&) = delete;

  private:
    PasteReportAnswerer previous_;
};

/** Shows report modally over parent; true when the user chose Apply. */
[[nodiscard]] bool ConfirmPaste(const PasteReport& report, QWidget* parent);

}  // namespace pm
