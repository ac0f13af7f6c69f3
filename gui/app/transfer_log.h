#pragma once
// Every exchange with a radio in this run, kept until the program ends: View, Transfer Log lists them
// with the whole of what each one ended with, which the status bar can only hint at.

#include <QDateTime>
#include <QDialog>
#include <QList>
#include <QPointer>
#include <QString>

class QPlainTextEdit;
class QTreeWidget;

namespace pm {

/** One read, write, verify, compare or Test Mode exchange. */
struct TransferLogEntry {
    QDateTime time;    // when it started
    QString exchange;  // "Read", "Write", "Restore", "Compare", "Test Mode"
    QString port;
    QString adapter;       // the device behind the port, when known
    QString result;        // the outcome's one line
    QString cause;         // why it went wrong, when it did
    int blocks = 0;        // blocks that went through in the last exchange
    QString backup;        // the copy of the radio taken before a write
    QString restorePoint;  // the radio's memory from before an interrupted write
};

/** The window of View, Transfer Log: a row per exchange, the selected one's full text under them. */
class TransferLogWindow : public QDialog {
    Q_OBJECT

  public:
    explicit TransferLogWindow(const QList<TransferLogEntry>& entries, QWidget* parent = nullptr);
    /** Appends an entry and selects it. */
    void Append(const TransferLogEntry& entry);
    [[nodiscard]] QTreeWidget* Rows() const { return rows_; }
    [[nodiscard]] QPlainTextEdit* Details() const { return details_; }

  private:
    QTreeWidget* rows_ = nullptr;
    QPlainTextEdit* details_ = nullptr;
    QList<TransferLogEntry> entries_;
};

/** The log of this run, owned by the main window. */
class TransferLog : public QObject {
    Q_OBJECT

  public:
    explicit TransferLog(QWidget& frame);
    /** Records an exchange; an open window shows it at once. */
    void Add(const TransferLogEntry& entry);
    [[nodiscard]] const QList<TransferLogEntry>& Entries() const { return entries_; }
    /** Opens (or raises) the window. */
    void Show();
    /** The window while it is open, else nullptr. */
    [[nodiscard]] TransferLogWindow* Window() const { return window_.data(); }

  private:
    QWidget& frame_;
    QList<TransferLogEntry> entries_;
    QPointer<TransferLogWindow> window_;
};

/** The whole of an entry as text: every field on a line of its own, the cause in full. */
[[nodiscard]] QString DescribeEntry(const TransferLogEntry& entry);

}  // namespace pm
