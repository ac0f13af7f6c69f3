#pragma once
// Read From Radio, Write To Radio and Compare With Radio: the progress dialog, the transfer on a
// worker thread, backup and verify around a write, what the window does while it runs, and the outcome
// told at its end with the ways on (Write Again, Restore Backup).

#include <QObject>
#include <QPointer>
#include <QString>

#include <filesystem>
#include <memory>
#include <optional>

#include "core/image/memory_image.h"
#include "core/link/session_host.h"
#include "core/link/usb_adapter.h"
#include "core/safety/restore_point.h"
#include "core/safety/safe_write.h"
#include "gui/link/choice_box.h"

class QAction;
class QLabel;

namespace pm {

class MainWindow;
class TransferDialog;
class CompareDialog;
class PortMenu;
class TransferRunner;
class CableDoctorDialog;
class SerialTrace;

class TransferCommands : public QObject {
    Q_OBJECT

  public:
    /** The status-bar text when closing the window is refused during a transfer. */
    static constexpr const char* kBusyText =
        "A transfer with the radio is running: cancel it or wait for its end.";
    /** Settings keys of the two check items. */
    static constexpr const char* kBackupKey = "Radio/BackupBeforeWriting";
    static constexpr const char* kVerifyKey = "Radio/VerifyAfterWriting";

    /** Buttons of the box after a write that left the radio unsure. */
    static constexpr const char* kWriteAgainText = "Write Again";
    static constexpr const char* kRestoreBackupText = "Restore Backup";
    static constexpr const char* kCloseText = "Close";
    /** Buttons of the question when the window closes during a transfer. */
    static constexpr const char* kQuitText = "Cancel Transfer and Quit";
    static constexpr const char* kKeepRunningText = "Keep Running";
    /** Buttons of that question once the transfer has ended while it was open. */
    static constexpr const char* kQuitNowText = "Quit";
    static constexpr const char* kStayText = "Stay Open";
    /** Buttons of the notice before a write to a port whose last write stopped half-way. */
    static constexpr const char* kWriteAnywayText = "Write";
    static constexpr const char* kCancelText = "Cancel";

    /** What the next Start does. */
    enum class Direction { Read, Write, Compare };

    /** Connects the frame's transfer commands, adds the safety items and extends the Port menu. */
    explicit TransferCommands(MainWindow& frame);
    /** Cancels a running transfer and waits for it. */
    ~TransferCommands() override;

    /** The commands attached to frame, or nullptr. */
    [[nodiscard]] static TransferCommands* Of(const MainWindow& frame);

    /** Program, Read From Radio (after the open editor was committed). */
    void OnReadFromRadio();
    /** Program, Write To Radio (after the open editor was committed). */
    void OnWriteToRadio();
    /** Program, Compare With Radio...: reads the radio aside and lists how it differs from the document. */
    void OnCompareWithRadio();
    /** Writes the radio's copy kept in backup back into it, through the progress dialog, started at once. */
    void RestoreBackup(const std::filesystem::path& backup);

    /** The progress dialog while its window exists, else nullptr. */
    [[nodiscard]] TransferDialog* Dialog() const;
    /** The differences of the last Compare With Radio while that window is open, else nullptr. */
    [[nodiscard]] CompareDialog* Comparison() const;
    /** The direction of the next transfer. */
    [[nodiscard]] Direction NextDirection() const { return direction_; }
    /** True when the next transfer is a write. */
    [[nodiscard]] bool IsWrite() const { return direction_ == Direction::Write; }
    /** True from Start until the transfer has ended and its dialog is gone. */
    [[nodiscard]] bool IsRunning() const;
    /** The Port menu's devices and virtual radio. */
    [[nodiscard]] PortMenu& Ports() const { return *ports_; }
    /** The check item "Backup radio before writing". */
    [[nodiscard]] QAction* BackupAction() const { return backup_; }
    /** The check item "Verify after writing". */
    [[nodiscard]] QAction* VerifyAction() const { return verify_; }
    /** The status bar's note of the port's adapter (hidden before the first transfer). */
    [[nodiscard]] QLabel* AdapterLabel() const { return adapter_; }
    /** The command "Compare With Radio...". */
    [[nodiscard]] QAction* CompareAction() const { return compare_; }
    /** How the last exchange with the radio ended (the last stage of a write). */
    [[nodiscard]] const LinkOutcome& LastOutcome() const { return lastOutcome_; }
    /** How the last write ended, backup and verify included. */
    [[nodiscard]] const SafeWriteOutcome& LastWrite() const { return lastWrite_; }
    /** The question asked when the window closes during a transfer, as it reads now. */
    [[nodiscard]] ChoiceBox QuitQuestion() const;

