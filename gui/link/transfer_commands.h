#pragma once
// Read From Radio, Write To Radio and Compare With Radio: the progress dialog, the transfer on a
// worker thread, backup and verify around a write, and what the window does while it runs and after.

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

#include "core/image/memory_image.h"
#include "core/link/session_host.h"
#include "core/safety/safe_write.h"

class QAction;

namespace pm {

class CMainFrame;
class CProgressDlg;
class CompareDialog;
class PortMenu;
class TransferRunner;

class TransferCommands : public QObject {
    Q_OBJECT

  public:
    /** The status-bar text when closing the window is refused during a transfer. */
    static constexpr const char* kBusyText =
        "A transfer with the radio is running: cancel it or wait for its end.";
    /** Settings keys of the two check items. */
    static constexpr const char* kBackupKey = "Radio/BackupBeforeWriting";
    static constexpr const char* kVerifyKey = "Radio/VerifyAfterWriting";

    /** What the next Start does. */
    enum class Direction { Read, Write, Compare };

    /** Connects the frame's transfer commands, adds the safety items and extends the Port menu. */
    explicit TransferCommands(CMainFrame& frame);
    /** Cancels a running transfer and waits for it. */
    ~TransferCommands() override;

    /** The commands attached to frame, or nullptr. */
    [[nodiscard]] static TransferCommands* Of(const CMainFrame& frame);

    /** Program, Read From Radio (after the open editor was committed). */
    void OnReadFromRadio();
    /** Program, Write To Radio (after the open editor was committed). */
    void OnWriteToRadio();
    /** Program, Compare With Radio...: reads the radio aside and lists how it differs from the document. */
    void OnCompareWithRadio();

    /** The progress dialog while its window exists, else nullptr. */
    [[nodiscard]] CProgressDlg* Dialog() const;
    /** The differences of the last Compare With Radio while that window is open, else nullptr. */
    [[nodiscard]] CompareDialog* Comparison() const;
    /** The direction of the next transfer. */
    [[nodiscard]] Direction NextDirection() const { return m_direction; }
    /** True when the next transfer is a write. */
    [[nodiscard]] bool IsWrite() const { return m_direction == Direction::Write; }
    /** True from Start until the transfer has ended and its dialog is gone. */
    [[nodiscard]] bool IsRunning() const;
    /** The Port menu's devices and virtual radio. */
    [[nodiscard]] PortMenu& Ports() const { return *m_ports; }
    /** The check item "Backup radio before writing". */
    [[nodiscard]] QAction* BackupAction() const { return m_backup; }
    /** The check item "Verify after writing". */
    [[nodiscard]] QAction* VerifyAction() const { return m_verify; }
    /** The command "Compare With Radio...". */
    [[nodiscard]] QAction* CompareAction() const { return m_compare; }
    /** How the last exchange with the radio ended (the last stage of a write). */
    [[nodiscard]] const LinkOutcome& LastOutcome() const { return m_lastOutcome; }
    /** How the last write ended, backup and verify included. */
    [[nodiscard]] const SafeWriteOutcome& LastWrite() const { return m_lastWrite; }

  signals:
    /** A transfer has ended and everything it shows has been shown (dialog gone, view refreshed). */
    void TransferEnded(const pm::LinkOutcome& outcome);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Job;

    void AddSafetyItems();
    void OpenDialog(const QString& caption);
    void OnTransfer();
    void OnStageStarted(SafeStage stage);
    void OnTransferEnd();
    void DestroyDialog();
    void ReportWrite(const SafeWriteOutcome& outcome, const SafeWriteOptions& options);
    void ShowComparison(const Image& document, const Image& radio);
    void ShowStatus(const QString& text);

    CMainFrame& m_frame;
    // The port menu owns the virtual radio, which must outlive a transfer that uses it: the runner is
    // declared after it and so is destroyed first.
    std::unique_ptr<PortMenu> m_ports;
    std::unique_ptr<TransferRunner> m_runner;
    QPointer<CProgressDlg> m_pProgressDlg;
    QPointer<CompareDialog> m_comparison;
    QAction* m_backup = nullptr;
    QAction* m_verify = nullptr;
    QAction* m_compare = nullptr;
    std::shared_ptr<Job> m_job;
    LinkOutcome m_lastOutcome;
    SafeWriteOutcome m_lastWrite;
    Direction m_direction = Direction::Read;
};

}  // namespace pm
