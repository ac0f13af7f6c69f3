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
#include "gui/app/main_frame.h"
#include "gui/app/message_box.h"
#include "gui/app/recent_files.h"
#include "gui/app/tovar_doc.h"
#include "gui/editor/channel_grid.h"
#include "gui/editor/tovar_view.h"
#include "gui/link/compare_dialog.h"
#include "gui/link/link_message.h"
#include "gui/link/port_menu.h"
#include "gui/link/progress_dlg.h"
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

TransferCommands::TransferCommands(CMainFrame& frame) : QObject(&frame), m_frame(frame) {
    setObjectName(QStringLiteral("transferCommands"));
    m_ports = std::make_unique<PortMenu>(frame);
    m_runner = std::make_unique<TransferRunner>(&frame, [this](const Message& message) {
        // Shown after the transfer, with the reason under it, once the outcome knows the reason.
        if (message == link::kOpenFailed) return Answer::Ok;
        // Questions stand over the progress dialog while it is there.
        QWidget* over = m_pProgressDlg ? static_cast<QWidget*>(m_pProgressDlg.data()) : &m_frame;
        return ShowMessage(message, over);
    });
    connect(m_runner.get(), &TransferRunner::StatusChanged, this, [this](const QString& text) {
        if (m_pProgressDlg) m_pProgressDlg->SetStatusText(text);
    });
    connect(m_runner.get(), &TransferRunner::ProgressChanged, this, [this](int position) {
        if (m_pProgressDlg) m_pProgressDlg->SetPos(position);
    });
    connect(m_runner.get(), &TransferRunner::StageStarted, this, &TransferCommands::OnStageStarted);
    connect(m_runner.get(), &TransferRunner::Finished, this, &TransferCommands::OnTransferEnd);
    connect(&frame, &CMainFrame::ReadFromRadioRequested, this, &TransferCommands::OnReadFromRadio);
    connect(&frame, &CMainFrame::WriteToRadioRequested, this, &TransferCommands::OnWriteToRadio);
    AddSafetyItems();
    frame.installEventFilter(this);
}

TransferCommands::~TransferCommands() {
    m_frame.removeEventFilter(this);
    // The runner first: it cancels and joins the worker while the virtual radio still serves.
    m_runner.reset();
    delete m_pProgressDlg.data();
    delete m_comparison.data();
}

void TransferCommands::AddSafetyItems() {
    QMenu* program = nullptr;
    for (QAction* top : m_frame.menuBar()->actions()) {
        if (top->menu() && top->menu()->actions().contains(m_frame.Action(cmd::kWriteToRadio)))
            program = top->menu();
    }
    if (!program) return;
    program->addSeparator();
    const QSettings settings = Settings();
    m_backup = program->addAction(QStringLiteral("Backup radio before writing"));
    m_backup->setObjectName(QStringLiteral("actionBackupBeforeWriting"));
    m_backup->setCheckable(true);
    m_backup->setChecked(settings.value(QString::fromLatin1(kBackupKey), false).toBool());
    m_backup->setStatusTip(QStringLiteral("Before writing, read the radio and keep its memory in %1")
                               .arg(QString::fromStdString(DefaultBackupDir().string())));
    m_verify = program->addAction(QStringLiteral("Verify after writing"));
    m_verify->setObjectName(QStringLiteral("actionVerifyAfterWriting"));
    m_verify->setCheckable(true);
    m_verify->setChecked(settings.value(QString::fromLatin1(kVerifyKey), false).toBool());
    m_verify->setStatusTip(
        QStringLiteral("After writing, read the radio back and compare it with what was sent"));
    for (const auto& [action, key] : {std::pair{m_backup, kBackupKey}, std::pair{m_verify, kVerifyKey}}) {
        const QString name = QString::fromLatin1(key);
        connect(action, &QAction::toggled, this, [name](bool on) { Settings().setValue(name, on); });
    }
    program->addSeparator();
    m_compare = program->addAction(QStringLiteral("Compare With Radio..."));
    m_compare->setObjectName(QStringLiteral("actionCompareWithRadio"));
    m_compare->setStatusTip(QStringLiteral("Read the radio and list how it differs from the document"));
    connect(m_compare, &QAction::triggered, this, [this] {
        m_frame.GetActiveView()->CommitCellEdit();
        OnCompareWithRadio();
    });
}

TransferCommands* TransferCommands::Of(const CMainFrame& frame) {
    return frame.findChild<TransferCommands*>(QStringLiteral("transferCommands"), Qt::FindDirectChildrenOnly);
}

CProgressDlg* TransferCommands::Dialog() const {
    return m_pProgressDlg.data();
}

CompareDialog* TransferCommands::Comparison() const {
    return m_comparison.data();
}

bool TransferCommands::IsRunning() const {
    return m_runner->IsRunning();
}

void TransferCommands::OnReadFromRadio() {
    m_direction = Direction::Read;
    OpenDialog(FromView(link::kReadCaption));
}

void TransferCommands::OnWriteToRadio() {
    m_direction = Direction::Write;
    OpenDialog(FromView(link::kWriteCaption));
}

