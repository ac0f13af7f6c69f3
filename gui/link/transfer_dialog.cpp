#include "gui/link/transfer_dialog.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

#include "core/link/link_texts.h"
#include "gui/common/dialog_units.h"

namespace pm {
namespace {

QString FromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

TransferDialog::TransferDialog(const QString& caption, QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("progressDialog"));
    setModal(false);
    setWindowTitle(caption);
    setFont(QFont(QStringLiteral("Times New Roman"), 10));
    const DialogUnits du(font());
    setFixedSize(du.X(260), du.Y(74));

    start_ = new QPushButton(QStringLiteral("Start"), this);
    start_->setObjectName(QStringLiteral("progressStart"));
    start_->setGeometry(du.Rect(7, 7, 32, 14));
    start_->setDefault(true);
    start_->setAutoDefault(true);
    connect(start_, &QPushButton::clicked, this, &TransferDialog::accept);

    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("progressCancel"));
    cancel_->setGeometry(du.Rect(194, 36, 39, 14));
    cancel_->setAutoDefault(false);
    connect(cancel_, &QPushButton::clicked, this, &TransferDialog::reject);

    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("progressBar"));
    bar_->setGeometry(du.Rect(7, 23, 226, 10));
    bar_->setRange(0, link::kProgressMax);
    bar_->setValue(0);
    bar_->setTextVisible(false);

    label_ = new QLabel(FromView(link::kProgressLabel), this);
    label_->setObjectName(QStringLiteral("progressLabel"));
    label_->setGeometry(du.Rect(7, 38, 47, 12));
    label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // The status line starts where the label's box still runs; it is drawn above it, as in the template.
    status_ = new QLabel(FromView(link::kStatusNotStarted), this);
    status_->setObjectName(QStringLiteral("progressStatus"));
    status_->setGeometry(du.Rect(48, 38, 142, 21));
    status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    status_->setWordWrap(true);
    status_->setTextFormat(Qt::PlainText);
    status_->raise();

    start_->setFocus();
}

QString TransferDialog::StatusText() const {
    return status_->text();
}

int TransferDialog::Pos() const {
    return bar_->value();
}

bool TransferDialog::StartEnabled() const {
    return start_->isEnabled();
}

void TransferDialog::SetStatusText(const QString& text) {
    status_->setText(text);
    emit StatusTextChanged(text);
}

void TransferDialog::SetPos(int position) {
    bar_->setValue(std::clamp(position, 0, link::kProgressMax));
}

void TransferDialog::CenterOver(const QWidget* widget) {
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

void TransferDialog::accept() {
    // A second Start (Enter held down, a double click) must not start a second transfer.
    if (!start_->isEnabled()) return;
    start_->setEnabled(false);
    emit StartRequested();
}

void TransferDialog::reject() {
    cancelPressed_ = true;
    emit CancelRequested();
    // While a transfer runs the window belongs to it: the transfer closes it at its next stop.
    if (start_->isEnabled()) QDialog::reject();
}

}  // namespace pm
