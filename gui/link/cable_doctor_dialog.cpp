#include "gui/link/cable_doctor_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/image/file_access.h"
#include "core/link/posix_serial_port.h"
#include "core/link/traced_port.h"

namespace pm {

CableDoctorDialog::CableDoctorDialog(const QString& port, std::shared_ptr<SerialTrace> trace, QWidget* parent)
    : QDialog(parent), port_(port), trace_(std::move(trace)) {
    setObjectName(QStringLiteral("cableDoctorDialog"));
    setWindowTitle(QStringLiteral("Check Cable"));
    auto* layout = new QVBoxLayout(this);
    summary_ = new QLabel(this);
    summary_->setWordWrap(true);
    summary_->setTextFormat(Qt::PlainText);
    layout->addWidget(summary_);
    lines_ = new QPlainTextEdit(this);
    lines_->setReadOnly(true);
    lines_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    lines_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    lines_->setMinimumSize(720, 300);
    layout->addWidget(lines_);
    loopback_ = new QCheckBox(
        QStringLiteral("&Loopback: transmit and receive are joined at the radio end (see the user guide)"),
        this);
    layout->addWidget(loopback_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    check_ = buttons->addButton(QStringLiteral("&Check Again"), QDialogButtonBox::ActionRole);
    connect(check_, &QPushButton::clicked, this, &CableDoctorDialog::Check);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

CableDoctorDialog::~CableDoctorDialog() {
    if (worker_.joinable()) worker_.join();
}

void CableDoctorDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!started_) {
        started_ = true;
        Check();
    }
}

void CableDoctorDialog::Check() {
    if (!done_) return;
    if (worker_.joinable()) worker_.join();
    done_ = false;
    check_->setEnabled(false);
    summary_->setText(QStringLiteral("Checking %1...").arg(port_));
    lines_->clear();
    const DoctorRequest request{QFile::encodeName(port_).toStdString(), loopback_->isChecked()};
    QPointer<CableDoctorDialog> self(this);
    worker_ = std::thread([this, self, request, trace = trace_] {
        trace->Clear();
        PosixSerialPort serial;
        TracedPort port(serial, *trace);
        DoctorReport report = RunCableDoctor(port, request, LocalEnvironment());
        // The dialog joins this thread before it goes, so it is still there to be queued to.
        QMetaObject::invokeMethod(
            this,
            [self, report = std::move(report)] {
                if (self) self->Show(report);
            },
            Qt::QueuedConnection);
    });
}

void CableDoctorDialog::Show(const DoctorReport& report) {
    report_ = report;
    done_ = true;
    check_->setEnabled(true);
    QString text;
    for (const auto& line : report.lines)
        text += QString::fromStdString(FormatDoctorLine(line)) + QLatin1Char('\n');
    lines_->setPlainText(text);
    const QString port = QString::fromStdString(EscapeControls(QFile::encodeName(port_).toStdString()));
    QString summary;
    switch (report.ExitCode()) {
        case 0:
            summary = report.loopbackIntact ? QStringLiteral("The cable carries bytes on %1.")
                                            : QStringLiteral("The radio answers on %1.");
            break;
        case 3:
            summary = QStringLiteral("%1 could not be opened: see the lines below.");
            break;
        default:
            summary = QStringLiteral("The radio did not answer properly on %1: see the lines below.");
            break;
    }
    summary_->setText(summary.arg(port));
    emit Checked();
}

QString CableDoctorDialog::Text() const {
    return lines_->toPlainText();
}

}  // namespace pm
