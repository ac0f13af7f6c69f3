// Wires the report commands into the main frame's File menu.

#include <QAction>

#include "core/report/report_input.h"
#include "gui/app/features.h"
#include "gui/app/main_frame.h"
#include "gui/app/tovar_doc.h"
#include "gui/editor/tovar_view.h"
#include "gui/print/report_commands.h"

namespace pm {

void InstallReportCommands(CMainFrame& frame) {
    CMainFrame* f = &frame;
    auto* report = new ReportCommands(
        [f] { return ReportInputFrom(f->GetActiveView()->Table(), f->GetActiveView()->Lists()); }, f);
    QObject::connect(f, &CMainFrame::PrintRequested, report, [f, report] { report->Print(f); });
    QObject::connect(f, &CMainFrame::PrintPreviewRequested, report, [f, report] { report->PrintPreview(f); });
    QObject::connect(f, &CMainFrame::PrintSetupRequested, report, [f, report] { report->PrintSetup(f); });
    auto* exportPdf = new QAction(QStringLiteral("Export PDF..."), f);
    exportPdf->setObjectName(QStringLiteral("actionExportPdf"));
    exportPdf->setStatusTip(QStringLiteral("Write the settings report to a PDF file"));
    f->AddFileMenuAction(CMainFrame::FileMenuPlace::AfterPrintPreview, exportPdf);
    QObject::connect(exportPdf, &QAction::triggered, report, [f, report] {
        f->GetActiveView()->CommitCellEdit();
        report->ExportPdf(f, f->GetDocument().PathName());
    });
}

}  // namespace pm
