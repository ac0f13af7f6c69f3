// pm514rx: the desktop program.

#include <QApplication>

#include <cstdio>

#include "gui/app/command_line.h"
#include "gui/app/main_window.h"
#include "gui/app/screenshots.h"
#include "gui/app/application.h"
#include "gui/print/print_pdf_command.h"

namespace {

// For the start-up benchmark: says "shown" on stdout at the main window's first paint, then quits.
class QuitWhenShown : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            std::fputs("shown\n", stdout);
            std::fflush(stdout);
            watched->removeEventFilter(this);
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return false;
    }
};

}  // namespace

int main(int argc, char* argv[]) {
    // Before any application object: it makes its own offscreen one and needs no display.
    if (pm::IsPrintPdfCommand(argc, argv)) return pm::PrintPdfMain(argc, argv);
    QApplication application(argc, argv);
    const pm::CommandLine line = pm::ParseCommandLine(QApplication::arguments());
    if (line.exit) return line.exitCode;
    if (!line.screenshotsDir.isEmpty()) return pm::RenderScreenshots(line.screenshotsDir, line.file);

    pm::Application app;
    QuitWhenShown benchmark;
    if (!app.Start(line.file)) return 1;
    if (qEnvironmentVariableIsSet("PM514RX_QUIT_WHEN_SHOWN")) app.Window()->installEventFilter(&benchmark);
    return QApplication::exec();
}
