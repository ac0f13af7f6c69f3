#include "gui/link/transfer_commands.h"

#include <QAbstractButton>
#include <QAction>
#include <QDateTime>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <string>

#include "core/image/channel_file.h"
#include "core/image/file_access.h"
#include "core/image/image_diff.h"
#include "core/link/link_texts.h"
#include "core/link/port_names.h"
#include "core/link/posix_serial_port.h"
#include "core/link/traced_port.h"
#include "core/link/transfer_session.h"
#include "core/safety/backup_store.h"
#include "core/safety/outcome_text.h"
#include "core/safety/port_diagnosis.h"
#include "gui/app/commands.h"
#include "gui/app/main_window.h"
#include "gui/common/message_box.h"
#include "gui/app/recent_files.h"
#include "gui/app/transfer_log.h"
#include "core/image/file_access.h"
#include "gui/app/settings.h"
#include "gui/app/channel_document.h"
#include "gui/editor/channel_grid.h"
#include "gui/editor/channel_view.h"
#include "gui/link/cable_doctor_dialog.h"
#include "gui/link/choice_box.h"
#include "gui/link/compare_dialog.h"
#include "gui/link/link_message.h"
#include "gui/link/port_menu.h"
#include "gui/link/transfer_dialog.h"
#include "gui/link/transfer_runner.h"

