#include "gui/link/transfer_screenshots.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>

#include <cstdio>

#include "gui/app/commands.h"
#include "gui/app/main_window.h"
#include "gui/link/port_menu.h"
#include "gui/link/transfer_dialog.h"
#include "gui/link/transfer_commands.h"

namespace pm {
namespace {

bool SavePixmap(const QPixmap& shot, const QDir& dir, const QString& name) {
    const QString path = dir.filePath(name);
    if (!shot.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// The frame with another top-level window (dialog, menu) painted where it stands over it.
QPixmap FrameWith(QWidget& frame, QWidget& window) {
    QApplication::processEvents();
    QPixmap shot = frame.grab();
    QPainter painter(&shot);
    painter.drawPixmap(frame.mapFromGlobal(window.mapToGlobal(QPoint(0, 0))), window.grab());
    return shot;
}

// Serves the event loop until done() or the time is up.
template <typename Done>
bool WaitFor(Done done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

}  // namespace

bool RenderTransferScreenshots(MainWindow& frame, const QDir& dir) {
    TransferCommands* commands = TransferCommands::Of(frame);
    if (!commands || !commands->Ports().SelectVirtualRadio()) return false;
    bool ok = true;

    frame.Action(Command::ReadFromRadio)->trigger();
    TransferDialog* dialog = commands->Dialog();
    if (!dialog) return false;
    ok = SavePixmap(dialog->grab(), dir, QStringLiteral("progress-ready.png")) && ok;
    dialog->accept();
    if (WaitFor([dialog] { return dialog->Pos() >= 100; }, 20000)) {
        ok = SavePixmap(dialog->grab(), dir, QStringLiteral("progress-read.png")) && ok;
        ok = SavePixmap(FrameWith(frame, *dialog), dir, QStringLiteral("main-progress.png")) && ok;
    } else {
        std::fprintf(stderr, "the read from the virtual radio did not get to block 100\n");
        ok = false;
    }
    if (commands->Dialog()) commands->Dialog()->reject();
    if (!WaitFor([commands] { return !commands->IsRunning(); }, 10000)) return false;

    QMenu* menu = frame.PortMenu();
    QMenuBar* bar = frame.menuBar();
    const QRect item = bar->actionGeometry(menu->menuAction());
    menu->popup(bar->mapToGlobal(item.bottomLeft()));
    WaitFor([menu] { return menu->isVisible(); }, 2000);
    ok = SavePixmap(FrameWith(frame, *menu), dir, QStringLiteral("port-menu.png")) && ok;
    menu->hide();
    return ok;
}

}  // namespace pm
