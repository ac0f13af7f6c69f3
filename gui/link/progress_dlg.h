#pragma once
// The small modeless window of a transfer: Start, Cancel, a progress bar and one line of status.

#include <QDialog>
#include <QString>

class QLabel;
class QProgressBar;
class QPushButton;

namespace pm {

class CProgressDlg : public QDialog {
    Q_OBJECT

  public:
    /** Control ids of the dialog's template. */
    enum Id { kStart = 1, kCancel = 2, kProgressBar = 1003, kLabel = 1004, kStatus = 1005 };

    /** A fresh window: bar at 0, "   Not start yet", Start enabled, caption as given. */
    explicit CProgressDlg(const QString& caption, QWidget* parent = nullptr);

    /** The widget of a template control, or nullptr. */
    [[nodiscard]] QWidget* Control(int id) const;
    /** The status line's text. */
    [[nodiscard]] QString StatusText() const;
    /** The progress bar's position. */
    [[nodiscard]] int Pos() const;
    /** True once Cancel was pressed in this window. */
    [[nodiscard]] bool CancelPressed() const { return m_bCancel; }
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
    QPushButton* m_start;
    QPushButton* m_cancel;
    QProgressBar* m_bar;
    QLabel* m_label;
    QLabel* m_status;
    bool m_bCancel = false;
};

}  // namespace pm
