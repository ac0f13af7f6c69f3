#include "gui/app/help.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QUrl>

#include <string>

#include "gui/app/main_window.h"
#include "gui/common/message_box.h"

namespace pm {

QString UserGuidePath() {
    // A package puts the guide under <prefix>/share/doc; a build runs it from the source tree.
    const QString installed = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                              QStringLiteral("/../share/doc/pm514rx/guide/index.html"));
    for (const QString& path : {installed, QStringLiteral(PM514RX_GUIDE_SOURCE "/index.html")}) {
        if (QFileInfo(path).isFile()) return path;
    }
    return {};
}

bool OpenUserGuide(QWidget* parent) {
    const QString path = UserGuidePath();
    if (!path.isEmpty() && QDesktopServices::openUrl(QUrl::fromLocalFile(path))) return true;
    const std::string text =
        path.isEmpty()
            ? std::string(
                  "The user guide is not installed. It belongs in share/doc/pm514rx/guide beside the "
                  "program's folder.")
            : "No web browser could open the user guide:\n" + QDir::toNativeSeparators(path).toStdString();
    ShowMessage(Message{text, kAppTitle, Buttons::Ok, Icon::Warning}, parent);
    return false;
}

void InstallHelpMenu(MainWindow& window) {
    QMenu* help = window.menuBar()->addMenu(QStringLiteral("&Help"));
    auto* guide = new QAction(QStringLiteral("&User Guide\tF1"), &window);
    guide->setObjectName(QStringLiteral("actionHelpUserGuide"));
    guide->setStatusTip(QStringLiteral("Open the user guide in a web browser"));
    guide->setShortcut(QKeySequence(Qt::Key_F1));
    QObject::connect(guide, &QAction::triggered, &window, [&window] { OpenUserGuide(&window); });
    help->addAction(guide);
    help->addSeparator();
    // The toolbar's About command, in the menu as well.
    help->addAction(window.Action(Command::AppAbout));
}

}  // namespace pm