    /** Port, Check Cable...: the cable doctor for the port in use, in a window of its own. */
    void OnCheckCable();
    /** The Check Cable window while it is open, else nullptr. */
    [[nodiscard]] CableDoctorDialog* CableDoctor() const;
    /** The bytes of the last exchange (transfer or cable check), kept until the next one starts. */
    [[nodiscard]] const SerialTrace& LastTrace() const { return *trace_; }
    /** The same trace, for other exchanges (Test Mode) to fill. */
    [[nodiscard]] std::shared_ptr<SerialTrace> TraceStore() const { return trace_; }
    /** Help, Save Serial Trace...: asks for a file and stores the last trace in it. */
    void OnSaveTrace();
    /** Stores the last trace at path; false after a box that says why not. */
    bool SaveTrace(const QString& path);

  signals:
    /** A transfer has ended and everything it shows has been shown (dialog gone, view refreshed). */
    void TransferEnded(const pm::LinkOutcome& outcome);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Job;

    void AddSafetyItems();
    void OpenDialog(Direction direction);
    void OnTransfer();
    void OnStageStarted(SafeStage stage);
    void OnTransferEnd();
    // Tells how job ended and takes the way on chosen in its box.
    void Conclude(const std::shared_ptr<Job>& job);
    // After Quit: closes the window; when it stays open (the save question) the outcome is told after all.
    void CloseOrTell(const std::shared_ptr<Job>& job);
    void FollowChoice(int choice, const Job& job);
    void DestroyDialog();
    // Tells how job ended: the status bar always, a box when something went wrong; returns the choice.
    int TellOutcome(const Job& job);
    // Before a write to a port whose last write stopped half-way: false to cancel; may set restoring_.
    bool AcceptInterruptedWrite(const InterruptedWrite& record);
    void LogExchange(const Job& job);
    bool AskToQuit();
    void ShowComparison(const Image& document, const Image& radio);
    void ShowStatus(const QString& text);
    // The device behind the port in the status bar: its kind while a transfer runs, then its latency.
    void ShowAdapter(const AdapterInfo& adapter, bool afterTransfer);

    MainWindow& frame_;
    // The port menu owns the virtual radio, which must outlive a transfer that uses it: the runner is
    // declared after it and so is destroyed first.
    std::unique_ptr<PortMenu> ports_;
    std::unique_ptr<TransferRunner> runner_;
    QPointer<TransferDialog> dialog_;
    QPointer<CompareDialog> comparison_;
    QAction* backup_ = nullptr;
    QAction* verify_ = nullptr;
    QAction* compare_ = nullptr;
    QLabel* adapter_ = nullptr;
    QPointer<CableDoctorDialog> doctor_;
    std::shared_ptr<SerialTrace> trace_;
    std::shared_ptr<Job> job_;
    std::optional<std::filesystem::path> restoring_;  // the next write sends this backup, not the document
    bool quitAfterTransfer_ = false;
    bool askingToQuit_ = false;
    QPointer<QMessageBox> quitBox_;
    std::shared_ptr<Job> endedWhileAsking_;  // told once the quit question is answered
    bool writeAgain_ = false;                // the next write is Write Again: its restore point is known
    SafeStage stage_ = SafeStage::Write;     // where a running write stands
    LinkOutcome lastOutcome_;
    SafeWriteOutcome lastWrite_;
    Direction direction_ = Direction::Read;
};

/** Installs Read From Radio, Write To Radio and the Port menu's devices and virtual radio into window. */
void InstallTransferCommands(MainWindow& window);

/** Adds Save Serial Trace... to the Help menu, once that exists (after InstallTransferCommands). */
void InstallSerialTraceItem(MainWindow& window);

}  // namespace pm
