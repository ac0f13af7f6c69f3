#include "gui/link/transfer_commands.h"

#include <QEvent>
#include <QStatusBar>

#include <string>

#include "core/link/link_texts.h"
#include "core/link/posix_serial_port.h"
#include "core/link/transfer_session.h"
#include "gui/app/main_frame.h"
#include "gui/app/message_box.h"
#include "gui/app/tovar_doc.h"
#include "gui/editor/channel_grid.h"
#include "gui/editor/tovar_view.h"
#include "gui/link/port_menu.h"
#include "gui/link/progress_dlg.h"
#include "gui/link/transfer_runner.h"

namespace pm {
namespace {

QString FromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

// One transfer: what the worker needs, and what it leaves for the UI thread when it returns.
struct TransferCommands::Job {
    bool write = false;
    std::string port;
    Image image{};  // write: what is sent; read: the document's image, replaced by the radio's when complete
    LinkOutcome outcome;
};

TransferCommands::TransferCommands(CMainFrame& frame) : QObject(&frame), m_frame(frame) {
    setObjectName(QStringLiteral("transferCommands"));
    m_ports = std::make_unique<PortMenu>(frame);
    // Questions stand over the progress dialog while it is there.
    m_runner = std::make_unique<TransferRunner>(&frame, [this](const Message& message) {
        QWidget* over = m_pProgressDlg ? static_cast<QWidget*>(m_pProgressDlg.data()) : &m_frame;
        return ShowMessage(message, over);
    });
    connect(m_runner.get(), &TransferRunner::StatusChanged, this, [this](const QString& text) {
        if (m_pProgressDlg) m_pProgressDlg->SetStatusText(text);
    });
    connect(m_runner.get(), &TransferRunner::ProgressChanged, this, [this](int position) {
        if (m_pProgressDlg) m_pProgressDlg->SetPos(position);
    });
    connect(m_runner.get(), &TransferRunner::Finished, this, &TransferCommands::OnTransferEnd);
    connect(&frame, &CMainFrame::ReadFromRadioRequested, this, &TransferCommands::OnReadFromRadio);
    connect(&frame, &CMainFrame::WriteToRadioRequested, this, &TransferCommands::OnWriteToRadio);
    frame.installEventFilter(this);
}

TransferCommands::~TransferCommands() {
    m_frame.removeEventFilter(this);
    // The runner first: it cancels and joins the worker while the virtual radio still serves.
    m_runner.reset();
    delete m_pProgressDlg.data();
}

TransferCommands* TransferCommands::Of(const CMainFrame& frame) {
    return frame.findChild<TransferCommands*>(QStringLiteral("transferCommands"), Qt::FindDirectChildrenOnly);
}

CProgressDlg* TransferCommands::Dialog() const {
    return m_pProgressDlg.data();
}

bool TransferCommands::IsRunning() const {
    return m_runner->IsRunning();
}

void TransferCommands::OnReadFromRadio() {
    m_bWrite = false;
    OpenDialog(FromView(link::kReadCaption));
}

void TransferCommands::OnWriteToRadio() {
    m_bWrite = true;
    OpenDialog(FromView(link::kWriteCaption));
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
    m_job = std::make_shared<Job>();
    m_job->write = m_bWrite;
    m_job->port = view.m_strPort.toStdString();
    if (m_bWrite) view.EncodeImage();
    m_job->image = m_frame.GetDocument().m_image;
    m_frame.SetTransferRunning(true);
    m_runner->Start([job = m_job](SessionHost& host) {
        PosixSerialPort port;
        TransferSession session(port, job->port, host);
        job->outcome = job->write ? session.Write(job->image) : session.Read(job->image);
    });
}

void TransferCommands::OnTransferEnd() {
    const std::shared_ptr<Job> job = std::exchange(m_job, nullptr);
    if (!job) return;
    m_lastOutcome = job->outcome;
    DestroyDialog();
    if (!job->write && job->outcome.result == LinkResult::Done) {
        m_frame.GetDocument().m_image = job->image;
        m_frame.GetActiveView()->DecodeImage();
    }
    m_frame.SetTransferRunning(false);
    emit TransferEnded(m_lastOutcome);
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
        m_frame.statusBar()->showMessage(QString::fromLatin1(kBusyText));
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace pm
