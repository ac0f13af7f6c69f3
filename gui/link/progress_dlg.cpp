#include "gui/link/progress_dlg.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

#include "core/link/link_texts.h"
#include "gui/editor/dialog_units.h"

namespace pm {
namespace {

QString FromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CProgressDlg::CProgressDlg(const QString& caption, QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("progressDialog"));
    setModal(false);
    setWindowTitle(caption);
    setFont(QFont(QStringLiteral("Times New Roman"), 10));
    const DialogUnits du(font());
    setFixedSize(du.X(260), du.Y(74));

    m_start = new QPushButton(QStringLiteral("Start"), this);
    m_start->setObjectName(QStringLiteral("progressStart"));
    m_start->setGeometry(du.Rect(7, 7, 32, 14));
    m_start->setDefault(true);
    m_start->setAutoDefault(true);
    connect(m_start, &QPushButton::clicked, this, &CProgressDlg::accept);

    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("progressCancel"));
    m_cancel->setGeometry(du.Rect(194, 36, 39, 14));
    m_cancel->setAutoDefault(false);
    connect(m_cancel, &QPushButton::clicked, this, &CProgressDlg::reject);

    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("progressBar"));
    m_bar->setGeometry(du.Rect(7, 23, 226, 10));
    m_bar->setRange(0, link::kProgressMax);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);

    m_label = new QLabel(FromView(link::kProgressLabel), this);
    m_label->setObjectName(QStringLiteral("progressLabel"));
    m_label->setGeometry(du.Rect(7, 38, 47, 12));
    m_label->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // The status line starts where the label's box still runs; it is drawn above it, as in the template.
    m_status = new QLabel(FromView(link::kStatusNotStarted), this);
    m_status->setObjectName(QStringLiteral("progressStatus"));
    m_status->setGeometry(du.Rect(48, 38, 142, 21));
    m_status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_status->setWordWrap(true);
    m_status->setTextFormat(Qt::PlainText);
    m_status->raise();

    m_start->setFocus();
}

QWidget* CProgressDlg::Control(int id) const {
    switch (id) {
        case kStart:
            return m_start;
        case kCancel:
            return m_cancel;
        case kProgressBar:
            return m_bar;
        case kLabel:
            return m_label;
        case kStatus:
            return m_status;
        default:
            return nullptr;
    }
}

QString CProgressDlg::StatusText() const {
    return m_status->text();
}

int CProgressDlg::Pos() const {
    return m_bar->value();
}

bool CProgressDlg::StartEnabled() const {
    return m_start->isEnabled();
}

void CProgressDlg::SetStatusText(const QString& text) {
    m_status->setText(text);
    emit StatusTextChanged(text);
}

void CProgressDlg::SetPos(int position) {
    m_bar->setValue(std::clamp(position, 0, link::kProgressMax));
}

void CProgressDlg::CenterOver(const QWidget* widget) {
    if (!widget) return;
    const QPoint centre = widget->mapToGlobal(widget->rect().center());
    QRect frame(QPoint(0, 0), size());
    frame.moveCenter(centre);
    if (const QScreen* screen = widget->screen()) {
        const QRect room = screen->availableGeometry();
        frame.moveLeft(
            std::clamp(frame.left(), room.left(), std::max(room.left(), room.right() - frame.width())));
        frame.moveTop(
            std::clamp(frame.top(), room.top(), std::max(room.top(), room.bottom() - frame.height())));
    }
    move(frame.topLeft());
}

void CProgressDlg::accept() {
    // A second Start (Enter held down, a double click) must not start a second transfer.
    if (!m_start->isEnabled()) return;
    m_start->setEnabled(false);
    emit StartRequested();
}

void CProgressDlg::reject() {
    m_bCancel = true;
    emit CancelRequested();
    // While a transfer runs the window belongs to it: the transfer closes it at its next stop.
    if (m_start->isEnabled()) QDialog::reject();
}

}  // namespace pm