void TransferCommands::OnCompareWithRadio() {
    m_direction = Direction::Compare;
    OpenDialog(CompareCaption());
}

void TransferCommands::OpenDialog(const QString& caption) {
    // An open window keeps its caption and its state; only the direction changed. A running transfer
    // keeps the direction it began with.
    if (m_pProgressDlg) return;
    auto* dialog = new CProgressDlg(caption, &m_frame);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &CProgressDlg::StartRequested, this, &TransferCommands::OnTransfer, Qt::QueuedConnection);
    connect(dialog, &CProgressDlg::CancelRequested, this, [this] {
        if (m_runner->IsRunning()) m_runner->RequestCancel();
    });
    m_pProgressDlg = dialog;
    dialog->show();
    dialog->CenterOver(&m_frame.GetActiveView()->Grid());
}

void TransferCommands::OnTransfer() {
    if (!m_pProgressDlg || m_runner->IsRunning()) return;
    CTovarView& view = *m_frame.GetActiveView();
    // Whatever was typed since the command belongs to what is sent, as it does to what is saved.
    view.CommitCellEdit();
    // A check's message box keeps the window serving: Cancel may have been pressed behind it.
    if (!m_pProgressDlg || m_pProgressDlg->CancelPressed()) {
        DestroyDialog();
        return;
    }
    m_job = std::make_shared<Job>();
    m_job->direction = m_direction;
    m_job->port = view.m_strPort.toStdString();
    switch (m_direction) {
        case Direction::Read:
            m_job->image = m_frame.GetDocument().m_image;
            break;
        case Direction::Write:
            view.EncodeImage();
            m_job->image = m_frame.GetDocument().m_image;
            if (m_backup && m_backup->isChecked()) m_job->options.backupDir = DefaultBackupDir();
            m_job->options.verify = m_verify && m_verify->isChecked();
            break;
        case Direction::Compare:
            // Read aside, never into the document.
            m_job->image = NewDocumentImage();
            m_job->document = view.EncodedImage();
            break;
    }
    m_frame.SetTransferRunning(true);
    m_runner->Start([job = m_job](SafeWriteHost& host) {
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
    if (!m_pProgressDlg || !m_job || (!m_job->options.backupDir && !m_job->options.verify)) return;
    // Each exchange of a safe write counts its blocks afresh; the caption says which one runs.
    m_pProgressDlg->SetPos(0);
    QString caption = FromView(link::kWriteCaption);
    if (stage == SafeStage::Backup) caption += QStringLiteral(" - reading the radio for the backup");
    if (stage == SafeStage::Verify) caption += QStringLiteral(" - reading the radio back to verify");
    m_pProgressDlg->setWindowTitle(caption);
}

void TransferCommands::OnTransferEnd() {
    const std::shared_ptr<Job> job = std::exchange(m_job, nullptr);
    if (!job) return;
    m_lastOutcome = job->outcome;
    if (OpenFailed(job->outcome)) {
        ShowLinkMessage(link::kOpenFailed, QString::fromStdString(OpenFailureHelp(job->outcome)),
                        m_pProgressDlg ? static_cast<QWidget*>(m_pProgressDlg.data()) : &m_frame);
    }
    DestroyDialog();
    const bool complete = job->outcome.result == LinkResult::Done;
    if (job->direction == Direction::Read && complete) {
        m_frame.GetDocument().m_image = job->image;
        m_frame.GetActiveView()->DecodeImage();
    }
    m_frame.SetTransferRunning(false);
    if (job->direction == Direction::Write) {
        m_lastWrite = job->write;
        ReportWrite(job->write, job->options);
    }
    if (job->direction == Direction::Compare && complete) ShowComparison(job->document, job->image);
    emit TransferEnded(m_lastOutcome);
}

void TransferCommands::ReportWrite(const SafeWriteOutcome& o, const SafeWriteOptions& options) {
    // A plain write says nothing beyond the link's own messages; backup and verify were asked for and
    // report what they found.
    if (!options.backupDir && !options.verify) return;
    const QString backup = o.backupPath.empty() ? QString()
                                                : QStringLiteral("The radio's previous memory is kept in %1")
                                                      .arg(QString::fromStdString(o.backupPath.string()));
    auto tell = [this](const std::string& text, Icon icon, const QString& detail) {
        ShowLinkMessage(Message{text, kAppTitle, Buttons::Ok, icon}, detail, &m_frame);
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
    delete m_comparison.data();
    auto* dialog = new CompareDialog(diff, &m_frame);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_comparison = dialog;
    dialog->show();
}

void TransferCommands::ShowStatus(const QString& text) {
    m_frame.statusBar()->showMessage(text);
}

void TransferCommands::DestroyDialog() {
    if (!m_pProgressDlg) return;
    CProgressDlg* dialog = m_pProgressDlg.data();
    m_pProgressDlg.clear();
    dialog->hide();
    dialog->deleteLater();
}

bool TransferCommands::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_frame && m_runner->IsRunning() &&
        (event->type() == QEvent::Close || event->type() == QEvent::DragEnter)) {
        // The frame refuses these itself; say why.
        ShowStatus(QString::fromLatin1(kBusyText));
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace pm
