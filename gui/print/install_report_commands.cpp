// Wires the report commands into the main frame's File menu.

#include <QAction>

#include "core/report/report_input.h"
#include "gui/app/main_window.h"
#include "gui/app/channel_document.h"
#include "gui/editor/channel_view.h"
#include "gui/print/report_commands.h"

namespace pm {

void InstallReportCommands(MainWindow& frame) {
    MainWindow* f = &frame;
    auto* report =
        new ReportCommands([f] { return ReportInputFrom(f->View()->Table(), f->View()->Lists()); }, f);
    QObject::connect(f, &MainWindow::PrintRequested, report, [f, report] { report->Print(f); });
    QObject::connect(f, &MainWindow::PrintPreviewRequested, report, [f, report] { report->PrintPreview(f); });
    QObject::connect(f, &MainWindow::PrintSetupRequested, report, [f, report] { report->PrintSetup(f); });
    auto* exportPdf = new QAction(QStringLiteral("Export PDF..."), f);
    exportPdf->setObjectName(QStringLiteral("actionExportPdf"));
    exportPdf->setStatusTip(QStringLiteral("Write the settings report to a PDF file"));
    f->AddFileMenuAction(MainWindow::FileMenuPlace::AfterPrintPreview, exportPdf);
    QObject::connect(exportPdf, &QAction::triggered, report, [f, report] {
        f->View()->CommitCellEdit();
        report->ExportPdf(f, f->Document().PathName());
    });
}

}  // namespace pm
