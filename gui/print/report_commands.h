#pragma once
// File Print, Print Preview, Print Setup and Export PDF... for the report, around one printer.

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

#include "core/report/report_input.h"

class QAction;
class QPrintDialog;
class QPrintPreviewDialog;
class QPrinter;
class QWidget;

namespace pm {

class MainWindow;

/** The report commands; the printer and its set-up live as long as this object. */
class ReportCommands : public QObject {
    Q_OBJECT

  public:
    /** What the report prints right now: the grid and lists as they stand, an open cell editor committed. */
    using Source = std::function<ReportInput()>;

    /** Commands that print what source gives at the moment each one starts. */
    explicit ReportCommands(Source source, QObject* parent = nullptr);
    ~ReportCommands() override;

    /** The printer Print Setup adjusts and Print, Print Preview and Export PDF use. */
    [[nodiscard]] QPrinter& Printer();

    /** File Print: the print dialog limited to pages 1 to 3, then the chosen pages. */
    void Print(QWidget* parent);
    /** File Print Preview: the three pages, two side by side. */
    void PrintPreview(QWidget* parent);
    /** File Print Setup: the page set-up of the printer. */
    void PrintSetup(QWidget* parent);
    /** File Export PDF...: asks for a file name, suggested from documentPath, and writes the report. */
    void ExportPdf(QWidget* parent, const QString& documentPath = {});

    /** The print dialog of Print, not yet shown. */
    [[nodiscard]] std::unique_ptr<QPrintDialog> MakePrintDialog(QWidget* parent);
    /** The preview of Print Preview, not yet shown; it paints a snapshot taken now. */
    [[nodiscard]] std::unique_ptr<QPrintPreviewDialog> MakePreviewDialog(QWidget* parent);
    /** The print dialog, then the chosen pages; true when they were printed, failures shown to the user. */
    bool PrintWithDialog(QWidget* parent);
    /** Prints the pages the printer's range names; false with a message in *error when it could not. */
    [[nodiscard]] bool PrintChosenPages(QString* error);
    /** Writes the report to path on the printer's page; a failure is shown to the user. */
    bool ExportPdfTo(const QString& path, QWidget* parent);

  private:
    Source source_;
    std::unique_ptr<QPrinter> printer_;
};

/** The Print button of a print preview, or nullptr. */
[[nodiscard]] QAction* PreviewPrintAction(const QPrintPreviewDialog& dialog);

/** The name Export PDF suggests: the document's name with ".pdf", or "Untitled.pdf". */
[[nodiscard]] QString SuggestedPdfPath(const QString& documentPath);

/** Installs Print, Print Preview, Print Setup and "Export PDF..." into window's File menu. */
void InstallReportCommands(MainWindow& window);

}  // namespace pm
