// pm514rx: the desktop program.

#include <QApplication>
#include <QCoreApplication>

#include "gui/app/application.h"
#include "gui/app/command_line.h"
#include "gui/common/file_names.h"
#include "gui/desktop.h"
#include "gui/print/print_pdf_command.h"

int main(int argc, char* argv[]) {
    // Before any application object: it makes its own offscreen one and needs no display.
    if (pm::IsPrintPdfCommand(argc, argv)) return pm::PrintPdfMain(argc, argv);
    // --help, --version and a usage error print and exit, so they need no window system either.
    if (pm::AsksOnlyForText(argc, argv)) {
        QCoreApplication core(argc, argv);
        return pm::ParseCommandLine(pm::WithoutQtOptions(QCoreApplication::arguments())).exitCode;
    }
    QApplication application(argc, argv);
    // Qt has taken its own options out of argv; a file name is kept as the bytes it is.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << pm::FileNameFromBytes(QByteArray(argv[i]));
    const pm::CommandLine line = pm::ParseCommandLine(arguments);
    if (line.exit) return line.exitCode;

    pm::Application app;
    if (!app.Start(line.file, pm::InstallFeatures)) return 1;
    return QApplication::exec();
}
