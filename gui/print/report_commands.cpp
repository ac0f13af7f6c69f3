#include "gui/print/report_commands.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>

#include <algorithm>
#include <string>

#include "core/report/report_layout.h"
#include "core/texts.h"
#include "gui/common/message_box.h"
#include "gui/print/report_painter.h"
#include "gui/print/report_pdf.h"

namespace pm {
namespace {

void ShowFailure(const QString& text, QWidget* parent) {
    const std::string utf8 = text.toStdString();
    ShowMessage(Message{utf8, kAppTitle, Buttons::Ok, Icon::Warning}, parent);
}

}  // namespace

QAction* PreviewPrintAction(const QPrintPreviewDialog& dialog) {
    // Qt gives this action no object name; its text is Qt's own, translated like Qt translates it.
    const QString text = QCoreApplication::translate("QPrintPreviewDialog", "Print");
    for (QAction* action : dialog.findChildren<QAction*>()) {
        if (action->text() == text) return action;
    }
    return nullptr;
}

ReportCommands::ReportCommands(Source source, QObject* parent)
    : QObject(parent),
      source_(std::move(source)),
      printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    InstallReportFontSubstitution();
}

ReportCommands::~ReportCommands() = default;

QPrinter& ReportCommands::Printer() {
    return *printer_;
}

std::unique_ptr<QPrintDialog> ReportCommands::MakePrintDialog(QWidget* parent) {
    auto dialog = std::make_unique<QPrintDialog>(printer_.get(), parent);
    dialog->setMinMax(1, kReportPageCount);
    dialog->setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog->setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    dialog->setOption(QAbstractPrintDialog::PrintSelection, false);
    return dialog;
}

bool ReportCommands::PrintChosenPages(QString* error) {
    const QPrinter& printer = *printer_;
    std::vector<int> pages = printer.printRange() == QPrinter::PageRange
                                 ? ReportPagesToPrint(printer.fromPage(), printer.toPage())
                                 : ReportPagesToPrint(0, 0);
    if (printer.pageOrder() == QPrinter::LastPageFirst) std::reverse(pages.begin(), pages.end());
    auto fail = [error](const QString& text) {
        if (error != nullptr) *error = text;
        return false;
    };
    if (pages.empty()) return fail(QStringLiteral("The report has pages 1 to 3 only."));
    const ReportInput input = source_();
    QPainter painter;
    if (!painter.begin(printer_.get()))
        return fail(QStringLiteral("Cannot start printing on %1.").arg(printer.printerName()));
    const bool painted = PaintReport(painter, *printer_, pages, input);
    painter.end();
    if (!painted) return fail(QStringLiteral("The page is too small for the report."));
    return true;
}

bool ReportCommands::PrintWithDialog(QWidget* parent) {
    const auto dialog = MakePrintDialog(parent);
    if (dialog->exec() != QDialog::Accepted) return false;
    QString error;
    if (PrintChosenPages(&error)) return true;
    ShowFailure(error, parent);
    return false;
}

void ReportCommands::Print(QWidget* parent) {
    PrintWithDialog(parent);
}

std::unique_ptr<QPrintPreviewDialog> ReportCommands::MakePreviewDialog(QWidget* parent) {
    auto dialog = std::make_unique<QPrintPreviewDialog>(printer_.get(), parent);
    // The preview shows the editor as it was when it opened; later page set-ups repaint that snapshot.
    connect(dialog.get(), &QPrintPreviewDialog::paintRequested, dialog.get(),
            [input = source_()](QPrinter* printer) {
                QPainter painter(printer);
                (void)PaintReport(painter, *printer, ReportPagesToPrint(0, 0), input);
            });
    if (auto* view = dialog->findChild<QPrintPreviewWidget*>()) {
        // Pages 1 and 2 side by side at the window's width, page 3 below them.
        view->setViewMode(QPrintPreviewWidget::AllPagesView);
        view->setZoomMode(QPrintPreviewWidget::FitToWidth);
        // Keep the dialog's tool buttons in step without triggering them (which would fit the whole page).
        for (const char* name : {"overviewModeAction", "fitWidthAction"}) {
            if (auto* action = dialog->findChild<QAction*>(QString::fromLatin1(name)))
                action->setChecked(true);
        }
    }
    // The preview's own Print button would offer any page range and print all three pages whatever was
    // chosen; it goes through the same dialog and page choice as File Print instead.
    if (QAction* print = PreviewPrintAction(*dialog)) {
        disconnect(print, &QAction::triggered, nullptr, nullptr);
        connect(print, &QAction::triggered, dialog.get(), [this, preview = dialog.get()] {
            if (PrintWithDialog(preview)) preview->accept();
        });
    }
    return dialog;
}

void ReportCommands::PrintPreview(QWidget* parent) {
    const auto dialog = MakePreviewDialog(parent);
    dialog->exec();
}

void ReportCommands::PrintSetup(QWidget* parent) {
    QPageSetupDialog dialog(printer_.get(), parent);
    dialog.exec();
}

bool ReportCommands::ExportPdfTo(const QString& path, QWidget* parent) {
    QString error;
    if (ExportReportPdf(source_(), path, &error, printer_->pageLayout())) return true;
    ShowFailure(error, parent);
    return false;
}

void ReportCommands::ExportPdf(QWidget* parent, const QString& documentPath) {
    QString path =
        QFileDialog::getSaveFileName(parent, QStringLiteral("Export PDF"), SuggestedPdfPath(documentPath),
                                     QStringLiteral("PDF Files (*.pdf)"));
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".pdf");
    ExportPdfTo(path, parent);
}

QString SuggestedPdfPath(const QString& documentPath) {
    if (documentPath.isEmpty()) return QStringLiteral("Untitled.pdf");
    const QFileInfo info(documentPath);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".pdf"));
}

}  // namespace pm
