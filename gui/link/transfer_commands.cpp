#include "gui/link/transfer_commands.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>

#include <algorithm>
#include <string>

#include "core/image/image_diff.h"
#include "core/link/link_texts.h"
#include "core/link/posix_serial_port.h"
#include "core/link/transfer_session.h"
#include "core/safety/backup_store.h"
#include "core/safety/port_diagnosis.h"
#include "gui/app/commands.h"
#include "gui/app/main_window.h"
#include "gui/common/message_box.h"
#include "gui/app/recent_files.h"
#include "gui/app/channel_document.h"
#include "gui/editor/channel_grid.h"
#include "gui/editor/channel_view.h"
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

QString CompareCaption() {
    return QStringLiteral("Comparing With Radio");
}

QSettings Settings() {
    return QSettings(QString::fromLatin1(kSettingsOrganisation), FromView(kAppTitle));
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
};

TransferCommands::TransferCommands(MainWindow& frame) : QObject(&frame), frame_(frame) {
    setObjectName(QStringLiteral("transferCommands"));
    ports_ = std::make_unique<PortMenu>(frame);
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
    const QSettings settings = Settings();
    backup_ = program->addAction(QStringLiteral("Backup radio before writing"));
    backup_->setObjectName(QStringLiteral("actionBackupBeforeWriting"));
    backup_->setCheckable(true);
    backup_->setChecked(settings.value(QString::fromLatin1(kBackupKey), false).toBool());
    backup_->setStatusTip(QStringLiteral("Before writing, read the radio and keep its memory in %1")
                              .arg(QString::fromStdString(DefaultBackupDir().string())));
    verify_ = program->addAction(QStringLiteral("Verify after writing"));
    verify_->setObjectName(QStringLiteral("actionVerifyAfterWriting"));
    verify_->setCheckable(true);
    verify_->setChecked(settings.value(QString::fromLatin1(kVerifyKey), false).toBool());
    verify_->setStatusTip(
        QStringLiteral("After writing, read the radio back and compare it with what was sent"));
    for (const auto& [action, key] : {std::pair{backup_, kBackupKey}, std::pair{verify_, kVerifyKey}}) {
        const QString name = QString::fromLatin1(key);
        connect(action, &QAction::toggled, this, [name](bool on) { Settings().setValue(name, on); });
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
    direction_ = Direction::Read;
    OpenDialog(FromView(link::kReadCaption));
}

void TransferCommands::OnWriteToRadio() {
    direction_ = Direction::Write;
    OpenDialog(FromView(link::kWriteCaption));
}

void TransferCommands::OnCompareWithRadio() {
    direction_ = Direction::Compare;
    OpenDialog(CompareCaption());
}

void TransferCommands::OpenDialog(const QString& caption) {
    // An open window keeps its caption and its state; only the direction changed. A running transfer
    // keeps the direction it began with.
    if (dialog_) return;
    auto* dialog = new TransferDialog(caption, &frame_);
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
    job_ = std::make_shared<Job>();
    job_->direction = direction_;
    job_->port = view.Port().toStdString();
    switch (direction_) {
        case Direction::Read:
            job_->image = frame_.Document().MemoryImage();
            break;
        case Direction::Write:
            view.EncodeImage();
            job_->image = frame_.Document().MemoryImage();
            if (backup_ && backup_->isChecked()) job_->options.backupDir = DefaultBackupDir();
            job_->options.verify = verify_ && verify_->isChecked();
            break;
        case Direction::Compare:
            // Read aside, never into the document.
            job_->image = NewDocumentImage();
            job_->document = view.EncodedImage();
            break;
    }
    frame_.SetTransferRunning(true);
    runner_->Start([job = job_](SafeWriteHost& host) {
        PosixSerialPort port;
        if (job->direction == Direction::Write) {
            job->write = SafeWrite(port, job->port, host, job->image, job->options);
            job->outcome = job->write.link;
            return;
        }
        job->outcome = TransferSession(port, job->port, host).Read(job->image);
    });
}

void TransferCommands::OnStageStarted(SafeStage stage) {
    if (!dialog_ || !job_ || (!job_->options.backupDir && !job_->options.verify)) return;
    // Each exchange of a safe write counts its blocks afresh; the caption says which one runs.
    dialog_->SetPos(0);
    QString caption = FromView(link::kWriteCaption);
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
    const bool complete = job->outcome.result == LinkResult::Done;
    if (job->direction == Direction::Read && complete) {
        frame_.Document().MemoryImage() = job->image;
        frame_.View()->DecodeImage();
    }
    frame_.SetTransferRunning(false);
    if (job->direction == Direction::Write) {
        lastWrite_ = job->write;
        ReportWrite(job->write, job->options);
    }
    if (job->direction == Direction::Compare && complete) ShowComparison(job->document, job->image);
    emit TransferEnded(lastOutcome_);
}

void TransferCommands::ReportWrite(const SafeWriteOutcome& o, const SafeWriteOptions& options) {
    // A plain write says nothing beyond the link's own messages; backup and verify were asked for and
    // report what they found.
    if (!options.backupDir && !options.verify) return;
    const QString backup = o.backupPath.empty() ? QString()
                                                : QStringLiteral("The radio's previous memory is kept in %1")
                                                      .arg(QString::fromStdString(o.backupPath.string()));
    auto tell = [this](const std::string& text, Icon icon, const QString& detail) {
        ShowLinkMessage(Message{text, kAppTitle, Buttons::Ok, icon}, detail, &frame_);
    };
    switch (o.status) {
        case SafeStatus::Done:
            tell(o.stage == SafeStage::Verify ? "The radio was written and verified: it holds what was sent."
                                              : "The radio was written.",
                 Icon::Information, backup);
            return;
        case SafeStatus::BackupFailed:
            if (!o.error.empty()) {
                // The folder failed, not the radio: nothing of the link has said so yet.
                tell("The radio's memory could not be backed up, so nothing was written to the radio.",
                     Icon::Warning, QString::fromStdString(o.error));
            } else {
                ShowStatus(QStringLiteral("No backup of the radio, so nothing was written to it."));
            }
            return;
        case SafeStatus::WriteFailed:
        case SafeStatus::Cancelled:
            if (o.stage == SafeStage::Verify) {
                ShowStatus(QStringLiteral("The radio was written; the check was cancelled."));
            } else if (!backup.isEmpty() && o.HalfWritten()) {
                // The way back for a half-written radio.
                tell("The radio may hold part of the new memory.", Icon::Warning, backup);
            }
            return;
        case SafeStatus::VerifyIncomplete:
            tell("The radio was written, but reading it back did not complete: it is not verified.",
                 Icon::Warning, backup);
            return;
        case SafeStatus::VerifyMismatch: {
            QStringList detail{QStringLiteral("Sent -> in the radio:")};
            const std::vector<std::string> lines = DescribeDiff(o.mismatch);
            for (std::size_t i = 0; i < lines.size() && i < kDiffLinesShown; ++i) {
                detail << QStringLiteral("  ") + QString::fromStdString(lines[i]);
            }
            if (lines.size() > kDiffLinesShown) {
                detail << QStringLiteral("  ... and %1 more").arg(lines.size() - kDiffLinesShown);
            }
            if (!backup.isEmpty()) detail << backup;
            tell("Verify failed: the radio holds other data than was sent in " +
                     DescribeMismatch(o.mismatchBytes) + ".",
                 Icon::Warning, detail.join(QLatin1Char('\n')));
            return;
        }
    }
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

bool TransferCommands::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &frame_ && runner_->IsRunning() &&
        (event->type() == QEvent::Close || event->type() == QEvent::DragEnter)) {
        // The frame refuses these itself; say why.
        ShowStatus(QString::fromLatin1(kBusyText));
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace pm
