#include "gui/app/about_dialog.h"

#include <QLabel>
#include <QPushButton>

#include "gui/common/resources.h"
#include "gui/common/dialog_units.h"

namespace pm {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    EnsureAppResources();
    setWindowTitle(QStringLiteral("About ARVOS"));
    setFont(QFont(QStringLiteral("Times New Roman"), 10));
    const DialogUnits du(font());
    setFixedSize(du.X(222), du.Y(77));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    icon->setPixmap(AppIcon(QStringLiteral("pm514rx")).pixmap(32, 32));
    icon->setGeometry(du.X(16), du.Y(24), 32, 32);

    auto* name = new QLabel(QStringLiteral("ARVOS Communication Software-1.6"), this);
    name->setObjectName(QStringLiteral("aboutName"));
    name->setGeometry(du.Rect(40, 10, 125, 14));

    auto* notice = new QLabel(NoticeText(), this);
    notice->setObjectName(QStringLiteral("aboutNotice"));
    notice->setWordWrap(true);
    notice->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    notice->setGeometry(du.Rect(46, 25, 158, 39));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    ok->setGeometry(du.Rect(165, 7, 50, 14));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

QString AboutDialog::NoticeText() {
    return QStringLiteral("PM-514RX programming software for Linux, version %1.")
        .arg(QStringLiteral(PM514RX_VERSION));
}

}  // namespace pm