namespace pm {
namespace {

// A verify that finds a whole plan changed would list hundreds of lines; the first ones say enough.
constexpr std::size_t kDiffLinesShown = 20;

QString FromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString Caption(TransferCommands::Direction direction) {
    switch (direction) {
        case TransferCommands::Direction::Read:
            return FromView(link::kReadCaption);
        case TransferCommands::Direction::Write:
            return FromView(link::kWriteCaption);
        case TransferCommands::Direction::Compare:
            break;
    }
    return QStringLiteral("Comparing With Radio");
}

// What Start will do, for the status bar while the dialog waits.
QString NextStep(TransferCommands::Direction direction) {
    switch (direction) {
        case TransferCommands::Direction::Read:
            return QStringLiteral("Start reads the radio into the document.");
        case TransferCommands::Direction::Write:
            return QStringLiteral("Start writes the document into the radio.");
        case TransferCommands::Direction::Compare:
            break;
    }
    return QStringLiteral("Start reads the radio and compares it with the document.");
}

// What runs, for the status bar until the outcome takes its place.
QString Running(TransferCommands::Direction direction) {
    switch (direction) {
        case TransferCommands::Direction::Read:
            return QStringLiteral("Reading the radio...");
        case TransferCommands::Direction::Write:
            return QStringLiteral("Writing the radio...");
        case TransferCommands::Direction::Compare:
            break;
    }
    return QStringLiteral("Reading the radio to compare it with the document...");
}

bool OpenFailed(const LinkOutcome& outcome) {
    return std::find(outcome.shown.begin(), outcome.shown.end(), link::kOpenFailed) != outcome.shown.end();
}

}  // namespace

// One exchange: what the worker needs, and what it leaves for the UI thread when it returns.
struct TransferCommands::Job {
    Direction direction = Direction::Read;
    std::string port;
    // Read: the document's image, replaced by the radio's when complete. Write: what is sent.
    // Compare: the radio's memory, read aside.
    Image image{};
    Image document{};  // compare: the view as it would be written
    SafeWriteOptions options;
    SafeWriteOutcome write;
    LinkOutcome outcome;
    std::filesystem::path backup;  // the radio's copy this write took or is restoring; empty when none
    bool restore = false;          // this write puts backup back
    AdapterInfo adapter;           // what the port found when it last opened
    std::optional<InterruptedWrite> record;  // after a write: the port's interrupted write, if any
    QDateTime started;
};

TransferCommands::TransferCommands(MainWindow& frame) : QObject(&frame), frame_(frame) {
    setObjectName(QStringLiteral("transferCommands"));
    ports_ = std::make_unique<PortMenu>(frame);
    trace_ = std::make_shared<SerialTrace>();
    frame.PortMenu()->addSeparator();
    QAction* checkCable = frame.PortMenu()->addAction(QStringLiteral("Check &Cable..."));
    checkCable->setObjectName(QStringLiteral("actionCheckCable"));
    checkCable->setStatusTip(
        QStringLiteral("Check the cable, its driver and the radio's answer on the port in use"));
    connect(checkCable, &QAction::triggered, this, &TransferCommands::OnCheckCable);
    adapter_ = new QLabel(frame_.statusBar());
    adapter_->setObjectName(QStringLiteral("adapterIndicator"));
    adapter_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    adapter_->hide();
    frame_.statusBar()->addPermanentWidget(adapter_);
    runner_ = std::make_unique<TransferRunner>(&frame, [this](const Message& message) {
        // Shown after the transfer, with the reason under it, once the outcome knows the reason.
        if (message == link::kOpenFailed) return Answer::Ok;
        // Questions stand over the progress dialog while it is there.
        QWidget* over = dialog_ ? static_cast<QWidget*>(dialog_.data()) : &frame_;
        return ShowMessage(message, over);
    });
    connect(runner_.get(), &TransferRunner::StatusChanged, this, [this](const QString& text) {
        if (dialog_) dialog_->SetStatusText(text);
    });
    connect(runner_.get(), &TransferRunner::ProgressChanged, this, [this](int position) {
        if (dialog_) dialog_->SetPos(position);
    });
    connect(runner_.get(), &TransferRunner::StageStarted, this, &TransferCommands::OnStageStarted);
    connect(runner_.get(), &TransferRunner::Finished, this, &TransferCommands::OnTransferEnd);
    connect(&frame, &MainWindow::ReadFromRadioRequested, this, &TransferCommands::OnReadFromRadio);
    connect(&frame, &MainWindow::WriteToRadioRequested, this, &TransferCommands::OnWriteToRadio);
    AddSafetyItems();
    frame.installEventFilter(this);
}

TransferCommands::~TransferCommands() {
    frame_.removeEventFilter(this);
    // The runner first: it cancels and joins the worker while the virtual radio still serves.
    runner_.reset();
    delete dialog_.data();
    delete comparison_.data();
}

void TransferCommands::AddSafetyItems() {
    QMenu* program = nullptr;
    for (QAction* top : frame_.menuBar()->actions()) {
        if (top->menu() && top->menu()->actions().contains(frame_.Action(Command::WriteToRadio)))
            program = top->menu();
    }
    if (!program) return;
    program->addSeparator();
    const QSettings settings = UserSettings();
    backup_ = program->addAction(QStringLiteral("Backup radio before writing"));
    backup_->setObjectName(QStringLiteral("actionBackupBeforeWriting"));
    backup_->setCheckable(true);
    // On until the user turns them off: a half-written radio needs the copy, a bad cable the check.
    backup_->setChecked(settings.value(QString::fromLatin1(kBackupKey), true).toBool());
    backup_->setStatusTip(QStringLiteral("Before writing, read the radio and keep its memory in %1")
                              .arg(QString::fromStdString(DefaultBackupDir().string())));
    verify_ = program->addAction(QStringLiteral("Verify after writing"));
    verify_->setObjectName(QStringLiteral("actionVerifyAfterWriting"));
    verify_->setCheckable(true);
    verify_->setChecked(settings.value(QString::fromLatin1(kVerifyKey), true).toBool());
    verify_->setStatusTip(
        QStringLiteral("After writing, read the radio back and compare it with what was sent"));
    for (const auto& [action, key] : {std::pair{backup_, kBackupKey}, std::pair{verify_, kVerifyKey}}) {
        const QString name = QString::fromLatin1(key);
        connect(action, &QAction::toggled, this, [name](bool on) { UserSettings().setValue(name, on); });
    }
    program->addSeparator();
    compare_ = program->addAction(QStringLiteral("Compare With Radio..."));
    compare_->setObjectName(QStringLiteral("actionCompareWithRadio"));
    compare_->setStatusTip(QStringLiteral("Read the radio and list how it differs from the document"));
    connect(compare_, &QAction::triggered, this, [this] {
        frame_.View()->CommitCellEdit();
        OnCompareWithRadio();
    });
}

TransferCommands* TransferCommands::Of(const MainWindow& frame) {
    return frame.findChild<TransferCommands*>(QStringLiteral("transferCommands"), Qt::FindDirectChildrenOnly);
}

TransferDialog* TransferCommands::Dialog() const {
    return dialog_.data();
}

CompareDialog* TransferCommands::Comparison() const {
    return comparison_.data();
}

bool TransferCommands::IsRunning() const {
    return runner_->IsRunning();
}

void TransferCommands::OnReadFromRadio() {
    OpenDialog(Direction::Read);
}

void TransferCommands::OnWriteToRadio() {
    OpenDialog(Direction::Write);
}

void TransferCommands::OnCompareWithRadio() {
    OpenDialog(Direction::Compare);
}

void TransferCommands::OpenDialog(Direction direction) {
    // A running transfer keeps the direction it began with.
    if (runner_->IsRunning()) {
        ShowStatus(QString::fromLatin1(kBusyText));
        return;
    }
    direction_ = direction;
    restoring_.reset();
    writeAgain_ = false;
    ShowStatus(NextStep(direction));
    // A window left open by another command is re-captioned: it must never say read while Start writes.
    if (dialog_) {
        dialog_->setWindowTitle(Caption(direction));
        dialog_->raise();
        return;
    }
    auto* dialog = new TransferDialog(Caption(direction), &frame_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &TransferDialog::StartRequested, this, &TransferCommands::OnTransfer,
            Qt::QueuedConnection);
    connect(dialog, &TransferDialog::CancelRequested, this, [this] {
        if (runner_->IsRunning()) runner_->RequestCancel();
    });
    dialog_ = dialog;
    dialog->show();
    dialog->CenterOver(&frame_.View()->Grid());
}

void TransferCommands::OnTransfer() {
    if (!dialog_ || runner_->IsRunning()) return;
    ChannelView& view = *frame_.View();
    // Whatever was typed since the command belongs to what is sent, as it does to what is saved.
    view.CommitCellEdit();
    // A check's message box keeps the window serving: Cancel may have been pressed behind it.
    if (!dialog_ || dialog_->CancelPressed()) {
        DestroyDialog();
        return;
    }
    const std::string port = view.Port().toStdString();
    const bool again = std::exchange(writeAgain_, false);
    const std::optional<InterruptedWrite> record =
        direction_ == Direction::Write ? FindInterruptedWrite(DefaultBackupDir(), port) : std::nullopt;
    // The last write to this port stopped half-way: say so, and what it left to go back to, first.
    if (record && !again && !restoring_ && !AcceptInterruptedWrite(*record)) {
        DestroyDialog();
        return;
    }
    if (!dialog_) return;
    job_ = std::make_shared<Job>();
    job_->direction = direction_;
    job_->port = port;
    job_->started = QDateTime::currentDateTime();
    switch (direction_) {
        case Direction::Read:
            job_->image = frame_.Document().MemoryImage();
            break;
        case Direction::Write:
            job_->options.verify = verify_ && verify_->isChecked();
            if (restoring_) {
                // The copy goes back as it was kept; the document is not involved.
                job_->backup = *std::exchange(restoring_, std::nullopt);
                job_->restore = true;
                job_->image = NewDocumentImage();
                if (const FileOutcome loaded = LoadChannelFile(job_->backup, job_->image); !loaded.ok()) {
                    DestroyDialog();
                    ShowMessage(Message{loaded.message, kAppTitle, Buttons::Ok, Icon::Warning}, &frame_);
                    job_.reset();
                    return;
                }
                break;
            }
            view.EncodeImage();
            job_->image = frame_.Document().MemoryImage();
            // Write Again has its restore point; a backup now would only copy the half-written radio.
            if (backup_ && backup_->isChecked() && !(again && record && !record->restorePoint.empty()))
                job_->options.backupDir = DefaultBackupDir();
            break;
        case Direction::Compare:
            // Read aside, never into the document.
            job_->image = NewDocumentImage();
            job_->document = view.EncodedImage();
            break;
    }
    stage_ = job_->options.backupDir ? SafeStage::Backup : SafeStage::Write;
    frame_.SetTransferRunning(true);
    ShowStatus(Running(direction_));
    ShowAdapter(FindAdapter(DevicePathOfPort(job_->port)), false);
    runner_->Start([job = job_, trace = trace_](SafeWriteHost& host) {
        PosixSerialPort serial;
        trace->Clear();
        TracedPort port(serial, *trace);
        if (job->direction == Direction::Write) {
            job->write = SafeWrite(port, job->port, host, job->image, job->options);
            job->outcome = job->write.link;
        } else {
            job->outcome = TransferSession(port, job->port, host).Read(job->image);
        }
        job->adapter = serial.Adapter();
    });
}

void TransferCommands::OnStageStarted(SafeStage stage) {
    stage_ = stage;
    if (quitBox_) quitBox_->setText(QuitQuestion().text);
    if (!dialog_ || !job_ || (!job_->options.backupDir && !job_->options.verify && !job_->restore)) return;
    // Each exchange of a safe write counts its blocks afresh; the caption says which one runs.
    dialog_->SetPos(0);
    QString caption = FromView(link::kWriteCaption);
    if (stage == SafeStage::Write && job_->restore) caption += QStringLiteral(" - restoring the backup");
    if (stage == SafeStage::Backup) caption += QStringLiteral(" - reading the radio for the backup");
    if (stage == SafeStage::Verify) caption += QStringLiteral(" - reading the radio back to verify");
    dialog_->setWindowTitle(caption);
}

void TransferCommands::OnTransferEnd() {
    const std::shared_ptr<Job> job = std::exchange(job_, nullptr);
    if (!job) return;
    lastOutcome_ = job->outcome;
    if (OpenFailed(job->outcome)) {
        ShowLinkMessage(link::kOpenFailed, QString::fromStdString(OpenFailureHelp(job->outcome)),
                        dialog_ ? static_cast<QWidget*>(dialog_.data()) : &frame_);
    }
    DestroyDialog();
    ShowAdapter(job->adapter, true);
    const bool complete = job->outcome.result == LinkResult::Done;
    if (job->direction == Direction::Read && complete) {
        frame_.Document().MemoryImage() = job->image;
        frame_.View()->DecodeImage();
        frame_.RecordImageChange(QStringLiteral("Read From Radio"));
    }
    frame_.SetTransferRunning(false);
    if (job->direction == Direction::Write) {
        lastWrite_ = job->write;
        if (!job->write.backupPath.empty()) job->backup = job->write.backupPath;
        std::string error;
        job->record = RecordWriteEnd(DefaultBackupDir(), job->port, job->write,
                                     std::chrono::system_clock::now(), &error);
        if (!error.empty()) ShowStatus(QString::fromStdString(error));
    }
    LogExchange(*job);
    if (job->direction == Direction::Compare && complete) ShowComparison(job->document, job->image);
    if (askingToQuit_) {
        // The quit question is open: it now says how the transfer ended, and its answer decides.
        endedWhileAsking_ = job;
        if (quitBox_) {
            const ChoiceBox question = QuitQuestion();
            quitBox_->setText(question.text);
            quitBox_->setInformativeText(question.detail);
            const QList<QAbstractButton*> buttons = quitBox_->buttons();
            for (QAbstractButton* button : buttons) {
                const int index = button->property("choice").toInt();
                if (index >= 0 && index < question.buttons.size()) button->setText(question.buttons[index]);
            }
        }
        return;
    }
    if (quitAfterTransfer_) {
        // The user asked to quit; the frame asks about unsaved changes as on any close.
        quitAfterTransfer_ = false;
        emit TransferEnded(lastOutcome_);
        QTimer::singleShot(0, &frame_, [this, job] { CloseOrTell(job); });
        return;
    }
    Conclude(job);
}

void TransferCommands::Conclude(const std::shared_ptr<Job>& job) {
    const int choice = TellOutcome(*job);
    emit TransferEnded(lastOutcome_);
    FollowChoice(choice, *job);
}

void TransferCommands::CloseOrTell(const std::shared_ptr<Job>& job) {
    if (frame_.close()) return;
    // Still open, so whatever the radio was left holding needs its box and its ways on.
    FollowChoice(TellOutcome(*job), *job);
}

void TransferCommands::FollowChoice(int choice, const Job& job) {
    const bool restorable = job.record && !job.record->restorePoint.empty();
    if (choice == 0 && job.restore) {
        RestoreBackup(job.backup);
    } else if (choice == 0) {
        OnWriteToRadio();
        writeAgain_ = true;
        if (dialog_) dialog_->accept();
    } else if (choice == 1 && restorable) {
        RestoreBackup(job.record->restorePoint);
    }
}

bool TransferCommands::AcceptInterruptedWrite(const InterruptedWrite& record) {
    ChoiceBox box{QString::fromStdString(InterruptedWriteNotice(record)),
                  QStringLiteral("Write the document into the radio now?"),
                  {QString::fromLatin1(kWriteAnywayText)}};
    if (!record.restorePoint.empty()) {
        box.detail = QStringLiteral("Write the document into the radio now, or first restore its memory?");
        box.buttons << QString::fromLatin1(kRestoreBackupText);
    }
    box.buttons << QString::fromLatin1(kCancelText);
    const int pressed = ShowChoice(box, dialog_ ? static_cast<QWidget*>(dialog_.data()) : &frame_);
    if (pressed == box.buttons.size() - 1) return false;
    if (pressed == 1) {
        restoring_ = record.restorePoint;
        if (dialog_) {
            dialog_->setWindowTitle(FromView(link::kWriteCaption) +
                                    QStringLiteral(" - restoring the backup"));
        }
    }
    return true;
}

void TransferCommands::RestoreBackup(const std::filesystem::path& backup) {
    OpenDialog(Direction::Write);
    if (!dialog_) return;
    restoring_ = backup;
    dialog_->setWindowTitle(FromView(link::kWriteCaption) + QStringLiteral(" - restoring the backup"));
    dialog_->accept();
}

int TransferCommands::TellOutcome(const Job& job) {
    if (job.direction == Direction::Compare) return -1;
    const OutcomeText told =
        job.direction == Direction::Read ? ReadOutcomeText(job.outcome) : WriteOutcomeText(job.write);
    // The status bar has it already (LogExchange); a port that did not open has had its box with the reason.
    if (!told.wentWrong || OpenFailed(job.outcome)) return -1;
    QStringList detail;
    if (!told.cause.empty()) detail << QStringLiteral("Cause: ") + QString::fromStdString(told.cause);
    if (job.write.status == SafeStatus::VerifyMismatch) {
        detail << QStringLiteral("Sent -> in the radio:");
        const std::vector<std::string> lines = DescribeDiff(job.write.mismatch);
        for (std::size_t i = 0; i < lines.size() && i < kDiffLinesShown; ++i) {
            detail << QStringLiteral("  ") + QString::fromStdString(lines[i]);
        }
        if (lines.size() > kDiffLinesShown) {
            detail << QStringLiteral("  ... and %1 more").arg(lines.size() - kDiffLinesShown);
        }
    }
    // The restore point is the memory from before the first attempt, whatever later attempts copied.
    const bool restorable = job.record && !job.record->restorePoint.empty();
    if (restorable) {
        detail << QString::fromStdString(RestorePointText(*job.record));
    } else if (!job.backup.empty()) {
        detail << QStringLiteral("The radio's memory from before the write is kept in %1")
                      .arg(QString::fromStdString(DisplayName(job.backup)));
    }
    ChoiceBox box{QString::fromStdString(told.line), detail.join(QLatin1Char('\n')), {}};
    // Only a radio left unsure has somewhere to go from here; the indices are fixed: 0 again, 1 restore.
    if (!told.radioUnsure) {
        box.buttons = {QString::fromLatin1(kCloseText)};
        (void)ShowChoice(box, &frame_);
        return -1;
    }
    box.buttons = {QString::fromLatin1(kWriteAgainText)};
    if (restorable) box.buttons << QString::fromLatin1(kRestoreBackupText);
    box.buttons << QString::fromLatin1(kCloseText);
    const int pressed = ShowChoice(box, &frame_);
    return pressed == box.buttons.size() - 1 ? -1 : pressed;
}

void TransferCommands::LogExchange(const Job& job) {
    TransferLogEntry entry;
    entry.time = job.started;
    entry.port = QString::fromStdString(job.port);
    if (!job.adapter.tty.empty() || job.adapter.pseudoTerminal)
        entry.adapter = QString::fromStdString(DescribeAdapter(job.adapter));
    entry.blocks = job.outcome.blocks;
    OutcomeText told = ReadOutcomeText(job.outcome);
    switch (job.direction) {
        case Direction::Read:
            entry.exchange = QStringLiteral("Read");
            break;
        case Direction::Compare:
            entry.exchange = QStringLiteral("Compare");
            if (told.line.starts_with("Read complete"))
                told.line = "Read complete: compared with the document.";
            break;
        case Direction::Write: {
            told = WriteOutcomeText(job.write);
            QStringList stages;
            if (job.options.backupDir) stages << QStringLiteral("Backup");
            stages << (job.restore ? QStringLiteral("Restore") : QStringLiteral("Write"));
            if (job.options.verify) stages << QStringLiteral("Verify");
            entry.exchange = stages.join(QStringLiteral(" + "));
            if (!job.write.backupPath.empty())
                entry.backup = QString::fromStdString(DisplayName(job.write.backupPath));
            if (job.record && !job.record->restorePoint.empty())
                entry.restorePoint = QString::fromStdString(DisplayName(job.record->restorePoint));
            break;
        }
    }
    entry.result = QString::fromStdString(told.line);
    entry.cause = QString::fromStdString(told.cause);
    frame_.Log().Add(entry);
    // The status bar keeps the outcome until the next one, with all of it in its tool tip.
    frame_.ShowOutcome(entry.result, DescribeEntry(entry));
}

void TransferCommands::ShowComparison(const Image& document, const Image& radio) {
    // Only what a write would send: the radio's last rows are never written, so they always differ.
    const ImageDiff diff = CompareImages(document, radio, kWrittenBytes);
    delete comparison_.data();
    auto* dialog = new CompareDialog(diff, &frame_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    comparison_ = dialog;
    dialog->show();
}

void TransferCommands::ShowAdapter(const AdapterInfo& adapter, bool afterTransfer) {
    // Nothing is known of a device that is not there; an older note would speak of another port.
    if (adapter.tty.empty() && !adapter.pseudoTerminal) {
        adapter_->hide();
        return;
    }
    // Before the port opens its latency is not ours yet; afterwards it is what the transfer had.
    const std::string text = afterTransfer ? DescribeAdapter(adapter) : AdapterName(adapter);
    const std::string advice = LatencyAdvice(adapter);
    adapter_->setText(QString::fromStdString(advice.empty() ? text : "Slow cable: " + text));
    adapter_->setToolTip(QString::fromStdString(advice.empty() ? "The device behind the port" : advice));
    adapter_->show();
}

void TransferCommands::ShowStatus(const QString& text) {
    frame_.statusBar()->showMessage(text);
}

void TransferCommands::DestroyDialog() {
    if (!dialog_) return;
    TransferDialog* dialog = dialog_.data();
    dialog_.clear();
    dialog->hide();
    dialog->deleteLater();
}

ChoiceBox TransferCommands::QuitQuestion() const {
    const QStringList running = {QString::fromLatin1(kQuitText), QString::fromLatin1(kKeepRunningText)};
    if (endedWhileAsking_) {
        const Job& job = *endedWhileAsking_;
        const OutcomeText told =
            job.direction == Direction::Read ? ReadOutcomeText(job.outcome) : WriteOutcomeText(job.write);
        return {QStringLiteral("The transfer has ended. ") + QString::fromStdString(told.line),
                QStringLiteral("Quit now?"),
                {QString::fromLatin1(kQuitNowText), QString::fromLatin1(kStayText)}};
    }
    QString text =
        QStringLiteral("A read from the radio is running. Quitting now cancels it; nothing changes.");
    if (job_ && job_->direction == Direction::Write) {
        // What quitting leaves behind depends on how far the write has come.
        switch (stage_) {
            case SafeStage::Backup:
                text = QStringLiteral(
                    "A write to the radio is running; it is still reading the radio for the backup. Quitting "
                    "now cancels it before anything is written: the radio is not changed.");
                break;
            case SafeStage::Write:
                text = QStringLiteral(
                    "A write to the radio is running. Quitting now cancels it and leaves the radio "
                    "half-written, holding a mix of old and new data.");
                break;
            case SafeStage::Verify:
                text = QStringLiteral(
                    "A write to the radio is running; the radio is fully written and is being read back to "
                    "verify. Quitting now cancels the check: the radio keeps what was sent, unverified.");
                break;
        }
    }
    return {text, QStringLiteral("Cancel the transfer and quit?"), running};
}

bool TransferCommands::AskToQuit() {
    // The transfer goes on while the question is open; the box follows it (OnStageStarted, OnTransferEnd).
    askingToQuit_ = true;
    const int answer =
        ShowChoice(QuitQuestion(), dialog_ ? static_cast<QWidget*>(dialog_.data()) : &frame_, &quitBox_);
    askingToQuit_ = false;
    return answer == 0;
}

bool TransferCommands::eventFilter(QObject* watched, QEvent* event) {
    // The quit question stays in charge until answered, even when the transfer ended meanwhile.
    if (watched != &frame_ || (!runner_->IsRunning() && !askingToQuit_))
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::DragEnter) {
        // The frame refuses a drop itself; say why.
        ShowStatus(QString::fromLatin1(kBusyText));
    } else if (event->type() == QEvent::Close) {
        event->ignore();
        if (quitAfterTransfer_ || askingToQuit_) return true;
        const bool quit = AskToQuit();
        const std::shared_ptr<Job> ended = std::exchange(endedWhileAsking_, nullptr);
        if (!quit) {
            if (ended) {
                Conclude(ended);
            } else {
                ShowStatus(QString::fromLatin1(kBusyText));
            }
        } else if (runner_->IsRunning()) {
            // Quit once the transfer has stopped at its next cancel point and let the port go.
            quitAfterTransfer_ = true;
            runner_->RequestCancel();
        } else if (ended) {
            emit TransferEnded(lastOutcome_);
            QTimer::singleShot(0, &frame_, [this, ended] { CloseOrTell(ended); });
        } else {
            QTimer::singleShot(0, &frame_, &QWidget::close);
        }
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void TransferCommands::OnCheckCable() {
    if (doctor_) {
        doctor_->raise();
        doctor_->activateWindow();
        return;
    }
    // The port is the transfer's while one runs; checking it then would only find it busy.
    if (runner_->IsRunning()) {
        ShowStatus(QString::fromLatin1(kBusyText));
        return;
    }
    doctor_ = new CableDoctorDialog(frame_.View()->Port(), trace_, &frame_);
    doctor_->setAttribute(Qt::WA_DeleteOnClose);
    doctor_->show();
}

CableDoctorDialog* TransferCommands::CableDoctor() const {
    return doctor_.data();
}

void TransferCommands::OnSaveTrace() {
    if (trace_->Text().empty()) {
        ShowMessage(
            Message{"No exchange with the radio has taken place yet: there is no serial trace to save.",
                    kAppTitle, Buttons::Ok, Icon::Information},
            &frame_);
        return;
    }
    const QString path = QFileDialog::getSaveFileName(&frame_, QStringLiteral("Save Serial Trace"),
                                                      QStringLiteral("serial-trace.txt"),
                                                      QStringLiteral("Text files (*.txt);;All files (*)"));
    if (!path.isEmpty()) SaveTrace(path);
}

bool TransferCommands::SaveTrace(const QString& path) {
    const std::string text = trace_->Text();
    const FileOutcome outcome =
        SaveFileAtomically(QFile::encodeName(path).toStdString(),
                           std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    if (!outcome.ok()) ShowMessage(Message{outcome.message, kAppTitle, Buttons::Ok, Icon::Warning}, &frame_);
    return outcome.ok();
}

void InstallSerialTraceItem(MainWindow& window) {
    auto* commands = TransferCommands::Of(window);
    if (!commands) return;
    for (QAction* top : window.menuBar()->actions()) {
        if (!top->menu() || top->text() != QStringLiteral("&Help")) continue;
        auto* save = new QAction(QStringLiteral("Save Serial &Trace..."), &window);
        save->setObjectName(QStringLiteral("actionSaveSerialTrace"));
        save->setStatusTip(
            QStringLiteral("Save every byte of the last exchange with the radio, for a report"));
        QObject::connect(save, &QAction::triggered, commands, &TransferCommands::OnSaveTrace);
        // Above the separator that sets About apart.
        QAction* before = nullptr;
        for (QAction* a : top->menu()->actions()) {
            if (a->isSeparator()) {
                before = a;
                break;
            }
        }
        top->menu()->insertAction(before, save);
    }
}

}  // namespace pm
