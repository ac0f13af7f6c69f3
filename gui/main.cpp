// pm514rx: the desktop program.

#include <QApplication>
#include <QCoreApplication>

#include "gui/app/application.h"
#include "gui/app/command_line.h"
#include "gui/desktop.h"
#include "gui/print/print_pdf_command.h"

int main(int argc, char* argv[]) {
    // Before any application object: it makes its own offscreen one and needs no display.
    if (pm::IsPrintPdfCommand(argc, argv)) return pm::PrintPdfMain(argc, argv);
    // --help and --version print and exit, so they need no window system either.
    if (pm::AsksOnlyForText(argc, argv)) {
        QCoreApplication core(argc, argv);
        return pm::ParseCommandLine(QCoreApplication::arguments()).exitCode;
    }
    QApplication application(argc, argv);
    const pm::CommandLine line = pm::ParseCommandLine(QApplication::arguments());
    if (line.exit) return line.exitCode;

    pm::Application app;
    if (!app.Start(line.file, pm::InstallFeatures)) return 1;
    return QApplication::exec();
}
