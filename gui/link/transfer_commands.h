#pragma once
// Read From Radio and Write To Radio: the progress dialog, the transfer on a worker thread, and what
// the window does while it runs and after it ends.

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

#include "core/image/memory_image.h"
#include "core/link/session_host.h"

namespace pm {

class CMainFrame;
class CProgressDlg;
class PortMenu;
class TransferRunner;

class TransferCommands : public QObject {
    Q_OBJECT

  public:
    /** The status-bar text when closing the window is refused during a transfer. */
    static constexpr const char* kBusyText =
        "A transfer with the radio is running: cancel it or wait for its end.";

    /** Connects the frame's two transfer commands and extends its Port menu. */
    explicit TransferCommands(CMainFrame& frame);
    /** Cancels a running transfer and waits for it. */
    ~TransferCommands() override;

    /** The commands attached to frame, or nullptr. */
    [[nodiscard]] static TransferCommands* Of(const CMainFrame& frame);

    /** Program, Read From Radio (after the open editor was committed). */
    void OnReadFromRadio();
    /** Program, Write To Radio (after the open editor was committed). */
    void OnWriteToRadio();

    /** The progress dialog while its window exists, else nullptr. */
    [[nodiscard]] CProgressDlg* Dialog() const;
    /** The direction of the next transfer: true for a write. */
    [[nodiscard]] bool IsWrite() const { return m_bWrite; }
    /** True from Start until the transfer has ended and its dialog is gone. */
    [[nodiscard]] bool IsRunning() const;
    /** The Port menu's devices and virtual radio. */
    [[nodiscard]] PortMenu& Ports() const { return *m_ports; }
    /** How the last transfer ended. */
    [[nodiscard]] const LinkOutcome& LastOutcome() const { return m_lastOutcome; }

  signals:
    /** A transfer has ended: its dialog is gone and, after a complete read, the view shows the radio. */
    void TransferEnded(const pm::LinkOutcome& outcome);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Job;

    void OpenDialog(const QString& caption);
    void OnTransfer();
    void OnTransferEnd();
    void DestroyDialog();

    CMainFrame& m_frame;
    // The port menu owns the virtual radio, which must outlive a transfer that uses it: the runner is
    // declared after it and so is destroyed first.
    std::unique_ptr<PortMenu> m_ports;
    std::unique_ptr<TransferRunner> m_runner;
    QPointer<CProgressDlg> m_pProgressDlg;
    std::shared_ptr<Job> m_job;
    LinkOutcome m_lastOutcome;
    bool m_bWrite = false;
};

}  // namespace pm
