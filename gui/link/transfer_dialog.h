#pragma once
// The small modeless window of a transfer: Start, Cancel, a progress bar and one line of status.

#include <QDialog>
#include <QString>

class QLabel;
class QProgressBar;
class QPushButton;

namespace pm {

class TransferDialog : public QDialog {
    Q_OBJECT

  public:
    /** A fresh window: bar at 0, "   Not start yet", Start enabled, caption as given. */
    explicit TransferDialog(const QString& caption, QWidget* parent = nullptr);

    /** The Start button. */
    [[nodiscard]] QPushButton* StartButton() const { return start_; }
    /** The Cancel button. */
    [[nodiscard]] QPushButton* CancelButton() const { return cancel_; }
    /** The progress bar. */
    [[nodiscard]] QProgressBar* ProgressBar() const { return bar_; }
    /** The status line's text. */
    [[nodiscard]] QString StatusText() const;
    /** The progress bar's position. */
    [[nodiscard]] int Pos() const;
    /** True once Cancel was pressed in this window. */
    [[nodiscard]] bool CancelPressed() const { return cancelPressed_; }
    /** True while Start can still be pressed (no transfer started from this window). */
    [[nodiscard]] bool StartEnabled() const;

    /** Replaces the status line. */
    void SetStatusText(const QString& text);
    /** Moves the progress bar; positions outside 0..251 are clamped. */
    void SetPos(int position);
    /** Puts the window over the middle of widget (the channel grid), kept on widget's screen. */
    void CenterOver(const QWidget* widget);

  signals:
    /** Start was pressed: the transfer should begin. Start is already disabled. */
    void StartRequested();
    /** Cancel was pressed (also Esc and the close box). */
    void CancelRequested();
    /** The status line now reads text. */
    void StatusTextChanged(const QString& text);

  public slots:
    /** Start: disables itself and asks for the transfer; the window stays. */
    void accept() override;
    /** Cancel: raises the flag; closes the window only when no transfer was started from it. */
    void reject() override;

  private:
    QPushButton* start_;
    QPushButton* cancel_;
    QProgressBar* bar_;
    QLabel* label_;
    QLabel* status_;
    bool cancelPressed_ = false;
};

}  // namespace pm
