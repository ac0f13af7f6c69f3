// pm514rx: the desktop program.

#include <QApplication>

#include "gui/app/application.h"
#include "gui/app/command_line.h"
#include "gui/desktop.h"
#include "gui/print/print_pdf_command.h"

int main(int argc, char* argv[]) {
    // Before any application object: it makes its own offscreen one and needs no display.
    if (pm::IsPrintPdfCommand(argc, argv)) return pm::PrintPdfMain(argc, argv);
    QApplication application(argc, argv);
    const pm::CommandLine line = pm::ParseCommandLine(QApplication::arguments());
    if (line.exit) return line.exitCode;

    pm::Application app;
    if (!app.Start(line.file, pm::InstallFeatures)) return 1;
    return QApplication::exec();
}
